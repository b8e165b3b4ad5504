// libFuzzer target: LoadVexgridSettings on arbitrary file contents.
//
// The loader reads a path, so each input is written to one scratch file of
// this process first. Beyond "no crash, no hang, no runaway memory" (the
// sanitizers' and libFuzzer's part) it checks that the outcome is told
// plainly: a failed load names its reason, a successful one has none, and the
// range-checked settings stay inside their ranges.
#include "config/VexgridLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

QString ScratchPath()
{
    return QDir::tempPath() + QStringLiteral("/fuzz-vexgrid-%1.xml").arg(QCoreApplication::applicationPid());
}

bool WriteScratch(const QString& path, const std::uint8_t* data, std::size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const auto length = static_cast<qint64>(size);
    return file.write(reinterpret_cast<const char*>(data), length) == length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = ScratchPath();
    if (!WriteScratch(path, data, size))
        std::abort();  // the scratch file is ours; failing to write it is no finding about the loader

    TSessionSettings settings;
    const TVexgridLoadResult result = LoadVexgridSettings(path, settings);
    if (result.loaded != result.reason.isEmpty())
        std::abort();
    if (!result.loaded && VexgridParserMessage(path, result.reason).isEmpty())
        std::abort();
    // Whatever the file says, the range-checked settings keep their ranges.
    const TRequest& t = settings.requestTemplate;
    if (t.remotePort < 1 || t.remotePort > 65535 || t.snmpVersion < 1 || t.snmpVersion > 2)
        std::abort();
    if (settings.windowWidth < 300 || settings.windowWidth > 2000 || settings.windowHeight < 200
        || settings.windowHeight > 1600)
        std::abort();
    for (const QString& oid : settings.targetOids)
        (void)NormaliseTargetOid(oid);
    return 0;
}
