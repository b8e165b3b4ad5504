// TReplayWindow: a recording played back. The same table as the live view,
// not live: a slider and step buttons choose a recorded shoot, and the table
// shows the values as of that shoot, with counter rates from the shoot
// before it (when counter rates are on). "Compare with..." picks a second
// shoot: the cells that differ from it are marked, and a column beside each
// value column gives the difference (a counter's rate over the span between
// the two). Copy (Ctrl+C) and "Export CSV..." take what is shown.
#pragma once

#include "engine/ResultStore.h"
#include "history/HistoryDatabase.h"

#include <QAbstractProxyModel>
#include <QHash>
#include <QString>
#include <QVector>
#include <QWidget>

#include <optional>

class QLabel;
class TResultTable;

// The result table with, while comparing, a difference column after every
// value column; value and difference cells that differ from the compared
// shoot are tinted.
class TCompareColumns : public QAbstractProxyModel {
public:
    explicit TCompareColumns(TResultTable& table, QObject* parent = nullptr);

    // Compares with rows (by row key) read at otherWallMs; none: no comparing.
    void CompareWith(std::optional<QVector<TResultRow>> rows, std::int64_t otherWallMs);
    bool Comparing() const { return other.has_value(); }
    // The value cells of the shown shoot that differ from the compared one.
    int DifferingCells() const;
    // The table's column a column of this model shows (a difference column:
    // its value column).
    int SourceColumn(int column) const;
    // The difference of cell `cell` of shown row `row`; none when they agree.
    std::optional<QString> Difference(int row, int cell) const;

    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QModelIndex mapFromSource(const QModelIndex& source) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The value cell (index into the row's cells) a column shows, and
    // whether it is its difference column; none for the leading columns.
    std::optional<std::pair<int, bool>> CellOfColumn(int column) const;

    TResultTable& table;
    std::optional<QHash<QString, TResultRow>> other;
    std::int64_t otherWall = 0;
};
class QSlider;
class QTreeView;
class TOidNameTable;
struct TViewOptions;

class TReplayWindow : public QWidget {
    Q_OBJECT

public:
    // Opens the recording at path; IsOpen() tells whether it could be read
    // (the status line says why not).
    TReplayWindow(const QString& path, const TOidNameTable& names, const TViewOptions& options,
                  QWidget* parent = nullptr);

    bool IsOpen() const { return !shoots.isEmpty(); }
    int ShootCount() const { return static_cast<int>(shoots.size()); }
    // Shows recorded shoot index (0 = the oldest kept).
    void ShowShoot(int index);
    TResultTable& Table() { return *table; }
    QString StatusText() const;
    // Compares the shoot on show with recorded shoot index; -1 stops.
    void CompareWith(int index);
    const TCompareColumns& Shown() const { return *compare; }
    // What is shown, as the CSV an export writes.
    QByteArray ShownAsCsv() const;

private:
    // Places the recorded rows of shoot as a shoot of the engine would.
    void Place(std::int64_t shoot, bool reshoot);

    void CompareClicked();
    void ExportClicked();

    THistoryDatabase recording;
    QVector<TRecordedShoot> shoots;
    int compared = -1;  // the shoot compared with, or -1
    TCompareColumns* compare = nullptr;
    TResultStore store;
    TResultTable* table = nullptr;
    QTreeView* view = nullptr;
    QSlider* slider = nullptr;
    QLabel* status = nullptr;
};
