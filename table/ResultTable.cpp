#include "ResultTable.h"

#include "ImageList.h"
#include "IndexColumn.h"
#include "RateColumn.h"
#include "Shared.h"
#include "ShootEngine.h"
#include "TableExport.h"

#include <algorithm>

namespace {

const QString imageColumnCaption = QStringLiteral("..");
const QString descriptionCaption = QStringLiteral("Description ... ");
const QString valueCaption = QStringLiteral("Value");
// A marked change's tint is repainted this often while it fades.
constexpr int kFadeStepMs = 100;

}  // namespace

TResultTable::TResultTable(const TOidNameTable& names, QObject* parent)
    : QAbstractTableModel(parent), oidNames(names)
{
    captions << imageColumnCaption;
    fadeTimer.setInterval(kFadeStepMs);
    connect(&fadeTimer, &QTimer::timeout, this, &TResultTable::FadeTick);
    publishTimer.setSingleShot(true);
    publishTimer.setInterval(0);
    connect(&publishTimer, &QTimer::timeout, this, &TResultTable::PublishRows);
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
    rows.clear();
    publishedRows = 0;
    ++shootSerial;
    reshooting = false;
    keyIndexDirty = true;
    lastTouched = currentRow = -1;
    listLayout = !tableMode || targetOids.size() < 2;
    targets = listLayout ? QStringList() : targetOids;
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
    for (TResultRow& row : rows) {
        if (listLayout && row.image == imageEntryStart && !row.cells.isEmpty())
            row.cells[0].now.text = oidNames.DescribeOid(row.key);
        else if (!listLayout)
            row.indexText = IndexColumnText(oidNames, targets, row.suffix);
        // Readable values read enumerations and hints from the names too.
        for (int cell = 0; cell < row.cells.size(); ++cell)
            RefreshShown(row, cell);
    }
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (publishedRows > 0 && columnCount() > 1)
        emit dataChanged(index(0, 1), index(publishedRows - 1, columnCount() - 1));
}

int TResultTable::RowImage(int row) const { return row >= 0 && row < rows.size() ? rows[row].image : -1; }

int TResultTable::CellCount(int row) const
{
    return row >= 0 && row < rows.size() ? CellCount(rows[row]) : 0;
}

int TResultTable::CellCount(const TResultRow& row)
{
    // Cells an abandoned row did not get this time are not there.
    int count = static_cast<int>(row.cells.size());
    while (count > 0 && row.cells[count - 1].missing)
        --count;
    return count;
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
            return row.image;
        if (role == Qt::DecorationRole) {
            const QIcon icon = ImageListIcon(row.image);
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
                    cells.append(PlainRateText(CounterRate(cell.Previous(), cell.now)));
                else
                    cells.append(cell.now.text);
            }
            if (list && count >= 2 && IsRateCell(row.cells[1], rates))
                cells[0] += kRateSuffix;
            snapshot.rows.append(cells);
        }
        return snapshot;
    };
}

void TResultTable::MarkUnconfirmed(std::int64_t confirmedFromMs)
{
    const auto confirms = [&](const TResultCell& cell) {
        return !cell.oid.isEmpty() && cell.now.Answered() && !cell.stale
            && cell.now.arrivedMs >= confirmedFromMs;
    };
    bool marked = false;
    bool entryUnconfirmed = false;  // list layout: the entry further lines belong to
    for (TResultRow& row : rows) {
        QVector<TResultCell>& cells = row.cells;
        const bool furtherLine = listLayout && row.image == imageEntryMore;
        if (!furtherLine)
            entryUnconfirmed = std::none_of(cells.cbegin(), cells.cend(), confirms);
        if (!entryUnconfirmed)
            continue;
        for (int cell = 0; cell < cells.size(); ++cell) {
            TResultCell& target = cells[cell];
            const bool value = furtherLine ? cell == 1 : !target.oid.isEmpty();
            if (!value || target.stale || !target.now.Answered())
                continue;
            target.stale = true;
            RefreshShown(row, cell);
            marked = true;
        }
    }
    if (marked && publishedRows > 0)
        emit dataChanged(index(0, 1), index(publishedRows - 1, columnCount() - 1));
}

QString TResultTable::UnansweredText(const TResultCell& cell)
{
    if (!cell.now.Answered())
        return cell.now.text;
    // A stale reading: what an unanswered one shows; a further line of a
    // list value has none.
    return cell.oid.isEmpty() ? QString() : kTextNull;
}
