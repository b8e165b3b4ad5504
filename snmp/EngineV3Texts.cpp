// The messages of SNMPv3 outcomes: each names its cause.
#include "snmp/EngineV3.h"

namespace vxsnmp {

const char* SecurityLevelName(int level)
{
    return level == 2 ? "authPriv" : level == 1 ? "authNoPriv" : "noAuthNoPriv";
}

std::string ReportMessage(v3::TReportKind kind, const std::string& user, int level)
{
    using K = v3::TReportKind;
    const std::string who = "user \"" + user + "\"";
    switch (kind) {
    case K::UnknownUserNames: return "SNMPv3: the agent does not know " + who + " (unknown user name).";
    case K::WrongDigests:
        return "SNMPv3: the agent refused the digest of " + who
             + ": wrong authentication password or protocol (wrong digest).";
    case K::NotInTimeWindows:
        return "SNMPv3: the agent's clock stays outside the time window after resynchronising "
               "(not in time window).";
    case K::UnknownEngineIds:
        return "SNMPv3: the agent does not accept its own engine ID even after rediscovery "
               "(unknown engine ID).";
    case K::UnsupportedSecLevels:
        return std::string("SNMPv3: the agent does not accept security level ") + SecurityLevelName(level)
             + " for " + who + " (unsupported security level).";
    case K::DecryptionErrors:
        return "SNMPv3: the agent could not decrypt the request of " + who
             + ": wrong privacy password or protocol (decryption error).";
    case K::UnknownContexts:
    case K::UnavailableContexts:
        return "SNMPv3: the agent has no such context (" + std::string(v3::ReportName(kind)) + ").";
    default: return "SNMPv3: the agent refused the request (" + std::string(v3::ReportName(kind)) + ").";
    }
}

std::string AuthorizationMessage(const std::string& user, const std::string& contextName)
{
    return "SNMPv3: access denied (authorizationError): the agent's access rules do not let user \"" + user
         + "\" read these objects"
         + (contextName.empty() ? std::string(".") : " in context \"" + contextName + "\".");
}

std::string V3TimeoutMessage(bool discovered, int level)
{
    if (discovered && level == 2)
        return "Timeout. The agent answered the discovery but not the encrypted request: "
               "a wrong privacy password (or protocol) is the likely cause.";
    return "Timeout.";
}

}  // namespace vxsnmp
