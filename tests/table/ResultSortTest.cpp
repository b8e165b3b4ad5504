// Sorting the table layout by a clicked column.
#include "table/ResultTable.h"
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <clocale>

namespace {

class ResultSortTest : public ::testing::Test {
protected:
    ResultSortTest()
    {
        names.BuildOidNameTable();
        table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.10"});
    }

    void PlaceRow(const QStringList& values)
    {
        TRowCursor cursor;
        cursor.BeginRow();
        for (const QString& value : values)
            cursor.Advance(table.PlaceValue(QString(), value, cursor));
    }

    // A click on the header of value column `column`: the Index column
    // stands before the values.
    void ClickValueColumn(int column) { table.ListView1ColumnClick(column + 1); }

    // One row per value, the value in column 1 and its arrival number in column 2.
    void PlaceColumn(const QStringList& values)
    {
        for (const QString& value : values)
            PlaceRow({value, QString::number(table.rowCount())});
    }

    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < table.rowCount(); ++row)
            texts << table.Cell(row, column);
        return texts;
    }

    TOidNameTable names;
    TResultTable table{names};
};

}  // namespace

TEST_F(ResultSortTest, NumbersSortByValueLeadingBlanksAllowed)
{
    PlaceColumn({"100", " 100", "9", "10"});
    ClickValueColumn(1);
    EXPECT_TRUE(table.SortColumnIsNumeric());
    EXPECT_EQ(Column(1), QStringList({"9", "10", "100", " 100"}));  // equal values keep their order
    ClickValueColumn(1);
    EXPECT_EQ(Column(1), QStringList({"100", " 100", "10", "9"}));
}

TEST_F(ResultSortTest, OneTextCellMakesTheWholeColumnText)
{
    PlaceColumn({"9", "10", " 100", "n/a"});
    ClickValueColumn(1);
    EXPECT_FALSE(table.SortColumnIsNumeric());
    EXPECT_EQ(Column(1), QStringList({" 100", "10", "9", "n/a"}));
    ClickValueColumn(1);
    EXPECT_EQ(Column(1), QStringList({"n/a", "9", "10", " 100"}));
}

TEST_F(ResultSortTest, NullMakesACounterColumnText)
{
    PlaceColumn({"100", "Null", "20", "3"});
    ClickValueColumn(1);
    EXPECT_EQ(Column(1), QStringList({"100", "20", "3", "Null"}));
}

TEST_F(ResultSortTest, AddressesAndOidsSortAsText)
{
    PlaceColumn({"9.1.1.1", "127.0.0.1", "10.0.0.2", "1.3.6.1.2.1"});
    ClickValueColumn(1);
    EXPECT_FALSE(table.SortColumnIsNumeric());
    EXPECT_EQ(Column(1), QStringList({"1.3.6.1.2.1", "10.0.0.2", "127.0.0.1", "9.1.1.1"}));
}

TEST_F(ResultSortTest, TextFoldsAsciiCaseComparesBytesAndPutsPrefixesFirst)
{
    PlaceColumn({"b", "_x", "abc", "B", "ABC", "ab", "a", "\u00e9"});
    ClickValueColumn(1);
    // Folded to upper case, "a" (0x41) sorts before "_" (0x5F); b and B,
    // abc and ABC compare equal and keep their order; the UTF-8 bytes of
    // the accented letter come after every ASCII byte.
    EXPECT_EQ(Column(1), QStringList({"a", "ab", "abc", "ABC", "b", "B", "_x", "\u00e9"}));
    ClickValueColumn(1);
    EXPECT_EQ(Column(1), QStringList({"\u00e9", "_x", "b", "B", "abc", "ABC", "ab", "a"}));
}

TEST_F(ResultSortTest, ListView1CompareFollowsKindAndDirection)
{
    PlaceColumn({"9", "10"});
    ClickValueColumn(1);  // numeric, ascending: 9, 10
    EXPECT_LT(table.ListView1Compare(0, 1), 0);
    EXPECT_GT(table.ListView1Compare(1, 0), 0);
    EXPECT_EQ(table.ListView1Compare(0, 0), 0);
    ClickValueColumn(1);  // descending: 10, 9
    EXPECT_LT(table.ListView1Compare(0, 1), 0);
    EXPECT_EQ(table.Cell(0, 1), "10");

    PlaceColumn({"x"});  // the column turns text: "9" > "10", "x" last ascending
    ClickValueColumn(1);
    EXPECT_TRUE(table.SortAscending());
    EXPECT_EQ(Column(1), QStringList({"10", "9", "x"}));
    EXPECT_LT(table.ListView1Compare(0, 1), 0);
}

TEST_F(ResultSortTest, HeaderMarksFollowTheSortColumn)
{
    PlaceColumn({"2", "1"});
    QSignalSpy header(&table, &QAbstractItemModel::headerDataChanged);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(table.HeaderImage(column), -1);

    ClickValueColumn(2);
    EXPECT_EQ(table.SortColumn(), 3);
    EXPECT_TRUE(table.SortAscending());
    EXPECT_EQ(table.HeaderImage(3), 4);
    EXPECT_TRUE(table.headerData(3, Qt::Horizontal, Qt::DecorationRole).isValid());
    EXPECT_FALSE(table.headerData(2, Qt::Horizontal, Qt::DecorationRole).isValid());
    EXPECT_GE(header.count(), 1);

    ClickValueColumn(2);
    EXPECT_FALSE(table.SortAscending());
    EXPECT_EQ(table.HeaderImage(3), 5);

    ClickValueColumn(1);
    EXPECT_EQ(table.SortColumn(), 2);
    EXPECT_TRUE(table.SortAscending());
    EXPECT_EQ(table.HeaderImage(2), 4);
    EXPECT_EQ(table.HeaderImage(3), -1);
    EXPECT_FALSE(table.headerData(3, Qt::Horizontal, Qt::DecorationRole).isValid());

    table.ResetSortState();
    EXPECT_EQ(table.SortColumn(), -1);
    EXPECT_FALSE(table.SortAscending());
    EXPECT_EQ(table.HeaderImage(2), -1);
}

TEST_F(ResultSortTest, ClicksOnTheImageColumnAndOutsideAreIgnored)
{
    PlaceColumn({"2", "1"});
    table.ListView1ColumnClick(0);
    table.ListView1ColumnClick(5);
    table.ListView1ColumnClick(-1);
    EXPECT_EQ(table.SortColumn(), -1);
    EXPECT_EQ(Column(1), QStringList({"2", "1"}));
}

TEST_F(ResultSortTest, ListLayoutNeverSorts)
{
    table.BuildColumns(false, {"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.1.0"});
    table.PlaceValue("1.3.6.1.2.1.1.5.0", "zeta", TRowCursor{});
    table.PlaceValue("1.3.6.1.2.1.1.1.0", "alpha", TRowCursor{});
    table.ListView1ColumnClick(1);
    table.ListView1ColumnClick(2);
    EXPECT_EQ(table.SortColumn(), -1);
    table.Resort();
    EXPECT_EQ(Column(2), QStringList({"zeta", "alpha"}));
}

TEST_F(ResultSortTest, RowsLackingTheSortCellSortAsEmptyText)
{
    // Column 3: "x1", missing, "a2". The missing cell is the empty text:
    // first ascending, last descending, and the column sorts as text.
    PlaceRow({"1", "one", "x1"});
    PlaceRow({"2", "two"});
    PlaceRow({"3", "three", "a2"});
    ClickValueColumn(3);
    EXPECT_FALSE(table.SortColumnIsNumeric());
    EXPECT_EQ(Column(1), QStringList({"2", "3", "1"}));
    ClickValueColumn(3);
    EXPECT_EQ(Column(1), QStringList({"1", "3", "2"}));

    // A counter column with one cell missing sorts as text, like one with Null.
    table.ClearResultRows();
    PlaceRow({"1", "one", "10"});
    PlaceRow({"2", "two"});
    PlaceRow({"3", "three", "9"});
    ClickValueColumn(2);  // move away, then back: ascending on column 3
    ClickValueColumn(3);
    EXPECT_FALSE(table.SortColumnIsNumeric());
    EXPECT_EQ(Column(3), QStringList({"", "10", "9"}));
}

TEST_F(ResultSortTest, ATableWithoutRowsCountsAsNumeric)
{
    ClickValueColumn(1);
    EXPECT_TRUE(table.SortColumnIsNumeric());
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(ResultSortTest, ResortKeepsColumnAndDirectionForNewRows)
{
    PlaceColumn({"5", "1"});
    ClickValueColumn(1);
    ClickValueColumn(1);  // descending
    table.ClearResultRows();
    PlaceColumn({"3", "30", "4"});  // new rows stand in arrival order
    EXPECT_EQ(Column(1), QStringList({"3", "30", "4"}));
    table.Resort();
    EXPECT_EQ(Column(1), QStringList({"30", "4", "3"}));
    EXPECT_EQ(table.HeaderImage(2), 5);
}

TEST_F(ResultSortTest, SortingKeepsPersistentIndexesOnTheirRows)
{
    PlaceColumn({"30", "10", "20"});
    const QPersistentModelIndex ten(table.index(1, 2));
    const QPersistentModelIndex thirty(table.index(0, 0));
    ClickValueColumn(1);
    EXPECT_EQ(ten.row(), 0);
    EXPECT_EQ(ten.column(), 2);
    EXPECT_EQ(thirty.row(), 2);
    EXPECT_EQ(table.Cell(ten.row(), 1), "10");
}

TEST_F(ResultSortTest, DecimalPointNumbersSortByValueUnderACommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "the de_DE.UTF-8 locale is missing; scripts/deps generates it";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    // Parsed by value: 1.25, 1.5, 9.75, 10.5. As text the last two would swap;
    // read with a comma separator the first two would tie and keep their order.
    PlaceColumn({"1.5", "10.5", "1.25", "9.75"});
    ClickValueColumn(1);
    const bool numeric = table.SortColumnIsNumeric();
    const QStringList sorted = Column(1);
    const int compared = CompareNumericTexts(u"1.5", u"1.25", true);
    const bool commaIsNumeric = IsNumericText(u"1,5");

    QLocale::setDefault(previousQt);
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_TRUE(numeric);
    EXPECT_EQ(sorted, QStringList({"1.25", "1.5", "9.75", "10.5"}));
    EXPECT_EQ(compared, 1);
    EXPECT_FALSE(commaIsNumeric);
}
