// The engine's SNMPv3 state: the user's settings as the properties hold
// them, the security session toward the current agent, and the requests that
// wait for discovery or for their answer.
#pragma once

#include "snmp/HostAddress.h"
#include "snmp/SnmpMessage.h"
#include "snmp/UsmSession.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vxsnmp {

// One request sent (or to be sent) over SNMPv3, kept so that it can be sent
// again after a resynchronisation or a rediscovery.
struct TV3Request {
    Tag tag = Tag::GetRequest;
    std::int32_t requestId = 0;
    std::int32_t msgId = 0;
    bool resent = false;  // one automatic resend at most
    // The PDU's error fields as asked: non-repeaters and max-repetitions for a
    // GetBulkRequest, which may leave only after the discovery.
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    TBindingTable table;
};

struct TV3State {
    // Properties.
    int securityLevel = 0;  // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
    int authProtocol = 0;   // usm::TAuthProtocol
    int privProtocol = 0;   // usm::TPrivProtocol
    std::string authPassword, privPassword, contextName;

    usm::TUsmSession session;
    bool userSet = false;
    TNetAddress agent;  // the agent the session's engine belongs to
    std::uint16_t agentPort = 0;
    std::int32_t nextMsgId = 1;
    std::vector<std::int32_t> discoveryMsgIds;  // the recent discovery requests
    std::deque<TV3Request> awaitingDiscovery;
    std::deque<TV3Request> sent;

    // A blocking send's request and what became of it.
    std::int32_t awaitedRequestId = 0;
    int outcome = 0;
    std::string outcomeText;
};

// Requests kept per list: older ones are dropped (their answers are then
// matched to nothing, as late answers are).
inline constexpr std::size_t kMaxKeptV3Requests = 64;
// Discovery requests whose answers are still taken.
inline constexpr std::size_t kMaxDiscoveryIds = 8;

// The error status an agent gives for a request its access rules refuse.
inline constexpr std::int32_t kAuthorizationErrorStatus = 16;

// The message for a Report PDU that ends a request (`level` names the
// user's security level).
std::string ReportMessage(v3::TReportKind kind, const std::string& user, int level);

// The message for a request refused by the agent's access rules.
std::string AuthorizationMessage(const std::string& user, const std::string& contextName);

// The time-out message of an SNMPv3 request; with privacy after a discovery
// that worked, a wrong privacy password is the likely cause (the agent stays
// silent when it cannot decrypt).
std::string V3TimeoutMessage(bool discovered, int level);

// The user the SNMPv3 properties describe (the authentication password is
// Password when AuthPassword is empty).
usm::TUsmUser V3UserOf(const std::string& name, const std::string& password, const TV3State& v3);

// Name of a security level as the vexgrid file writes it.
const char* SecurityLevelName(int level);

}  // namespace vxsnmp
