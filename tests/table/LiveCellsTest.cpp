// What the cells show beyond their texts: readable values, rates, last
// values, and a re-shoot that updates the rows in place.
#include "table/RateColumn.h"
#include "table/ReadableValues.h"
#include "names/MibNames.h"
#include "table/ResultTable.h"
#include "table/Shared.h"
#include "table/TableExport.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QSignalSpy>

#include <thread>

namespace {

TCellValue Value(int type, const QString& text, std::int64_t atMs = 0, std::int64_t upTime = 100,
                 const QByteArray& raw = QByteArray())
{
    TCellValue value;
    value.type = type;
    value.text = text;
    value.SetBytes(raw.isNull() ? text.toLatin1() : raw);
    value.arrivedMs = atMs;
    value.upTime = upTime;
    return value;
}

TCellValue NoAnswer()
{
    TCellValue value;
    value.text = QStringLiteral("Null");
    return value;
}

class LiveCellsTest : public ::testing::Test {
protected:
    LiveCellsTest() { names.BuildOidNameTable(); }

    // One list-layout shoot of the given (OID, value) pairs; a re-shoot keeps
    // the rows, as the window's re-shoots do.
    void Shoot(const QVector<QPair<QString, TCellValue>>& answers)
    {
        if (table.StoredRowCount() > 0)
            table.BeginReshoot();
        for (const auto& [oid, value] : answers)
            table.PlaceCell(oid, value, TRowCursor{});
        table.DropStaleRows();
    }

    TOidNameTable names;
    TResultTable table{names};
};

}  // namespace

TEST(ReadableValues, ShowWhatPeopleReadKeepingTheReceivedText)
{
    const QByteArray mac = QByteArray::fromHex("fa1aeec9eded");
    const struct {
        const char* why;
        const char* oid;
        TCellValue value;
        const char* readable;  // empty: shown as received
    } cases[] = {
        {"uptime in days, hours, minutes, seconds and hundredths", "1.3.6.1.2.1.1.3.0",
         Value(snmptype::kTimeTicks, "27450607"), "3d 04:15:06.07"},
        {"less than a day has no days", "1.3.6.1.2.1.1.3.0", Value(snmptype::kTimeTicks, "23334"),
         "00:03:53.34"},
        {"six bytes of no text are a MAC address", "1.3.6.1.2.1.2.2.1.6.2",
         Value(snmptype::kOctetString, "FA 1A EE C9 ED ED", 0, 0, mac), "fa:1a:ee:c9:ed:ed"},
        {"six octets of an object no MIB names still read as a MAC address", "1.3.6.1.4.1.99999.1.0",
         Value(snmptype::kOctetString, "FA 1A EE C9 ED ED", 0, 0, mac), "fa:1a:ee:c9:ed:ed"},
        {"a MIB's display hint: DateAndTime", "1.3.6.1.2.1.47.1.1.1.1.17.1",
         Value(snmptype::kOctetString, "07 EA 0C 09 03 04 05 00", 0, 0,
               QByteArray::fromHex("07ea0c0903040500")),
         "2026-12-9,3:4:5.0"},
        {"a text hint over octets that are no text keeps the received hex", "1.3.6.1.2.1.2.2.1.2.1",
         Value(snmptype::kOctetString, "01 02", 0, 0, QByteArray::fromHex("0102")), ""},
        {"six bytes of text stay text", "1.3.6.1.2.1.1.5.0", Value(snmptype::kOctetString, "router"), ""},
        {"ifSpeed counts bit/s", "1.3.6.1.2.1.2.2.1.5.1", Value(snmptype::kGauge32, "10000000"), "10 Mbit/s"},
        {"ifHighSpeed counts Mbit/s", "1.3.6.1.2.1.31.1.1.1.15.1", Value(snmptype::kGauge32, "1000"),
         "1 Gbit/s"},
        {"another gauge keeps its number", "1.3.6.1.2.1.2.2.1.21.1", Value(snmptype::kGauge32, "1000"), ""},
        {"ifType by name", "1.3.6.1.2.1.2.2.1.3.1", Value(snmptype::kInteger, "6"), "ethernetCsmacd(6)"},
        {"ifOperStatus by name", "1.3.6.1.2.1.2.2.1.8.1", Value(snmptype::kInteger, "7"),
         "lowerLayerDown(7)"},
        {"ifAdminStatus has no dormant", "1.3.6.1.2.1.2.2.1.7.1", Value(snmptype::kInteger, "5"), ""},
        {"an integer of another object", "1.3.6.1.2.1.2.2.1.4.1", Value(snmptype::kInteger, "1"), ""},
        {"an OID value by its name", "1.3.6.1.2.1.25.2.3.1.2.1",
         Value(snmptype::kObjectId, "1.3.6.1.2.1.25.2.1.2"), "hrStorageRam"},
        {"a sysObjectID by its name", "1.3.6.1.2.1.1.2.0",
         Value(snmptype::kObjectId, "1.3.6.1.4.1.8072.3.2.10"), "linux"},
        {"an OID value past its longest named prefix keeps the arcs after it", "1.3.6.1.2.1.1.2.0",
         Value(snmptype::kObjectId, "1.3.6.1.4.1.8072.3.2.200.1"), "netSnmpAgentOIDs.200.1"},
        {"prefixes by arcs, not text: ifInOctets(.10) is no ifIndex(.1)", "1.3.6.1.2.1.2.2.1.22.1",
         Value(snmptype::kObjectId, "1.3.6.1.2.1.2.2.1.10.3"), "ifInOctets.3"},
        {"an OID value no MIB name covers stays as received", "1.3.6.1.2.1.1.2.0",
         Value(snmptype::kObjectId, "2.999.1"), ""},
        {"an OID value that is no OID stays as received", "1.3.6.1.2.1.1.2.0",
         Value(snmptype::kObjectId, "1.3.6.x"), ""},
    };
    const std::shared_ptr<const TMibNames> names = TMibNames::BuiltIn();
    for (const auto& c : cases)
        EXPECT_EQ(ReadableText(c.value, QLatin1String(c.oid), names.get()), QLatin1String(c.readable))
            << c.why;
}

TEST_F(LiveCellsTest, ReadableValuesSortAndExportByTheReceivedValue)
{
    table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.1.3"});
    TRowCursor cursor;
    const QStringList ticks = {"9000", "27450607", "100"};
    for (int row = 0; row < ticks.size(); ++row) {
        cursor.BeginRow();
        cursor.Advance(table.PlaceCell("1.3.6.1.2.1.2.2.1.1." + QString::number(row),
                                       Value(snmptype::kInteger, QString::number(row)), cursor));
        cursor.Advance(table.PlaceCell("1.3.6.1.2.1.1.3." + QString::number(row),
                                       Value(snmptype::kTimeTicks, ticks[row]), cursor));
    }
    TViewOptions options;
    options.readableValues = true;
    table.SetViewOptions(options);
    table.ListView1ColumnClick(3);  // after ".." and "Index"
    // "00:01:30.00" would sort before "00:00:01.00" as text; by ticks it does not.
    EXPECT_EQ(table.ShownText(0, 2), "00:00:01.00");
    EXPECT_EQ(table.ShownText(1, 2), "00:01:30.00");
    EXPECT_EQ(table.ShownText(2, 2), "3d 04:15:06.07");
    EXPECT_EQ(table.Snapshot().rows[2][2], "27450607");
}

TEST_F(LiveCellsTest, NoSuchInstanceIsAnEmptyGreyCellWithTheTextAsTooltip)
{
    table.BuildColumns(false, {});
    Shoot({{"1.3.6.1.2.1.1.9.0", Value(snmptype::kNoSuchInstance, "error: noSuchInstance")}});
    TViewOptions options;
    options.readableValues = true;
    table.SetViewOptions(options);
    const QModelIndex cell = table.index(0, 2);
    EXPECT_EQ(table.data(cell).toString(), "");
    EXPECT_TRUE(table.data(cell, Qt::ForegroundRole).isValid());
    EXPECT_TRUE(table.data(cell, Qt::ToolTipRole).toString().contains("error: noSuchInstance"));
    EXPECT_EQ(table.Snapshot().rows[0][1], "error: noSuchInstance");
}

TEST_F(LiveCellsTest, RateColumnSortsByRateWithNoRateAsEmpty)
{
    const QString in = QStringLiteral("1.3.6.1.2.1.2.2.1.11");  // ifInUcastPkts
    table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1.1", in});
    // Four rows; the second reading 10 s later: +50, +2000, restart, +5.
    const qint64 first[] = {1000, 1000, 1000, 1000};
    const qint64 second[] = {1500, 21000, 2000, 1050};
    const qint64 upSecond[] = {1100, 1100, 50, 1100};
    for (int shoot = 0; shoot < 2; ++shoot) {
        if (shoot == 1)
            table.BeginReshoot();
        TRowCursor cursor;
        for (int row = 0; row < 4; ++row) {
            const QString suffix = "." + QString::number(row + 1);
            cursor.BeginRow();
            cursor.Advance(table.PlaceCell("1.3.6.1.2.1.2.2.1.1" + suffix,
                                           Value(snmptype::kInteger, QString::number(row + 1)), cursor));
            const qint64 count = shoot == 0 ? first[row] : second[row];
            cursor.Advance(table.PlaceCell(in + suffix,
                                           Value(snmptype::kCounter32, QString::number(count), shoot * 10000,
                                                 shoot == 0 ? 100 : upSecond[row]),
                                           cursor));
        }
        table.DropStaleRows();
    }
    TViewOptions options;
    options.counterRates = true;
    table.SetViewOptions(options);
    table.ListView1ColumnClick(3);
    QStringList shown;
    for (int row = 0; row < 4; ++row)
        shown << table.ShownText(row, 2);
    EXPECT_EQ(shown, (QStringList{"-", "5 /s", "50 /s", "2000 /s"}));
    EXPECT_EQ(table.headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(), in + "\nrate per second");
    const TTableSnapshot snapshot = table.Snapshot();
    EXPECT_EQ(snapshot.headers[2], "ifInUcastPkts /s");
    EXPECT_EQ(snapshot.rows[0][2], "");
    EXPECT_EQ(snapshot.rows[3][2], "2000");
    EXPECT_EQ(snapshot.rows[3][0], "2") << "the Index column leads each exported row";
}

TEST_F(LiveCellsTest, KeptLastValueIsGreyItalicButExportsNull)
{
    table.BuildColumns(false, {});
    const QString oid = QStringLiteral("1.3.6.1.2.1.1.5.0");
    Shoot({{oid, Value(snmptype::kOctetString, "box")}});
    Shoot({{oid, NoAnswer()}});
    EXPECT_EQ(table.ShownText(0, 2), "Null");
    TViewOptions options;
    options.keepLastValues = true;
    table.SetViewOptions(options);
    const QModelIndex cell = table.index(0, 2);
    EXPECT_EQ(table.data(cell).toString(), "box");
    EXPECT_TRUE(table.data(cell, Qt::FontRole).value<QFont>().italic());
    EXPECT_TRUE(table.data(cell, Qt::ToolTipRole).toString().startsWith("no answer since "));
    EXPECT_EQ(table.Snapshot().rows[0][1], "Null");
}

TEST_F(LiveCellsTest, ReshootUpdatesRowsInPlaceAndDropsThoseNotAnswered)
{
    table.BuildColumns(false, {});
    const QString a = QStringLiteral("1.3.6.1.2.1.1.5.0");
    const QString b = QStringLiteral("1.3.6.1.2.1.1.6.0");
    const QString c = QStringLiteral("1.3.6.1.2.1.1.4.0");
    Shoot({{a, Value(snmptype::kOctetString, "one")}, {b, Value(snmptype::kOctetString, "here")}});
    QSignalSpy removed(&table, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&table, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    Shoot({{a, Value(snmptype::kOctetString, "two")}, {b, Value(snmptype::kOctetString, "here")}});
    EXPECT_EQ(removed.count() + inserted.count() + reset.count(), 0)
        << "rows that exist are updated in place";
    EXPECT_GE(changed.count(), 2);
    EXPECT_EQ(table.Cell(0, 2), "two");
    const TResultCell* cell = table.CellAt(0, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Previous().text, "one");
    EXPECT_GE(cell->changedAtMs, 0) << "a changed value is marked";
    EXPECT_LT(table.CellAt(1, 2)->changedAtMs, 0) << "an equal value is not";

    // A new OID comes where the shoot places it; one not asked again goes.
    Shoot({{c, Value(snmptype::kOctetString, "noc")}, {a, Value(snmptype::kOctetString, "two")}});
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.Cell(0, 1), "sysContact.0");
    EXPECT_EQ(table.Cell(1, 1), "sysName.0");
}

TEST(CounterRates, TextsOfRates)
{
    EXPECT_EQ(RateText(1234.5, false), "1234.5 /s");
    EXPECT_EQ(RateText(12345678.0 / 8 * 1.0043, true), "12.4 Mbit/s");
    EXPECT_EQ(RateText(std::nullopt, true), "-");
    EXPECT_EQ(PlainRateText(79.6), "79.6");
    EXPECT_TRUE(IsOctetsName("ifHCOutOctets.3"));
    EXPECT_FALSE(IsOctetsName("ifInOctetsX.3"));
}

TEST_F(LiveCellsTest, DeferredSnapshotHoldsTheRowsOfItsTakingWhateverComesAfter)
{
    table.BuildColumns(false, {});
    const QString name = QStringLiteral("1.3.6.1.2.1.1.5.0");
    const QString octets = QStringLiteral("1.3.6.1.2.1.2.2.1.10.1");
    Shoot({{name, Value(snmptype::kOctetString, "box")}, {octets, Value(snmptype::kCounter32, "100", 0)}});
    TViewOptions options;
    options.counterRates = true;
    table.SetViewOptions(options);
    Shoot({{name, Value(snmptype::kOctetString, "box")},
           {octets, Value(snmptype::kCounter32, "600", 1000, 200)}});
    const TTableSnapshot expected = table.Snapshot();
    ASSERT_EQ(expected.rows.size(), 2);
    ASSERT_EQ(expected.rows[1][1], "500") << "the counter's rate is what is exported";
    const auto deferred = table.DeferredSnapshot();

    // The table goes on: a value changes, a row goes, the rates go off.
    Shoot({{name, Value(snmptype::kOctetString, "other box")}});
    table.SetViewOptions(TViewOptions());
    table.ClearResultRows();

    TTableSnapshot made;
    std::thread([&] { made = deferred(); }).join();
    EXPECT_EQ(made.headers, expected.headers);
    EXPECT_EQ(made.rows, expected.rows);
}

namespace {

TEST(ResultCell, KeepsTheAnswerBeforeAndTheLastValueOnlyForTheSameOid)
{
    const QString a = QStringLiteral("1.3.6.1.2.1.2.2.1.10.1");
    const QString b = QStringLiteral("1.3.6.1.2.1.2.2.1.10.2");
    TCellValue gone = Value(snmptype::kNoSuchObject, QStringLiteral("noSuchObject"));
    struct Step {
        QString oid;
        TCellValue value;
        const char* previous;  // Previous().text
        const char* lastGood;  // LastGood().text
        bool keeps;            // whether the cell holds readings besides the one shown
    } const steps[] = {
        {a, Value(snmptype::kCounter32, "10"), "", "10", false},  // a first reading keeps nothing
        {a, Value(snmptype::kCounter32, "20"), "10", "20", true},
        {a, NoAnswer(), "20", "20", true},  // the value is kept while none comes
        {a, gone, "", "20", true},          // an exception is no value either
        {a, Value(snmptype::kCounter32, "30"), "noSuchObject", "30", true},
        {b, Value(snmptype::kCounter32, "5"), "", "5", false},  // another OID starts afresh
        {b, NoAnswer(), "5", "5", true},
        {a, NoAnswer(), "", "", false},
    };
    TResultCell cell;
    std::uint32_t serial = 0;
    for (const Step& step : steps) {
        // Each answer's OID is a text of its own, as the engine makes them;
        // the same OID keeps the text the cell had (the trends find it by it).
        const QString before = cell.oid;
        cell.Take(QString(step.oid.constData(), step.oid.size()), step.value, ++serial);
        EXPECT_EQ(cell.oid, step.oid);
        EXPECT_EQ(cell.oid.constData() == before.constData(), before == step.oid) << serial;
        EXPECT_EQ(cell.Previous().text, QString::fromLatin1(step.previous)) << serial;
        EXPECT_EQ(cell.LastGood().text, QString::fromLatin1(step.lastGood)) << serial;
        EXPECT_EQ(cell.history != nullptr, step.keeps) << serial;
    }
}

}  // namespace

TEST_F(LiveCellsTest, ValueTooltipGivesTheObjectsUnitsAndFirstSentence)
{
    auto mib = std::make_shared<TMibNames>();
    TMibObject object;
    object.oid = QStringLiteral("1.3.6.1.4.1.99.1");
    object.name = QStringLiteral("vexTemperature");
    object.units = QStringLiteral("degrees Celsius");
    object.description = QStringLiteral("The temperature of the box. Read every minute.");
    mib->Add(object);
    names.SetMibNames(mib);
    table.BuildColumns(false, {});
    Shoot({{"1.3.6.1.4.1.99.1.0", Value(snmptype::kInteger, "41")}});
    const QStringList tip = table.data(table.index(0, 2), Qt::ToolTipRole).toString().split(u'\n');
    EXPECT_TRUE(tip.contains("UNITS: degrees Celsius")) << tip.join(" | ").toStdString();
    EXPECT_TRUE(tip.contains("The temperature of the box.")) << tip.join(" | ").toStdString();
}

// The texts made for painted cells are kept apart from the cells: whatever
// happens to the rows (re-shoots in place, a snapshot that makes the store
// copy them, more cells painted than are kept, a change of view), each cell
// shows its own latest rate.
TEST_F(LiveCellsTest, ShownTextsFollowEveryReadingOfEveryCell)
{
    constexpr int kRows = 5000;  // two passes paint more cells than are kept
    const QString index = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
    const QString packets = QStringLiteral("1.3.6.1.2.1.2.2.1.11");  // ifInUcastPkts
    table.BuildColumns(true, {index, packets});
    TViewOptions options;
    options.counterRates = true;
    table.SetViewOptions(options);
    const int steps[] = {0, 3, 11, 5};  // per row and shoot, times (row % 7 + 1)
    QVector<std::int64_t> count(kRows);
    for (int shoot = 0; shoot < 4; ++shoot) {
        const auto snapshot = shoot == 2 ? table.DeferredSnapshot() : nullptr;  // the rows are shared
        if (shoot > 0)
            table.BeginReshoot();
        TRowCursor cursor;
        for (int row = 0; row < kRows; ++row) {
            const QString suffix = "." + QString::number(row + 1);
            count[row] += steps[shoot] * (row % 7 + 1);
            cursor.BeginRow();
            cursor.Advance(
                table.PlaceCell(index + suffix, Value(snmptype::kInteger, QString::number(row + 1)), cursor));
            cursor.Advance(table.PlaceCell(
                packets + suffix,
                Value(snmptype::kCounter32, QString::number(count[row]), shoot * 1000, 100 + shoot * 100),
                cursor));
        }
        table.DropStaleRows();
        // Forward twice, then after a change of view backwards: cells then
        // hold places in the kept texts that others have taken since.
        for (int pass = 0; pass < 3; ++pass) {
            if (pass == 2) {
                options.readableValues = !options.readableValues;
                table.SetViewOptions(options);
            }
            for (int i = 0; i < kRows; ++i) {
                const int row = pass == 2 ? kRows - 1 - i : i;
                const QString want = shoot == 0 ? QStringLiteral("-")
                                                : QStringLiteral("%1 /s").arg(steps[shoot] * (row % 7 + 1));
                ASSERT_EQ(table.ShownText(row, 2), want)
                    << "shoot " << shoot << ", pass " << pass << ", row " << row;
            }
        }
    }
}
