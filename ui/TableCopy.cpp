#include "ui/TableCopy.h"

#include "table/SelectionText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTreeView>

#include <functional>

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
    copy->setText(QStringLiteral("Copy selection"));
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

QMenu* NewTableContextMenu(QTreeView* view, TResultTable* table, const QPoint& at,
                           const QList<QAction*>& more)
{
    auto* menu = new QMenu(view);
    menu->setObjectName(QStringLiteral("TableContextMenu"));
    const QModelIndex index = view->indexAt(at);
    const int row = index.row();
    // The image column holds no text: its row and column copy as the first
    // data column's.
    const int column = std::max(index.column(), 1);
    const auto add = [menu, index](const char* name, const QString& text, std::function<QString()> copy) {
        QAction* item = menu->addAction(text);
        item->setObjectName(QLatin1String(name));
        item->setEnabled(index.isValid());
        QObject::connect(item, &QAction::triggered, menu,
                         [copy = std::move(copy)] { QApplication::clipboard()->setText(copy()); });
    };
    add("CopyCell1", QStringLiteral("Copy cell"),
        [table, row, column] { return CellCopyText(*table, row, column); });
    add("CopyRow1", QStringLiteral("Copy row"), [table, row] { return RowCopyText(*table, row); });
    add("CopyColumn1", QStringLiteral("Copy column"),
        [table, column] { return ColumnCopyText(*table, column); });
    menu->addSeparator();
    menu->addActions(more);
    return menu;
}
