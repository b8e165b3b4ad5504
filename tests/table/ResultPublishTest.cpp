// Rows that reach the views in batches while a table fills: what the views
// see, what the engine sees, and the operations that hand waiting rows over.
#include "table/ResultTable.h"
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

const QStringList interfaceTargets{"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.10"};

// Long enough that no batch is handed over by the timer during a test step.
constexpr int kNeverMs = 3600 * 1000;

class ResultPublishTest : public ::testing::Test {
protected:
    ResultPublishTest()
    {
        names.BuildOidNameTable();
        table.BuildColumns(true, interfaceTargets);
    }

    // Places a whole row the way the engine does: a row begins, then one
    // value per target.
    void PlaceRow(const QStringList& values)
    {
        cursor.BeginRow();
        for (const QString& value : values)
            Place(value);
    }

    // Places one table value at the cursor and advances it as the engine does.
    void Place(const QString& value) { cursor.Advance(table.PlaceValue(QString(), value, cursor)); }

    void PlaceRows(int count)
    {
        for (int i = 0; i < count; ++i)
            PlaceRow({QString::number(count - i), "eth" + QString::number(i), "0"});
    }

    TOidNameTable names;
    TResultTable table{names};
    // Checks every notification against the rows the model reports; a
    // mismatch aborts the test program.
    QAbstractItemModelTester tester{&table, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TRowCursor cursor;
};

}  // namespace

TEST_F(ResultPublishTest, RowsWaitForTheIntervalAndArriveInOneInsertion)
{
    table.SetPublishInterval(50);
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    PlaceRows(300);

    // The views know nothing yet, the engine's view of the table does.
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.StoredRowCount(), 300);
    EXPECT_EQ(table.Cell(299, 2), "eth299");
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 0);  // cells of waiting rows are shown with their row

    ASSERT_TRUE(QTest::qWaitFor([&] { return inserted.count() > 0; }, 5000));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.first().at(1).toInt(), 0);
    EXPECT_EQ(inserted.first().at(2).toInt(), 299);
    EXPECT_EQ(table.rowCount(), 300);
    EXPECT_EQ(table.data(table.index(299, 3)).toString(), "eth299");  // after the Index column

    // The row being filled is already shown: its next cell is announced.
    PlaceRow({"7"});
    table.PublishRows();
    Place("eth7");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).toModelIndex(), table.index(300, 3));
}

TEST_F(ResultPublishTest, WithoutIntervalEveryRowArrivesAtOnce)
{
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    PlaceRows(3);
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(inserted.count(), 3);
}

TEST_F(ResultPublishTest, OperationsOnAllRowsHandWaitingRowsOverFirst)
{
    struct TCase {
        const char* what;
        std::function<void(TResultTable&)> operation;
        int rowsAfter;
    };
    const TCase cases[] = {
        {"PublishRows", [](TResultTable& t) { t.PublishRows(); }, 40},
        // The sort must move every row, the waiting ones included.
        {"column click", [](TResultTable& t) { t.ListView1ColumnClick(1); }, 40},
        {"Resort while unsorted", [](TResultTable& t) { t.Resort(); }, 40},
        {"ending the interval", [](TResultTable& t) { t.SetPublishInterval(0); }, 40},
        {"ClearResultRows", [](TResultTable& t) { t.ClearResultRows(); }, 0},
        {"BuildColumns", [](TResultTable& t) { t.BuildColumns(true, interfaceTargets); }, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        table.ClearResultRows();
        table.SetPublishInterval(kNeverMs);
        PlaceRows(10);
        table.PublishRows();
        PlaceRows(30);  // 10 shown, 30 waiting
        ASSERT_EQ(table.rowCount(), 10);
        c.operation(table);
        EXPECT_EQ(table.rowCount(), c.rowsAfter);
        EXPECT_EQ(table.StoredRowCount(), c.rowsAfter);
    }
}

TEST_F(ResultPublishTest, ClickSortsWaitingRowsWithTheShownOnes)
{
    table.SetPublishInterval(kNeverMs);
    PlaceRow({"30", "a", "0"});
    table.PublishRows();
    PlaceRow({"4", "b", "0"});
    PlaceRow({"100", "c", "0"});
    table.ListView1ColumnClick(2);  // the first value column, after Index
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.Cell(0, 1), "4");
    EXPECT_EQ(table.Cell(1, 1), "30");
    EXPECT_EQ(table.Cell(2, 1), "100");
}

TEST_F(ResultPublishTest, ClearedRowsAreNeverHandedOverLater)
{
    table.SetPublishInterval(20);
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&table, &QAbstractItemModel::rowsRemoved);
    PlaceRows(5);
    table.ClearResultRows();
    QTest::qWait(80);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(removed.count(), 0);  // the views never knew them
    EXPECT_EQ(table.rowCount(), 0);
}
