// The Get-Next walks against real agents: the single-target walk on snmpd,
// instance tables and instance masks on snmpsim (tests/data/snmprec), the ends
// of a walk on v1 and v2c, and the rows of an instance table after an error.
#include "AgentAccess.h"
#include "TEngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1");
const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIfInOctets = QStringLiteral("1.3.6.1.2.1.2.2.1.10");
// A private table of the test data with two-component instances .1.5, .2.5,
// .2.6, .3.4, .4.1, .4.2, .5.8, .9.1; column 1 holds "a15".., column 2 15..
const QString kMaskColumn1 = QStringLiteral("1.3.6.1.4.1.55555.1.1.1");
const QString kMaskColumn2 = QStringLiteral("1.3.6.1.4.1.55555.1.1.2");

using Rows = std::vector<QStringList>;

// Runs one walk-based shoot the way a re-shoot does and waits for its end.
void RunWalk(TEngineHarness& h)
{
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << "walk did not end";
}

}  // namespace

TEST(InstanceMask, MatchesComponentByComponentUntilTheFirstLiteral)
{
    struct Case {
        const char* suffix;
        const char* mask;
        bool matches;
    } cases[] = {
        {".1.5", "*.5", true},  {".2.6", "*.5", false}, {".5.8", "5.7", true},  // the first literal decides
        {".4.8", "5.7", false}, {".9.9.9", "-", true},                          // "-" accepts at once
        {"", "*", false},       // an empty suffix never matches
        {".1", "*.*.*", true},  // the mask running past the suffix is no literal
        {".1", "1.2", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TInstanceRows::MaskMatches(QString::fromLatin1(c.suffix), QString::fromLatin1(c.mask)),
                  c.matches)
            << c.suffix << " " << c.mask;
}

TEST(SingleTargetWalk, InterfacesTableOnSnmpdGivesOneRowPerStepInOidOrder)
{
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.TableTargets({kIfEntry});
    RunWalk(h);

    const QStringList oids = h.view.RowOids();
    ASSERT_GE(oids.size(), 2);
    EXPECT_EQ(oids.first(), kIfIndex + QStringLiteral(".1"));
    const qsizetype firstDescr = oids.indexOf(kIfDescr + QStringLiteral(".1"));
    ASSERT_GT(firstDescr, 0);
    for (qsizetype i = 0; i < firstDescr; ++i)
        EXPECT_TRUE(oids[i].startsWith(kIfIndex + QLatin1Char('.'))) << oids[i].toStdString();
    for (qsizetype i = 1; i < oids.size(); ++i) {
        EXPECT_TRUE(oids[i].startsWith(kIfEntry));
        EXPECT_GT(TOid::FromText(oids[i]), TOid::FromText(oids[i - 1]));
    }
    EXPECT_EQ(h.view.entryCount, h.view.RowCount());
    EXPECT_TRUE(h.view.statusMessage.isEmpty());
}

TEST(SingleTargetWalk, FinishedRequestsDoNotPileUpBetweenPurgePasses)
{
    // A walk finishes a request per step, about a thousand a second against a
    // fast agent, while the worker purges once a second; every answer's
    // request is looked up in that list.
    TEngineHarness h;
    h.Agent(SharedSnmpd().Port());
    h.TableTargets({kIfEntry});
    std::size_t mostPending = 0;
    h.view.onPlace = [&] { mostPending = std::max(mostPending, h.Pending().size()); };
    RunWalk(h);  // no purge pass runs

    ASSERT_GE(h.view.rows.size(), 4u);
    EXPECT_EQ(mostPending, 1u);  // the request of the step being placed
}

TEST(InstanceTable, ThreeTargetsGiveOneRowPerInstanceStartingWithTheWalksValue)
{
    TEngineHarness h;
    h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
    h.TableTargets({kIfIndex, kIfDescr, kIfInOctets});
    RunWalk(h);

    EXPECT_EQ(h.view.rows, (Rows{{"1", "lo", "1000"}, {"2", "eth0", "2000"}, {"3", "eth1", "3000"}}));
    EXPECT_EQ(h.view.statusHistory,
              (QStringList{"Instance .1 detected", "Instance .2 detected", "Instance .3 detected"}));
    EXPECT_TRUE(h.view.statusMessage.isEmpty());  // cleared at the end of the walk
    EXPECT_EQ(h.view.entryCount, 3);
    EXPECT_EQ(h.view.focusCount, 1);
    EXPECT_EQ(h.view.reSortCount, 1);
}

TEST(InstanceTable, MultiComponentSuffixesOfAnAddressTable)
{
    TEngineHarness h;
    h.Agent(SharedSnmpsim().Port(), 2, kShootEngineCommunity);
    h.TableTargets({QStringLiteral("1.3.6.1.2.1.4.20.1.1"), QStringLiteral("1.3.6.1.2.1.4.20.1.2"),
                    QStringLiteral("1.3.6.1.2.1.4.20.1.3")});
    RunWalk(h);
    EXPECT_EQ(h.engine.InstanceSuffixes(), (QStringList{".127.0.0.1", ".127.0.0.5"}));
    EXPECT_EQ(h.view.rows, (Rows{{"127.0.0.1", "1", "255.0.0.0"}, {"127.0.0.5", "2", "255.255.255.0"}}));
}

TEST(InstanceTable, MasksFilterTheInstances)
{
    struct Case {
        const char* mask;
        QStringList instances;
    } cases[] = {
        {"*.5", {".1.5", ".2.5"}},
        {"5.7", {".5.8"}},
        {"-", {".1.5", ".2.5", ".2.6", ".3.4", ".4.1", ".4.2", ".5.8", ".9.1"}},
    };
    for (const Case& c : cases) {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
        h.TableTargets({kMaskColumn1, kMaskColumn2}, QString::fromLatin1(c.mask));
        RunWalk(h);
        EXPECT_EQ(h.engine.InstanceSuffixes(), c.instances) << c.mask;
        ASSERT_EQ(h.view.RowCount(), c.instances.size()) << c.mask;
        for (qsizetype i = 0; i < c.instances.size(); ++i) {
            const QString digits = c.instances[i].mid(1).remove(QLatin1Char('.'));
            EXPECT_EQ(h.view.rows[static_cast<std::size_t>(i)], (QStringList{"a" + digits, digits}))
                << c.mask;
        }
        EXPECT_TRUE(h.view.statusHistory.isEmpty()) << "a mask hides the detection messages";
    }
}

TEST(InstanceTable, RtMaskFillsTheInstanceMaskBoxAndSelectsThePreferredEntry)
{
    struct Case {
        const char* mask;
        const char* preferred;
        QStringList items;
        int selected;
    } cases[] = {
        {"RT.1", "4.1", {"1.1", "2.1", "3.1", "4.1", "5.1", "9.1"}, 3},
        {"RT.RT", ".6.6", {"1.1", "5.5", "2.2", "6.6", "3.3", "4.4", "8.8", "9.9"}, 3},
        {"RT.RT", "7.7", {"1.1", "5.5", "2.2", "6.6", "3.3", "4.4", "8.8", "9.9"}, -1},
        {"RT.1", "", {"1.1", "2.1", "3.1", "4.1", "5.1", "9.1"}, -1},
    };
    for (const Case& c : cases) {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
        h.TableTargets({kMaskColumn1, kMaskColumn2}, QString::fromLatin1(c.mask));
        h.EditSettings([&](TSessionSettings& s) { s.preferredInstance = QString::fromLatin1(c.preferred); });
        RunWalk(h);
        EXPECT_EQ(h.view.comboItems, c.items) << c.mask;
        EXPECT_EQ(h.view.comboSelected, c.selected) << c.mask << " " << c.preferred;
        EXPECT_TRUE(h.view.panelVisible);
        EXPECT_TRUE(h.view.rows.empty());
        EXPECT_TRUE(h.engine.InstanceSuffixes().isEmpty());
    }
}

TEST(WalkEnd, V2cEndOfMibView)
{
    // Single target: the last step repeats the OID asked for, the loop message.
    {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 2, kShootEngineCommunity);
        h.TableTargets({kMaskColumn2});
        RunWalk(h);
        EXPECT_EQ(h.view.RowCount(), 8);
        EXPECT_EQ(h.view.statusMessage, kTextLoopDetected);
    }
    // Discovery: the repeated suffix ends the walk normally and the rows follow.
    {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 2, kShootEngineCommunity);
        h.TableTargets({kMaskColumn2, kMaskColumn1});
        RunWalk(h);
        EXPECT_EQ(h.view.RowCount(), 8);
        EXPECT_EQ(h.view.rows.back(), (QStringList{"91", "a91"}));
        EXPECT_TRUE(h.view.statusMessage.isEmpty());
    }
}

TEST(WalkEnd, V1NoSuchName)
{
    // Single target: the "Null" pair carries the OID asked for, which is the
    // last step, so the loop message replaces the status message.
    {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
        h.TableTargets({kMaskColumn2});
        RunWalk(h);
        EXPECT_EQ(h.view.RowCount(), 8);
        EXPECT_EQ(h.view.statusMessage, kTextLoopDetected);
        ASSERT_GE(h.view.statusHistory.size(), 2);
        EXPECT_TRUE(h.view.statusHistory[h.view.statusHistory.size() - 2].endsWith(" Index=1 Status=2"));
    }
    // Discovery: the status message stays, no rows are shot, and the shoot is
    // over so that it can be shot again.
    {
        TEngineHarness h;
        h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
        h.TableTargets({kMaskColumn2, kMaskColumn1});
        RunWalk(h);
        EXPECT_TRUE(h.view.statusMessage.endsWith(" Index=1 Status=2")) << h.view.statusMessage.toStdString();
        EXPECT_TRUE(h.view.rows.empty());
        EXPECT_TRUE(h.view.shootAgainEnabled);
    }
}

TEST(WalkEnd, NothingInsideTheSubtreeIsReportedAndEndsTheShoot)
{
    TEngineHarness h;
    h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
    h.TableTargets({QStringLiteral("1.3.6.1.2.1.4.20.1.9"), QStringLiteral("1.3.6.1.2.1.4.20.1.1")});
    RunWalk(h);
    EXPECT_EQ(h.view.modalMessages, QStringList{kTextOidDoesNotExist});
    EXPECT_TRUE(h.view.rows.empty());
    EXPECT_TRUE(h.view.shootAgainEnabled);
}

TEST(InstanceTable, AbandonedRowsLateAnswerDoesNotReachTheNextRow)
{
    TEngineHarness h;
    h.Agent(SharedSnmpsim().Port(), 1, kShootEngineCommunity);
    h.TableTargets({kIfIndex, kIfDescr, kIfInOctets});
    RunWalk(h);
    ASSERT_EQ(h.view.RowCount(), 3);

    // Shoot the rows again; an error abandons the first row before its answer
    // is read, and the second row is shot at once.
    h.view.store.Clear();
    h.engine.SetShootRunning(true);
    h.engine.ShootFirstInstance();
    h.engine.vxSNMPMgr1Error(h.component, vxsnmp::TErrorEvent{10054, QStringLiteral("Connection reset")});
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    TEngineHarness::PumpFor(200);
    EXPECT_EQ(h.view.rows, (Rows{{"2", "eth0", "2000"}, {"3", "eth1", "3000"}}));
}
