// The result table ListView1 as a table model for a QTreeView: an adapter
// over the result store (engine/ResultStore.h) that gives the rows their
// columns, names, images, display texts and sort order.
#pragma once

#include "core/CellValue.h"
#include "engine/ResultStore.h"
#include "table/ViewOptions.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class TOidNameTable;
struct TTableSnapshot;

class TResultTable : public QAbstractTableModel, private TResultStoreObserver {
    Q_OBJECT

public:
    static constexpr int imageColumnWidth = 18;        // column 0 holds only the row image
    static constexpr int imageEntryStart = 27;         // a row that starts an entry
    static constexpr int imageEntryMore = 11;          // a further line of a multi-line value
    static constexpr int rowImageRole = Qt::UserRole;  // data(): the row's image index

    // names is the window's OID name table, store the results shown; both
    // must outlive the model, which observes the store and names its rows.
    TResultTable(const TOidNameTable& names, TResultStore& store, QObject* parent = nullptr);
    // A model over a store of its own.
    explicit TResultTable(const TOidNameTable& names, QObject* parent = nullptr);
    ~TResultTable() override;
    TResultStore& Store() { return store; }
    const TResultStore& Store() const { return store; }

    // Builds the columns once per run and empties the rows. The list layout
    // ("..", "Description ... ", "Value") when tableMode is false or there is
    // exactly one target; otherwise the table layout: "..", "Index" (the
    // row's instance, see IndexText) and one column per target, captioned
    // with its readable name. Emits ColumnsBuilt.
    void BuildColumns(bool tableMode, const QStringList& targetOids);
    bool IsListLayout() const { return listLayout; }
    // The model column of value cell 1: after the Index column in the table
    // layout.
    int FirstCellColumn() const { return listLayout ? 1 : 2; }

    // Names the captions, the list's descriptions and the index texts anew
    // from the OID name table, after MIB names have arrived.
    void RefreshNames();
    // Places into the store, as the shoot engine does (TResultStore::Place);
    // the text form makes a value of unknown type.
    TPlaced PlaceValue(const QString& oid, const QString& value, const TRowCursor& cursor,
                       bool keepInstances = false);
    TPlaced PlaceCell(const QString& oid, const TCellValue& value, const TRowCursor& cursor,
                      bool keepInstances = false)
    {
        return store.Place(oid, value, cursor, keepInstances);
    }
    void BeginReshoot() { store.BeginReshoot(); }
    void DropStaleRows() { store.DropStaleRows(); }
    // Marks the rows the agent has not confirmed since confirmedFromMs (see
    // TResultStore::MarkUnconfirmed): greyed, "Null" or the kept last value,
    // rates "-", the time of the row's last answer in the tooltip.
    void MarkUnconfirmed(std::int64_t confirmedFromMs) { store.MarkUnconfirmed(confirmedFromMs); }

    // What the cells show beyond their texts: rates, readable values,
    // marked changes, last values. Texts, sorting and Snapshot() stay those
    // of the received values but for rates (see Snapshot()).
    void SetViewOptions(const TViewOptions& options);
    const TViewOptions& ViewOptions() const { return viewOptions; }
    // The typed value cell column (>= 1) of row, counted as Cell() counts,
    // or nullptr.
    const TResultCell* CellAt(int row, int column) const;
    // The text shown for value cell column of row (DisplayRole).
    QString ShownText(int row, int column) const;

    // Removes all rows; columns and sort state stay. One notification for
    // the whole removal, so a view repaints once.
    void ClearResultRows() { store.Clear(); }

    // Rows appended while a table fills reach the views (rowCount(), data())
    // at most every intervalMs, in one insertion per batch; 0, the default,
    // hands each row over at once. A view lays out all its rows and repaints
    // on every insertion, which at one row per agent round trip costs more
    // than the round trip itself. Sorting, clearing and rebuilding the
    // columns hand the waiting rows over first. Setting the interval it has
    // leaves a running wait alone.
    void SetPublishInterval(int intervalMs);
    int PublishInterval() const { return publishTimer.interval(); }
    // Hands every row held over to the views now.
    void PublishRows();
    // Every row held, those still waiting for the views included. The
    // accessors below and Snapshot() see all of them; rowCount() only the
    // rows handed over.
    int StoredRowCount() const { return store.RowCount(); }

    int RowImage(int row) const;
    int CellCount(int row) const;
    // The text of value cell column (>= 1) of row; empty when the row has no
    // such cell. Cell k is shown in model column k - 1 + FirstCellColumn().
    QString Cell(int row, int column) const;
    // The table layout's Index column of row: the decoded instance, and the
    // suffix it was read from without its leading dot (the tooltip).
    QString IndexText(int row) const;
    QString InstanceSuffix(int row) const;

    // Sort state: sortColumn -1 = unsorted, else a model column >= 1; the
    // Index column sorts by the suffix's components as numbers.
    int SortColumn() const { return sortColumn; }
    bool SortAscending() const { return sortAscending; }
    // Unsorted and descending, the state of a fresh run; clears the marks.
    void ResetSortState();
    // Sorts by `column` in the given direction, as remembered from an earlier
    // run; ignored in the list layout and for a column the table lacks.
    void SetSortState(int column, bool ascending);

    // A click on a column header: ignored for column 0 and in the list
    // layout; the sort column's direction flips, another column becomes the
    // sort column ascending; then the marks move and the rows are sorted.
    void ListView1ColumnClick(int column);
    // Negative, zero or positive as row1 sorts before, equal to or after
    // row2 under the current sort column and direction.
    int ListView1Compare(int row1, int row2) const;
    // True when every row's cell in the sort column is numeric text (a row
    // without that cell counts as empty text); true for a table without rows.
    bool SortColumnIsNumeric() const;
    // Sorts the rows again with the current column and direction (after a
    // walk-based shoot). Rows that compare equal keep their order. Does
    // nothing while unsorted, but for handing waiting rows over.
    void Resort();
    // The header image of column: 4 ascending / 5 descending on the sort
    // column, -1 elsewhere.
    int HeaderImage(int column) const;

    // The data columns' captions and every row's cells, in the order shown;
    // column 0 (the row image) is left out, the Index column comes first.
    // With counter rates on, a counter cell holds its rate (plain number,
    // empty when there is none) and its caption (table layout) or row name
    // (list layout) ends in " /s".
    TTableSnapshot Snapshot() const;
    // Snapshot() made later, on any thread: the captions are taken now, the
    // rows are copied as they are now (shared with the table until either
    // side changes them), so that taking it costs the window next to nothing
    // at a hundred thousand rows.
    std::function<TTableSnapshot()> DeferredSnapshot() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The columns were (re)built; views fit their column widths anew.
    void ColumnsBuilt();
    // The tint of changed cells faded a step: views repaint what they show
    // (a dataChanged over the whole table would make a view look at every
    // row's place, not only at those in sight).
    void FadeStepped();

private:
    // The store's changes, handed on to the views.
    void RowsAboutToBeInserted(int first, int count) override;
    void RowsInserted(int first, int count) override;
    void RowsAppended(int first, int count) override;
    void RowsAboutToBeRemoved(int first, int count) override;
    void RowsRemoved(int first, int count) override;
    void RowsAboutToBeCleared() override;
    void RowsCleared() override;
    void CellChanged(int row, int cell) override;
    void RowsChanged(int first, int last) override;
    void ReadingChanged(std::int64_t changedAtMs) override;

    void NameColumns();
    int Image(const TResultRow& row) const { return row.furtherLine ? imageEntryMore : imageEntryStart; }
    bool SortsByIndex() const { return !listLayout && sortColumn == 1; }
    // The value cell (>= 1) shown in model column column; < 1 for the image
    // and Index columns.
    int CellColumn(int column) const { return column - FirstCellColumn() + 1; }
    // The answer times of the last shoot's requests for a target's column.
    TAnswerTimes AnswerTimesOf(int target) const;
    void NotifyCellChanged(int row, int column);
    void NotifyRowsChanged(int first, int last);
    void FadeTick();
    QString SortCell(int row) const;
    // True when row's cell in the sort column shows a rate (or none); its
    // numeric sort key, when there is a rate, goes to *key (may be nullptr).
    bool RateSortKey(int row, long double* key) const;
    bool IsRateCell(const TResultCell& cell) const { return IsRateCell(cell, viewOptions.counterRates); }
    static bool IsRateCell(const TResultCell& cell, bool counterRates);
    // A cell whose reading is not current: unanswered, or marked stale.
    static bool Unanswered(const TResultCell& cell)
    {
        return cell.stale || (!cell.oid.isEmpty() && !cell.now.Answered());
    }
    // What an unanswered cell shows without its last value, and exports.
    static QString UnansweredText(const TResultCell& cell);
    // The cells of row, less those its shoot left missing at its end.
    static int CellCount(const TResultRow& row) { return TResultStore::CellCount(row); }
    // Value cell column (>= 1) of row shows a counter of octets.
    bool IsOctetsCell(const TResultRow& row, int column) const;
    bool LivelyTexts() const;
    // The text DisplayRole shows for cell column (>= 1) of row, worked out
    // once per reading and kept while rates, readable or last values are on.
    QString DisplayText(const TResultRow& row, int column) const;
    // Model column column holds a counter shown as a rate.
    bool IsRateColumn(int column) const;
    // data() of value cell column (>= 1) of row.
    QVariant CellData(int row, int column, int role) const;
    // The text DisplayRole shows for cell column of row, as kept since the
    // cell's reading (see TResultCell::shownSlot) or made now and kept.
    const QString& KeptDisplayText(int row, int column, const TResultCell& cell) const;
    void UpdateSortMarks();

    const TOidNameTable& oidNames;
    std::unique_ptr<TResultStore> ownStore;  // when made without a store
    TResultStore& store;
    QPointer<TResultStore> storeAlive;  // a window may destroy the store first
    const QVector<TResultRow>& rows;    // the store's rows
    bool listLayout = true;
    QStringList captions;
    QStringList targets;      // the table layout's target OIDs
    int publishedRows = 0;    // rows[0 .. publishedRows-1] are known to the views
    bool announcing = false;  // between RowsAboutToBeInserted/Removed and its end
    QTimer publishTimer;
    int sortColumn = -1;
    bool sortAscending = false;
    TViewOptions viewOptions;
    // The display texts made for the cells painted, each with its cell: a
    // cell's shownSlot k names shownTexts[k - 1] while that is its own.
    struct TShownText {
        const TResultCell* cell = nullptr;
        QString text;
    };
    mutable std::vector<TShownText> shownTexts;
    QTimer fadeTimer;
    std::int64_t lastChangeMs = -1;  // MonotonicMs() of the latest marked change
};
