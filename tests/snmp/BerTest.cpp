#include "ReferenceOid.h"
#include "snmp/SnmpMessage.h"
#include "TestBytes.h"
#include "snmp/ber.h"

#include <gtest/gtest.h>

#include <climits>

namespace vxsnmp::ber {
namespace {

using test::Hex;
using test::ToHex;
using test::TBytes;

TBytes Header(bool sequence, std::size_t length)
{
    TBytes out(length + 8);
    TWriter writer(out);
    const std::size_t end = writer.Mark();
    const TBytes content(length, 0xEE);
    writer.Bytes(content.data(), content.size());
    if (sequence)
        writer.SequenceHeader(0x30, end);
    else
        writer.ElementHeader(0xA0, end);
    EXPECT_FALSE(writer.Failed());
    const auto written = writer.Written();
    return TBytes(written.begin(), written.end() - static_cast<long>(length));
}

TEST(BerWriter, TwoLengthWriters)
{
    struct Case {
        std::size_t length;
        const char* sequence;
        const char* element;
    } const cases[] = {
        {0, "30 00", "A0 00"},
        {127, "30 7F", "A0 7F"},
        {128, "30 82 00 80", "A0 81 80"},
        {200, "30 82 00 C8", "A0 81 C8"},
        {255, "30 82 00 FF", "A0 81 FF"},
        {256, "30 82 01 00", "A0 82 01 00"},
        {65535, "30 82 FF FF", "A0 82 FF FF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToHex(Header(true, c.length)), c.sequence) << c.length;
        EXPECT_EQ(ToHex(Header(false, c.length)), c.element) << c.length;
    }
    EXPECT_EQ(SequenceHeaderSize(65536), 0u);
    EXPECT_EQ(ElementHeaderSize(65536), 0u);
}

TEST(BerWriter, WriterNeverPassesItsBuffer)
{
    TBytes out(4);
    TWriter writer(out);
    writer.Element(0x04, reinterpret_cast<const std::uint8_t*>("abc"), 3);
    EXPECT_TRUE(writer.Failed());
    EXPECT_LE(writer.Written().size(), 4u);

    TBytes big(70000);
    const TBytes content(65536, 0x41);
    TWriter tooLong(big);
    const std::size_t end = tooLong.Mark();
    tooLong.Bytes(content.data(), content.size());
    tooLong.ElementHeader(0x04, end);
    EXPECT_TRUE(tooLong.Failed());
}

TEST(BerWriter, IntegerIsMinimalTwosComplement)
{
    struct Case {
        std::int32_t value;
        const char* content;
    } const cases[] = {
        {0, "00"},
        {-1, "FF"},
        {127, "7F"},
        {128, "00 80"},
        {-128, "80"},
        {-129, "FF 7F"},
        {255, "00 FF"},
        {256, "01 00"},
        {1000000, "0F 42 40"},
        {INT_MAX, "7F FF FF FF"},
        {INT_MIN, "80 00 00 00"},
        {-8388609, "FF 7F FF FF"},
    };
    for (const Case& c : cases) {
        std::uint8_t content[4];
        const std::size_t n = IntegerContent(c.value, content);
        EXPECT_EQ(ToHex(TBytes(content, content + n)), c.content) << c.value;
        std::int32_t back = 0;
        ASSERT_TRUE(ReadInt32(std::span<const std::uint8_t>(content, n), back));
        EXPECT_EQ(back, c.value);
    }
}

TEST(BerWriter, UnsignedContents)
{
    std::uint8_t content[9];
    auto u32 = [&](std::uint32_t v) {
        return ToHex(TBytes(content, content + Unsigned32Content(v, content)));
    };
    auto u64 = [&](std::uint64_t v) {
        return ToHex(TBytes(content, content + Unsigned64Content(v, content)));
    };
    EXPECT_EQ(u32(0), "00 00 00 00");
    EXPECT_EQ(u32(5), "00 00 00 05");
    EXPECT_EQ(u32(0x7FFFFFFF), "7F FF FF FF");
    EXPECT_EQ(u32(0x80000000), "00 80 00 00 00");
    EXPECT_EQ(u64(0), "00");
    EXPECT_EQ(u64(127), "7F");
    EXPECT_EQ(u64(128), "00 80");
    EXPECT_EQ(u64(0x0100000000ull), "01 00 00 00 00");
    EXPECT_EQ(u64(~0ull), "00 FF FF FF FF FF FF FF FF");
}

TEST(BerWriter, NumberTexts)
{
    EXPECT_EQ(ReadNumber("42"), 42u);
    EXPECT_EQ(ReadNumber("-1"), ~0ull);
    EXPECT_EQ(ReadNumber("12ab3"), 12u);
    EXPECT_EQ(ReadNumber(""), 0u);
    EXPECT_EQ(ReadNumber("-"), 0u);
    EXPECT_EQ(ReadNumber(" 5"), 0u);  // no skipping of blanks
}

TEST(BerWriter, Ipv4Texts)
{
    struct Case {
        const char* text;
        const char* bytes;
    } const cases[] = {
        {"127.0.0.5", "7F 00 00 05"},  {"255.255.255.255", "FF FF FF FF"},
        {"0.0.0.0", "00 00 00 00"},    {"1.2.3", "FF FF FF FF"},
        {"1.2.3.256", "FF FF FF FF"},  {"1.2.3.4.5", "FF FF FF FF"},
        {"1.2.3.0004", "FF FF FF FF"}, {"", "FF FF FF FF"},
        {"a.b.c.d", "FF FF FF FF"},    {"1.2.3.4 ", "FF FF FF FF"},
    };
    for (const Case& c : cases) {
        std::uint8_t out[4];
        ReadIpv4(c.text, out);
        EXPECT_EQ(ToHex(TBytes(out, out + 4)), c.bytes) << c.text;
    }
}

std::string Oid(std::string_view text, bool* ok = nullptr)
{
    std::uint8_t out[kMaxOidContent];
    std::size_t length = 0;
    const bool done = OidContent(text, out, length);
    if (ok)
        *ok = done;
    return done ? ToHex(TBytes(out, out + length)) : "refused";
}

TEST(BerWriter, OidTexts)
{
    struct Case {
        const char* text;
        const char* content;
    } const cases[] = {
        {"1.3.6.1", "2B 06 01"},
        {".1.3.6.1", "01 03 06 01"},  // leading dot: 0.1.3.6.1
        {"1..3", "28 03"},            // 1.0.3
        {"1.3.6.1.", "2B 06 01"},     // a trailing separator adds nothing
        {"1 3/6-1", "2B 06 01"},      // any non-digit separates
        {"", "00"},                   // fewer than two sub-identifiers
        {"5", "00"},
        {"2.999", "88 37"},  // 1079 in base 128
        {"1.3.6.1.4.1.2021", "2B 06 01 04 01 8F 65"},
        {"1.3.4294967295", "2B 8F FF FF FF 7F"},
        {"1.3.4294967296", "refused"},  // does not fit 32 bits
        {"1.3.99999999999999999999999", "refused"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Oid(c.text), c.content) << c.text;

    std::string oid = "1.3";
    for (int i = 0; i < 127; ++i)
        oid += ".1";
    bool ok = false;
    Oid(oid, &ok);
    EXPECT_TRUE(ok) << "128 content bytes fit";
    Oid(oid + ".1", &ok);
    EXPECT_FALSE(ok) << "129 content bytes do not";
}

TEST(BerReader, OidContentToText)
{
    struct Case {
        const char* content;
        const char* text;  // nullptr: refused
    } const cases[] = {
        {"2B 06 01", "1.3.6.1"},
        {"27", "0.39"},
        {"28", "1.0"},
        {"4F", "1.39"},
        {"50", "2.0"},
        {"8F FF FF FF 7F", "2.4294967215"},
        {"2B 80 80 01", "1.3.1"},        // redundant leading groups read as their value
        {"", nullptr},                   // empty
        {"2B 86", nullptr},              // cut off inside a sub-identifier
        {"2B 90 80 80 80 00", nullptr},  // 2^32
    };
    for (const Case& c : cases) {
        const TBytes bytes = Hex(c.content);
        std::string text;
        const bool ok = AppendOidText(bytes, text);
        if (c.text) {
            EXPECT_TRUE(ok) << c.content;
            EXPECT_EQ(text, c.text);
        } else {
            EXPECT_FALSE(ok) << c.content;
        }
    }
}

TEST(BerReader, LengthForms)
{
    struct Case {
        const char* bytes;
        int code;
        std::size_t length;
        const char* why;
    } const cases[] = {
        {"04 00", kOk, 0, "empty content"},
        {"04 01 41", kOk, 1, "short form"},
        {"04 81 01 41", kOk, 1, "long form, one byte"},
        {"04 84 00 00 00 01 41", kOk, 1, "long form, four bytes"},
        {"04 80 41 00 00", kMalformed, 0, "indefinite form"},
        {"04 85 00 00 00 00 01 41", kMalformed, 0, "five length bytes"},
        {"04 84 FF FF FF FF 41", kMalformed, 0, "length past the data"},
        {"04 82 01", kMalformed, 0, "length bytes cut off"},
        {"04", kMalformed, 0, "no length byte"},
        {"04 02 41", kMalformed, 0, "content cut off"},
        {"1F 01 41", kMalformed, 0, "high-tag-number form"},
        {"BF 01 41", kMalformed, 0, "high-tag-number form, constructed"},
        {"", kMissing, 0, "nothing left"},
    };
    for (const Case& c : cases) {
        const TBytes bytes = Hex(c.bytes);
        TReader reader(bytes);
        TElement element;
        EXPECT_EQ(reader.Next(element), c.code) << c.why;
        if (c.code == kOk)
            EXPECT_EQ(element.content.size(), c.length) << c.why;
        else
            EXPECT_TRUE(reader.AtEnd()) << c.why;
    }
}

TEST(BerReader, ChildReaderIsBoundedByItsParent)
{
    // The inner OCTET STRING claims 5 bytes, but its SEQUENCE holds only 3 after its header.
    const TBytes bytes = Hex("30 05 04 05 41 42 43 44 45");
    TReader outer(bytes);
    TElement sequence, inner;
    ASSERT_EQ(outer.Next(sequence), kOk);
    TReader child = sequence.Children();
    EXPECT_EQ(child.Next(inner), kMalformed);
}

TEST(BerReader, UnsignedLimits)
{
    std::uint32_t u32 = 0;
    EXPECT_TRUE(ReadUnsigned32(Hex(""), u32));
    EXPECT_EQ(u32, 0u);
    EXPECT_TRUE(ReadUnsigned32(Hex("00 FF FF FF FF"), u32));
    EXPECT_EQ(u32, 0xFFFFFFFFu);
    EXPECT_FALSE(ReadUnsigned32(Hex("01 00 00 00 00"), u32));
    EXPECT_FALSE(ReadUnsigned32(Hex("00 00 00 00 00 00"), u32));
    std::uint64_t u64 = 0;
    EXPECT_TRUE(ReadUnsigned64(Hex("FF FF FF FF FF FF FF FF"), u64));
    EXPECT_EQ(u64, ~0ull);
    EXPECT_FALSE(ReadUnsigned64(Hex("01 00 00 00 00 00 00 00 00"), u64));
    std::int32_t i32 = 0;
    EXPECT_FALSE(ReadInt32(Hex(""), i32));
    EXPECT_FALSE(ReadInt32(Hex("00 00 00 00 01"), i32));
}

}  // namespace
}  // namespace vxsnmp::ber

namespace vxsnmp::ber {
namespace {

// The plain reading of an OID text: any non-digit ends a sub-identifier.
std::string ReferenceOid(std::string_view text)
{
    std::vector<std::uint8_t> content;
    if (!vxsnmp::test::ReferenceOidContent(text, content))
        return "refused";
    return ToHex(TBytes(content.begin(), content.end()));
}

TEST(BerWriter, OidTextsAgreeWithPlainReading)
{
    // Random texts from small alphabets: every mix of short and long numbers
    // and separators, long runs of one-digit sub-identifiers (read eight text
    // bytes at a time) up to and past 128 content bytes, and separators that
    // are next to the digits in code or have the top bit set.
    struct Kind {
        std::string_view alphabet;
        int maxLength;
        int texts;
    } const kinds[] = {
        {"0123456789..x", 40, 20000},
        {"1234567.....", 300, 5000},
        {std::string_view("19.\0\xB1\xB9/:", 8), 60, 5000},
        {"0123456789.", 24, 20000},
    };
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245 + 12345;
        return seed >> 16;
    };
    for (const Kind& kind : kinds) {
        for (int n = 0; n < kind.texts; ++n) {
            std::string text;
            const auto length = next() % static_cast<unsigned>(kind.maxLength);
            for (unsigned i = 0; i < length; ++i)
                text.push_back(kind.alphabet[next() % kind.alphabet.size()]);
            ASSERT_EQ(Oid(text), ReferenceOid(text)) << '"' << text << '"';
        }
    }
}

// The plain reading of an OID content: base 128, the first value split in two arcs.
std::string ReferenceOidText(const TBytes& content)
{
    std::vector<std::uint32_t> ids;
    std::uint64_t value = 0;
    bool open = false;
    for (std::uint8_t b : content) {
        value = (value << 7) | (b & 0x7F);
        if (value > 0xFFFFFFFFu)
            return "refused";
        open = (b & 0x80) != 0;
        if (!open) {
            ids.push_back(static_cast<std::uint32_t>(value));
            value = 0;
        }
    }
    if (content.empty() || open || ids.size() > static_cast<std::size_t>(kMaxOidSubIds))
        return "refused";
    const std::uint32_t arc = ids[0] < 40 ? 0 : ids[0] < 80 ? 1 : 2;
    std::string text = std::to_string(arc) + "." + std::to_string(ids[0] - 40 * arc);
    for (std::size_t i = 1; i < ids.size(); ++i)
        text += "." + std::to_string(ids[i]);
    return text;
}

TEST(BerReader, OidContentsAgreeWithPlainReading)
{
    // Byte values at the edges of one, two and three digits, of one byte, and
    // of 32 bits; lengths up to past kMaxOidSubIds sub-identifiers.
    const std::uint8_t bytes[] = {0x00, 0x01, 0x09, 0x0A, 0x27, 0x28, 0x50, 0x63,
                                  0x64, 0x7F, 0x80, 0x81, 0x8F, 0x90, 0xFF};
    std::uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245 + 12345;
        return seed >> 16;
    };
    for (int n = 0; n < 20000; ++n) {
        TBytes content(next() % (n % 10 == 0 ? 300 : 24));
        for (std::uint8_t& b : content)
            b = next() % 4 ? bytes[next() % 10] : bytes[next() % sizeof bytes];
        std::string text;
        const std::string got = AppendOidText(content, text) ? text : "refused";
        ASSERT_EQ(got, ReferenceOidText(content)) << ToHex(content);
    }
}

}  // namespace
}  // namespace vxsnmp::ber
