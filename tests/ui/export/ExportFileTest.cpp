// "/EXPORT file.csv" through the real window against snmpsim: the CSV after
// each shoot, its read-back with Python's csv module, paths that cannot be
// written, and runs without the switch.
#include "ExportTestSupport.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace exporttest;

namespace {

// The list layout of SystemTargets as the CSV holds it, header first.
const TRecords kSystemRecords = {
    {QStringLiteral("Description ... "), QStringLiteral("Value")},
    {QStringLiteral("sysDescr.0"), QStringLiteral("Core router, \"edge\"\r\nrack 4, row 2")},
    {QStringLiteral("sysContact.0"), QStringLiteral("ops\tnight shift")},
    {QStringLiteral("sysName.0"), QStringLiteral("Gr\u00fc\u00dfe \u2713 Z\u00fcrich")},
    {QStringLiteral("sysLocation.0"), QStringLiteral("43 61 66 E9")},
};

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString FailureText(const QString& absolutePath)
{
    return QStringLiteral("Export to ") + absolutePath + QStringLiteral(" failed: ");
}

class ExportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(StartSharedAgent(&port));
    }

    QString Vexgrid(const QVector<TTarget>& targets)
    {
        return WriteVexgridFile(dir.path(), QStringLiteral("plan.xml"), port, kCommunity, targets);
    }

    QTemporaryDir dir;
    int port = 0;
};

TEST_F(ExportFile, ListLayoutCsvReadsBackWithPython)
{
    const QString csv = dir.filePath(QStringLiteral("system.csv"));
    TForm1 form({QStringLiteral("/XML"), Vexgrid(SystemTargets()), QStringLiteral("/export"), csv});
    TShootCounter shoots(form);
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();

    EXPECT_EQ(ReadWithPythonCsv(csv), kSystemRecords);
    const QByteArray bytes = ReadFile(csv).value_or(QByteArray());
    EXPECT_TRUE(bytes.startsWith(
        "Description ... ,Value\r\nsysDescr.0,\"Core router, \"\"edge\"\"\r\nrack 4, row 2\"\r\n"))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("sysName.0,Gr\xc3\xbc\xc3\x9f"
                               "e \xe2\x9c\x93 Z\xc3\xbcrich\r\n"))
        << "UTF-8";
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{QStringLiteral("plan.xml"), QStringLiteral("system.csv")}));
}

TEST_F(ExportFile, SortedTableIsWrittenAfterEveryShootAlsoAfterAKeepModeRefill)
{
    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    const QVector<TTarget> targets = TableTargets();
    TForm1 form({QStringLiteral("/XML"), Vexgrid(targets), QStringLiteral("/EXPORT"), csv});
    TShootCounter shoots(form);
    form.show();
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();

    // The Index column comes first: each row's instance.
    const QStringList header = {QStringLiteral("Index"), QStringLiteral("enterprises.55555.7.1.1"),
                                QStringLiteral("enterprises.55555.7.1.2"),
                                QStringLiteral("enterprises.55555.7.1.3")};
    const QStringList row1 = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("uplink, \"core\""),
                              QStringLiteral("100")};
    const QStringList row2 = {QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("two lines"),
                              QStringLiteral("9")};
    const QStringList row3 = {QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("tab\there"),
                              QStringLiteral("2500")};
    const QStringList row4 = {QStringLiteral("4"), QStringLiteral("4"),
                              QStringLiteral("Gr\u00fc\u00dfe \u2713"), QStringLiteral("10")};
    EXPECT_EQ(ReadWithPythonCsv(csv), (TRecords{header, row1, row2, row3, row4})) << "walk order";

    // Sort by the counters (a header click), then let the worker's countdown
    // start a keep-mode re-shoot, which refills the rows in place.
    QHeaderView* headerView = form.Widgets().ListView1->header();
    QTest::mouseClick(headerView->viewport(), Qt::LeftButton, {},
                      QPoint(headerView->sectionViewportPosition(4) + 5, headerView->height() / 2));
    ASSERT_EQ(form.ResultTable().SortColumn(), 4);
    ASSERT_TRUE(QFile::remove(csv));
    form.Widgets().Every10secondskeepinstances1->trigger();
    while (form.Engine().Scheduler().Countdown() != 1)  // the next tick shoots
        form.Engine().Scheduler().CountdownTick();
    ASSERT_TRUE(shoots.WaitFor(2)) << form.StatusPanels().StatusMessage().toStdString();
    EXPECT_TRUE(form.Engine().RowCursor().Refilling()) << "the re-shoot refilled the known rows";
    EXPECT_EQ(ReadWithPythonCsv(csv), (TRecords{header, row2, row4, row1, row3})) << "sorted order";
}

// A path that cannot be written shows one line and is tried again after the
// next shoot; once it can be written, the next shoot writes it.
TEST_F(ExportFile, UnwritablePathIsReportedAndRetriedAfterTheNextShoot)
{
    const QString plan = Vexgrid(SystemTargets());
    const QString folder = dir.path();
    const struct {
        const char* what;
        QString exportArg;     // as given on the command line
        QString absolutePath;  // as the message names it
        std::function<bool()> makeWritable;
    } cases[] = {
        {"missing folder", folder + QStringLiteral("/missing/t.csv"),
         folder + QStringLiteral("/missing/t.csv"),
         [&] { return QDir(folder).mkdir(QStringLiteral("missing")); }},
        {"a folder stands where the file should be", folder + QStringLiteral("/taken.csv"),
         folder + QStringLiteral("/taken.csv"),
         [&] { return QDir(folder).rmdir(QStringLiteral("taken.csv")); }},
        {"relative path, missing folder", QStringLiteral("rel/t.csv"), folder + QStringLiteral("/rel/t.csv"),
         [&] { return QDir(folder).mkdir(QStringLiteral("rel")); }},
    };
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("taken.csv")));
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TForm1 form({QStringLiteral("/XML"), plan, QStringLiteral("/EXPORT"), c.exportArg});
        TShootCounter shoots(form);
        for (int shoot = 1; shoot <= 2; ++shoot) {
            if (shoot > 1)
                form.Widgets().Now1->trigger();
            ASSERT_TRUE(shoots.WaitFor(shoot));
            const QString message = form.StatusPanels().StatusMessage();
            EXPECT_TRUE(message.startsWith(FailureText(c.absolutePath))) << message.toStdString();
            EXPECT_GT(message.size(), FailureText(c.absolutePath).size()) << "the reason is given";
            EXPECT_FALSE(QFileInfo(c.absolutePath).isFile());
            EXPECT_TRUE(form.Widgets().Copytableastext1->isEnabled() && form.Widgets().Now1->isEnabled());
        }

        ASSERT_TRUE(c.makeWritable());
        form.Widgets().Now1->trigger();
        ASSERT_TRUE(shoots.WaitFor(3));
        EXPECT_EQ(ReadWithPythonCsv(c.absolutePath), kSystemRecords);
        EXPECT_FALSE(form.StatusPanels().StatusMessage().startsWith(QStringLiteral("Export")))
            << form.StatusPanels().StatusMessage().toStdString();
        const QString target = QFileInfo(c.absolutePath).fileName();
        QStringList named;  // the file and any temporary file named after it
        for (const QString& entry : FilesIn(QFileInfo(c.absolutePath).path())) {
            if (entry.startsWith(target))
                named << entry;
        }
        EXPECT_EQ(named, QStringList{target}) << "no temporary file is left behind";
    }
    QDir::setCurrent(cwd);
}

// A write that fails half-way (here: the file size limit, as a full disk
// would) keeps the previous file whole and leaves no temporary file.
TEST_F(ExportFile, FailedWriteKeepsThePreviousFile)
{
    const QString csv = dir.filePath(QStringLiteral("system.csv"));
    TForm1 form({QStringLiteral("/XML"), Vexgrid(SystemTargets()), QStringLiteral("/EXPORT"), csv});
    TShootCounter shoots(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    const std::optional<QByteArray> before = ReadFile(csv);
    ASSERT_TRUE(before && before->size() > 20);
    // The file size limit below would fail the recording too, whose message
    // could come after the export's.
    form.Widgets().RecordHistory1->setChecked(false);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(before->size() / 2);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of a signal
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    form.Widgets().Now1->trigger();
    const bool finished = shoots.WaitFor(2);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_TRUE(finished);

    const QString message = form.StatusPanels().StatusMessage();
    EXPECT_TRUE(message.startsWith(FailureText(csv))) << message.toStdString();
    EXPECT_EQ(ReadFile(csv), before);
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{QStringLiteral("plan.xml"), QStringLiteral("system.csv")}));

    // The limit gone, the next shoot writes again.
    ASSERT_TRUE(QFile::remove(csv));
    form.Widgets().Now1->trigger();
    ASSERT_TRUE(shoots.WaitFor(3));
    EXPECT_EQ(ReadWithPythonCsv(csv), kSystemRecords);
}

TEST_F(ExportFile, NothingIsWrittenWithoutTheSwitch)
{
    const QString plan = Vexgrid(SystemTargets());
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QStringList cases[] = {
        {QStringLiteral("/XML"), plan},
        {QStringLiteral("/XML"), plan, QStringLiteral("/EXPORT")},  // no value: ignored
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        TForm1 form(args);
        TShootCounter shoots(form);
        ASSERT_TRUE(shoots.WaitFor(1));
        form.Widgets().Now1->trigger();
        ASSERT_TRUE(shoots.WaitFor(2));
        EXPECT_TRUE(form.Settings().exportPath.isEmpty());
        // sysDescr.0's two lines are two rows of the table, one record of the file.
        EXPECT_EQ(form.ResultTable().rowCount(), kSystemRecords.size());
        EXPECT_EQ(form.StatusPanels().StatusMessage(), QString());
        EXPECT_EQ(FilesIn(dir.path()), QStringList{QStringLiteral("plan.xml")});
    }
    QDir::setCurrent(cwd);
}

}  // namespace
