// The engine's configuration settings (read and written through Config): the
// values, the table that names them, and the small parsers of a setting text.
#pragma once

#include "snmp/SnmpMessage.h"

#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vxsnmp {

struct TEngineSettings {
    // SNMP layer
    bool ignorePortMismatch = false;
    // Take datagrams only from the remote port and the remote host's
    // addresses; others are dropped with OnBadPacket 318 before parsing.
    bool acceptRemoteOnly = false;
    int timeWindow = 150;  // seconds (SNMPv3)
    int trapPort = 162;
    std::string trapAgentAddress;
    std::string trapEnterprise;
    // snmpEngineBoots of this engine, as a notification receiver (SNMPv3).
    int localEngineBoots = 1;
    // UDP layer
    bool forceLocalPort = true;
    bool useConnection = false;
    bool shareLocalPort = false;
    int maxPacketSize = 8192;  // receive buffer, bytes
    int inBufferSize = 32768;
    int outBufferSize = 32768;
    int timeToLive = 0;  // 0 = the system's default
    int qosFlags = 0;
    // socket layer
    bool timeoutInMilliseconds = false;
    bool absoluteTimeout = false;
    // character set (texts pass through as bytes; kept for callers that set them)
    int codePage = 0;
    int charsetMode = 0;
};

// The largest receive buffer MaxPacketSize may ask for: a UDP datagram over
// IPv4 carries at most 65507 bytes, so 65536 holds any of them.
inline constexpr int kMaxPacketSizeLimit = 65536;

class TUdpEndpoint;

// How a setting's value reads and writes.
enum class TSettingKind {
    Boolean,  // reads "True" / "False"; writes take ParseBoolean
    Integer,  // decimal, clamped to the entry's range
    Text,     // stored as written
    Fact,     // read-only: a fact of the endpoint or the socket layer
    Command,  // write-only: the value is the argument of an action; reads as empty
};

// What a write checks or does besides storing the value.
enum class TSettingRule {
    Store,
    IpAddress,           // the value must be a dotted IPv4 address
    RefusedWhileActive,  // only while the endpoint is closed; the entry names code and text
    ApplyBufferSizes,    // an open endpoint takes the new buffer sizes at once
    ApplyIpOptions,      // an open endpoint takes the new TTL and TOS at once
};

using TSettingFact = std::string (*)(const TUdpEndpoint& endpoint);

// Where a setting's value lives. Commands have none.
using TSettingField = std::variant<std::monostate, bool TEngineSettings::*, int TEngineSettings::*,
                                   std::string TEngineSettings::*, std::string TOutgoing::*, TSettingFact>;

struct TSettingEntry {
    std::string_view name;
    TSettingKind kind;
    TSettingField field;
    TSettingRule rule = TSettingRule::Store;
    int refusalCode = 0;  // RefusedWhileActive
    const char* refusalText = nullptr;
    int minimum = INT_MIN;  // Integer: written values are clamped to minimum..maximum
    int maximum = INT_MAX;
};

// Every setting Config knows, in lookup order (SNMP, UDP, socket, character set).
std::span<const TSettingEntry> ConfigSettings();

// The entry named `name` without regard to letter case, or null.
const TSettingEntry* FindSetting(std::string_view name);

// One parsed setting text: "Name", "Name=Value", "Name[3]=Value", "Name(3)".
struct TSettingText {
    std::string name;   // without the index
    std::string index;  // the text between the brackets, empty when none
    std::string value;
    bool write = false;  // an "=" was present
};

TSettingText ParseSettingText(std::string_view text);

// Case-insensitive comparison of ASCII names.
bool SameName(std::string_view a, std::string_view b);

// True for "true", "yes" and "1" in any letter case.
bool ParseBoolean(std::string_view value);

// Reads an optional sign and decimal digits, stopping at the first other
// character; no digits give 0. Values beyond int are clamped.
int ParseDecimal(std::string_view value);

inline const char* BooleanText(bool value) { return value ? "True" : "False"; }

}  // namespace vxsnmp
