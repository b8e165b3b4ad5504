// More than one request outstanding: the columns of an instance table walked
// side by side give the rows of a walk one request at a time, a column the
// agent never answers leaves only its own cells empty, and against snmpsim's
// cap on bindings the size is learned without asking any binding twice.
#include "AgentAccess.h"
#include "TEngineHarness.h"
#include "TScriptedAgent.h"
#include "TTableShoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <span>

using vxtest::Column;
using vxtest::Shoot;
using vxtest::TObjects;

namespace {

const QString kBulkTable = QStringLiteral("1.3.6.1.4.1.55555.3.1");
const QString kMaskTable = QStringLiteral("1.3.6.1.4.1.55555.1.1");
const QString kIpAddr = QStringLiteral("1.3.6.1.2.1.4.20.1");
const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1");

}  // namespace

TEST(ParallelShoot, TablesEqualTheWalkOfOneRequestAtATime)
{
    struct Case {
        const char* why;
        QStringList targets;
        QString mask;
        int maxRepetitions, parallel;
        QString community = QStringLiteral("bulk");
        bool snmpd = false;
    } cases[] = {
        {"a sparse column, GetBulk",
         {Column(kBulkTable, 1), Column(kBulkTable, 2), Column(kBulkTable, 3)},
         "",
         4,
         4},
        {"a sparse column stepping with another, GetBulk",
         {Column(kBulkTable, 1), Column(kBulkTable, 2), Column(kBulkTable, 3)},
         "",
         4,
         2},
        {"fewer at once than columns, Get-Next",
         {Column(kBulkTable, 1), Column(kBulkTable, 3), Column(kBulkTable, 2)},
         "",
         0,
         2},
        {"a mask", {Column(kMaskTable, 1), Column(kMaskTable, 2)}, "*.5", 1000, 3, kShootEngineCommunity},
        {"address instances",
         {Column(kIpAddr, 1), Column(kIpAddr, 2), Column(kIpAddr, 3)},
         "",
         1,
         8,
         kShootEngineCommunity},
        // The columns of snmpd's interfaces table that do not move between two shoots.
        {"snmpd interfaces",
         {Column(kIfEntry, 1), Column(kIfEntry, 2), Column(kIfEntry, 3), Column(kIfEntry, 4),
          Column(kIfEntry, 6), Column(kIfEntry, 7)},
         "",
         25,
         4,
         QStringLiteral("tamvel"),
         true},
    };
    for (const Case& c : cases) {
        const int port = c.snmpd ? SharedSnmpd().Port() : SharedSnmpsim().Port();
        const auto one = Shoot(port, c.community, c.targets, c.mask, c.maxRepetitions, 1);
        const auto side = Shoot(port, c.community, c.targets, c.mask, c.maxRepetitions, c.parallel);
        EXPECT_FALSE(one.rows.empty()) << c.why << ": no data";
        EXPECT_EQ(side.rows, one.rows) << c.why;
        EXPECT_EQ(side.keptRows, one.keptRows) << c.why;
        EXPECT_EQ(side.modalMessages, one.modalMessages) << c.why;
    }
}

TEST(ParallelShoot, AColumnTheAgentStopsAnsweringLeavesTheOtherColumnsRows)
{
    const std::string t = "1.3.6.1.4.1.55555.9.1";
    constexpr int kRows = 12;
    std::map<std::string, std::string> values;
    for (int column = 1; column <= 3; ++column)
        for (int row = 1; row <= kRows; ++row)
            values[t + "." + std::to_string(column) + "." + std::to_string(row)] =
                "c" + std::to_string(column) + "-" + std::to_string(row);
    const TObjects objects(values);
    const TOid silentColumn = TOid::FromText(QString::fromStdString(t + ".2"));
    const QString table = QString::fromStdString(t);
    struct Case {
        int maxRepetitions;
        int answered;  // requests of the second column answered before it goes silent
    } cases[] = {{0, 0}, {10, 0}, {5, 1}, {0, 3}};
    for (const Case& c : cases) {
        const QString why =
            QStringLiteral("repetitions %1, %2 answered").arg(c.maxRepetitions).arg(c.answered);
        std::atomic<int> asked = 0;
        TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
            if (silentColumn.IsPrefixOf(TOid::FromText(QString::fromStdString(r.oids.at(0))))
                && ++asked > c.answered)
                return std::nullopt;
            return objects.Answer(r);
        });
        ASSERT_TRUE(agent.Start());
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({Column(table, 1), Column(table, 2), Column(table, 3)});
        h.EditSettings([&](TSessionSettings& s) {
            s.maxRepetitions = c.maxRepetitions;
            s.parallelRequests = 3;
        });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        // The rows every column walked past are shown while the silent one waits.
        const int passed = c.answered * std::max(c.maxRepetitions, 1);
        TEngineHarness::PumpUntil([&] { return h.OpenRequests() == 1 && asked > c.answered; }, 5000);
        TEngineHarness::PumpFor(100);
        EXPECT_FALSE(h.ShootOver()) << why.toStdString();
        EXPECT_EQ(static_cast<int>(h.view.rows.size()), passed) << why.toStdString();
        int mostOpen = 0;
        for (int second = 0; second < 40 && !h.ShootOver(); ++second) {
            TEngineHarness::PumpFor(200);
            mostOpen = std::max(mostOpen, h.OpenRequests());
            h.RunWorkerSeconds(1);
        }
        ASSERT_TRUE(h.ShootOver()) << why.toStdString();
        std::vector<QStringList> expected;
        for (int row = 1; row <= kRows; ++row) {
            const QString n = QString::number(row);
            expected.push_back({QStringLiteral("c1-") + n,
                                row <= passed ? QStringLiteral("c2-") + n : kTextNull,
                                QStringLiteral("c3-") + n});
        }
        EXPECT_EQ(h.view.rows, expected) << why.toStdString();
        EXPECT_LE(mostOpen, 3) << why.toStdString();
        EXPECT_TRUE(h.view.statusHistory.contains(WalkTimeoutText(Column(table, 2)))) << why.toStdString();
        // Silence is no size: the agent is not taken to answer fewer bindings.
        EXPECT_EQ(h.engine.LearnedRepetitions(), 0) << why.toStdString();
    }
}

TEST(ParallelShoot, SnmpsimCapIsLearnedAndNoBindingIsAskedTwice)
{
    const std::string t = "1.3.6.1.4.1.55555.11.1";
    constexpr int kRows = 150;
    constexpr int kCap = 64;
    std::string records;
    for (int column = 1; column <= 3; ++column)
        for (int row = 1; row <= kRows; ++row)
            records += t + "." + std::to_string(column) + "." + std::to_string(row) + "|4|r"
                     + std::to_string(row) + "c" + std::to_string(column) + "\n";
    vxtest::TSnmpsimAgent snmpsim("");
    snmpsim.AddDataFile("cap", records);
    ASSERT_TRUE(snmpsim.Start());
    const QString table = QString::fromStdString(t);
    struct Case {
        int maxRepetitions, parallel;
        int mostOids;  // OIDs a step carries at most: 2 when columns step in groups
    } cases[] = {{100, 4, 1}, {50, 2, 2}};
    for (const Case& c : cases) {
        const std::string why = "ceiling " + std::to_string(c.maxRepetitions);
        TEngineHarness h;
        // The engine's requests as they leave: every OID asked, every GetBulk's size.
        std::vector<std::string> oids;
        std::vector<int> sizes;
        int mostOids = 0;
        int mostRepetitions = 0;
        h.component.OnPacketTrace = [&](vxsnmp::TvxSNMPMgr&, const vxsnmp::TPacketTraceEvent& e) {
            auto bindings = std::make_unique<vxsnmp::TBindingTable>();
            vxsnmp::TIncoming request;
            const std::span<const std::uint8_t> bytes(
                reinterpret_cast<const std::uint8_t*>(e.Packet.constData()),
                static_cast<std::size_t>(e.Packet.size()));
            if (e.Direction != 2 || vxsnmp::ParseMessage(bytes, request, *bindings) != vxsnmp::kOk)
                return;
            for (int i = 0; i < bindings->count; ++i)
                oids.push_back(bindings->Slot(i).oid);
            sizes.push_back(request.errorIndex * bindings->count);
            mostOids = std::max(mostOids, bindings->count);
            mostRepetitions = std::max(mostRepetitions, request.errorIndex);
        };
        h.Agent(snmpsim.Port(), 2, QStringLiteral("cap"));
        h.TableTargets({Column(table, 1), Column(table, 2), Column(table, 3)});
        h.EditSettings([&](TSessionSettings& s) {
            s.maxRepetitions = c.maxRepetitions;
            s.parallelRequests = c.parallel;
        });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << why;

        EXPECT_EQ(h.view.rows.size(), static_cast<std::size_t>(kRows)) << why;
        EXPECT_EQ(h.engine.LearnedRepetitions(), kCap) << why;
        EXPECT_EQ(mostOids, c.mostOids) << why;
        EXPECT_LE(mostRepetitions, c.maxRepetitions) << why << ": above the ceiling";
        const std::set<std::string> distinct(oids.begin(), oids.end());
        EXPECT_EQ(distinct.size(), oids.size()) << why << ": a binding was asked for twice";
        // Only the first step of each column asks for more than the cap.
        EXPECT_LE(std::count_if(sizes.begin(), sizes.end(), [](int n) { return n > kCap; }), 3) << why;
    }
}
