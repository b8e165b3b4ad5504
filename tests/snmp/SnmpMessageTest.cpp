#include "snmp/SnmpMessage.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxsnmp {
namespace {

using test::Binding;
using test::Cat;
using test::Hex;
using test::Response;
using test::Tlv;
using test::ToHex;
using test::TBytes;

// The table is large (256 slots); keep it off the stack.
struct Codec : ::testing::Test {
    std::unique_ptr<TBindingTable> table = std::make_unique<TBindingTable>();
    TIncoming in;
    TOutgoing out;
    std::vector<std::uint8_t> datagram;
    std::string errorText;

    void Add(std::string oid, std::uint8_t type = 4, std::string value = {})
    {
        TBinding& b = table->slot[static_cast<std::size_t>(table->count++)];
        b.oid = std::move(oid);
        b.type = type;
        b.value = std::move(value);
    }
    int Parse(const TBytes& bytes) { return ParseMessage(bytes, in, *table); }
};

TEST_F(Codec, GetRequestV1IsByteExact)
{
    out.version = 0;
    out.community = "tamvel";
    out.requestId = 1;
    Add("1.3.6.1.2.1.1.1.0");
    ASSERT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram), kOk);
    EXPECT_EQ(ToHex(datagram), ToHex(Hex("30 26 02 01 00 04 06 74 61 6D 76 65 6C"
                                         "A0 19 02 01 01 02 01 00 02 01 00"
                                         "30 0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00")));
    EXPECT_EQ(datagram.size(), 40u);
    EXPECT_EQ(out.requestId, 2);
    EXPECT_EQ(table->slot[0].type, 5);  // GetRequest turns every binding into NULL
}

TEST_F(Codec, GetNextRequestV2cAfterResetIsByteExact)
{
    table->Reset();
    out.version = 1;
    out.requestId = 1000000;
    table->count = 1;
    table->slot[0].oid = "1.3.6.1.2.1.2.2.1";
    ASSERT_EQ(BuildMessage(out, Tag::GetNextRequest, *table, datagram), kOk);
    EXPECT_EQ(ToHex(datagram), ToHex(Hex("30 28 02 01 01 04 06 74 61 6D 76 65 6C"
                                         "A1 1B 02 03 0F 42 40 02 01 00 02 01 00"
                                         "30 0E 30 0C 06 08 2B 06 01 02 01 02 02 01 04 00")));
    EXPECT_EQ(out.requestId, 1000001);
}

TEST_F(Codec, GetNextRequestSendsStoredValues)
{
    struct Case {
        std::uint8_t type;
        std::string value;
        const char* element;
    } const cases[] = {
        {0x02, "-5abc", "02 01 FB"},  // stops at the first non-digit
        {0x02, "abc", "02 01 00"},    // no digits reads as 0
        {0x02, "128", "02 02 00 80"},
        {0x04, std::string("a\0b", 3), "04 03 61 00 62"},
        {0x05, "ignored", "05 00"},
        {0x06, "1.3.6.1", "06 03 2B 06 01"},
        {0x40, "192.168.1.1", "40 04 C0 A8 01 01"},
        {0x40, "no address", "40 04 FF FF FF FF"},
        {0x41, "-1", "41 05 00 FF FF FF FF"},
        {0x42, "5", "42 04 00 00 00 05"},
        {0x43, "2147483648", "43 05 00 80 00 00 00"},
        {0x46, "0", "46 01 00"},
        {0x46, "18446744073709551615", "46 09 00 FF FF FF FF FF FF FF FF"},
        {0x47, "65536", "47 04 00 01 00 00"},
        {0x80, "x", "80 00"},
        {0x82, "", "82 00"},
        {0x44, "op", "44 02 6F 70"},
        {0x63, "zz", "63 02 7A 7A"},  // unknown types go out as stored, under their tag
    };
    for (const Case& c : cases) {
        table->Reset();
        Add("1.3", c.type, c.value);
        ASSERT_EQ(BuildMessage(out, Tag::GetNextRequest, *table, datagram), kOk);
        const TBytes expected = Hex(c.element);
        ASSERT_GE(datagram.size(), expected.size());
        const TBytes tail(datagram.end() - static_cast<long>(expected.size()), datagram.end());
        EXPECT_EQ(ToHex(tail), ToHex(expected)) << "type " << int(c.type) << " value " << c.value;
    }
}

TEST_F(Codec, OidsWithLeadingDotEncodeWithFirstSubIdZero)
{
    Add("1.3.6.1");
    Add(".1.3.6.1");
    ASSERT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram), kOk);
    ASSERT_EQ(Parse(datagram), kOk);
    EXPECT_EQ(table->slot[0].oid, "1.3.6.1");
    EXPECT_EQ(table->slot[1].oid, "0.1.3.6.1");
}

TEST_F(Codec, BuildRefusesWhatDoesNotFit)
{
    // OID content of 129 bytes: 43 + 127 one-byte sub-identifiers is 128, one more passes.
    std::string longOid = "1.3";
    for (int i = 0; i < 128; ++i)
        longOid += ".1";
    Add(longOid);
    out.requestId = 9;
    EXPECT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram, &errorText), kBuildFailed);
    EXPECT_EQ(errorText, "Error building SNMP PDU.");
    EXPECT_EQ(out.requestId, 9);

    table->Reset();
    Add("1.3", 0x04, std::string(70000, 'x'));
    EXPECT_EQ(BuildMessage(out, Tag::GetNextRequest, *table, datagram, &errorText), kBuildFailed);
    EXPECT_EQ(errorText, "Error building SNMP PDU.");

    table->Reset();
    out.community.assign(70000, 'c');
    EXPECT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram, &errorText), kBuildFailed);
    EXPECT_EQ(errorText, "Error building SNMP packet.");
    EXPECT_EQ(out.requestId, 9);
}

TEST_F(Codec, LongOidWithinLimitsRoundTrips)
{
    std::string oid = "1.3";
    for (int i = 0; i < 126; ++i)
        oid += ".1";
    oid += ".127";  // content exactly 128 bytes
    Add(oid);
    ASSERT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram), kOk);
    ASSERT_EQ(Parse(datagram), kOk);
    EXPECT_EQ(table->slot[0].oid, oid);
}

TEST_F(Codec, RequestIdAdvancesAndWraps)
{
    out.requestId = 2147483647;
    Add("1.3.6.1.2.1.1.5.0");
    ASSERT_EQ(BuildMessage(out, Tag::GetRequest, *table, datagram), kOk);
    EXPECT_EQ(out.requestId, -2147483647 - 1);
    ASSERT_EQ(Parse(datagram), kOk);
    EXPECT_EQ(in.requestId, 2147483647);
}

TEST_F(Codec, LengthFormsOfSequenceAndPdu)
{
    // A 200-byte value makes every container pass 127 bytes.
    Add("1.3.6.1.2.1.1.1.0", 0x04, std::string(200, 'v'));
    ASSERT_EQ(BuildMessage(out, Tag::GetNextRequest, *table, datagram), kOk);
    // value 04 81 C8, binding 30 82 00 D5, list 30 82 00 D9, PDU A1 81 E6, message 30 82 00 F4
    EXPECT_EQ(ToHex(TBytes(datagram.begin(), datagram.begin() + 4)), "30 82 00 F4");
    EXPECT_EQ(ToHex(TBytes(datagram.begin() + 15, datagram.begin() + 18)), "A1 81 E6");
    EXPECT_EQ(ToHex(TBytes(datagram.begin() + 27, datagram.begin() + 31)), "30 82 00 D9");
    EXPECT_EQ(ToHex(TBytes(datagram.begin() + 31, datagram.begin() + 35)), "30 82 00 D5");
    EXPECT_EQ(ToHex(TBytes(datagram.begin() + 45, datagram.begin() + 48)), "04 81 C8");
    ASSERT_EQ(Parse(datagram), kOk);
    EXPECT_EQ(table->slot[0].value, std::string(200, 'v'));
}

// Received values: element bytes, type code and text.
TEST_F(Codec, ReceivedValueForms)
{
    struct Case {
        const char* element;
        std::uint8_t type;
        std::string text;
    } const cases[] = {
        {"02 01 FF", 0x02, "-1"},
        {"02 04 80 00 00 00", 0x02, "-2147483648"},
        {"02 05 00 80 00 00 00", 0x02, "0"},  // five content bytes: out of limits
        {"02 00", 0x02, "0"},
        {"41 05 00 FF FF FF FF", 0x41, "4294967295"},
        {"41 04 FF FF FF FF", 0x41, "4294967295"},
        {"41 05 01 00 00 00 00", 0x41, "0"},  // fifth byte without a leading zero
        {"42 01 2A", 0x42, "42"},
        {"43 03 01 86 A0", 0x43, "100000"},
        {"47 02 01 00", 0x47, "256"},
        {"40 04 C0 A8 01 01", 0x40, "192.168.1.1"},
        {"40 02 C0 A8", 0x40, "192.168"},  // only the bytes that are there
        {"40 00", 0x40, ""},
        {"40 05 0A 00 00 01 09", 0x40, "10.0.0.1"},
        {"46 01 00", 0x46, "0"},
        {"46 09 00 FF FF FF FF FF FF FF FF", 0x46, "18446744073709551615"},
        {"46 09 01 00 00 00 00 00 00 00 00", 0x46, "0"},
        {"05 00", 0x05, ""},
        {"06 03 2B 06 01", 0x06, "1.3.6.1"},
        {"06 01 00", 0x06, "0.0"},
        {"06 02 51 01", 0x06, "2.1.1"},
        {"04 03 61 00 62", 0x04, std::string("a\0b", 3)},  // zero bytes kept
        {"44 02 9F 78", 0x44, "\x9F\x78"},
        {"80 00", 0x80, "error: noSuchObject"},
        {"81 00", 0x81, "error: noSuchInstance"},
        {"82 00", 0x82, "error: endOfMibView"},
        {"30 03 02 01 05", 0x30, "\x02\x01\x05"},  // unknown tags keep their bytes
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Parse(Response(Binding(Hex(c.element)))), kOk) << c.element;
        ASSERT_EQ(table->count, 1);
        EXPECT_EQ(table->slot[0].oid, "1.3.6.1.2.1.1.1.0");
        EXPECT_EQ(table->slot[0].type, c.type) << c.element;
        EXPECT_EQ(table->slot[0].value, c.text) << c.element;
    }
}

TEST_F(Codec, ResponseHeaderFields)
{
    const TBytes bytes = Response(Cat({Binding(Hex("02 01 01")), Binding(Hex("05 00"))}));
    ASSERT_EQ(Parse(bytes), kOk);
    EXPECT_EQ(in.version, 1);
    EXPECT_EQ(in.community, "tamvel");
    EXPECT_EQ(in.pduTag, 0xA2);
    EXPECT_EQ(in.requestId, 7);
    EXPECT_EQ(table->count, 2);

    // A smaller answer afterwards leaves the unused slots as new ones.
    ASSERT_EQ(Parse(Response(Binding(Hex("02 01 02")))), kOk);
    EXPECT_EQ(table->count, 1);
    EXPECT_EQ(table->slot[1].type, 4);
    EXPECT_EQ(table->slot[1].value, "");
}

TEST_F(Codec, HeaderIntegerOfFiveBytesIsRefused)
{
    const TBytes bytes =
        Tlv(0x30, Cat({Hex("02 01 01 04 00"),
                       Tlv(0xA2, Cat({Hex("02 05 00 80 00 00 00 02 01 00 02 01 00"), Tlv(0x30, {})}))}));
    EXPECT_EQ(Parse(bytes), kMalformed);
}

TEST_F(Codec, AtMost256BindingsAreTaken)
{
    TBytes list;
    for (int i = 0; i < 300; ++i)
        list = Cat({list, Binding(Hex("02 01 05"))});
    ASSERT_EQ(Parse(Response(list)), kOk);
    EXPECT_EQ(table->count, kMaxBindings);
}

TEST_F(Codec, RefusedDatagrams)
{
    const TBytes good = Response(Binding(Hex("05 00")));
    struct Case {
        TBytes bytes;
        int code;
        const char* why;
    } const cases[] = {
        {Response(Binding(Hex("05 00")), 2), kBadVersion, "version 2"},
        {Response(Binding(Hex("05 00")), 7), kBadVersion, "version 7"},
        {Response(Binding(Hex("05 00")), 3), kBadVersion, "version 3: SNMPv3 is not handled"},
        {Response(Binding(Hex("05 00")), 1, 0xA9), kBadPduTag, "PDU tag 0xA9"},
        {Response(Binding(Hex("05 00")), 1, 0x30), kBadPduTag, "SEQUENCE where the PDU belongs"},
        {Hex("3F 00"), kMalformed, "high-tag-number form"},
        {Hex("30 80 02 01 01 00 00"), kMalformed, "indefinite length"},
        {Hex("30 85 00 00 00 00 03 02 01 01"), kMalformed, "five length bytes"},
        {Hex("30 03 02 01"), kMalformed, "runs past the datagram"},
        {Hex("02 01 01"), kMalformed, "not a SEQUENCE"},
        {{}, kMissing, "empty datagram"},
        {Hex("30 00"), kMissing, "no version"},
        {Hex("30 03 02 01 01"), kMissing, "no community"},
        {Hex("30 05 02 01 01 02 00"), kMalformed, "community is an INTEGER"},
        {Hex("30 07 02 01 01 04 02 61 62"), kMissing, "no PDU"},
        {Tlv(0x30, Cat({Hex("02 01 01 04 00"), Tlv(0xA2, Hex("02 01 01 02 00"))})), kMalformed,
         "empty error-status"},
        {Tlv(0x30, Cat({Hex("02 01 01 04 00"), Tlv(0xA2, Hex("02 01 01 02 01 00"))})), kMissing,
         "no error-index"},
        {Tlv(0x30, Cat({Hex("02 01 01 04 00"), Tlv(0xA2, Hex("02 01 01 02 01 00 02 01 00"))})), kMissing,
         "no binding list"},
        {Tlv(0x30, Cat({Hex("02 01 01 04 00"), Tlv(0xA2, Hex("02 01 01 02 01 00 02 01 00 04 00"))})),
         kMalformed, "binding list is no SEQUENCE"},
        {Response(Hex("02 01 00")), kMalformed, "binding is not a SEQUENCE"},
        {Response(Tlv(0x30, Hex("04 01 00 05 00"))), kMalformed, "binding without OID"},
        {Response(Tlv(0x30, Hex("06 01 2B"))), kMissing, "binding without value"},
        {Response(Binding(Hex("06 02 2B 86"))), kMalformed, "OID value cut off"},
        {Response(Binding(Hex("1F 01 00"))), kMalformed, "value tag in high-tag-number form"},
    };
    ASSERT_EQ(Parse(good), kOk);
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.bytes), c.code) << c.why;
}

TEST_F(Codec, OidLimitsWhenParsing)
{
    TBytes subIds = Hex("2B");
    for (int i = 0; i < 255; ++i)
        subIds.push_back(0x01);
    ASSERT_EQ(Parse(Response(Binding(Tlv(0x06, subIds)))), kOk);  // 256 sub-identifiers
    EXPECT_EQ(table->slot[0].value.size(), 1 + 2 + 255 * 2u);
    subIds.push_back(0x01);
    EXPECT_EQ(Parse(Response(Binding(Tlv(0x06, subIds)))), kMalformed);  // 257
    EXPECT_EQ(Parse(Response(Binding(Hex("06 06 2B 8F FF FF FF 7F")))), kOk);
    EXPECT_EQ(table->slot[0].value, "1.3.4294967295");
    EXPECT_EQ(Parse(Response(Binding(Hex("06 06 2B 90 80 80 80 00")))), kMalformed);  // 2^32
}

TEST_F(Codec, EveryPrefixOfARealDatagramIsRefusedCleanly)
{
    // An snmpd answer of sysDescr.0, sysObjectID.0 and sysUpTime.0.
    const TBytes answer =
        Response(Cat({Binding(Tlv(0x04, TBytes(150, 'L'))), Binding(Hex("06 08 2B 06 01 04 01 BF 08 03")),
                      Binding(Hex("43 04 01 02 03 04"))}));
    ASSERT_EQ(Parse(answer), kOk);
    for (std::size_t n = 0; n < answer.size(); ++n) {
        const TBytes prefix(answer.begin(), answer.begin() + static_cast<long>(n));
        const int code = Parse(prefix);
        EXPECT_TRUE(code == kMalformed || code == kMissing) << n << " bytes gave " << code;
    }
}

TEST_F(Codec, V1TrapLayout)
{
    const TBytes trap = Tlv(0x30, Cat({Hex("02 01 00 04 06 74 61 6D 76 65 6C"),
                                       Tlv(0xA4, Cat({Hex("06 06 2B 06 01 04 01 09"),  // enterprise
                                                      Hex("40 04 7F 00 00 05"),        // agent
                                                      Hex("02 01 06 02 01 11"),        // 6, 17
                                                      Hex("43 02 30 39"),              // 12345
                                                      Tlv(0x30, Binding(Hex("02 01 01")))}))}));
    ASSERT_EQ(Parse(trap), kOk);
    EXPECT_EQ(in.pduTag, 0xA4);
    EXPECT_EQ(in.enterprise, "1.3.6.1.4.1.9");
    EXPECT_EQ(in.agentAddress, "127.0.0.5");
    EXPECT_EQ(in.genericTrap, 6);
    EXPECT_EQ(in.specificTrap, 17);
    EXPECT_EQ(in.timeStamp, 12345u);
    EXPECT_EQ(table->count, 1);

    // The same tag under version 1 has the request-id layout.
    ASSERT_EQ(Parse(Response(Binding(Hex("05 00")), 1, 0xA4)), kOk);
    EXPECT_EQ(in.requestId, 7);
    EXPECT_EQ(in.enterprise, "");
}

TEST_F(Codec, GetBulkFields)
{
    const TBytes bulk = Tlv(
        0x30, Cat({Hex("02 01 01 04 00"),
                   Tlv(0xA5, Cat({Hex("02 01 09 02 01 01 02 01 0A"), Tlv(0x30, Binding(Hex("05 00")))}))}));
    ASSERT_EQ(Parse(bulk), kOk);
    EXPECT_EQ(in.requestId, 9);
    EXPECT_EQ(in.errorStatus, 1);  // non-repeaters
    EXPECT_EQ(in.errorIndex, 10);  // max-repetitions
}

TEST(StatusName, NamesAndUnknown)
{
    EXPECT_EQ(StatusName(0), "noError");
    EXPECT_EQ(StatusName(1), "tooBig");
    EXPECT_EQ(StatusName(2), "noSuchName");
    EXPECT_EQ(StatusName(5), "genError");
    EXPECT_EQ(StatusName(9), "wrongEncoding");
    EXPECT_EQ(StatusName(10), "wrongValue");
    EXPECT_EQ(StatusName(13), "resourceUnavailable");
    EXPECT_EQ(StatusName(16), "authorizationError");
    EXPECT_EQ(StatusName(18), "inconsistentName");
    EXPECT_EQ(StatusName(19), "<unknown error>");
    EXPECT_EQ(StatusName(-1), "<unknown error>");
}

TEST(BindingTable, ResetGivesNewSlots)
{
    auto table = std::make_unique<TBindingTable>();
    table->count = 3;
    table->slot[2] = {"1.3", 0x02, "5"};
    table->Reset();
    EXPECT_EQ(table->count, 0);
    EXPECT_EQ(table->slot[2].type, 4);
    EXPECT_EQ(table->slot[2].oid, "");
    EXPECT_EQ(table->slot[2].value, "");
}

}  // namespace
}  // namespace vxsnmp
