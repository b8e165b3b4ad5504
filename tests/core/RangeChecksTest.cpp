#include "core/RangeChecks.h"

#include <gtest/gtest.h>

namespace {

struct TRangeCase {
    const char* text;
    int expected;
};

TEST(RangeChecks, WidthTakesOnly300To2000)
{
    const TRangeCase cases[] = {
        {"300", 300},  {"2000", 2000}, {"800", 800},   {"299", 680},   {"2001", 680},
        {"-800", 680}, {"0", 680},     {"wide", 680},  {"", 680},      {"800px", 680},
        {" 800", 680}, {"8e2", 680},   {"0x320", 680}, {"800.0", 680}, {"99999999999999999999", 680},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidWidth(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(RangeChecks, HeightTakesOnly200To1600)
{
    const TRangeCase cases[] = {
        {"200", 200}, {"1600", 1600}, {"199", 450}, {"1601", 450}, {"tall", 450},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidHeight(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(RangeChecks, PortTakesOnly1To65535)
{
    const TRangeCase cases[] = {
        {"1", 1}, {"65535", 65535}, {"1161", 1161}, {"0", 161}, {"65536", 161}, {"-1", 161}, {"snmp", 161},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidPort(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(RangeChecks, VersionTakesOnly1And2)
{
    const TRangeCase cases[] = {
        {"1", 1}, {"2", 2}, {"0", 1}, {"3", 1}, {"v2", 1}, {"", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidVersion(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(RangeChecks, DecimalIntegerAcceptsSignAndIntLimits)
{
    EXPECT_EQ(ParseDecimalInteger("+42"), 42);
    EXPECT_EQ(ParseDecimalInteger("-42"), -42);
    EXPECT_EQ(ParseDecimalInteger("007"), 7);
    EXPECT_EQ(ParseDecimalInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseDecimalInteger("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(ParseDecimalInteger("2147483648"));
    EXPECT_FALSE(ParseDecimalInteger("-2147483649"));
    EXPECT_FALSE(ParseDecimalInteger("+"));
    EXPECT_FALSE(ParseDecimalInteger("-"));
    EXPECT_FALSE(ParseDecimalInteger(QString::fromUtf8("١٢٣")));  // non-ASCII digits
}

}  // namespace
