// An agent that stops answering, a whole shoot long or for one row: the view
// is told whom and since when, until an answer comes.
#include "TAgentProcess.h"
#include "TEngineHarness.h"
#include "TScriptedAgent.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <atomic>

namespace {

const std::string kKeys = "1.3.6.1.4.1.55555.7.1";
const std::string kNames = "1.3.6.1.4.1.55555.7.2";

// A table of three rows (.1 .2 .3) that goes silent as the test says.
std::optional<TAgentAnswer> TableAnswer(const TAgentRequest& request)
{
    TAgentAnswer answer;
    for (const std::string& oid : request.oids) {
        const char last = oid.back();
        const std::string next = oid == kKeys ? kKeys + ".1"
                               : last < '3'   ? kKeys + "." + char(last + 1)
                                              : kNames;
        answer.push_back(TScriptedAgent::Text(request.getNext ? next : oid, "v"));
    }
    return answer;
}

QString Since(int port, std::int64_t ms)
{
    return QStringLiteral("No answer from 127.0.0.1:%1 since %2")
        .arg(port)
        .arg(QDateTime::fromMSecsSinceEpoch(ms).toString("HH:mm:ss"));
}

}  // namespace

TEST(AgentSilence, ViewNamesTheSilentAgentSinceItsLastAnswerUntilItAnswers)
{
    std::atomic<bool> silentAll{false};
    std::atomic<char> silentRow{0};  // the last digit of the row whose Get goes unanswered
    TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
        if (silentAll || (!r.getNext && r.oids.at(0).back() == silentRow))
            return std::nullopt;
        return TableAnswer(r);
    });
    ASSERT_TRUE(agent.Start());
    const struct {
        const char* why;
        bool answeredBefore;  // a first shoot was answered at t1
        bool silentAll;
        char silentRow;
        bool closedPort;  // nobody listens: the refused request tells at once
        bool backAfter;   // the agent answers the next shoot
    } cases[] = {
        {"silent from the start: since the first request", false, true, 0, false, false},
        {"silent after a shoot it answered: since that answer; back: cleared", true, true, 0, false, true},
        {"one row's Get silent: since the answer before; the next row's clears it", true, false, '2', false,
         false},
        {"nobody listens on the port", false, true, 0, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        TEngineHarness h;
        const int port = c.closedPort ? vxtest::FreeUdpPort() : agent.Port();
        h.Agent(port);
        h.TableTargets({QString::fromStdString(kKeys), QString::fromStdString(kNames)});
        h.engine.SetArrivalClock([&] { return h.fakeNow; });
        silentAll = false;
        silentRow = 0;
        const std::int64_t t1 = h.fakeNow;
        if (c.answeredBefore) {
            h.engine.StartShooting();
            ASSERT_TRUE(h.PumpUntil([&] { return h.ShootOver() && h.view.rows.size() == 3; }));
        }
        const std::int64_t t2 = h.fakeNow += 60000;
        silentAll = c.silentAll;
        silentRow = c.silentRow;
        c.answeredBefore ? h.engine.Scheduler().Now1Click() : h.engine.StartShooting();
        h.PumpFor(100);
        for (int second = 0; second < 12 && h.view.silenceText.isEmpty(); ++second)
            h.RunWorkerSeconds(1);
        EXPECT_EQ(h.view.silenceText, Since(port, c.answeredBefore && c.silentAll ? t1 : t2));
        EXPECT_EQ(h.view.confirmedFrom, t2) << "values that arrived before this shoot are not its own";

        silentAll = !c.backAfter && c.silentAll;
        if (c.backAfter)
            h.engine.Scheduler().Now1Click();
        h.PumpUntil([&] { return h.ShootOver(); }, 3000);
        h.RunWorkerSeconds(8);
        EXPECT_EQ(h.view.silenceText.isEmpty(), c.backAfter || c.silentRow) << "kept until an answer comes";
    }
    EXPECT_TRUE(NoAnswerText("::1", 161, 0).startsWith("No answer from [::1]:161 since "));
}
