// Reading a notification into a record: the SNMPv1 form mapped to SNMPv2's,
// the names from the built-in MIB names, values as received and readable.
#include "traps/TrapReader.h"

#include "names/MibNames.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TTrapRecord ReadWithBuiltInNames(const TTrapInput& input)
{
    return TTrapReader(TMibNames::BuiltIn()).Read(input, QDateTime::currentDateTime());
}

}  // namespace

TEST(TrapReader, MapsSnmpV1TrapsToTheirSnmpV2Oid)
{
    struct {
        int generic, specific;
        const char* oid;
        const char* why;
    } const cases[] = {
        {0, 0, "1.3.6.1.6.3.1.1.5.1", "coldStart"},
        {2, 0, "1.3.6.1.6.3.1.1.5.3", "linkDown"},
        {5, 0, "1.3.6.1.6.3.1.1.5.6", "egpNeighborLoss"},
        {2, 17, "1.3.6.1.6.3.1.1.5.3", "a generic trap ignores the specific number"},
        {6, 17, "1.3.6.1.4.1.99.2.0.17", "enterpriseSpecific: enterprise.0.specific"},
        {9, 3, "1.3.6.1.4.1.99.2.0.3", "a generic number no standard names is the enterprise's"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(V1TrapOid(QStringLiteral("1.3.6.1.4.1.99.2"), c.generic, c.specific), c.oid) << c.why;
}

TEST(TrapReader, SnmpV1TrapReadsAsItsSnmpV2FormWithHeaderBindings)
{
    TTrapInput input;
    input.kind = TTrapKind::V1Trap;
    input.community = QStringLiteral("public");
    input.enterprise = QStringLiteral("1.3.6.1.4.1.8072.2.3.1");
    input.agentAddress = QStringLiteral("127.0.0.9");
    input.genericTrap = 2;
    input.timeStamp = 4205;
    input.bindings = {{QStringLiteral("1.3.6.1.2.1.2.2.1.1.2"), 0x02, "2"}};
    const TTrapRecord record = ReadWithBuiltInNames(input);

    EXPECT_EQ(record.name, "linkDown");
    EXPECT_EQ(record.qualifiedName, "IF-MIB::linkDown");
    EXPECT_EQ(record.upTime, 4205);
    EXPECT_EQ(record.BindingsText(),
              "sysUpTime.0=00:00:42.05; snmpTrapOID.0=linkDown; ifIndex.2=2; snmpTrapAddress.0=127.0.0.9; "
              "snmpTrapCommunity.0=public; snmpTrapEnterprise.0=netSnmpExampleNotification");
}

TEST(TrapReader, ValuesReadAsReceivedAndReadable)
{
    struct {
        const char* oid;
        int type;
        QByteArray raw;
        const char* text;
        const char* readable;
        const char* why;
    } const cases[] = {
        {"1.3.6.1.2.1.2.2.1.7.3", 0x02, "2", "2", "down(2)", "an enumeration by its label"},
        {"1.3.6.1.2.1.1.3.0", 0x43, "26705106", "26705106", "3d 02:10:51.06", "TimeTicks with days"},
        {"1.3.6.1.2.1.2.2.1.2.3", 0x04, "eth0", "eth0", "", "printable text is its own readable form"},
        {"1.3.6.1.2.1.2.2.1.6.3", 0x04, QByteArray::fromHex("001a2b3c4d5e"), "00 1A 2B 3C 4D 5E",
         "00:1a:2b:3c:4d:5e", "binary octets as hex; PhysAddress by its display hint"},
        {"1.3.6.1.4.1.99.1.0", 0x04, QByteArray("ok\0\0", 4), "ok", "", "trailing zero bytes stay text"},
        {"1.3.6.1.4.1.99.2.0", 0x04, QByteArray("\xC3\x28", 2), "C3 28", "", "broken UTF-8 is hex"},
        {"1.3.6.1.4.1.99.3.0", 0x06, "1.3.6.1.6.3.1.1.5.4", "1.3.6.1.6.3.1.1.5.4", "linkUp",
         "an OID value by its name"},
    };
    for (const auto& c : cases) {
        TTrapInput input;
        input.bindings = {{QString::fromLatin1(c.oid), c.type, c.raw}};
        const TTrapRecord record = ReadWithBuiltInNames(input);
        ASSERT_EQ(record.bindings.size(), 1) << c.why;
        EXPECT_EQ(record.bindings[0].text, c.text) << c.why;
        EXPECT_EQ(record.bindings[0].readable, c.readable) << c.why;
    }
}

TEST(TrapReader, NotificationWithoutTrapOidIsStillShown)
{
    TTrapInput input;
    input.kind = TTrapKind::Inform;
    input.bindings = {{QStringLiteral("1.3.6.1.2.1.1.3.0"), 0x43, "5"}};
    const TTrapRecord record = ReadWithBuiltInNames(input);
    EXPECT_EQ(record.name, "(no snmpTrapOID.0)");
    EXPECT_EQ(record.state, TTrapState::Acknowledged);
    EXPECT_EQ(record.bindings.size(), 1);
}
