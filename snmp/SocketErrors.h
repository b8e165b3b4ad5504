// Socket-layer error codes of the engine. Errors of the Linux socket calls
// (errno) and of name resolution (getaddrinfo) are reported under the
// numbering the component has always used (10004..11004) with their fixed
// descriptions, so callers see one stable set of codes on every platform.
#pragma once

#include <string>
#include <string_view>

namespace vxsnmp {

// Codes the engine reports for socket-layer conditions.
enum SocketCode : int {
    kWsaInterrupted = 10004,
    kWsaBadFile = 10009,
    kWsaAccessDenied = 10013,
    kWsaBadAddress = 10014,
    kWsaInvalidArgument = 10022,
    kWsaTooManyFiles = 10024,
    kWsaWouldBlock = 10035,
    kWsaNotSocket = 10038,
    kWsaMessageTooLong = 10040,
    kWsaAddressInUse = 10048,
    kWsaAddressNotAvailable = 10049,
    kWsaNetworkDown = 10050,
    kWsaNetworkUnreachable = 10051,
    kWsaConnectionReset = 10054,
    kWsaNoBufferSpace = 10055,
    kWsaHostUnreachable = 10065,
    kWsaNotInitialised = 10093,
    kWsaHostNotFound = 11001,
    kWsaTryAgain = 11002,
    kWsaNoRecovery = 11003,
    kWsaNoData = 11004,
};

// SocketCodeFromErrno maps an errno value of a socket call onto the table's
// codes (EADDRINUSE 10048, ECONNREFUSED 10054, ...); an errno without a
// counterpart in the table gives 10022 (Invalid argument).
int SocketCodeFromErrno(int err);

// SocketCodeFromLookup maps a getaddrinfo result (EAI_*) onto 11001..11004.
// `err` is the errno at the time of the call, used for EAI_SYSTEM.
int SocketCodeFromLookup(int gaiResult, int err);

// SocketDescription gives the fixed description of a code, or empty text when
// the code is not in the table.
std::string_view SocketDescription(int code);

// SocketErrorText is the text a failing call gets when nothing more specific
// was said: "[" code "] " and the description, or "(no description
// available)" after the bracket when the code is not in the table.
std::string SocketErrorText(int code);

}  // namespace vxsnmp
