// The clipboard text of the rows selected in a view of the result table.
#pragma once

#include <QString>

class QItemSelectionModel;
class TResultTable;

// SelectionAsTabText: the rows `selection` (a selection over `table`) holds
// whole, header first, in the order shown and in the form of "Copy table as
// text"; without such a row the text of the current cell alone, in the same
// form (empty for the image column); empty when there is neither, or no
// selection model.
QString SelectionAsTabText(const QItemSelectionModel* selection, const TResultTable& table);
