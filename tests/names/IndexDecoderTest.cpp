// Instance suffixes read by the INDEX of their table's row, from the
// built-in table and from objects as a loaded module gives them.
#include "names/IndexDecoder.h"
#include "names/MibNames.h"

#include <gtest/gtest.h>

namespace {

TMibObject Object(const char* oid, const char* name, TMibKind kind, const char* type = "",
                  const char* convention = "")
{
    TMibObject object;
    object.oid = QLatin1String(oid);
    object.name = QLatin1String(name);
    object.kind = kind;
    object.type = QLatin1String(type);
    object.textualConvention = QLatin1String(convention);
    return object;
}

// A row under enterprises.99999.1 with the INDEX given, and one column of
// each kind of index value.
TMibNames RowIndexedBy(const QStringList& index, bool implied)
{
    TMibNames names;
    TMibObject row = Object("1.3.6.1.4.1.99999.1.1", "tstEntry", TMibKind::Row);
    row.index = index;
    row.impliedLast = implied;
    names.Add(row);
    names.Add(Object("1.3.6.1.4.1.99999.1.1.1", "tstSlot", TMibKind::Column, "Integer32"));
    names.Add(
        Object("1.3.6.1.4.1.99999.1.1.2", "tstName", TMibKind::Column, "OCTET STRING", "DisplayString"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.3", "tstId", TMibKind::Column, "OBJECT IDENTIFIER"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.4", "tstMac", TMibKind::Column, "OCTET STRING", "MacAddress"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.5", "tstAddr", TMibKind::Column, "OCTET STRING", "InetAddress"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.6", "tstKey", TMibKind::Column, "OCTET STRING"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.7", "tstIp", TMibKind::Column, "IpAddress"));
    names.Add(Object("1.3.6.1.4.1.99999.1.1.8", "tstDescr", TMibKind::Column, "Counter32"));
    return names;
}

const QString column = QStringLiteral("1.3.6.1.4.1.99999.1.1.8");

}  // namespace

TEST(IndexDecoder, BuiltInTablesReadTheirIndex)
{
    const struct {
        const char* column;
        const char* suffix;
        const char* expected;
        const char* why;
    } cases[] = {
        {"1.3.6.1.2.1.4.20.1.2", ".10.0.0.1", "10.0.0.1", "ipAddrTable: an IpAddress"},
        {"1.3.6.1.2.1.4.22.1.2", ".2.192.168.1.1", "2 / 192.168.1.1", "an integer and an address"},
        {".1.3.6.1.2.1.31.1.1.1.1", ".3", "3", "a leading dot on the column"},
        {"1.3.6.1.2.1.17.4.3.1.2", ".0.17.34.51.68.85", "00:11:22:33:44:55",
         "a MacAddress has six octets and no length"},
        {"1.3.6.1.6.3.12.1.2.1.2", ".104.111.115.116", "host", "an IMPLIED string has no length"},
        {"1.3.6.1.2.1.4.20.1.2", ".10.0.0", "10.0.0", "too few components: the suffix"},
        {"1.3.6.1.2.1.4.20.1.2", ".10.0.0.1.7", "10.0.0.1.7", "components left over: the suffix"},
        {"1.3.6.1.2.1.4.20.1.2", ".10.0.300.1", "10.0.300.1", "an octet over 255: the suffix"},
        {"1.3.6.1.4.1.99999.7.1", ".5.6", "5.6", "an unknown column: the suffix"},
        {"1.3.6.1.2.1.1.5", ".0", "0", "a scalar has no INDEX"},
    };
    const TMibNames& names = *TMibNames::BuiltIn();
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeInstanceIndex(names, QLatin1String(c.column), QLatin1String(c.suffix)),
                  QLatin1String(c.expected))
            << c.why;
    }
}

TEST(IndexDecoder, EveryKindOfIndexValue)
{
    const struct {
        QStringList index;
        bool implied;
        const char* suffix;
        const char* expected;
        const char* why;
    } cases[] = {
        {{"tstSlot", "tstName"}, false, ".2.3.101.116.104", "2 / eth", "a length-prefixed string as text"},
        {{"tstName", "tstSlot"}, false, ".0.9", " / 9", "an empty string"},
        {{"tstSlot", "tstName"}, true, ".2.101.116.104", "2 / eth", "IMPLIED: the rest is the string"},
        {{"tstId"}, false, ".3.1.3.6", "1.3.6", "an OID with its length"},
        {{"tstSlot", "tstId"}, true, ".1.1.3.6.1", "1 / 1.3.6.1", "an IMPLIED OID"},
        {{"tstAddr"}, false, ".4.192.0.2.1", "192.0.2.1", "a four-octet InetAddress"},
        {{"tstAddr"},
         false,
         ".16.32.1.13.184.0.0.0.0.0.0.0.0.0.0.0.1",
         "2001:db8:0:0:0:0:0:1",
         "a sixteen-octet InetAddress"},
        {{"tstKey"}, false, ".2.1.255", "01 ff", "unprintable octets in hex"},
        {{"tstMac", "tstIp"},
         false,
         ".1.2.3.4.5.6.10.0.0.1",
         "01:02:03:04:05:06 / 10.0.0.1",
         "a fixed-size string, then an address"},
        {{"tstSlot", "tstName"}, false, ".2.9.101", "2.9.101", "a length beyond the suffix"},
        {{"tstSlot", "tstGone"}, false, ".2.1", "2.1", "an INDEX object nobody names"},
        {{"tstDescr", "tstSlot"}, false, ".x.1", "x.1", "a component that is no number"},
    };
    for (const auto& c : cases) {
        const TMibNames names = RowIndexedBy(c.index, c.implied);
        EXPECT_EQ(DecodeInstanceIndex(names, column, QLatin1String(c.suffix)), QLatin1String(c.expected))
            << c.why;
    }
}

TEST(IndexDecoder, SuffixesSortByTheirComponentsAsNumbers)
{
    const struct {
        const char* first;
        const char* second;
        int expected;
        const char* why;
    } cases[] = {
        {".2.9", ".2.10", -1, "9 before 10, unlike text"},
        {".10.0.0.1", ".9.255.255.255", 1, "the first component decides"},
        {".1.2", ".1.2.0", -1, "a prefix sorts first"},
        {"1.2", ".1.2", 0, "the leading dot does not count"},
        {".4294967295", ".4294967294", 1, "the largest unsigned 32-bit component"},
        {".a", ".5", 1, "a non-number after numbers"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareOidSuffixes(QString::fromLatin1(c.first), QString::fromLatin1(c.second)), c.expected)
            << c.why;
        EXPECT_EQ(CompareOidSuffixes(QString::fromLatin1(c.second), QString::fromLatin1(c.first)),
                  -c.expected)
            << c.why;
    }
}
