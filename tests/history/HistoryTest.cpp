// The recording of the shoots in a real SQLite file in a temporary folder.
#include "history/HistoryRecorder.h"

#include "HistoryShoots.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

constexpr std::int64_t kMinute = 60LL * 1000;

class HistoryTest : public ::testing::Test {
protected:
    QString File(const QString& name) const { return dir.filePath(name); }

    // The shoots of the file at path, each checked whole: every row it
    // counted, three cells each, the values of its own serial.
    static QVector<TRecordedShoot> WholeShoots(const QString& path)
    {
        THistoryDatabase database;
        EXPECT_TRUE(database.Open(path)) << database.LastError().toStdString();
        const QVector<TRecordedShoot> shoots = database.Shoots();
        for (const TRecordedShoot& shoot : shoots) {
            const QVector<TResultRow> rows = database.RowsOf(shoot.id);
            EXPECT_EQ(rows.size(), shoot.rowCount) << "shoot " << shoot.id;
            for (const TResultRow& row : rows) {
                EXPECT_EQ(row.cells.size(), 3) << "shoot " << shoot.id;
                if (row.cells.size() != 3)
                    continue;
                EXPECT_EQ(row.cells[2].now.text.toLongLong() / 1000000, shoot.id);
            }
        }
        return shoots;
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(HistoryTest, RetentionDropsTheOldestShootsFirst)
{
    const std::int64_t now = 100 * kMinute;
    const struct {
        const char* why;
        THistoryLimits limits;
        std::int64_t otherBytes;
        std::int64_t firstKept;  // of shoots 1..10, one a minute up to now
    } cases[] = {
        {"within both limits nothing goes", {60 * kMinute, 1LL << 30}, 0, 1},
        {"older than the age limit goes", {5 * kMinute - 1, 1LL << 30}, 0, 6},
        {"over the size limit the oldest go", {60 * kMinute, 0}, 0, 10},
        {"other recordings count towards the size", {60 * kMinute, 1LL << 20}, 1LL << 20, 10},
        {"the newest shoot stays even when all are too old", {0, 1LL << 30}, 0, 10},
    };
    for (const auto& c : cases) {
        const QString path = File(QString::fromLatin1(c.why).left(12) + ".sqlite");
        THistoryDatabase database;
        ASSERT_TRUE(database.Open(path)) << database.LastError().toStdString();
        for (int serial = 1; serial <= 10; ++serial)
            ASSERT_TRUE(database.Append(MadeShoot(serial, 50, now - (10 - serial) * kMinute)));
        database.Prune(c.limits, now, c.otherBytes);
        const QVector<TRecordedShoot> shoots = database.Shoots();
        ASSERT_FALSE(shoots.isEmpty()) << c.why;
        EXPECT_EQ(shoots.front().id, c.firstKept) << c.why;
        EXPECT_EQ(shoots.back().id, 10) << c.why;
        EXPECT_EQ(database.RowsOf(c.firstKept).size(), 50) << c.why;
    }
}

TEST_F(HistoryTest, ForeignOrBrokenFilesAreRefusedAndLeftAsTheyAre)
{
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(File("other.sqlite"));
        ASSERT_TRUE(other.open());
        QSqlQuery(other).exec(QStringLiteral("CREATE TABLE t (x)"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    const struct {
        const char* why;
        const char* name;
        QByteArray bytes;  // written unless empty
    } cases[] = {
        {"another program's SQLite database", "other.sqlite", {}},
        {"a file that is no database", "junk.sqlite", QByteArray(8192, 'x')},
        {"a truncated recording header", "half.sqlite", QByteArray("SQLite format 3\0\x10", 18)},
    };
    for (const auto& c : cases) {
        QFile file(File(c.name));
        if (!c.bytes.isEmpty()) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
            file.close();
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        THistoryDatabase database;
        EXPECT_FALSE(database.Open(file.fileName())) << c.why;
        EXPECT_TRUE(database.LastError().contains(file.fileName())) << c.why;
        EXPECT_FALSE(database.Append(MadeShoot(1, 1, 0))) << c.why;
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before) << c.why;
    }
}

TEST_F(HistoryTest, KilledWriterLeavesEveryEarlierShootWhole)
{
    const QString path = File("killed.sqlite");
    QProcess writer;
    writer.start(QStringLiteral(HISTORY_WRITER_HELPER), {path, QStringLiteral("10000")});
    ASSERT_TRUE(writer.waitForStarted()) << "the writer helper did not start";
    QByteArray said;
    QElapsedTimer guard;
    guard.start();
    while (!said.contains("committed 3") && guard.elapsed() < 60000 && writer.state() == QProcess::Running) {
        writer.waitForReadyRead(1000);
        said += writer.readAllStandardOutput();
    }
    ASSERT_TRUE(said.contains("committed 3")) << writer.readAllStandardError().toStdString();
    // In the middle of the next 10,000-row shoot.
    QThread::msleep(40);
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    writer.waitForFinished();
    said += writer.readAllStandardOutput();
    const int committed = static_cast<int>(said.count("committed"));

    QSqlDatabase check = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    check.setDatabaseName(path);
    ASSERT_TRUE(check.open());
    {
        QSqlQuery integrity(check);
        ASSERT_TRUE(integrity.exec(QStringLiteral("PRAGMA integrity_check")) && integrity.next());
        EXPECT_EQ(integrity.value(0).toString(), "ok");
    }
    check.close();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    const QVector<TRecordedShoot> shoots = WholeShoots(path);
    // Every shoot said committed is there; one more may have committed
    // before it could say so.
    EXPECT_GE(shoots.size(), committed);
    EXPECT_LE(shoots.size(), committed + 1);
}

TEST_F(HistoryTest, SecondWriterRecordsToAFileOfItsOwn)
{
    const QString path = File("shared.sqlite");
    THistoryRecorder first;
    THistoryRecorder second;
    QSignalSpy problems(&second, &THistoryRecorder::Problem);
    for (int serial = 1; serial <= 3; ++serial) {
        first.Record(path, MadeShoot(serial, 20, serial * kMinute));
        first.Flush();
        second.Record(path, MadeShoot(serial, 20, serial * kMinute));
        second.Flush();
    }
    EXPECT_EQ(first.ActivePath(), path);
    EXPECT_NE(second.ActivePath(), path);
    QCoreApplication::processEvents();
    ASSERT_EQ(problems.count(), 1);
    EXPECT_TRUE(problems.front().front().toString().contains(second.ActivePath()));
    EXPECT_EQ(WholeShoots(path).size(), 3);
    EXPECT_EQ(WholeShoots(second.ActivePath()).size(), 3);
}

TEST_F(HistoryTest, ListLayoutShootWithEmptyTextsIsRecorded)
{
    // A list layout has no targets, rows without instance and a name cell
    // without OID: Qt would bind their null texts as NULL.
    THistoryShoot shoot = MadeShoot(1, 2, kMinute);
    shoot.listLayout = true;
    shoot.targets.clear();
    shoot.rows[0].suffix = QString();
    shoot.rows[0].cells[0].oid = QString();
    shoot.rows[0].cells[0].now.text = QString();
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(File("list.sqlite")));
    ASSERT_TRUE(database.Append(shoot)) << database.LastError().toStdString();
    const QVector<TResultRow> rows = database.RowsOf(1);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].suffix.isEmpty());
    EXPECT_TRUE(rows[0].cells[0].now.text.isEmpty());
}
