#include "snmp/SnmpV3Message.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxsnmp::v3 {
namespace {

using test::Hex;
using test::ToHex;

// The discovery request with msgID 1 and request-id 77, 58 bytes.
const char* const kDiscovery =
    "30 38"                                             // message
    "   02 01 03"                                       // msgVersion 3
    "   30 0E 02 01 01"                                 // msgGlobalData: msgID 1
    "         02 03 00 FF E3"                           //   msgMaxSize 65507
    "         04 01 04"                                 //   msgFlags: reportable only
    "         02 01 03"                                 //   msgSecurityModel USM
    "   04 10 30 0E"                                    // msgSecurityParameters
    "         04 00 02 01 00 02 01 00"                  //   empty engine ID, boots 0, time 0
    "         04 00 04 00 04 00"                        //   no user, no auth or priv params
    "   30 11 04 00 04 00"                              // scoped PDU: no context engine ID or name
    "         A0 0B 02 01 4D 02 01 00 02 01 00 30 00";  // GetRequest 77, no bindings

TEST(SnmpV3Message, DiscoveryMessageIsByteExact)
{
    TBytes datagram;
    ASSERT_EQ(BuildDiscoveryMessage(1, 77, datagram), kOk);
    EXPECT_EQ(ToHex(datagram), ToHex(Hex(kDiscovery)));
}

TEST(SnmpV3Message, BuiltMessageParsesBackWithItsAuthOffset)
{
    TBytes scoped;
    const TBytes pdu = Hex("A2 0B 02 01 07 02 01 00 02 01 00 30 00");
    ASSERT_EQ(BuildScopedPdu(Hex("80 00 1F 88 04"), "ctx", pdu, scoped), kOk);
    THeader header{123456, 1500, kAuthFlag | kReportableFlag};
    TUsmParameters usm{Hex("80 00 1F 88 04"), 2147483647, 300, "alice", TBytes(24, 0), {}};
    TBytes datagram;
    std::size_t authOffset = 0;
    ASSERT_EQ(BuildMessage(header, usm, scoped, datagram, &authOffset), kOk);
    ASSERT_LE(authOffset + 24, datagram.size());
    EXPECT_EQ(datagram[authOffset - 1], 24) << "the placeholder's length byte precedes it";

    TParsed parsed;
    ASSERT_EQ(ParseMessage(datagram, parsed), kOk);
    EXPECT_EQ(parsed.header.msgId, 123456);
    EXPECT_EQ(parsed.header.maxSize, 1500);
    EXPECT_EQ(parsed.header.flags, kAuthFlag | kReportableFlag);
    EXPECT_EQ(parsed.usm.engineId, usm.engineId);
    EXPECT_EQ(parsed.usm.boots, 2147483647u);
    EXPECT_EQ(parsed.usm.time, 300u);
    EXPECT_EQ(parsed.usm.userName, "alice");
    EXPECT_EQ(parsed.usm.authParams, usm.authParams);
    EXPECT_EQ(parsed.authOffset, authOffset);
    EXPECT_EQ(ToHex(TBytes(parsed.scopedPdu.begin(), parsed.scopedPdu.end())), ToHex(scoped));

    TScopedPdu inner;
    ASSERT_EQ(ParseScopedPdu(parsed.scopedPdu, inner), kOk);
    EXPECT_EQ(inner.contextName, "ctx");
    EXPECT_EQ(ToHex(TBytes(inner.pdu.begin(), inner.pdu.end())), ToHex(pdu));
}

TEST(SnmpV3Message, RefusesBootsAndTimeOutsideTheirRange)
{
    TUsmParameters usm;
    usm.boots = 2147483648u;
    TBytes datagram{1};
    EXPECT_EQ(BuildMessage(THeader{}, usm, Hex("30 00"), datagram), kBuildFailed);
    EXPECT_TRUE(datagram.empty());
}

TEST(SnmpV3Message, MalformedMessagesGiveCodes)
{
    // Each is the discovery message with one part changed.
    const char* const usmPart = "04 10 30 0E 04 00 02 01 00 02 01 00 04 00 04 00 04 00";
    const char* const scoped = "30 11 04 00 04 00 A0 0B 02 01 4D 02 01 00 02 01 00 30 00";
    auto message = [](const std::string& inner) { return test::Tlv(0x30, Hex(inner)); };
    const std::string global = "30 0E 02 01 01 02 03 00 FF E3 04 01 04 02 01 03";
    struct Case {
        TBytes bytes;
        int code;
        const char* why;
    } const cases[] = {
        {message("02 01 01" + global + usmPart + scoped), kNotVersion3, "a v2c version"},
        {message("02 01 03 30 0E 02 01 01 02 03 00 FF E3 04 01 04 02 01 02" + std::string(usmPart) + scoped),
         kBadSecurityModel, "community-based security model"},
        {message("02 01 03 30 0E 02 01 01 02 03 00 FF E3 04 01 06 02 01 03" + std::string(usmPart) + scoped),
         kBadFlags, "privacy without authentication"},
        {message("02 01 03 30 0F 02 01 01 02 03 00 FF E3 04 02 04 00 02 01 03" + std::string(usmPart)
                 + scoped),
         kMalformed, "two flag bytes"},
        {message("02 01 03" + global + "04 10 30 0E 04 00 02 01 FF 02 01 00 04 00 04 00 04 00" + scoped),
         kMalformed, "negative boots"},
        {message("02 01 03" + global + "04 0E 30 0C 04 00 02 01 00 02 01 00 04 00 04 00" + scoped), kMissing,
         "no privacy parameters"},
        {message("02 01 03" + global + "30 0E 04 00 02 01 00 02 01 00 04 00 04 00 04 00" + scoped),
         kMalformed, "security parameters not wrapped in an OCTET STRING"},
        {message("02 01 03" + global + usmPart + "04 03 01 02 03"), kMalformed,
         "encrypted data without the privacy flag"},
        {message("02 01 03" + global + usmPart), kMissing, "no scoped PDU"},
        {message("02 05 03 00 00 00 00" + global + usmPart + scoped), kMalformed, "a version of five bytes"},
    };
    for (const Case& c : cases) {
        TParsed parsed;
        EXPECT_EQ(ParseMessage(c.bytes, parsed), c.code) << c.why;
    }
}

TEST(SnmpV3Message, EveryTruncationIsRefused)
{
    TBytes datagram;
    ASSERT_EQ(BuildDiscoveryMessage(5, 6, datagram), kOk);
    for (std::size_t n = 0; n < datagram.size(); ++n) {
        TParsed parsed;
        EXPECT_NE(ParseMessage(std::span(datagram).first(n), parsed), kOk) << n << " bytes";
    }
    TParsed parsed;
    ASSERT_EQ(ParseMessage(datagram, parsed), kOk);
    const TBytes scoped(parsed.scopedPdu.begin(), parsed.scopedPdu.end());
    for (std::size_t n = 0; n < scoped.size(); ++n) {
        TScopedPdu inner;
        EXPECT_NE(ParseScopedPdu(std::span(scoped).first(n), inner), kOk) << n << " bytes";
    }
}

TEST(SnmpV3Message, ScopedPduIgnoresPaddingAfterIt)
{
    // DES pads the plaintext to whole blocks; the pad follows the SEQUENCE.
    const TBytes padded = Hex("30 0C 04 01 AA 04 00 A2 05 02 01 01 30 00  00 00 00");
    TScopedPdu inner;
    ASSERT_EQ(ParseScopedPdu(padded, inner), kOk);
    EXPECT_EQ(inner.contextEngineId, Hex("AA"));
    EXPECT_EQ(ToHex(TBytes(inner.pdu.begin(), inner.pdu.end())), "A2 05 02 01 01 30 00");
}

TEST(SnmpV3Message, ReportsAreNamedByTheirCounter)
{
    struct Case {
        const char* oid;
        const char* name;
    } const cases[] = {
        {"1.3.6.1.6.3.15.1.1.4.0", "usmStatsUnknownEngineIDs"},
        {"1.3.6.1.6.3.15.1.1.2.0", "usmStatsNotInTimeWindows"},
        {"1.3.6.1.6.3.15.1.1.3.0", "usmStatsUnknownUserNames"},
        {"1.3.6.1.6.3.15.1.1.5.0", "usmStatsWrongDigests"},
        {"1.3.6.1.6.3.15.1.1.6.0", "usmStatsDecryptionErrors"},
        {"1.3.6.1.6.3.15.1.1.1", "usmStatsUnsupportedSecLevels"},  // without the instance
        {"1.3.6.1.6.3.15.1.1.7.0", "unknown report"},
        {"1.3.6.1.6.3.15.1.1.4.1", "unknown report"},  // another instance is no counter of ours
        {"", "unknown report"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportName(ReportKindOf(c.oid)), c.name) << c.oid;
}

TEST(SnmpV3Message, MessageVersionReadsOnlyTheVersion)
{
    EXPECT_EQ(MessageVersion(Hex(kDiscovery)), 3);
    EXPECT_EQ(MessageVersion(test::Response(Hex(""))), 1);
    EXPECT_EQ(MessageVersion(Hex("30 03 04 01 00")), -1);
    EXPECT_EQ(MessageVersion({}), -1);
}

// The PDU of a v1/v2c message and of a v3 scoped PDU are one and the same.
TEST(SnmpV3Message, PduBuilderAgreesWithTheWholeMessage)
{
    auto table = std::make_unique<TBindingTable>();
    table->count = 2;
    table->slot[0] = {"1.3.6.1.2.1.1.1.0", 0x04, "x"};
    table->slot[1] = {"1.3.6.1.2.1.1.3.0", 0x43, "12345"};
    TOutgoing out;
    out.requestId = 41;
    TBytes whole, pdu;
    ASSERT_EQ(vxsnmp::BuildMessage(out, Tag::SetRequest, *table, whole), kOk);
    out.requestId = 41;
    ASSERT_EQ(BuildPdu(out, Tag::SetRequest, *table, pdu), kOk);
    EXPECT_EQ(out.requestId, 42);
    ASSERT_LT(pdu.size(), whole.size());
    EXPECT_EQ(ToHex(TBytes(whole.end() - static_cast<std::ptrdiff_t>(pdu.size()), whole.end())), ToHex(pdu));

    TIncoming in;
    table->Reset();
    ASSERT_EQ(ParsePduElement(pdu, kVersion3, in, *table), kOk);
    EXPECT_EQ(in.version, 3);
    EXPECT_EQ(in.requestId, 41);
    ASSERT_EQ(table->count, 2);
    EXPECT_EQ(table->slot[1].value, "12345");
    EXPECT_EQ(ParsePduElement(Hex("30 00"), kVersion3, in, *table), kBadPduTag);
    EXPECT_EQ(table->count, 0);
}

}  // namespace
}  // namespace vxsnmp::v3
