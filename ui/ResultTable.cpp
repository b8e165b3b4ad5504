#include "ResultTable.h"

#include "ImageList.h"
#include "Shared.h"
#include "TableExport.h"

#include <algorithm>

namespace {

const QString imageColumnCaption = QStringLiteral("..");
const QString descriptionCaption = QStringLiteral("Description ... ");
const QString valueCaption = QStringLiteral("Value");

} // namespace

TResultTable::TResultTable(const TOidNameTable& names, QObject* parent)
    : QAbstractTableModel(parent), oidNames(names)
{
    captions << imageColumnCaption;
    publishTimer.setSingleShot(true);
    publishTimer.setInterval(0);
    connect(&publishTimer, &QTimer::timeout, this, &TResultTable::PublishRows);
}

void TResultTable::SetPublishInterval(int intervalMs)
{
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
    captions = QStringList{imageColumnCaption};
    listLayout = !tableMode || targetOids.size() < 2;
    if (listLayout) {
        captions << descriptionCaption << valueCaption;
    } else {
        for (const QString& oid : targetOids)
            captions << oidNames.DescribeOid(oid);
    }
    endResetModel();
    emit ColumnsBuilt();
}

TPlaced TResultTable::PlaceValue(const QString& oid, const QString& value, const TRowCursor& cursor,
                                 bool keepInstances)
{
    if (listLayout) {
        PlaceListValue(oid, value);
        return TPlaced::Nothing;
    }
    if (keepInstances && cursor.Refilling())
        return RefillValue(value, cursor);
    return PlaceTableValue(value, cursor);
}

void TResultTable::PlaceListValue(const QString& oid, const QString& value)
{
    QString remaining = value;
    QVector<TResultRow> newRows;
    QString line = TakeFirstLine(remaining);
    newRows.append(TResultRow{imageEntryStart, QStringList{oidNames.DescribeOid(oid), line}});
    // Further lines up to the first empty one; later lines are not shown.
    for (line = TakeFirstLine(remaining); !line.isEmpty(); line = TakeFirstLine(remaining))
        newRows.append(TResultRow{imageEntryMore, QStringList{QString(), line}});
    AppendRows(newRows);
}

TPlaced TResultTable::RefillValue(const QString& value, const TRowCursor& cursor)
{
    const int row = cursor.RefillRow();
    if (row < 0 || row >= rows.size())
        return TPlaced::Nothing;
    const int cell = cursor.CellsInRow();
    QStringList& cells = rows[row].cells;
    if (cell < 0 || cell > cells.size())
        return TPlaced::Nothing;
    // A row left short by an unfinished shoot grows by the value instead of
    // dropping it; otherwise the count would never reach the number of
    // targets and the refill would never end.
    if (cell == cells.size())
        cells.append(JoinLines(value));
    else
        cells[cell] = JoinLines(value);
    NotifyCellChanged(row, cell + 1);
    return TPlaced::RefilledCell;
}

TPlaced TResultTable::PlaceTableValue(const QString& value, const TRowCursor& cursor)
{
    const QString cell = JoinLines(value);
    if (rows.isEmpty() || cursor.StartsNewRow()) {
        AppendRows({TResultRow{imageEntryStart, QStringList{cell}}});
    } else {
        const int last = static_cast<int>(rows.size()) - 1;
        rows[last].cells.append(cell);
        NotifyCellChanged(last, static_cast<int>(rows[last].cells.size()));
    }
    return TPlaced::RowCell;
}

void TResultTable::NotifyCellChanged(int row, int column)
{
    // A row still waiting for the views is shown whole when handed over.
    if (row < publishedRows && column < columnCount()) {
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

void TResultTable::AppendRows(const QVector<TResultRow>& newRows)
{
    if (newRows.isEmpty())
        return;
    rows.append(newRows);
    if (publishTimer.interval() == 0)
        PublishRows();
    else if (!publishTimer.isActive())
        publishTimer.start();
}

void TResultTable::ClearResultRows()
{
    publishTimer.stop();
    if (publishedRows == 0) {
        rows.clear();
        return;
    }
    beginRemoveRows(QModelIndex(), 0, publishedRows - 1);
    rows.clear();
    publishedRows = 0;
    endRemoveRows();
}

int TResultTable::RowImage(int row) const
{
    return row >= 0 && row < rows.size() ? rows[row].image : -1;
}

int TResultTable::CellCount(int row) const
{
    return row >= 0 && row < rows.size() ? static_cast<int>(rows[row].cells.size()) : 0;
}

QString TResultTable::Cell(int row, int column) const
{
    if (row < 0 || row >= rows.size() || column < 1)
        return QString();
    return rows[row].cells.value(column - 1);
}

int TResultTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : publishedRows;
}

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
    if (role == Qt::DisplayRole && index.column() <= row.cells.size())
        return row.cells[index.column() - 1];
    return QVariant();
}

QVariant TResultTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= captions.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return captions[section];
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

TTableSnapshot TResultTable::Snapshot() const
{
    TTableSnapshot snapshot;
    snapshot.headers = captions.mid(1);
    snapshot.rows.reserve(rows.size());
    for (const TResultRow& row : rows)
        snapshot.rows.append(row.cells);
    return snapshot;
}
