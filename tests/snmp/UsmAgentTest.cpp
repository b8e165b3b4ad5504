// SNMPv3 against net-snmp's snmpd on 127.0.0.1: the keys it derives for its
// users, and whole requests at each security level over a plain UDP socket.
#include "TSnmpdAgent.h"
#include "TestBytes.h"
#include "snmp/UsmSession.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace vxsnmp::usm {
namespace {

using test::Hex;
using test::ToHex;
using test::TBytes;

const char* const kEngineIdText = "0x80001f8880aabbccddeeff0011";
const TBytes kEngineId = Hex("80 00 1f 88 80 aa bb cc dd ee ff 00 11");
const char* const kSysDescr = "vexgrid usm test agent";

struct TUserCase {
    const char* name;
    TSecurityLevel level;
    TAuthProtocol auth;
    const char* authWord;  // as createUser spells it
    TPrivProtocol priv;
    const char* privWord;
};

const TUserCase kUsers[] = {
    {"sha256aes", TSecurityLevel::AuthPriv, TAuthProtocol::Sha256, "SHA-256", TPrivProtocol::Aes128, "AES"},
    {"sha512aes256", TSecurityLevel::AuthPriv, TAuthProtocol::Sha512, "SHA-512", TPrivProtocol::Aes256,
     "AES-256"},
    {"md5des", TSecurityLevel::AuthPriv, TAuthProtocol::Md5, "MD5", TPrivProtocol::Des, "DES"},
    {"sha1aes192", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "SHA", TPrivProtocol::Aes192, "AES-192"},
    {"sha224aes256", TSecurityLevel::AuthPriv, TAuthProtocol::Sha224, "SHA-224", TPrivProtocol::Aes256,
     "AES-256"},
    {"sha384aes192", TSecurityLevel::AuthPriv, TAuthProtocol::Sha384, "SHA-384", TPrivProtocol::Aes192,
     "AES-192"},
    {"md5aes256", TSecurityLevel::AuthPriv, TAuthProtocol::Md5, "MD5", TPrivProtocol::Aes256, "AES-256"},
    {"sha384auth", TSecurityLevel::AuthNoPriv, TAuthProtocol::Sha384, "SHA-384", TPrivProtocol::None, ""},
};

constexpr const char* kAuthPassword = "maplesyrup";
constexpr const char* kPrivPassword = "syrup-for-privacy";

std::vector<std::string> AgentLines()
{
    std::vector<std::string> lines = {std::string("exactEngineID ") + kEngineIdText,
                                      std::string("sysDescr ") + kSysDescr, "createUser noauth",
                                      "rouser noauth noauth"};
    for (const TUserCase& u : kUsers) {
        std::string create = std::string("createUser ") + u.name + " " + u.authWord + " " + kAuthPassword;
        if (u.priv != TPrivProtocol::None)
            create += std::string(" ") + u.privWord + " " + kPrivPassword;
        lines.push_back(create);
        lines.push_back(std::string("rouser ") + u.name
                        + (u.level == TSecurityLevel::AuthPriv ? " priv" : " auth"));
    }
    return lines;
}

TUsmUser UserOf(const TUserCase& u)
{
    return {u.name, u.level, u.auth, kAuthPassword, u.priv, kPrivPassword};
}

// A UDP socket connected to the agent; Exchange sends one datagram and waits
// for one answer (an empty answer after three seconds of silence).
class TClient {
public:
    explicit TClient(int port)
    {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    ~TClient() { close(fd); }

    TBytes Exchange(const TBytes& request)
    {
        if (send(fd, request.data(), request.size(), 0) != static_cast<ssize_t>(request.size()))
            return {};
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) != 1)
            return {};
        TBytes answer(65536);
        const ssize_t n = recv(fd, answer.data(), answer.size(), 0);
        answer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return answer;
    }

private:
    int fd = -1;
};

struct UsmAgent : ::testing::Test {
    static void SetUpTestSuite()
    {
        agent = std::make_unique<vxtest::TSnmpdAgent>(AgentLines());
        started = agent->Start();
    }
    static void TearDownTestSuite() { agent.reset(); }
    void SetUp() override { ASSERT_TRUE(started) << started.message(); }

    // Discovery: the empty request, answered by a usmStatsUnknownEngineIDs report.
    ::testing::AssertionResult Discover(TUsmSession& session)
    {
        TBytes request;
        if (v3::BuildDiscoveryMessage(nextMsgId++, 77, request))
            return ::testing::AssertionFailure() << "discovery message not built";
        const TBytes report = client.Exchange(request);
        TAnswer answer;
        const int code = session.OpenAnswer(report, answer, in, *table);
        if (code || answer.report != v3::TReportKind::UnknownEngineIds)
            return ::testing::AssertionFailure()
                << "discovery answer: code " << code << ", " << v3::ReportName(answer.report);
        if (int c = session.SetEngine(answer.usm.engineId, answer.usm.boots, answer.usm.time))
            return ::testing::AssertionFailure() << "keys not localized: " << UsmText(c);
        return ::testing::AssertionSuccess();
    }

    // A GetRequest for sysDescr.0; the answer's code, with `answer` filled.
    int GetSysDescr(TUsmSession& session, TAnswer& answer)
    {
        table->Reset();
        table->count = 1;
        table->slot[0].oid = "1.3.6.1.2.1.1.1.0";
        TBytes request;
        if (int code = session.BuildRequest(nextMsgId++, Tag::GetRequest, out, *table, "", request))
            return code;
        const TBytes received = client.Exchange(request);
        if (received.empty())
            return -1;  // silence
        return session.OpenAnswer(received, answer, in, *table);
    }

    static inline std::unique_ptr<vxtest::TSnmpdAgent> agent;
    static inline ::testing::AssertionResult started = ::testing::AssertionFailure();
    TClient client{agent ? agent->Port() : 0};
    std::unique_ptr<TBindingTable> table = std::make_unique<TBindingTable>();
    TIncoming in;
    TOutgoing out;
    std::int32_t nextMsgId = 1000;
};

TEST_F(UsmAgent, GetsSysDescrAtEachLevelAndProtocolPair)
{
    std::vector<TUserCase> cases(std::begin(kUsers), std::end(kUsers));
    cases.push_back(
        {"noauth", TSecurityLevel::NoAuthNoPriv, TAuthProtocol::None, "", TPrivProtocol::None, ""});
    for (const TUserCase& u : cases) {
        SCOPED_TRACE(u.name);
        TUsmSession session;
        ASSERT_EQ(session.SetUser(UserOf(u)), 0);
        session.SetMaxMessageSize(8192);  // the engine's default receive buffer
        ASSERT_TRUE(Discover(session));
        EXPECT_EQ(ToHex(session.EngineId()), ToHex(kEngineId));
        TAnswer answer;
        ASSERT_EQ(GetSysDescr(session, answer), 0);
        EXPECT_EQ(in.pduTag, static_cast<std::uint8_t>(Tag::GetResponse));
        EXPECT_EQ(answer.authentic, u.level != TSecurityLevel::NoAuthNoPriv);
        EXPECT_EQ(answer.usm.privParams.size(), u.level == TSecurityLevel::AuthPriv ? 8u : 0u);
        ASSERT_EQ(table->count, 1);
        EXPECT_EQ(table->slot[0].value, kSysDescr);
        EXPECT_EQ(ToHex(answer.contextEngineId), ToHex(kEngineId));
    }
}

TEST_F(UsmAgent, FaultsComeBackAsNamedReports)
{
    struct Case {
        TUsmUser user;
        v3::TReportKind report;
        const char* why;
    } const cases[] = {
        {{"sha256aes", TSecurityLevel::AuthPriv, TAuthProtocol::Sha256, "wrong-password",
          TPrivProtocol::Aes128, kPrivPassword},
         v3::TReportKind::WrongDigests,
         "wrong authentication password"},
        {{"nobody-here", TSecurityLevel::AuthNoPriv, TAuthProtocol::Sha1, kAuthPassword, TPrivProtocol::None,
          ""},
         v3::TReportKind::UnknownUserNames,
         "unknown user"},
        {{"sha384auth", TSecurityLevel::AuthPriv, TAuthProtocol::Sha384, kAuthPassword, TPrivProtocol::Aes128,
          kPrivPassword},
         v3::TReportKind::UnsupportedSecLevels,
         "privacy for a user without a privacy key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TUsmSession session;
        ASSERT_EQ(session.SetUser(c.user), 0);
        ASSERT_TRUE(Discover(session));
        TAnswer answer;
        ASSERT_EQ(GetSysDescr(session, answer), 0);
        EXPECT_EQ(in.pduTag, static_cast<std::uint8_t>(Tag::Report));
        EXPECT_EQ(v3::ReportName(answer.report), v3::ReportName(c.report)) << answer.reportOid;
    }
}

TEST_F(UsmAgent, WrongPrivacyPasswordIsMetWithSilence)
{
    TUsmSession session;
    ASSERT_EQ(session.SetUser({"sha256aes", TSecurityLevel::AuthPriv, TAuthProtocol::Sha256, kAuthPassword,
                               TPrivProtocol::Aes128, "not-the-privacy-word"}),
              0);
    ASSERT_TRUE(Discover(session));
    TAnswer answer;
    const int code = GetSysDescr(session, answer);
    // snmpd drops a request it cannot decrypt; some agents report decryptionErrors instead.
    EXPECT_TRUE(code == -1 || answer.report == v3::TReportKind::DecryptionErrors) << code;
}

TEST_F(UsmAgent, StaleClockIsResynchronisedByTheTimeWindowReport)
{
    TUsmSession session;
    ASSERT_EQ(session.SetUser(UserOf(kUsers[0])), 0);
    ASSERT_TRUE(Discover(session));
    const std::uint32_t boots = session.Boots();
    ASSERT_GE(boots, 1u);
    // As if the agent had restarted since: our boots are one behind.
    ASSERT_EQ(session.SetEngine(kEngineId, boots - 1, 0), 0);
    TAnswer answer;
    ASSERT_EQ(GetSysDescr(session, answer), 0);
    EXPECT_EQ(answer.report, v3::TReportKind::NotInTimeWindows);
    EXPECT_TRUE(answer.authentic);
    EXPECT_EQ(session.Boots(), boots);
    ASSERT_EQ(GetSysDescr(session, answer), 0);  // sent once more, now in the window
    EXPECT_EQ(table->slot[0].value, kSysDescr);
}

// The usmUser lines snmpd writes into its persistent file when it stops:
//   usmUser 1 3 0xENGINE "name" "name" NULL AUTHOID 0xAUTHKEY PRIVOID 0xPRIVKEY ""
TEST(UsmAgentKeys, LocalizedKeysMatchThoseTheAgentStores)
{
    vxtest::TSnmpdAgent agent(AgentLines());
    ASSERT_TRUE(agent.Start());
    const std::string persistFile = agent.Folder() + "/persist/snmpd.conf";
    agent.Stop();
    std::ifstream file(persistFile);
    ASSERT_TRUE(file) << persistFile;
    int checked = 0;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string word, engine, name, skip, authOid, authKey, privOid, privKey;
        words >> word;
        if (word != "usmUser")
            continue;
        words >> skip >> skip >> engine >> name >> skip >> skip >> authOid >> authKey >> privOid >> privKey;
        for (const TUserCase& u : kUsers) {
            if (name != std::string("\"") + u.name + "\"" || u.priv == TPrivProtocol::None)
                continue;
            SCOPED_TRACE(u.name);
            EXPECT_EQ(ToHex(Hex(engine.substr(2))), ToHex(kEngineId));
            TKey ourAuth, ourPriv;
            ASSERT_EQ(LocalizedKey(u.auth, kAuthPassword, kEngineId, ourAuth), 0);
            ASSERT_EQ(PrivacyKey(u.auth, u.priv, kPrivPassword, kEngineId, ourPriv), 0);
            EXPECT_EQ(ToHex(ourAuth), ToHex(Hex(authKey.substr(2))));
            EXPECT_EQ(ToHex(ourPriv), ToHex(Hex(privKey.substr(2))));
            ++checked;
        }
    }
    EXPECT_EQ(checked, 7) << "every user with a privacy key was found in " << persistFile;
}

}  // namespace
}  // namespace vxsnmp::usm
