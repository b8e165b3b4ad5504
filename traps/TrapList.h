// TTrapList: the received notifications as a Qt model, newest on top, at
// most Capacity() of them; the oldest go first and are counted.
//
// Notifications come in batches: Append only queues, and the queue is taken
// into the list at most every kBatchMs, with one row insertion per batch, so
// that a flood of thousands a second costs the view a few updates a second.
// While paused the queue is kept (it too holds at most Capacity(); the oldest
// waiting go first, counted) and taken in when the pause ends.
#pragma once

#include "traps/TrapRecord.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <deque>

class TTrapList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ColTime, ColSource, ColVersion, ColCommunity, ColKind, ColName, ColumnCount };
    static constexpr int kDefaultCapacity = 10000;
    // Long enough to gather a flood into few updates, short enough to look
    // immediate.
    static constexpr int kBatchMs = 100;

    explicit TTrapList(QObject* parent = nullptr, int capacity = kDefaultCapacity);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Queues a notification; it shows after the next batch.
    void Append(TTrapRecord record);
    // Takes the queue in now (unless paused).
    void Flush();
    void SetPaused(bool paused);
    bool Paused() const { return paused; }
    // Empties the list, the queue and the counts.
    void Clear();

    // Row 0 is the newest.
    const TTrapRecord& Record(int row) const { return records[static_cast<std::size_t>(row)]; }
    // Every record shown, newest first.
    QVector<TTrapRecord> Records() const;
    int Capacity() const { return capacity; }
    // Notifications received since the last Clear, and how many of them
    // were dropped (from the list or the queue) to keep it at its capacity.
    qint64 Received() const { return received; }
    qint64 Dropped() const { return dropped; }
    int Waiting() const { return int(waiting.size()); }

signals:
    // The counts changed (once per batch, not per notification).
    void CountsChanged();

private:
    int capacity;
    std::deque<TTrapRecord> records;  // newest first
    std::deque<TTrapRecord> waiting;  // oldest first
    QTimer batchTimer;
    bool paused = false;
    qint64 received = 0;
    qint64 dropped = 0;
};

// TTrapFilter: the rows of a TTrapList whose source, name, OID, community or
// bindings hold the filter text, in any letter case.
class TTrapFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TTrapFilter(TTrapList* list, QObject* parent = nullptr);
    void SetText(const QString& text);
    // The record of a row of this model.
    const TTrapRecord& Record(int row) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    TTrapList* list;
    QString text;
};

// True when the record's source, name, OID, community or bindings hold text
// (any letter case); an empty text matches every record.
bool TrapMatches(const TTrapRecord& record, const QString& text);
