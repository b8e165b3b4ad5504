#include "core/SettingsStore.h"

namespace {

std::recursive_mutex& StoresLock()
{
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace

TSettingsStore::TSettingsStore()
    : lock(StoresLock()), settings(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid"))
{
}
