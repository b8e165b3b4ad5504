// Requests against real agents on 127.0.0.1: net-snmp's snmpd and snmpsimd
// with the data of tests/data/snmprec/tamvel.snmprec.
#include "EngineTestSupport.h"
#include "TAgentProcess.h"
#include "TSnmpdAgent.h"
#include "TSnmpsimAgent.h"

#include "UnresolvableHost.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

using vxsnmp::EvxSNMPMgr;
using namespace vxtest;

namespace {

enum class TMode { Blocking, Asynchronous };
enum class TKind { Get, GetNext };

struct TCase {
    int version;  // the SNMPVersion property: 1 or 2
    TMode mode;
    TKind kind;
};

void PrintTo(const TCase& c, std::ostream* os)
{
    *os << "SNMPVersion " << c.version << (c.mode == TMode::Blocking ? ", blocking" : ", asynchronous")
        << (c.kind == TKind::Get ? ", Get" : ", GetNext");
}

std::string CaseName(const testing::TestParamInfo<TCase>& info)
{
    return std::string("V") + std::to_string(info.param.version)
         + (info.param.mode == TMode::Blocking ? "Blocking" : "Async")
         + (info.param.kind == TKind::Get ? "Get" : "GetNext");
}

// Sends the prepared request in the case's mode and waits for one answer.
void SendAndWait(TRecordingManager& m, const TCase& c)
{
    m.mgr.SetSNMPVersion(c.version);
    m.mgr.SetTimeout(c.mode == TMode::Blocking ? 5 : 0);
    if (c.kind == TKind::Get)
        m.mgr.SendGetRequest();
    else
        m.mgr.SendGetNextRequest();
    if (c.mode == TMode::Blocking)
        ASSERT_EQ(m.responses.size(), 1u) << "a blocking send returns with its answer processed";
    else
        ASSERT_TRUE(WaitUntil([&] { return !m.responses.empty(); })) << "no answer from the agent";
}

const TCase kMatrix[] = {
    {1, TMode::Blocking, TKind::Get},     {1, TMode::Blocking, TKind::GetNext},
    {1, TMode::Asynchronous, TKind::Get}, {1, TMode::Asynchronous, TKind::GetNext},
    {2, TMode::Blocking, TKind::Get},     {2, TMode::Blocking, TKind::GetNext},
    {2, TMode::Asynchronous, TKind::Get}, {2, TMode::Asynchronous, TKind::GetNext},
};

class SnmpdRequests : public testing::TestWithParam<TCase> {};

TEST_P(SnmpdRequests, AnswersSysDescr)
{
    TSnmpdAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    const TCase c = GetParam();
    m.Prepare({c.kind == TKind::Get ? "1.3.6.1.2.1.1.1.0" : "1.3.6.1.2.1.1.1"});
    m.mgr.SetRequestId(500);
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, c));

    const TResponseSeen& r = m.responses.front();
    EXPECT_EQ(r.event.RequestId, 500);
    EXPECT_EQ(r.event.SNMPVersion, c.version - 1) << "the wire field: 0 = SNMPv1, 1 = SNMPv2c";
    EXPECT_EQ(r.event.Community, "tamvel");
    EXPECT_EQ(r.event.SourceAddress, "127.0.0.1");
    EXPECT_EQ(r.event.SourcePort, agent.Port());
    EXPECT_EQ(r.event.ErrorStatus, 0);
    EXPECT_EQ(r.event.ErrorDescription, "noError");
    ASSERT_EQ(r.bindings.size(), 1u);
    EXPECT_EQ(r.bindings[0].oid, "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(r.bindings[0].type, 4);
    EXPECT_FALSE(r.bindings[0].value.isEmpty());
    EXPECT_EQ(m.mgr.RequestId(), 501);
    EXPECT_TRUE(m.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Matrix, SnmpdRequests, testing::ValuesIn(kMatrix), CaseName);

class SnmpsimRequests : public testing::TestWithParam<TCase> {};

TEST_P(SnmpsimRequests, AnswersFromTheDataFile)
{
    TSnmpsimAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    const TCase c = GetParam();
    m.Prepare({c.kind == TKind::Get ? "1.3.6.1.2.1.2.2.1.2.2" : "1.3.6.1.2.1.2.2.1.2"});
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, c));

    const TResponseSeen& r = m.responses.front();
    ASSERT_EQ(r.bindings.size(), 1u);
    EXPECT_EQ(r.bindings[0].oid, c.kind == TKind::Get ? "1.3.6.1.2.1.2.2.1.2.2" : "1.3.6.1.2.1.2.2.1.2.1");
    EXPECT_EQ(r.bindings[0].value, c.kind == TKind::Get ? "eth0" : "lo");
}

INSTANTIATE_TEST_SUITE_P(Matrix, SnmpsimRequests, testing::ValuesIn(kMatrix), CaseName);

TEST(SnmpdErrors, V1GetOfMissingObjectAnswersNoSuchName)
{
    TSnmpdAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    m.Prepare({"1.3.6.1.2.1.1.99.0"});
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, {1, TMode::Asynchronous, TKind::Get}));
    EXPECT_EQ(m.responses[0].event.ErrorStatus, 2);
    EXPECT_EQ(m.responses[0].event.ErrorIndex, 1);
    EXPECT_EQ(m.responses[0].event.ErrorDescription, "noSuchName");
}

TEST(SnmpdErrors, V2cReportsExceptionsPerBinding)
{
    TSnmpdAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    m.Prepare({"1.3.6.1.2.1.1.99.0", "1.3.6.1.2.1.1.5.1"});
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, {2, TMode::Blocking, TKind::Get}));
    const auto& b = m.responses[0].bindings;
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(m.responses[0].event.ErrorStatus, 0);
    EXPECT_EQ(b[0].type, 0x80);
    EXPECT_EQ(b[0].value, "error: noSuchObject");
    EXPECT_EQ(b[1].type, 0x81);
    EXPECT_EQ(b[1].value, "error: noSuchInstance");

    m.responses.clear();
    m.Prepare({"1.3.6.1.9"});
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, {2, TMode::Blocking, TKind::GetNext}));
    ASSERT_EQ(m.responses[0].bindings.size(), 1u);
    EXPECT_EQ(m.responses[0].bindings[0].type, 0x82);
    EXPECT_EQ(m.responses[0].bindings[0].value, "error: endOfMibView");
}

TEST(SnmpsimValues, FifteenOidsInOneRequestKeepOrderAndTypes)
{
    TSnmpsimAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    const std::vector<QString> oids = {"1.3.6.1.2.1.1.1.0",
                                       "1.3.6.1.2.1.1.2.0",
                                       "1.3.6.1.2.1.1.3.0",
                                       "1.3.6.1.2.1.1.5.0",
                                       "1.3.6.1.2.1.1.7.0",
                                       "1.3.6.1.2.1.2.1.0",
                                       "1.3.6.1.2.1.2.2.1.2.3",
                                       "1.3.6.1.2.1.2.2.1.5.2",
                                       "1.3.6.1.2.1.2.2.1.10.2",
                                       "1.3.6.1.2.1.2.2.1.16.2",
                                       "1.3.6.1.2.1.4.20.1.1.127.0.0.1",
                                       "1.3.6.1.2.1.31.1.1.1.6.3",
                                       "1.3.6.1.2.1.2.2.1.8.3",
                                       "1.3.6.1.2.1.2.2.1.2.1",
                                       "1.3.6.1.2.1.1.6.0"};
    m.Prepare(oids);
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, {2, TMode::Asynchronous, TKind::Get}));
    const auto& b = m.responses[0].bindings;
    ASSERT_EQ(b.size(), 15u);
    for (std::size_t i = 0; i < oids.size(); ++i)
        EXPECT_EQ(b[i].oid, oids[i]) << "binding " << i + 1;
    struct {
        std::size_t index;
        int type;
        const char* value;
    } const expected[] = {
        {0, 4, "Vexgrid test agent"},
        {1, 6, "1.3.6.1.4.1.8072.3.2.10"},
        {2, 67, "123456"},
        {4, 2, "72"},
        {7, 66, "1000000000"},
        {9, 65, "4000000000"},  // top bit set: unsigned, not negative
        {10, 64, "127.0.0.1"},
        {11, 70, "37037036703702"},
        {13, 4, "lo"},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(b[e.index].type, e.type) << "binding " << e.index + 1;
        EXPECT_EQ(b[e.index].value, e.value) << "binding " << e.index + 1;
    }
}

TEST(SnmpsimValues, V1GetNextPastTheLastObjectAnswersNoSuchName)
{
    TSnmpsimAgent agent;
    ASSERT_TRUE(agent.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(agent.Port());
    m.Prepare({"1.3.6.1.2.1.31.1.1.1.6.3"});
    ASSERT_NO_FATAL_FAILURE(SendAndWait(m, {1, TMode::Blocking, TKind::GetNext}));
    EXPECT_EQ(m.responses[0].event.ErrorStatus, 2);
    EXPECT_EQ(m.responses[0].event.ErrorDescription, "noSuchName");
}

TEST(Unreachable, ClosedPortIsReportedThroughOnError)
{
    TRecordingManager m;
    m.mgr.SetRemotePort(FreeUdpPort());  // nobody listens there
    m.mgr.SetTimeout(0);
    m.Prepare({"1.3.6.1.2.1.1.1.0"});
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return !m.errors.empty(); })) << "no ICMP port-unreachable reported";
    EXPECT_EQ(m.errors[0].ErrorCode, 10054);
    EXPECT_EQ(m.errors[0].Description, "Destination unreachable (service unavailable?).");
    EXPECT_TRUE(m.responses.empty());

    // The error is consumed: the next send to a live agent goes out and is answered.
    TSnmpdAgent agent;
    ASSERT_TRUE(agent.Start());
    m.mgr.SetRemotePort(agent.Port());
    m.Prepare({"1.3.6.1.2.1.1.1.0"});
    m.mgr.SendGetRequest();
    EXPECT_TRUE(WaitUntil([&] { return !m.responses.empty(); }));
}

TEST(Unreachable, UnresolvableHostFailsWith11001)
{
    TRecordingManager m;
    try {
        m.mgr.SetRemoteHost(UnresolvableHost());
        FAIL() << "no exception";
    } catch (const EvxSNMPMgr& e) {
        EXPECT_EQ(e.Code(), 11001);
        EXPECT_EQ(e.Message(), "11001: [11001] Host not found");
        EXPECT_STREQ(e.what(), "11001: [11001] Host not found");
    }
    EXPECT_EQ(m.mgr.RemoteHost(), "");

    m.mgr.SetRemoteHost(QStringLiteral("localhost"));
    EXPECT_EQ(m.mgr.RemoteHost(), "127.0.0.1");
}

// The fixtures others build on: a missing program fails clearly, and a
// stopped agent is reaped, not left as a zombie.
class TMissingAgent : public TAgentProcess {
protected:
    std::vector<std::string> CommandLine(int) override { return {"/nonexistent/agentd"}; }
    std::string Name() const override { return "agentd"; }
};

TEST(AgentFixtures, MissingProgramFailsWithAClearMessage)
{
    TMissingAgent agent;
    const testing::AssertionResult started = agent.Start();
    EXPECT_FALSE(started);
    EXPECT_NE(std::string(started.message()).find("cannot run /nonexistent/agentd"), std::string::npos)
        << started.message();
}

TEST(AgentFixtures, StoppedAgentIsReaped)
{
    TSnmpdAgent agent;
    ASSERT_TRUE(agent.Start());
    const pid_t pid = agent.Pid();
    agent.Stop();
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH) << "the process is gone, zombie included";
}

}  // namespace
