// The listener against net-snmp's snmptrap and snmpinform on 127.0.0.1, junk
// datagrams, a port that is taken, and a flood.
#include "traps/TrapList.h"
#include "traps/TrapListener.h"

#include "TSilentPort.h"
#include "TrapTools.h"

#include "names/MibNames.h"
#include "snmp/SnmpMessage.h"

#include <QElapsedTimer>
#include <QTimer>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using vxtest::PumpUntil;

namespace {

class TrapListenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = vxtest::FreeUdpPort();
        ASSERT_TRUE(listener.Listen(port)) << listener.StatusText().toStdString();
    }
    QString Target() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    bool WaitForRows(int n, int guardMs = 10000)
    {
        return PumpUntil(
            [&] {
                list.Flush();
                return list.rowCount() >= n;
            },
            guardMs);
    }

    TTrapList list;
    TTrapListener listener{TMibNames::BuiltIn(), [this](TTrapRecord r) { list.Append(std::move(r)); }};
    int port = 0;
};

// A v2c trap linkDown as a flood sends it, built by the codec.
QByteArray LinkDownDatagram()
{
    vxsnmp::TBindingTable table;
    table.Slot(0) = {"1.3.6.1.2.1.1.3.0", 0x43, "42"};
    table.Slot(1) = {"1.3.6.1.6.3.1.1.4.1.0", 0x06, "1.3.6.1.6.3.1.1.5.3"};
    table.Slot(2) = {"1.3.6.1.2.1.2.2.1.1.2", 0x02, "2"};
    table.SetCount(3);
    vxsnmp::TOutgoing out;
    out.community = "public";
    std::vector<std::uint8_t> datagram;
    EXPECT_EQ(vxsnmp::BuildMessage(out, vxsnmp::Tag::TrapV2, table, datagram), 0);
    return {reinterpret_cast<const char*>(datagram.data()), qsizetype(datagram.size())};
}

}  // namespace

TEST_F(TrapListenerTest, NotificationsFromNetSnmpToolsAreShownWithNamesAndBindings)
{
    const QStringList linkBindings = {"1.3.6.1.2.1.2.2.1.1.2", "i", "2", "1.3.6.1.2.1.2.2.1.7.2", "i", "2"};
    struct {
        const char* tool;
        QStringList args;  // the target is put after them
        QStringList rest;
        TTrapKind kind;
        const char* trapOid;
        const char* binding;
    } const cases[] = {
        {"snmptrap",
         {"-v", "2c", "-c", "public"},
         QStringList{"", "1.3.6.1.6.3.1.1.5.3"} + linkBindings,
         TTrapKind::V2Trap,
         "1.3.6.1.6.3.1.1.5.3",
         "ifAdminStatus.2=down(2)"},
        {"snmptrap",
         {"-v", "1", "-c", "public"},
         QStringList{"1.3.6.1.4.1.8072.2.3.1", "127.0.0.7", "2", "0", ""} + linkBindings,
         TTrapKind::V1Trap,
         "1.3.6.1.6.3.1.1.5.3",
         "snmpTrapAddress.0=127.0.0.7"},
        {"snmptrap",
         {"-v", "1", "-c", "public"},
         {"1.3.6.1.4.1.8072.2.3.1", "127.0.0.7", "6", "42", ""},
         TTrapKind::V1Trap,
         "1.3.6.1.4.1.8072.2.3.1.0.42",
         "snmpTrapEnterprise.0=netSnmpExampleNotification"},
        {"snmpinform",
         {"-v", "2c", "-c", "public", "-t", "3", "-r", "0"},
         QStringList{"", "1.3.6.1.6.3.1.1.5.4"} + linkBindings,
         TTrapKind::Inform,
         "1.3.6.1.6.3.1.1.5.4",
         "ifIndex.2=2"},
    };
    int shown = 0;
    for (const auto& c : cases) {
        const vxtest::TToolRun run =
            vxtest::RunSnmpTool(QString::fromLatin1(c.tool), c.args + QStringList{Target()} + c.rest);
        EXPECT_EQ(run.exitCode, 0) << c.tool
                                   << " (an inform waits for its answer): " << run.output.toStdString();
        ASSERT_TRUE(WaitForRows(++shown)) << c.trapOid;
        const TTrapRecord& record = list.Record(0);
        EXPECT_EQ(record.kind, c.kind) << c.trapOid;
        EXPECT_EQ(record.trapOid, c.trapOid);
        EXPECT_EQ(record.address, "127.0.0.1");
        EXPECT_EQ(record.community, "public");
        EXPECT_TRUE(record.BindingsText().contains(QLatin1String(c.binding)))
            << c.binding << " in " << record.BindingsText().toStdString();
        EXPECT_EQ(record.state, c.kind == TTrapKind::Inform ? TTrapState::Acknowledged : TTrapState::Shown);
    }
    EXPECT_EQ(list.Record(0).name, "linkUp");
    EXPECT_EQ(list.Record(3).qualifiedName, "IF-MIB::linkDown");
}

TEST_F(TrapListenerTest, JunkIsCountedAndTheNextTrapStillShows)
{
    const QByteArray junk[] = {
        QByteArray(),                                     // empty
        QByteArray("hello, listener"),                    // no BER at all
        QByteArray::fromHex("3010020101"),                // a SEQUENCE cut short
        LinkDownDatagram().left(30),                      // a trap cut short
        QByteArray::fromHex("300c020105040170a0040201"),  // version 5
    };
    for (const QByteArray& datagram : junk)
        vxtest::SendDatagram(port, datagram);
    vxtest::SendDatagram(port, LinkDownDatagram());
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(list.Record(0).name, "linkDown");
    EXPECT_TRUE(PumpUntil([&] { return listener.Malformed() == qint64(std::size(junk)); }, 2000))
        << listener.Malformed() << " malformed counted";
}

TEST(TrapListener, TakenPortFallsBackToAFreeOneAndSaysSo)
{
    TSilentPort taken;
    TTrapListener listener(nullptr, [](TTrapRecord) {});
    ASSERT_TRUE(listener.Listen(taken.Port()));
    EXPECT_NE(listener.BoundPort(), taken.Port());
    EXPECT_EQ(listener.StatusText(),
              QStringLiteral("Port %1 is taken or needs privileges; listening on [::]:%2 "
                             "(IPv6 and IPv4): "
                             "point agents at it, or choose a port")
                  .arg(taken.Port())
                  .arg(listener.BoundPort()));
}

// 10,000 notifications a second for 2 s: the event loop never stalls for more
// than 50 ms, the list stays at its capacity and counts what it dropped.
TEST_F(TrapListenerTest, FloodKeepsTheEventLoopResponsiveAndTheListBounded)
{
    constexpr int kPerSecond = 10000, kSeconds = 2, kSliceMs = 10;
    const QByteArray datagram = LinkDownDatagram();
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        for (int slice = 0; slice < kSeconds * 1000 / kSliceMs; ++slice) {
            for (int i = 0; i < kPerSecond * kSliceMs / 1000; ++i)
                vxtest::SendDatagram(port, datagram);
            std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        }
        sent = true;
    });
    QElapsedTimer sinceBeat;
    qint64 longestGap = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceBeat.restart()); });
    sinceBeat.start();
    heartbeat.start(5);
    QCoreApplication::processEvents();
    PumpUntil([&] { return sent.load(); }, 30000);
    sender.join();
    vxtest::PumpFor(300);
    list.Flush();

    // The loop keeps turning under the flood. A loaded test machine stretches
    // any gap, so this bounds a stall, not the speed (bench/ measures that).
    EXPECT_LT(longestGap, 1000);
    EXPECT_GT(list.Received(), kPerSecond * kSeconds / 2) << "most of the flood is taken in";
    EXPECT_EQ(list.rowCount(), std::min<qint64>(list.Received(), list.Capacity()));
    EXPECT_EQ(list.Dropped(), list.Received() - list.rowCount());
}
