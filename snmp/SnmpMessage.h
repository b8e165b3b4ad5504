// SNMPv1 / SNMPv2c message building and parsing over the engine's binding table.
//
// This header is the contract between the codec and the request engine. The
// codec never throws on input it is given: every function returns a result code
// (0 on success), and the engine turns codes into errors at its own boundary.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vxsnmp {

// Tags of the PDUs and values the engine meets on the wire.
enum class Tag : std::uint8_t {
    Integer = 0x02,
    OctetString = 0x04,
    Null = 0x05,
    ObjectId = 0x06,
    Sequence = 0x30,
    IpAddress = 0x40,
    Counter32 = 0x41,
    Gauge32 = 0x42,
    TimeTicks = 0x43,
    Opaque = 0x44,
    Counter64 = 0x46,
    Unsigned32 = 0x47,
    NoSuchObject = 0x80,
    NoSuchInstance = 0x81,
    EndOfMibView = 0x82,
    GetRequest = 0xA0,
    GetNextRequest = 0xA1,
    GetResponse = 0xA2,
    SetRequest = 0xA3,
    TrapV1 = 0xA4,
    GetBulkRequest = 0xA5,
    InformRequest = 0xA6,
    TrapV2 = 0xA7,
    Report = 0xA8,
};

// Result codes of building and parsing.
enum Code : int {
    kOk = 0,
    kBadVersion = 305,   // version field neither 0 nor 1 (SNMPv3 is not handled: never used)
    kBadPduTag = 306,    // PDU tag outside 0xA0..0xA8
    kBuildFailed = 445,  // an element does not fit
    kMalformed = 446,    // an element is malformed or runs past its container
    kMissing = 447,      // an element that must be present is missing
};

// The binding table holds this many slots; bindings after the last are ignored.
inline constexpr int kMaxBindings = 256;

// One variable binding: OID as dotted decimal text, the BER tag number of the
// value as type code, and the value as bytes (display text for most types, raw
// bytes for string types; may contain zero bytes).
struct TBinding {
    std::string oid;
    std::uint8_t type = 0x04;
    std::string value;
};

// The engine's binding table: fixed slots, numbered 1..count for the user.
struct TBindingTable {
    std::array<TBinding, kMaxBindings> slot;
    int count = 0;
    // Slots 0..inUse-1 may hold something since the last Reset (a count set
    // higher and lowered again leaves its slots filled); Reset clears those.
    int inUse = 0;

    // The slot at 0-based position i (0 <= i < kMaxBindings).
    TBinding& Slot(int i) { return slot[static_cast<std::size_t>(i)]; }
    const TBinding& Slot(int i) const { return slot[static_cast<std::size_t>(i)]; }

    // Empties the table: count 0, every slot back to type 4 with empty texts
    // (only the slots used since the last Reset need clearing).
    void Reset();
    // Sets count and notes that its slots are in use.
    void SetCount(int n)
    {
        count = n;
        inUse = n > inUse ? n : inUse;
    }
};

// What an outgoing message carries besides the bindings.
struct TOutgoing {
    int version = 1;  // on-the-wire version: 0 = SNMPv1, 1 = SNMPv2c
    std::string community = "tamvel";
    std::int32_t requestId = 1;  // advanced by one for every message built
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
};

// The fields of the last datagram parsed.
struct TIncoming {
    int version = 0;  // as on the wire
    std::string community;
    std::uint8_t pduTag = 0;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;  // non-repeaters for GetBulkRequest
    std::int32_t errorIndex = 0;   // max-repetitions for GetBulkRequest
    // SNMPv1 trap fields (PDU tag 0xA4 or 0xA7 with version 0).
    std::string enterprise;
    std::string agentAddress;
    std::int32_t genericTrap = 0;
    std::int32_t specificTrap = 0;
    std::uint32_t timeStamp = 0;

    void Reset();
};

// BuildMessage builds one datagram with the given PDU tag from `out` and the
// bindings 1..table.count into `datagram` (replaced). A GetRequest or
// GetBulkRequest first sets every binding's type to 5 (NULL); a
// GetBulkRequest carries out.errorStatus as non-repeaters and out.errorIndex
// as max-repetitions. On success `out.requestId` has advanced by
// one. On failure returns kBuildFailed, sets `errorText` to
// "Error building SNMP PDU." (a binding or the PDU does not fit: an OID whose
// content passes 128 bytes or has a sub-identifier above 32 bits, an element
// above 65535 bytes) or "Error building SNMP packet." (the community or the
// whole message does not fit, or `out.version` is neither 0 nor 1), empties
// `datagram` and leaves the request id unchanged.
int BuildMessage(TOutgoing& out, Tag pduTag, TBindingTable& table, std::vector<std::uint8_t>& datagram,
                 std::string* errorText = nullptr);

// ParseMessage parses one received datagram into `in` and replaces the binding
// table with its bindings (at most kMaxBindings). Returns kOk, kBadVersion,
// kBadPduTag, kMalformed or kMissing. Never reads outside `datagram`. On a
// failure the table holds the bindings decoded before the fault; slots past
// `count` that were in use are returned to the new-slot state either way.
int ParseMessage(std::span<const std::uint8_t> datagram, TIncoming& in, TBindingTable& table);

// BuildPdu builds only the PDU element, as BuildMessage would put it after the
// community; SNMPv3 wraps it in a scoped PDU. `out.version` and
// `out.community` are not used. Same results and request-id advance as
// BuildMessage ("Error building SNMP PDU." on failure).
int BuildPdu(TOutgoing& out, Tag pduTag, TBindingTable& table, std::vector<std::uint8_t>& pdu,
             std::string* errorText = nullptr);

// ParsePduElement parses the PDU element at the start of `bytes` (bytes after
// it are ignored) into `in` and the binding table, as ParseMessage does for
// the PDU of a whole message. `in.version` is set to `version` (3 for the PDU
// of an SNMPv3 scoped PDU) and the community stays empty. Same result codes
// and table handling as ParseMessage.
int ParsePduElement(std::span<const std::uint8_t> bytes, int version, TIncoming& in, TBindingTable& table);

// StatusName gives the name of an SNMP error-status ("noError", "tooBig", ...,
// "<unknown error>").
std::string_view StatusName(std::int32_t status);

}  // namespace vxsnmp
