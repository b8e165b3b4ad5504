#include "TableExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// Reads `path` with Python's csv module and returns the records as JSON arrays.
QJsonArray ReadWithPythonCsv(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f))))\n"),
                  path});
    EXPECT_TRUE(python.waitForFinished(20000)) << "python3 did not finish";
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

}  // namespace

TEST(TableExport, CsvReadsBackWithARealCsvReader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    const TTableSnapshot table = Awkward();
    ASSERT_EQ(ReplaceFileAtomically(path, TableAsCsv(table)), QString());

    const QJsonArray records = ReadWithPythonCsv(path);
    ASSERT_EQ(records.size(), 1 + table.rows.size());
    QStringList header;
    for (const auto& v : records[0].toArray())
        header << v.toString();
    EXPECT_EQ(header, table.headers);
    for (int r = 0; r < table.rows.size(); ++r) {
        QStringList cells;
        for (const auto& v : records[r + 1].toArray())
            cells << v.toString();
        QStringList expected = table.rows[r];
        while (expected.size() < table.headers.size())
            expected << QString();
        EXPECT_EQ(cells, expected) << "row " << r;
    }
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
