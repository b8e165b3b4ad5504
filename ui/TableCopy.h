// The keys of the result table: Ctrl+C copies what is selected, Ctrl+A
// selects every row.
#pragma once

class QAction;
class QTreeView;
class TResultTable;

// InstallCopyKeys adds Ctrl+C to `view`, which puts the text of the selected
// rows (SelectionAsTabText) on the clipboard, and returns its action.
QAction* InstallCopyKeys(QTreeView* view, TResultTable* table);

// InstallSelectAllKey adds Ctrl+A to `view` and returns its action.
QAction* InstallSelectAllKey(QTreeView* view);
