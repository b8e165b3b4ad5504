// What no real agent does on demand, played by our own UDP responder: wrong,
// late, malformed, oversized and unsolicited datagrams, and floods.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>
#include <utility>

using vxsnmp::EvxSNMPMgr;
using vxsnmp::Tag;
using vxsnmp::TvxSNMPMgr;
using namespace vxtest;

namespace {

constexpr auto kWait = std::chrono::seconds(5);

// A manager aimed at `responder`, in blocking mode with `timeoutMs`
// (0: asynchronous), holding one OID.
void Aim(TRecordingManager& m, const TUdpResponder& responder, int timeoutMs)
{
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.Config("TimeoutInMilliseconds=true");
    m.mgr.SetTimeout(timeoutMs);
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
}

TEST(BlockingWait, WrongRequestIdIsRefusedAndTheWaitGoesOn)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "stale", +100), 0, 0}, {AnswerTo(in, "right"), 200, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 5000);
    m.mgr.SetRequestId(7);
    m.mgr.SendGetRequest();  // returns once the right answer is in

    ASSERT_EQ(m.badPackets.size(), 1u);
    EXPECT_EQ(m.badPackets[0].ErrorCode, 318);
    EXPECT_EQ(m.badPackets[0].ErrorDescription, "SNMP RequestId mismatch.");
    EXPECT_EQ(m.badPackets[0].SourcePort, responder.Port());
    EXPECT_FALSE(m.badPackets[0].Packet.isEmpty());
    ASSERT_EQ(m.responses.size(), 1u);
    EXPECT_EQ(m.responses[0].event.RequestId, 7);
    EXPECT_EQ(m.responses[0].bindings.at(0).value, "right");
}

TEST(BlockingWait, VersionAndOriginAreMatchedToo)
{
    TUdpResponder other;
    ASSERT_TRUE(other.Start());
    TUdpResponder responder([&](const TDatagram& in) {
        const auto id = RequestIdOf(in.bytes);
        other.Send(Message(Tag::GetResponse, id, {}, 1), in.fromPort);            // from another port
        return std::vector<TReply>{{Message(Tag::GetResponse, id, {}, 0), 0, 0},  // SNMPv1 answer to v2c
                                   {AnswerTo(in), 300, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 5000);
    m.mgr.SendGetRequest();
    std::vector<QString> texts;
    for (const auto& b : m.badPackets)
        texts.push_back(b.ErrorDescription);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<QString>{"Message origin unknown.", "SNMP Version mismatch."}));
    EXPECT_EQ(m.responses.size(), 1u);
}

TEST(BlockingWait, NoAnswerTimesOut)
{
    TUdpResponder responder;  // hears, never answers
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 300);
    try {
        m.mgr.SendGetRequest();
        FAIL() << "no exception";
    } catch (const EvxSNMPMgr& e) {
        EXPECT_EQ(e.Message(), "301: Timeout.");
    }
    EXPECT_TRUE(m.responses.empty());
    // The engine is free again for the next send.
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SetTimeout(0);
    m.mgr.SendGetRequest();
}

// The responder answers with junk every 250 ms and with the real answer after
// 1750 ms; the manager waits 1000 ms. Each datagram pushes the deadline back,
// unless AbsoluteTimeout is on.
TScript LateAnswerBehindTraffic()
{
    return [](const TDatagram& in) {
        std::vector<TReply> replies;
        for (int ms = 250; ms <= 1500; ms += 250)
            replies.push_back({AnswerTo(in, "junk", +1000), ms, 0});
        replies.push_back({AnswerTo(in, "late"), 1750, 0});
        return replies;
    };
}

TEST(BlockingWait, TrafficPushesTheDeadlineBack)
{
    TUdpResponder responder(LateAnswerBehindTraffic());
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 1000);
    m.mgr.SendGetRequest();
    ASSERT_EQ(m.responses.size(), 1u);
    EXPECT_EQ(m.responses[0].bindings.at(0).value, "late");
}

TEST(BlockingWait, AbsoluteTimeoutIsNotPushedBack)
{
    TUdpResponder responder(LateAnswerBehindTraffic());
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 1000);
    m.mgr.Config("AbsoluteTimeout=yes");
    try {
        m.mgr.SendGetRequest();
        FAIL() << "no exception";
    } catch (const EvxSNMPMgr& e) {
        EXPECT_EQ(e.Code(), 301);
    }
    EXPECT_TRUE(m.responses.empty());
}

TEST(BlockingWait, SecondSendFromAHandlerIsBusy)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "junk", +5), 0, 0}, {AnswerTo(in), 200, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 5000);
    QString nested;
    m.mgr.OnBadPacket = [&](TvxSNMPMgr& mgr, vxsnmp::TBadPacketEvent&) {
        try {
            mgr.SendGetRequest();
        } catch (const EvxSNMPMgr& e) {
            nested = e.Message();
        }
    };
    m.mgr.SendGetRequest();
    EXPECT_EQ(nested, "307: Busy performing current action.");
    EXPECT_EQ(m.responses.size(), 1u);
}

TEST(AsynchronousMode, LateAndUnknownAnswersAreStillRaised)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "late"), 400, 0},
                                   {Message(Tag::GetResponse, 9999, {}, 1), 500, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    m.mgr.SetRequestId(10);
    m.mgr.SendGetRequest();
    EXPECT_TRUE(m.responses.empty()) << "an asynchronous send never waits";
    ASSERT_TRUE(WaitUntil([&] { return m.responses.size() == 2; }));
    EXPECT_EQ(m.responses[0].event.RequestId, 10);
    EXPECT_EQ(m.responses[1].event.RequestId, 9999) << "not matched to any request, still raised";
    EXPECT_TRUE(m.badPackets.empty());
}

TEST(Inbound, MalformedDatagramsAreReportedThroughOnError)
{
    struct {
        TBytes datagram;
        int code;
        const char* why;
    } const cases[] = {
        {{0x30, 0x03, 0x02, 0x01}, 446, "element runs past the datagram"},
        {{0x30, 0x80, 0x02, 0x01, 0x00, 0x00, 0x00}, 446, "indefinite length"},
        {{0x1F, 0x01, 0x00}, 446, "high-tag-number form"},
        {Message(Tag::GetResponse, 1, {}, 1), 0, "(control: a well-formed answer)"},
    };
    TUdpResponder responder;
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    for (const auto& c : cases) {
        m.errors.clear();
        m.responses.clear();
        responder.SetScript([&](const TDatagram&) { return std::vector<TReply>{{c.datagram, 0, 0}}; });
        m.Prepare({"1.3.6.1.2.1.1.5.0"});
        m.mgr.SendGetRequest();
        if (c.code == 0) {
            EXPECT_TRUE(WaitUntil([&] { return !m.responses.empty(); })) << c.why;
            continue;
        }
        ASSERT_TRUE(WaitUntil([&] { return !m.errors.empty(); })) << c.why;
        EXPECT_EQ(m.errors[0].ErrorCode, c.code) << c.why;
        EXPECT_EQ(m.errors[0].Description, "SNMP: Error parsing received packet.") << c.why;
        EXPECT_TRUE(m.responses.empty()) << c.why;
    }

    // Version 2 and PDU tag 0xA9 have their own codes. The answer starts
    // 30 LL, 02 01 <version>, 04 06 <community "tamvel">, then the PDU tag.
    TBytes badVersion = Message(Tag::GetResponse, 1, {}, 1);
    badVersion[4] = 0x02;
    TBytes badTag = Message(Tag::GetResponse, 1, {}, 1);
    badTag[13] = 0xA9;
    for (const auto& [bytes, code] : {std::pair{badVersion, 305}, std::pair{badTag, 306}}) {
        m.errors.clear();
        responder.SetScript([&](const TDatagram&) { return std::vector<TReply>{{bytes, 0, 0}}; });
        m.Prepare({"1.3.6.1.2.1.1.5.0"});
        m.mgr.SendGetRequest();
        ASSERT_TRUE(WaitUntil([&] { return !m.errors.empty(); }));
        EXPECT_EQ(m.errors[0].ErrorCode, code);
    }
}

TEST(Inbound, AcceptRemoteOnlyRefusesOtherOriginsBeforeReadingThem)
{
    // A stranger on another port sends junk and a false answer under the
    // request's id, ahead of the agent's true answer.
    TUdpResponder stranger;
    ASSERT_TRUE(stranger.Start());
    TUdpResponder agent([&](const TDatagram& in) {
        stranger.Send({0xde, 0xad}, in.fromPort);
        stranger.Send(AnswerTo(in, "false"), in.fromPort);
        return std::vector<TReply>{{AnswerTo(in, "true"), 100, 0}};
    });
    ASSERT_TRUE(agent.Start());
    for (const bool remoteOnly : {false, true}) {
        SCOPED_TRACE(remoteOnly ? "AcceptRemoteOnly" : "the default");
        TRecordingManager m;
        EXPECT_EQ(m.mgr.Config("AcceptRemoteOnly"), "False");
        m.mgr.Config(remoteOnly ? "AcceptRemoteOnly=true" : "AcceptRemoteOnly=false");
        Aim(m, agent, 0);
        m.mgr.SetRemoteHost("localhost");
        m.mgr.SendGetRequest();
        ASSERT_TRUE(WaitUntil(
            [&] { return !m.responses.empty() && m.responses.back().bindings.at(0).value == "true"; }));
        if (!remoteOnly) {
            EXPECT_EQ(m.responses.size(), 2u) << "the false answer is raised too";
            EXPECT_EQ(m.errors.size(), 1u) << "the junk is reported";
            continue;
        }
        EXPECT_EQ(m.responses.size(), 1u);
        EXPECT_TRUE(m.errors.empty()) << "nothing from elsewhere is parsed";
        ASSERT_EQ(m.badPackets.size(), 2u);
        for (const auto& refused : m.badPackets) {
            EXPECT_EQ(refused.ErrorCode, 318);
            EXPECT_EQ(refused.ErrorDescription, "Message origin unknown.");
            EXPECT_EQ(refused.SourcePort, stranger.Port());
        }
    }
}

TEST(Inbound, GetRequestToTheManagerIsRefusedAndNotAnswered)
{
    TUdpResponder responder([](const TDatagram&) {
        return std::vector<TReply>{
            {Message(Tag::GetRequest, 555, {{"1.3.6.1.2.1.1.5.0", 0x05, ""}}, 1), 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return !m.badPackets.empty(); }));
    EXPECT_EQ(m.badPackets[0].ErrorCode, 319);
    EXPECT_EQ(m.badPackets[0].ErrorDescription, "Operation not permitted in current role.");
    RunEvents(300);
    EXPECT_EQ(responder.Received().size(), 1u) << "the manager answers no request";
    EXPECT_TRUE(m.responses.empty());
}

TEST(Inbound, InformRequestIsAnsweredWithAGetResponse)
{
    TUdpResponder agent;  // learns the manager's port from its request
    ASSERT_TRUE(agent.Start());
    TUdpResponder informer;  // another peer sending the inform
    ASSERT_TRUE(informer.Start());
    TRecordingManager m;
    Aim(m, agent, 0);
    m.mgr.SendGetRequest();
    ASSERT_TRUE(agent.WaitForReceived(1, kWait));
    const int managerPort = agent.Received()[0].fromPort;

    std::vector<vxsnmp::TInformRequestEvent> informs;
    m.mgr.OnInformRequest = [&](TvxSNMPMgr&, vxsnmp::TInformRequestEvent& e) {
        informs.push_back(e);
        e.ErrorStatus = informs.size() == 1 ? 0 : -1;  // the second one asks for no answer
    };
    const TBytes inform =
        Message(Tag::InformRequest, 77,
                {{"1.3.6.1.2.1.1.3.0", 0x43, "4711"}, {"1.3.6.1.6.3.1.1.4.1.0", 0x06, "1.3.6.1.4.1.99.1"}});
    informer.Send(inform, managerPort);
    ASSERT_TRUE(WaitUntil([&] { return !informer.Received().empty(); })) << "no GetResponse for the inform";
    ASSERT_EQ(informs.size(), 1u);
    EXPECT_EQ(informs[0].RequestId, 77);
    EXPECT_EQ(informs[0].SourcePort, informer.Port());

    vxsnmp::TIncoming answer;
    auto table = std::make_unique<vxsnmp::TBindingTable>();
    ASSERT_EQ(vxsnmp::ParseMessage(informer.Received()[0].bytes, answer, *table), 0);
    EXPECT_EQ(answer.pduTag, 0xA2);
    EXPECT_EQ(answer.requestId, 77);
    ASSERT_EQ(table->count, 2);
    EXPECT_EQ(table->slot[0].value, "4711");
    EXPECT_EQ(table->slot[1].value, "1.3.6.1.4.1.99.1");
    EXPECT_EQ(m.mgr.RemoteHost(), "127.0.0.1");
    EXPECT_EQ(m.mgr.RemotePort(), informer.Port()) << "the remote end is now the inform's sender";

    informer.Send(inform, managerPort);
    ASSERT_TRUE(WaitUntil([&] { return informs.size() == 2; }));
    RunEvents(300);
    EXPECT_EQ(informer.Received().size(), 1u) << "ErrorStatus -1: no answer";
}

// The handler's ErrorStatus and ErrorIndex go into the answer to the inform.
TEST(Inbound, InformAnswerCarriesTheHandlersErrorStatusAndIndex)
{
    TUdpResponder agent;  // learns the manager's port from its request
    ASSERT_TRUE(agent.Start());
    TUdpResponder informer;
    ASSERT_TRUE(informer.Start());
    TRecordingManager m;
    Aim(m, agent, 0);
    m.mgr.SendGetRequest();
    ASSERT_TRUE(agent.WaitForReceived(1, kWait));
    m.mgr.OnInformRequest = [&](TvxSNMPMgr&, vxsnmp::TInformRequestEvent& e) {
        e.ErrorStatus = 5;  // genErr
        e.ErrorIndex = 2;
    };
    informer.Send(
        Message(Tag::InformRequest, 78,
                {{"1.3.6.1.2.1.1.3.0", 0x43, "1"}, {"1.3.6.1.6.3.1.1.4.1.0", 0x06, "1.3.6.1.4.1.99.2"}}),
        agent.Received()[0].fromPort);
    ASSERT_TRUE(WaitUntil([&] { return !informer.Received().empty(); })) << "no GetResponse for the inform";
    vxsnmp::TIncoming answer;
    auto table = std::make_unique<vxsnmp::TBindingTable>();
    ASSERT_EQ(vxsnmp::ParseMessage(informer.Received()[0].bytes, answer, *table), 0);
    EXPECT_EQ(answer.requestId, 78);
    EXPECT_EQ(answer.errorStatus, 5);
    EXPECT_EQ(answer.errorIndex, 2);
}

TEST(Inbound, OversizedDatagramIsReportedAndTheNextOneReceived)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, std::string(9000, 'x')), 0, 0},
                                   {AnswerTo(in, "small"), 50, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return !m.responses.empty(); }));
    ASSERT_EQ(m.errors.size(), 1u);
    EXPECT_EQ(m.errors[0].ErrorCode, 10040);
    EXPECT_EQ(m.errors[0].Description, "Winsock error in recv()");
    EXPECT_EQ(m.responses[0].bindings.at(0).value, "small");

    // A larger MaxPacketSize takes the same datagram whole.
    m.mgr.SetActive(false);
    m.mgr.Config("MaxPacketSize=65536");
    m.errors.clear();
    m.responses.clear();
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return m.responses.size() == 2; }));
    EXPECT_TRUE(m.errors.empty());
    EXPECT_EQ(m.responses[0].bindings.at(0).value.size(), 9000);
}

// Random bytes and mutated answers from a fixed seed, then the real answer.
TEST(Inbound, FloodOfGarbageIsSurvivedAndLaterAnswersProcessed)
{
    // Only the first request gets the flood: mutated datagrams that happen to
    // be informs are answered by the manager, and must not start new floods.
    auto flooded = std::make_shared<bool>(false);
    TUdpResponder responder([flooded](const TDatagram& in) {
        if (std::exchange(*flooded, true))
            return std::vector<TReply>{};
        std::mt19937 random(20240601);
        const TBytes good = AnswerTo(in, "after the flood");
        const TBytes base = AnswerTo(in, "mutated");
        std::vector<TReply> replies;
        for (int i = 0; i < 1500; ++i) {
            TBytes junk;
            if (i % 2 == 0) {
                junk.resize(random() % 300);
                for (auto& b : junk)
                    b = static_cast<std::uint8_t>(random());
            } else {
                junk = base;
                for (int flips = 1 + random() % 4; flips > 0; --flips)
                    junk[random() % junk.size()] = static_cast<std::uint8_t>(random());
                junk.resize(random() % (junk.size() + 1));
            }
            replies.push_back({junk, 0, 0});
        }
        for (int ms : {500, 1000, 1500})  // the flood may overrun the socket buffer
            replies.push_back({good, ms, 0});
        return replies;
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    m.mgr.SetRequestId(3);
    m.mgr.SendGetRequest();
    const auto isTheAnswer = [&] {
        for (const auto& r : m.responses)
            if (r.event.RequestId == 3 && !r.bindings.empty() && r.bindings[0].value == "after the flood")
                return true;
        return false;
    };
    ASSERT_TRUE(WaitUntil(isTheAnswer, 10000));
    EXPECT_FALSE(m.errors.empty());

    // Still working: a fresh request is answered.
    responder.SetScript([](const TDatagram& in) {
        return RequestIdOf(in.bytes) == 4 ? std::vector<TReply>{{AnswerTo(in, "fine"), 0, 0}}
                                          : std::vector<TReply>{};
    });
    m.responses.clear();
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SetTimeout(5000);
    m.mgr.SendGetRequest();
    ASSERT_FALSE(m.responses.empty());
    EXPECT_EQ(m.responses.back().bindings.at(0).value, "fine");
}

}  // namespace

namespace {

TEST(Inbound, TrapsAndReportsAreRaised)
{
    // An SNMPv1 trap: enterprise 1.3.6.1, agent 127.0.0.1, enterprise-specific
    // trap 7 at time stamp 500, no bindings.
    const TBytes v1Trap = {0x30, 0x24, 0x02, 0x01, 0x00, 0x04, 0x06, 't',  'a',  'm',
                           'v',  'e',  'l',  0xA4, 0x17, 0x06, 0x03, 0x2B, 0x06, 0x01,  // enterprise 1.3.6.1
                           0x40, 0x04, 0x7F, 0x00, 0x00, 0x01,  // agent-addr 127.0.0.1
                           0x02, 0x01, 0x06,                    // generic-trap: enterpriseSpecific
                           0x02, 0x01, 0x07,                    // specific-trap 7
                           0x43, 0x02, 0x01, 0xF4,              // time-stamp 500
                           0x30, 0x00};
    const TBytes v2Trap = Message(
        Tag::TrapV2, 88,
        {{"1.3.6.1.2.1.1.3.0", 0x43, "4711"}, {"1.3.6.1.6.3.1.1.4.1.0", 0x06, "1.3.6.1.6.3.1.1.5.1"}});
    const TBytes report = Message(Tag::Report, 5, {{"1.3.6.1.6.3.15.1.1.4.0", 0x41, "1"}});
    TUdpResponder responder([&](const TDatagram&) {
        return std::vector<TReply>{{v1Trap, 0, 0}, {v2Trap, 0, 0}, {report, 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    Aim(m, responder, 0);
    std::vector<vxsnmp::TTrapEvent> traps;
    std::vector<vxsnmp::TResponseEvent> reports;
    m.mgr.OnTrap = [&](TvxSNMPMgr&, const vxsnmp::TTrapEvent& e) { traps.push_back(e); };
    m.mgr.OnReport = [&](TvxSNMPMgr&, const vxsnmp::TResponseEvent& e) { reports.push_back(e); };
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return traps.size() == 2 && reports.size() == 1; }));
    EXPECT_EQ(traps[0].SNMPVersion, 0);
    EXPECT_EQ(traps[0].TrapOID, "1.3.6.1.0.7");
    EXPECT_EQ(traps[0].TimeStamp, 500);
    EXPECT_EQ(traps[1].SNMPVersion, 1);
    EXPECT_EQ(traps[1].RequestId, 88);
    EXPECT_EQ(traps[1].TrapOID, "1.3.6.1.6.3.1.1.5.1");
    EXPECT_EQ(traps[1].TimeStamp, 4711);
    EXPECT_EQ(reports[0].RequestId, 5);
    EXPECT_TRUE(m.responses.empty());
    EXPECT_TRUE(m.errors.empty());
}

TEST(BlockingWait, WorksOnAThreadWithoutEventLoop)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "polled"), 100, 0}};
    });
    ASSERT_TRUE(responder.Start());
    QByteArray value;
    QString failure;
    std::thread plain([&] {
        try {
            TvxSNMPMgr mgr;
            mgr.SetLocalPort(0);
            mgr.SetRemoteHost("127.0.0.1");
            mgr.SetRemotePort(responder.Port());
            mgr.SetTimeout(5);
            mgr.SetObjCount(1);
            mgr.SetObjId(1, "1.3.6.1.2.1.1.5.0");
            mgr.OnResponse = [&](TvxSNMPMgr& sender, const vxsnmp::TResponseEvent&) {
                value = sender.ObjValue(1);
            };
            mgr.SendGetRequest();
        } catch (const EvxSNMPMgr& e) {
            failure = e.Message();
        }
    });
    plain.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(value, "polled");
}

}  // namespace
