// SNMPv3 notifications that reach the engine unasked: traps from an
// authoritative sender, informs to this engine, and the engine discovery
// that comes before an inform. They are taken only when LocalEngineId is set
// (the component then acts as a notification receiver); a component that
// only asks an agent keeps its engine ID empty and never answers anybody.
//
// The users come from the SNMPv3 properties: Config("AddNotificationUser=NAME")
// takes SecurityLevel, AuthProtocol, AuthPassword (or Password), PrivProtocol
// and PrivPassword as they stand for the user NAME (User when NAME is empty);
// Config("ClearNotificationUsers=") forgets them all. The setting
// LocalEngineBoots is this engine's boots; its time runs from the first
// notification after LocalEngineId or LocalEngineBoots changed.
#include "snmp/SnmpMgrEngine.h"

#include "snmp/SocketErrors.h"

#include <algorithm>

namespace vxsnmp {

namespace {

const char* LevelText(usm::TSecurityLevel level) { return SecurityLevelName(static_cast<int>(level)); }

// "SNMPv3 notification from user "ops" (authPriv) refused: <why>".
std::string RefusalText(int code, const usm::TReceived& received)
{
    std::string why;
    switch (code) {
    case usm::kUnknownEngine: why = "it is addressed to another engine ID than this receiver's"; break;
    case usm::kUnknownUser: why = "no such user is configured for notifications"; break;
    case usm::kUnsupportedLevel: why = "the user is configured for another security level"; break;
    case usm::kWrongDigest: why = "wrong digest (wrong authentication password or protocol?)"; break;
    case usm::kNotInTimeWindow: why = "outside the time window (an old or replayed message?)"; break;
    case usm::kDecryptionError: why = "it cannot be decrypted (wrong privacy password or protocol?)"; break;
    default: why = "it cannot be parsed"; break;
    }
    return "SNMPv3 notification from user \"" + received.usm.userName + "\" (" + LevelText(received.level)
         + ") refused: " + why;
}

}  // namespace

bool TSnmpMgrEngine::IsNotification(const std::uint8_t* data, std::size_t length) const
{
    if (localEngineId.empty())
        return false;
    v3::TParsed parsed;
    if (v3::ParseMessage(std::span<const std::uint8_t>(data, length), parsed) != 0)
        return false;
    const std::int32_t msgId = parsed.header.msgId;
    const bool answer =
        std::find(v3.discoveryMsgIds.begin(), v3.discoveryMsgIds.end(), msgId) != v3.discoveryMsgIds.end()
        || std::any_of(v3.sent.begin(), v3.sent.end(), [&](const TV3Request& r) { return r.msgId == msgId; });
    return !answer;
}

void TSnmpMgrEngine::ProcessV3Notification(const std::uint8_t* data, std::size_t length,
                                           const TNetAddress& fromAddress, const std::string& fromText,
                                           std::uint16_t fromPort)
{
    const v3::TBytes engineId(localEngineId.begin(), localEngineId.end());
    if (notify.LocalEngineId() != engineId || notify.LocalBoots() != std::uint32_t(settings.localEngineBoots))
        notify.SetLocalEngine(engineId, static_cast<std::uint32_t>(settings.localEngineBoots));
    const int opened =
        notify.Open(std::span<const std::uint8_t>(data, length), notification, incoming, table);
    if (opened != 0) {
        RefuseNotification(opened, data, length, fromAddress, fromText, fromPort);
        return;
    }
    incomingUser = notification.usm.userName;
    incomingLevel = static_cast<int>(notification.level);
    switch (static_cast<Tag>(incoming.pduTag)) {
    case Tag::TrapV2: RaiseTrap(fromText, fromPort); break;
    case Tag::InformRequest: RaiseInform(fromText, fromPort, fromAddress); break;
    default:
        RaiseBadPacket(data, length, fromText, fromPort, kNotPermitted,
                       "Operation not permitted in current role.");
        break;
    }
}

// A refused message that asks for a report gets one (an engine discovery
// gets this engine's ID, boots and time that way, and is no failure).
void TSnmpMgrEngine::RefuseNotification(int code, const std::uint8_t* data, std::size_t length,
                                        const TNetAddress& fromAddress, const std::string& fromText,
                                        std::uint16_t fromPort)
{
    const bool refused = notification.refusal != v3::TReportKind::Unknown;
    if (refused && notification.Reportable()) {
        v3::TBytes report;
        if (notify.BuildReport(notification, incoming, report) == 0)
            SendAnswer(report, fromAddress, fromPort);
    }
    const bool discovery = code == usm::kUnknownEngine && notification.usm.engineId.empty();
    if (discovery || destroyPending)
        return;
    if (refused)
        RaiseBadPacket(data, length, fromText, fromPort, code, RefusalText(code, notification));
    else
        RaiseError(code, "SNMP: Error parsing received packet.");
}

void TSnmpMgrEngine::AnswerV3Inform(const TNetAddress& fromAddress, std::uint16_t fromPort,
                                    std::int32_t errorStatus, std::int32_t errorIndex)
{
    incoming.errorStatus = errorStatus;
    incoming.errorIndex = errorIndex;
    v3::TBytes datagram;
    const int code = notify.BuildResponse(notification, incoming, table, datagram);
    if (code != 0) {
        const std::string_view text = usm::UsmText(code);
        RaiseError(code, text.empty() ? "Error building SNMP packet." : std::string(text));
        return;
    }
    SendAnswer(datagram, fromAddress, fromPort);
}

void TSnmpMgrEngine::SendAnswer(const std::vector<std::uint8_t>& datagram, const TNetAddress& toAddress,
                                std::uint16_t toPort)
{
    RaisePacketTrace(datagram.data(), datagram.size(), 2, toAddress.Text(), toPort);
    if (destroyPending || !endpoint.IsOpen())
        return;
    const int err =
        endpoint.SendTo(datagram.data(), datagram.size(), toAddress, toPort, settings.useConnection);
    if (err != 0) {
        const int socketCode = SocketCodeFromErrno(err);
        RaiseError(socketCode, SocketErrorText(socketCode));
    }
}

int TSnmpMgrEngine::AddNotificationUser(const std::string& name)
{
    const int code = notify.AddUser(V3UserOf(name.empty() ? user : name, password, v3));
    if (code != 0)
        return Fail(code, std::string(usm::UsmText(code)));
    return 0;
}

int TSnmpMgrEngine::ClearNotificationUsers()
{
    notify.ClearUsers();
    return 0;
}

}  // namespace vxsnmp
