// TUsmReceiver's time windows, which net-snmp's tools cannot be made to
// miss: a trap sender's clock learned from its first message and held to it
// afterwards, and informs held to this engine's own clock, with the signed
// report that lets the sender catch up. The messages are made by a
// TUsmSession standing in for the sender.
#include "snmp/UsmReceiver.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxsnmp::usm {
namespace {

using namespace std::chrono_literals;

const v3::TBytes kSenderEngine = {0x80, 0x00, 0x1F, 0x88, 0x80, 0x0A, 0x0B, 0x0C};
const v3::TBytes kOwnEngine = {0x80, 0x00, 0x00, 0x00, 0x05, 0x01, 0x02, 0x03};
constexpr std::uint32_t kOwnBoots = 9;
const TUsmUser kUser{"dana",           TSecurityLevel::AuthPriv, TAuthProtocol::Sha256,
                     "dana-auth-word", TPrivProtocol::Aes128,    "dana-priv-word"};

struct UsmReceiver : ::testing::Test {
    void SetUp() override
    {
        receiver.SetLocalEngine(kOwnEngine, kOwnBoots, t0);
        ASSERT_EQ(receiver.AddUser(kUser), 0);
    }
    // A notification from `engine` at its boots and time, received `later`
    // after t0 by the receiver's clock.
    int Receive(Tag tag, const v3::TBytes& engine, std::uint32_t boots, std::uint32_t time,
                std::chrono::seconds later)
    {
        TUsmSession sender;
        EXPECT_EQ(sender.SetUser(kUser), 0);
        EXPECT_EQ(sender.SetEngine(engine, boots, time, t0 + later), 0);
        auto table = std::make_unique<TBindingTable>();
        table->Slot(0) = {"1.3.6.1.2.1.1.3.0", static_cast<std::uint8_t>(Tag::TimeTicks), "42"};
        table->SetCount(1);
        TOutgoing out;
        v3::TBytes datagram;
        EXPECT_EQ(sender.BuildRequest(++msgId, tag, out, *table, "", datagram, nullptr, t0 + later), 0);
        return receiver.Open(datagram, received, in, *table, t0 + later);
    }

    TUsmReceiver receiver;
    TClock::time_point t0 = TClock::now();
    TReceived received;
    TIncoming in;
    std::int32_t msgId = 0;
};

// A message stamped with the sender's boots and time, received `later`.
struct TClockStep {
    std::uint32_t boots, time;
    std::chrono::seconds later;
    int code;
    const char* why;
};

TEST_F(UsmReceiver, TrapSendersClockIsLearnedThenHeldToTheWindow)
{
    const TClockStep steps[] = {
        {5, 100, 0s, 0, "the first trap sets the sender's clock"},
        {5, 100, 10s, 0, "the same time again, within the window"},
        {4, 900, 20s, kNotInTimeWindow, "an earlier boot is a replay"},
        {5, 100, 400s, kNotInTimeWindow, "the sender's clock ran on 400 s since"},
        {5, 520, 420s, 0, "a later time moves the clock forward"},
        {6, 3, 430s, 0, "a reboot starts the clock again"},
        {5, 530, 431s, kNotInTimeWindow, "the boot before the reboot is over"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(Receive(Tag::TrapV2, kSenderEngine, step.boots, step.time, step.later), step.code)
            << step.why;
        if (step.code == 0) {
            EXPECT_EQ(in.pduTag, static_cast<std::uint8_t>(Tag::TrapV2)) << step.why;
            EXPECT_EQ(received.usm.userName, kUser.name) << step.why;
        }
    }
    EXPECT_EQ(receiver.Stats().notInTimeWindows, 3u);
}

TEST_F(UsmReceiver, InformsAreHeldToThisEnginesClockAndToldItWhenLate)
{
    const TClockStep steps[] = {
        {kOwnBoots, 0, 0s, 0, "this engine's boots and time"},
        {kOwnBoots, 140, 0s, 0, "140 s ahead is within the window"},
        {kOwnBoots, 0, 200s, kNotInTimeWindow, "200 s behind"},
        {kOwnBoots - 1, 200, 200s, kNotInTimeWindow, "another boot"},
    };
    for (const auto& step : steps)
        EXPECT_EQ(Receive(Tag::InformRequest, kOwnEngine, step.boots, step.time, step.later), step.code)
            << step.why;

    // The late sender gets a signed report with this engine's clock and
    // takes it: its next inform is in time.
    v3::TBytes report;
    ASSERT_EQ(receiver.BuildReport(received, in, report, t0 + 200s), 0);
    TUsmSession sender;
    ASSERT_EQ(sender.SetUser(kUser), 0);
    ASSERT_EQ(sender.SetEngine(kOwnEngine, kOwnBoots - 1, 200, t0 + 200s), 0);
    TAnswer answer;
    auto table = std::make_unique<TBindingTable>();
    TIncoming reportIn;
    ASSERT_EQ(sender.OpenAnswer(report, answer, reportIn, *table, t0 + 200s), 0);
    EXPECT_TRUE(answer.authentic);
    EXPECT_EQ(answer.report, v3::TReportKind::NotInTimeWindows);
    EXPECT_EQ(answer.usm.boots, kOwnBoots);
    EXPECT_EQ(answer.usm.time, 200u);
}

}  // namespace
}  // namespace vxsnmp::usm
