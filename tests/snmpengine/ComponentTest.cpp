// The component's properties, index checks, endpoint states and lifetime.
#include "EngineTestSupport.h"
#include "TAgentProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using vxsnmp::EvxSNMPMgr;
using vxsnmp::TvxSNMPMgr;
using namespace vxtest;

namespace {

TEST(Component, NewComponentHasTheDefaults)
{
    TvxSNMPMgr mgr;
    EXPECT_FALSE(mgr.Active());
    EXPECT_EQ(mgr.Community(), "tamvel");
    EXPECT_EQ(mgr.LocalPort(), 162);
    EXPECT_EQ(mgr.RemoteHost(), "");
    EXPECT_EQ(mgr.RemotePort(), 161);
    EXPECT_EQ(mgr.SNMPVersion(), 2);
    EXPECT_EQ(mgr.Timeout(), 60);
    EXPECT_EQ(mgr.RequestId(), 1);
    EXPECT_EQ(mgr.ObjCount(), 0);
    EXPECT_EQ(mgr.Config("ForceLocalPort"), "True");
    EXPECT_FALSE(mgr.LocalHost().isEmpty()) << "closed and unbound: the host name";
}

TEST(Component, BindingTableLimitsAndIndexChecks)
{
    TvxSNMPMgr mgr;
    mgr.SetObjCount(256);
    EXPECT_EQ(mgr.ObjCount(), 256);
    EXPECT_EQ(MessageOf([&] { mgr.SetObjCount(257); }),
              "302: Value exceeds maximum number of objects allowed.");
    EXPECT_EQ(MessageOf([&] { mgr.SetObjCount(-1); }),
              "302: Value exceeds maximum number of objects allowed.");
    EXPECT_EQ(mgr.ObjCount(), 256);

    mgr.Reset();
    EXPECT_EQ(mgr.ObjCount(), 0);
    mgr.SetObjCount(1);
    EXPECT_EQ(mgr.ObjType(1), 4) << "a new slot holds an empty OCTET STRING";
    EXPECT_EQ(MessageOf([&] { mgr.ObjValue(0); }), "280: Invalid array index value for ObjValue");
    EXPECT_EQ(MessageOf([&] { mgr.ObjId(2); }), "280: Invalid array index value for ObjId");
    EXPECT_EQ(MessageOf([&] { mgr.SetObjId(2, "1.3"); }),
              "301: Invalid object index: must be in [1..ObjCount].");

    const QByteArray withZero("a\0b", 3);
    mgr.SetObjValue(1, withZero);
    EXPECT_EQ(mgr.ObjValue(1), withZero) << "byte values keep their zero bytes";
}

TEST(Component, TextPropertiesKeepEveryCharacter)
{
    TvxSNMPMgr mgr;
    QString longOid = QStringLiteral("1.3.6.1.4.1");
    while (longOid.size() < 300)
        longOid += QStringLiteral(".4294967295");
    const QString texts[] = {
        QString(),
        QStringLiteral("public"),
        QString::fromUtf8("gemeinschaft-\xc3\xbc"),  // short, not ASCII
        QString(127, QLatin1Char('c')),
        QString(128, QLatin1Char('c')),
        QString(300, QLatin1Char('c')),
    };
    for (const QString& text : texts) {
        mgr.SetCommunity(text);
        EXPECT_EQ(mgr.Community(), text) << text.size();
    }
    mgr.SetObjCount(2);
    mgr.SetObjId(1, longOid);
    mgr.SetObjId(2, QStringView(longOid).left(11));
    EXPECT_EQ(mgr.ObjId(1), longOid);
    EXPECT_EQ(mgr.ObjId(2), "1.3.6.1.4.1");
}

TEST(Component, SnmpVersionOutsideOneToThreeMeansV1)
{
    TvxSNMPMgr mgr;
    const std::pair<int, int> cases[] = {{1, 1}, {2, 2}, {3, 3}, {7, 1}, {0, 1}, {-2, 1}};
    for (auto [written, read] : cases) {
        mgr.SetSNMPVersion(written);
        EXPECT_EQ(mgr.SNMPVersion(), read) << "written " << written;
    }
}

TEST(Component, RequestIdAdvancesWithEverySend)
{
    TUdpResponder responder;
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.SetTimeout(0);
    m.mgr.SetRequestId(41);
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetRequest();
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetNextRequest();
    ASSERT_TRUE(responder.WaitForReceived(2, std::chrono::seconds(5)));
    const auto received = responder.Received();
    EXPECT_EQ(RequestIdOf(received[0].bytes), 41);
    EXPECT_EQ(RequestIdOf(received[1].bytes), 42);
    EXPECT_EQ(m.mgr.RequestId(), 43);

    ASSERT_EQ(m.traces.size(), 2u) << "every datagram sent is traced";
    EXPECT_EQ(m.traces[0].Direction, 2);
    EXPECT_EQ(m.traces[0].PacketPort, responder.Port());
    EXPECT_EQ(std::vector<std::uint8_t>(m.traces[0].Packet.begin(), m.traces[0].Packet.end()),
              received[0].bytes);
}

TEST(Component, GetRequestSendsNullValues)
{
    TvxSNMPMgr mgr;
    mgr.SetObjCount(1);
    mgr.SetObjId(1, "1.3.6.1.2.1.1.1.0");
    mgr.SetRemoteHost("127.0.0.1");
    mgr.SetRemotePort(FreeUdpPort());
    mgr.SetLocalPort(0);
    mgr.SetTimeout(0);
    mgr.SendGetRequest();
    EXPECT_EQ(mgr.ObjType(1), 5);
    EXPECT_TRUE(mgr.Active()) << "a send opens the endpoint itself";
}

TEST(Component, ActiveTwiceFailsAndClosedEndpointsReopen)
{
    TvxSNMPMgr mgr;
    mgr.SetLocalPort(0);
    mgr.SetActive(true);
    EXPECT_TRUE(mgr.Active());
    EXPECT_EQ(MessageOf([&] { mgr.SetActive(true); }), "104: UDPPort is already Active.");
    EXPECT_EQ(MessageOf([&] { mgr.SetLocalPort(5000); }),
              "106: You cannot change the LocalPort while the control is Active.");
    EXPECT_EQ(MessageOf([&] { mgr.SetLocalHost("127.0.0.1"); }),
              "107: Cannot change LocalHost while the control is Active.");
    EXPECT_EQ(mgr.LocalHost(), "0.0.0.0");
    mgr.SetActive(false);
    EXPECT_FALSE(mgr.Active());
    mgr.SetLocalHost("127.0.0.1");
    mgr.SetActive(true);
    EXPECT_EQ(mgr.LocalHost(), "127.0.0.1");
}

// Holds a UDP port on all local addresses, unless another socket already
// holds it, which serves the test just as well.
// Holds a free local port of its own, so the test needs no fixed port that
// another process (every main window binds 162 when it can) may hold.
class TPortHolder {
public:
    TPortHolder()
    {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        socklen_t len = sizeof sa;
        if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0
            && getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
            port = ntohs(sa.sin_port);
    }
    ~TPortHolder() { close(fd); }
    int port = 0;

private:
    int fd = -1;
};

TEST(Component, TakenLocalPortFailsOrFallsBackToAFreePort)
{
    TPortHolder holder;
    ASSERT_NE(holder.port, 0) << "no free local UDP port could be bound";

    TvxSNMPMgr strict;
    strict.SetLocalPort(holder.port);
    EXPECT_EQ(MessageOf([&] { strict.SetActive(true); }), "10048: [10048] Address already in use");
    EXPECT_FALSE(strict.Active());

    TvxSNMPMgr lenient;
    lenient.SetActive(false);
    lenient.SetLocalPort(holder.port);
    lenient.Config("ForceLocalPort=false");
    lenient.SetActive(true);
    EXPECT_TRUE(lenient.Active());
    EXPECT_EQ(lenient.LocalPort(), 0);

    // The fallback endpoint works: a request goes out and its answer comes back.
    TUdpResponder responder([](const TDatagram& in) { return std::vector<TReply>{{AnswerTo(in), 0, 0}}; });
    ASSERT_TRUE(responder.Start());
    bool answered = false;
    lenient.OnResponse = [&](TvxSNMPMgr&, const vxsnmp::TResponseEvent&) { answered = true; };
    lenient.SetRemoteHost("127.0.0.1");
    lenient.SetRemotePort(responder.Port());
    lenient.SetTimeout(0);
    lenient.SetObjCount(1);
    lenient.SetObjId(1, "1.3.6.1.2.1.1.5.0");
    lenient.SendGetRequest();
    EXPECT_TRUE(WaitUntil([&] { return answered; }));
    EXPECT_NE(responder.Received().at(0).fromPort, holder.port);
}

TEST(Component, SendWithoutRemoteHostFails)
{
    TvxSNMPMgr mgr;
    mgr.SetLocalPort(0);
    mgr.SetTimeout(0);
    mgr.SetObjCount(1);
    mgr.SetObjId(1, "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(MessageOf([&] { mgr.SendGetRequest(); }), "10049: [10049] Can't assign requested address");
}

TEST(Component, HandlerMayDestroyTheComponent)
{
    TUdpResponder responder([](const TDatagram& in) {
        // Two answers: the second arrives after the component is gone.
        return std::vector<TReply>{{AnswerTo(in), 0, 0}, {AnswerTo(in), 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    auto* mgr = new TvxSNMPMgr;
    int responses = 0;
    mgr->OnResponse = [&](TvxSNMPMgr& sender, const vxsnmp::TResponseEvent&) {
        ++responses;
        delete &sender;
    };
    mgr->SetLocalPort(0);
    mgr->SetRemoteHost("127.0.0.1");
    mgr->SetRemotePort(responder.Port());
    mgr->SetTimeout(0);
    mgr->SetObjCount(1);
    mgr->SetObjId(1, "1.3.6.1.2.1.1.5.0");
    mgr->SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return responses > 0; }));
    RunEvents(200);
    EXPECT_EQ(responses, 1);
}

}  // namespace

namespace {

TEST(Component, CloseFromAHandlerIsDeferredUntilTheReceiveLoopEnds)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "first"), 0, 0}, {AnswerTo(in, "second"), 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.SetTimeout(0);
    bool activeInHandler = true;
    m.mgr.OnResponse = [&](TvxSNMPMgr& sender, const vxsnmp::TResponseEvent&) {
        m.responses.push_back({});
        sender.SetActive(false);
        activeInHandler = sender.Active();
    };
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetRequest();
    ASSERT_TRUE(WaitUntil([&] { return !m.responses.empty(); }));
    RunEvents(200);
    EXPECT_FALSE(activeInHandler);
    EXPECT_FALSE(m.mgr.Active());
    EXPECT_EQ(m.mgr.Config("SocketHandle"), "-1");
    EXPECT_EQ(m.responses.size(), 1u) << "nothing is received after the close";

    // A send reopens the endpoint.
    m.mgr.OnResponse = nullptr;
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetRequest();
    EXPECT_TRUE(m.mgr.Active());
}

TEST(Component, UseConnectionTalksToTheConnectedPeer)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in, "connected"), 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    m.mgr.Config("UseConnection=true");
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.SetTimeout(5);
    m.Prepare({"1.3.6.1.2.1.1.5.0"});
    m.mgr.SendGetRequest();
    ASSERT_EQ(m.responses.size(), 1u);
    EXPECT_EQ(m.responses[0].bindings.at(0).value, "connected");
}

}  // namespace
