// The placing of values into the rows of the result table: new rows, rows
// updated in place by a re-shoot, the keep-mode refill, and the rows a
// re-shoot leaves behind.
#include "ResultTable.h"

#include "IndexColumn.h"
#include "Shared.h"

#include <QDateTime>

#include <algorithm>

TPlaced TResultTable::PlaceValue(const QString& oid, const QString& value, const TRowCursor& cursor,
                                 bool keepInstances)
{
    TCellValue cell;
    cell.text = value;
    return PlaceCell(oid, cell, cursor, keepInstances);
}

TPlaced TResultTable::PlaceCell(const QString& oid, const TCellValue& value, const TRowCursor& cursor,
                                bool keepInstances)
{
    if (listLayout) {
        PlaceListValue(oid, value);
        return TPlaced::Nothing;
    }
    if (keepInstances && cursor.Refilling())
        return RefillValue(oid, value, cursor);
    return PlaceTableValue(oid, value, cursor);
}

void TResultTable::SetCell(TResultRow& row, int cell, const QString& oid, const TCellValue& value)
{
    while (row.cells.size() <= cell)
        row.cells.append(TResultCell());
    TResultCell& target = row.cells[cell];
    const std::int64_t changedBefore = target.changedAtMs;
    target.Take(oid, value, shootSerial);
    RefreshShown(row, cell);
    if (target.changedAtMs != changedBefore && viewOptions.markChanges) {
        lastChangeMs = target.changedAtMs;
        if (!fadeTimer.isActive())
            fadeTimer.start();
    }
}

void TResultTable::PlaceListValue(const QString& oid, const TCellValue& value)
{
    QStringList lines;
    if (!value.text.contains(QLatin1Char('\r')) && !value.text.contains(QLatin1Char('\n'))) {
        lines.append(value.text);  // one line, as most values are
    } else {
        QString remaining = value.text;
        lines.append(TakeFirstLine(remaining));
        // Further lines up to the first empty one; later lines are not shown.
        for (QString line = TakeFirstLine(remaining); !line.isEmpty(); line = TakeFirstLine(remaining))
            lines.append(line);
    }

    const int found = reshooting ? FindRow(oid) : -1;
    int count = 0;
    while (found >= 0 && found + count < rows.size() && rows[found + count].key == oid
           && (count == 0 || rows[found + count].image == imageEntryMore))
        ++count;
    // The entry's rows that are there already are updated in place, so that
    // the views keep them (selection, current cell); only the lines it gained
    // or lost are inserted or removed after them.
    const int kept = std::min(count, static_cast<int>(lines.size()));
    QVector<TResultRow> newRows;
    newRows.reserve(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        TResultRow row = i < kept ? rows[found + i] : TResultRow{};
        row.cells.reserve(2);  // name and value, in one allocation
        row.image = i == 0 ? imageEntryStart : imageEntryMore;
        row.key = oid;
        row.shoot = shootSerial;
        TCellValue name;
        name.text = i == 0 ? (kept > 0 ? row.cells.value(0).now.text : oidNames.DescribeOid(oid)) : QString();
        SetCell(row, 0, QString(), name);
        TCellValue line = value;
        line.text = lines[i];
        // Only the first line is the value; further lines are text.
        SetCell(row, 1, i == 0 ? oid : QString(), line);
        newRows.append(row);
    }
    const int position = found >= 0 ? found : (reshooting ? lastTouched + 1 : static_cast<int>(rows.size()));
    if (kept > 0) {
        std::move(newRows.begin(), newRows.begin() + kept, rows.begin() + position);
        NotifyRowsChanged(position, position + kept - 1);
    }
    RemoveRowsAt(position + kept, count - kept);
    if (kept < lines.size())
        InsertRowsAt(position + kept, newRows.mid(kept));
    lastTouched = position + static_cast<int>(lines.size()) - 1;
}

TPlaced TResultTable::RefillValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor)
{
    // A row's first value is the walked target's, whose OID is the row's key:
    // the refill finds the instance's row by it, wherever sorting has put the
    // row, and the row's further values follow it there. Going by position
    // would write one instance's values over another's and start the readings
    // before anew, so no counter would keep its rate.
    const int cell = cursor.CellsInRow();
    if (cell == 0)
        currentRow = RowOfKey(oid);
    // An instance without a row: its values are counted, so that the refill
    // moves on to the next instance, and land nowhere.
    if (currentRow < 0 || currentRow >= rows.size() || cell > rows[currentRow].cells.size())
        return TPlaced::Dropped;
    // A row left short by an unfinished shoot grows by the value instead of
    // dropping it; otherwise the count would never reach the number of
    // targets and the refill would never end.
    TCellValue joined = value;
    joined.text = JoinLines(value.text);
    SetCell(rows[currentRow], cell, oid, joined);
    NotifyCellChanged(currentRow, cell + FirstCellColumn());
    return TPlaced::RefilledCell;
}

TPlaced TResultTable::PlaceTableValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor)
{
    TCellValue joined = value;
    joined.text = JoinLines(value.text);
    if (rows.isEmpty() || cursor.StartsNewRow() || currentRow < 0 || currentRow >= rows.size()) {
        const int found = reshooting ? FindRow(oid) : -1;
        if (found >= 0) {
            rows[found].shoot = shootSerial;
            SetCell(rows[found], 0, oid, joined);
            NotifyCellChanged(found, FirstCellColumn());
            currentRow = found;
        } else {
            TResultRow row;
            row.key = oid;
            row.shoot = shootSerial;
            // The row's first value is the walked target's: its suffix names the row.
            NameInstance(row, oid);
            SetCell(row, 0, oid, joined);
            currentRow = reshooting ? lastTouched + 1 : static_cast<int>(rows.size());
            InsertRowsAt(currentRow, {row});
        }
        lastTouched = currentRow;
        return TPlaced::RowCell;
    }
    // The next cell of the row being filled: as many cells as placed so far.
    const int cell = std::min(cursor.CellsInRow(), static_cast<int>(rows[currentRow].cells.size()));
    SetCell(rows[currentRow], cell, oid, joined);
    NotifyCellChanged(currentRow, cell + FirstCellColumn());
    return TPlaced::RowCell;
}

bool TResultTable::NameInstance(TResultRow& row, const QString& oid) const
{
    const QString suffix = InstanceSuffixOf(targets, oid);
    if (suffix.isEmpty() || suffix == row.suffix)
        return false;
    row.suffix = suffix;
    row.indexText = IndexColumnText(oidNames, targets, suffix);
    return true;
}

void TResultTable::IndexKeys()
{
    if (!keyIndexDirty)
        return;
    rowsByKey.clear();
    for (int row = 0; row < rows.size(); ++row) {
        if (rows[row].image == imageEntryStart)
            rowsByKey.insert(rows[row].key, row);
    }
    keyIndexDirty = false;
}

int TResultTable::RowOfKey(const QString& key)
{
    IndexKeys();
    int found = -1;
    for (auto it = rowsByKey.constFind(key); it != rowsByKey.cend() && it.key() == key; ++it)
        found = found < 0 ? it.value() : std::min(found, it.value());
    return found;
}

int TResultTable::FindRow(const QString& key)
{
    // Mostly a re-shoot meets the rows in the order it placed them before.
    const int next = lastTouched + 1;
    if (next < rows.size() && rows[next].key == key && rows[next].image == imageEntryStart
        && rows[next].shoot != shootSerial)
        return next;
    IndexKeys();
    // The first row of that key this shoot has not placed yet: a list that
    // asks for an OID twice keeps two rows.
    int found = -1;
    for (auto it = rowsByKey.constFind(key); it != rowsByKey.cend() && it.key() == key; ++it) {
        if (rows[it.value()].shoot != shootSerial && (found < 0 || it.value() < found))
            found = it.value();
    }
    return found;
}

void TResultTable::InsertRowsAt(int position, QVector<TResultRow> newRows)
{
    if (position >= rows.size()) {
        AppendRows(newRows);
        return;
    }
    keyIndexDirty = true;
    const int count = static_cast<int>(newRows.size());
    if (position >= publishedRows) {
        // Among the rows still waiting for the views.
        rows.insert(position, count, TResultRow());
        std::move(newRows.begin(), newRows.end(), rows.begin() + position);
        return;
    }
    beginInsertRows(QModelIndex(), position, position + count - 1);
    rows.insert(position, count, TResultRow());
    std::move(newRows.begin(), newRows.end(), rows.begin() + position);
    publishedRows += count;
    endInsertRows();
}

void TResultTable::RemoveRowsAt(int position, int count)
{
    if (count <= 0)
        return;
    keyIndexDirty = true;
    if (position < publishedRows && position + count > publishedRows)
        PublishRows();
    if (position >= publishedRows) {
        rows.remove(position, count);
        return;
    }
    beginRemoveRows(QModelIndex(), position, position + count - 1);
    rows.remove(position, count);
    publishedRows -= count;
    endRemoveRows();
}

void TResultTable::BeginReshoot()
{
    ++shootSerial;
    reshooting = true;
    keyIndexDirty = true;
    lastTouched = -1;
    currentRow = -1;
}

void TResultTable::DropStaleRows()
{
    if (!reshooting)
        return;
    reshooting = false;
    MarkUnanswered();
    for (int row = static_cast<int>(rows.size()) - 1; row >= 0;) {
        if (rows[row].shoot == shootSerial) {
            --row;
            continue;
        }
        const int last = row;
        while (row >= 0 && rows[row].shoot != shootSerial)
            --row;
        RemoveRowsAt(row + 1, last - row);
    }
    lastTouched = currentRow = -1;
}

void TResultTable::MarkUnanswered()
{
    // A row the shoot began but abandoned keeps cells of the shoot before;
    // they are no answer of this shoot.
    if (listLayout)
        return;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    for (int row = 0; row < rows.size(); ++row) {
        if (rows[row].shoot != shootSerial)
            continue;
        for (int cell = 0; cell < rows[row].cells.size(); ++cell) {
            TResultCell& target = rows[row].cells[cell];
            if (target.shoot == shootSerial)
                continue;
            TCellValue none;
            none.wallMs = now;
            target.Take(target.oid, none, shootSerial);
            target.missing = true;
            RefreshShown(rows[row], cell);
            NotifyCellChanged(row, cell + FirstCellColumn());
        }
    }
}

void TResultTable::AppendRows(const QVector<TResultRow>& newRows)
{
    if (newRows.isEmpty())
        return;
    const int first = static_cast<int>(rows.size());
    // Rows are relocatable: the list grows in place where it can (realloc),
    // neither copying its rows nor touching fresh memory for them.
    rows.append(newRows);
    for (int row = first; !keyIndexDirty && row < rows.size(); ++row) {
        if (rows[row].image == imageEntryStart)
            rowsByKey.insert(rows[row].key, row);
    }
    if (publishTimer.interval() == 0)
        PublishRows();
    else if (!publishTimer.isActive())
        publishTimer.start();
}

void TResultTable::ClearResultRows()
{
    publishTimer.stop();
    reshooting = false;
    keyIndexDirty = true;
    lastTouched = currentRow = -1;
    if (publishedRows == 0) {
        rows.clear();
        return;
    }
    beginRemoveRows(QModelIndex(), 0, publishedRows - 1);
    rows.clear();
    publishedRows = 0;
    endRemoveRows();
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
