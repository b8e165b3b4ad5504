// The clipboard text of the rows selected in a view of the result table, and
// the table's texts as shown.
#pragma once

#include "table/TableExport.h"

#include <QString>

class QItemSelectionModel;
class TResultTable;

// SelectionAsTabText: the rows `selection` (a selection over `table`) holds
// whole, header first, in the order shown and in the form of "Copy table as
// text"; without such a row the text of the current cell alone, in the same
// form (empty for the image column); empty when there is neither, or no
// selection model.
QString SelectionAsTabText(const QItemSelectionModel* selection, const TResultTable& table);

// ShownSnapshot: what the table shows (DisplayRole: rates, readable values,
// kept last values) of rows first .. last in the order shown, the captions
// first, the list layout's further lines marked. Reads the model, so on its
// thread only.
TTableSnapshot ShownSnapshot(const TResultTable& table, int first, int last);

// The clipboard texts of the table's context menu, in the form of "Copy table
// as text": the cell of row and model column (empty for the image column),
// the row's cells, and the caption and every cell of a column.
QString CellCopyText(const TResultTable& table, int row, int column);
QString RowCopyText(const TResultTable& table, int row);
QString ColumnCopyText(const TResultTable& table, int column);
