// More than one request outstanding: the columns of an instance table walked
// side by side give the rows of a walk one request at a time, a column the
// agent never answers leaves only its own cells empty, and against snmpsim's
// cap on bindings the size is learned without asking any binding twice.
#include "AgentAccess.h"
#include "TEngineHarness.h"
#include "TScriptedAgent.h"
#include "TTableShoot.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

using vxtest::Column;
using vxtest::Shoot;
using vxtest::TObjects;

namespace {

const QString kBulkTable = QStringLiteral("1.3.6.1.4.1.55555.3.1");
const QString kMaskTable = QStringLiteral("1.3.6.1.4.1.55555.1.1");
const QString kIpAddr = QStringLiteral("1.3.6.1.2.1.4.20.1");
const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1");

// A loopback relay in front of an agent that notes the OIDs and the
// max-repetitions of every request it passes on.
class TCountingRelay {
public:
    explicit TCountingRelay(int agentPort)
        : responder([this, agentPort](const vxtest::TDatagram& in) {
              Note(in.bytes);
              return Forward(in.bytes, agentPort);
          })
    {
    }
    ~TCountingRelay() { ::close(fd); }
    ::testing::AssertionResult Start() { return responder.Start(); }
    int Port() const { return responder.Port(); }
    std::vector<std::string> Oids() const
    {
        std::lock_guard guard(lock);
        return oids;
    }
    std::vector<int> Repetitions() const
    {
        std::lock_guard guard(lock);
        return repetitions;
    }

private:
    void Note(const vxtest::TBytes& bytes)
    {
        auto table = std::make_unique<vxsnmp::TBindingTable>();
        vxsnmp::TIncoming incoming;
        if (vxsnmp::ParseMessage(bytes, incoming, *table) != vxsnmp::kOk)
            return;
        std::lock_guard guard(lock);
        for (int i = 0; i < table->count; ++i)
            oids.push_back(table->Slot(i).oid);
        if (incoming.pduTag == static_cast<std::uint8_t>(vxsnmp::Tag::GetBulkRequest))
            repetitions.push_back(incoming.errorIndex);
    }
    std::vector<vxtest::TReply> Forward(const vxtest::TBytes& bytes, int agentPort)
    {
        sockaddr_in agent{};
        agent.sin_family = AF_INET;
        agent.sin_port = htons(static_cast<std::uint16_t>(agentPort));
        agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&agent), sizeof agent);
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 5000) != 1)
            return {};
        vxtest::TBytes answer(65536);
        const ssize_t got = ::recv(fd, answer.data(), answer.size(), 0);
        answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return {vxtest::TReply{answer, 0, 0}};
    }

    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    mutable std::mutex lock;
    std::vector<std::string> oids;
    std::vector<int> repetitions;
    vxtest::TUdpResponder responder;  // last: its thread stops before the rest goes
};

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

TEST(ParallelShoot, AColumnTheAgentNeverAnswersLeavesTheOtherColumnsRows)
{
    const std::string t = "1.3.6.1.4.1.55555.9.1";
    std::map<std::string, std::string> values;
    for (int column = 1; column <= 3; ++column)
        for (int row = 1; row <= 4; ++row)
            values[t + "." + std::to_string(column) + "." + std::to_string(row)] =
                "c" + std::to_string(column) + "-" + std::to_string(row);
    const TObjects objects(values);
    const TOid silentColumn = TOid::FromText(QString::fromStdString(t + ".2"));
    TScriptedAgent agent([&](const TAgentRequest& r) -> std::optional<TAgentAnswer> {
        if (silentColumn.IsPrefixOf(TOid::FromText(QString::fromStdString(r.oids.at(0)))))
            return std::nullopt;
        return objects.Answer(r);
    });
    ASSERT_TRUE(agent.Start());
    const QString table = QString::fromStdString(t);
    for (const int maxRepetitions : {0, 10}) {
        TEngineHarness h;
        h.Agent(agent.Port(), 2);
        h.TableTargets({Column(table, 1), Column(table, 2), Column(table, 3)});
        h.EditSettings([&](TSessionSettings& s) {
            s.maxRepetitions = maxRepetitions;
            s.parallelRequests = 3;
        });
        h.engine.SetShootRunning(true);
        h.engine.StartShooting();
        int mostOpen = 0;
        for (int second = 0; second < 40 && !h.ShootOver(); ++second) {
            TEngineHarness::PumpFor(200);
            mostOpen = std::max(mostOpen, h.OpenRequests());
            h.RunWorkerSeconds(1);
        }
        ASSERT_TRUE(h.ShootOver()) << maxRepetitions;
        std::vector<QStringList> expected;
        for (int row = 1; row <= 4; ++row) {
            const QString n = QString::number(row);
            expected.push_back({QStringLiteral("c1-") + n, kTextNull, QStringLiteral("c3-") + n});
        }
        EXPECT_EQ(h.view.rows, expected) << maxRepetitions;
        EXPECT_LE(mostOpen, 3) << maxRepetitions;
        EXPECT_TRUE(h.view.statusHistory.contains(WalkTimeoutText(Column(table, 2)))) << maxRepetitions;
        // Silence is no size: the agent is not taken to answer fewer bindings.
        EXPECT_EQ(h.engine.LearnedRepetitions(), 0) << maxRepetitions;
    }
}

TEST(ParallelShoot, SnmpsimCapIsLearnedAndNoBindingIsAskedTwice)
{
    const std::string t = "1.3.6.1.4.1.55555.11.1";
    constexpr int kRows = 150;
    std::string records;
    for (int column = 1; column <= 3; ++column)
        for (int row = 1; row <= kRows; ++row)
            records += t + "." + std::to_string(column) + "." + std::to_string(row) + "|4|r"
                     + std::to_string(row) + "c" + std::to_string(column) + "\n";
    vxtest::TSnmpsimAgent snmpsim("");
    snmpsim.AddDataFile("cap", records);
    ASSERT_TRUE(snmpsim.Start());
    TCountingRelay relay(snmpsim.Port());
    ASSERT_TRUE(relay.Start());

    TEngineHarness h;
    h.Agent(relay.Port(), 2, QStringLiteral("cap"));
    const QString table = QString::fromStdString(t);
    h.TableTargets({Column(table, 1), Column(table, 2), Column(table, 3)});
    h.EditSettings([](TSessionSettings& s) {
        s.maxRepetitions = 100;
        s.parallelRequests = 4;
    });
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    ASSERT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); }));

    EXPECT_EQ(h.view.rows.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(h.engine.LearnedRepetitions(), 64);
    const std::vector<std::string> oids = relay.Oids();
    const std::set<std::string> distinct(oids.begin(), oids.end());
    EXPECT_EQ(distinct.size(), oids.size()) << "a binding was asked for twice";
    // Only the first step of each column asks for more than the cap.
    const std::vector<int> sizes = relay.Repetitions();
    EXPECT_LE(std::count_if(sizes.begin(), sizes.end(), [](int n) { return n > 64; }), 3);
}
