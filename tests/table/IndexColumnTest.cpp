// The table layout's Index column: each row's instance read by the INDEX of
// the table, its raw suffix as tooltip, its numeric sort, its place first in
// the text forms, and names that arrive after the rows.
#include "names/MibNames.h"
#include "table/ResultTable.h"
#include "table/Shared.h"
#include "table/TableExport.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// ipNetToMediaTable: INDEX { ipNetToMediaIfIndex, ipNetToMediaNetAddress }.
const QString kPhys = QStringLiteral("1.3.6.1.2.1.4.22.1.2");
const QString kType = QStringLiteral("1.3.6.1.2.1.4.22.1.4");

class IndexColumnTest : public ::testing::Test {
protected:
    IndexColumnTest() { names.BuildOidNameTable(); }

    void PlaceRow(const QStringList& targets, const QString& suffix, const QStringList& values)
    {
        cursor.BeginRow();
        for (qsizetype i = 0; i < values.size(); ++i)
            cursor.Advance(table.PlaceValue(targets.value(i) + suffix, values[i], cursor));
    }

    QStringList IndexTexts() const
    {
        QStringList texts;
        for (int row = 0; row < table.rowCount(); ++row)
            texts << table.data(table.index(row, 1)).toString();
        return texts;
    }

    TOidNameTable names;
    TResultTable table{names};
    TRowCursor cursor;
};

}  // namespace

TEST_F(IndexColumnTest, ShowsTheDecodedInstanceWithTheSuffixAsTooltip)
{
    table.BuildColumns(true, {kPhys, kType});
    ASSERT_EQ(table.columnCount(), 4);
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "Index");
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "ipNetToMediaPhysAddress");
    PlaceRow({kPhys, kType}, ".2.192.168.1.1", {"52 54 00 12 34 56", "3"});
    EXPECT_EQ(table.data(table.index(0, 1)).toString(), "2 / 192.168.1.1");
    EXPECT_EQ(table.data(table.index(0, 1), Qt::ToolTipRole).toString(), "2.192.168.1.1");
    EXPECT_EQ(table.data(table.index(0, 2)).toString(), "52 54 00 12 34 56");
    EXPECT_EQ(table.data(table.index(0, 3)).toString(), "3");
    EXPECT_EQ(table.Cell(0, 1), "52 54 00 12 34 56");  // value cells keep their numbers
}

TEST_F(IndexColumnTest, UnknownTablesShowTheRawSuffix)
{
    const QStringList targets{"1.3.6.1.4.1.99999.1.1.2", "1.3.6.1.4.1.99999.1.1.3"};
    table.BuildColumns(true, targets);
    PlaceRow(targets, ".7.1", {"a", "b"});
    PlaceRow(targets, "", {"c", "d"});  // an answer outside the targets: no suffix
    EXPECT_EQ(IndexTexts(), (QStringList{"7.1", ""}));
}

TEST_F(IndexColumnTest, SortsByTheSuffixComponentsAsNumbers)
{
    table.BuildColumns(true, {kPhys, kType});
    for (const char* suffix : {".10.10.0.0.1", ".2.192.168.1.1", ".2.10.0.0.9", ".2.10.0.0.10"})
        PlaceRow({kPhys, kType}, QLatin1String(suffix), {"x", "1"});
    table.ListView1ColumnClick(1);
    EXPECT_EQ(IndexTexts(),
              (QStringList{"2 / 10.0.0.9", "2 / 10.0.0.10", "2 / 192.168.1.1", "10 / 10.0.0.1"}));
    EXPECT_EQ(table.HeaderImage(1), 4);
    table.ListView1ColumnClick(1);
    EXPECT_EQ(IndexTexts().first(), "10 / 10.0.0.1");
}

TEST_F(IndexColumnTest, ComesFirstInTheTextForms)
{
    table.BuildColumns(true, {kPhys, kType});
    PlaceRow({kPhys, kType}, ".2.10.0.0.1", {"aa", "3"});
    const TTableSnapshot snapshot = table.Snapshot();
    EXPECT_EQ(snapshot.headers, (QStringList{"Index", "ipNetToMediaPhysAddress", "ipNetToMediaType"}));
    EXPECT_EQ(TableAsCsv(snapshot),
              "Index,ipNetToMediaPhysAddress,ipNetToMediaType\r\n2 / 10.0.0.1,aa,3\r\n");

    // The list layout has no Index column.
    table.BuildColumns(false, {kPhys});
    EXPECT_EQ(table.Snapshot().headers, (QStringList{"Description ... ", "Value"}));
}

TEST_F(IndexColumnTest, NamesArrivingLaterRenameHeadersRowsAndIndexes)
{
    const QStringList targets{"1.3.6.1.4.1.99999.1.1.2", "1.3.6.1.4.1.99999.1.1.3"};
    table.BuildColumns(true, targets);
    PlaceRow(targets, ".4.101.116.104.48", {"a", "b"});
    EXPECT_EQ(IndexTexts(), QStringList{"4.101.116.104.48"});

    auto loaded = std::make_shared<TMibNames>(*TMibNames::BuiltIn());
    TMibObject row;
    row.oid = "1.3.6.1.4.1.99999.1.1";
    row.name = "tstEntry";
    row.kind = TMibKind::Row;
    row.index = QStringList{"tstName"};
    loaded->Add(row);
    const struct {
        const char* oid;
        const char* name;
        const char* type;
    } columns[] = {{"1.3.6.1.4.1.99999.1.1.1", "tstName", "OCTET STRING"},
                   {"1.3.6.1.4.1.99999.1.1.2", "tstValue", "Integer32"},
                   {"1.3.6.1.4.1.99999.1.1.3", "tstOther", "Integer32"}};
    for (const auto& c : columns) {
        TMibObject column;
        column.oid = QLatin1String(c.oid);
        column.name = QLatin1String(c.name);
        column.kind = TMibKind::Column;
        column.type = QLatin1String(c.type);
        loaded->Add(column);
    }
    names.SetMibNames(loaded);
    table.RefreshNames();
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "tstValue");
    EXPECT_EQ(IndexTexts(), QStringList{"eth0"});

    // The list layout's descriptions are named anew as well.
    table.BuildColumns(false, {"1.3.6.1.4.1.99999.1.1.2.5"});
    names.SetMibNames(TMibNames::BuiltIn());
    table.PlaceValue("1.3.6.1.4.1.99999.1.1.2.5", "1", TRowCursor{});
    EXPECT_EQ(table.Cell(0, 1), "enterprises.99999.1.1.2.5");
    names.SetMibNames(loaded);
    table.RefreshNames();
    EXPECT_EQ(table.Cell(0, 1), "tstValue.5");
}
