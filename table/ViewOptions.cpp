#include "table/ViewOptions.h"

#include "core/SettingsStore.h"

#include <algorithm>

TViewOptions LoadViewOptions()
{
    TSettingsStore settings;
    const QSettings& store = *settings;
    TViewOptions options;
    options.counterRates = store.value(QStringLiteral("view/counterRates"), options.counterRates).toBool();
    options.readableValues =
        store.value(QStringLiteral("view/readableValues"), options.readableValues).toBool();
    options.markChanges = store.value(QStringLiteral("view/markChanges"), options.markChanges).toBool();
    options.keepLastValues =
        store.value(QStringLiteral("view/keepLastValues"), options.keepLastValues).toBool();
    const int interval =
        store.value(QStringLiteral("shoot/intervalSeconds"), options.intervalSeconds).toInt();
    if (std::find(kShootIntervals.begin(), kShootIntervals.end(), interval) != kShootIntervals.end())
        options.intervalSeconds = interval;
    return options;
}

void SaveViewOptions(const TViewOptions& options)
{
    TSettingsStore settings;
    QSettings& store = *settings;
    store.setValue(QStringLiteral("view/counterRates"), options.counterRates);
    store.setValue(QStringLiteral("view/readableValues"), options.readableValues);
    store.setValue(QStringLiteral("view/markChanges"), options.markChanges);
    store.setValue(QStringLiteral("view/keepLastValues"), options.keepLastValues);
    store.setValue(QStringLiteral("shoot/intervalSeconds"), options.intervalSeconds);
}
