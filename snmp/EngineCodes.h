// Result codes the engine sets itself (socket-layer codes: SocketErrors.h;
// codec codes: SnmpMessage.h).
#pragma once

namespace vxsnmp {

enum EngineCode : int {
    kUnknownSetting = -1,
    kAlreadyActive = 104,
    kLocalPortWhileActive = 106,
    kLocalHostWhileActive = 107,
    kNotActive = 109,
    kMaxPacketSizeWhileActive = 112,
    kRemoteHostWhileConnected = 114,
    kRemotePortWhileConnected = 115,
    kZeroRemotePort = 116,
    kUseConnectionWhileActive = 117,
    kOutOfMemory = 200,
    kIndexCheckFailed = 280,
    kTimeoutOrBadIndex = 301,
    kTooManyObjects = 302,
    kInvalidAction = 304,
    kBusy = 307,
    kMismatch = 318,
    kNotPermitted = 319,
    // SNMPv3 outcomes beside the security codes of UsmKeys.h (460..470).
    kAgentReport = 471,    // a Report PDU the request cannot get past
    kAuthorization = 472,  // authorizationError: the agent's access rules refuse
};

}  // namespace vxsnmp
