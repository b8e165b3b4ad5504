// The OID name table and the text helpers of the result table.
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QSet>

#include <cmath>

namespace {

TOidNameTable BuiltTable()
{
    TOidNameTable table;
    table.BuildOidNameTable();
    return table;
}

int CountUnder(const TOidNameTable& table, const QString& prefix)
{
    int count = 0;
    for (const TOidName& entry : table.Entries())
        count += entry.oid.startsWith(prefix + QLatin1Char('.')) ? 1 : 0;
    return count;
}

}  // namespace

TEST(OidNameTable, HoldsTheSmiAndMib2Descriptors)
{
    const TOidNameTable table = BuiltTable();
    EXPECT_EQ(table.Count(), 210);

    const struct {
        const char* group;
        int entries;
    } groups[] = {
        {"1.3.6.1.2.1.1", 7},   {"1.3.6.1.2.1.2", 25}, {"1.3.6.1.2.1.3", 5}, {"1.3.6.1.2.1.4", 48},
        {"1.3.6.1.2.1.5", 26},  {"1.3.6.1.2.1.6", 21}, {"1.3.6.1.2.1.7", 8}, {"1.3.6.1.2.1.8", 22},
        {"1.3.6.1.2.1.11", 28}, {"1.3.6.1.2.1.10", 0},
    };
    int objects = 0;
    for (const auto& group : groups) {
        EXPECT_EQ(CountUnder(table, group.group), group.entries) << group.group;
        objects += group.entries;
    }
    // The rest are the ten tree nodes and the ten groups.
    EXPECT_EQ(table.Count() - objects, 20);
}

TEST(OidNameTable, KeysAndNamesAreUniqueAndEveryParentIsKnown)
{
    const TOidNameTable table = BuiltTable();
    QSet<QString> oids;
    QSet<QString> names;
    for (const TOidName& entry : table.Entries()) {
        oids.insert(entry.oid);
        names.insert(entry.name);
        const qsizetype dot = entry.oid.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) {  // catches a run filed under a wrong base
            EXPECT_FALSE(table.LookupOidName(entry.oid.left(dot)).isEmpty()) << qPrintable(entry.oid);
        }
    }
    EXPECT_EQ(oids.size(), 210);
    EXPECT_EQ(names.size(), 210);
}

TEST(OidNameTable, NamesAcrossTheGroups)
{
    const TOidNameTable table = BuiltTable();
    const struct {
        const char* oid;
        const char* name;
    } cases[] = {
        {"1", "iso"},
        {"1.3.6.1.1", "directory"},
        {"1.3.6.1.3", "experimental"},
        {"1.3.6.1.4.1", "enterprises"},
        {"1.3.6.1.2.1", "mib-2"},
        {"1.3.6.1.2.1.10", "transmission"},
        {"1.3.6.1.2.1.11", "snmp"},
        {"1.3.6.1.2.1.1.2", "sysObjectID"},
        {"1.3.6.1.2.1.1.7", "sysServices"},
        {"1.3.6.1.2.1.2.2.1.10", "ifInOctets"},
        {"1.3.6.1.2.1.2.2.1.22", "ifSpecific"},
        {"1.3.6.1.2.1.3.1.1.3", "atNetAddress"},
        {"1.3.6.1.2.1.4.19", "ipFragCreates"},
        {"1.3.6.1.2.1.4.20.1.5", "ipAdEntReasmMaxSize"},
        {"1.3.6.1.2.1.4.21.1.12", "ipRouteMetric5"},
        {"1.3.6.1.2.1.4.22.1.4", "ipNetToMediaType"},
        {"1.3.6.1.2.1.4.23", "ipRoutingDiscards"},
        {"1.3.6.1.2.1.5.26", "icmpOutAddrMaskReps"},
        {"1.3.6.1.2.1.6.13.1.5", "tcpConnRemPort"},
        {"1.3.6.1.2.1.6.14", "tcpInErrs"},
        {"1.3.6.1.2.1.6.15", "tcpOutRsts"},
        {"1.3.6.1.2.1.7.5.1.2", "udpLocalPort"},
        {"1.3.6.1.2.1.8.5.1.15", "egpNeighEventTrigger"},
        {"1.3.6.1.2.1.8.6", "egpAs"},
        {"1.3.6.1.2.1.11.6", "snmpInASNParseErrs"},
        {"1.3.6.1.2.1.11.8", "snmpInTooBigs"},
        {"1.3.6.1.2.1.11.22", "snmpOutBadValues"},
        {"1.3.6.1.2.1.11.24", "snmpOutGenErrs"},
        {"1.3.6.1.2.1.11.30", "snmpEnableAuthenTraps"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.LookupOidName(c.oid), QString::fromLatin1(c.name)) << c.oid;

    // Unassigned numbers and everything outside MIB-II stay unknown; the key
    // is compared whole and case-sensitively.
    for (const char* unknown : {"1.3.6.1.2.1.11.7", "1.3.6.1.2.1.11.23", "1.3.6.1.2.1.9", "0", "2",
                                "1.3.6.1.6", "1.3.6.1.2.1.2.2.1.23", "1.3.6.1.2.1.1.5.0", ".1.3", "1.3.", ""})
        EXPECT_TRUE(table.LookupOidName(unknown).isEmpty()) << unknown;
}

TEST(OidNameTable, AddingAPresentKeyReplacesItsName)
{
    TOidNameTable table = BuiltTable();
    table.Add("1.3.6.1.2.1.1.5", "hostName");
    EXPECT_EQ(table.Count(), 210);
    EXPECT_EQ(table.LookupOidName("1.3.6.1.2.1.1.5"), "hostName");
    EXPECT_EQ(table.Entries()[24].oid, "1.3.6.1.2.1.1.5");  // keeps its place
    table.BuildOidNameTable();
    EXPECT_EQ(table.LookupOidName("1.3.6.1.2.1.1.5"), "sysName");
}

TEST(OidNameTable, DescribeOidNamesTheLongestKnownPrefix)
{
    const TOidNameTable table = BuiltTable();
    const struct {
        const char* oid;
        const char* described;
    } cases[] = {
        {"1.3.6.1.2.1.1.5.0", "sysName.0"},
        {"1.3.6.1.2.1.2.2.1.2.7", "ifDescr.7"},
        {"1.3.6.1.2.1.2.2.1", "ifEntry"},
        {"1.3.6.1.2.1.2.2.1.1.1", "ifIndex.1"},
        {"1.3.6.1.2.1.4.20.1.1.127.0.0.1", "ipAdEntAddr.127.0.0.1"},
        {"1.3.6.1.4.1.311.1", "enterprises.311.1"},
        {"1.3.6.1.2.1", "mib-2"},
        {"1.3.6.1.2.1.9999.1", "mib-2.9999.1"},  // numbers no module assigns
        {"1.3.6.1.9.3.1", "internet.9.3.1"},
        {"1.2.840", "iso.2.840"},
        {"2.5.4", ".5.4"},  // no known prefix: the part from the first dot
        {"0.0", ".0"},
        {"7", ""},  // unknown and without a dot
        {"", ""},
        {".1.3", ".1.3"},
        {"1.3.6.1.2.1.1.5.", "sysName."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.DescribeOid(c.oid), QString::fromLatin1(c.described)) << c.oid;

    const TOidNameTable empty;
    EXPECT_EQ(empty.DescribeOid("1.3.6.1"), ".3.6.1");
}

TEST(OidNameTable, DescribeOidOfSiblingsFollowsChangesToTheTable)
{
    // A walk asks for one sibling after another; every change to the table,
    // and every other table, is seen by the next one.
    TOidNameTable table = BuiltTable();
    TOidNameTable bare;
    const QString descr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
    EXPECT_EQ(table.DescribeOid(descr + ".1"), "ifDescr.1");
    EXPECT_EQ(table.DescribeOid(descr + ".2"), "ifDescr.2");
    EXPECT_EQ(bare.DescribeOid(descr + ".3"), ".3.6.1.2.1.2.2.1.2.3");
    EXPECT_EQ(table.DescribeOid(descr + ".4"), "ifDescr.4");
    table.Add(descr, "portName");
    EXPECT_EQ(table.DescribeOid(descr + ".5"), "portName.5");
    table.Add(descr + ".6", "sixth");
    EXPECT_EQ(table.DescribeOid(descr + ".6"), "sixth");
    EXPECT_EQ(table.DescribeOid(descr + ".7"), "portName.7");
    bare.Add(descr, "bareDescr");
    EXPECT_EQ(bare.DescribeOid(descr + ".8"), "bareDescr.8");
    table.Clear();
    EXPECT_EQ(table.DescribeOid(descr + ".9"), "ifDescr.9") << "the MIB objects still name it";
    table.SetMibNames(nullptr);
    EXPECT_EQ(table.DescribeOid(descr + ".10"), ".3.6.1.2.1.2.2.1.2.10");
}

TEST(TextHelpers, TakeFirstLineSplitsAtTheFirstNormalisedBreak)
{
    const struct {
        QString value;
        QString line;
        QString rest;
    } cases[] = {
        {"", "", ""},
        {"abc", "abc", ""},
        {"a\r\nb", "a", "b"},
        {"a\rb", "a", "b"},          // lone CR
        {"a\nb", "a", "b"},          // lone LF
        {"a\n\rb", "a", "\r\nb"},    // LF CR is two breaks
        {"a\r\r\nb", "a", "\r\nb"},  // CR, then CR LF
        {"a\r\n\r\nb", "a", "\r\nb"},
        {"\r\nb", "", "b"},
        {"a\r\n", "a", ""},
        {"a\nb\rc", "a", "b\r\nc"},  // the rest keeps its breaks normalised
    };
    for (const auto& c : cases) {
        QString value = c.value;
        EXPECT_EQ(TakeFirstLine(value), c.line) << qPrintable(c.value.toUtf8().toHex());
        EXPECT_EQ(value, c.rest) << qPrintable(c.value.toUtf8().toHex());
    }
}

TEST(TextHelpers, JoinLinesBlanksCrAndDropsLf)
{
    const struct {
        QString value;
        QString joined;
    } cases[] = {
        {"", ""},        {"ab", "ab"},      {"a\r\nb", "a b"}, {"a\nb", "ab"},
        {"a\rb", "a b"}, {"a\n\rb", "a b"}, {"\r\r\n", "  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinLines(c.value), c.joined) << qPrintable(c.value.toUtf8().toHex());
}

TEST(TextHelpers, IsNumericTextAcceptsTheDecimalGrammar)
{
    const char* good[] = {
        "42",     "0",      "-3.5",
        "  -3.5", "+7",     "1e6",
        "1E+6",   "2.5e-3", ".5",
        "5.",
        ".",     // rest without digits: numeric, value 0
        "E5",    // same
        "-.e1",  // same
        "00012",  " 100",   "123456789012345678901234567890",
    };
    for (const char* text : good)
        EXPECT_TRUE(IsNumericText(QString::fromLatin1(text))) << '"' << text << '"';

    const char* bad[] = {
        "",       // empty
        " ",      // blanks alone
        "-",      // lone sign
        "  +",    // blanks and a lone sign
        "12 ",    // trailing blank
        "1,5",    // comma is never a decimal separator
        "0x1F",   // hexadecimal
        "12 MB",  // unit after the number
        "1e",     // exponent without digits
        "1e+",    // same
        "1.2.3",  // second point (OIDs, IP addresses)
        "\t5",    // only 0x20 counts as a blank
        "5\n",    // nothing may follow
        "--5",    // one sign only
        "+-5",   "Null", "inf", "nan", "1_000",
    };
    for (const char* text : bad)
        EXPECT_FALSE(IsNumericText(QString::fromLatin1(text))) << '"' << text << '"';
    EXPECT_FALSE(IsNumericText(QStringLiteral("\u0661")));  // Arabic-Indic one is no digit here
}

TEST(TextHelpers, NumericTextValueIsExtendedPrecision)
{
    const struct {
        const char* text;
        long double value;
    } cases[] = {
        {"42", 42.0L},    {" -3.5", -3.5L},   {".", 0.0L},
        {"E5", 0.0L},     {"5.", 5.0L},       {".25", 0.25L},
        {"1e3", 1000.0L}, {"+2.5E-1", 0.25L}, {"18446744073709551615", 18446744073709551615.0L},
    };
    for (const auto& c : cases) {
        long double value = -1;
        ASSERT_TRUE(NumericTextValue(QString::fromLatin1(c.text), &value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    // 2^64 - 1 and 2^64 - 2 need all 64 bits of the mantissa: the conversion
    // keeps them apart where a double would round both to 2^64.
    long double big = 0;
    long double bigger = 0;
    ASSERT_TRUE(NumericTextValue(u"18446744073709551615", &big));
    ASSERT_TRUE(NumericTextValue(u"18446744073709551614", &bigger));
    EXPECT_NE(big, bigger);

    // Beyond the range of long double: infinity or zero, never an error.
    long double huge = 0;
    long double tiny = 1;
    ASSERT_TRUE(NumericTextValue(u"1e999999999999999999999", &huge));
    ASSERT_TRUE(NumericTextValue(u"-1e-99999", &tiny));
    EXPECT_TRUE(std::isinf(huge) && huge > 0);
    EXPECT_EQ(tiny, 0.0L);
}

TEST(TextHelpers, CompareNumericTextsTrimsBlanksAndHonoursTheDirection)
{
    EXPECT_EQ(CompareNumericTexts(u"9", u"10", true), -1);
    EXPECT_EQ(CompareNumericTexts(u"9", u"10", false), 1);
    EXPECT_EQ(CompareNumericTexts(u" 100 ", u"10", true), 1);  // trailing blank trimmed here
    EXPECT_EQ(CompareNumericTexts(u"1.5", u"1.25", true), 1);
    EXPECT_EQ(CompareNumericTexts(u"1e2", u"100", true), 0);
    EXPECT_EQ(CompareNumericTexts(u"-0", u"0", true), 0);
    EXPECT_EQ(CompareNumericTexts(u"n/a", u"10", true), 0);            // not numeric
    EXPECT_EQ(CompareNumericTexts(u"1e999999", u"1e99999", true), 0);  // both infinite
    EXPECT_EQ(CompareNumericTexts(u"1e4000", u"1e3000", true), 1);     // long double range
}
