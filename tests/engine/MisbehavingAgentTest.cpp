// Answers no real agent gives on demand, from a scripted responder: a lost
// first datagram, and walks that go backwards or stand still.
#include "TEngineHarness.h"
#include "TScriptedAgent.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

const std::string kTable = "1.3.6.1.4.1.55555.7";
const std::string kKeys = kTable + ".1";
const std::string kNames = kTable + ".2";

using Rows = std::vector<QStringList>;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Get answers every OID with "v" and its last two sub-identifiers.
TAgentAnswer GetValues(const TAgentRequest& request)
{
    TAgentAnswer answer;
    for (const std::string& oid : request.oids)
        answer.push_back(TScriptedAgent::Text(oid, "v" + oid.substr(oid.size() - 3)));
    return answer;
}

}  // namespace

TEST(MisbehavingAgent, LostFirstDatagramIsAnsweredOnTheResend)
{
    std::atomic<int> seen{0};
    TScriptedAgent agent([&](const TAgentRequest& request) -> std::optional<TAgentAnswer> {
        if (seen++ == 0)
            return std::nullopt;  // the first datagram is lost
        return GetValues(request);
    });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.Agent(agent.Port());
    h.ListTargets({"1.3.6.1.2.1.1.5.0"});
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return seen == 1; }));

    h.fakeNow += 1001;
    h.engine.RetryPass();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 1; }));
    EXPECT_EQ(h.view.rows[0], (QStringList{"1.3.6.1.2.1.1.5.0", "v5.0"}));
    const std::vector<TAgentRequest> requests = agent.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestId, requests[1].requestId) << "a resend keeps its request id";
    EXPECT_EQ(h.OpenRequests(), 0);
}

TEST(MisbehavingAgent, SingleTargetWalkThatGoesBackwardsEndsWithTheLoopMessage)
{
    // .1 -> .2 -> back to .1: each answer differs from the previous step, so
    // only the order of the OIDs can stop the walk.
    TScriptedAgent agent([](const TAgentRequest& request) -> std::optional<TAgentAnswer> {
        const std::string& asked = request.oids.at(0);
        const std::string next = asked == kKeys + ".2" ? kKeys + ".1"
                               : asked == kKeys        ? kKeys + ".1"
                                                       : kKeys + ".2";
        return TAgentAnswer{TScriptedAgent::Text(next, "x")};
    });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.Agent(agent.Port(), 2);
    h.TableTargets({Q(kKeys)});
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }, 5000)) << "the walk never ended";
    EXPECT_EQ(h.view.RowOids(), (QStringList{Q(kKeys + ".1"), Q(kKeys + ".2")}));
    EXPECT_EQ(h.view.statusMessage, kTextLoopDetected);
}

// A walk sends its next request before it places the answers it has: an end
// of the shoot found among them must wait until those before it are in the
// table, or the export and the entry count at the end would miss them.
TEST(MisbehavingAgent, BulkWalkThatEndsMidAnswerHasTheAnswersBeforeInTheTableWhenItEnds)
{
    struct Case {
        const char* what;
        std::string third;  // the OID of the third binding
        QString message;    // the status at the end
    };
    const Case cases[] = {
        {"leaves the subtree", kNames + ".1", QString()},
        {"goes backwards", kKeys + ".1", kTextLoopDetected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TScriptedAgent agent([&](const TAgentRequest&) -> std::optional<TAgentAnswer> {
            return TAgentAnswer{TScriptedAgent::Text(kKeys + ".1", "a"),
                                TScriptedAgent::Text(kKeys + ".2", "b"), TScriptedAgent::Text(c.third, "c")};
        });
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({Q(kKeys)});
        h.EditSettings([&](TSessionSettings& s) { s.maxRepetitions = 5; });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }, 5000)) << "the walk never ended";
        EXPECT_EQ(h.view.rowsAtFinish, std::vector<int>{2});
        EXPECT_EQ(h.view.entryCount, 2);
        EXPECT_EQ(h.view.statusMessage, c.message);
        EXPECT_EQ(agent.Requests().size(), 1u);
    }
}

TEST(MisbehavingAgent, DiscoveryWalkEndsAtAnAnswerThatIsNotBeyondTheOidAsked)
{
    struct Case {
        const char* name;
        const char* mask;
        std::string afterSecond;  // the answer to a Get-Next of the second instance
    } cases[] = {
        {"backwards", "", kKeys + ".1"},
        {"standing still under an RT mask", "RT", kKeys + ".2"},
    };
    for (const Case& c : cases) {
        TScriptedAgent agent([&](const TAgentRequest& request) -> std::optional<TAgentAnswer> {
            if (!request.getNext)
                return GetValues(request);
            const std::string& asked = request.oids.at(0);
            const std::string next = asked == kKeys        ? kKeys + ".1"
                                   : asked == kKeys + ".1" ? kKeys + ".2"
                                                           : c.afterSecond;
            return TAgentAnswer{TScriptedAgent::Text(next, "k" + next.substr(next.size() - 1))};
        });
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({Q(kKeys), Q(kNames)}, QString::fromLatin1(c.mask));
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }, 5000)) << c.name;
        if (QString::fromLatin1(c.mask).isEmpty()) {
            EXPECT_EQ(h.view.rows, (Rows{{"k1", "v2.1"}, {"k2", "v2.2"}})) << c.name;
        } else {
            EXPECT_EQ(h.view.comboItems, (QStringList{"1", "2"})) << c.name;
            EXPECT_TRUE(h.view.panelVisible);
        }
    }
}

TEST(MisbehavingAgent, SeparatorCharacterInsideAValueDoesNotShiftThePairs)
{
    TScriptedAgent agent([](const TAgentRequest& request) -> std::optional<TAgentAnswer> {
        return TAgentAnswer{TScriptedAgent::Text(request.oids.at(0), "a\x1f"
                                                                     "b"),
                            TScriptedAgent::Text(request.oids.at(1), "c")};
    });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.Agent(agent.Port());
    h.ListTargets({"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0"});
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 2; }));
    // An octet string with a control byte reads as hex bytes.
    EXPECT_EQ(h.view.rows, (Rows{{"1.3.6.1.2.1.1.5.0", "61 1F 62"}, {"1.3.6.1.2.1.1.6.0", "c"}}));
}

TEST(MisbehavingAgent, DiscoveryAnswerWithoutBindingsEndsTheWalk)
{
    TScriptedAgent agent([](const TAgentRequest&) -> std::optional<TAgentAnswer> { return TAgentAnswer{}; });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.Agent(agent.Port());
    h.TableTargets({Q(kKeys), Q(kNames)});
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }, 5000));
    EXPECT_EQ(h.view.modalMessages, QStringList{kTextOidDoesNotExist});
}
