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
