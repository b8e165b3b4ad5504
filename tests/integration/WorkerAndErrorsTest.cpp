// The worker as the window runs it (countdown panel, closing while a periodic
// mode runs) and the problems a shoot meets, seen in the window: a host that
// cannot be resolved and an agent that never answers.
#include "IntegrationSupport.h"
#include "MessageCapture.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "engine/TMyTimer.h"
#include "TSilentPort.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QElapsedTimer>
#include <QRegularExpression>

#include "UnresolvableHost.h"

#include <gtest/gtest.h>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");

const QString kUnresolvableHost = UnresolvableHost();
const QString kHostNotFound = QStringLiteral("11001: [11001] Host not found");

}  // namespace

TEST(Worker, CountdownPanelShowsDigitsOnlyWhileAPeriodicModeIsChecked)
{
    // A file without targets: the window runs, but no shoot sends anything.
    TVexgridFiles files;
    TForm1 form(XmlArgs(files.Write("quiet.xml", {vxtest::FreeUdpPort()}, {})));
    ShowWindow(form);
    const TShootEngine& engine = form.Engine();

    ASSERT_TRUE(PumpUntil([&] { return engine.Scheduler().Countdown() != 9; }, 5000))
        << "the worker does not tick";
    EXPECT_EQ(form.StatusPanels().CountdownText(), "");

    form.Widgets().Every10secondskeepinstances1->trigger();
    ASSERT_TRUE(PumpUntil([&] { return !form.StatusPanels().CountdownText().isEmpty(); }, 5000));
    static const QRegularExpression digit(QStringLiteral("^[0-9]$"));
    const QString shown = form.StatusPanels().CountdownText();
    EXPECT_TRUE(digit.match(shown).hasMatch()) << shown.toStdString();
    EXPECT_EQ(shown, QString::number(engine.Scheduler().Countdown()));
    // It counts down once a second.
    ASSERT_TRUE(PumpUntil([&] { return form.StatusPanels().CountdownText() != shown; }, 5000));
    EXPECT_EQ(form.StatusPanels().CountdownText(), QString::number(engine.Scheduler().Countdown()));

    form.Widgets().Now1->trigger();
    EXPECT_TRUE(PumpUntil([&] { return form.StatusPanels().CountdownText().isEmpty(); }, 5000));
}

TEST(Worker, ClosingWhileAPeriodicModeRunsEndsPromptly)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("table.xml", {agent->Port(), 2}, {{kIfIndex, ""}, {kIfDescr, ""}});
    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));

    // Reread mode with a re-shoot under way when the window closes.
    form.Widgets().Every10secRefreshinstancesalso1->trigger();
    PumpFor(1200);
    while (form.Engine().Scheduler().Countdown() != 1)
        form.Engine().Scheduler().CountdownTick();
    form.Engine().Scheduler().CountdownTick();
    ASSERT_FALSE(form.Widgets().Shootagain2->isEnabled());

    QElapsedTimer closing;
    closing.start();
    form.Widgets().Close1->trigger();
    const qint64 elapsed = closing.elapsed();
    // The worker's sleep is under 2 s; this bound only catches a hang.
    EXPECT_LT(elapsed, 5000);
    ASSERT_NE(form.Worker(), nullptr);
    EXPECT_TRUE(form.Worker()->WorkerFinished());
    EXPECT_FALSE(form.isVisible());
    // Answers still on their way find a closed window and do no harm.
    PumpFor(300);
}

TEST(Errors, UnresolvableHostShowsHostNotFoundAtStartupAndOnNow)
{
    const struct {
        const char* layout;
        QList<TVexgridTarget> targets;
    } cases[] = {
        {"list", {{"1.3.6.1.2.1.1.5", ".0"}, {"1.3.6.1.2.1.1.6", ".0"}}},
        {"instance table", {{kIfIndex, ""}, {kIfDescr, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        TMessageCapture messages;
        TVexgridFiles files;
        TVexgridAgent agent;
        agent.host = kUnresolvableHost;
        TForm1 form(XmlArgs(files.Write("nohost.xml", agent, c.targets)));
        ShowWindow(form);
        EXPECT_EQ(form.StatusPanels().StatusMessage(), kHostNotFound);
        EXPECT_EQ(OpenRequests(form), 0);
        EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());

        form.Widgets().Now1->trigger();
        EXPECT_EQ(form.StatusPanels().StatusMessage(), kHostNotFound);
        EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());
        EXPECT_EQ(form.ResultTable().rowCount(), 0);
        EXPECT_TRUE(messages.texts.isEmpty());
    }
}

TEST(Errors, SilentAgentEndsTheDiscoveryWalkWithATimeout)
{
    TSilentPort silent;
    TVexgridFiles files;
    TForm1 form(XmlArgs(files.Write("silent.xml", {silent.Port(), 2}, {{kIfIndex, ""}, {kIfDescr, ""}})));
    ShowWindow(form);

    // One send and four resends a second apart, then the time-out: about
    // five seconds of the real worker.
    ASSERT_TRUE(
        PumpUntil([&] { return form.StatusPanels().StatusMessage() == kTextDiscoveryTimeout; }, 15000))
        << form.StatusPanels().StatusMessage().toStdString();
    EXPECT_EQ(silent.TakeDatagrams(), TShootEngine::kSendsPerRequest);
    EXPECT_EQ(form.ResultTable().rowCount(), 0);
    EXPECT_EQ(OpenRequests(form), 0);
    // The walk is over: "Shoot again" works again.
    EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());
    EXPECT_EQ(form.StatusPanels().EntryCountText(), "#Entries 0");
}
