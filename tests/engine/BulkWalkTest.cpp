// The walks with GetBulk: the same tables as the Get-Next path on real agent
// data, fewer round trips, and the retreats when an agent answers too much or
// refuses GetBulk (scripted responder).
#include "AgentAccess.h"
#include "TEngineHarness.h"
#include "TScriptedAgent.h"
#include "TTableShoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>

using vxtest::Column;
using vxtest::Shoot;
using vxtest::TObjects;
using vxtest::TOutcome;

namespace {

const QString kBulkCommunity = QStringLiteral("bulk");
const QString kBulkTable = QStringLiteral("1.3.6.1.4.1.55555.3.1");
const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIpAddr = QStringLiteral("1.3.6.1.2.1.4.20.1");
const QString kMaskTable = QStringLiteral("1.3.6.1.4.1.55555.1.1");

}  // namespace

TEST(BulkWalk, TablesEqualTheGetNextPathsOnTheSameAgentData)
{
    struct Case {
        const char* why;
        QStringList targets;
        QString mask;
        int maxRepetitions;
        QString community = kBulkCommunity;
    } cases[] = {
        {"three-component instances, a sparse column",
         {Column(kBulkTable, 1), Column(kBulkTable, 2), Column(kBulkTable, 3)},
         "",
         4},
        {"two rows per request at most",
         {Column(kBulkTable, 1), Column(kBulkTable, 3), Column(kBulkTable, 2), Column(kBulkTable, 1),
          Column(kBulkTable, 2), Column(kBulkTable, 3), Column(kBulkTable, 2), Column(kBulkTable, 3)},
         "",
         25},
        {"a mask on the first component",
         {Column(kMaskTable, 1), Column(kMaskTable, 2)},
         "2.*",
         3,
         kShootEngineCommunity},
        {"a mask on the second component",
         {Column(kMaskTable, 1), Column(kMaskTable, 2)},
         "*.5",
         1000,
         kShootEngineCommunity},
        {"RT offers the entries",
         {Column(kMaskTable, 1), Column(kMaskTable, 2)},
         "RT.*",
         2,
         kShootEngineCommunity},
        {"address instances",
         {Column(kIpAddr, 1), Column(kIpAddr, 2), Column(kIpAddr, 3)},
         "",
         1,
         kShootEngineCommunity},
        {"single target leaving the subtree", {kBulkTable}, "", 7},
        {"single target ending at endOfMibView", {QStringLiteral("1.3.6.1.4.1.55555.4")}, "", 5},
        {"interfaces", {kIfIndex, kIfDescr}, "", 2, kShootEngineCommunity},
        {"endOfMibView ends the discovery",
         {Column(kMaskTable, 2), Column(kMaskTable, 1)},
         "",
         3,
         kShootEngineCommunity},
        {"endOfMibView in a single-target walk", {Column(kMaskTable, 2)}, "", 3, kShootEngineCommunity},
    };
    for (const Case& c : cases) {
        const QString& community = c.community;
        const TOutcome getNext = Shoot(SharedSnmpsim().Port(), community, c.targets, c.mask, 0);
        const TOutcome bulk = Shoot(SharedSnmpsim().Port(), community, c.targets, c.mask, c.maxRepetitions);
        EXPECT_FALSE(getNext.rows.empty() && getNext.comboItems.isEmpty()) << c.why << ": no data";
        EXPECT_EQ(bulk.rows, getNext.rows) << c.why;
        EXPECT_EQ(bulk.keptRows, getNext.keptRows) << c.why;
        EXPECT_EQ(bulk.comboItems, getNext.comboItems) << c.why;
        EXPECT_EQ(bulk.modalMessages, getNext.modalMessages) << c.why;
        EXPECT_EQ(bulk.statusMessage, getNext.statusMessage) << c.why;
        EXPECT_LT(bulk.requests, getNext.requests) << c.why << ": no round trip saved";
    }
}

TEST(BulkWalk, SnmpdInterfacesWalkTakesOneRoundTripPerRepetitions)
{
    const QString ifEntry = QStringLiteral("1.3.6.1.2.1.2.2.1");
    const TOutcome getNext = Shoot(SharedSnmpd().Port(), QStringLiteral("tamvel"), {ifEntry}, "", 0);
    const TOutcome bulk = Shoot(SharedSnmpd().Port(), QStringLiteral("tamvel"), {ifEntry}, "", 10);
    ASSERT_GT(getNext.rows.size(), 10u);
    // The counters move between the two walks; the objects stay.
    const auto oids = [](const std::vector<QStringList>& rows) {
        QStringList list;
        for (const QStringList& row : rows)
            list.append(row.value(0));
        return list;
    };
    EXPECT_EQ(oids(bulk.rows), oids(getNext.rows));
    // Each GetBulk of 10 places 10 rows; the last one leaves the subtree.
    EXPECT_LE(bulk.requests, static_cast<int>(getNext.rows.size()) / 10 + 2);
}

TEST(BulkWalk, SnmpV1IgnoresMaxRepetitions)
{
    const TObjects objects(5, "1.3.6.1.4.1.55555.7.1");
    TScriptedAgent agent(
        [&](const TAgentRequest& r) -> std::optional<TAgentAnswer> { return objects.Next(r.oids.at(0), 1); });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.Agent(agent.Port(), 1);
    h.TableTargets({QStringLiteral("1.3.6.1.4.1.55555.7.1")});
    h.EditSettings([](TSessionSettings& s) { s.maxRepetitions = 25; });
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows.size(), 5u);
    for (const TAgentRequest& r : agent.Requests())
        EXPECT_TRUE(r.getNext && r.version == 0);
}

TEST(BulkWalk, TooBigHalvesTheRepetitionsAndAnErrorFallsBackToGetNext)
{
    struct Case {
        const char* why;
        std::function<std::int32_t(const TAgentRequest&)> status;
        std::vector<int> repetitionsSeen;  // of the first GetBulks, in order
        bool fallsBack;
    } cases[] = {
        {"tooBig above 3 repetitions",
         [](const TAgentRequest& r) { return r.maxRepetitions > 3 ? 1 : 0; },
         {16, 8, 4, 2, 2},
         false},
        {"tooBig even for one", [](const TAgentRequest& r) { return r.getBulk ? 1 : 0; }, {4, 2, 1}, true},
        {"genErr to every GetBulk", [](const TAgentRequest& r) { return r.getBulk ? 5 : 0; }, {16}, true},
    };
    for (const Case& c : cases) {
        const TObjects objects(9, "1.3.6.1.4.1.55555.7.1");
        TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
            return objects.Next(r.oids.at(0), r.getBulk ? r.maxRepetitions : 1);
        });
        agent.errorStatus = c.status;
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({QStringLiteral("1.3.6.1.4.1.55555.7.1")});
        h.EditSettings([&](TSessionSettings& s) { s.maxRepetitions = c.repetitionsSeen.front(); });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << c.why;
        ASSERT_EQ(h.view.rows.size(), 9u) << c.why << ": every object placed once";
        EXPECT_EQ(h.view.rows.back().value(1), "v9") << c.why;
        std::vector<int> seen;
        bool getNextSeen = false;
        for (const TAgentRequest& r : agent.Requests()) {
            if (r.getBulk && seen.size() < c.repetitionsSeen.size())
                seen.push_back(r.maxRepetitions);
            getNextSeen = getNextSeen || r.getNext;
        }
        EXPECT_EQ(seen, c.repetitionsSeen) << c.why;
        EXPECT_EQ(getNextSeen, c.fallsBack) << c.why;
        EXPECT_EQ(h.view.statusMessage.startsWith("The remote SNMP agent refused GetBulk"), c.fallsBack)
            << c.why << ": " << h.view.statusMessage.toStdString();
    }
}

TEST(BulkWalk, AnswerCutOffAtTheReceiveBufferHalvesTheRepetitions)
{
    // Each binding takes about 60 bytes: 16 of them pass a 600-byte buffer.
    TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
        TAgentAnswer answer = TObjects(12, "1.3.6.1.4.1.55555.7.1").Next(r.oids.at(0), r.maxRepetitions);
        for (vxsnmp::TBinding& b : answer)
            if (b.type == 0x04)
                b.value += std::string(30, 'x');
        return answer;
    });
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    h.component.SetActive(false);
    h.component.Config(QStringLiteral("MaxPacketSize=600"));
    h.component.SetActive(true);
    h.Agent(agent.Port(), 2);
    h.TableTargets({QStringLiteral("1.3.6.1.4.1.55555.7.1")});
    h.EditSettings([](TSessionSettings& s) { s.maxRepetitions = 16; });
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));
    EXPECT_EQ(h.view.rows.size(), 12u);
    EXPECT_LT(h.engine.BulkRepetitions(), 16);
    EXPECT_GT(h.engine.BulkRepetitions(), 0) << "halving is enough; no fallback";
}

// An agent whose big GetBulk answers are lost on the way, or that answers
// fewer bindings than asked: the walk finds the size it answers, gives the
// rows of the Get-Next path, and the next shoot starts at that size.
TEST(BulkWalk, RepetitionsAdaptToWhatTheAgentAnswers)
{
    const std::string table = "1.3.6.1.4.1.55555.7.1";
    const TObjects objects(200, table);
    struct Case {
        const char* why;
        std::function<std::optional<TAgentAnswer>(const TAgentRequest&)> bulk;
        int learned;
    } cases[] = {
        {"answers above 12 bindings lost",
         [&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
             if (r.maxRepetitions > 12)
                 return std::nullopt;
             return objects.Next(r.oids.at(0), r.maxRepetitions);
         },
         12},
        {"at most 9 bindings per answer",
         [&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
             return objects.Next(r.oids.at(0), std::min(r.maxRepetitions, 9));
         },
         9},
    };
    // Requests the agent chose not to answer; the fake clock moves only after
    // one, so an answer that is merely slow on a loaded machine is never
    // taken for a lost one.
    std::atomic<int> dropped = 0;
    // The first shoot, then "Shoot again > Now".
    const auto walk = [&dropped](TEngineHarness& h, const TScriptedAgent& agent, bool again) {
        int handled = dropped;
        if (again) {
            h.engine.Scheduler().Now1Click();
        } else {
            h.engine.SetShootRunning(true);
            h.engine.StartShooting();
        }
        for (int lost = 0; lost < 30 && !h.ShootOver(); ++lost) {
            TEngineHarness::PumpUntil([&] { return h.ShootOver() || dropped > handled; });
            handled = dropped;
            // The worker's passes, a second of the fake clock at a time, until
            // the lost request is sent again.
            const std::size_t asked = agent.Requests().size();
            for (int second = 0; second < 30 && !h.ShootOver() && agent.Requests().size() == asked;
                 ++second) {
                h.RunWorkerSeconds(1);
                TEngineHarness::PumpUntil([&] { return h.ShootOver() || agent.Requests().size() > asked; },
                                          200);
            }
        }
        return h.ShootOver();
    };
    for (const Case& c : cases) {
        TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
            std::optional<TAgentAnswer> answer = r.getBulk ? c.bulk(r) : objects.Answer(r);
            if (!answer)
                ++dropped;
            return answer;
        });
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({QString::fromStdString(table)});
        h.EditSettings([](TSessionSettings& s) { s.maxRepetitions = 50; });
        ASSERT_TRUE(walk(h, agent, false)) << c.why;
        ASSERT_EQ(h.view.rows.size(), 200u) << c.why;
        EXPECT_EQ(h.view.rows.back().value(1), "v200") << c.why;
        EXPECT_EQ(h.engine.LearnedRepetitions(), c.learned) << c.why;
        // The second shoot asks no more than was learned, so nothing is lost.
        const std::size_t before = agent.Requests().size();
        ASSERT_TRUE(walk(h, agent, true)) << c.why;
        EXPECT_EQ(h.view.rows.size(), 200u) << c.why;
        const std::vector<TAgentRequest> requests = agent.Requests();
        for (std::size_t i = before; i < requests.size(); ++i)
            EXPECT_EQ(requests[i].maxRepetitions, c.learned) << c.why << ": request " << i;
        EXPECT_EQ(requests.size() - before, static_cast<std::size_t>(200 / c.learned + 1))
            << c.why << ": no request sent twice";
        // A later run of the program starts where this one ended.
        TEngineHarness later;
        later.view.remembered = h.view.remembered;
        later.Agent(agent.Port(), 2);
        later.TableTargets({QString::fromStdString(table)});
        later.EditSettings([](TSessionSettings& s) { s.maxRepetitions = 50; });
        const std::size_t beforeLater = agent.Requests().size();
        ASSERT_TRUE(walk(later, agent, false)) << c.why;
        EXPECT_EQ(agent.Requests().at(beforeLater).maxRepetitions, c.learned) << c.why;
    }
}

// A table whose columns are .1, .10 and .11 with nothing in .2-.9: every
// column's walk stops at its own end, however the next column's OIDs begin.
TEST(BulkWalk, SparseColumnsGiveExactlyTheirRows)
{
    const std::string table = "1.3.6.1.4.1.55555.9.1";
    std::map<std::string, std::string> oidValues;
    for (const int column : {1, 10, 11}) {
        for (const int row : {1, 2, 3})
            oidValues[table + "." + std::to_string(column) + "." + std::to_string(row)] =
                "c" + std::to_string(column) + "r" + std::to_string(row);
    }
    const TObjects withTail([&] {
        auto all = oidValues;
        all["1.3.6.1.4.1.55555.99"] = "after";
        return all;
    }());
    const TObjects endsTheMib(oidValues);
    const QString t = QString::fromStdString(table);
    const auto list = [&](int column) {
        std::vector<QStringList> rows;
        for (int row = 1; row <= 3; ++row) {
            const QString id = QString::number(column) + QStringLiteral("r") + QString::number(row);
            rows.push_back({Column(t, column) + "." + QString::number(row), QStringLiteral("c") + id});
        }
        return rows;
    };
    const std::vector<QStringList> table1And10 = {{"c1r1", "c10r1"}, {"c1r2", "c10r2"}, {"c1r3", "c10r3"}};
    const struct {
        const char* why;
        const TObjects& agent;
        QStringList targets;
        std::vector<QStringList> rows;
    } cases[] = {
        {"the walk of .1 stops before .10", withTail, {Column(t, 1)}, list(1)},
        {"a table of .1 and .10", withTail, {Column(t, 1), Column(t, 10)}, table1And10},
        {"the last column before more objects", withTail, {Column(t, 11)}, list(11)},
        {"the last column of the MIB", endsTheMib, {Column(t, 11)}, list(11)},
        {"a table at the end of the MIB", endsTheMib, {Column(t, 1), Column(t, 10)}, table1And10},
    };
    for (const auto& c : cases) {
        TScriptedAgent agent(
            [&](const TAgentRequest& r) -> std::optional<TAgentAnswer> { return c.agent.Answer(r); });
        ASSERT_TRUE(agent.Start());
        for (const int repetitions : {0, 25}) {
            TEngineHarness h;
            h.Agent(agent.Port(), 2);
            h.TableTargets(c.targets);
            h.EditSettings([&](TSessionSettings& s) { s.maxRepetitions = repetitions; });
            h.engine.SetShootRunning(true);
            h.engine.StartShooting();
            ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << c.why;
            EXPECT_EQ(h.view.rows, c.rows) << c.why << ", " << repetitions << " repetitions";
            EXPECT_TRUE(h.view.modalMessages.isEmpty()) << c.why;
        }
    }
}

// The rows of a table go in Gets as big as the agent's GetBulk answers, whole
// rows each; a Get the agent finds too big goes again with fewer rows.
TEST(BulkWalk, RowGetsCarryAsManyWholeRowsAsTheAgentAnswers)
{
    const std::string table = "1.3.6.1.4.1.55555.7.1";
    const QString t = QString::fromStdString(table);
    constexpr int kRows = 40;
    std::map<std::string, std::string> values;
    for (int column = 1; column <= 3; ++column) {
        for (int row = 1; row <= kRows; ++row)
            values[table + "." + std::to_string(column) + "." + std::to_string(row)] =
                "c" + std::to_string(column) + "r" + std::to_string(row);
    }
    const TObjects objects(values);
    const struct {
        const char* why;
        std::size_t tooBigAbove;  // OIDs of a Get
        std::size_t oidsPerGet;
    } cases[] = {
        {"a GetBulk answers 20 bindings: Gets of 10 rows", 1000, 20},
        {"Gets above 12 OIDs are too big: 5 rows", 12, 10},
    };
    for (const auto& c : cases) {
        TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
            return r.getBulk ? objects.Next(r.oids.at(0), std::min(r.maxRepetitions, 20)) : objects.Answer(r);
        });
        agent.errorStatus = [&](const TAgentRequest& r) {
            return !r.getBulk && !r.getNext && r.oids.size() > c.tooBigAbove ? kStatusTooBig : 0;
        };
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({Column(t, 1), Column(t, 2), Column(t, 3)});
        h.EditSettings([](TSessionSettings& s) { s.maxRepetitions = 25; });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << c.why;
        ASSERT_EQ(h.view.rows.size(), static_cast<std::size_t>(kRows)) << c.why;
        EXPECT_EQ(h.view.rows.back(), (QStringList{"c1r40", "c2r40", "c3r40"})) << c.why;
        std::size_t gets = 0;
        for (const TAgentRequest& r : agent.Requests()) {
            if (r.getBulk || r.getNext || r.oids.size() > c.tooBigAbove)
                continue;
            ++gets;
            EXPECT_EQ(r.oids.size(), c.oidsPerGet) << c.why;
        }
        EXPECT_EQ(gets, kRows * 2 / c.oidsPerGet) << c.why << ": no row asked twice";
    }
}
