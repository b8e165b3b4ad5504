// Config settings: names without regard to case, Boolean and integer forms,
// refusals while Active, read-only facts.
#include "EngineTestSupport.h"
#include "TvxSNMPMgr.h"

#include <gtest/gtest.h>

using vxsnmp::EvxSNMPMgr;
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
        {"YES", "True"}, {"no", "False"}, {"yes", "True"}, {"0", "False"}, {"1", "True"},
        {"", "False"},  // a name followed by "=" writes an empty value
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
        {"IgnorePortMismatch", "False"}, {"TimeWindow", "150"},   {"TrapPort", "162"},
        {"TrapCommunity", "tamvel"},     {"UseConnection", "False"}, {"ShareLocalPort", "False"},
        {"MaxPacketSize", "8192"},       {"InBufferSize", "32768"}, {"OutBufferSize", "32768"},
        {"TimeToLive", "0"},             {"TTL", "0"},             {"QOSFlags", "0"},
        {"SocketHandle", "-1"},          {"TimeoutInMilliseconds", "False"},
        {"AbsoluteTimeout", "False"},    {"WinsockLoaded", "True"}, {"WinsockStatus", "Running."},
        {"WinsockMaxDatagramSize", "65507"}, {"CodePage", "0"},    {"CharsetMode", "0"},
        {"ForceLocalPort[1]", "True"},   {"forcelocalport(2)", "True"},  // an index is taken apart
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
    EXPECT_EQ(MessageOf([&] { mgr.SetActive(true); }),
              "116: RemotePort can't be zero when UseConnection is set. Please specify a valid service port number.");
    mgr.SetRemotePort(161);
    mgr.SetRemoteHost("127.0.0.1");
    mgr.SetActive(true);
    EXPECT_EQ(MessageOf([&] { mgr.SetRemoteHost("127.0.0.2"); }),
              "114: Cannot change RemoteHost when UseConnection is set and the control is Active.");
    EXPECT_EQ(MessageOf([&] { mgr.SetRemotePort(162); }),
              "115: Cannot change RemotePort when UseConnection is set and the control is Active.");
}

}  // namespace
