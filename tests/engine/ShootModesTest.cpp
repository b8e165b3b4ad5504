// The shoot modes and the countdown, with the ticks given by hand and the
// re-shoots answered by a real agent.
#include "AgentAccess.h"
#include "TEngineHarness.h"

#include <gtest/gtest.h>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIfInOctets = QStringLiteral("1.3.6.1.2.1.2.2.1.10");

using Rows = std::vector<QStringList>;
const Rows kInterfaceRows = {{"1", "lo", "1000"}, {"2", "eth0", "2000"}, {"3", "eth1", "3000"}};

// An instance table on snmpsim whose first shoot is complete.
void ShootInstanceTable(TEngineHarness& h)
{
    h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
    h.TableTargets({kIfIndex, kIfDescr, kIfInOctets});
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    ASSERT_EQ(h.view.rows, kInterfaceRows);
}

void Tick(TEngineHarness& h, int ticks)
{
    for (int i = 0; i < ticks; ++i)
        h.engine.Scheduler().CountdownTick();
}

}  // namespace

TEST(ShootModes, CountdownRunsOnlyInAPeriodicModeAndShootsAtTheNinthTick)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets({QStringLiteral("1.3.6.1.2.1.1.5.0")});

    Tick(h, 3);
    EXPECT_EQ(h.view.countdownShown, -1);
    EXPECT_EQ(h.engine.Scheduler().Countdown(), 6);  // counts on although nothing is shown

    h.engine.Scheduler().Every10secRefreshinstancesalso1Click();
    const int sentBefore = h.engine.LastRequestId();  // one request per list shoot
    EXPECT_EQ(h.engine.Scheduler().Countdown(), 9);
    Tick(h, 1);
    EXPECT_EQ(h.view.countdownShown, 8);
    Tick(h, 7);
    EXPECT_EQ(h.engine.LastRequestId(), sentBefore);
    Tick(h, 1);  // the ninth tick reaches 0
    EXPECT_EQ(h.view.countdownShown, 0);
    EXPECT_EQ(h.engine.LastRequestId(), sentBefore + 1);
    EXPECT_TRUE(h.view.shootAgainEnabled) << "list shoots never disable Shoot again";
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 1; }));
    Tick(h, 1);
    EXPECT_EQ(h.view.countdownShown, 9);
    Tick(h, 9);
    EXPECT_EQ(h.engine.LastRequestId(), sentBefore + 2);
}

TEST(ShootModes, NowShootsOnceAndLeavesNoModeChecked)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.ListTargets({QStringLiteral("1.3.6.1.2.1.1.5.0")});
    h.engine.Scheduler().Every10secondskeepinstances1Click();
    Tick(h, 2);
    EXPECT_EQ(h.view.countdownShown, 7);

    h.view.ShowStatusMessage(QStringLiteral("old message"));
    h.engine.Scheduler().Now1Click();
    EXPECT_FALSE(h.view.marks[1] || h.view.marks[2] || h.view.marks[3]);
    EXPECT_EQ(h.view.clearCount, 1);
    EXPECT_TRUE(h.view.statusMessage.isEmpty());
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.view.rows.size() == 1; }));
    Tick(h, 1);
    EXPECT_EQ(h.view.countdownShown, -1);
    Tick(h, 20);
    EXPECT_EQ(h.view.clearCount, 1);
}

TEST(ShootModes, KeepRefillsTheRowsInPlaceWithoutADiscoveryWalk)
{
    TEngineHarness h;
    ShootInstanceTable(h);
    for (QStringList& row : h.view.rows)
        row = QStringList{"stale", "stale", "stale"};

    h.engine.Scheduler().Every10secondskeepinstances1Click();
    Tick(h, 9);
    EXPECT_FALSE(h.view.shootAgainEnabled);
    EXPECT_EQ(h.view.clearCount, 0);
    const std::vector<TRequest> sent = h.Pending();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().purpose, kPurposeValues);
    EXPECT_EQ(sent.back().requestKind, kRequestGet);

    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows, kInterfaceRows);
    EXPECT_EQ(h.view.entryCount, 3);
}

TEST(ShootModes, KeepFallsBackToDiscoveryWhenRowsNoLongerMatchTheInstances)
{
    TEngineHarness h;
    ShootInstanceTable(h);
    h.view.store.Clear();  // the rows were lost

    h.engine.Scheduler().Every10secondskeepinstances1Click();
    Tick(h, 9);
    EXPECT_EQ(h.view.clearCount, 1);
    const std::vector<TRequest> pending = h.Pending();
    ASSERT_FALSE(pending.empty());
    EXPECT_EQ(pending.back().purpose, kPurposeDiscovery);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows, kInterfaceRows);
}

TEST(ShootModes, RereadRediscoversAndAReshootDueWhileTheTableIsFillingWaitsForItsEnd)
{
    TEngineHarness h;
    ShootInstanceTable(h);

    h.engine.Scheduler().Every10secRefreshinstancesalso1Click();
    Tick(h, 9);
    EXPECT_EQ(h.view.clearCount, 1);
    EXPECT_FALSE(h.view.shootAgainEnabled);
    EXPECT_TRUE(h.engine.InstanceSuffixes().isEmpty());
    const std::vector<TRequest> started = h.Pending();
    EXPECT_EQ(started.back().purpose, kPurposeDiscovery);

    // Ten more ticks before any answer is read: the zero tick waits, and
    // says that the interval is shorter than a shoot.
    Tick(h, 10);
    EXPECT_EQ(h.view.clearCount, 1);
    EXPECT_EQ(h.Pending().size(), started.size());
    EXPECT_TRUE(h.view.shootCost.startsWith(QStringLiteral("Interval 10 s is shorter than a shoot")))
        << h.view.shootCost.toStdString();
    EXPECT_EQ(h.view.countdownShown, 0);

    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows, kInterfaceRows);
    EXPECT_EQ(h.view.entryCount, 3);
    EXPECT_TRUE(h.view.shootCost.startsWith(QStringLiteral("Shoot "))) << h.view.shootCost.toStdString();
    EXPECT_EQ(h.engine.LastShootCost().walk.requests, 4) << "three instances and the end";
    EXPECT_EQ(h.engine.LastShootCost().values.requests, 3);
    // The re-shoot that waited goes at the first tick after the end.
    Tick(h, 1);
    EXPECT_EQ(h.view.clearCount, 2);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));

    // After a keep-mode refill, a fresh walk builds its rows anew.
    h.engine.Scheduler().Every10secondskeepinstances1Click();
    Tick(h, 9);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    ASSERT_TRUE(h.engine.RowCursor().Refilling());
    h.engine.ClearInstances();  // as after a discovery that found nothing
    Tick(h, 10);
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows, kInterfaceRows);
}

TEST(ShootModes, SingleTargetRestartsTheWalkInBothPeriodicModes)
{
    for (bool keep : {true, false}) {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
        h.TableTargets({kIfDescr});
        if (keep)
            h.engine.Scheduler().Every10secondskeepinstances1Click();
        else
            h.engine.Scheduler().Every10secRefreshinstancesalso1Click();
        Tick(h, 9);
        EXPECT_FALSE(h.view.shootAgainEnabled);
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
        EXPECT_EQ(h.view.RowOids(), (QStringList{kIfDescr + ".1", kIfDescr + ".2", kIfDescr + ".3"}));
        EXPECT_EQ(h.view.entryCount, 3);
        Tick(h, 10);
        EXPECT_EQ(h.view.clearCount, 2) << keep;
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
        EXPECT_EQ(h.view.RowCount(), 3);
    }
}

TEST(ShootModes, EndOfAWalkSurvivesAFocusFailure)
{
    TEngineHarness h;
    h.view.focusThrows = true;
    h.engine.SetShootRunning(true);
    EXPECT_EQ(h.view.entryCount, -1);
    h.engine.SetShootRunning(false);
    EXPECT_TRUE(h.view.shootAgainEnabled);
    EXPECT_EQ(h.view.reSortCount, 1);
    EXPECT_EQ(h.view.entryCount, 0);
}
