// TUsmSession: one user's security state toward one agent, for the request
// engine. It turns a PDU into an SNMPv3 request at the user's security level
// and an answer back into a PDU, keeping the agent's engine ID, boots and time.
//
//   usm::TUsmSession session;
//   session.SetUser(user);                          // checks it, derives Ku once
//   v3::BuildDiscoveryMessage(msgId, requestId, datagram);    // send it
//   session.OpenAnswer(report, answer, in, table);  // usmStatsUnknownEngineIDs
//   session.SetEngine(answer.usm.engineId, answer.usm.boots, answer.usm.time);
//   session.BuildRequest(msgId, Tag::GetRequest, out, table, "", datagram);
//   session.OpenAnswer(received, answer, in, table);  // the GetResponse
//
// An authentic answer moves the kept boots and time forward, so a
// usmStatsNotInTimeWindows report resynchronises the clock by itself: the
// caller then sends the request once more.
#pragma once

#include "snmp/SnmpV3Message.h"
#include "snmp/UsmKeys.h"
#include "snmp/UsmPrivacy.h"

#include <chrono>
#include <string>

namespace vxsnmp::usm {

using TClock = std::chrono::steady_clock;

// The time window of the user-based security model, seconds.
inline constexpr std::uint32_t kTimeWindow = 150;

struct TUsmUser {
    std::string name;
    TSecurityLevel level = TSecurityLevel::NoAuthNoPriv;
    TAuthProtocol auth = TAuthProtocol::None;
    std::string authPassword;
    TPrivProtocol priv = TPrivProtocol::None;
    std::string privPassword;
};

// What OpenAnswer found besides the PDU.
struct TAnswer {
    v3::THeader header;
    v3::TUsmParameters usm;
    v3::TBytes contextEngineId;
    std::string contextName;
    bool authentic = false;                             // digest verified
    v3::TReportKind report = v3::TReportKind::Unknown;  // for a Report PDU
    std::string reportOid;                              // its first binding's OID, for a Report PDU
};

class TUsmSession {
public:
    // SetUser checks that the level has its protocols and passwords, derives
    // the password keys and forgets the localized ones. Returns 0,
    // kNoProtocol or kShortPassword (the user is then not set), kCryptoFailed.
    int SetUser(const TUsmUser& user);
    const TUsmUser& User() const { return user; }

    // SetEngine takes the agent's engine ID, boots and time (from discovery)
    // and localizes the keys when the engine ID changed.
    int SetEngine(std::span<const std::uint8_t> engineId, std::uint32_t boots, std::uint32_t time,
                  TClock::time_point now = TClock::now());
    bool Discovered() const { return discovered; }
    const v3::TBytes& EngineId() const { return engineId; }
    std::uint32_t Boots() const { return boots; }
    // The agent's engine time now, as estimated from the last synchronisation.
    std::uint32_t EngineTime(TClock::time_point now = TClock::now()) const;
    // Forget the agent (after it restarted with a new engine ID, for example).
    void ForgetEngine();

    // The largest answer we can take (the receive buffer), announced as msgMaxSize.
    void SetMaxMessageSize(std::int32_t size) { maxMessageSize = size; }

    // BuildRequest builds a request at the user's level; the PDU comes from
    // BuildPdu (request id advanced as there). Returns kOk, kBuildFailed with
    // `errorText`, kUnknownEngine before discovery, or a USM code.
    int BuildRequest(std::int32_t msgId, Tag pduTag, TOutgoing& out, TBindingTable& table,
                     std::string_view contextName, v3::TBytes& datagram, std::string* errorText = nullptr,
                     TClock::time_point now = TClock::now());

    // OpenAnswer parses an answer, verifies and decrypts it as its flags say,
    // checks the time window, and parses its PDU into `in` and `table`.
    // Unauthenticated reports are opened too (discovery, wrong digest); any
    // other answer must carry the user's level. Returns kOk, the parser's
    // codes, kUnknownEngine, kUnknownUser, kWrongDigest, kDecryptionError,
    // kNotInTimeWindow or kUnsupportedLevel.
    int OpenAnswer(std::span<const std::uint8_t> datagram, TAnswer& answer, TIncoming& in,
                   TBindingTable& table, TClock::time_point now = TClock::now());

private:
    int Authenticate(std::span<const std::uint8_t> datagram, const v3::TParsed& parsed,
                     TClock::time_point now);
    int CheckTimeWindow(const v3::TUsmParameters& usm, TClock::time_point now);

    TUsmUser user;
    TKey authKu, privKu;    // from the passwords
    TKey authKey, privKey;  // localized for the engine
    v3::TBytes engineId;
    bool discovered = false;
    std::uint32_t boots = 0;
    std::uint32_t latestTime = 0;  // latestReceivedEngineTime
    TClock::time_point timeSetAt{};
    TSaltCounter salts;
    std::int32_t maxMessageSize = v3::kDefaultMaxSize;
};

// The scoped PDU of a parsed message, decrypted with `key` first unless
// priv is None (`plain` then holds the plaintext `scoped` points into).
// Decrypt's code when the ciphertext does not decrypt; kDecryptionError
// when its plaintext is no scoped PDU; the parse's code for a plain one.
int OpenScopedPdu(const v3::TParsed& parsed, TPrivProtocol priv, std::span<const std::uint8_t> key,
                  v3::TBytes& plain, v3::TScopedPdu& scoped);

}  // namespace vxsnmp::usm
