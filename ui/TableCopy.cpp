#include "TableCopy.h"

#include "ResultTable.h"
#include "TableExport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>

namespace {

QAction* NewViewAction(QTreeView* view, const char* name, const QKeySequence& keys)
{
    auto* action = new QAction(view);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    // Only while the table has the focus: elsewhere Ctrl+C copies the text of
    // the focused field.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view->addAction(action);
    return action;
}

}  // namespace

QString SelectionAsTabText(const QTreeView* view, const TResultTable& table)
{
    const TTableSnapshot whole = table.Snapshot();
    QList<int> rows;
    if (const QItemSelectionModel* selection = view->selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        const QModelIndex current = view->currentIndex();
        return current.isValid() ? table.Cell(current.row(), current.column()) : QString();
    }
    TTableSnapshot selected;
    selected.headers = whole.headers;
    for (int row : rows) {
        if (row >= 0 && row < whole.rows.size())
            selected.rows.append(whole.rows[row]);
    }
    return TableAsTabText(selected);
}

QAction* InstallCopyKeys(QTreeView* view, TResultTable* table)
{
    QAction* copy = NewViewAction(view, "CopySelection1", QKeySequence::Copy);
    QObject::connect(copy, &QAction::triggered, view,
                     [view, table] { QApplication::clipboard()->setText(SelectionAsTabText(view, *table)); });
    return copy;
}

QAction* InstallSelectAllKey(QTreeView* view)
{
    QAction* selectAll = NewViewAction(view, "SelectAll1", QKeySequence::SelectAll);
    QObject::connect(selectAll, &QAction::triggered, view, [view] { view->selectAll(); });
    return selectAll;
}
