// TUsmSession's checks on answers, against answers made here as an agent
// would make them (same keys, its own boots and time).
#include "TestBytes.h"
#include "snmp/UsmAuth.h"
#include "snmp/UsmSession.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxsnmp::usm {
namespace {

using namespace std::chrono_literals;
using test::Hex;
using test::TBytes;

const TBytes kEngineId = Hex("80 00 1F 88 80 01 02 03 04");
constexpr std::uint32_t kBoots = 7;
constexpr std::uint32_t kTime = 1000;
const TUsmUser kUser{"carol",           TSecurityLevel::AuthPriv, TAuthProtocol::Sha256,
                     "carol-auth-word", TPrivProtocol::Aes128,    "carol-priv-word"};
// A PDU with request-id 1 around one binding.
TBytes Pdu(std::uint8_t tag, const TBytes& binding)
{
    return test::Tlv(tag, test::Cat({Hex("02 01 01 02 01 00 02 01 00"), test::Tlv(0x30, binding)}));
}
// A GetResponse: sysDescr.0 = "ok".
const TBytes kResponsePdu = Pdu(0xA2, Hex("30 0E 06 08 2B 06 01 02 01 01 01 00 04 02 6F 6B"));
// A Report of usmStatsWrongDigests.0 = 3.
const TBytes kReportPdu = Pdu(0xA8, Hex("30 0F 06 0A 2B 06 01 06 03 0F 01 01 05 00 41 01 03"));

// What the agent puts into one answer.
struct TAnswerPlan {
    std::uint8_t flags = v3::kAuthFlag | v3::kPrivFlag;
    TBytes engineId = kEngineId;
    std::uint32_t boots = kBoots;
    std::uint32_t time = kTime;
    std::string user = kUser.name;
    std::string privPassword = kUser.privPassword;
    TBytes pdu = kResponsePdu;
    bool tamper = false;  // change the last byte after signing
};

TBytes MakeAnswer(const TAnswerPlan& plan)
{
    TKey authKey, privKey;
    EXPECT_EQ(LocalizedKey(kUser.auth, kUser.authPassword, plan.engineId, authKey), 0);
    EXPECT_EQ(PrivacyKey(kUser.auth, kUser.priv, plan.privPassword, plan.engineId, privKey), 0);
    TBytes scoped, encrypted, datagram;
    EXPECT_EQ(v3::BuildScopedPdu(plan.engineId, "", plan.pdu, scoped), kOk);
    v3::TUsmParameters usm{plan.engineId, plan.boots, plan.time, plan.user, {}, {}};
    std::span<const std::uint8_t> data = scoped;
    if (plan.flags & v3::kAuthFlag)
        usm.authParams.assign(MacLength(kUser.auth), 0);
    if (plan.flags & v3::kPrivFlag) {
        const TSalt salt{9, 8, 7, 6, 5, 4, 3, 2};
        usm.privParams.assign(salt.begin(), salt.end());
        EXPECT_EQ(Encrypt(kUser.priv, privKey, plan.boots, plan.time, salt, scoped, encrypted), 0);
        data = encrypted;
    }
    std::size_t authOffset = 0;
    EXPECT_EQ(v3::BuildMessage(v3::THeader{1, 65507, plan.flags}, usm, data, datagram, &authOffset), kOk);
    if (plan.flags & v3::kAuthFlag) {
        EXPECT_EQ(SignMessage(kUser.auth, authKey, datagram, authOffset), 0);
    }
    if (plan.tamper)
        datagram.back() ^= 0x01;
    return datagram;
}

struct UsmSession : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(session.SetUser(kUser), 0);
        ASSERT_EQ(session.SetEngine(kEngineId, kBoots, kTime, t0), 0);
    }
    int Open(const TAnswerPlan& plan, std::chrono::seconds later = 0s)
    {
        return session.OpenAnswer(MakeAnswer(plan), answer, in, *table, t0 + later);
    }

    TUsmSession session;
    TClock::time_point t0 = TClock::now();
    TAnswer answer;
    TIncoming in;
    std::unique_ptr<TBindingTable> table = std::make_unique<TBindingTable>();
};

TEST_F(UsmSession, OpensAnAuthenticEncryptedAnswer)
{
    ASSERT_EQ(Open({}), 0);
    EXPECT_TRUE(answer.authentic);
    EXPECT_EQ(in.version, 3);
    ASSERT_EQ(table->count, 1);
    EXPECT_EQ(table->slot[0].value, "ok");
}

TEST_F(UsmSession, RefusesAnswersThatFailACheck)
{
    auto plan = [](auto change) {
        TAnswerPlan s;
        change(s);
        return s;
    };
    struct Case {
        TAnswerPlan plan;
        std::chrono::seconds later;
        int code;
        const char* why;
    } const cases[] = {
        {plan([](TAnswerPlan& s) { s.engineId = Hex("80 00 1F 88 80 09"); }), 0s, kUnknownEngine,
         "another agent's engine ID"},
        {plan([](TAnswerPlan& s) { s.user = "mallory"; }), 0s, kUnknownUser, "another user"},
        {plan([](TAnswerPlan& s) { s.tamper = true; }), 0s, kWrongDigest, "changed on the way"},
        {plan([](TAnswerPlan& s) { s.privPassword = "another-priv-word"; }), 0s, kDecryptionError,
         "encrypted under another privacy key"},
        {plan([](TAnswerPlan& s) { s.boots = kBoots - 1; }), 0s, kNotInTimeWindow, "from an earlier boot"},
        {plan([](TAnswerPlan&) {}), 151s, kNotInTimeWindow, "151 s older than the agent's clock"},
        {plan([](TAnswerPlan& s) { s.flags = 0; }), 0s, kUnsupportedLevel,
         "a plain answer to an authPriv request"},
        {plan([](TAnswerPlan& s) { s.flags = v3::kAuthFlag; }), 0s, kUnsupportedLevel,
         "an unencrypted answer to an authPriv request"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Open(c.plan, c.later), c.code) << c.why;
        SetUp();  // a fresh clock for the next case
    }
}

TEST_F(UsmSession, TimeWindowEndsAfter150Seconds)
{
    EXPECT_EQ(Open({}, 150s), 0) << "the window's last second";
    TAnswerPlan later;
    later.time = kTime + 200;
    EXPECT_EQ(Open(later, 200s), 0);
    EXPECT_EQ(session.EngineTime(t0 + 200s), kTime + 200);
}

TEST_F(UsmSession, AuthenticLaterAnswerMovesTheClockForward)
{
    TAnswerPlan rebooted;
    rebooted.boots = kBoots + 1;
    rebooted.time = 3;
    ASSERT_EQ(Open(rebooted, 10s), 0);
    EXPECT_EQ(session.Boots(), kBoots + 1);
    EXPECT_EQ(session.EngineTime(t0 + 15s), 8u);
    TAnswerPlan forged;
    forged.boots = kBoots + 5;
    forged.tamper = true;
    EXPECT_EQ(Open(forged, 10s), kWrongDigest);
    EXPECT_EQ(session.Boots(), kBoots + 1) << "an answer that fails its digest moves nothing";
}

TEST_F(UsmSession, PlainReportsOpenAndAreNamed)
{
    TAnswerPlan report;
    report.flags = 0;
    report.pdu = kReportPdu;
    ASSERT_EQ(Open(report), 0);
    EXPECT_FALSE(answer.authentic);
    EXPECT_EQ(answer.report, v3::TReportKind::WrongDigests);
    EXPECT_EQ(answer.reportOid, "1.3.6.1.6.3.15.1.1.5.0");
}

TEST(UsmSessionSetup, RefusesIncompleteUsersAndUndiscoveredRequests)
{
    TUsmSession session;
    struct Case {
        TUsmUser user;
        int code;
        const char* why;
    } const cases[] = {
        {{"u", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "long-enough", TPrivProtocol::None, ""},
         kNoProtocol,
         "authPriv without a privacy protocol"},
        {{"u", TSecurityLevel::AuthNoPriv, TAuthProtocol::None, "long-enough", TPrivProtocol::None, ""},
         kNoProtocol,
         "authNoPriv without an authentication protocol"},
        {{"u", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "long-enough", TPrivProtocol::Des, "short"},
         kShortPassword,
         "privacy password too short"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(session.SetUser(c.user), c.code) << c.why;
    ASSERT_EQ(session.SetUser(kUser), 0);
    auto table = std::make_unique<TBindingTable>();
    TOutgoing out;
    TBytes request;
    EXPECT_EQ(session.BuildRequest(1, Tag::GetRequest, out, *table, "", request), kUnknownEngine);
}

}  // namespace
}  // namespace vxsnmp::usm
