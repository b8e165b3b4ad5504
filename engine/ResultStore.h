// TResultStore: the results of a view, kept below the window. The shoot
// engine writes every answer into it; the window's table model, the CSV
// export and the clipboard read it, and so may anything else that wants the
// latest readings without a window.
//
// A row is known by its key: in the table layout the OID of its first value
// (the first target's column plus the instance), in the list layout the OID
// it shows. Each cell keeps its typed value, its arrival, the reading before
// and whether it is current (answered, "Null" after a time-out or an error,
// or stale because the agent went silent). Sorting reorders the rows
// (Reorder) but never changes a row's key or cells, and a re-shoot finds
// each instance's row by its key wherever it stands.
//
// Observers hear of each change as it happens, so a model can hand rows to
// its views in step; readers that only want to know that something changed
// take the signals, which come at most once per turn of the event loop and at
// the end of every shoot.
#pragma once

#include "core/Oid.h"
#include "engine/ResultCell.h"
#include "engine/RowCursor.h"
#include "engine/ShootCost.h"

#include <QMultiHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <cstdint>
#include <functional>
#include <vector>

// One row of the store.
struct TResultRow {
    QVector<TResultCell> cells;  // cells[k-1] is value cell k
    QString key;                 // the OID the row was placed for
    QString suffix;              // table layout: the instance, leading dot included
    QString indexText;           // table layout: the instance as the namer reads it
    std::uint32_t shoot = 0;     // the shoot that placed it last
    bool furtherLine = false;    // list layout: a further line of a multi-line value
};
// A row is moved by its bytes (its members are Qt's implicitly shared types),
// so the row list grows by reallocating in place.
Q_DECLARE_TYPEINFO(TResultRow, Q_RELOCATABLE_TYPE);

// What a model over the store must hear of at once, in the order the store
// changes: announcements come before the rows change, confirmations after.
class TResultStoreObserver {
public:
    virtual ~TResultStoreObserver() = default;
    // count rows are about to be inserted before row first (first < RowCount())
    // and have been.
    virtual void RowsAboutToBeInserted(int first, int count) = 0;
    virtual void RowsInserted(int first, int count) = 0;
    // count rows were appended from row first on.
    virtual void RowsAppended(int first, int count) = 0;
    virtual void RowsAboutToBeRemoved(int first, int count) = 0;
    virtual void RowsRemoved(int first, int count) = 0;
    // Every row is about to go, and has gone.
    virtual void RowsAboutToBeCleared() = 0;
    virtual void RowsCleared() = 0;
    // Cell `cell` (an index into TResultRow::cells) of row, or rows
    // first..last whole, changed.
    virtual void CellChanged(int row, int cell) = 0;
    virtual void RowsChanged(int first, int last) = 0;
    // A cell's reading now differs from the one before of the same OID.
    virtual void ReadingChanged(std::int64_t changedAtMs) = 0;
};

class TResultStore : public QObject {
    Q_OBJECT

public:
    explicit TResultStore(QObject* parent = nullptr);

    // At most one observer; nullptr for none. It must outlive its time here.
    void SetObserver(TResultStoreObserver* observer) { watcher = observer; }
    // How rows are named: the list layout's first cell (describe: OID ->
    // text) and the table layout's Index text (nameInstance: suffix ->
    // text). Both default to the text itself.
    void SetNamers(std::function<QString(const QString&)> describe,
                   std::function<QString(const QString&)> nameInstance);
    // Names every row anew (after new MIB names); observers are not told.
    void RenameRows();

    // Empties the store for a new run: one row per value line in the list
    // layout, one row per instance with a cell per target in the table layout.
    void SetLayout(bool listLayout, const QStringList& targets);
    bool IsListLayout() const { return listLayout; }
    const QStringList& Targets() const { return targets; }

    // Places one answer where the engine's cursor points and tells how to
    // advance the cursor:
    // - list layout: one row per line of the value, up to its first empty
    //   line; the first row carries the OID's description and the value,
    //   further rows an empty name and the line; Nothing;
    // - keep-mode refill (keepInstances and the cursor refilling): cell
    //   CellsInRow()+1 of the instance's row, the row found by the OID of
    //   its first value (its key) wherever sorting put it; RefilledCell, or
    //   Dropped (nothing placed) for an instance without a row;
    // - table layout: the value made one line starts a new row
    //   (StartsNewRow()) or becomes the next cell of the last row; RowCell.
    TPlaced Place(const QString& oid, const TCellValue& value, const TRowCursor& cursor, bool keepInstances);
    // A re-shoot that keeps the rows: until DropStaleRows, a placed value
    // whose key has a row updates that row in place, others get new rows after
    // the row placed last. DropStaleRows removes the rows the re-shoot did not
    // place and marks the cells it left unanswered.
    void BeginReshoot();
    void DropStaleRows();
    // Removes every row; the layout stays.
    void Clear();
    // The agent left a request unanswered: each row none of whose values
    // arrived at or after confirmedFromMs (TCellValue::arrivedMs) is marked
    // stale until read again. True when a cell was marked.
    bool MarkUnconfirmed(std::int64_t confirmedFromMs);
    // Puts the rows in the given order (order[i]: the row that goes to place
    // i, a permutation of 0..RowCount()-1). Observers are not told; a
    // re-shoot in progress follows its rows.
    void Reorder(const std::vector<std::size_t>& order);

    // The end of a shoot and the agent's silence, for readers.
    void FinishShoot() { emit ShootFinished(); }
    // What the last shoot cost (its answer times show in the column headers).
    void SetShootCost(const TShootCost& cost) { shootCost = cost; }
    const TShootCost& ShootCost() const { return shootCost; }
    void ReportSilence(std::int64_t sinceWallMs) { emit AgentSilent(sinceWallMs); }
    void ReportAnswer() { emit AgentAnswered(); }

    int RowCount() const { return static_cast<int>(rows.size()); }
    const TResultRow& Row(int row) const { return rows[row]; }
    // Every row, shared until either side changes (a snapshot for a thread).
    const QVector<TResultRow>& Rows() const { return rows; }
    // The first row whose key is key, or -1.
    int RowOfKey(const QString& key);
    // The cells of row, less those its shoot left missing at its end.
    static int CellCount(const TResultRow& row);

signals:
    // Rows or cells changed; at most once per turn of the event loop.
    void Changed();
    // A shoot began that places the rows again (BeginReshoot; a keep-mode
    // refill overwrites the rows it has instead).
    void ReshootStarted();
    // A shoot is over and the store holds its result.
    void ShootFinished();
    // A request went unanswered; the agent has been silent since then.
    void AgentSilent(qint64 sinceWallMs);
    // The agent answered again after being silent.
    void AgentAnswered();

private:
    int FindRow(const QString& key);
    void IndexKeys();  // rebuilds rowsByKey when keyIndexDirty
    bool NameInstance(TResultRow& row, const QString& oid) const;
    void PlaceListValue(const QString& oid, const TCellValue& value);
    TPlaced RefillValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor);
    TPlaced PlaceTableValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor);
    void SetCell(TResultRow& row, int cell, const QString& oid, const TCellValue& value);
    void MarkUnanswered();
    void AppendRows(const QVector<TResultRow>& newRows);
    void InsertRowsAt(int position, QVector<TResultRow> newRows);
    void RemoveRowsAt(int position, int count);
    void CellUpdated(int row, int cell);
    void Touched();

    TResultStoreObserver* watcher = nullptr;
    std::function<QString(const QString&)> describer;
    std::function<QString(const QString&)> instanceNamer;
    bool listLayout = true;
    QStringList targets;
    QVector<TOid> targetOids;  // targets, parsed once per layout
    QVector<TResultRow> rows;
    std::uint32_t shootSerial = 1;  // rows and cells placed by the current shoot carry it
    bool reshooting = false;        // between BeginReshoot and DropStaleRows
    int lastTouched = -1;           // row placed last in this shoot
    int currentRow = -1;            // row the table layout fills
    QMultiHash<QString, int> rowsByKey;
    bool keyIndexDirty = true;
    QTimer changedTimer;
    TShootCost shootCost;
};
