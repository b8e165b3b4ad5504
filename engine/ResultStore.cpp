// The placing of answers into the rows of the store: new rows, rows updated
// in place by a re-shoot, the keep-mode refill, the rows a re-shoot leaves
// behind, and readings no longer confirmed by the agent.
#include "engine/ResultStore.h"

#include "core/Oid.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace {

QString Itself(const QString& text) { return text; }

// The suffix of oid under the first target it lies below, leading dot
// included (".10.0.0.1"); empty when it lies below none.
QString InstanceSuffix(const QVector<TOid>& columns, const QString& oid)
{
    const TOid cell = TOid::FromText(oid);
    for (const TOid& column : columns) {
        // By arcs: "1.3.6.1.2.1.2.2.1.1" does not claim "1.3.6.1.2.1.2.2.1.10.3".
        if (!column.IsEmpty() && column.Size() < cell.Size() && column.IsPrefixOf(cell))
            return cell.SuffixAfter(column).ToSuffixString();
    }
    return QString();
}

// The text lines of a list value: up to its first empty line.
QStringList ValueLines(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return {text};  // one line, as most values are
    QString remaining = text;
    QStringList lines{TakeFirstLine(remaining)};
    // Further lines up to the first empty one; later lines are not shown.
    for (QString line = TakeFirstLine(remaining); !line.isEmpty(); line = TakeFirstLine(remaining))
        lines.append(line);
    return lines;
}

}  // namespace

TResultStore::TResultStore(QObject* parent) : QObject(parent), describer(Itself), instanceNamer(Itself)
{
    changedTimer.setSingleShot(true);
    changedTimer.setInterval(0);
    connect(&changedTimer, &QTimer::timeout, this, &TResultStore::Changed);
}

void TResultStore::SetNamers(std::function<QString(const QString&)> describe,
                             std::function<QString(const QString&)> nameInstance)
{
    describer = describe ? std::move(describe) : Itself;
    instanceNamer = nameInstance ? std::move(nameInstance) : Itself;
}

void TResultStore::RenameRows()
{
    for (TResultRow& row : rows) {
        if (listLayout && !row.furtherLine && !row.cells.isEmpty()) {
            row.cells[0].now.text = describer(row.key);
            row.cells[0].stamp = 0;  // changed here, not by a reading
        } else if (!listLayout)
            row.indexText = instanceNamer(row.suffix);
        // Readable values read enumerations and hints from the names too.
        for (const TResultCell& cell : row.cells)
            cell.shownSlot = 0;
    }
}

void TResultStore::SetLayout(bool list, const QStringList& columns)
{
    Clear();
    ++shootSerial;
    listLayout = list;
    targets = list ? QStringList() : columns;
    targetOids.clear();
    for (const QString& target : targets)
        targetOids.append(TOid::FromText(target));
}

TPlaced TResultStore::Place(const QString& oid, const TCellValue& value, const TRowCursor& cursor,
                            bool keepInstances)
{
    Touched();
    if (listLayout) {
        PlaceListValue(oid, value);
        return TPlaced::Nothing;
    }
    if (keepInstances && cursor.Refilling())
        return RefillValue(oid, value, cursor);
    return PlaceTableValue(oid, value, cursor);
}

void TResultStore::SetCell(TResultRow& row, int cell, const QString& oid, const TCellValue& value)
{
    if (row.cells.size() <= cell) {
        // A table row gets a cell per target at once: growing one by one
        // would leave most rows of a large table with room for twice as many.
        row.cells.reserve(std::max<qsizetype>(cell + 1, targets.size()));
        row.cells.resize(cell + 1);
    }
    TResultCell& target = row.cells[cell];
    const std::int64_t changedBefore = target.changedAtMs;
    target.Take(oid, value, shootSerial);
    if (target.changedAtMs != changedBefore && watcher)
        watcher->ReadingChanged(target.changedAtMs);
}

void TResultStore::PlaceListValue(const QString& oid, const TCellValue& value)
{
    const QStringList lines = ValueLines(value.text);
    const int found = reshooting ? FindRow(oid) : -1;
    int count = 0;
    while (found >= 0 && found + count < rows.size() && rows[found + count].key == oid
           && (count == 0 || rows[found + count].furtherLine))
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
        row.furtherLine = i > 0;
        row.key = oid;
        row.shoot = shootSerial;
        TCellValue name;
        name.text = i == 0 ? (kept > 0 ? row.cells.value(0).now.text : describer(oid)) : QString();
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
        if (watcher)
            watcher->RowsChanged(position, position + kept - 1);
    }
    RemoveRowsAt(position + kept, count - kept);
    if (kept < lines.size())
        InsertRowsAt(position + kept, newRows.mid(kept));
    lastTouched = position + static_cast<int>(lines.size()) - 1;
}

TPlaced TResultStore::RefillValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor)
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
    CellUpdated(currentRow, cell);
    return TPlaced::RefilledCell;
}

TPlaced TResultStore::PlaceTableValue(const QString& oid, const TCellValue& value, const TRowCursor& cursor)
{
    TCellValue joined = value;
    joined.text = JoinLines(value.text);
    if (rows.isEmpty() || cursor.StartsNewRow() || currentRow < 0 || currentRow >= rows.size()) {
        const int found = reshooting ? FindRow(oid) : -1;
        if (found >= 0) {
            rows[found].shoot = shootSerial;
            SetCell(rows[found], 0, oid, joined);
            CellUpdated(found, 0);
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
    CellUpdated(currentRow, cell);
    return TPlaced::RowCell;
}

bool TResultStore::NameInstance(TResultRow& row, const QString& oid) const
{
    const QString suffix = InstanceSuffix(targetOids, oid);
    if (suffix.isEmpty() || suffix == row.suffix)
        return false;
    row.suffix = suffix;
    row.indexText = instanceNamer(suffix);
    return true;
}

void TResultStore::IndexKeys()
{
    if (!keyIndexDirty)
        return;
    rowsByKey.clear();
    for (int row = 0; row < rows.size(); ++row) {
        if (!rows[row].furtherLine)
            rowsByKey.insert(rows[row].key, row);
    }
    keyIndexDirty = false;
}

int TResultStore::RowOfKey(const QString& key)
{
    IndexKeys();
    int found = -1;
    for (auto it = rowsByKey.constFind(key); it != rowsByKey.cend() && it.key() == key; ++it)
        found = found < 0 ? it.value() : std::min(found, it.value());
    return found;
}

int TResultStore::FindRow(const QString& key)
{
    // Mostly a re-shoot meets the rows in the order it placed them before.
    const int next = lastTouched + 1;
    if (next < rows.size() && rows[next].key == key && !rows[next].furtherLine
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

void TResultStore::InsertRowsAt(int position, QVector<TResultRow> newRows)
{
    if (position >= rows.size()) {
        AppendRows(newRows);
        return;
    }
    keyIndexDirty = true;
    const int count = static_cast<int>(newRows.size());
    if (watcher)
        watcher->RowsAboutToBeInserted(position, count);
    rows.insert(position, count, TResultRow());
    std::move(newRows.begin(), newRows.end(), rows.begin() + position);
    if (watcher)
        watcher->RowsInserted(position, count);
}

void TResultStore::AppendRows(const QVector<TResultRow>& newRows)
{
    if (newRows.isEmpty())
        return;
    const int first = static_cast<int>(rows.size());
    // Rows are relocatable: the list grows in place where it can (realloc),
    // neither copying its rows nor touching fresh memory for them.
    rows.append(newRows);
    for (int row = first; !keyIndexDirty && row < rows.size(); ++row) {
        if (!rows[row].furtherLine)
            rowsByKey.insert(rows[row].key, row);
    }
    if (watcher)
        watcher->RowsAppended(first, static_cast<int>(newRows.size()));
}

void TResultStore::RemoveRowsAt(int position, int count)
{
    if (count <= 0)
        return;
    keyIndexDirty = true;
    if (watcher)
        watcher->RowsAboutToBeRemoved(position, count);
    rows.remove(position, count);
    if (watcher)
        watcher->RowsRemoved(position, count);
}

void TResultStore::BeginReshoot()
{
    ++shootSerial;
    reshooting = true;
    keyIndexDirty = true;
    lastTouched = -1;
    currentRow = -1;
    emit ReshootStarted();
}

void TResultStore::DropStaleRows()
{
    if (!reshooting)
        return;
    reshooting = false;
    Touched();
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

void TResultStore::MarkUnanswered()
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
            CellUpdated(row, cell);
        }
    }
}

void TResultStore::Clear()
{
    Touched();
    reshooting = false;
    keyIndexDirty = true;
    lastTouched = currentRow = -1;
    if (watcher)
        watcher->RowsAboutToBeCleared();
    rows.clear();
    if (watcher)
        watcher->RowsCleared();
}

bool TResultStore::MarkUnconfirmed(std::int64_t confirmedFromMs)
{
    const auto confirms = [&](const TResultCell& cell) {
        return !cell.oid.isEmpty() && cell.now.Answered() && !cell.stale
            && cell.now.arrivedMs >= confirmedFromMs;
    };
    bool marked = false;
    bool entryUnconfirmed = false;  // list layout: the entry further lines belong to
    for (TResultRow& row : rows) {
        QVector<TResultCell>& cells = row.cells;
        const bool furtherLine = listLayout && row.furtherLine;
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
            target.shownSlot = 0;
            marked = true;
        }
    }
    if (marked) {
        Touched();
        if (watcher && !rows.isEmpty())
            watcher->RowsChanged(0, static_cast<int>(rows.size()) - 1);
    }
    return marked;
}

void TResultStore::Reorder(const std::vector<std::size_t>& order)
{
    const std::size_t count = order.size();
    if (count != static_cast<std::size_t>(rows.size()))
        return;
    QVector<TResultRow> sorted;
    sorted.reserve(rows.size());
    std::vector<int> newPosition(count);
    for (std::size_t position = 0; position < count; ++position) {
        sorted.append(std::move(rows[static_cast<qsizetype>(order[position])]));
        newPosition[order[position]] = static_cast<int>(position);
    }
    rows = std::move(sorted);
    // A re-shoot in progress follows its rows to their new places.
    keyIndexDirty = true;
    if (currentRow >= 0 && static_cast<std::size_t>(currentRow) < count)
        currentRow = newPosition[static_cast<std::size_t>(currentRow)];
    if (lastTouched >= 0 && static_cast<std::size_t>(lastTouched) < count)
        lastTouched = newPosition[static_cast<std::size_t>(lastTouched)];
}

int TResultStore::CellCount(const TResultRow& row)
{
    // Cells an abandoned row did not get this time are not there.
    int count = static_cast<int>(row.cells.size());
    while (count > 0 && row.cells[count - 1].missing)
        --count;
    return count;
}

void TResultStore::CellUpdated(int row, int cell)
{
    if (watcher)
        watcher->CellChanged(row, cell);
}

void TResultStore::Touched()
{
    if (!changedTimer.isActive())
        changedTimer.start();
}
