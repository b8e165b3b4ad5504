// SNMPv3 requests of the engine: discovery of the agent's engine, requests
// through the user's security session, and the answers and reports to them.
#include "snmp/SnmpMgrEngine.h"

#include "snmp/SocketErrors.h"

#include <algorithm>

namespace vxsnmp {

namespace {

bool SameUser(const usm::TUsmUser& a, const usm::TUsmUser& b)
{
    return a.name == b.name && a.level == b.level && a.auth == b.auth && a.authPassword == b.authPassword
        && a.priv == b.priv && a.privPassword == b.privPassword;
}

template <typename T>
void KeepBounded(std::deque<T>& list)
{
    while (list.size() > kMaxKeptV3Requests)
        list.pop_front();
}

int CodeOfReport(v3::TReportKind kind)
{
    using K = v3::TReportKind;
    switch (kind) {
    case K::UnknownUserNames: return usm::kUnknownUser;
    case K::WrongDigests: return usm::kWrongDigest;
    case K::NotInTimeWindows: return usm::kNotInTimeWindow;
    case K::UnknownEngineIds: return usm::kUnknownEngine;
    case K::UnsupportedSecLevels: return usm::kUnsupportedLevel;
    case K::DecryptionErrors: return usm::kDecryptionError;
    default: return kAgentReport;
    }
}

}  // namespace

usm::TUsmUser V3UserOf(const std::string& name, const std::string& password, const TV3State& v3)
{
    usm::TUsmUser u;
    u.name = name;
    u.level = static_cast<usm::TSecurityLevel>(std::clamp(v3.securityLevel, 0, 2));
    if (u.level != usm::TSecurityLevel::NoAuthNoPriv) {
        u.auth = static_cast<usm::TAuthProtocol>(std::clamp(v3.authProtocol, 0, 6));
        u.authPassword = v3.authPassword.empty() ? password : v3.authPassword;
    }
    if (u.level == usm::TSecurityLevel::AuthPriv) {
        u.priv = static_cast<usm::TPrivProtocol>(std::clamp(v3.privProtocol, 0, 4));
        u.privPassword = v3.privPassword;
    }
    return u;
}

// PrepareV3 takes the user from the properties and ties the session to the
// current agent: another user or another agent means discovering again.
int TSnmpMgrEngine::PrepareV3()
{
    const usm::TUsmUser wanted = V3UserOf(user, password, v3);
    if (!v3.userSet || !SameUser(wanted, v3.session.User())) {
        const int code = v3.session.SetUser(wanted);
        if (code != 0) {
            v3.userSet = false;
            return Fail(code, std::string(usm::UsmText(code)));
        }
        v3.userSet = true;
        v3.session.ForgetEngine();
    }
    if (!(v3.agent == remoteAddress) || v3.agentPort != remotePort) {
        v3.session.ForgetEngine();
        v3.agent = remoteAddress;
        v3.agentPort = remotePort;
    }
    v3.session.SetMaxMessageSize(
        static_cast<std::int32_t>(std::clamp(settings.maxPacketSize, 1, kMaxPacketSizeLimit)));
    return 0;
}

int TSnmpMgrEngine::SendV3Request(Tag pduTag)
{
    if (const int code = PrepareV3(); code != 0)
        return code;
    TV3Request request;
    request.tag = pduTag;
    request.requestId = outgoing.requestId;
    request.errorStatus = outgoing.errorStatus;
    request.errorIndex = outgoing.errorIndex;
    request.table = table;
    // The request id advances as for any request, whether it leaves now or
    // after the discovery.
    outgoing.requestId = static_cast<std::int32_t>(static_cast<std::uint32_t>(outgoing.requestId) + 1);
    v3.awaitedRequestId = request.requestId;
    v3.outcome = 0;
    v3.outcomeText.clear();

    int result = 0;
    if (v3.session.Discovered()) {
        result = SendV3Now(request);
    } else {
        // A resend of a request still waiting for the discovery replaces it.
        std::erase_if(v3.awaitingDiscovery,
                      [&](const TV3Request& r) { return r.requestId == request.requestId; });
        v3.awaitingDiscovery.push_back(std::move(request));
        KeepBounded(v3.awaitingDiscovery);
        result = SendDiscovery();
    }
    if (result != 0 || TimeoutMilliseconds().count() <= 0)
        return result;
    return WaitForV3();
}

int TSnmpMgrEngine::WaitForV3()
{
    const bool answered = wait.Run(
        endpoint, TimeoutMilliseconds(),
        [this] { return !endpoint.IsOpen() || closePending || destroyPending; },
        [this] { ReceivePending(); });
    if (!answered)
        return Fail(kTimeoutOrBadIndex, V3TimeoutMessage(v3.session.Discovered(), v3.securityLevel));
    if (v3.outcome != 0)
        return Fail(v3.outcome, v3.outcomeText);
    return 0;
}

int TSnmpMgrEngine::SendDiscovery()
{
    const std::int32_t msgId = v3.nextMsgId++;
    v3::TBytes datagram;
    if (v3::BuildDiscoveryMessage(msgId, msgId, datagram) != 0)
        return Fail(kBuildFailed, "Error building SNMP packet.");
    v3.discoveryMsgIds.push_back(msgId);
    if (v3.discoveryMsgIds.size() > kMaxDiscoveryIds)
        v3.discoveryMsgIds.erase(v3.discoveryMsgIds.begin());
    return SendTraced(datagram);
}

int TSnmpMgrEngine::SendV3Now(TV3Request& request)
{
    request.msgId = v3.nextMsgId++;
    TOutgoing out = outgoing;
    out.requestId = request.requestId;
    out.errorStatus = request.errorStatus;
    out.errorIndex = request.errorIndex;
    v3::TBytes datagram;
    std::string buildText;
    const int code = v3.session.BuildRequest(request.msgId, request.tag, out, request.table, v3.contextName,
                                             datagram, &buildText);
    if (code != 0) {
        const std::string text = !buildText.empty()          ? buildText
                               : !usm::UsmText(code).empty() ? std::string(usm::UsmText(code))
                                                             : std::string("Error building SNMP packet.");
        FinishV3(request.requestId, code, text);
        return Fail(code, text);
    }
    v3.sent.push_back(request);
    KeepBounded(v3.sent);
    return SendTraced(datagram);
}

int TSnmpMgrEngine::SendTraced(const std::vector<std::uint8_t>& datagram)
{
    RaisePacketTrace(datagram.data(), datagram.size(), 2, remoteAddressText, remotePort);
    if (!endpoint.IsOpen() || destroyPending)
        return Fail(kNotActive, "The control must be Active for this operation.");
    return SendDatagram(datagram);
}

// FinishV3 ends a request with an outcome: a blocking send returns it, an
// asynchronous one raises it as an error event.
void TSnmpMgrEngine::FinishV3(std::int32_t requestId, int code, const std::string& text)
{
    if (wait.IsWaiting() && requestId == v3.awaitedRequestId) {
        v3.outcome = code;
        v3.outcomeText = text;
        wait.End();
        return;
    }
    if (code != 0 && TimeoutMilliseconds().count() <= 0)
        RaiseError(code, text);
}

void TSnmpMgrEngine::ProcessV3(const std::uint8_t* data, std::size_t length, const std::string& fromText,
                               std::uint16_t fromPort)
{
    usm::TAnswer answer;
    const int opened =
        v3.session.OpenAnswer(std::span<const std::uint8_t>(data, length), answer, incoming, table);
    const std::int32_t msgId = answer.header.msgId;
    if (std::find(v3.discoveryMsgIds.begin(), v3.discoveryMsgIds.end(), msgId) != v3.discoveryMsgIds.end()) {
        TakeDiscovery(opened, answer);
        return;
    }
    auto found =
        std::find_if(v3.sent.begin(), v3.sent.end(), [&](const TV3Request& r) { return r.msgId == msgId; });
    if (found == v3.sent.end()) {
        if (opened != 0)
            RaiseBadPacket(data, length, fromText, fromPort, opened, std::string(usm::UsmText(opened)));
        else if (incoming.pduTag == static_cast<std::uint8_t>(Tag::GetResponse))
            RaiseResponse(SNMPMGR_EID_RESPONSE, fromText, fromPort);
        else
            RaiseBadPacket(data, length, fromText, fromPort, kMismatch, "Message origin unknown.");
        return;
    }
    TV3Request request = std::move(*found);
    v3.sent.erase(found);
    TakeV3Answer(opened, answer, request, fromText, fromPort);
}

void TSnmpMgrEngine::TakeDiscovery(int opened, const usm::TAnswer& answer)
{
    if (opened != 0 || answer.usm.engineId.empty() || v3.session.Discovered())
        return;  // a late or broken discovery answer changes nothing
    v3.discoveryMsgIds.clear();
    const int code = v3.session.SetEngine(answer.usm.engineId, answer.usm.boots, answer.usm.time);
    remoteEngineId.assign(answer.usm.engineId.begin(), answer.usm.engineId.end());
    remoteEngineBoots = static_cast<int>(answer.usm.boots);
    remoteEngineTime = static_cast<int>(answer.usm.time);
    std::deque<TV3Request> waiting;
    waiting.swap(v3.awaitingDiscovery);
    for (TV3Request& request : waiting) {
        if (code != 0)
            FinishV3(request.requestId, code, std::string(usm::UsmText(code)));
        else
            SendV3Now(request);
    }
}

void TSnmpMgrEngine::TakeV3Answer(int opened, const usm::TAnswer& answer, TV3Request& request,
                                  const std::string& fromText, std::uint16_t fromPort)
{
    if (opened != 0) {
        FinishV3(request.requestId, opened, std::string(usm::UsmText(opened)));
        return;
    }
    if (incoming.pduTag == static_cast<std::uint8_t>(Tag::Report)) {
        const bool again = !request.resent
                        && (answer.report == v3::TReportKind::NotInTimeWindows
                            || answer.report == v3::TReportKind::UnknownEngineIds);
        if (again) {
            request.resent = true;
            if (answer.report == v3::TReportKind::NotInTimeWindows) {
                // An authentic report has moved the clock forward already.
                if (!answer.authentic)
                    v3.session.SetEngine(answer.usm.engineId, answer.usm.boots, answer.usm.time);
                SendV3Now(request);
            } else {  // the agent restarted with a new engine ID
                v3.session.ForgetEngine();
                v3.awaitingDiscovery.push_back(std::move(request));
                SendDiscovery();
            }
            return;
        }
        FinishV3(request.requestId, CodeOfReport(answer.report),
                 ReportMessage(answer.report, user, v3.securityLevel));
        return;
    }
    if (incoming.pduTag == static_cast<std::uint8_t>(Tag::GetResponse)
        && incoming.errorStatus == kAuthorizationErrorStatus) {
        FinishV3(request.requestId, kAuthorization, AuthorizationMessage(user, v3.contextName));
        return;
    }
    if (wait.IsWaiting() && request.requestId == v3.awaitedRequestId)
        wait.End();
    if (incoming.pduTag == static_cast<std::uint8_t>(Tag::GetResponse))
        RaiseResponse(SNMPMGR_EID_RESPONSE, fromText, fromPort);
}

// Discover asks the agent for its engine ID, boots and time (again), without
// a request behind it.
int TSnmpMgrEngine::Discover()
{
    if (busyAction != TAction::None)
        return Fail(kBusy, "Busy performing current action.");
    int result = EnsureOpen();
    if (result == 0)
        result = PrepareV3();
    if (result != 0)
        return result;
    v3.session.ForgetEngine();
    result = SendDiscovery();
    if (result != 0 || TimeoutMilliseconds().count() <= 0)
        return result;
    wait.Run(
        endpoint, TimeoutMilliseconds(),
        [this] { return v3.session.Discovered() || !endpoint.IsOpen() || closePending || destroyPending; },
        [this] { ReceivePending(); });
    if (!v3.session.Discovered())
        return Fail(kTimeoutOrBadIndex, "Timeout.");
    return 0;
}

}  // namespace vxsnmp
