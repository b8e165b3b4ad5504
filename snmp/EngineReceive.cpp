// The receive side of the engine: draining the endpoint, processing each
// datagram, and raising the events through the callback.
#include "SnmpMgrEngine.h"

#include "HostAddress.h"
#include "SocketErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <span>

namespace vxsnmp {

namespace {

// Datagrams handled per socket notification. More pending datagrams wait for
// the next notification, so a flood cannot keep the thread's event loop (and
// with it timers and the blocking wait's deadline) from running.
constexpr int kReceiveBatch = 256;

std::intptr_t TextValue(const std::string& text)
{
    return reinterpret_cast<std::intptr_t>(text.c_str());
}

std::intptr_t BytesValue(const std::uint8_t* data)
{
    return reinterpret_cast<std::intptr_t>(data);
}

}  // namespace

void TSnmpMgrEngine::OnReadable()
{
    Enter();
    ReceivePending();
    Leave();  // may free the instance; nothing of it is touched after this
}

void TSnmpMgrEngine::ReceivePending()
{
    if (!acceptData || inReceive || !endpoint.IsOpen())
        return;
    inReceive = true;
    endpoint.SetNotificationsEnabled(false);
    const std::size_t capacity = static_cast<std::size_t>(
        std::clamp(settings.maxPacketSize, 1, kMaxPacketSizeLimit));
    if (receiveBuffer.size() != capacity)
        receiveBuffer.assign(capacity, 0);

    for (int n = 0; n < kReceiveBatch; ++n) {
        if (!acceptData || !endpoint.IsOpen() || closePending || destroyPending)
            break;
        std::size_t length = 0;
        std::uint32_t fromAddress = 0;
        std::uint16_t fromPort = 0;
        int err = 0;
        const TReceiveResult got =
            endpoint.Receive(receiveBuffer.data(), capacity, length, fromAddress, fromPort, err);
        if (got == TReceiveResult::Datagram) {
            if (length == 0)
                continue;  // an empty datagram carries nothing to report
            PushDeadline();
            ProcessDatagram(receiveBuffer.data(), length, fromAddress, fromPort);
        } else if (got == TReceiveResult::Truncated) {
            // Linux hands over the head of an oversized datagram and drops the
            // rest; the datagram is gone, the ones behind it are not.
            PushDeadline();
            RaiseError(SocketCodeFromErrno(EMSGSIZE), "Winsock error in recv()");
        } else if (got == TReceiveResult::NoData) {
            // An ICMP error whose pending flag another call took is still in
            // the error queue; report it now, and clear it so the socket stops
            // signalling.
            if (const int queued = endpoint.TakeQueuedError(); queued != 0)
                ReportReceiveError(queued);
            break;
        } else if (err == EINTR) {
            continue;
        } else {
            endpoint.TakeQueuedError();  // the same error, also queued
            if (err != EBADF && err != ENOTSOCK)
                ReportReceiveError(err);
            break;
        }
    }

    inReceive = false;
    if (closePending) {
        closePending = false;
        endpoint.Close();
    } else {
        endpoint.SetNotificationsEnabled(true);
    }
}

void TSnmpMgrEngine::ReportReceiveError(int err)
{
    const int code = SocketCodeFromErrno(err);
    if (err == ECONNREFUSED)
        RaiseError(code, "Destination unreachable (service unavailable?).");
    else
        RaiseError(code, "Winsock error in recv()");
}

void TSnmpMgrEngine::ProcessDatagram(const std::uint8_t* data, std::size_t length,
                                     std::uint32_t fromAddress, std::uint16_t fromPort)
{
    incoming.Reset();
    table.Reset();
    const std::string fromText = DottedAddress(fromAddress).empty() ? "0.0.0.0" : DottedAddress(fromAddress);
    RaisePacketTrace(data, length, 1, fromText, fromPort);
    if (destroyPending)
        return;

    const int parsed = ParseMessage(std::span<const std::uint8_t>(data, length), incoming, table);
    if (parsed != 0) {
        RaiseError(parsed, "SNMP: Error parsing received packet.");
        return;
    }
    if (waiting && !MatchesWaitingRequest(data, length, fromText, fromPort))
        return;

    switch (static_cast<Tag>(incoming.pduTag)) {
    case Tag::GetResponse:
        RaiseResponse(SNMPMGR_EID_RESPONSE, fromText, fromPort);
        break;
    case Tag::TrapV1:
    case Tag::TrapV2:
        RaiseTrap(fromText, fromPort);
        break;
    case Tag::Report:
        RaiseResponse(SNMPMGR_EID_REPORT, fromText, fromPort);
        break;
    case Tag::InformRequest:
        RaiseInform(fromText, fromPort, fromAddress);
        break;
    default:
        // Requests addressed to a manager are refused, and never answered.
        RaiseBadPacket(data, length, fromText, fromPort, kNotPermitted,
                       "Operation not permitted in current role.");
        break;
    }
}

// MatchesWaitingRequest checks a datagram against the blocking send that
// waits for it; a match ends the wait, a difference drops the datagram.
bool TSnmpMgrEngine::MatchesWaitingRequest(const std::uint8_t* data, std::size_t length,
                                           const std::string& fromText, std::uint16_t fromPort)
{
    const char* difference = nullptr;
    if (fromText != DottedAddress(remoteAddress)
        || (!settings.ignorePortMismatch && fromPort != remotePort))
        difference = "Message origin unknown.";
    else if (incoming.version != sentVersion)
        difference = "SNMP Version mismatch.";
    else if (incoming.requestId != sentRequestId)
        difference = "SNMP RequestId mismatch.";
    if (difference == nullptr) {
        waiting = false;
        return true;
    }
    RaiseBadPacket(data, length, fromText, fromPort, kMismatch, difference);
    return false;
}

void TSnmpMgrEngine::AnswerInform(std::uint32_t fromAddress, std::uint16_t fromPort,
                                  std::int32_t errorStatus, std::int32_t errorIndex)
{
    remoteAddress = fromAddress;
    remotePort = fromPort;
    TOutgoing reply;
    reply.version = incoming.version;
    reply.community = incoming.community;
    reply.requestId = incoming.requestId;
    reply.errorStatus = errorStatus;
    reply.errorIndex = errorIndex;
    std::vector<std::uint8_t> datagram;
    std::string buildText;
    if (BuildMessage(reply, Tag::GetResponse, table, datagram, &buildText) != 0) {
        RaiseError(kBuildFailed, buildText.empty() ? "Error building SNMP packet." : buildText);
        return;
    }
    RaisePacketTrace(datagram.data(), datagram.size(), 2, DottedAddress(fromAddress), fromPort);
    if (destroyPending || !endpoint.IsOpen())
        return;
    const int err = endpoint.SendTo(datagram.data(), datagram.size(), fromAddress, fromPort,
                                    settings.useConnection);
    if (err != 0) {
        const int code = SocketCodeFromErrno(err);
        RaiseError(code, SocketErrorText(code));
    }
}

// Events ---------------------------------------------------------------------

void TSnmpMgrEngine::Raise(int eventId, int argc, std::intptr_t* argv, int* argLens)
{
    if (callback == nullptr)
        return;
    try {
        callback(context, eventId, argc, argv, argLens);
    } catch (...) {
        // A receiver's failure must not unwind through the receive loop.
    }
}

void TSnmpMgrEngine::RaiseError(int code, const std::string& text)
{
    std::intptr_t argv[SNMPMGR_ERROR_ARGC] = {code, TextValue(text)};
    int lens[SNMPMGR_ERROR_ARGC] = {0, static_cast<int>(text.size())};
    Raise(SNMPMGR_EID_ERROR, SNMPMGR_ERROR_ARGC, argv, lens);
}

void TSnmpMgrEngine::RaisePacketTrace(const std::uint8_t* data, std::size_t length, int direction,
                                      const std::string& address, int port)
{
    std::intptr_t argv[SNMPMGR_PACKETTRACE_ARGC] = {BytesValue(data), direction, TextValue(address), port};
    int lens[SNMPMGR_PACKETTRACE_ARGC] = {static_cast<int>(length), 0, static_cast<int>(address.size()), 0};
    Raise(SNMPMGR_EID_PACKETTRACE, SNMPMGR_PACKETTRACE_ARGC, argv, lens);
}

void TSnmpMgrEngine::RaiseBadPacket(const std::uint8_t* data, std::size_t length,
                                    const std::string& address, int port, int code,
                                    const std::string& text)
{
    std::intptr_t argv[SNMPMGR_BADPACKET_ARGC] = {BytesValue(data), TextValue(address), port,
                                                  code, TextValue(text), 0};
    int lens[SNMPMGR_BADPACKET_ARGC] = {static_cast<int>(length), static_cast<int>(address.size()),
                                        0, 0, static_cast<int>(text.size()), 0};
    Raise(SNMPMGR_EID_BADPACKET, SNMPMGR_BADPACKET_ARGC, argv, lens);
    // argv[5] (Report) asks for an SNMPv3 report, which this manager never sends.
}

void TSnmpMgrEngine::RaiseResponse(int eventId, const std::string& address, int port)
{
    const std::string community = incoming.community.c_str();
    const std::string empty;
    const std::string status(StatusName(incoming.errorStatus));
    std::intptr_t argv[SNMPMGR_RESPONSE_ARGC] = {
        incoming.requestId, incoming.version, TextValue(community), TextValue(empty), 0,
        TextValue(address), port, incoming.errorIndex, incoming.errorStatus, TextValue(status)};
    int lens[SNMPMGR_RESPONSE_ARGC] = {0, 0, static_cast<int>(community.size()), 0, 0,
                                       static_cast<int>(address.size()), 0, 0, 0,
                                       static_cast<int>(status.size())};
    Raise(eventId, SNMPMGR_RESPONSE_ARGC, argv, lens);
}

void TSnmpMgrEngine::RaiseTrap(const std::string& address, int port)
{
    const std::string community = incoming.community.c_str();
    const std::string empty;
    std::string trapOid;
    std::int64_t timeStamp = 0;
    std::int32_t requestId = incoming.requestId;
    if (incoming.pduTag == static_cast<std::uint8_t>(Tag::TrapV1) && incoming.version == 0) {
        // SNMPv1 trap: the generic traps have standard notification OIDs
        // (coldStart ... egpNeighborLoss); enterprise traps are enterprise.0.specific.
        requestId = 0;
        timeStamp = incoming.timeStamp;
        if (incoming.genericTrap >= 0 && incoming.genericTrap <= 5)
            trapOid = "1.3.6.1.6.3.1.1.5." + std::to_string(incoming.genericTrap + 1);
        else
            trapOid = incoming.enterprise + ".0." + std::to_string(incoming.specificTrap);
    } else {
        // SNMPv2 notification: sysUpTime.0 and snmpTrapOID.0 lead the bindings.
        if (table.count >= 1 && table.slot[0].type == static_cast<std::uint8_t>(Tag::TimeTicks))
            timeStamp = std::strtoll(table.slot[0].value.c_str(), nullptr, 10);
        if (table.count >= 2 && table.slot[1].type == static_cast<std::uint8_t>(Tag::ObjectId))
            trapOid = table.slot[1].value.c_str();
    }
    std::intptr_t argv[SNMPMGR_TRAP_ARGC] = {
        requestId, incoming.version, TextValue(community), TextValue(empty), 0,
        TextValue(trapOid), static_cast<std::intptr_t>(timeStamp), TextValue(address), port};
    int lens[SNMPMGR_TRAP_ARGC] = {0, 0, static_cast<int>(community.size()), 0, 0,
                                   static_cast<int>(trapOid.size()), 0,
                                   static_cast<int>(address.size()), 0};
    Raise(SNMPMGR_EID_TRAP, SNMPMGR_TRAP_ARGC, argv, lens);
}

void TSnmpMgrEngine::RaiseInform(const std::string& address, int port, std::uint32_t fromAddress)
{
    const std::string community = incoming.community.c_str();
    const std::string empty;
    const std::string status(StatusName(incoming.errorStatus));
    std::intptr_t argv[SNMPMGR_INFORMREQUEST_ARGC] = {
        incoming.requestId, incoming.version, TextValue(community), TextValue(empty), 0,
        TextValue(address), port, incoming.errorIndex, incoming.errorStatus, TextValue(status)};
    int lens[SNMPMGR_INFORMREQUEST_ARGC] = {0, 0, static_cast<int>(community.size()), 0, 0,
                                            static_cast<int>(address.size()), 0, 0, 0,
                                            static_cast<int>(status.size())};
    Raise(SNMPMGR_EID_INFORMREQUEST, SNMPMGR_INFORMREQUEST_ARGC, argv, lens);
    if (destroyPending)
        return;
    const auto errorIndex = static_cast<std::int32_t>(argv[7]);
    const auto errorStatus = static_cast<std::int32_t>(argv[8]);
    if (errorStatus != -1)  // -1: the handler asks for no answer
        AnswerInform(fromAddress, static_cast<std::uint16_t>(port), errorStatus, errorIndex);
}

}  // namespace vxsnmp
