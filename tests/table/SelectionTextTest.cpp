// The clipboard text of the rows selected over the result table.
#include "SelectionText.h"

#include "ResultTable.h"
#include "Shared.h"
#include "TableExport.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

namespace {

class SelectionText : public ::testing::Test {
protected:
    SelectionText()
    {
        names.BuildOidNameTable();
        const QStringList targets = {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2"};
        table.BuildColumns(true, targets);
        // Instance n: ifIndex 10 * n, ifDescr eth<n - 1>.
        for (int n = 1; n <= 3; ++n) {
            TRowCursor cursor;
            cursor.BeginRow();
            const QString values[] = {QString::number(10 * n), "eth" + QString::number(n - 1)};
            for (int t = 0; t < 2; ++t)
                cursor.Advance(table.PlaceValue(targets[t] + "." + QString::number(n), values[t], cursor));
        }
        table.PublishRows();
    }

    // Lines of the whole table's text: 0 is the header, row r is line r + 1.
    QStringList WholeLines() const { return TableAsTabText(table.Snapshot()).split('\n'); }

    TOidNameTable names;
    TResultTable table{names};
    QItemSelectionModel selection{&table};
};

}  // namespace

TEST_F(SelectionText, HoldsTheHeaderAndTheWholeRowsInTheOrderShown)
{
    const struct {
        const char* why;
        QList<int> wholeRows;  // selected in every column
        QList<int> cellRows;   // one cell selected, not the whole row
        QList<int> lines;      // of WholeLines(); empty: no text
    } cases[] = {
        {"selected bottom up, copied top down", {2, 0}, {}, {0, 1, 3}},
        {"a row with one cell selected is not copied", {1}, {2}, {0, 2}},
        {"no row, no current cell", {}, {}, {}},
    };
    const QStringList whole = WholeLines();
    ASSERT_EQ(whole.size(), 4);
    for (const auto& c : cases) {
        selection.clear();
        for (int row : c.wholeRows)
            selection.select(table.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        for (int row : c.cellRows)
            selection.select(table.index(row, 3), QItemSelectionModel::Select);
        QStringList expected;
        for (int line : c.lines)
            expected << whole[line];
        EXPECT_EQ(SelectionAsTabText(&selection, table), expected.join('\n')) << c.why;
    }
    EXPECT_EQ(SelectionAsTabText(nullptr, table), QString());
}

// Without a whole row, the text is the current cell's, in every column of the
// table layout (0 image, 1 Index, 2 ifIndex, 3 ifDescr).
TEST_F(SelectionText, WithoutARowHoldsTheCurrentCellShown)
{
    const QString byColumn[] = {QString(), "2", "20", "eth1"};
    for (int column = 0; column < 4; ++column) {
        selection.setCurrentIndex(table.index(1, column), QItemSelectionModel::NoUpdate);
        EXPECT_EQ(SelectionAsTabText(&selection, table), byColumn[column]) << "column " << column;
    }
}
