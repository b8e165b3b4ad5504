// SNMPv3 against a responder of our own: an agent whose clock has run ahead
// answers the first request with an authentic not-in-time-window report; the
// component takes the agent's time from it and sends the request once more.
#include "EngineTestSupport.h"
#include "snmp/SnmpV3Message.h"
#include "snmp/UsmAuth.h"
#include "snmp/UsmKeys.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace vxtest;
namespace v3 = vxsnmp::v3;
namespace usm = vxsnmp::usm;

namespace {

const v3::TBytes kEngineId = {0x80, 0x00, 0x1F, 0x88, 0x80, 0x42, 0x42, 0x42, 0x42};
const char* const kUser = "clockuser";
const char* const kPassword = "maplesyrup";
constexpr std::uint32_t kBoots = 5;
constexpr std::uint32_t kTimeAtDiscovery = 1000;
constexpr std::uint32_t kTimeLater = 9000;  // far beyond the 150 s window

// A PDU of `tag` with request id `requestId` and one binding.
v3::TBytes Pdu(vxsnmp::Tag tag, std::int32_t requestId, const char* oid, std::uint8_t type, const char* value)
{
    vxsnmp::TOutgoing out;
    out.requestId = requestId;
    vxsnmp::TBindingTable table;
    table.count = 1;
    table.Slot(0) = {oid, type, value};
    v3::TBytes pdu;
    EXPECT_EQ(vxsnmp::BuildPdu(out, tag, table, pdu), 0);
    return pdu;
}

// An answer as the agent sends it: signed (MD5) unless `plain`.
v3::TBytes Answer(std::int32_t msgId, std::uint32_t time, const v3::TBytes& pdu, bool plain)
{
    v3::TBytes scoped, datagram;
    EXPECT_EQ(v3::BuildScopedPdu(kEngineId, "", pdu, scoped), 0);
    v3::TUsmParameters params{kEngineId, kBoots, time, plain ? "" : kUser, {}, {}};
    if (!plain)
        params.authParams.assign(usm::MacLength(usm::TAuthProtocol::Md5), 0);
    const std::uint8_t flags = plain ? 0 : v3::kAuthFlag;
    std::size_t authOffset = 0;
    EXPECT_EQ(v3::BuildMessage(v3::THeader{msgId, 65507, flags}, params, scoped, datagram, &authOffset), 0);
    if (!plain) {
        usm::TKey key;
        EXPECT_EQ(usm::LocalizedKey(usm::TAuthProtocol::Md5, kPassword, kEngineId, key), 0);
        EXPECT_EQ(usm::SignMessage(usm::TAuthProtocol::Md5, key, datagram, authOffset), 0);
    }
    return datagram;
}

TEST(V3TimeWindow, ReportFromALaterClockResynchronisesAndResendsOnce)
{
    std::atomic<int> requests{0};
    std::atomic<std::uint32_t> resentTime{0};
    TUdpResponder responder([&](const TDatagram& in) -> std::vector<TReply> {
        v3::TParsed parsed;
        if (v3::ParseMessage(in.bytes, parsed) != 0)
            return {};
        if (parsed.usm.engineId.empty())  // discovery
            return {{Answer(parsed.header.msgId, kTimeAtDiscovery,
                            Pdu(vxsnmp::Tag::Report, 0, "1.3.6.1.6.3.15.1.1.4.0", 0x41, "1"), true)}};
        vxsnmp::TIncoming pduIn;
        vxsnmp::TBindingTable table;
        v3::TScopedPdu scoped;
        if (v3::ParseScopedPdu(parsed.scopedPdu, scoped) != 0
            || vxsnmp::ParsePduElement(scoped.pdu, 3, pduIn, table) != 0)
            return {};
        if (++requests == 1)
            return {{Answer(parsed.header.msgId, kTimeLater,
                            Pdu(vxsnmp::Tag::Report, pduIn.requestId, "1.3.6.1.6.3.15.1.1.2.0", 0x41, "1"),
                            false)}};
        resentTime = parsed.usm.time;
        return {
            {Answer(parsed.header.msgId, kTimeLater,
                    Pdu(vxsnmp::Tag::GetResponse, pduIn.requestId, "1.3.6.1.2.1.1.1.0", 0x04, "ok"), false)}};
    });
    ASSERT_TRUE(responder.Start());

    TRecordingManager m;
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.SetSNMPVersion(3);
    m.mgr.SetTimeout(5);
    m.mgr.SetUser(QString::fromLatin1(kUser));
    m.mgr.SetSecurityLevel(1);
    m.mgr.SetAuthProtocol(1);
    m.mgr.SetAuthPassword(QString::fromLatin1(kPassword));
    m.mgr.SetObjCount(1);
    m.mgr.SetObjId(1, QStringLiteral("1.3.6.1.2.1.1.1.0"));
    m.mgr.SendGetRequest();

    ASSERT_EQ(m.responses.size(), 1u);
    EXPECT_EQ(m.responses[0].bindings.at(0).value, "ok");
    EXPECT_EQ(requests.load(), 2) << "one automatic resend";
    EXPECT_GE(resentTime.load(), kTimeLater) << "the resend carries the agent's time";
}

}  // namespace
