// The shoot engine over SNMPv3: the same walks against the same snmpd give
// the same rows as over SNMPv2c, and an SNMPv3 refusal ends the shoot with
// its cause in the message panel.
#include "TEngineHarness.h"
#include "TSnmpdAgent.h"

#include <gtest/gtest.h>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIfType = QStringLiteral("1.3.6.1.2.1.2.2.1.3");

std::vector<std::string> UserLines()
{
    return {"createUser walker SHA-256 maplesyrup AES syrup-for-privacy", "rouser walker priv"};
}

void UseV3(TEngineHarness& h, int port, const QString& authPassword = QStringLiteral("maplesyrup"))
{
    h.Agent(port, 3);
    h.EditSettings([&](TSessionSettings& s) {
        s.v3.user = QStringLiteral("walker");
        s.v3.securityLevel = 2;
        s.v3.authProtocol = 4;  // SHA-256
        s.v3.authPassword = authPassword;
        s.v3.privProtocol = 2;  // AES-128
        s.v3.privPassword = QStringLiteral("syrup-for-privacy");
    });
}

std::vector<QStringList> Walk(TEngineHarness& h, const QStringList& targets)
{
    h.TableTargets(targets);
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    EXPECT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << "walk did not end";
    return h.view.rows;
}

TEST(V3Shoot, InstanceTableAndSingleTargetWalkGiveTheRowsOfV2c)
{
    vxtest::TSnmpdAgent agent(UserLines());
    ASSERT_TRUE(agent.Start());
    struct TShape {
        const char* why;
        QStringList targets;
    } const shapes[] = {
        {"instance table", {kIfIndex, kIfDescr, kIfType}},
        {"single-target walk", {kIfDescr}},
    };
    for (const TShape& shape : shapes) {
        TEngineHarness v2;
        v2.Agent(agent.Port(), 2);
        const std::vector<QStringList> v2Rows = Walk(v2, shape.targets);
        TEngineHarness v3;
        UseV3(v3, agent.Port());
        const std::vector<QStringList> v3Rows = Walk(v3, shape.targets);
        EXPECT_FALSE(v2Rows.empty()) << shape.why;
        EXPECT_EQ(v3Rows, v2Rows) << shape.why;
        EXPECT_TRUE(v3.view.statusMessage.isEmpty())
            << shape.why << ": " << v3.view.statusMessage.toStdString();
    }
}

TEST(V3Shoot, WrongAuthenticationPasswordEndsTheShootWithItsCause)
{
    vxtest::TSnmpdAgent agent(UserLines());
    ASSERT_TRUE(agent.Start());
    TEngineHarness h;
    UseV3(h, agent.Port(), QStringLiteral("not-the-password"));
    Walk(h, {kIfIndex, kIfDescr});
    EXPECT_TRUE(h.view.statusMessage.contains(QStringLiteral("wrong digest")))
        << h.view.statusMessage.toStdString();
}

TEST(V3Shoot, GetBulkWalksOverV3AndIpv6GiveTheRowsOfGetNext)
{
    vxtest::TSnmpdAgent agent(UserLines());
    agent.ListenOnIpv6();
    ASSERT_TRUE(agent.Start());
    struct TWay {
        const char* why;
        int version;
        QString host;
    } const ways[] = {
        {"SNMPv3 over IPv4", 3, QStringLiteral("127.0.0.1")},
        {"SNMPv2c over IPv6", 2, QStringLiteral("::1")},
        {"SNMPv3 over IPv6", 3, QStringLiteral("::1")},
    };
    const QStringList shapes[] = {{kIfIndex, kIfDescr, kIfType}, {QStringLiteral("1.3.6.1.2.1.2")}};
    for (const QStringList& targets : shapes) {
        TEngineHarness getNext;
        getNext.Agent(agent.Port(), 2);
        const std::vector<QStringList> expected = Walk(getNext, targets);
        ASSERT_GT(expected.size(), 1u);
        for (const TWay& way : ways) {
            const std::string why = std::string(way.why) + ", " + targets.first().toStdString();
            TEngineHarness h;
            if (way.version == 3)
                UseV3(h, agent.Port());
            else
                h.Agent(agent.Port(), way.version);
            h.EditSettings([&](TSessionSettings& s) {
                s.requestTemplate.remoteHost = way.host;
                s.maxRepetitions = 8;
            });
            const std::vector<QStringList> rows = Walk(h, targets);
            // The counters of the interfaces move between walks; the objects stay.
            ASSERT_EQ(rows.size(), expected.size()) << why;
            for (std::size_t r = 0; r < rows.size(); ++r)
                EXPECT_EQ(rows[r].value(0), expected[r].value(0)) << why;
            EXPECT_EQ(h.engine.BulkRepetitions(), 8) << why << ": GetBulk was given up";
            EXPECT_LT(h.engine.LastRequestId(), getNext.engine.LastRequestId()) << why;
            EXPECT_TRUE(h.view.statusMessage.isEmpty()) << why << ": " << h.view.statusMessage.toStdString();
        }
    }
}

}  // namespace
