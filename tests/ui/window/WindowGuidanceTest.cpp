// What the window says when an agent does not answer, through the real
// TForm1, its engine and the New View's probe against loopback: a silent
// port of the test, snmpd asked with the wrong community, a closed port; and
// the interval and shoot mode that come back with their vexgrid file.
#include "ExportTestSupport.h"
#include "TSilentPort.h"
#include "Screenshot.h"
#include "TSnmpdAgent.h"

#include "core/TRequest.h"
#include "engine/AgentProbe.h"
#include "ui/FileMenu.h"
#include "ui/ResultView.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using exporttest::TTarget;
using vxtest::PumpUntil;

namespace {

// The explanation of a silence of `tries` sends asking for object; without
// tries, of a port that refused.
QString Explanation(const QString& address, const QString& object, int tries)
{
    if (tries == 0)
        return address
             + " refused the request (port unreachable): is an agent running there, and on this port?";
    return QStringLiteral(
               "No answer from %1 for %2 after %3 tries: is the agent up, and is the community right?")
        .arg(address, object, QString::number(tries));
}

enum class TAgent { Silent, WrongCommunity, Closed };

}  // namespace

TEST(WindowGuidance, ATimeOutNamesAgentObjectAndLikelyCause)
{
    TSilentPort silent;
    vxtest::TSnmpdAgent snmpd;
    ASSERT_TRUE(snmpd.Start());
    const int closed = vxtest::FreeUdpPort();
    const auto portOf = [&](TAgent agent) {
        return agent == TAgent::Silent ? silent.Port() : agent == TAgent::Closed ? closed : snmpd.Port();
    };
    const struct {
        const char* why;
        TAgent agent;
        QString host;  // of the New View's Test; empty: a window on targets
        QVector<TTarget> targets;
        QString message;  // the engine's message, first in the panel's tooltip; {}: any
        QString object;   // of the explanation or Test result
        int tries;        // 0: the port refused
    } cases[] = {
        // clang-format off
        {"walk, nobody answers", TAgent::Silent, {}, {{"1.3.6.1.2.1.2.2.1", ""}},
         "Timeout while walking 1.3.6.1.2.1.2.2.1!", "ifEntry", 5},
        {"Gets, wrong community", TAgent::WrongCommunity, {}, {{"1.3.6.1.2.1.1.5", ".0"}, {"1.3.6.1.2.1.1.6", ".0"}},
         {}, "sysName.0 and 1 more", 5},
        {"Test, nobody answers", TAgent::Silent, "127.0.0.1", {}, {}, "sysDescr.0", 3},
        {"Test, wrong community", TAgent::WrongCommunity, "127.0.0.1", {}, {}, "sysDescr.0", 3},
        {"Test, closed port over IPv6", TAgent::Closed, "::1", {}, {}, {}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const int port = portOf(c.agent);
        const QString community =
            c.agent == TAgent::WrongCommunity ? QStringLiteral("wrong") : QStringLiteral("tamvel");
        const QString host = c.host.isEmpty() ? QStringLiteral("127.0.0.1") : c.host;
        const QString address =
            (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host)
            + QLatin1Char(':') + QString::number(port);
        const QString expected = Explanation(address, c.object, c.tries);
        if (!c.host.isEmpty()) {
            TAgentProbe probe;
            QString result;
            QObject::connect(&probe, &TAgentProbe::Finished, [&](const QString& text) { result = text; });
            TRequest agent;
            agent.remoteHost = host;
            agent.remotePort = port;
            agent.community = community;
            agent.snmpVersion = 2;
            probe.Start(agent);
            ASSERT_TRUE(PumpUntil([&] { return !result.isEmpty(); }, 10000));
            EXPECT_EQ(result, expected);
            continue;
        }
        QTemporaryDir dir;
        TForm1 form({QStringLiteral("/XML"),
                     exporttest::WriteVexgridFile(dir.path(), "v.xml", port, community, c.targets)});
        EXPECT_EQ(WaitingSignText(form.Widgets().ListView1),
                  QStringLiteral("Waiting for %1...").arg(address));
        const bool pictured = c.agent == TAgent::Silent;
        if (pictured) {
            form.show();
            vxtest::PumpFor(300);
            vxtest::SaveScreenshot(form, "waiting-table");
        }
        const TStatusPanels& panels = form.StatusPanels();
        const auto told = [&] {
            const QString tip = panels.MessageToolTip();
            return tip.endsWith(expected) && tip.startsWith(c.message);
        };
        ASSERT_TRUE(PumpUntil(told, 30000)) << panels.MessageToolTip().toStdString();
        // The message that waits while the silence is shown comes first.
        QStringList tip{panels.StatusMessage(), expected};
        tip.removeAll(QString());
        EXPECT_EQ(panels.MessageToolTip(), tip.join(QLatin1Char('\n')));
        EXPECT_TRUE(
            panels.ShownMessage().startsWith(QStringLiteral("No answer from %1 since ").arg(address)));
        if (!c.message.isEmpty()) {
            EXPECT_EQ(panels.StatusMessage(), c.message);
        }
        EXPECT_EQ(WaitingSignText(form.Widgets().ListView1), QString()) << "the sign goes with the time-out";
        if (pictured)
            vxtest::SaveScreenshot(form, "time-out");
    }
}

TEST(WindowGuidance, IntervalAndShootModeComeBackWithTheirFile)
{
    TSilentPort silent;
    QTemporaryDir dir;
    const QVector<TTarget> targets{{"1.3.6.1.2.1.1.5", ".0"}};
    const struct {
        QString file;
        const char* interval;
        QAction* (*mode)(const TForm1&);
    } views[] = {
        {exporttest::WriteVexgridFile(dir.path(), "a.xml", silent.Port(), "c", targets), "Interval30s",
         [](const TForm1& f) { return f.Widgets().Every10secondskeepinstances1; }},
        {exporttest::WriteVexgridFile(dir.path(), "b.xml", silent.Port(), "c", targets), "Interval2s",
         [](const TForm1& f) { return f.Widgets().Every10secRefreshinstancesalso1; }},
    };
    for (const auto& view : views) {
        TForm1 form({QStringLiteral("/XML"), view.file});
        form.findChild<QAction*>(QLatin1String(view.interval))->trigger();
        view.mode(form)->trigger();
        form.close();
    }
    TForm1 form({QStringLiteral("/XML"), views[0].file});
    for (const auto& view : views) {
        SCOPED_TRACE(view.interval);
        if (view.file != form.ViewFile()) {
            ASSERT_TRUE(form.FileMenu().OpenFile(view.file));
        }
        EXPECT_TRUE(form.findChild<QAction*>(QLatin1String(view.interval))->isChecked());
        EXPECT_TRUE(view.mode(form)->isChecked());
    }
}
