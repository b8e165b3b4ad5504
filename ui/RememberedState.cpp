#include "ui/RememberedState.h"

#include "core/SettingsStore.h"

#include <QFileInfo>
#include <QVariant>

namespace {

QString Absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

// The settings group of one file below "views/": a path holds "/", which
// QSettings would take for nested groups, so the key is the path in URL-safe
// base64.
QString ViewKey(const QString& path)
{
    return QString::fromLatin1(
        Absolute(path).toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString ViewGroup(const QString& path) { return QStringLiteral("views/") + ViewKey(path); }

// Puts key first in the order of saved views and forgets the views beyond
// kMaxRememberedViews. Views saved before the order was kept come after the
// ordered ones.
void KeepViewRecent(QSettings& store, const QString& key)
{
    const QString orderKey = QStringLiteral("viewOrder");
    QStringList order = store.value(orderKey).toStringList();
    store.beginGroup(QStringLiteral("views"));
    for (const QString& group : store.childGroups()) {
        if (!order.contains(group))
            order.append(group);
    }
    store.endGroup();
    order.removeAll(key);
    order.prepend(key);
    while (order.size() > kMaxRememberedViews)
        store.remove(QStringLiteral("views/") + order.takeLast());
    store.setValue(orderKey, order);
}

QStringList RecentList(QSettings& store)
{
    return store.value(QStringLiteral("recent/files")).toStringList();
}

void StoreRecentList(QSettings& store, const QStringList& files)
{
    store.setValue(QStringLiteral("recent/files"), files.mid(0, kMaxRecentFiles));
}

}  // namespace

void TRememberedState::AwaitRecentWrite() const
{
    if (recentWrite.valid())
        recentWrite.get();
}

QStringList TRememberedState::RecentFiles() const
{
    AwaitRecentWrite();
    TSettingsStore store;
    return RecentList(*store);
}

void TRememberedState::SaveRecentFiles(const QStringList& files)
{
    AwaitRecentWrite();
    TSettingsStore store;
    StoreRecentList(*store, files);
}

void TRememberedState::AddRecentFile(const QString& path)
{
    AwaitRecentWrite();
    // The store's lock keeps the window's own reads and writes of the
    // settings apart from this one.
    recentWrite = std::async(std::launch::async, [file = Absolute(path)] {
        TSettingsStore store;
        QStringList files = RecentList(*store);
        files.removeAll(file);
        files.prepend(file);
        StoreRecentList(*store, files);
    });
}

void TRememberedState::RemoveRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.removeAll(Absolute(path));
    SaveRecentFiles(files);
}

TViewState TRememberedState::ViewState(const QString& path) const
{
    TViewState state;
    if (path.isEmpty())
        return state;
    TSettingsStore store;
    store->beginGroup(ViewGroup(path));
    state.geometry = store->value(QStringLiteral("geometry")).toByteArray();
    for (const QVariant& width : store->value(QStringLiteral("columnWidths")).toList())
        state.columnWidths.append(width.toInt());
    state.sortColumn = store->value(QStringLiteral("sortColumn"), -1).toInt();
    state.sortAscending = store->value(QStringLiteral("sortAscending"), true).toBool();
    state.intervalSeconds = store->value(QStringLiteral("intervalSeconds"), 0).toInt();
    state.shootMode = store->value(QStringLiteral("shootMode"), 0).toInt();
    return state;
}

void TRememberedState::SaveViewState(const QString& path, const TViewState& state)
{
    if (path.isEmpty())
        return;
    TSettingsStore store;
    store->beginGroup(ViewGroup(path));
    store->setValue(QStringLiteral("geometry"), state.geometry);
    QVariantList widths;
    for (int width : state.columnWidths)
        widths.append(width);
    store->setValue(QStringLiteral("columnWidths"), widths);
    store->setValue(QStringLiteral("sortColumn"), state.sortColumn);
    store->setValue(QStringLiteral("sortAscending"), state.sortAscending);
    store->setValue(QStringLiteral("intervalSeconds"), state.intervalSeconds);
    store->setValue(QStringLiteral("shootMode"), state.shootMode);
    store->endGroup();
    KeepViewRecent(*store, ViewKey(path));
}
