// The keys of the result table: Ctrl+C copies what is selected, Ctrl+A
// selects every row; and its context menu.
#pragma once

#include <QList>

class QAction;
class QMenu;
class QPoint;
class QTreeView;
class TResultTable;

// InstallCopyKeys adds Ctrl+C to `view`, which puts the text of the selected
// rows (SelectionAsTabText) on the clipboard, and returns its action.
QAction* InstallCopyKeys(QTreeView* view, TResultTable* table);

// InstallSelectAllKey adds Ctrl+A to `view` and returns its action.
QAction* InstallSelectAllKey(QTreeView* view);

// NewTableContextMenu: the menu of the table at `at` (viewport coordinates):
// Copy cell, Copy row and Copy column of the cell there (disabled off the
// rows), then `more` (the copy of the selection, Chart). The caller shows it
// and owns it.
QMenu* NewTableContextMenu(QTreeView* view, TResultTable* table, const QPoint& at,
                           const QList<QAction*>& more);
