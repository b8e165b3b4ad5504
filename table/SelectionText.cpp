#include "SelectionText.h"

#include "ResultTable.h"
#include "TableExport.h"

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
    if (rows.isEmpty()) {
        const QModelIndex current = selection->currentIndex();
        return current.isValid() ? table.Cell(current.row(), current.column()) : QString();
    }
    const TTableSnapshot whole = table.Snapshot();
    TTableSnapshot selected;
    selected.headers = whole.headers;
    for (int row : rows) {
        if (row >= 0 && row < whole.rows.size())
            selected.rows.append(whole.rows[row]);
    }
    return TableAsTabText(selected);
}
