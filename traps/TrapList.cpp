#include "traps/TrapList.h"

TTrapList::TTrapList(QObject* parent, int listCapacity) : QAbstractTableModel(parent), capacity(listCapacity)
{
    batchTimer.setSingleShot(true);
    batchTimer.setInterval(kBatchMs);
    connect(&batchTimer, &QTimer::timeout, this, &TTrapList::Flush);
}

int TTrapList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(records.size());
}

int TTrapList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TTrapList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TTrapRecord& record = Record(index.row());
    if (role == Qt::ToolTipRole && index.column() == ColName)
        return record.qualifiedName + u'\n' + record.trapOid;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColTime: return record.received.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case ColSource: return record.Source();
    case ColVersion: return VersionText(record.version);
    case ColCommunity: return record.community;
    case ColKind: return KindText(record.kind);
    case ColName: return record.name;
    default: return {};
    }
}

QVariant TTrapList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kCaptions[] = {"Time", "Source",      "Version", "Community or user",
                                            "Kind", "Notification"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kCaptions[section]) : QVariant();
}

void TTrapList::Append(TTrapRecord record)
{
    ++received;
    waiting.push_back(std::move(record));
    if (int(waiting.size()) > capacity) {
        waiting.pop_front();
        ++dropped;
    }
    if (!paused && !batchTimer.isActive())
        batchTimer.start();
}

void TTrapList::Flush()
{
    batchTimer.stop();
    if (paused || waiting.empty()) {
        emit CountsChanged();
        return;
    }
    // One insertion at the top for the whole batch, newest first.
    const int count = int(waiting.size());
    beginInsertRows(QModelIndex(), 0, count - 1);
    for (TTrapRecord& record : waiting)
        records.push_front(std::move(record));
    waiting.clear();
    endInsertRows();
    if (int(records.size()) > capacity) {
        const int excess = int(records.size()) - capacity;
        beginRemoveRows(QModelIndex(), capacity, int(records.size()) - 1);
        records.resize(static_cast<std::size_t>(capacity));
        endRemoveRows();
        dropped += excess;
    }
    emit CountsChanged();
}

void TTrapList::SetPaused(bool pause)
{
    paused = pause;
    if (!paused)
        Flush();
}

void TTrapList::Clear()
{
    beginResetModel();
    records.clear();
    waiting.clear();
    received = 0;
    dropped = 0;
    endResetModel();
    emit CountsChanged();
}

QVector<TTrapRecord> TTrapList::Records() const
{
    return QVector<TTrapRecord>(records.begin(), records.end());
}

bool TrapMatches(const TTrapRecord& record, const QString& text)
{
    if (text.isEmpty())
        return true;
    for (const QString* field : {&record.name, &record.qualifiedName, &record.trapOid, &record.community}) {
        if (field->contains(text, Qt::CaseInsensitive))
            return true;
    }
    return record.Source().contains(text, Qt::CaseInsensitive)
        || record.BindingsText().contains(text, Qt::CaseInsensitive);
}

TTrapFilter::TTrapFilter(TTrapList* trapList, QObject* parent) : QSortFilterProxyModel(parent), list(trapList)
{
    setSourceModel(list);
}

void TTrapFilter::SetText(const QString& filterText)
{
    text = filterText.trimmed();
    invalidateFilter();
}

const TTrapRecord& TTrapFilter::Record(int row) const
{
    return list->Record(mapToSource(index(row, 0)).row());
}

bool TTrapFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return TrapMatches(list->Record(sourceRow), text);
}
