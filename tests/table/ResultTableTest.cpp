// Columns of the two layouts and the three paths of PlaceValue.
#include "table/ResultTable.h"
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

const QString sysName = QStringLiteral("1.3.6.1.2.1.1.5.0");
const QStringList interfaceTargets{"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.10"};

class ResultTableTest : public ::testing::Test {
protected:
    ResultTableTest() { names.BuildOidNameTable(); }

    // Places a whole row the way the engine does: a row begins, then one
    // value per target.
    void PlaceRow(const QStringList& values)
    {
        cursor.BeginRow();
        for (const QString& value : values)
            Place(QString(), value);
    }

    // Places the row of instance n: value t for interfaceTargets[t] + ".n".
    void PlaceInstance(int n, const QStringList& values, bool keepInstances = false)
    {
        cursor.BeginRow();
        for (int t = 0; t < values.size(); ++t)
            Place(interfaceTargets[t] + "." + QString::number(n), values[t], keepInstances);
    }

    // Places one value at the cursor and advances it as the engine does.
    void Place(const QString& oid, const QString& value, bool keepInstances = false)
    {
        cursor.Advance(table.PlaceValue(oid, value, cursor, keepInstances));
    }

    // The cursor of a keep-mode refill of `row`, no cell placed yet.
    static TRowCursor RefillAt(int row)
    {
        TRowCursor refill;
        refill.StartRefill();
        for (int i = -1; i < row; ++i)
            refill.BeginRow();
        return refill;
    }

    TOidNameTable names;
    TResultTable table{names};
    TRowCursor cursor;
};

}  // namespace

TEST_F(ResultTableTest, ListLayoutColumns)
{
    table.BuildColumns(false, {sysName});
    EXPECT_TRUE(table.IsListLayout());
    ASSERT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), "..");
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "Description ... ");
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "Value");

    // A single walked target also gets the list layout.
    table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1"});
    EXPECT_TRUE(table.IsListLayout());
    EXPECT_EQ(table.columnCount(), 3);
}

TEST_F(ResultTableTest, TableLayoutHasOneColumnPerTargetNamedByDescribeOid)
{
    QSignalSpy built(&table, &TResultTable::ColumnsBuilt);
    table.BuildColumns(true, interfaceTargets + QStringList{"2.5.4"});
    EXPECT_FALSE(table.IsListLayout());
    EXPECT_EQ(built.count(), 1);
    // The Index column stands between ".." and the targets' columns.
    ASSERT_EQ(table.columnCount(), 6);
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), "..");
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "Index");
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "ifIndex");
    EXPECT_EQ(table.headerData(3, Qt::Horizontal).toString(), "ifDescr");
    EXPECT_EQ(table.headerData(4, Qt::Horizontal).toString(), "ifInOctets");
    EXPECT_EQ(table.headerData(5, Qt::Horizontal).toString(), ".5.4");
}

TEST_F(ResultTableTest, ListValueOfThreeLinesGivesThreeRows)
{
    table.BuildColumns(false, {sysName});
    Place(sysName, "first\r\nsecond\nthird");
    ASSERT_EQ(table.rowCount(), 3);
    const struct {
        int image;
        const char* description;
        const char* value;
    } expected[] = {{27, "sysName.0", "first"}, {11, "", "second"}, {11, "", "third"}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(table.RowImage(row), expected[row].image) << row;
        EXPECT_EQ(table.Cell(row, 1), expected[row].description) << row;
        EXPECT_EQ(table.Cell(row, 2), expected[row].value) << row;
        // Column 0 holds only the image, and 27 and 11 draw nothing.
        const QModelIndex image = table.index(row, 0);
        EXPECT_EQ(table.data(image, TResultTable::rowImageRole).toInt(), expected[row].image);
        EXPECT_FALSE(table.data(image, Qt::DecorationRole).isValid());
        EXPECT_TRUE(table.data(image, Qt::DisplayRole).toString().isEmpty());
    }
    EXPECT_EQ(table.data(table.index(1, 2)).toString(), "second");
}

TEST_F(ResultTableTest, ListValueStopsAtItsFirstEmptyLine)
{
    table.BuildColumns(false, {sysName});
    Place(sysName, "a\r\n\r\nb");
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.Cell(0, 2), "a");

    Place(sysName, "c\r\n");  // a trailing break adds no row
    EXPECT_EQ(table.rowCount(), 2);
}

TEST_F(ResultTableTest, EmptyListValueGivesOneRowWithAnEmptyValue)
{
    table.BuildColumns(false, {sysName});
    Place(sysName, "");
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.CellCount(0), 2);
    EXPECT_EQ(table.Cell(0, 1), "sysName.0");
    EXPECT_EQ(table.Cell(0, 2), "");
    EXPECT_EQ(table.RowImage(0), 27);
}

TEST_F(ResultTableTest, ListLayoutIgnoresTheRefillAndRowState)
{
    table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1"});
    Place("1.3.6.1.2.1.2.2.1.1.1", "1");
    cursor = RefillAt(0);
    Place("1.3.6.1.2.1.2.2.1.2.1", "lo", true);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.Cell(0, 1), "ifIndex.1");
    EXPECT_EQ(table.Cell(1, 1), "ifDescr.1");
    EXPECT_EQ(cursor.CellsInRow(), 0);
}

TEST_F(ResultTableTest, TableRowsAreBuiltValueByValue)
{
    table.BuildColumns(true, interfaceTargets);
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);

    cursor.BeginRow();
    Place("ignored", "1");
    EXPECT_FALSE(cursor.StartsNewRow());
    EXPECT_EQ(cursor.CellsInRow(), 1);
    Place("ignored", "first\r\nsecond");
    EXPECT_EQ(cursor.CellsInRow(), 2);
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.CellCount(0), 2);  // a row may have fewer cells than columns
    EXPECT_EQ(table.Cell(0, 2), "first second");
    EXPECT_FALSE(table.data(table.index(0, 4)).isValid());  // value cell 3, after the Index column
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(changed.count(), 1);

    Place("ignored", "42");
    PlaceRow({"2", "eth0", "1000"});
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.RowImage(1), 27);
    EXPECT_EQ(table.Cell(0, 3), "42");
    EXPECT_EQ(table.Cell(1, 2), "eth0");
    EXPECT_EQ(cursor.CellsInRow(), 3);
}

TEST_F(ResultTableTest, RefillOverwritesInPlaceAndAddsNoRows)
{
    table.BuildColumns(true, interfaceTargets);
    PlaceInstance(1, {"1", "lo", "100"});
    PlaceInstance(2, {"2", "eth0", "200"});

    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    cursor.StartRefill();
    PlaceInstance(2, {"2", "eth0\r\nup", "250"}, true);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(cursor.CellsInRow(), 3);
    EXPECT_EQ(changed.count(), 3);
    ASSERT_EQ(changed.at(2).at(0).value<QModelIndex>(), table.index(1, 4));  // value cell 3
    EXPECT_EQ(table.Cell(1, 2), "eth0 up");
    EXPECT_EQ(table.Cell(1, 3), "250");
    EXPECT_EQ(table.Cell(0, 3), "100");

    // An instance without a row: its values are counted, so that the refill
    // moves on, and land nowhere.
    PlaceInstance(3, {"3", "x", "1"}, true);
    EXPECT_EQ(cursor.CellsInRow(), 3);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(ResultTableTest, RefillCompletesARowLeftShort)
{
    // A row abandoned halfway has fewer cells than targets; refilling it must
    // still count every value, or the row would never be complete.
    table.BuildColumns(true, interfaceTargets);
    PlaceInstance(1, {"1", "lo"});
    cursor.StartRefill();
    PlaceInstance(1, {"1", "lo", "300"}, true);
    EXPECT_EQ(cursor.CellsInRow(), 3);
    EXPECT_EQ(table.CellCount(0), 3);
    EXPECT_EQ(table.Cell(0, 3), "300");
}

TEST_F(ResultTableTest, ClearResultRowsKeepsColumnsAndSortState)
{
    table.BuildColumns(true, interfaceTargets);
    for (int i = 0; i < 500; ++i)
        PlaceRow({QString::number(i), "if", "0"});
    table.ListView1ColumnClick(1);
    QSignalSpy removed(&table, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&table, &QAbstractItemModel::modelReset);
    table.ClearResultRows();
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(removed.count(), 1);  // one notification for all rows
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(table.columnCount(), 5);
    EXPECT_EQ(table.SortColumn(), 1);
    EXPECT_TRUE(table.SortAscending());

    table.ClearResultRows();  // already empty
    EXPECT_EQ(removed.count(), 1);
}

TEST_F(ResultTableTest, ManyAppendsEachInsertOneRow)
{
    table.BuildColumns(false, {sysName});
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 30000; ++i)
        table.PlaceValue(sysName, QString::number(i), TRowCursor{});
    ASSERT_EQ(table.rowCount(), 30000);
    EXPECT_EQ(inserted.count(), 30000);
    EXPECT_EQ(inserted.last().at(1).toInt(), 29999);
    EXPECT_EQ(table.Cell(29999, 2), "29999");
}
