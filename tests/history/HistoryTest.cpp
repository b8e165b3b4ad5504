// The recording of the shoots in a real SQLite file in a temporary folder.
#include "history/HistoryRecorder.h"

#include "HistoryShoots.h"
#include "history/CellBlock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <optional>

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

namespace {

// The next shoot of a sequence: a second later, every reading moved on by
// that second, the agent's uptime by 100 hundredths.
THistoryShoot NextShoot(THistoryShoot shoot)
{
    shoot.wallMs += 1000;
    shoot.upTime += 100;
    for (TResultRow& row : shoot.rows) {
        for (TResultCell& cell : row.cells) {
            cell.now.arrivedMs += 1000;
            cell.now.wallMs += 1000;
            if (cell.now.upTime >= 0)
                cell.now.upTime = shoot.upTime;
        }
    }
    return shoot;
}

TResultCell& CellOf(THistoryShoot& shoot, int row, int col) { return shoot.rows[row].cells[col]; }

// The cell's text as the store reads it (a stamp drawn as for a reading),
// or set outside its readings with the stamp given.
void SetText(TResultCell& cell, const char* text, std::optional<std::uint32_t> stamp = std::nullopt)
{
    TCellValue value = cell.now;
    value.text = QString::fromLatin1(text);
    value.SetBytesToText();
    if (stamp) {
        cell.now = value;
        cell.stamp = *stamp;
    } else {
        cell.Take(cell.oid, value, 2);
    }
}

}  // namespace

TEST_F(HistoryTest, ChangedCellsAloneAreWrittenAndEveryCellReadsBackAtEveryShoot)
{
    const struct {
        const char* why;
        std::function<void(THistoryShoot&)> change;
        std::int64_t cellsWritten;  // -1: whole (every cell)
    } steps[] = {
        {"nothing changed", [](THistoryShoot&) {}, 0},
        {"one counter went up", [](THistoryShoot& s) { CellOf(s, 1, 2).now.text = "7"; }, 1},
        // A cell the store reads is told by its stamp, not its texts.
        {"a first reading by the store", [](THistoryShoot& s) { SetText(CellOf(s, 1, 1), "5"); }, 1},
        {"the store read the same", [](THistoryShoot& s) { SetText(CellOf(s, 1, 1), "5"); }, 0},
        {"the store read another text", [](THistoryShoot& s) { SetText(CellOf(s, 1, 1), "6"); }, 1},
        // 2^32 + 5: the integer a stamp of 5 must not digest as.
        {"an integer set outside the store",
         [](THistoryShoot& s) { SetText(CellOf(s, 2, 1), "4294967301", 0); }, 1},
        {"then read by the store, stamp 5", [](THistoryShoot& s) { SetText(CellOf(s, 2, 1), "7", 5); }, 1},
        {"a name set outside the store's readings",
         [](THistoryShoot& s) { SetText(CellOf(s, 1, 1), "eth1", 0); }, 1},
        {"a cell went unanswered",
         [](THistoryShoot& s) {
             CellOf(s, 0, 1).now.type = snmptype::kNoAnswer;
             CellOf(s, 0, 1).now.text = "Null";
             CellOf(s, 0, 1).now.SetBytes(QByteArray());
             CellOf(s, 0, 1).now.upTime = -1;
         },
         1},
        {"the agent went silent: the row is stale",
         [](THistoryShoot& s) {
             for (TResultCell& cell : s.rows[2].cells)
                 cell.stale = true;
         },
         3},
        {"bytes that are not the text's own",
         [](THistoryShoot& s) { CellOf(s, 1, 0).now.SetBytes(QByteArray("\x00\xff", 2)); }, 1},
        {"the agent restarted: its uptime went down",
         [](THistoryShoot& s) {
             s.upTime = 30;
             for (TResultRow& row : s.rows)
                 for (TResultCell& cell : row.cells)
                     cell.now.upTime = cell.now.upTime >= 0 ? 30 : -1;
         },
         0},
        {"the cell answered again", [](THistoryShoot& s) { CellOf(s, 0, 1) = CellOf(s, 0, 0); }, 1},
        {"a row came: whole", [](THistoryShoot& s) { s.rows.append(MadeShoot(1, 9, s.wallMs).rows[8]); }, -1},
        {"rows sorted anew: whole", [](THistoryShoot& s) { std::swap(s.rows[0], s.rows[1]); }, -1},
        {"every cell changed: whole",
         [](THistoryShoot& s) {
             for (TResultRow& row : s.rows)
                 for (TResultCell& cell : row.cells) {
                     cell.now.text += "0";
                     cell.stamp = 0;  // changed outside the store's readings
                 }
         },
         -1},
    };
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(File("changes.sqlite")));
    QVector<THistoryShoot> appended{MadeShoot(1, 3, 10 * kMinute)};
    appended[0].upTime = 100;
    ASSERT_TRUE(database.Append(appended[0]));
    for (const auto& step : steps) {
        THistoryShoot next = NextShoot(appended.back());
        step.change(next);
        ASSERT_TRUE(database.Append(next)) << step.why << database.LastError().toStdString();
        appended.append(next);
    }
    QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("changes"));
    reader.setDatabaseName(File("changes.sqlite"));
    ASSERT_TRUE(reader.open());
    const QVector<TRecordedShoot> shoots = database.Shoots();
    ASSERT_EQ(shoots.size(), appended.size());
    for (qsizetype i = 1; i < shoots.size(); ++i) {  // counted by another SQLite client
        const auto& step = steps[i - 1];
        QSqlQuery count(reader);
        ASSERT_TRUE(count.exec(
            QStringLiteral("SELECT coalesce(sum(cells), 0) FROM block WHERE shoot = %1").arg(shoots[i].id)));
        count.next();
        const int cells = static_cast<int>(appended[i].rows.size() * 3);
        EXPECT_EQ(count.value(0).toInt(), step.cellsWritten < 0 ? cells : step.cellsWritten) << step.why;
        EXPECT_EQ(shoots[i].base == shoots[i].id, step.cellsWritten < 0) << step.why;
    }
    reader = QSqlDatabase();
    QSqlDatabase::database(QStringLiteral("changes"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("changes"));

    for (qsizetype i = 0; i < shoots.size(); ++i) {
        const char* why = i == 0 ? "the first shoot" : steps[i - 1].why;
        const QVector<TResultRow> rows = database.RowsOf(shoots[i].id);
        ASSERT_EQ(rows.size(), appended[i].rows.size()) << why;
        for (qsizetype r = 0; r < rows.size(); ++r) {
            EXPECT_EQ(rows[r].key, appended[i].rows[r].key) << why;
            ASSERT_EQ(rows[r].cells.size(), 3) << why;
            for (qsizetype c = 0; c < 3; ++c) {
                const TResultCell& got = rows[r].cells[c];
                const TResultCell& want = appended[i].rows[r].cells[c];
                EXPECT_EQ(got.oid, want.oid) << why;
                EXPECT_EQ(got.now.text, want.now.text) << why << " row " << r << " col " << c;
                EXPECT_EQ(got.now.Bytes(), want.now.Bytes()) << why;
                EXPECT_EQ(got.now.type, want.now.type) << why;
                EXPECT_EQ(got.now.upTime, want.now.upTime) << why << " row " << r << " col " << c;
                EXPECT_EQ(got.now.arrivedMs, want.now.arrivedMs) << why;
                EXPECT_EQ(got.now.wallMs, want.now.wallMs) << why;
                EXPECT_EQ(got.stale, want.stale) << why;
            }
        }
    }
    // The newest shoots walked for the trends: as read then, each cell with
    // the reading before it, found by its row's key across re-laid rows.
    int walked = 0;
    const int newest = 4;
    database.WalkNewest(newest, [&](const TRecordedShoot& shoot, const QVector<TResultRow>& rows) {
        const qsizetype i = shoots.size() - newest + walked++;
        ASSERT_EQ(shoot.id, shoots[i].id);
        ASSERT_EQ(rows.size(), appended[i].rows.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const TResultRow* before = nullptr;
            for (const TResultRow& row : appended[i - 1].rows)
                before = row.key == rows[r].key && before == nullptr ? &row : before;
            for (qsizetype c = 0; c < 3; ++c) {
                EXPECT_EQ(rows[r].cells[c].now.text, appended[i].rows[r].cells[c].now.text) << i;
                if (before != nullptr && before->cells[c].now.Answered()) {
                    EXPECT_EQ(rows[r].cells[c].Previous().text, before->cells[c].now.text) << i;
                }
            }
        }
    });
    EXPECT_EQ(walked, newest);

    // A chart's reading of one cell: one a shoot, as read then.
    const QString oid = appended.back().rows[0].cells[2].oid;
    const QVector<TRecordedReading> readings = database.Readings(oid);
    ASSERT_EQ(readings.size(), appended.size());
    for (qsizetype i = 0; i < readings.size(); ++i) {
        EXPECT_EQ(readings[i].shoot, shoots[i].id);
        const TResultCell* want = nullptr;
        for (const TResultRow& row : appended[i].rows)
            if (row.cells[2].oid == oid && want == nullptr)
                want = &row.cells[2];
        ASSERT_NE(want, nullptr);
        EXPECT_EQ(readings[i].value.text, want->now.text) << i;
        EXPECT_EQ(readings[i].value.wallMs, want->now.wallMs) << i;
    }
}

TEST_F(HistoryTest, RecordingOfTheFirstSchemaIsReadAndWrittenOn)
{
    const QString path = File("first.sqlite");
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("first"));
        old.setDatabaseName(path);
        ASSERT_TRUE(old.open());
        QSqlQuery q(old);
        for (
            const char* statement : {
                "PRAGMA application_id=1448625969",
                "PRAGMA user_version=1",
                "CREATE TABLE shoot (id INTEGER PRIMARY KEY, wall_ms INTEGER NOT NULL, agent TEXT NOT NULL,"
                " layout TEXT NOT NULL, targets TEXT NOT NULL, row_count INTEGER NOT NULL)",
                "CREATE TABLE row (shoot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL,"
                " suffix TEXT NOT NULL, PRIMARY KEY (shoot, position)) WITHOUT ROWID",
                "CREATE TABLE cell (shoot INTEGER NOT NULL, position INTEGER NOT NULL, col INTEGER NOT NULL,"
                " oid TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL, raw BLOB,"
                " arrived_ms INTEGER NOT NULL, wall_ms INTEGER NOT NULL, up_time INTEGER NOT NULL,"
                " state INTEGER NOT NULL, PRIMARY KEY (shoot, position, col)) WITHOUT ROWID",
                "CREATE INDEX cell_by_oid ON cell (oid, shoot)",
                "INSERT INTO shoot VALUES (1, 60000, '127.0.0.1:161', 'table', '1.3.6.1.2.1.2.2.1.10', 1)",
                "INSERT INTO row VALUES (1, 0, '1.3.6.1.2.1.2.2.1.10.1', '.1')",
                "INSERT INTO cell VALUES (1, 0, 0, '1.3.6.1.2.1.2.2.1.10.1', 65, '500', NULL, 1, 60000, 7, 0)",
            })
            ASSERT_TRUE(q.exec(QLatin1String(statement))) << statement;
        old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("first"));
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(path)) << database.LastError().toStdString();
    ASSERT_EQ(database.Shoots().size(), 1);
    EXPECT_EQ(database.Shoots()[0].base, 1);
    ASSERT_EQ(database.RowsOf(1).size(), 1);
    EXPECT_EQ(database.RowsOf(1)[0].cells[0].now.text, "500");
    // Written on: the same cell, unchanged, reads back at the new shoot too.
    THistoryShoot more = MadeShoot(2, 1, 2 * kMinute);
    ASSERT_TRUE(database.Append(more)) << database.LastError().toStdString();
    ASSERT_TRUE(database.Append(NextShoot(more))) << database.LastError().toStdString();
    const QVector<TRecordedShoot> shoots = database.Shoots();
    ASSERT_EQ(shoots.size(), 3);
    EXPECT_EQ(database.RowsOf(shoots[2].id)[0].cells[1].now.text, more.rows[0].cells[1].now.text);
    EXPECT_EQ(database.Readings(QStringLiteral("1.3.6.1.2.1.2.2.1.10.1")).size(), 3);
}

TEST_F(HistoryTest, FullDiskIsNamedAndEarlierShootsStayWhole)
{
    const QString path = File("full.sqlite");
    THistoryRecorder recorder;
    QSignalSpy problems(&recorder, &THistoryRecorder::Problem);
    for (int serial = 1; serial <= 3; ++serial)
        recorder.Record(path, MadeShoot(serial, 20, serial * kMinute));
    recorder.Flush();
    const qint64 used = QFileInfo(path).size() + QFileInfo(path + "-wal").size();

    // The files may grow by a few pages, less than a shoot of 5,000 rows takes.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(used + 16384);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of a signal
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    recorder.Record(path, MadeShoot(4, 5000, 4 * kMinute));
    recorder.Flush();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCoreApplication::processEvents();
    ASSERT_EQ(problems.count(), 1);
    const QString message = problems.front().front().toString();
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_TRUE(message.contains("File too large")) << message.toStdString();
    EXPECT_EQ(WholeShoots(path).size(), 3);

    // With room again the next shoot is recorded, whole.
    recorder.Record(path, MadeShoot(4, 20, 5 * kMinute));
    recorder.Flush();
    const QVector<TRecordedShoot> shoots = WholeShoots(path);
    ASSERT_EQ(shoots.size(), 4);
    EXPECT_EQ(shoots.back().base, shoots.back().id);
}

TEST_F(HistoryTest, PackedCellsReadBackAsWrittenWhateverTheirValue)
{
    const struct {
        const char* why;
        std::function<void(TResultCell&)> make;
    } cases[] = {
        {"a negative integer", [](TResultCell& c) { c.now.text = "-42"; }},
        {"zero", [](TResultCell& c) { c.now.text = "0"; }},
        {"leading zeros stay text", [](TResultCell& c) { c.now.text = "007"; }},
        {"minus zero stays text", [](TResultCell& c) { c.now.text = "-0"; }},
        {"a Counter64 past 18 digits", [](TResultCell& c) { c.now.text = "18446744073709551615"; }},
        {"non-ASCII text",
         [](TResultCell& c) { c.now.text = QString::fromUtf8("Z\xc3\xbcrich \xe2\x82\xac"); }},
        {"an empty text", [](TResultCell& c) { c.now.text = ""; }},
        {"bytes that are not the text's",
         [](TResultCell& c) { c.now.SetBytes(QByteArray("\x00\x01\xff", 3)); }},
        {"no bytes at all", [](TResultCell& c) { c.now.SetBytes(QByteArray()); }},
        {"an uptime of its own", [](TResultCell& c) { c.now.upTime = 123456789; }},
        {"no uptime", [](TResultCell& c) { c.now.upTime = -1; }},
        {"a clock before the epoch",
         [](TResultCell& c) {
             c.now.wallMs = -5;
             c.now.text = "1";
         }},
        {"an OID that is not its column's", [](TResultCell& c) { c.oid = "1.3.6.1.2.1.1.3.0"; }},
        {"unanswered", [](TResultCell& c) { c.now.type = snmptype::kNoAnswer; }},
        {"quotes, backslashes and control characters",
         [](TResultCell& c) { c.now.text = QString::fromUtf8("a \"b\" \\ c\td\r\n\x01\x1f\x7f"); }},
        {"a NUL in the text", [](TResultCell& c) { c.now.text = QString(QChar(0)) + "x"; }},
        {"a character past 16 bits",
         [](TResultCell& c) { c.now.text = QString::fromUtf8("\xf0\x9f\x93\xa1 up"); }},
        {"a lone surrogate", [](TResultCell& c) { c.now.text = QString(QChar(0xd800)) + "x"; }},
        {"bytes that are no UTF-8",
         [](TResultCell& c) {
             const QByteArray bytes("\xc3\x28\xff\"\\", 5);
             c.now.text = QString::fromUtf8(bytes);
             c.now.SetBytes(bytes);
         }},
        {"an integer whose bytes are not its text's",
         [](TResultCell& c) {
             c.now.text = "12";
             c.now.SetBytes(QByteArray("\x0c", 1));
         }},
        {"the most negative 18-digit integer", [](TResultCell& c) { c.now.text = "-999999999999999999"; }},
        {"a 64-bit integer past 18 digits", [](TResultCell& c) { c.now.text = "-9223372036854775808"; }},
        {"stale", [](TResultCell& c) { c.stale = true; }},
        {"missing", [](TResultCell& c) { c.missing = true; }},
    };
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(File("values.sqlite")));
    THistoryShoot shoot = MadeShoot(1, 40, kMinute);
    shoot.upTime = 100;
    ASSERT_TRUE(database.Append(shoot));
    // Written again as changes (the last rows cross a block's end), then whole.
    for (int serial = 2; serial <= 3; ++serial) {
        shoot = NextShoot(shoot);
        for (std::size_t i = 0; i < std::size(cases); ++i)
            cases[i].make(CellOf(shoot, static_cast<int>(i * 2 % 39), 1));
        if (serial == 3)
            shoot.rows.removeLast();
        ASSERT_TRUE(database.Append(shoot)) << database.LastError().toStdString();
        const QVector<TResultRow> rows = database.RowsOf(serial);
        ASSERT_EQ(rows.size(), shoot.rows.size());
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const TResultCell& want = CellOf(shoot, static_cast<int>(i * 2 % 39), 1);
            const TResultCell& got = rows[static_cast<qsizetype>(i * 2 % 39)].cells[1];
            EXPECT_EQ(got.oid, want.oid) << cases[i].why;
            EXPECT_EQ(got.now.text, want.now.text) << cases[i].why;
            EXPECT_EQ(got.now.Bytes(), want.now.Bytes()) << cases[i].why;
            EXPECT_EQ(got.now.type, want.now.type) << cases[i].why;
            EXPECT_EQ(got.now.upTime, want.now.upTime) << cases[i].why;
            EXPECT_EQ(got.now.wallMs, want.now.wallMs) << cases[i].why;
            EXPECT_EQ(got.now.arrivedMs, want.now.arrivedMs) << cases[i].why;
            EXPECT_EQ(got.stale, want.stale) << cases[i].why;
            EXPECT_EQ(got.missing, want.missing) << cases[i].why;
        }
    }
    // A chart finds a cell by an OID that is not its column's as well, from
    // the whole shoot that has it on.
    EXPECT_EQ(database.Readings("1.3.6.1.2.1.1.3.0").size(), 1);
    EXPECT_EQ(database.Readings(CellOf(shoot, 38, 2).oid).size(), 3);
}

TEST_F(HistoryTest, DamagedBlocksAreReadUpToTheirDamage)
{
    const QString path = File("damaged.sqlite");
    {
        THistoryDatabase database;
        ASSERT_TRUE(database.Open(path));
        ASSERT_TRUE(database.Append(MadeShoot(1, 40, kMinute)));
    }
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
        writer.setDatabaseName(path);
        ASSERT_TRUE(writer.open());
        QSqlQuery damage(writer);
        // Cut short; a varint that never ends.
        ASSERT_TRUE(damage.exec("UPDATE block SET data = substr(data, 1, length(data) / 2) WHERE first = 0"));
        ASSERT_TRUE(damage.exec("UPDATE block SET data = x'ffffffffffffffffffffffff' WHERE first > 0"));
        writer.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("damage"));
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(path));
    const QVector<TResultRow> rows = database.RowsOf(1);
    ASSERT_EQ(rows.size(), 40);
    EXPECT_EQ(rows[0].cells.size(), 3);  // before the cut
    EXPECT_TRUE(rows[39].cells.isEmpty());
    EXPECT_EQ(database.Readings(MadeShoot(1, 40, 0).rows[39].cells[0].oid).size(), 0);
    EXPECT_EQ(database.WalkNewest(1, [](const TRecordedShoot&, const QVector<TResultRow>&) {}), 1);
}

namespace {

// Schema 2's or 3's shoots of row 0 of `first`: shoot 1 whole (cells 0, 10
// and 20), shoot 2 its change of the third cell to 25. Schema 2 writes them
// as rows of table cell, 3 as packed blocks.
QStringList OldRecording(int version, const THistoryShoot& first)
{
    const bool packed = version == 3;
    QStringList statements = {
        "PRAGMA application_id=1448625969",
        QStringLiteral("PRAGMA user_version=%1").arg(version),
        QStringLiteral(
            "CREATE TABLE shoot (id INTEGER PRIMARY KEY, wall_ms INTEGER NOT NULL, agent TEXT NOT NULL, layout"
            " TEXT NOT NULL, targets TEXT NOT NULL, row_count INTEGER NOT NULL, base INTEGER, up_time INTEGER"
            " NOT NULL DEFAULT -1)"),
        QStringLiteral(
            "CREATE TABLE row (shoot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL, suffix TEXT"
            " NOT NULL, %1 PRIMARY KEY (shoot, position)) WITHOUT ROWID")
            .arg(packed ? "cells INTEGER," : ""),
        QStringLiteral(
            "CREATE TABLE cell (shoot INTEGER NOT NULL, position INTEGER NOT NULL, col INTEGER NOT NULL, oid TEXT"
            " NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL, raw BLOB, arrived_ms INTEGER NOT NULL, wall_ms"
            " INTEGER NOT NULL, up_time INTEGER NOT NULL, state INTEGER NOT NULL, PRIMARY KEY (shoot, position,"
            " col)) WITHOUT ROWID"),
        "CREATE INDEX cell_by_oid ON cell (oid, shoot)",
        QStringLiteral("INSERT INTO shoot VALUES (1, 60000, 'a', 'table', '%1', 1, NULL, 100),"
                       " (2, 61000, 'a', 'table', '%1', 1, 1, 110)")
            .arg(first.targets.join(' ')),
        QStringLiteral("INSERT INTO row VALUES (1, 0, '%1', '.1'%2)")
            .arg(first.rows[0].key, packed ? ", 3" : "")};
    if (packed)
        statements
            << "CREATE TABLE block (shoot INTEGER NOT NULL, first INTEGER NOT NULL, cells INTEGER NOT NULL,"
               " data BLOB NOT NULL, PRIMARY KEY (shoot, first))";
    const auto cells = [&](int shoot, int from, int to, int value, int step) {
        TCellBlockWriter block;
        block.Start(0, shoot == 1 ? 100 : 110);
        for (int c = from; c <= to; ++c, value += step) {
            TCellValue v;
            v.text = QString::number(value);
            v.SetBytes(QByteArray::number(value));
            v.type = snmptype::kCounter32;
            v.arrivedMs = shoot * 1000;
            v.wallMs = 59000 + shoot * 1000;
            v.upTime = shoot == 1 ? 100 : 110;
            const QString& oid = first.rows[0].cells[c].oid;
            block.Add(0, c, v, oid, TCellForm(v, oid, &first.targets[c], ".1"), 0);
            if (!packed)
                statements << QStringLiteral(
                                  "INSERT INTO cell VALUES (%1, 0, %2, '%3', 65, '%4', NULL, %5, %6, %7, 0)")
                                  .arg(shoot)
                                  .arg(c)
                                  .arg(oid)
                                  .arg(value)
                                  .arg(v.arrivedMs)
                                  .arg(v.wallMs)
                                  .arg(v.upTime);
        }
        if (packed)
            statements << QStringLiteral("INSERT INTO block VALUES (%1, 0, %2, x'%3')")
                              .arg(shoot)
                              .arg(block.Cells())
                              .arg(QString::fromLatin1(block.Data().toHex()));
    };
    cells(1, 0, 2, 0, 10);
    cells(2, 2, 2, 25, 0);
    return statements;
}

}  // namespace

TEST_F(HistoryTest, RecordingsOfTheSecondAndThirdSchemaAreReadAcrossTheirOwnAndNewShoots)
{
    // Then two shoots of the same row are recorded, as JSON.
    const THistoryShoot first = MadeShoot(1, 1, kMinute);
    for (const int version : {2, 3}) {
        const QString path = File(QStringLiteral("schema%1.sqlite").arg(version));
        {
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            old.setDatabaseName(path);
            ASSERT_TRUE(old.open());
            QSqlQuery q(old);
            for (const QString& statement : OldRecording(version, first))
                ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        THistoryDatabase database;
        ASSERT_TRUE(database.Open(path)) << database.LastError().toStdString();
        EXPECT_EQ(database.RowsOf(2)[0].cells[0].now.text, "0") << version;  // written at shoot 1
        THistoryShoot next = MadeShoot(3, 1, 2 * kMinute);
        ASSERT_TRUE(database.Append(next));
        next = NextShoot(next);
        CellOf(next, 0, 2).now.text = "99";
        ASSERT_TRUE(database.Append(next));
        const QString oid = first.rows[0].cells[2].oid;
        const QStringList want = {"20", "25", MadeShoot(3, 1, 0).rows[0].cells[2].now.text, "99"};
        QStringList read;
        for (const TRecordedReading& reading : database.Readings(oid))
            read << reading.value.text;
        EXPECT_EQ(read, want) << version;
        EXPECT_EQ(database.RowsOf(2)[0].cells[2].now.wallMs, 61000) << version;
        EXPECT_EQ(database.RowsOf(4)[0].cells[2].now.text, "99") << version;
        QStringList walked;
        database.WalkNewest(3, [&](const TRecordedShoot&, const QVector<TResultRow>& rows) {
            walked << rows[0].cells[2].now.text + "<" + rows[0].cells[2].Previous().text;
        });
        EXPECT_EQ(walked, (QStringList{"25<20", want[2] + "<25", "99<" + want[2]})) << version;
    }
}

namespace {

// What the sqlite3 tool prints for sql on the recording at path, in its
// list form or (json) as JSON.
QByteArray Sqlite3(const QString& path, const QString& sql, bool json = false)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    EXPECT_FALSE(tool.isEmpty())
        << "the sqlite3 tool is not installed (Debian package sqlite3, scripts/deps)";
    QProcess sqlite;
    sqlite.start(tool, json ? QStringList{"-json", path, sql} : QStringList{path, sql});
    EXPECT_TRUE(sqlite.waitForFinished(30000)) << "sqlite3 did not end";
    EXPECT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    return sqlite.readAllStandardOutput();
}

}  // namespace

TEST_F(HistoryTest, PlainSqlite3ReadsTheRecordedCellsAsTheProgramReadsThemBack)
{
    const QString path = File("plain.sqlite");
    THistoryDatabase database;
    ASSERT_TRUE(database.Open(path));
    THistoryShoot shoot =
        MadeShoot(1, 40, QDateTime(QDate(2026, 12, 9), QTime(14, 3, 12), Qt::UTC).toMSecsSinceEpoch());
    shoot.upTime = 100;
    CellOf(shoot, 0, 1).now.text = QString::fromUtf8("\"up\" \\ \xc3\xbc\t");
    CellOf(shoot, 5, 2).oid = "1.3.6.1.2.1.1.3.0";
    CellOf(shoot, 33, 0).stale = true;
    CellOf(shoot, 34, 1).now.upTime = -1;
    CellOf(shoot, 34, 1).now.SetBytes(QByteArray("\xff", 1));
    ASSERT_TRUE(database.Append(shoot));
    // Nothing changed, then ifInOctets.1 and one other cell.
    shoot = NextShoot(shoot);
    ASSERT_TRUE(database.Append(shoot));
    shoot = NextShoot(NextShoot(shoot));
    CellOf(shoot, 0, 0).now.text = "77";
    CellOf(shoot, 39, 2).now.text = "-5";
    ASSERT_TRUE(database.Append(shoot));

    // The README's queries, as written there.
    QByteArray listed;
    for (const TRecordedReading& reading : database.Readings("1.3.6.1.2.1.2.2.1.10.1")) {
        if (reading.shoot != 2)
            listed += QDateTime::fromMSecsSinceEpoch(reading.value.wallMs, Qt::UTC)
                          .toString("yyyy-MM-dd HH:mm:ss")
                          .toUtf8()
                    + "|" + reading.value.text.toUtf8() + "\n";
    }
    EXPECT_EQ(Sqlite3(path, "SELECT datetime(shoot_ms/1000,'unixepoch'), value FROM reading"
                            " WHERE oid = '1.3.6.1.2.1.2.2.1.10.1' ORDER BY shoot"),
              listed);
    EXPECT_EQ(Sqlite3(path, "SELECT shoot, count(*) FROM reading GROUP BY shoot"), "1|120\n3|2\n");

    // Every field of every cell the view lists, as the program reads it back at its shoot.
    const QJsonArray cells =
        QJsonDocument::fromJson(
            Sqlite3(path,
                    "SELECT shoot, position, col, oid, type, value, state, arrived_ms, wall_ms,"
                    " up_time FROM reading",
                    true))
            .array();
    ASSERT_EQ(cells.size(), 122);
    for (const QJsonValue& cell : cells) {
        const QJsonObject got = cell.toObject();
        const QVector<TResultRow> rows = database.RowsOf(got["shoot"].toInteger());
        const TResultCell& want = rows.at(got["position"].toInt()).cells.at(got["col"].toInt());
        const QJsonValue value = got["value"];
        const QString where = QStringLiteral("shoot %1 row %2 col %3")
                                  .arg(got["shoot"].toInteger())
                                  .arg(got["position"].toInt())
                                  .arg(got["col"].toInt());
        EXPECT_EQ(got["oid"].toString(), want.oid) << where.toStdString();
        EXPECT_EQ(got["type"].toInt(), want.now.type) << where.toStdString();
        EXPECT_EQ(value.isString() ? value.toString() : QString::number(value.toInteger()), want.now.text)
            << where.toStdString();
        EXPECT_EQ(got["state"].toInt(), want.stale ? 2 : 0) << where.toStdString();
        EXPECT_EQ(got["arrived_ms"].toInteger(), want.now.arrivedMs) << where.toStdString();
        EXPECT_EQ(got["wall_ms"].toInteger(), want.now.wallMs) << where.toStdString();
        EXPECT_EQ(got["up_time"].toInteger(), want.now.upTime) << where.toStdString();
    }
}
