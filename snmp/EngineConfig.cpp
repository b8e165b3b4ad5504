// Config: reading and writing the engine's configuration settings by name.
// Names are looked up in the layers SNMP, UDP, socket and character set, in
// that order, without regard to letter case.
#include "SnmpMgrEngine.h"

#include "SocketLibrary.h"

#include <arpa/inet.h>
#include <algorithm>
#include <functional>

namespace vxsnmp {

namespace {

enum class TLayer { Snmp, Udp, Socket, Charset };

// Reading fills the text; writing takes the value text. Either returns 0 or
// an error code. A null reader marks a write-only setting, a null writer a
// read-only one.
struct TSetting {
    const char* name;
    TLayer layer;
    std::function<int(std::string& result)> read;
    std::function<int(const std::string& value)> write;
};

}  // namespace

int TSnmpMgrEngine::Config(const std::string& settingText, std::string& result)
{
    const TSettingText setting = ParseSettingText(settingText);
    TEngineSettings& s = settings;

    auto boolean = [](bool& field) {
        return std::pair{std::function<int(std::string&)>([&field](std::string& r) {
                             r = BooleanText(field);
                             return 0;
                         }),
                         std::function<int(const std::string&)>([&field](const std::string& v) {
                             field = ParseBoolean(v);
                             return 0;
                         })};
    };
    auto integer = [](int& field) {
        return std::pair{std::function<int(std::string&)>([&field](std::string& r) {
                             r = std::to_string(field);
                             return 0;
                         }),
                         std::function<int(const std::string&)>([&field](const std::string& v) {
                             field = ParseDecimal(v);
                             return 0;
                         })};
    };
    auto readOnly = [](std::function<std::string()> fact) {
        return std::function<int(std::string&)>([fact](std::string& r) {
            r = fact();
            return 0;
        });
    };
    auto whileClosed = [this](std::function<int(const std::string&)> write, int code, const char* refusal) {
        return std::function<int(const std::string&)>(
            [this, write, code, refusal](const std::string& v) {
                return endpoint.IsOpen() ? Fail(code, refusal) : write(v);
            });
    };
    auto applyBuffers = [this](std::function<int(const std::string&)> write) {
        return std::function<int(const std::string&)>([this, write](const std::string& v) {
            write(v);
            endpoint.ApplyBufferSizes(settings.inBufferSize, settings.outBufferSize);
            return 0;
        });
    };
    auto applyIp = [this](std::function<int(const std::string&)> write) {
        return std::function<int(const std::string&)>([this, write](const std::string& v) {
            write(v);
            endpoint.ApplyIpOptions(settings.timeToLive, settings.qosFlags);
            return 0;
        });
    };
    auto text = [](std::string& field) {
        return std::pair{std::function<int(std::string&)>([&field](std::string& r) {
                             r = field;
                             return 0;
                         }),
                         std::function<int(const std::string&)>([&field](const std::string& v) {
                             field = v;
                             return 0;
                         })};
    };

    const auto ttl = integer(s.timeToLive);
    const auto qos = integer(s.qosFlags);
    const auto inBuffer = integer(s.inBufferSize);
    const auto outBuffer = integer(s.outBufferSize);
    const auto useConnection = boolean(s.useConnection);
    const auto trapAgent = text(s.trapAgentAddress);
    const TSetting table[] = {
        // SNMP layer
        {"IgnorePortMismatch", TLayer::Snmp, boolean(s.ignorePortMismatch).first, boolean(s.ignorePortMismatch).second},
        {"TimeWindow", TLayer::Snmp, integer(s.timeWindow).first, integer(s.timeWindow).second},
        {"TrapPort", TLayer::Snmp, integer(s.trapPort).first, integer(s.trapPort).second},
        {"TrapAgentAddress", TLayer::Snmp, trapAgent.first,
         [this, &trapAgent](const std::string& v) {
             in_addr parsed{};
             if (inet_pton(AF_INET, v.c_str(), &parsed) != 1)
                 return Fail(kUnknownSetting, "Value must be an IP address.");
             return trapAgent.second(v);
         }},
        {"TrapCommunity", TLayer::Snmp, text(outgoing.community).first, text(outgoing.community).second},
        {"TrapEnterprise", TLayer::Snmp, text(s.trapEnterprise).first, text(s.trapEnterprise).second},
        {"SendGetResponse", TLayer::Snmp, nullptr,
         [this](const std::string& v) {
             const std::size_t colon = v.rfind(':');
             int r = SetRemoteHost(v.substr(0, colon));
             if (r != 0)
                 return r;
             if (colon != std::string::npos)
                 remotePort = static_cast<std::uint16_t>(ParseDecimal(v.substr(colon + 1)));
             return Perform(TAction::GetResponse);
         }},
        // UDP layer
        {"ForceLocalPort", TLayer::Udp, boolean(s.forceLocalPort).first, boolean(s.forceLocalPort).second},
        {"UseConnection", TLayer::Udp, useConnection.first,
         whileClosed(useConnection.second, kUseConnectionWhileActive,
                     "Cannot change UseConnection option while the control is Active.")},
        {"ShareLocalPort", TLayer::Udp, boolean(s.shareLocalPort).first, boolean(s.shareLocalPort).second},
        {"MaxPacketSize", TLayer::Udp, integer(s.maxPacketSize).first,
         whileClosed(
             [&s](const std::string& v) {
                 s.maxPacketSize = std::clamp(ParseDecimal(v), 1, kMaxPacketSizeLimit);
                 return 0;
             },
             kMaxPacketSizeWhileActive, "Cannot change MaxPacketSize while the control is Active.")},
        {"InBufferSize", TLayer::Udp, inBuffer.first, applyBuffers(inBuffer.second)},
        {"OutBufferSize", TLayer::Udp, outBuffer.first, applyBuffers(outBuffer.second)},
        {"TimeToLive", TLayer::Udp, ttl.first, applyIp(ttl.second)},
        {"TTL", TLayer::Udp, ttl.first, applyIp(ttl.second)},
        {"QOSFlags", TLayer::Udp, qos.first, applyIp(qos.second)},
        {"SocketHandle", TLayer::Udp, readOnly([this] { return std::to_string(endpoint.Handle()); }), nullptr},
        // socket layer
        {"TimeoutInMilliseconds", TLayer::Socket, boolean(s.timeoutInMilliseconds).first, boolean(s.timeoutInMilliseconds).second},
        {"AbsoluteTimeout", TLayer::Socket, boolean(s.absoluteTimeout).first, boolean(s.absoluteTimeout).second},
        {"WinsockLoaded", TLayer::Socket, readOnly([] { return std::string(BooleanText(SocketLibraryLoaded())); }), nullptr},
        {"WinsockMaxDatagramSize", TLayer::Socket, readOnly([] { return std::to_string(SocketLibraryMaxDatagramSize()); }), nullptr},
        {"WinsockInfo", TLayer::Socket, readOnly(SocketLibraryInfo), nullptr},
        {"WinsockMaxSockets", TLayer::Socket, readOnly([] { return std::to_string(SocketLibraryMaxSockets()); }), nullptr},
        {"WinsockPath", TLayer::Socket, readOnly(SocketLibraryPath), nullptr},
        {"WinsockStatus", TLayer::Socket, readOnly(SocketLibraryStatus), nullptr},
        // character set
        {"CodePage", TLayer::Charset, integer(s.codePage).first, integer(s.codePage).second},
        {"CharsetMode", TLayer::Charset, integer(s.charsetMode).first, integer(s.charsetMode).second},
    };

    for (TLayer layer : {TLayer::Snmp, TLayer::Udp, TLayer::Socket, TLayer::Charset}) {
        for (const TSetting& entry : table) {
            if (entry.layer != layer || !SameName(entry.name, setting.name))
                continue;
            if (!setting.write)
                return entry.read ? entry.read(result) : 0;  // write-only settings read as empty
            if (!entry.write)
                return Fail(kUnknownSetting, "Setting is read-only.");
            return entry.write(setting.value);
        }
    }
    return Fail(kUnknownSetting, "Unknown config setting.");
}

}  // namespace vxsnmp
