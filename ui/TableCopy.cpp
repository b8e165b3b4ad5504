#include "ui/TableCopy.h"

#include "table/SelectionText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTreeView>

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

QAction* InstallCopyKeys(QTreeView* view, TResultTable* table)
{
    QAction* copy = NewViewAction(view, "CopySelection1", QKeySequence::Copy);
    QObject::connect(copy, &QAction::triggered, view, [view, table] {
        QApplication::clipboard()->setText(SelectionAsTabText(view->selectionModel(), *table));
    });
    return copy;
}

QAction* InstallSelectAllKey(QTreeView* view)
{
    QAction* selectAll = NewViewAction(view, "SelectAll1", QKeySequence::SelectAll);
    QObject::connect(selectAll, &QAction::triggered, view, [view] { view->selectAll(); });
    return selectAll;
}
