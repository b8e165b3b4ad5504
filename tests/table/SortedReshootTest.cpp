// Re-shoots of a sorted table: every value lands in the row of its instance,
// so counters keep their rates, and the selection stays on its row.
#include "table/ResultTable.h"
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIfInUcastPkts = QStringLiteral("1.3.6.1.2.1.2.2.1.11");
// Instance n (1-based) is called kDescrs[n-1]; sorted by name they are in
// neither walk order nor its reverse.
const QStringList kDescrs = {"lo", "eth0", "wlan0", "br0", "tun0", "eth1"};
constexpr int kDescrColumn = 3;  // "..", "Index", ifIndex, ifDescr, ifInUcastPkts

enum class TMode { Now, KeepInstances, RereadInstances };

TCellValue Reading(int type, const QString& text, int shoot)
{
    TCellValue value;
    value.type = type;
    value.text = text;
    value.arrivedMs = shoot * 1000;  // one second apart
    value.upTime = 100 * shoot;      // hundredths of a second, as the agent counts them
    return value;
}

class SortedReshoot : public ::testing::Test {
protected:
    SortedReshoot()
    {
        names.BuildOidNameTable();
        table.BuildColumns(true, {kIfIndex, kIfDescr, kIfInUcastPkts});
        TViewOptions options;
        options.counterRates = true;
        table.SetViewOptions(options);
    }

    // One shoot of the given instances as the engine places it: each row
    // begins with the walked ifIndex, then one value per further target.
    // Instance n's counter grows by n * 1000 a second. Like the window, a
    // re-shoot other than the refill updates the rows it finds, and the rows
    // are sorted again at the end.
    void Shoot(TMode mode, const QList<int>& instances)
    {
        const bool refill = mode == TMode::KeepInstances && table.StoredRowCount() > 0;
        if (!refill)
            table.BeginReshoot();
        ++shoot;
        TRowCursor cursor;
        if (refill)
            cursor.StartRefill();
        for (int n : instances) {
            const QString suffix = "." + QString::number(n);
            cursor.BeginRow();
            const TCellValue values[] = {
                Reading(snmptype::kInteger, QString::number(n), shoot),
                Reading(snmptype::kOctetString, kDescrs[n - 1], shoot),
                Reading(snmptype::kCounter32, QString::number(n * 1000 * shoot), shoot)};
            const QString oids[] = {kIfIndex + suffix, kIfDescr + suffix, kIfInUcastPkts + suffix};
            for (int t = 0; t < 3; ++t)
                cursor.Advance(table.PlaceCell(oids[t], values[t], cursor, refill));
            EXPECT_EQ(cursor.CellsInRow(), 3) << "every value counts, or the engine would stall";
        }
        table.DropStaleRows();
        table.Resort();
    }

    int RowOf(int instance) const
    {
        for (int row = 0; row < table.StoredRowCount(); ++row) {
            if (table.InstanceSuffix(row) == QString::number(instance))
                return row;
        }
        return -1;
    }

    TOidNameTable names;
    TResultTable table{names};
    int shoot = 0;
};

}  // namespace

TEST_F(SortedReshoot, EveryRowKeepsItsOwnValuesRateAndSelection)
{
    const QList<int> all = {1, 2, 3, 4, 5, 6};
    const struct {
        TMode mode;
        bool ascending;
        QStringList order;  // ifDescr top to bottom
    } cases[] = {
        {TMode::Now, true, {"br0", "eth0", "eth1", "lo", "tun0", "wlan0"}},
        {TMode::Now, false, {"wlan0", "tun0", "lo", "eth1", "eth0", "br0"}},
        {TMode::KeepInstances, true, {"br0", "eth0", "eth1", "lo", "tun0", "wlan0"}},
        {TMode::KeepInstances, false, {"wlan0", "tun0", "lo", "eth1", "eth0", "br0"}},
        {TMode::RereadInstances, true, {"br0", "eth0", "eth1", "lo", "tun0", "wlan0"}},
        {TMode::RereadInstances, false, {"wlan0", "tun0", "lo", "eth1", "eth0", "br0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << static_cast<int>(c.mode) << " ascending " << c.ascending);
        table.ClearResultRows();
        Shoot(c.mode, all);
        table.SetSortState(kDescrColumn, c.ascending);
        QItemSelectionModel selection(&table);
        selection.setCurrentIndex(table.index(RowOf(3), 4),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        for (int reshoot = 1; reshoot <= 4; ++reshoot) {
            Shoot(c.mode, all);
            QStringList order;
            for (int row = 0; row < table.rowCount(); ++row) {
                const int n = table.InstanceSuffix(row).toInt();
                ASSERT_GE(n, 1);
                order << table.Cell(row, 2);
                EXPECT_EQ(table.Cell(row, 1), QString::number(n)) << "row " << row;
                EXPECT_EQ(table.Cell(row, 2), kDescrs[n - 1]) << "row " << row;
                EXPECT_EQ(table.ShownText(row, 3), QString::number(n * 1000) + " /s") << "row " << row;
            }
            EXPECT_EQ(order, c.order) << "re-shoot " << reshoot;
            const QModelIndexList selected = selection.selectedRows();
            ASSERT_EQ(selected.size(), 1) << "re-shoot " << reshoot;
            EXPECT_EQ(table.InstanceSuffix(selected[0].row()), "3") << "re-shoot " << reshoot;
            EXPECT_EQ(selection.currentIndex(), table.index(RowOf(3), 4)) << "re-shoot " << reshoot;
        }
    }
}

TEST_F(SortedReshoot, RefillOfAnInstanceWithoutARowPlacesNothingAndMovesOn)
{
    Shoot(TMode::Now, {1, 2, 3, 4});
    table.SetSortState(kDescrColumn, false);
    // Instance 5 took the place of 3 in the engine's list: its values have no
    // row to go to, and 3's row keeps what it had.
    Shoot(TMode::KeepInstances, {1, 2, 5, 4});
    ASSERT_EQ(table.rowCount(), 4);
    const int row3 = RowOf(3);
    EXPECT_EQ(table.Cell(row3, 2), "wlan0");
    EXPECT_EQ(table.Cell(row3, 3), "3000");
    EXPECT_EQ(RowOf(5), -1);
    for (int n : {1, 2, 4})
        EXPECT_EQ(table.ShownText(RowOf(n), 3), QString::number(n * 1000) + " /s") << n;
}

TEST_F(SortedReshoot, ListEntryWhoseLineCountChangesStaysSelected)
{
    table.BuildColumns(false, {});
    const QString sysDescr = QStringLiteral("1.3.6.1.2.1.1.1.0");
    const QString sysName = QStringLiteral("1.3.6.1.2.1.1.5.0");
    const QStringList descrs = {"box\nrev 1", "box\nrev 2\nbeta", "box"};
    QItemSelectionModel selection(&table);
    for (const QString& descr : descrs) {
        table.BeginReshoot();
        table.PlaceCell(sysDescr, Reading(snmptype::kOctetString, descr, 1), TRowCursor{});
        table.PlaceCell(sysName, Reading(snmptype::kOctetString, "name", 1), TRowCursor{});
        table.DropStaleRows();
        ASSERT_EQ(table.rowCount(), descr.count('\n') + 2);
        if (&descr == &descrs.first())  // the user picks the entry after the first shoot
            selection.setCurrentIndex(table.index(0, 2),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        EXPECT_EQ(selection.currentIndex(), table.index(0, 2)) << descr.toStdString();
        EXPECT_EQ(selection.selectedRows().size(), 1) << descr.toStdString();
        EXPECT_EQ(table.Cell(table.rowCount() - 1, 2), "name");
    }
}
