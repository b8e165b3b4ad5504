#include "table/ResultTable.h"

#include "table/ImageList.h"
#include "table/IndexColumn.h"
#include "table/RateColumn.h"
#include "table/Shared.h"
#include "engine/ShootEngine.h"
#include "table/TableExport.h"

#include <algorithm>

namespace {

const QString imageColumnCaption = QStringLiteral("..");
const QString descriptionCaption = QStringLiteral("Description ... ");
const QString valueCaption = QStringLiteral("Value");
// A marked change's tint is repainted this often while it fades.
constexpr int kFadeStepMs = 100;

}  // namespace

TResultTable::TResultTable(const TOidNameTable& names, QObject* parent)
    : TResultTable(names, *new TResultStore, parent)
{
    ownStore.reset(&store);
}

TResultTable::TResultTable(const TOidNameTable& names, TResultStore& results, QObject* parent)
    : QAbstractTableModel(parent), oidNames(names), store(results), storeAlive(&results), rows(results.Rows())
{
    store.SetObserver(this);
    store.SetNamers([this](const QString& oid) { return oidNames.DescribeOid(oid); },
                    [this](const QString& suffix) { return IndexColumnText(oidNames, targets, suffix); });
    captions << imageColumnCaption;
    fadeTimer.setInterval(kFadeStepMs);
    connect(&fadeTimer, &QTimer::timeout, this, &TResultTable::FadeTick);
    publishTimer.setSingleShot(true);
    publishTimer.setInterval(0);
    connect(&publishTimer, &QTimer::timeout, this, &TResultTable::PublishRows);
}

TResultTable::~TResultTable()
{
    if (storeAlive)
        store.SetObserver(nullptr);
}

void TResultTable::SetPublishInterval(int intervalMs)
{
    if (intervalMs > 0 && intervalMs == publishTimer.interval())
        return;  // setInterval would restart the wait
    publishTimer.setInterval(std::max(intervalMs, 0));
    if (intervalMs <= 0)
        PublishRows();
}

void TResultTable::PublishRows()
{
    publishTimer.stop();
    if (publishedRows >= rows.size())
        return;
    beginInsertRows(QModelIndex(), publishedRows, static_cast<int>(rows.size()) - 1);
    publishedRows = static_cast<int>(rows.size());
    endInsertRows();
}

void TResultTable::BuildColumns(bool tableMode, const QStringList& targetOids)
{
    beginResetModel();
    publishTimer.stop();
    listLayout = !tableMode || targetOids.size() < 2;
    targets = listLayout ? QStringList() : targetOids;
    store.SetObserver(nullptr);  // the reset covers the rows
    store.SetLayout(listLayout, targets);
    store.SetObserver(this);
    publishedRows = 0;
    NameColumns();
    endResetModel();
    emit ColumnsBuilt();
}

void TResultTable::NameColumns()
{
    captions = QStringList{imageColumnCaption};
    if (listLayout) {
        captions << descriptionCaption << valueCaption;
        return;
    }
    captions << indexColumnCaption;
    for (const QString& oid : targets)
        captions << oidNames.DescribeOid(oid);
}

void TResultTable::RefreshNames()
{
    NameColumns();
    store.RenameRows();
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (publishedRows > 0 && columnCount() > 1)
        emit dataChanged(index(0, 1), index(publishedRows - 1, columnCount() - 1));
}

int TResultTable::RowImage(int row) const { return row >= 0 && row < rows.size() ? Image(rows[row]) : -1; }

int TResultTable::CellCount(int row) const
{
    return row >= 0 && row < rows.size() ? CellCount(rows[row]) : 0;
}

QString TResultTable::Cell(int row, int column) const
{
    const TResultCell* cell = CellAt(row, column);
    return cell ? cell->now.text : QString();
}

const TResultCell* TResultTable::CellAt(int row, int column) const
{
    if (row < 0 || row >= rows.size() || column < 1 || column > rows[row].cells.size())
        return nullptr;
    return &rows[row].cells[column - 1];
}

QString TResultTable::IndexText(int row) const
{
    return row >= 0 && row < rows.size() ? rows[row].indexText : QString();
}

QString TResultTable::InstanceSuffix(int row) const
{
    return row >= 0 && row < rows.size() ? rows[row].suffix.mid(1) : QString();
}

int TResultTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : publishedRows; }

int TResultTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(captions.size());
}

QVariant TResultTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= publishedRows)
        return QVariant();
    const TResultRow& row = rows[index.row()];
    if (index.column() == 0) {
        if (role == rowImageRole)
            return Image(row);
        if (role == Qt::DecorationRole) {
            const QIcon icon = ImageListIcon(Image(row));
            return icon.isNull() ? QVariant() : QVariant(icon);
        }
        return QVariant();
    }
    if (!listLayout && index.column() == 1) {
        if (role == Qt::DisplayRole)
            return row.indexText;
        if (role == Qt::ToolTipRole)
            return row.suffix.mid(1);
        return QVariant();
    }
    return CellData(index.row(), CellColumn(index.column()), role);
}

QVariant TResultTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= captions.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return captions[section];
    if (role == Qt::ToolTipRole) {
        QStringList tip;
        const int target = CellColumn(section) - 1;
        if (target >= 0 && target < targets.size())
            tip << targets[target];
        if (IsRateColumn(section))
            tip << kRateTooltip;
        else if (target >= 0)
            tip << AnswerTimeLine(AnswerTimesOf(target));
        tip.removeAll(QString());
        return tip.isEmpty() ? QVariant() : QVariant(tip.join(QLatin1Char('\n')));
    }
    if (role == Qt::DecorationRole) {
        const int image = HeaderImage(section);
        return image < 0 ? QVariant() : QVariant(ImageListIcon(image));
    }
    return QVariant();
}

Qt::ItemFlags TResultTable::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

TTableSnapshot TResultTable::Snapshot() const { return DeferredSnapshot()(); }

std::function<TTableSnapshot()> TResultTable::DeferredSnapshot() const
{
    QStringList headers = captions.mid(1);
    for (int column = 1; !listLayout && column < captions.size(); ++column) {
        if (IsRateColumn(column))
            headers[column - 1] += kRateSuffix;
    }
    return [headers, rows = rows, list = listLayout, rates = viewOptions.counterRates] {
        TTableSnapshot snapshot;
        snapshot.headers = headers;
        snapshot.rows.reserve(rows.size());
        if (list)
            snapshot.furtherLine.reserve(rows.size());
        for (const TResultRow& row : rows) {
            QStringList cells;
            cells.reserve(CellCount(row) + 1);
            if (!list)
                cells.append(row.indexText);
            const int count = CellCount(row);
            for (int column = 1; column <= count; ++column) {
                const TResultCell& cell = row.cells[column - 1];
                if (cell.stale)
                    cells.append(UnansweredText(cell));
                else if (IsRateCell(cell, rates))
                    cells.append(PlainRateText(RowCounterRate(row.cells, cell)));
                else
                    cells.append(cell.now.text);
            }
            if (list && count >= 2 && IsRateCell(row.cells[1], rates))
                cells[0] += kRateSuffix;
            snapshot.rows.append(cells);
            if (list)
                snapshot.furtherLine.append(row.furtherLine);
        }
        return snapshot;
    };
}

TPlaced TResultTable::PlaceValue(const QString& oid, const QString& value, const TRowCursor& cursor,
                                 bool keepInstances)
{
    TCellValue cell;
    cell.text = value;
    return store.Place(oid, cell, cursor, keepInstances);
}

void TResultTable::RowsAboutToBeInserted(int first, int count)
{
    // Among the rows still waiting for the views, nothing is told.
    announcing = first < publishedRows;
    if (announcing)
        beginInsertRows(QModelIndex(), first, first + count - 1);
}

void TResultTable::RowsInserted(int /*first*/, int count)
{
    if (!announcing)
        return;
    publishedRows += count;
    announcing = false;
    endInsertRows();
}

void TResultTable::RowsAppended(int /*first*/, int /*count*/)
{
    if (publishTimer.interval() == 0)
        PublishRows();
    else if (!publishTimer.isActive())
        publishTimer.start();
}

void TResultTable::RowsAboutToBeRemoved(int first, int count)
{
    if (first < publishedRows && first + count > publishedRows)
        PublishRows();
    announcing = first < publishedRows;
    if (announcing)
        beginRemoveRows(QModelIndex(), first, first + count - 1);
}

void TResultTable::RowsRemoved(int /*first*/, int count)
{
    if (!announcing)
        return;
    publishedRows -= count;
    announcing = false;
    endRemoveRows();
}

void TResultTable::RowsAboutToBeCleared()
{
    publishTimer.stop();
    announcing = publishedRows > 0;
    if (announcing)
        beginRemoveRows(QModelIndex(), 0, publishedRows - 1);
}

void TResultTable::RowsCleared()
{
    publishedRows = 0;
    if (!announcing)
        return;
    announcing = false;
    endRemoveRows();
}

void TResultTable::CellChanged(int row, int cell) { NotifyCellChanged(row, cell + FirstCellColumn()); }

void TResultTable::RowsChanged(int first, int last) { NotifyRowsChanged(first, last); }

void TResultTable::ReadingChanged(std::int64_t changedAtMs)
{
    if (!viewOptions.markChanges)
        return;
    lastChangeMs = changedAtMs;
    if (!fadeTimer.isActive())
        fadeTimer.start();
}

void TResultTable::NotifyCellChanged(int row, int column)
{
    // A row still waiting for the views is shown whole when handed over.
    if (row < publishedRows && column < columnCount()) {
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed);
    }
}

void TResultTable::NotifyRowsChanged(int first, int last)
{
    last = std::min(last, publishedRows - 1);
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

QString TResultTable::UnansweredText(const TResultCell& cell)
{
    if (!cell.now.Answered())
        return cell.now.text;
    // A stale reading: what an unanswered one shows; a further line of a
    // list value has none.
    return cell.oid.isEmpty() ? QString() : kTextNull;
}

TAnswerTimes TResultTable::AnswerTimesOf(int target) const
{
    // A table's first column is walked; the others, and a list, are read with Gets.
    const TShootCost& cost = store.ShootCost();
    return !listLayout && target == 0 ? cost.walk : cost.values;
}
