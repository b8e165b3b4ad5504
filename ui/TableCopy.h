// The keys of the result table: Ctrl+C copies what is selected, Ctrl+A
// selects every row.
#pragma once

#include <QString>

class QAction;
class QTreeView;
class TResultTable;

// SelectionAsTabText: the selected rows, header first, in the order shown and
// in the form of "Copy table as text"; without a selection the current cell's
// text alone; empty when there is neither.
QString SelectionAsTabText(const QTreeView* view, const TResultTable& table);

// InstallCopyKeys adds Ctrl+C to `view`, which puts SelectionAsTabText on the
// clipboard, and returns its action.
QAction* InstallCopyKeys(QTreeView* view, TResultTable* table);

// InstallSelectAllKey adds Ctrl+A to `view` and returns its action.
QAction* InstallSelectAllKey(QTreeView* view);
