// The table of the engine's configuration settings: each name with the kind of
// its value, where the value lives, and what a write checks or sets off.
#include "snmp/EngineSettings.h"

#include "snmp/EngineCodes.h"
#include "snmp/SocketLibrary.h"
#include "snmp/UdpEndpoint.h"

#include <array>

namespace vxsnmp {

namespace {

using K = TSettingKind;
using R = TSettingRule;
using S = TEngineSettings;

std::string SocketHandle(const TUdpEndpoint& endpoint) { return std::to_string(endpoint.Handle()); }

std::string Loaded(const TUdpEndpoint&) { return BooleanText(SocketLibraryLoaded()); }

std::string MaxDatagramSize(const TUdpEndpoint&) { return std::to_string(SocketLibraryMaxDatagramSize()); }

std::string Info(const TUdpEndpoint&) { return SocketLibraryInfo(); }

std::string MaxSockets(const TUdpEndpoint&) { return std::to_string(SocketLibraryMaxSockets()); }

std::string Path(const TUdpEndpoint&) { return SocketLibraryPath(); }

std::string Status(const TUdpEndpoint&) { return SocketLibraryStatus(); }

constexpr std::array kSettings = {
    // SNMP layer
    TSettingEntry{"IgnorePortMismatch", K::Boolean, &S::ignorePortMismatch},
    TSettingEntry{"AcceptRemoteOnly", K::Boolean, &S::acceptRemoteOnly},
    TSettingEntry{"TimeWindow", K::Integer, &S::timeWindow},
    TSettingEntry{"TrapPort", K::Integer, &S::trapPort},
    TSettingEntry{"TrapAgentAddress", K::Text, &S::trapAgentAddress, R::IpAddress},
    TSettingEntry{"TrapCommunity", K::Text, &TOutgoing::community},  // the requests' community
    TSettingEntry{"TrapEnterprise", K::Text, &S::trapEnterprise},
    TSettingEntry{"SendGetResponse", K::Command, std::monostate{}},
    // SNMPv3 notifications to this engine (EngineNotify.cpp)
    TSettingEntry{"LocalEngineBoots", K::Integer, &S::localEngineBoots, R::Store, 0, nullptr, 0, INT_MAX},
    TSettingEntry{"AddNotificationUser", K::Command, std::monostate{}},
    TSettingEntry{"ClearNotificationUsers", K::Command, std::monostate{}},
    // UDP layer
    TSettingEntry{"ForceLocalPort", K::Boolean, &S::forceLocalPort},
    TSettingEntry{"UseConnection", K::Boolean, &S::useConnection, R::RefusedWhileActive,
                  kUseConnectionWhileActive,
                  "Cannot change UseConnection option while the control is Active."},
    TSettingEntry{"ShareLocalPort", K::Boolean, &S::shareLocalPort},
    TSettingEntry{"MaxPacketSize", K::Integer, &S::maxPacketSize, R::RefusedWhileActive,
                  kMaxPacketSizeWhileActive, "Cannot change MaxPacketSize while the control is Active.", 1,
                  kMaxPacketSizeLimit},
    TSettingEntry{"InBufferSize", K::Integer, &S::inBufferSize, R::ApplyBufferSizes},
    TSettingEntry{"OutBufferSize", K::Integer, &S::outBufferSize, R::ApplyBufferSizes},
    TSettingEntry{"TimeToLive", K::Integer, &S::timeToLive, R::ApplyIpOptions},
    TSettingEntry{"TTL", K::Integer, &S::timeToLive, R::ApplyIpOptions},
    TSettingEntry{"QOSFlags", K::Integer, &S::qosFlags, R::ApplyIpOptions},
    TSettingEntry{"SocketHandle", K::Fact, &SocketHandle},
    // socket layer
    TSettingEntry{"TimeoutInMilliseconds", K::Boolean, &S::timeoutInMilliseconds},
    TSettingEntry{"AbsoluteTimeout", K::Boolean, &S::absoluteTimeout},
    TSettingEntry{"WinsockLoaded", K::Fact, &Loaded},
    TSettingEntry{"WinsockMaxDatagramSize", K::Fact, &MaxDatagramSize},
    TSettingEntry{"WinsockInfo", K::Fact, &Info},
    TSettingEntry{"WinsockMaxSockets", K::Fact, &MaxSockets},
    TSettingEntry{"WinsockPath", K::Fact, &Path},
    TSettingEntry{"WinsockStatus", K::Fact, &Status},
    // character set
    TSettingEntry{"CodePage", K::Integer, &S::codePage},
    TSettingEntry{"CharsetMode", K::Integer, &S::charsetMode},
};

// A kind and the type of its field go together; checked once, here.
constexpr bool FieldFitsKind(const TSettingEntry& entry)
{
    switch (entry.kind) {
    case K::Boolean: return std::holds_alternative<bool S::*>(entry.field);
    case K::Integer: return std::holds_alternative<int S::*>(entry.field);
    case K::Text:
        return std::holds_alternative<std::string S::*>(entry.field)
            || std::holds_alternative<std::string TOutgoing::*>(entry.field);
    case K::Fact: return std::holds_alternative<TSettingFact>(entry.field);
    case K::Command: return std::holds_alternative<std::monostate>(entry.field);
    }
    return false;
}

constexpr bool EveryFieldFitsItsKind()
{
    for (const TSettingEntry& entry : kSettings)
        if (!FieldFitsKind(entry) || (entry.rule == R::RefusedWhileActive) != (entry.refusalText != nullptr))
            return false;
    return true;
}

static_assert(EveryFieldFitsItsKind());

}  // namespace

std::span<const TSettingEntry> ConfigSettings() { return kSettings; }

const TSettingEntry* FindSetting(std::string_view name)
{
    for (const TSettingEntry& entry : kSettings)
        if (SameName(entry.name, name))
            return &entry;
    return nullptr;
}

}  // namespace vxsnmp
