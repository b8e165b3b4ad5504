// The clipboard text of the rows selected over the result table.
#include "table/SelectionText.h"

#include "table/ResultTable.h"
#include "table/Shared.h"
#include "table/TableExport.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

// Rows 0..2 are instances 1..3 (ifIndex 10 * n, ifDescr eth<n - 1>) in the
// columns 0 image, 1 Index, 2 ifIndex, 3 ifDescr. Rows selected whole give the
// header and those rows in the order shown; without one, the current cell.
TEST(SelectionText, HoldsTheWholeRowsShownOrElseTheCurrentCell)
{
    TOidNameTable names;
    names.BuildOidNameTable();
    TResultTable table{names};
    const QStringList targets = {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2"};
    table.BuildColumns(true, targets);
    for (int n = 1; n <= 3; ++n) {
        TRowCursor cursor;
        cursor.BeginRow();
        const QString values[] = {QString::number(10 * n), "eth" + QString::number(n - 1)};
        for (int t = 0; t < 2; ++t)
            cursor.Advance(table.PlaceValue(targets[t] + "." + QString::number(n), values[t], cursor));
    }
    table.PublishRows();
    const QStringList whole = TableAsTabText(table.Snapshot()).split('\n');  // row r is line r + 1
    ASSERT_EQ(whole.size(), 4);
    const struct {
        const char* why;
        QList<int> wholeRows;  // selected in every column
        int cellRow;           // the row of ifDescr's cell selected alone, or -1
        int currentColumn;     // of row 1, or -1
        QString expected;
    } cases[] = {
        {"selected bottom up, copied top down", {2, 0}, -1, -1, whole[0] + '\n' + whole[1] + '\n' + whole[3]},
        {"a row with one cell selected is not copied", {1}, 2, -1, whole[0] + '\n' + whole[2]},
        {"neither a row nor a current cell", {}, -1, -1, ""},
        {"the image column has no text", {}, -1, 0, ""},
        {"the Index column", {}, -1, 1, "2"},
        {"a cell selected alone is the current cell's", {}, 1, 2, "20"},
        {"the last column", {}, -1, 3, "eth1"},
    };
    QItemSelectionModel selection(&table);
    for (const auto& c : cases) {
        selection.clear();
        for (int row : c.wholeRows)
            selection.select(table.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (c.cellRow >= 0)
            selection.select(table.index(c.cellRow, 3), QItemSelectionModel::Select);
        if (c.currentColumn >= 0)
            selection.setCurrentIndex(table.index(1, c.currentColumn), QItemSelectionModel::NoUpdate);
        EXPECT_EQ(SelectionAsTabText(&selection, table), c.expected) << c.why;
    }
    EXPECT_EQ(SelectionAsTabText(nullptr, table), QString());
}
