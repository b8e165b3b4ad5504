// GetBulkRequest through the component's method table: the datagram on the
// wire, and the versions and arguments it refuses.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using vxsnmp::EvxSNMPMgr;
using namespace vxtest;

namespace {

constexpr auto kWait = std::chrono::seconds(5);

int RefusalCode(TRecordingManager& m, int nonRepeaters, int maxRepetitions)
{
    try {
        m.mgr.SendGetBulkRequest(nonRepeaters, maxRepetitions);
    } catch (const EvxSNMPMgr& e) {
        return e.Code();
    }
    return 0;
}

}  // namespace

TEST(GetBulkRequest, GoesOutByteForByteWithItsTwoArguments)
{
    TUdpResponder responder;
    ASSERT_TRUE(responder.Start());
    TRecordingManager m;
    m.mgr.SetRemotePort(responder.Port());
    m.mgr.SetTimeout(0);
    m.mgr.SetSNMPVersion(2);
    m.mgr.SetCommunity(QStringLiteral("public"));
    m.Prepare({"1.3.6.1.2.1"});
    m.mgr.SetRequestId(42);
    m.mgr.SendGetBulkRequest(0, 25);
    ASSERT_TRUE(responder.WaitForReceived(1, kWait));

    const TBytes expected = {0x30, 0x23, 0x02, 0x01, 0x01,                   // SNMPv2c
                             0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  // community
                             0xA5, 0x16, 0x02, 0x01, 0x2A,                   // GetBulk, request id 42
                             0x02, 0x01, 0x00, 0x02, 0x01, 0x19,  // non-repeaters 0, max-repetitions 25
                             0x30, 0x0B, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x05, 0x00};
    EXPECT_EQ(responder.Received().at(0).bytes, expected);
    EXPECT_EQ(m.mgr.RequestId(), 43) << "the request id moves on as for any request";

    // The error fields of the next request are its own again.
    m.mgr.SendGetNextRequest();
    ASSERT_TRUE(responder.WaitForReceived(2, kWait));
    const TBytes next = responder.Received().at(1).bytes;
    ASSERT_GT(next.size(), 24u);
    EXPECT_EQ(next[13], 0xA1);
    EXPECT_EQ(TBytes(next.begin() + 18, next.begin() + 24), (TBytes{0x02, 0x01, 0x00, 0x02, 0x01, 0x00}));
}

TEST(GetBulkRequest, IsRefusedWhereItCannotGoOut)
{
    struct Case {
        const char* why;
        int version, nonRepeaters, maxRepetitions, code;
    } cases[] = {
        {"SNMPv1 has no GetBulk", 1, 0, 10, 304},
        {"negative non-repeaters", 2, -1, 10, 10022},
        {"negative max-repetitions", 2, 0, -5, 10022},
    };
    TUdpResponder responder;
    ASSERT_TRUE(responder.Start());
    for (const Case& c : cases) {
        TRecordingManager m;
        m.mgr.SetRemotePort(responder.Port());
        m.mgr.SetTimeout(0);
        m.mgr.SetSNMPVersion(c.version);
        m.Prepare({"1.3.6.1.2.1"});
        EXPECT_EQ(RefusalCode(m, c.nonRepeaters, c.maxRepetitions), c.code) << c.why;
        EXPECT_EQ(m.mgr.RequestId(), 1) << c.why << ": nothing was built";
    }
    EXPECT_FALSE(responder.WaitForReceived(1, std::chrono::milliseconds(200))) << "nothing went out";
}
