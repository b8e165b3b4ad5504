#include "table/SelectionText.h"

#include "table/ResultTable.h"
#include "table/TableExport.h"

#include <QItemSelectionModel>

#include <algorithm>

QString SelectionAsTabText(const QItemSelectionModel* selection, const TResultTable& table)
{
    if (selection == nullptr)
        return QString();
    QList<int> rows;
    for (const QModelIndex& index : selection->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    const TTableSnapshot whole = table.Snapshot();
    if (rows.isEmpty()) {
        // The snapshot leaves out the image column 0 but keeps the Index
        // column: snapshot cell c is model column c + 1 in both layouts.
        const QModelIndex current = selection->currentIndex();
        return current.isValid() ? whole.rows.value(current.row()).value(current.column() - 1) : QString();
    }
    TTableSnapshot selected;
    selected.headers = whole.headers;
    for (int row : rows) {
        if (row >= 0 && row < whole.rows.size())
            selected.rows.append(whole.rows[row]);
    }
    return TableAsTabText(selected);
}

TTableSnapshot ShownSnapshot(const TResultTable& table, int first, int last)
{
    TTableSnapshot shown;
    const int columns = table.columnCount();
    for (int column = 1; column < columns; ++column)
        shown.headers.append(table.headerData(column, Qt::Horizontal).toString());
    first = std::max(first, 0);
    last = std::min(last, table.rowCount() - 1);
    for (int row = first; row <= last; ++row) {
        QStringList cells;
        for (int column = 1; column < columns; ++column)
            cells.append(table.data(table.index(row, column)).toString());
        shown.rows.append(cells);
        if (table.IsListLayout())
            shown.furtherLine.append(table.RowImage(row) == TResultTable::imageEntryMore);
    }
    return shown;
}

QString CellCopyText(const TResultTable& table, int row, int column)
{
    return column < 1 ? QString() : table.Snapshot().rows.value(row).value(column - 1);
}

QString RowCopyText(const TResultTable& table, int row)
{
    const TTableSnapshot whole = table.Snapshot();
    if (row < 0 || row >= whole.rows.size())
        return QString();
    TTableSnapshot one;
    one.rows.append(whole.rows[row]);
    // Without captions: the tab text's first line is the row.
    return TableAsTabText(one).mid(1);
}

QString ColumnCopyText(const TResultTable& table, int column)
{
    const TTableSnapshot whole = table.Snapshot();
    if (column < 1 || column > whole.headers.size())
        return QString();
    TTableSnapshot one;
    one.headers = {whole.headers[column - 1]};
    for (const QStringList& row : whole.rows)
        one.rows.append({row.value(column - 1)});
    return TableAsTabText(one);
}
