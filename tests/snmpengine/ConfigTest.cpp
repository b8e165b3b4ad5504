// Config settings: names without regard to case, Boolean and integer forms,
// refusals while Active, read-only facts.
#include "snmp/EngineSettings.h"
#include "EngineTestSupport.h"
#include "snmp/TvxSNMPMgr.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <set>

using vxsnmp::EvxSNMPMgr;
using vxsnmp::TSettingKind;
using vxsnmp::TvxSNMPMgr;
using namespace vxtest;

namespace {

TEST(Config, BooleanNamesIgnoreCaseAndAcceptTrueYesOne)
{
    TvxSNMPMgr mgr;
    EXPECT_EQ(mgr.Config("forcelocalport"), "True");
    EXPECT_EQ(mgr.Config("ForceLocalPort=false"), "") << "writing returns empty text";
    EXPECT_EQ(mgr.Config("FORCELOCALPORT"), "False");
    const std::pair<const char*, const char*> writes[] = {
        {"YES", "True"},  {"no", "False"}, {"yes", "True"},
        {"0", "False"},   {"1", "True"},   {"", "False"},  // a name followed by "=" writes an empty value
        {"TRUE", "True"}, {"on", "False"},
    };
    for (auto [value, read] : writes) {
        mgr.Config(QStringLiteral("forceLocalPort=") + value);
        EXPECT_EQ(mgr.Config("ForceLocalPort"), read) << "value " << value;
    }
}

TEST(Config, SettingsReadTheirDefaults)
{
    TvxSNMPMgr mgr;
    const std::pair<const char*, const char*> defaults[] = {
        {"IgnorePortMismatch", "False"},
        {"TimeWindow", "150"},
        {"TrapPort", "162"},
        {"TrapCommunity", "tamvel"},
        {"UseConnection", "False"},
        {"ShareLocalPort", "False"},
        {"MaxPacketSize", "8192"},
        {"InBufferSize", "32768"},
        {"OutBufferSize", "32768"},
        {"TimeToLive", "0"},
        {"TTL", "0"},
        {"QOSFlags", "0"},
        {"SocketHandle", "-1"},
        {"TimeoutInMilliseconds", "False"},
        {"AbsoluteTimeout", "False"},
        {"WinsockLoaded", "True"},
        {"WinsockStatus", "Running."},
        {"WinsockMaxDatagramSize", "65507"},
        {"CodePage", "0"},
        {"CharsetMode", "0"},
        {"ForceLocalPort[1]", "True"},
        {"forcelocalport(2)", "True"},  // an index is taken apart
    };
    for (auto [name, value] : defaults)
        EXPECT_EQ(mgr.Config(name), value) << name;
    EXPECT_FALSE(mgr.Config("WinsockInfo").isEmpty());
    EXPECT_GT(mgr.Config("WinsockMaxSockets").toInt(), 0);
}

TEST(Config, IntegerAndTextSettingsRoundTrip)
{
    TvxSNMPMgr mgr;
    mgr.Config("timewindow=300");
    EXPECT_EQ(mgr.Config("TimeWindow"), "300");
    mgr.Config("TrapCommunity=other");
    EXPECT_EQ(mgr.Community(), "other") << "TrapCommunity is the community";
    mgr.Config("MaxPacketSize=1000000");
    EXPECT_EQ(mgr.Config("MaxPacketSize"), "65536");
    mgr.Config("TrapAgentAddress=127.0.0.9");
    EXPECT_EQ(mgr.Config("TrapAgentAddress"), "127.0.0.9");
}

TEST(Config, RefusalsCarryTheirCodesAndTexts)
{
    TvxSNMPMgr mgr;
    mgr.SetLocalPort(0);
    EXPECT_EQ(MessageOf([&] { mgr.Config("NoSuchSetting=1"); }), "-1: Unknown config setting.");
    EXPECT_EQ(MessageOf([&] { mgr.Config("NoSuchSetting"); }), "-1: Unknown config setting.");
    EXPECT_EQ(MessageOf([&] { mgr.Config("TrapAgentAddress=agent"); }), "-1: Value must be an IP address.");
    EXPECT_EQ(MessageOf([&] { mgr.Config("SendGetResponse=127.0.0.1:5555"); }),
              "319: Operation not permitted in current role.");
    EXPECT_EQ(mgr.RemotePort(), 5555) << "SendGetResponse sets the remote end first";

    mgr.SetActive(true);
    EXPECT_NE(mgr.Config("SocketHandle"), "-1");
    EXPECT_EQ(MessageOf([&] { mgr.Config("MaxPacketSize=100"); }),
              "112: Cannot change MaxPacketSize while the control is Active.");
    EXPECT_EQ(MessageOf([&] { mgr.Config("UseConnection=true"); }),
              "117: Cannot change UseConnection option while the control is Active.");
    mgr.SetActive(false);

    mgr.Config("UseConnection=true");
    mgr.SetRemotePort(0);
    EXPECT_EQ(
        MessageOf([&] { mgr.SetActive(true); }),
        "116: RemotePort can't be zero when UseConnection is set. Please specify a valid service port number.");
    mgr.SetRemotePort(161);
    mgr.SetRemoteHost("127.0.0.1");
    mgr.SetActive(true);
    EXPECT_EQ(MessageOf([&] { mgr.SetRemoteHost("127.0.0.2"); }),
              "114: Cannot change RemoteHost when UseConnection is set and the control is Active.");
    EXPECT_EQ(MessageOf([&] { mgr.SetRemotePort(162); }),
              "115: Cannot change RemotePort when UseConnection is set and the control is Active.");
}

// Every setting of the table is found by its name in any letter case and
// reads back what was written in the form of its kind.
TEST(Config, EveryTableSettingReadsAndWritesAsItsKind)
{
    const struct {
        TSettingKind kind;
        const char* write;
        const char* read;
        const char* why;
    } cases[] = {
        {TSettingKind::Boolean, "yes", "True", "a Boolean takes yes"},
        {TSettingKind::Boolean, "0", "False", "and reads as True / False"},
        {TSettingKind::Integer, "7", "7", "an integer reads in decimal"},
        {TSettingKind::Integer, "4096x", "4096", "digits up to the first other character"},
        {TSettingKind::Text, "127.0.0.7", "127.0.0.7", "a text reads as written"},
    };
    TvxSNMPMgr mgr;
    std::set<QString> names;
    for (const vxsnmp::TSettingEntry& entry : vxsnmp::ConfigSettings()) {
        const QString name = QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
        EXPECT_TRUE(names.insert(name.toLower()).second)
            << "a second " << name.toStdString() << " is never reached";
        const QString shouted = name.toUpper();
        if (entry.kind == TSettingKind::Fact) {
            EXPECT_FALSE(mgr.Config(shouted).isEmpty()) << name.toStdString();
            EXPECT_EQ(MessageOf([&] { mgr.Config(shouted + "=1"); }), "-1: Setting is read-only.")
                << name.toStdString();
        } else if (entry.kind == TSettingKind::Command) {
            EXPECT_EQ(mgr.Config(shouted), "") << name.toStdString() << ": a command reads as empty";
        }
        for (const auto& c : cases) {
            if (c.kind != entry.kind)
                continue;
            mgr.Config(shouted + "=" + c.write);
            EXPECT_EQ(mgr.Config(name).toStdString(), c.read) << name.toStdString() << ": " << c.why;
        }
    }
}

// Each setting keeps its own value: written one after another with distinct
// values, every one reads back its own; only TTL and TimeToLive are one.
TEST(Config, TableSettingsKeepTheirOwnValues)
{
    const auto settings = vxsnmp::ConfigSettings();
    auto nameOf = [&](std::size_t i) {
        return QString::fromUtf8(settings[i].name.data(), static_cast<qsizetype>(settings[i].name.size()));
    };
    auto valueFor = [&](std::size_t i) -> QString {
        if (nameOf(i) == "TTL" || nameOf(i) == "TimeToLive")
            return QStringLiteral("64");
        switch (settings[i].kind) {
        case TSettingKind::Boolean: return i % 2 == 0 ? "True" : "False";
        case TSettingKind::Integer: return QString::number(100 + i);
        case TSettingKind::Text: return QStringLiteral("127.0.0.%1").arg(i);
        default: return {};
        }
    };
    auto writable = [&](std::size_t i) {
        return settings[i].kind != TSettingKind::Fact && settings[i].kind != TSettingKind::Command;
    };
    TvxSNMPMgr mgr;
    for (std::size_t i = 0; i < settings.size(); ++i)
        if (writable(i))
            mgr.Config(nameOf(i) + "=" + valueFor(i));
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (!writable(i))
            continue;
        EXPECT_EQ(mgr.Config(nameOf(i)).toStdString(), valueFor(i).toStdString()) << nameOf(i).toStdString();
    }
}

// Buffer sizes, TTL and TOS written while Active reach the open socket at once.
TEST(Config, SocketOptionsReachTheOpenEndpoint)
{
    const struct {
        const char* write;
        int level;
        int option;
        int least;
        const char* why;
    } cases[] = {
        {"TimeToLive=9", IPPROTO_IP, IP_TTL, 9, "TTL of outgoing datagrams"},
        {"TTL=11", IPPROTO_IP, IP_TTL, 11, "TTL is the same setting"},
        {"QOSFlags=16", IPPROTO_IP, IP_TOS, 16, "type of service"},
        {"InBufferSize=100000", SOL_SOCKET, SO_RCVBUF, 100000, "receive buffer (Linux doubles it)"},
        {"OutBufferSize=100000", SOL_SOCKET, SO_SNDBUF, 100000, "send buffer (Linux doubles it)"},
    };
    TvxSNMPMgr mgr;
    mgr.SetLocalPort(0);
    mgr.SetActive(true);
    const int fd = mgr.Config("SocketHandle").toInt();
    ASSERT_GE(fd, 0);
    for (const auto& c : cases) {
        mgr.Config(c.write);
        int value = -1;
        socklen_t size = sizeof value;
        ASSERT_EQ(getsockopt(fd, c.level, c.option, &value, &size), 0) << c.write;
        if (c.option == SO_RCVBUF || c.option == SO_SNDBUF)
            EXPECT_GE(value, c.least) << c.write << ": " << c.why;
        else
            EXPECT_EQ(value, c.least) << c.write << ": " << c.why;
    }
}

}  // namespace
