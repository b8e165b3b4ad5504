// SNMPv3 traps and informs from net-snmp's snmptrap and snmpinform to the
// listener on a free loopback port, over the security levels and protocols,
// with the refusals (wrong passwords, unknown user, another level) counted
// and never shown; and notifications over IPv6 to [::1].
#include "traps/TrapListener.h"

#include "TrapTools.h"

#include "names/MibNames.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using vxtest::PumpUntil;

namespace {

const QByteArray kEngineId = QByteArray::fromHex("80000000050102030405060708");
const QString kTrapSenderEngine = QStringLiteral("0x8000000001020304aabbccdd");
const QStringList kLinkDown = {"", "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.2.1.2.2.1.1.2", "i", "2"};

// One user per level and protocol pair; the tools are told the same.
const QVector<TTrapUser> kUsers = {
    {"md5user", 1, 1, "md5 password", 0, ""},
    {"shauser", 1, 2, "sha password", 0, ""},
    {"sha256aes", 2, 4, "sha256 password", 2, "aes password"},
    {"sha512aes256", 2, 6, "sha512 password", 4, "aes256 password"},
    {"plainuser", 0, 0, "", 0, ""},
};

class TrapV3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        listener.SetEngine(kEngineId, 7);
        ASSERT_TRUE(listener.SetUsers(kUsers).isEmpty());
        port = vxtest::FreeUdpPort();
        ASSERT_TRUE(listener.Listen(port)) << listener.StatusText().toStdString();
    }
    bool WaitFor(int shownCount, qint64 failedCount)
    {
        return PumpUntil(
            [&] { return int(shown.size()) >= shownCount && listener.AuthFailures() >= failedCount; }, 5000);
    }

    std::vector<TTrapRecord> shown;
    TTrapListener listener{TMibNames::BuiltIn(), [this](TTrapRecord r) {
                               if (r.state != TTrapState::FailedAuthentication)
                                   shown.push_back(std::move(r));
                           }};
    int port = 0;
};

// The net-snmp switches of a user: -u, -l and the protocols with passwords
// (each password replaced by `wrongAuth` / `wrongPriv` when given).
QStringList UserSwitches(const TTrapUser& user, const char* wrongAuth = nullptr,
                         const char* wrongPriv = nullptr)
{
    QStringList args = {"-u", user.name, "-l", LevelName(user.level)};
    if (user.level >= 1)
        args << "-a" << AuthProtocolName(user.auth) << "-A"
             << (wrongAuth ? QString::fromLatin1(wrongAuth) : user.authPassword);
    if (user.level >= 2)
        args << "-x" << QString(PrivProtocolName(user.priv)).remove(QStringLiteral("-128")) << "-X"
             << (wrongPriv ? QString::fromLatin1(wrongPriv) : user.privPassword);
    return args;
}

}  // namespace

TEST_F(TrapV3Test, TrapsAndInformsOfEveryLevelAreShownWithTheirUser)
{
    int expected = 0;
    for (const TTrapUser& user : kUsers) {
        for (const bool inform : {false, true}) {
            const QString tool = inform ? QStringLiteral("snmpinform") : QStringLiteral("snmptrap");
            // A trap's sender is authoritative and names its engine; an inform
            // discovers this listener's.
            const QStringList engine =
                inform ? QStringList{"-t", "3", "-r", "0"} : QStringList{"-e", kTrapSenderEngine};
            const vxtest::TToolRun run = vxtest::RunSnmpTool(
                tool, QStringList{"-v", "3"} + engine + UserSwitches(user)
                          + QStringList{QStringLiteral("127.0.0.1:%1").arg(port)} + kLinkDown);
            const std::string what = (tool + u' ' + user.name).toStdString();
            EXPECT_EQ(run.exitCode, 0)
                << what << " (an inform waits for its answer): " << run.output.toStdString();
            ASSERT_TRUE(WaitFor(++expected, 0)) << what;
            const TTrapRecord& record = shown.back();
            EXPECT_EQ(record.version, 3) << what;
            EXPECT_EQ(record.kind, inform ? TTrapKind::Inform : TTrapKind::V3Trap) << what;
            EXPECT_EQ(record.state, inform ? TTrapState::Acknowledged : TTrapState::Shown) << what;
            EXPECT_EQ(record.community, user.name) << what;
            EXPECT_EQ(record.securityLevel, user.level) << what;
            EXPECT_EQ(record.name, "linkDown") << what;
            EXPECT_TRUE(record.BindingsText().contains(QLatin1String("ifIndex.2=2"))) << what;
        }
    }
    EXPECT_EQ(listener.AuthFailures(), 0);
}

TEST_F(TrapV3Test, RefusedNotificationsAreCountedWithTheirReasonAndNeverShown)
{
    const TTrapUser& sha = kUsers[1];
    const TTrapUser& aes = kUsers[2];
    TTrapUser stranger = sha;
    stranger.name = "stranger";
    TTrapUser lowered = aes;  // authPriv user sending at authNoPriv
    lowered.level = 1;
    struct {
        const char* tool;
        QStringList user;
        const char* reason;
        const char* informError;  // snmpinform's complaint; null for traps
    } const cases[] = {
        {"snmptrap", UserSwitches(sha, "wrong password"), "wrong digest", nullptr},
        {"snmptrap", UserSwitches(aes, nullptr, "wrong privacy"), "cannot be decrypted", nullptr},
        {"snmptrap", UserSwitches(stranger), "no such user", nullptr},
        {"snmptrap", UserSwitches(lowered), "another security level", nullptr},
        {"snmpinform", UserSwitches(sha, "wrong password"), "wrong digest", "Authentication failure"},
        {"snmpinform", UserSwitches(stranger), "no such user", "Unknown user name"},
    };
    qint64 failed = 0;
    for (const auto& c : cases) {
        const bool inform = c.informError != nullptr;
        const QStringList engine =
            inform ? QStringList{"-t", "2", "-r", "0"} : QStringList{"-e", kTrapSenderEngine};
        const vxtest::TToolRun run =
            vxtest::RunSnmpTool(QString::fromLatin1(c.tool),
                                QStringList{"-v", "3"} + engine + c.user
                                    + QStringList{QStringLiteral("127.0.0.1:%1").arg(port)} + kLinkDown);
        ASSERT_TRUE(WaitFor(0, ++failed)) << c.reason;
        EXPECT_TRUE(listener.LastAuthFailure().contains(QLatin1String(c.reason)))
            << c.reason << " in " << listener.LastAuthFailure().toStdString();
        EXPECT_TRUE(listener.LastAuthFailure().contains(QStringLiteral("from 127.0.0.1:")))
            << listener.LastAuthFailure().toStdString();
        if (inform) {
            EXPECT_NE(run.exitCode, 0) << c.reason;
            EXPECT_TRUE(run.output.contains(QLatin1String(c.informError))) << run.output.toStdString();
        }
    }
    vxtest::PumpFor(200);
    EXPECT_TRUE(shown.empty()) << shown.size() << " refused notifications shown";
    EXPECT_EQ(listener.AuthFailures(), qint64(std::size(cases)));
}

TEST_F(TrapV3Test, NotificationsOverIpv6AndIpv4ReachTheSameSocket)
{
    EXPECT_EQ(listener.StatusText(), QStringLiteral("Listening on [::]:%1 (IPv6 and IPv4)").arg(port));
    struct {
        QString target;
        const char* address;
    } const cases[] = {
        {QStringLiteral("udp6:[::1]:%1").arg(port), "::1"},
        {QStringLiteral("udp:127.0.0.1:%1").arg(port), "127.0.0.1"},
    };
    int expected = 0;
    for (const auto& c : cases) {
        for (const char* tool : {"snmptrap", "snmpinform"}) {
            const vxtest::TToolRun run = vxtest::RunSnmpTool(
                QString::fromLatin1(tool),
                QStringList{"-v", "2c", "-c", "public", "-t", "3", "-r", "0", c.target} + kLinkDown);
            EXPECT_EQ(run.exitCode, 0) << tool << ' ' << c.address << ": " << run.output.toStdString();
            ASSERT_TRUE(WaitFor(++expected, 0)) << tool << ' ' << c.address << ": " << listener.Refused()
                                                << " refused, " << listener.Malformed() << " malformed";
            EXPECT_EQ(shown.back().address, c.address);
            EXPECT_EQ(shown.back().name, "linkDown");
        }
    }
    EXPECT_TRUE(shown.back().Source().startsWith(QStringLiteral("127.0.0.1:")));
    EXPECT_TRUE(shown.front().Source().startsWith(QStringLiteral("[::1]:")))
        << shown.front().Source().toStdString();
}
