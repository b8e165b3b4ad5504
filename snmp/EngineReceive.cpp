// The receive side of the engine: draining the endpoint, processing each
// datagram, answering informs.
#include "snmp/SnmpMgrEngine.h"

#include "snmp/HostAddress.h"
#include "snmp/SocketErrors.h"

#include <algorithm>
#include <cerrno>
#include <span>

namespace vxsnmp {

namespace {

// Datagrams handled per socket notification. More pending datagrams wait for
// the next notification, so a flood cannot keep the thread's event loop (and
// with it timers and the blocking wait's deadline) from running.
constexpr int kReceiveBatch = 256;

}  // namespace

void TSnmpMgrEngine::OnReadable()
{
    Enter();
    if (inReceive) {
        // A handler runs an event loop of its own while datagrams wait: the
        // notifier rests until the receive loop on the stack is done, or it
        // would fire without end.
        endpoint.SetNotificationsEnabled(false);
        notifierResting = true;
    } else {
        ReceivePending();
    }
    Leave();  // may free the instance; nothing of it is touched after this
}

void TSnmpMgrEngine::ReceivePending()
{
    if (!acceptData || inReceive || !endpoint.IsOpen())
        return;
    inReceive = true;
    const std::size_t capacity =
        static_cast<std::size_t>(std::clamp(settings.maxPacketSize, 1, kMaxPacketSizeLimit));
    if (receiveBuffer.size() != capacity)
        receiveBuffer.assign(capacity, 0);

    for (int n = 0; n < kReceiveBatch; ++n) {
        if (!acceptData || !endpoint.IsOpen() || closePending || destroyPending)
            break;
        std::size_t length = 0;
        TNetAddress fromAddress;
        std::uint16_t fromPort = 0;
        int err = 0;
        const TReceiveResult got =
            endpoint.Receive(receiveBuffer.data(), capacity, length, fromAddress, fromPort, err);
        if (got == TReceiveResult::Datagram) {
            // An empty datagram is read and reported like any other that is
            // no message (junk from the agent, or from elsewhere): it is
            // taken off the socket, so it cannot hold up the ones behind it.
            PushDeadline();
            const std::uint64_t sentBefore = requestsSent;
            ProcessDatagram(receiveBuffer.data(), length, fromAddress, fromPort);
            // A handler that sent the next request (a walk's step) ends the
            // batch: that answer takes a round trip, and the notifier tells
            // when it is there; reading on would only find the socket empty.
            if (requestsSent != sentBefore)
                break;
        } else if (got == TReceiveResult::Truncated) {
            // Linux hands over the head of an oversized datagram and drops the
            // rest; the datagram is gone, the ones behind it are not.
            PushDeadline();
            RaiseError(SocketCodeFromErrno(EMSGSIZE), "Winsock error in recv()");
        } else if (got == TReceiveResult::NoData) {
            // Woken with nothing to read: an ICMP error whose pending flag
            // another call took is still in the error queue; report it now,
            // and clear it so the socket stops signalling. After datagrams the
            // wake-up is explained; an error still queued wakes the loop again.
            if (n == 0) {
                if (const int queued = endpoint.TakeQueuedError(); queued != 0)
                    ReportReceiveError(queued);
            }
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
        notifierResting = false;
        endpoint.Close();
    } else if (notifierResting) {
        notifierResting = false;
        endpoint.SetNotificationsEnabled(true);
    }
}

// Traffic during a blocking wait with a relative timeout restarts its deadline.
void TSnmpMgrEngine::PushDeadline()
{
    if (!settings.absoluteTimeout)
        wait.Push(TimeoutMilliseconds());
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
                                     const TNetAddress& fromAddress, std::uint16_t fromPort)
{
    incoming.Reset();
    table.Reset();
    incomingUser.clear();
    incomingLevel = 0;
    // The agent's answers come from the address it was asked at, whose text
    // is kept; others are spelt out. A copy: a handler may change the host.
    std::string fromText = fromAddress == remoteAddress ? remoteAddressText : fromAddress.Text();
    if (fromText.empty())
        fromText = "0.0.0.0";
    RaisePacketTrace(data, length, 1, fromText, fromPort);
    if (destroyPending)
        return;
    if (settings.acceptRemoteOnly && !FromRemote(fromAddress, fromPort)) {
        // Refused unread: another host cannot answer in the agent's place,
        // nor spoil a shoot with junk.
        RaiseBadPacket(data, length, fromText, fromPort, kMismatch, "Message origin unknown.");
        return;
    }

    if (v3::MessageVersion(std::span<const std::uint8_t>(data, length)) == v3::kVersion3) {
        if (IsNotification(data, length))
            ProcessV3Notification(data, length, fromAddress, fromText, fromPort);
        else
            ProcessV3(data, length, fromText, fromPort);
        return;
    }
    const int parsed = ParseMessage(std::span<const std::uint8_t>(data, length), incoming, table);
    if (parsed != 0) {
        RaiseError(parsed, "SNMP: Error parsing received packet.");
        return;
    }
    if (wait.IsWaiting() && !MatchesWaitingRequest(data, length, fromAddress, fromText, fromPort))
        return;

    switch (static_cast<Tag>(incoming.pduTag)) {
    case Tag::GetResponse: RaiseResponse(SNMPMGR_EID_RESPONSE, fromText, fromPort); break;
    case Tag::TrapV1:
    case Tag::TrapV2: RaiseTrap(fromText, fromPort); break;
    case Tag::Report: RaiseResponse(SNMPMGR_EID_REPORT, fromText, fromPort); break;
    case Tag::InformRequest: RaiseInform(fromText, fromPort, fromAddress); break;
    default:
        // Requests addressed to a manager are refused, and never answered.
        RaiseBadPacket(data, length, fromText, fromPort, kNotPermitted,
                       "Operation not permitted in current role.");
        break;
    }
}

bool TSnmpMgrEngine::FromRemote(const TNetAddress& fromAddress, std::uint16_t fromPort) const
{
    return fromPort == remotePort
        && std::find(remoteAddresses.begin(), remoteAddresses.end(), fromAddress) != remoteAddresses.end();
}

// MatchesWaitingRequest checks a datagram against the blocking send that
// waits for it; a match ends the wait, a difference drops the datagram.
bool TSnmpMgrEngine::MatchesWaitingRequest(const std::uint8_t* data, std::size_t length,
                                           const TNetAddress& fromAddress, const std::string& fromText,
                                           std::uint16_t fromPort)
{
    const char* difference = nullptr;
    if (!(fromAddress == remoteAddress) || (!settings.ignorePortMismatch && fromPort != remotePort))
        difference = "Message origin unknown.";
    else if (incoming.version != sentVersion)
        difference = "SNMP Version mismatch.";
    else if (incoming.requestId != sentRequestId)
        difference = "SNMP RequestId mismatch.";
    if (difference == nullptr) {
        wait.End();
        return true;
    }
    RaiseBadPacket(data, length, fromText, fromPort, kMismatch, difference);
    return false;
}

void TSnmpMgrEngine::AnswerInform(const TNetAddress& fromAddress, std::uint16_t fromPort,
                                  std::int32_t errorStatus, std::int32_t errorIndex)
{
    SetRemoteAddress(fromAddress);
    remoteAddresses = {fromAddress};
    remotePort = fromPort;
    if (incoming.version == v3::kVersion3) {
        AnswerV3Inform(fromAddress, fromPort, errorStatus, errorIndex);
        return;
    }
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
    SendAnswer(datagram, fromAddress, fromPort);
}

}  // namespace vxsnmp
