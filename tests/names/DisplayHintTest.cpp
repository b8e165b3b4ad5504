// Octet strings and integers shown as their DISPLAY-HINT says.
#include "names/DisplayHint.h"
#include "names/MibNames.h"

#include <gtest/gtest.h>

TEST(DisplayHint, OctetStringHints)
{
    const struct {
        const char* hint;
        QByteArray octets;
        const char* expected;
        const char* why;
    } cases[] = {
        {"1x:", QByteArray::fromHex("001a2bff"), "00:1a:2b:ff", "no separator after the last octet"},
        {"255a", "eth0", "eth0", "text up to 255 octets"},
        {"2d-1d-1d,1d:1d:1d.1d,1a1d:1d", QByteArray::fromHex("07ea0c090e1e0f002b0200"),
         "2026-12-9,14:30:15.0,+2:0", "a DateAndTime with its zone"},
        {"2d-1d-1d,1d:1d:1d.1d,1a1d:1d", QByteArray::fromHex("07ea0c090e1e0f00"), "2026-12-9,14:30:15.0",
         "a DateAndTime without zone"},
        {"1d.", QByteArray::fromHex("0a000001"), "10.0.0.1", "dotted decimal"},
        {"2x", QByteArray::fromHex("00ff01"), "00ff01", "the last part repeats, short at the end"},
        {"1o", QByteArray::fromHex("08"), "10", "octal"},
        {"255t", QByteArray("gr\xc3\xbc\xc3\x9f"), "gr\u00fc\u00df", "UTF-8"},
        {"*1x:/", QByteArray::fromHex("02aabb01cc"), "aa:bb/cc/", "a repeat count and its terminator"},
        {"1x:", QByteArray(), "", "no octets"},
    };
    for (const auto& c : cases) {
        const auto text = FormatOctetsByHint(QLatin1String(c.hint), c.octets);
        ASSERT_TRUE(text.has_value()) << c.why;
        EXPECT_EQ(*text, QString::fromUtf8(c.expected)) << c.why;
    }
    for (const char* malformed : {"", "x", "0x", "1q", "1x:*", "99999999999x"})
        EXPECT_FALSE(FormatOctetsByHint(QLatin1String(malformed), "ab").has_value()) << malformed;
}

TEST(DisplayHint, IntegerHints)
{
    const struct {
        const char* hint;
        qint64 value;
        const char* expected;
    } cases[] = {
        {"d", -5, "-5"},      {"d-2", 1234, "12.34"}, {"d-2", 5, "0.05"},
        {"d-1", -15, "-1.5"}, {"d-3", -2, "-0.002"},  {"x", 255, "ff"},
        {"o", 8, "10"},       {"b", 5, "101"},        {"d-0", 7, "7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatIntegerByHint(QLatin1String(c.hint), c.value), QLatin1String(c.expected)) << c.hint;
    for (const char* malformed : {"", "d-", "d-x", "q", "d-40"})
        EXPECT_FALSE(FormatIntegerByHint(QLatin1String(malformed), 1).has_value()) << malformed;
}

TEST(DisplayHint, ObjectsOfTheBuiltInTable)
{
    const TMibNames& names = *TMibNames::BuiltIn();
    const TMibObject* status = names.LookupName(QStringLiteral("ifOperStatus"));
    const TMibObject* phys = names.LookupName(QStringLiteral("ifPhysAddress"));
    const TMibObject* descr = names.LookupName(QStringLiteral("ifDescr"));
    ASSERT_TRUE(status && phys && descr);
    EXPECT_EQ(ReadableInteger(*status, 1), "up(1)");
    EXPECT_EQ(ReadableInteger(*status, 99), "99");  // no label: the number
    EXPECT_EQ(ReadableOctets(*phys, QByteArray::fromHex("525400123456")), "52:54:00:12:34:56");
    EXPECT_EQ(ReadableOctets(*descr, "lo"), "lo");
    // A string without a hint: text when printable, hex otherwise.
    TMibObject plain;
    plain.type = QStringLiteral("OCTET STRING");
    EXPECT_EQ(ReadableOctets(plain, "abc"), "abc");
    EXPECT_EQ(ReadableOctets(plain, QByteArray::fromHex("00ff")), "00 ff");
}
