// The SNMPv3 message with user-based security parameters, built and parsed
// without any cryptography (that is the USM library's part).
//
//   30 ..                                  message SEQUENCE
//      02 01 03                            msgVersion 3
//      30 ..                               msgGlobalData
//         02 .. msgID   02 .. msgMaxSize
//         04 01 flags                      auth 0x01, priv 0x02, reportable 0x04
//         02 01 03                         msgSecurityModel: USM
//      04 .. 30 ..                         msgSecurityParameters: OCTET STRING around
//         04 .. engine ID                    msgAuthoritativeEngineID
//         02 .. boots   02 .. time           msgAuthoritativeEngineBoots / Time
//         04 .. user name                    msgUserName
//         04 .. auth params                  msgAuthenticationParameters (HMAC)
//         04 .. priv params                  msgPrivacyParameters (salt)
//      30 .. scoped PDU                    plaintext: contextEngineID, contextName, PDU
//   or 04 .. encrypted scoped PDU          with the priv flag
#pragma once

#include "snmp/SnmpMessage.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vxsnmp::v3 {

using TBytes = std::vector<std::uint8_t>;

inline constexpr std::int32_t kVersion3 = 3;
inline constexpr std::int32_t kUserBasedSecurityModel = 3;
// The largest message we take, and so announce (the largest UDP payload over IPv4).
inline constexpr std::int32_t kDefaultMaxSize = 65507;

enum Flags : std::uint8_t { kAuthFlag = 0x01, kPrivFlag = 0x02, kReportableFlag = 0x04 };

// Result codes after the codec's (which the parser also returns).
enum Code : int {
    kNotVersion3 = 480,       // a well-formed message of another version
    kBadSecurityModel = 481,  // msgSecurityModel is not the user-based model
    kBadFlags = 482,          // privacy without authentication
};

// msgSecurityParameters of the user-based security model.
struct TUsmParameters {
    TBytes engineId;
    std::uint32_t boots = 0;
    std::uint32_t time = 0;
    std::string userName;
    TBytes authParams;  // zeros of the MAC length when built for signing
    TBytes privParams;  // the salt, or empty
};

// The header fields of one message.
struct THeader {
    std::int32_t msgId = 0;
    std::int32_t maxSize = kDefaultMaxSize;
    std::uint8_t flags = 0;
    std::int32_t securityModel = kUserBasedSecurityModel;
};

// BuildScopedPdu wraps a PDU element (from BuildPdu) into the scoped PDU
// SEQUENCE. Returns kOk or kBuildFailed.
int BuildScopedPdu(std::span<const std::uint8_t> contextEngineId, std::string_view contextName,
                   std::span<const std::uint8_t> pdu, TBytes& scoped);

// BuildMessage builds a whole message. `msgData` is the scoped PDU SEQUENCE,
// or with the priv flag the encrypted scoped PDU (wrapped here in an OCTET
// STRING). `authOffset`, when given, receives the position of the
// authentication parameters' content in `datagram`, where SignMessage writes.
// Returns kOk or kBuildFailed (an element above 65535 bytes, or boots or time
// above 2^31 - 1); `datagram` is then empty.
int BuildMessage(const THeader& header, const TUsmParameters& usm, std::span<const std::uint8_t> msgData,
                 TBytes& datagram, std::size_t* authOffset = nullptr);

// BuildDiscoveryMessage builds the message that asks an agent for its engine
// ID, boots and time: reportable, noAuthNoPriv, empty engine ID and user, and
// an empty GetRequest (no bindings) with `requestId`.
int BuildDiscoveryMessage(std::int32_t msgId, std::int32_t requestId, TBytes& datagram);

// What ParseMessage found. The spans point into the parsed datagram.
struct TParsed {
    THeader header;
    TUsmParameters usm;
    std::size_t authOffset = 0;               // of the auth params' content in the datagram
    std::span<const std::uint8_t> scopedPdu;  // the plaintext SEQUENCE element, or empty
    std::span<const std::uint8_t> encrypted;  // the encrypted scoped PDU, or empty
};

// ParseMessage reads the message layers down to msgData. Returns kOk, the
// codec's kMalformed or kMissing, kNotVersion3, kBadSecurityModel or kBadFlags.
// Never reads outside `datagram`.
int ParseMessage(std::span<const std::uint8_t> datagram, TParsed& parsed);

// MessageVersion reads only the version of a message: 0, 1 or 3 as on the
// wire, or -1 when the datagram does not start like an SNMP message.
int MessageVersion(std::span<const std::uint8_t> datagram);

// What ParseScopedPdu found; `pdu` points at the PDU element.
struct TScopedPdu {
    TBytes contextEngineId;
    std::string contextName;
    std::span<const std::uint8_t> pdu;
};

// ParseScopedPdu reads a scoped PDU SEQUENCE at the start of `bytes` (bytes
// after it, such as DES padding, are ignored). The PDU itself is then read
// by ParsePduElement. Returns kOk, kMalformed or kMissing.
int ParseScopedPdu(std::span<const std::uint8_t> bytes, TScopedPdu& scoped);

// The counters whose OID a Report PDU carries as its first binding.
enum class TReportKind : std::uint8_t {
    Unknown,
    UnsupportedSecLevels,   // usmStatsUnsupportedSecLevels
    NotInTimeWindows,       // usmStatsNotInTimeWindows
    UnknownUserNames,       // usmStatsUnknownUserNames
    UnknownEngineIds,       // usmStatsUnknownEngineIDs
    WrongDigests,           // usmStatsWrongDigests
    DecryptionErrors,       // usmStatsDecryptionErrors
    UnknownSecurityModels,  // snmpUnknownSecurityModels
    InvalidMsgs,            // snmpInvalidMsgs
    UnknownPduHandlers,     // snmpUnknownPDUHandlers
    UnavailableContexts,    // snmpUnavailableContexts
    UnknownContexts,        // snmpUnknownContexts
};

// ReportKindOf names the counter of a Report's first binding OID (with or
// without its ".0" instance).
TReportKind ReportKindOf(std::string_view oid);
// ReportName gives the counter's MIB name ("usmStatsUnknownEngineIDs", ...;
// "unknown report" for Unknown).
std::string_view ReportName(TReportKind kind);
// ReportOid gives the counter's OID without its ".0" instance ("" for Unknown).
std::string_view ReportOid(TReportKind kind);

}  // namespace vxsnmp::v3
