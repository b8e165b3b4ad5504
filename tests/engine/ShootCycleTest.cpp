// The shoot cycle against real agents: splitting into requests, retries and
// time-outs driven by a hand-moved clock, answers with error status, request
// ids, late and duplicate answers, and sends that fail.
#include "AgentAccess.h"
#include "TEngineHarness.h"
#include "TSilentPort.h"

#include "UnresolvableHost.h"

#include <gtest/gtest.h>

namespace {

const QString kSysDescr = QStringLiteral("1.3.6.1.2.1.1.1.0");
const QString kSysUpTime = QStringLiteral("1.3.6.1.2.1.1.3.0");
const QString kSysName = QStringLiteral("1.3.6.1.2.1.1.5.0");
const QString kAbsent = QStringLiteral("1.3.6.1.2.1.1.99.0");  // no such object in the system group

QStringList SystemOids(int n)
{
    const QStringList pool = {kSysDescr, kSysUpTime, kSysName, QStringLiteral("1.3.6.1.2.1.1.4.0")};
    QStringList oids;
    for (int i = 0; i < n; ++i)
        oids.append(pool[i % pool.size()]);
    return oids;
}

}  // namespace

TEST(ShootCycle, TwentyTargetsGoOutAsFifteenAndFiveAndAreFoldedOnlyWhenBothAreIn)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets(SystemOids(20));

    // At the first placed value no request of the shoot may still be open.
    int openAtFirstPlace = -1;
    h.view.onPlace = [&] {
        if (openAtFirstPlace < 0)
            openAtFirstPlace = h.OpenRequests();
    };
    h.engine.StartShooting();
    std::vector<TRequest> sent = h.Pending();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(CountSeparators(sent[0].oidList), 15);
    EXPECT_EQ(CountSeparators(sent[1].oidList), 5);
    EXPECT_EQ(sent[0].retriesLeft, 4);
    EXPECT_EQ(sent[0].requestKind, kRequestGet);

    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 20; }));
    EXPECT_EQ(openAtFirstPlace, 0);
    EXPECT_EQ(h.view.RowOids(), SystemOids(20));

    // A repeated shoot asks all twenty again.
    h.engine.PurgePass();
    h.view.store.Clear();
    h.engine.Shoot();
    sent = h.Pending();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(CountSeparators(sent[0].oidList) + CountSeparators(sent[1].oidList), 20);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 20; }));
}

TEST(ShootCycle, FifteenTargetsGoOutAsOneRequest)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets(SystemOids(15));
    h.engine.StartShooting();
    EXPECT_EQ(h.Pending().size(), 1u);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 15; }));
}

TEST(ShootCycle, NoTargetsSendNothing)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets({});
    h.engine.StartShooting();
    EXPECT_TRUE(h.Pending().empty());
    EXPECT_EQ(h.engine.LastRequestId(), 0);
    TEngineHarness::PumpFor(100);
    EXPECT_TRUE(h.view.rows.empty());
}

TEST(ShootCycle, SilentAgentGetsFiveSendsThenNullForEveryOid)
{
    TSilentPort silent;
    TEngineHarness h;
    h.Agent(silent.Port());
    h.EditSettings([](TSessionSettings& s) { s.requestTemplate.pollSeconds = 5; });  // reply time-out 1000 ms
    h.ListTargets({kSysDescr, kSysName});
    h.engine.StartShooting();

    h.RunWorkerSeconds(8);
    TEngineHarness::PumpFor(50);
    EXPECT_EQ(silent.TakeDatagrams(), 5);
    ASSERT_EQ(h.view.rows.size(), 2u);
    EXPECT_EQ(h.view.rows[0], (QStringList{kSysDescr, kTextNull}));
    EXPECT_EQ(h.view.rows[1], (QStringList{kSysName, kTextNull}));
    EXPECT_TRUE(h.Pending().empty());
}

TEST(ShootCycle, TimeOutWaitsForTheReplyLimitAfterTheLastResend)
{
    TSilentPort silent;
    TEngineHarness h;
    h.Agent(silent.Port());
    h.ListTargets({kSysDescr});
    struct Case {
        int pollSeconds;
        std::int64_t limit;
    } cases[] = {{1, 500}, {5, 1000}};
    for (const Case& c : cases) {
        h.view.store.Clear();
        h.EditSettings([&](TSessionSettings& s) { s.requestTemplate.pollSeconds = c.pollSeconds; });
        h.engine.Shoot();
        for (int resend = 0; resend < 4; ++resend) {
            h.fakeNow += 1001;
            h.engine.RetryPass();
        }
        h.fakeNow += c.limit;  // not more than the limit yet
        h.engine.TimeoutPass();
        EXPECT_TRUE(h.view.rows.empty()) << c.pollSeconds;
        h.fakeNow += 1;
        h.engine.TimeoutPass();
        EXPECT_EQ(h.view.rows.size(), 1u) << c.pollSeconds;
    }
}

TEST(ShootCycle, ClockSetBackCountsAsSilenceAndResends)
{
    TSilentPort silent;
    TEngineHarness h;
    h.Agent(silent.Port());
    h.ListTargets({kSysDescr});
    h.engine.StartShooting();
    h.fakeNow -= 3600 * 1000;  // the wall clock goes back an hour
    h.engine.RetryPass();
    TEngineHarness::PumpFor(50);
    EXPECT_EQ(silent.TakeDatagrams(), 2);
    EXPECT_EQ(h.Pending().front().retriesLeft, 3);
}

TEST(ShootCycle, DiscoveryTimeoutShowsItsMessageAndReenablesShootAgain)
{
    TSilentPort silent;
    TEngineHarness h;
    h.Agent(silent.Port());
    h.TableTargets({QStringLiteral("1.3.6.1.2.1.2.2.1.1"), QStringLiteral("1.3.6.1.2.1.2.2.1.2")});
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    for (int second = 0; second < 7; ++second) {
        h.fakeNow += 1001;
        h.engine.RetryPass();
        h.engine.TimeoutPass();
    }
    EXPECT_EQ(h.view.statusMessage, kTextDiscoveryTimeout);
    EXPECT_TRUE(h.view.shootAgainEnabled);
    EXPECT_TRUE(h.view.rows.empty());
}

TEST(ShootCycle, V1NoSuchNameGivesStatusMessageAndNullForEveryOidOfTheRequest)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port(), 1);
    h.ListTargets({kSysDescr, kAbsent});
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 2; }));
    EXPECT_EQ(h.view.rows[0], (QStringList{kSysDescr, kTextNull}));
    EXPECT_EQ(h.view.rows[1], (QStringList{kAbsent, kTextNull}));
    EXPECT_TRUE(h.view.statusMessage.endsWith(QStringLiteral(" Index=2 Status=2")))
        << h.view.statusMessage.toStdString();
    EXPECT_TRUE(h.view.statusMessage.startsWith(QStringLiteral("noSuchName")))
        << h.view.statusMessage.toStdString();
}

TEST(ShootCycle, V2cAbsentObjectIsPlacedAsTheExceptionText)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port(), 2);
    h.ListTargets({kSysName, kAbsent});
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 2; }));
    EXPECT_NE(h.view.rows[0][1], kTextNull);
    EXPECT_EQ(h.view.rows[1], (QStringList{kAbsent, QStringLiteral("error: noSuchObject")}));
    EXPECT_TRUE(h.view.statusHistory.isEmpty());
}

TEST(ShootCycle, RequestIdsWrapAfterOneMillionAndStillMatchTheirAnswers)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets({kSysName});
    while (h.engine.LastRequestId() < 999999)
        h.engine.NextRequestId();
    h.EditSettings([](TSessionSettings& s) { s.requestTemplate.requestKind = kRequestGet; });
    for (int expected : {1000000, 0, 1}) {
        h.view.store.Clear();
        h.engine.Shoot();
        ASSERT_EQ(h.Pending().back().requestId, expected);
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 1; })) << expected;
        h.engine.PurgePass();
    }
}

TEST(ShootCycle, LateSecondAnswerToAResentRequestIsDropped)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets({kSysDescr, kSysName});
    h.engine.StartShooting();
    // Resend before the first answer is read: the agent answers both sends
    // under the same request id.
    h.fakeNow += 1001;
    h.engine.RetryPass();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() >= 2; }));
    TEngineHarness::PumpFor(300);  // the second answer arrives meanwhile
    EXPECT_EQ(h.view.rows.size(), 2u);
    EXPECT_TRUE(h.engine.Settings().requestTemplate.answers.isEmpty());
}

TEST(ShootCycle, UnresolvableHostIsShownAtStartAndOnEveryReshoot)
{
    // A 64-character label is refused by the resolver before any query is
    // sent, so no name lookup leaves the machine.
    const QString host = UnresolvableHost();
    QString expected;
    {
        vxsnmp::TvxSNMPMgr probe;
        try {
            probe.SetRemoteHost(host);
            probe.SetRemotePort(SharedSnmpd().Port());
            probe.SetObjCount(1);
            probe.SetObjId(1, kSysName);
            probe.SetTimeout(0);
            probe.SendGetRequest();
        } catch (const vxsnmp::EvxSNMPMgr& e) {
            expected = e.Message();
        }
    }
    ASSERT_TRUE(expected.startsWith(QStringLiteral("11001: "))) << expected.toStdString();

    for (bool tableMode : {false, true}) {
        TEngineHarness h;
        h.Agent(SharedSnmpd().Port(), 1, QStringLiteral("tamvel"), host);
        if (tableMode)
            h.TableTargets({QStringLiteral("1.3.6.1.2.1.2.2.1.1"), QStringLiteral("1.3.6.1.2.1.2.2.1.2")});
        else
            h.ListTargets({kSysName});
        h.engine.StartShooting();
        EXPECT_EQ(h.view.statusMessage, expected);
        EXPECT_TRUE(h.Pending().empty());

        h.view.statusMessage.clear();
        h.engine.Scheduler().Now1Click();
        EXPECT_EQ(h.view.statusMessage, expected) << tableMode;
        EXPECT_TRUE(h.view.shootAgainEnabled) << tableMode;
        EXPECT_TRUE(h.Pending().empty());
    }
}

TEST(ShootCycle, SilentAgentEndsASingleTargetWalkWithTheTimeoutMessageAndNoRow)
{
    TSilentPort silent;
    TEngineHarness h;
    h.Agent(silent.Port());
    const QString walked = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
    h.TableTargets({walked});
    h.view.shootAgainEnabled = false;  // set-up marks the shoot running
    h.engine.StartShooting();
    h.RunWorkerSeconds(8);
    TEngineHarness::PumpFor(50);
    EXPECT_EQ(silent.TakeDatagrams(), 5) << "the walk's first step is sent five times, then given up";
    EXPECT_TRUE(h.view.rows.empty()) << "a time-out is no row";
    EXPECT_EQ(h.view.statusMessage, "Timeout while walking " + walked + "!");
    EXPECT_FALSE(h.view.statusHistory.contains(kTextLoopDetected));
    EXPECT_TRUE(h.view.shootAgainEnabled) << "the shoot is over and can be shot again";
    EXPECT_EQ(h.OpenRequests(), 0);
}
