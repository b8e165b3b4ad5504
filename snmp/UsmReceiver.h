// TUsmReceiver: the user-based security of SNMPv3 notifications that reach
// this program unasked.
//
//   traps    the sender is the authoritative engine: its engine ID travels in
//            the message, the user's keys are localized to it (and kept per
//            engine), and its boots and time are learned from the first
//            authentic message and kept per engine for the time window.
//   informs  this program is authoritative: an engine ID of its own, boots
//            and a time that runs from SetLocalEngine. A sender first asks
//            for them (a reportable message with an empty engine ID), which
//            is answered with a usmStatsUnknownEngineIDs report.
//
//   receiver.SetLocalEngine(engineId, boots);
//   receiver.AddUser(user);                                // derives Ku once
//   code = receiver.Open(datagram, received, in, table);
//   if (code == 0 && inform) receiver.BuildResponse(received, in, table, reply);
//   else if (code != 0 && received.Reportable()) receiver.BuildReport(received, in, reply);
//
// A message is taken only at the level its user is configured for: a user
// with authentication and privacy never accepts a plain message under its
// name, so nothing unauthenticated reads as that user's.
#pragma once

#include "snmp/UsmSession.h"

#include <map>
#include <string>
#include <vector>

namespace vxsnmp::usm {

// What Open found besides the PDU.
struct TReceived {
    v3::THeader header;
    v3::TUsmParameters usm;
    v3::TBytes contextEngineId;
    std::string contextName;
    TSecurityLevel level = TSecurityLevel::NoAuthNoPriv;
    // The counter a refused message adds to, and so the report it deserves.
    v3::TReportKind refusal = v3::TReportKind::Unknown;

    bool Reportable() const { return (header.flags & v3::kReportableFlag) != 0; }
};

// Messages refused, by the counter they add to.
struct TReceiverStats {
    std::uint32_t unknownEngineIds = 0;  // also every engine discovery answered
    std::uint32_t unknownUserNames = 0;
    std::uint32_t unsupportedSecLevels = 0;
    std::uint32_t wrongDigests = 0;
    std::uint32_t notInTimeWindows = 0;
    std::uint32_t decryptionErrors = 0;
};

class TUsmReceiver {
public:
    // The engine this program is for informs; its time starts at 0 now.
    void SetLocalEngine(const v3::TBytes& engineId, std::uint32_t boots,
                        TClock::time_point now = TClock::now());
    const v3::TBytes& LocalEngineId() const { return localEngineId; }
    std::uint32_t LocalBoots() const { return localBoots; }
    std::uint32_t LocalTime(TClock::time_point now = TClock::now()) const;

    // AddUser checks the user as TUsmSession::SetUser does and derives its
    // password keys; a user of the same name is replaced. Returns 0,
    // kNoProtocol, kShortPassword or kCryptoFailed (nothing is added then).
    int AddUser(const TUsmUser& user);
    void ClearUsers();
    std::size_t UserCount() const { return users.size(); }

    // Open verifies, decrypts and parses one message that is no answer to a
    // request of ours. Returns kOk with the PDU in `in` and `table`; the
    // parser's codes; or kUnknownEngine (an engine discovery, or an inform
    // for another engine), kUnknownUser, kUnsupportedLevel, kWrongDigest,
    // kNotInTimeWindow, kDecryptionError, with `received.refusal` set and
    // counted. `in` holds the request id when the PDU could be read.
    int Open(std::span<const std::uint8_t> datagram, TReceived& received, TIncoming& in, TBindingTable& table,
             TClock::time_point now = TClock::now());

    // BuildReport answers a refused reportable message with the report of its
    // counter, from this engine: unauthenticated, except a time-window report
    // to a known user, which is signed so that the sender can trust the
    // boots and time it carries. Returns 0 or kBuildFailed / a USM code.
    int BuildReport(const TReceived& received, const TIncoming& in, v3::TBytes& datagram,
                    TClock::time_point now = TClock::now());

    // BuildResponse answers an inform opened by Open with a Response holding
    // `table` (its bindings), at the inform's level, from this engine.
    int BuildResponse(const TReceived& received, const TIncoming& in, TBindingTable& table,
                      v3::TBytes& datagram, TClock::time_point now = TClock::now());

    const TReceiverStats& Stats() const { return stats; }

private:
    struct TLocalKeys {
        TKey auth, priv;
    };
    struct TUser {
        TUsmUser settings;
        TKey authKu, privKu;
        std::map<v3::TBytes, TLocalKeys> keys;  // per authoritative engine ID
    };
    // A sender's clock, as its authentic traps tell it.
    struct TSenderClock {
        std::uint32_t boots = 0;
        std::uint32_t latestTime = 0;
        TClock::time_point setAt{};
    };

    int Refuse(TReceived& received, v3::TReportKind kind, int code);
    int Authenticate(std::span<const std::uint8_t> datagram, const v3::TParsed& parsed, TUser& user,
                     TReceived& received, TClock::time_point now);
    int OpenScopedPdu(const v3::TParsed& parsed, const TLocalKeys* keys, const TUser& user,
                      TReceived& received, TIncoming& in, TBindingTable& table);
    int CheckLocalWindow(const v3::TUsmParameters& usm, TClock::time_point now) const;
    int CheckSenderWindow(const v3::TUsmParameters& usm, TClock::time_point now);
    int KeysFor(TUser& user, const v3::TBytes& engineId, const TLocalKeys*& keys);
    TUser* Find(const std::string& name);
    std::uint32_t CountOf(v3::TReportKind kind) const;
    int Seal(const v3::THeader& header, const std::string& userName, TUser* user,
             std::span<const std::uint8_t> scoped, v3::TBytes& datagram, TClock::time_point now);

    v3::TBytes localEngineId;
    std::uint32_t localBoots = 0;
    TClock::time_point localStart{};
    std::vector<TUser> users;
    std::map<v3::TBytes, TSenderClock> senders;
    TSaltCounter salts;
    TReceiverStats stats;
};

}  // namespace vxsnmp::usm
