// The text forms of a table snapshot: the CSV file, written by replacing the
// old one, and the tab text of the clipboard.
#include "table/TableExport.h"

#include "CsvRecords.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vxtest::ParseCsv;
using vxtest::ReadWithPythonCsv;
using vxtest::TRecords;

namespace {

TTableSnapshot Awkward()
{
    TTableSnapshot t;
    t.headers = {QStringLiteral("ifDescr"), QStringLiteral("ifAlias, note"), QStringLiteral("ifInOctets")};
    t.rows = {
        {QStringLiteral("eth0"), QStringLiteral("uplink, \"core\""), QStringLiteral("12")},
        {QStringLiteral("tab\there"), QStringLiteral("two\r\nlines"), QStringLiteral("Null")},
        {QStringLiteral("Gr\u00fc\u00dfe \u2713"), QStringLiteral("lone\nLF"), QStringLiteral("")},
        {QStringLiteral("short row")},
    };
    return t;
}

}  // namespace

TEST(TableExport, CsvReadsBackWithARealCsvReader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    const TTableSnapshot table = Awkward();
    ASSERT_EQ(ReplaceFileAtomically(path, TableAsCsv(table)), QString());

    TRecords expected = {table.headers};
    for (QStringList row : table.rows) {
        while (row.size() < table.headers.size())
            row << QString();
        expected << row;
    }
    EXPECT_EQ(ReadWithPythonCsv(path), expected);
}

TEST(TableExport, TabTextKeepsOrderAndLeavesPlainFieldsAlone)
{
    TTableSnapshot t;
    t.headers = {QStringLiteral("Description ... "), QStringLiteral("Value")};
    t.rows = {{QStringLiteral("sysName.0"), QStringLiteral("core-1")},
              {QStringLiteral("sysLocation.0"), QStringLiteral("rack 4")}};
    EXPECT_EQ(TableAsTabText(t),
              QStringLiteral("Description ... \tValue\nsysName.0\tcore-1\nsysLocation.0\track 4"));
}

TEST(TableExport, TabTextKeepsEveryCellInItsColumn)
{
    // What a cell holds must not read as a cell or row border once pasted.
    const QString text = TableAsTabText(Awkward());
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 1 + Awkward().rows.size()) << text.toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("tab here\ttwo  lines\tNull"));
    EXPECT_EQ(lines[3], QStringLiteral("Gr\u00fc\u00dfe \u2713\tlone LF\t"));
    EXPECT_EQ(lines[4], QStringLiteral("short row")) << "a short row is not padded";
}

// A list value of several lines, shown as its entry's row and further rows
// without a name, is one record of the file; a part of the table keeps every
// line of a value it touches.
TEST(TableExport, FurtherLinesOfAListValueStayInItsRecord)
{
    TTableSnapshot t;
    t.headers = {QStringLiteral("Description ... "), QStringLiteral("Value")};
    t.rows = {{QStringLiteral("sysDescr.0"), QStringLiteral("Core router")},
              {QString(), QStringLiteral("rack 4, row 2")},
              {QString(), QStringLiteral("shelf 1")},
              {QStringLiteral("sysName.0"), QStringLiteral("core-1")}};
    t.furtherLine = {false, true, true, false};
    const QByteArray whole = "Description ... ,Value\r\n"
                             "sysDescr.0,\"Core router\r\nrack 4, row 2\r\nshelf 1\"\r\n";
    const struct {
        qsizetype first, last;
        QByteArray csv;
    } cases[] = {
        {0, 3, whole + "sysName.0,core-1\r\n"},
        {2, 2, whole},  // a further line brings its entry's other lines
        {3, 9, "Description ... ,Value\r\nsysName.0,core-1\r\n"},
        {5, 9, "Description ... ,Value\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TableAsCsv(SnapshotRows(t, c.first, c.last)), c.csv) << c.first << ".." << c.last;
}

// The strict reader of the window tests agrees with Python's csv module, and
// a file cut off anywhere either does not parse or lacks records: so a reader
// that checks both notices half a table.
TEST(TableExport, StrictReaderNoticesEveryCutOffFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    const QByteArray csv = TableAsCsv(Awkward());
    ASSERT_EQ(ReplaceFileAtomically(path, csv), QString());
    const std::optional<TRecords> whole = ParseCsv(csv);
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(*whole, ReadWithPythonCsv(path));
    for (qsizetype cut = 0; cut < csv.size(); ++cut) {
        const std::optional<TRecords> part = ParseCsv(csv.left(cut));
        EXPECT_TRUE(!part || part->size() < whole->size()) << "cut at " << cut;
    }
}

TEST(TableExport, ReplacingKeepsNoTemporaryFilesBehind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.csv"));
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(ReplaceFileAtomically(path, QByteArray::number(i)), QString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("19"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("t.csv")});
}

TEST(TableExport, UnwritablePathsGiveAReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/t.csv"));
    EXPECT_FALSE(ReplaceFileAtomically(missingFolder, "x").isEmpty());

    // A folder standing where the file should be cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    EXPECT_FALSE(ReplaceFileAtomically(dir.filePath(QStringLiteral("taken")), "x").isEmpty());
}
