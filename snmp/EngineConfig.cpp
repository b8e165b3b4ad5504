// Config: reading and writing the engine's configuration settings by name,
// through the table in EngineSettingsTable.cpp.
#include "snmp/SnmpMgrEngine.h"

#include <arpa/inet.h>
#include <algorithm>

namespace vxsnmp {

namespace {

template <class... F>
struct TOverloaded : F... {
    using F::operator()...;
};
// C++20 deduces this itself; the guide is for tools whose parser does not yet.
template <class... F>
TOverloaded(F...) -> TOverloaded<F...>;

}  // namespace

int TSnmpMgrEngine::Config(const std::string& settingText, std::string& result)
{
    const TSettingText setting = ParseSettingText(settingText);
    const TSettingEntry* entry = FindSetting(setting.name);
    if (entry == nullptr)
        return Fail(kUnknownSetting, "Unknown config setting.");
    if (!setting.write) {
        result = ReadSetting(*entry);
        return 0;
    }
    return WriteSetting(*entry, setting.value);
}

std::string TSnmpMgrEngine::ReadSetting(const TSettingEntry& entry) const
{
    return std::visit(
        TOverloaded{
            [](std::monostate) { return std::string(); },  // commands read as empty
            [this](bool TEngineSettings::*field) { return std::string(BooleanText(settings.*field)); },
            [this](int TEngineSettings::*field) { return std::to_string(settings.*field); },
            [this](std::string TEngineSettings::*field) { return settings.*field; },
            [this](std::string TOutgoing::*field) { return outgoing.*field; },
            [this](TSettingFact fact) { return fact(endpoint); },
        },
        entry.field);
}

int TSnmpMgrEngine::WriteSetting(const TSettingEntry& entry, const std::string& value)
{
    if (entry.kind == TSettingKind::Fact)
        return Fail(kUnknownSetting, "Setting is read-only.");
    if (entry.kind == TSettingKind::Command)
        return RunCommand(entry, value);
    if (entry.rule == TSettingRule::RefusedWhileActive && endpoint.IsOpen())
        return Fail(entry.refusalCode, entry.refusalText);
    if (entry.rule == TSettingRule::IpAddress) {
        in_addr parsed{};
        if (inet_pton(AF_INET, value.c_str(), &parsed) != 1)
            return Fail(kUnknownSetting, "Value must be an IP address.");
    }
    std::visit(TOverloaded{
                   [](std::monostate) {},
                   [&](bool TEngineSettings::*field) { settings.*field = ParseBoolean(value); },
                   [&](int TEngineSettings::*field) {
                       settings.*field = std::clamp(ParseDecimal(value), entry.minimum, entry.maximum);
                   },
                   [&](std::string TEngineSettings::*field) { settings.*field = value; },
                   [&](std::string TOutgoing::*field) { outgoing.*field = value; },
                   [](TSettingFact) {},
               },
               entry.field);
    if (entry.rule == TSettingRule::ApplyBufferSizes)
        endpoint.ApplyBufferSizes(settings.inBufferSize, settings.outBufferSize);
    else if (entry.rule == TSettingRule::ApplyIpOptions)
        endpoint.ApplyIpOptions(settings.timeToLive, settings.qosFlags);
    return 0;
}

int TSnmpMgrEngine::RunCommand(const TSettingEntry& entry, const std::string& value)
{
    if (SameName(entry.name, "AddNotificationUser"))
        return AddNotificationUser(value);
    if (SameName(entry.name, "ClearNotificationUsers"))
        return ClearNotificationUsers();
    return SendGetResponse(value);
}

// SendGetResponse=host[:port] aims the engine at that end, then asks for a
// GetResponse, which the manager role refuses.
int TSnmpMgrEngine::SendGetResponse(const std::string& value)
{
    const std::size_t colon = value.rfind(':');
    const int result = SetRemoteHost(value.substr(0, colon));
    if (result != 0)
        return result;
    if (colon != std::string::npos)
        remotePort = static_cast<std::uint16_t>(ParseDecimal(value.substr(colon + 1)));
    return Perform(TAction::GetResponse);
}

}  // namespace vxsnmp
