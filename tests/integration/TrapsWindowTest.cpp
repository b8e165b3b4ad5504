// Traps and informs through the real main window: a linkDown from snmptrap
// while the window shoots snmpd, shown in the traps window with its bindings,
// counted in the status bar, logged and exported, and never a row of the
// result table.
#include "IntegrationSupport.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "TrapTools.h"
#include "ui/TrapsWindow.h"
#include "ui/Unit1.h"
#include "traps/TrapCenter.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The main window shooting snmpd's system group, receiving notifications
// on a port of its own and logging them.
class TrapsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent = NewSnmpd();
        ASSERT_TRUE(agent && agent->Start());
        trapPort = vxtest::FreeUdpPort();
        args = XmlArgs(files.Write("plan.xml", {agent->Port(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}}));
        args << "--trap-port" << QString::number(trapPort) << "--trap-log" << log.filePath("traps.csv");
    }
    void SendLinkDown()
    {
        const vxtest::TToolRun run =
            vxtest::RunSnmpTool(QStringLiteral("snmptrap"),
                                {"-v", "2c", "-c", "public", QStringLiteral("127.0.0.1:%1").arg(trapPort), "",
                                 "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.2.1.2.2.1.1.2", "i", "2",
                                 "1.3.6.1.2.1.2.2.1.7.2", "i", "2", "1.3.6.1.2.1.2.2.1.8.2", "i", "2"});
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    }

    std::unique_ptr<vxtest::TSnmpdAgent> agent;
    TVexgridFiles files;
    QTemporaryDir log;
    QStringList args;
    int trapPort = 0;
};

}  // namespace

TEST_F(TrapsWindowTest, LinkDownIsShownWithItsBindingsLoggedAndNeverARowOfTheTable)
{
    TForm1 form(args);
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    SendLinkDown();
    ASSERT_TRUE(PumpUntil([&] { return form.Widgets().TrapCounter->text() == "1 trap"; }, 5000))
        << form.Widgets().TrapCounter->text().toStdString();
    form.Widgets().Now1->trigger();
    ASSERT_TRUE(shoots.WaitFor(2)) << "the table shoots on beside the notifications";
    EXPECT_EQ(form.ResultTable().rowCount(), 1);
    EXPECT_EQ(Column(form, 2), QStringList{"vexgrid-box"});

    form.Widgets().TrapCounter->click();
    TTrapsWindow* window = form.TrapsWindow();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->ListeningText(), QStringLiteral("Listening on [::]:%1 (IPv6 and IPv4)").arg(trapPort));
    QTreeView* list = window->List();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, TTrapList::ColName).data().toString(), "linkDown");
    EXPECT_EQ(list->model()->index(0, TTrapList::ColSource).data().toString().section(u':', 0, 0),
              "127.0.0.1");
    list->setCurrentIndex(list->model()->index(0, 0));
    QStringList bindings;
    for (int i = 0; i < window->Details()->topLevelItemCount(); ++i)
        bindings << window->Details()->topLevelItem(i)->text(0) + u'='
                        + window->Details()->topLevelItem(i)->text(1);
    EXPECT_EQ(bindings,
              (QStringList{"sysUpTime.0=" + bindings.value(0).section(u'=', 1), "snmpTrapOID.0=linkDown",
                           "ifIndex.2=2", "ifAdminStatus.2=down(2)", "ifOperStatus.2=down(2)"}));
    if (const QByteArray shot = qgetenv("VEXGRID_TRAPS_SCREENSHOT"); !shot.isEmpty())
        window->grab().save(QString::fromLocal8Bit(shot));

    const QByteArray logged = ReadFile(log.filePath("traps.csv"));
    EXPECT_TRUE(logged.startsWith("Time,Source,Version,Community,Kind,Name,OID,Bindings,State\r\n"));
    EXPECT_TRUE(logged.contains(",v2c,public,v2c trap,IF-MIB::linkDown,1.3.6.1.6.3.1.1.5.3,"))
        << logged.data();
    const QString exported = log.filePath("export.csv");
    EXPECT_EQ(window->ExportCsv(exported), QString());
    EXPECT_EQ(ReadFile(exported), logged) << "the export of one notification is its log";
    window->SetFilterText(QStringLiteral("coldStart"));
    EXPECT_EQ(list->model()->rowCount(), 0);
}

TEST_F(TrapsWindowTest, WindowOpensFromTheCommandLineTheMenuAndTheCounter)
{
    struct {
        QStringList extra;
        std::function<void(TForm1&)> open;
        const char* why;
    } const cases[] = {
        {{"--traps"}, [](TForm1&) {}, "--traps"},
        {{"/TRAPS"}, [](TForm1&) {}, "/TRAPS"},
        {{}, [](TForm1& form) { form.Widgets().TrapsAndInforms1->trigger(); }, "View > Traps and informs"},
        {{}, [](TForm1& form) { form.Widgets().TrapCounter->click(); }, "the status bar's counter"},
    };
    for (const auto& c : cases) {
        TForm1 form(args + c.extra);
        ShowWindow(form);
        c.open(form);
        EXPECT_TRUE(PumpUntil([&] { return form.TrapsWindow() && form.TrapsWindow()->isVisible(); }, 2000))
            << c.why;
    }
    TForm1 form(args);
    EXPECT_EQ(form.Widgets().TrapsAndInforms1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    EXPECT_EQ(form.Widgets().TrapCounter->text(), "0 traps");
}

TEST_F(TrapsWindowTest, SnmpV3UsersOfTheDialogAreKeptAndOnlyAuthenticTrapsAreListed)
{
    TForm1 form(args);
    ShowWindow(form);
    form.Widgets().TrapsAndInforms1->trigger();
    TTrapsWindow* window = form.TrapsWindow();
    ASSERT_TRUE(window);
    window->findChild<QPushButton*>(QStringLiteral("UsersButton"))->click();
    auto* dialog = window->findChild<TTrapUsersDialog*>();
    ASSERT_TRUE(dialog && dialog->isVisible());
    const TTrapUser ops{"ops", 2, 4, "ops-auth-pass", 2, "ops-priv-pass"};
    dialog->SetUsers({{"ops", 2, 4, "ops-auth-pass", 2, "short"}});
    dialog->Apply();
    EXPECT_TRUE(dialog->isVisible()) << "a user that cannot be taken keeps the dialog open";
    EXPECT_TRUE(dialog->ProblemsText().contains(QLatin1String("at least 8 characters")));
    dialog->SetUsers({ops});
    dialog->Apply();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(SavedTrapUsers(), QVector<TTrapUser>{ops});

    for (const char* authPassword : {"ops-auth-pass", "not-the-password"}) {
        const vxtest::TToolRun run =
            vxtest::RunSnmpTool(QStringLiteral("snmptrap"), {"-v",
                                                             "3",
                                                             "-e",
                                                             "0x80000000010203",
                                                             "-u",
                                                             "ops",
                                                             "-l",
                                                             "authPriv",
                                                             "-a",
                                                             "SHA-256",
                                                             "-A",
                                                             authPassword,
                                                             "-x",
                                                             "AES",
                                                             "-X",
                                                             "ops-priv-pass",
                                                             QStringLiteral("127.0.0.1:%1").arg(trapPort),
                                                             "",
                                                             "1.3.6.1.6.3.1.1.5.3",
                                                             "1.3.6.1.2.1.2.2.1.1.2",
                                                             "i",
                                                             "2"});
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    }
    ASSERT_TRUE(PumpUntil(
        [&] { return window->CountsText().contains(QLatin1String("1 failed authentication")); }, 5000))
        << window->CountsText().toStdString();
    QTreeView* list = window->List();
    ASSERT_EQ(list->model()->rowCount(), 1) << "the trap with the wrong password is not listed";
    EXPECT_EQ(list->model()->index(0, TTrapList::ColCommunity).data().toString(), "ops");
    EXPECT_EQ(list->model()->index(0, TTrapList::ColKind).data().toString(), "v3 trap");
    const QByteArray logged = ReadFile(log.filePath("traps.csv"));
    EXPECT_TRUE(logged.contains(",v3,ops,v3 trap,IF-MIB::linkDown,")) << logged.data();
    EXPECT_TRUE(logged.contains("wrong digest")) << logged.data();
    EXPECT_TRUE(logged.trimmed().endsWith(",failed authentication")) << logged.data();
    SaveTrapUsers({});  // the settings folder is the whole binary's
}
