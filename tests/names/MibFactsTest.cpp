// The built-in MIB table against the reference facts, and the names it gives
// through DescribeOid next to the MIB-II entries.
#include "names/MibNames.h"
#include "table/Shared.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

namespace {

QVector<QStringList> ReadReference()
{
    QVector<QStringList> rows;
    QFile file(QStringLiteral(VEXGRID_TEST_DATA "/names/mib-facts.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        if (!line.startsWith(QLatin1Char('#')) && !line.isEmpty())
            rows.append(line.split(QLatin1Char('\t')));
    }
    return rows;
}

QString KindText(TMibKind kind)
{
    static const char* const texts[] = {"node", "scalar", "table", "row", "column", "notification"};
    return QString::fromLatin1(texts[int(kind)]);
}

QString LabelsText(const TMibObject& object)
{
    QStringList pairs;
    for (const TMibLabel& label : object.labels)
        pairs << QString::number(label.value) + QLatin1Char('=') + label.label;
    return pairs.join(QLatin1Char(','));
}

QString IndexText(const TMibObject& object)
{
    QStringList index = object.index;
    if (object.impliedLast && !index.isEmpty())
        index.last().prepend(QLatin1Char('*'));
    return index.join(QLatin1Char(' '));
}

TOidNameTable Mib2Table()
{
    TOidNameTable table;
    table.BuildOidNameTable();
    return table;
}

}  // namespace

TEST(MibFacts, EveryReferenceObjectIsInTheBuiltInTable)
{
    const QVector<QStringList> rows = ReadReference();
    ASSERT_FALSE(rows.isEmpty()) << "reference facts not found under " VEXGRID_TEST_DATA;
    const auto names = TMibNames::BuiltIn();
    EXPECT_EQ(names->Count(), rows.size());
    for (const QStringList& row : rows) {
        ASSERT_EQ(row.size(), 9) << qPrintable(row.join(QLatin1Char('|')));
        const TMibObject* object = names->Lookup(row[0]);
        ASSERT_NE(object, nullptr) << qPrintable(row[0]);
        const QString fields[] = {object->name,
                                  object->module,
                                  KindText(object->kind),
                                  object->type,
                                  object->textualConvention,
                                  object->displayHint,
                                  LabelsText(*object),
                                  IndexText(*object)};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(fields[i], row[i + 1]) << qPrintable(row[0] + QLatin1Char(' ') + row[1]);
    }
}

TEST(MibFacts, CoverAThousandObjectsBeyondMib2AndAgreeWithIt)
{
    const TOidNameTable mib2 = Mib2Table();
    const auto names = TMibNames::BuiltIn();
    int beyond = 0;
    for (const TMibObject& object : names->Objects()) {
        const QString mib2Name = mib2.LookupOidName(object.oid);
        if (mib2Name.isEmpty())
            ++beyond;
        else  // a shifted OID in the facts would name a MIB-II object wrongly
            EXPECT_EQ(object.name, mib2Name) << qPrintable(object.oid);
    }
    EXPECT_GE(beyond, 1000);
}

TEST(OidNameTable, DescribeOidKeepsTheTextOfEveryMib2Entry)
{
    const TOidNameTable table = Mib2Table();
    ASSERT_NE(table.MibNames(), nullptr);
    TOidNameTable plain = Mib2Table();
    plain.SetMibNames(nullptr);
    for (const TOidName& entry : table.Entries()) {
        EXPECT_EQ(table.DescribeOid(entry.oid), entry.name) << qPrintable(entry.oid);
        const QString instance = entry.oid + QStringLiteral(".0");
        EXPECT_EQ(table.DescribeOid(instance), plain.DescribeOid(instance)) << qPrintable(instance);
    }
}

TEST(OidNameTable, DescribeOidNamesObjectsBeyondMib2)
{
    const TOidNameTable table = Mib2Table();
    const struct {
        const char* oid;
        const char* described;
        const char* why;
    } cases[] = {
        {"1.3.6.1.2.1.31.1.1.1.1.5", "ifName.5", "ifXTable column"},
        {"1.3.6.1.2.1.31.1.1.1.6.2", "ifHCInOctets.2", "64-bit counter"},
        {"1.3.6.1.2.1.31.1.1.1.18.1", "ifAlias.1", "newer IF-MIB column"},
        {"1.3.6.1.2.1.25.2.3.1.3.1", "hrStorageDescr.1", "host resources table"},
        {"1.3.6.1.2.1.25.4.2.1.2.4242", "hrSWRunName.4242", "running software"},
        {"1.3.6.1.4.1.2021.10.1.3.1", "laLoad.1", "enterprise subtree of snmpd"},
        {"1.3.6.1.4.1.2021.4.5.0", "memTotalReal.0", "UCD scalar"},
        {"1.3.6.1.2.1.1.9.1.3.4", "sysORDescr.4", "below a MIB-II group"},
        {"1.3.6.1.2.1.11.31.0", "snmpSilentDrops.0", "newer snmp group object"},
        {"1.3.6.1.2.1.2.2.1.2.7", "ifDescr.7", "MIB-II entry for the same OID"},
        {"1.3.6.1.4.1.99999.2.1.2.1.5", "enterprises.99999.2.1.2.1.5", "nobody's enterprise"},
        {"1.3.6.1.2.1.4.20.1.1.10.0.0.1", "ipAdEntAddr.10.0.0.1", "address suffix"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.DescribeOid(c.oid), QString::fromLatin1(c.described)) << c.why;
}

TEST(MibNames, FindGivesTheLongestKnownPrefixAndTheRest)
{
    const auto names = TMibNames::BuiltIn();
    const struct {
        const char* oid;
        const char* name;  // empty: nothing found
        const char* suffix;
    } cases[] = {
        {"1.3.6.1.2.1.31.1.1.1.1", "ifName", ""},
        {"1.3.6.1.2.1.31.1.1.1.1.12", "ifName", ".12"},
        {"1.3.6.1.2.1.31.1.2.1.3.5.2", "ifStackStatus", ".5.2"},
        {"1.3.6.1.2.1.31.1.1.1.1.", "ifName", "."},
        {"1.3.6.1.4.1.2021.99.1", "ucdavis", ".99.1"},
        {"2.5.4", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const TMibMatch match = names->Find(QString::fromLatin1(c.oid));
        EXPECT_EQ(match.object ? match.object->name : QString(), QString::fromLatin1(c.name)) << c.oid;
        EXPECT_EQ(match.suffix, QString::fromLatin1(c.suffix)) << c.oid;
    }
}

TEST(MibNames, IndexObjectsFollowTheRowAndItsAugments)
{
    const auto names = TMibNames::BuiltIn();
    const struct {
        const char* object;
        QStringList index;
        const char* why;
    } cases[] = {
        {"ifStackStatus", {"ifStackHigherLayer", "ifStackLowerLayer"}, "two integers"},
        {"ifName", {"ifIndex"}, "ifXEntry augments ifEntry"},
        {"hrSWRunPerfCPU", {"hrSWRunIndex"}, "augments across tables"},
        {"tcpConnState",
         {"tcpConnLocalAddress", "tcpConnLocalPort", "tcpConnRemAddress", "tcpConnRemPort"},
         "four parts"},
        {"sysUpTime", {}, "a scalar has none"},
    };
    for (const auto& c : cases) {
        const TMibObject* object = names->LookupName(QString::fromLatin1(c.object));
        ASSERT_NE(object, nullptr) << c.object;
        QStringList found;
        for (const TMibObject* index : names->IndexObjects(*object))
            found << (index ? index->name : QStringLiteral("?"));
        EXPECT_EQ(found, c.index) << c.why;
    }
    const TMibObject* cacheEntry = names->LookupName(QStringLiteral("nsCacheEntry"));
    ASSERT_NE(cacheEntry, nullptr);
    EXPECT_TRUE(cacheEntry->impliedLast);
}

TEST(MibNames, LabelsAndTheirParsing)
{
    const auto names = TMibNames::BuiltIn();
    const TMibObject* operStatus = names->LookupName(QStringLiteral("ifOperStatus"));
    ASSERT_NE(operStatus, nullptr);
    EXPECT_EQ(TMibNames::Label(*operStatus, 1), "up");
    EXPECT_EQ(TMibNames::Label(*operStatus, 7), "lowerLayerDown");
    EXPECT_EQ(TMibNames::Label(*operStatus, 99), "");

    const struct {
        const char* text;
        bool ok;
        int count;
    } cases[] = {
        {"", true, 0},         {"1=up", true, 1},  {"0=unknown,16=dns", true, 2},
        {"-1=minus", true, 1}, {"up", false, 0},   {"1=", false, 0},
        {"=up", false, 0},     {"x=up", false, 0},
    };
    for (const auto& c : cases) {
        QVector<TMibLabel> labels;
        EXPECT_EQ(ParseMibLabels(QString::fromLatin1(c.text), &labels), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(labels.size(), c.count) << c.text;
        }
    }
}
