// The component over SNMPv3 and IPv6 against net-snmp's snmpd: every pair of
// authentication and privacy protocol, each lower level, the refusals with
// their causes, an agent restart with a new engine ID, and IPv6 literals.
#include "snmp/EngineCodes.h"
#include "EngineTestSupport.h"
#include "TSnmpdAgent.h"
#include "snmp/UsmKeys.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace vxtest;
using vxsnmp::EvxSNMPMgr;

namespace {

const char* const kSysDescr = "vexgrid v3 test agent";
const char* const kAuthPassword = "maplesyrup";
const char* const kPrivPassword = "syrup-for-privacy";
const QByteArray kEngineId = QByteArray::fromHex("80001f8880a1b2c3d4e5f60708");
const QByteArray kOtherEngineId = QByteArray::fromHex("80001f88800102030405060708");

struct TProtocolName {
    int number;        // the component's protocol number
    const char* word;  // as createUser spells it
};
const TProtocolName kAuths[] = {{1, "MD5"},     {2, "SHA"},     {3, "SHA-224"},
                                {4, "SHA-256"}, {5, "SHA-384"}, {6, "SHA-512"}};
const TProtocolName kPrivs[] = {{1, "DES"}, {2, "AES"}, {3, "AES-192"}, {4, "AES-256"}};

std::string PairUser(const TProtocolName& a, const TProtocolName& p)
{
    return "a" + std::to_string(a.number) + "p" + std::to_string(p.number);
}
std::string AuthUser(const TProtocolName& a) { return "a" + std::to_string(a.number); }

std::vector<std::string> AgentLines(const QByteArray& engineId)
{
    std::vector<std::string> lines = {"exactEngineID 0x" + engineId.toHex().toStdString(),
                                      std::string("sysDescr ") + kSysDescr, "createUser plain",
                                      "rouser plain noauth"};
    for (const TProtocolName& a : kAuths) {
        lines.push_back("createUser " + AuthUser(a) + " " + a.word + " " + kAuthPassword);
        lines.push_back("rouser " + AuthUser(a) + " auth");
        for (const TProtocolName& p : kPrivs) {
            lines.push_back("createUser " + PairUser(a, p) + " " + a.word + " " + kAuthPassword + " " + p.word
                            + " " + kPrivPassword);
            lines.push_back("rouser " + PairUser(a, p) + " priv");
        }
    }
    return lines;
}

struct TV3User {
    std::string name;
    int level = 0;
    int auth = 0;
    const char* authPassword = kAuthPassword;
    int priv = 0;
    const char* privPassword = kPrivPassword;
};

void UseV3(TRecordingManager& m, int port, const TV3User& u, int timeoutSeconds = 5)
{
    m.mgr.SetRemotePort(port);
    m.mgr.SetSNMPVersion(3);
    m.mgr.SetTimeout(timeoutSeconds);
    m.mgr.SetUser(QString::fromStdString(u.name));
    m.mgr.SetSecurityLevel(u.level);
    m.mgr.SetAuthProtocol(u.auth);
    m.mgr.SetAuthPassword(QString::fromLatin1(u.authPassword));
    m.mgr.SetPrivProtocol(u.priv);
    m.mgr.SetPrivPassword(QString::fromLatin1(u.privPassword));
}

// A blocking Get of sysDescr.0; returns the value, or the error as "code: text".
std::string GetSysDescr(TRecordingManager& m)
{
    m.responses.clear();
    m.mgr.Reset();
    m.mgr.SetObjCount(1);
    m.mgr.SetObjId(1, QStringLiteral("1.3.6.1.2.1.1.1.0"));
    try {
        m.mgr.SendGetRequest();
    } catch (const EvxSNMPMgr& e) {
        return std::to_string(e.Code()) + ": " + e.Message().toStdString();
    }
    if (m.responses.size() != 1 || m.responses[0].bindings.empty())
        return "(no response event)";
    return m.responses[0].bindings[0].value.toStdString();
}

struct V3Agent : ::testing::Test {
    static void SetUpTestSuite()
    {
        agent = std::make_unique<TSnmpdAgent>(AgentLines(kEngineId));
        agent->ListenOnIpv6();
        started = agent->Start();
    }
    static void TearDownTestSuite() { agent.reset(); }
    void SetUp() override { ASSERT_TRUE(started) << started.message(); }

    static std::unique_ptr<TSnmpdAgent> agent;
    static ::testing::AssertionResult started;
};
std::unique_ptr<TSnmpdAgent> V3Agent::agent;
::testing::AssertionResult V3Agent::started = ::testing::AssertionFailure();

TEST_F(V3Agent, EveryAuthAndPrivPairAnswersAtAuthPriv)
{
    for (const TProtocolName& a : kAuths)
        for (const TProtocolName& p : kPrivs) {
            TRecordingManager m;
            UseV3(m, agent->Port(), {PairUser(a, p), 2, a.number, kAuthPassword, p.number});
            EXPECT_EQ(GetSysDescr(m), kSysDescr) << a.word << " with " << p.word;
        }
}

TEST_F(V3Agent, EveryLowerLevelAnswers)
{
    std::vector<TV3User> users = {{"plain", 0}};
    for (const TProtocolName& a : kAuths)
        users.push_back({AuthUser(a), 1, a.number});
    for (const TV3User& u : users) {
        TRecordingManager m;
        UseV3(m, agent->Port(), u);
        EXPECT_EQ(GetSysDescr(m), kSysDescr) << u.name;
    }
}

TEST_F(V3Agent, DiscoveryFillsTheRemoteEngineFields)
{
    TRecordingManager m;
    UseV3(m, agent->Port(), {"a4p2", 2, 4, kAuthPassword, 2});
    m.mgr.Discover();
    EXPECT_EQ(m.mgr.RemoteEngineId(), kEngineId);
    EXPECT_GE(m.mgr.RemoteEngineBoots(), 1);
}

TEST_F(V3Agent, RefusalsNameTheirCause)
{
    struct TRefusal {
        const char* why;
        TV3User user;
        int code;
        const char* words;  // the message must hold these
    } const cases[] = {
        {"wrong authentication password", {"a4", 1, 4, "not-the-password"}, 464, "wrong digest"},
        {"unknown user", {"nobody", 1, 2}, 468, "unknown user"},
        {"a level below the user's", {"a2p2", 1, 2}, vxsnmp::kAuthorization, "authorizationError"},
        {"a level above the user's", {"plain", 1, 2}, 470, "unsupported security level"},
        {"wrong privacy password: the agent stays silent",
         {"a2p2", 2, 2, kAuthPassword, 2, "wrong-privacy"},
         301,
         "privacy password"},
    };
    for (const TRefusal& c : cases) {
        TRecordingManager m;
        UseV3(m, agent->Port(), c.user, 2);
        const std::string got = GetSysDescr(m);
        EXPECT_EQ(got.substr(0, got.find(':')), std::to_string(c.code)) << c.why << ": " << got;
        EXPECT_NE(got.find(c.words), std::string::npos) << c.why << ": " << got;
    }
}

TEST_F(V3Agent, Ipv6LiteralsReachTheAgent)
{
    for (const char* host : {"::1", "[::1]"}) {
        TRecordingManager m;
        m.mgr.SetRemoteHost(QString::fromLatin1(host));
        m.mgr.SetRemotePort(agent->Port());
        m.mgr.SetSNMPVersion(2);
        m.mgr.SetTimeout(5);
        EXPECT_EQ(GetSysDescr(m), kSysDescr) << host;
        EXPECT_EQ(m.mgr.RemoteHost(), "::1");
    }
    TRecordingManager m;  // and SNMPv3 over IPv6
    m.mgr.SetRemoteHost(QStringLiteral("::1"));
    UseV3(m, agent->Port(), {"a6p4", 2, 6, kAuthPassword, 4});
    EXPECT_EQ(GetSysDescr(m), kSysDescr);
}

TEST_F(V3Agent, EndpointFollowsTheFamilyOfAgentAndLocalHost)
{
    TRecordingManager m;  // opened for IPv4 first, then an IPv6 agent
    m.mgr.SetRemotePort(agent->Port());
    m.mgr.SetSNMPVersion(2);
    m.mgr.SetTimeout(5);
    EXPECT_EQ(GetSysDescr(m), kSysDescr);
    m.mgr.SetRemoteHost(QStringLiteral("::1"));
    EXPECT_EQ(GetSysDescr(m), kSysDescr) << "the endpoint reopens for IPv6";
    m.mgr.SetRemoteHost(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(GetSysDescr(m), kSysDescr) << "the IPv6 endpoint still reaches IPv4 agents";

    TRecordingManager local;  // bound to ::1 itself
    local.mgr.SetLocalHost(QStringLiteral("::1"));
    local.mgr.SetRemoteHost(QStringLiteral("[::1]"));
    local.mgr.SetRemotePort(agent->Port());
    local.mgr.SetSNMPVersion(2);
    local.mgr.SetTimeout(5);
    EXPECT_EQ(GetSysDescr(local), kSysDescr);
    EXPECT_EQ(local.mgr.LocalHost(), "::1");
}

TEST(V3AgentRestart, NewEngineIdIsRediscovered)
{
    TSnmpdAgent agent(AgentLines(kEngineId));
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    UseV3(m, agent.Port(), {"a2p2", 2, 2, kAuthPassword, 2});
    ASSERT_EQ(GetSysDescr(m), kSysDescr);
    ASSERT_EQ(m.mgr.RemoteEngineId(), kEngineId);

    agent.SetExtraConfLines(AgentLines(kOtherEngineId));
    ASSERT_TRUE(agent.Restart());
    EXPECT_EQ(GetSysDescr(m), kSysDescr) << "the request after the restart is sent again";
    EXPECT_EQ(m.mgr.RemoteEngineId(), kOtherEngineId);
}

}  // namespace
