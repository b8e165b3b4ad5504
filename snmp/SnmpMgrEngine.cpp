#include "snmp/SnmpMgrEngine.h"

#include "snmp/HostAddress.h"
#include "snmp/SocketErrors.h"

#include <cstdint>
#include <cstring>

namespace vxsnmp {

namespace {

const char* TextArgument(std::intptr_t value)
{
    const char* text = reinterpret_cast<const char*>(value);
    return text != nullptr ? text : "";
}

// A byte property's value: `len` bytes, or zero-terminated text when len is 0.
std::string BytesArgument(std::intptr_t value, int len)
{
    const char* p = reinterpret_cast<const char*>(value);
    if (p == nullptr)
        return {};
    return len > 0 ? std::string(p, static_cast<std::size_t>(len)) : std::string(p);
}

// A choice property takes 0..maximum; anything else is refused and leaves it.
int SetChoice(int& field, int value, int maximum)
{
    if (value < 0 || value > maximum)
        return kWsaInvalidArgument;
    field = value;
    return 0;
}

bool IsBindingProperty(int propId)
{
    return propId == SNMPMGR_PID_OBJID || propId == SNMPMGR_PID_OBJTYPE || propId == SNMPMGR_PID_OBJVALUE;
}

}  // namespace

TSnmpMgrEngine::TSnmpMgrEngine(SNMPMgr_EventCallback eventCallback, void* eventContext)
    : callback(eventCallback), context(eventContext), endpoint([this] { OnReadable(); })
{
    table.Reset();
}

TSnmpMgrEngine::~TSnmpMgrEngine() { endpoint.Close(); }

bool TSnmpMgrEngine::Leave()
{
    if (--depth == 0 && destroyPending) {
        delete this;
        return true;
    }
    return false;
}

void TSnmpMgrEngine::Destroy()
{
    if (depth > 0) {
        // Called from one of our own callbacks: stop receiving and waiting now,
        // free the instance when the engine's call on the stack returns.
        destroyPending = true;
        acceptData = false;
        wait.End();
        callback = nullptr;
        return;
    }
    delete this;
}

int TSnmpMgrEngine::Fail(int code, std::string text)
{
    errorText = std::move(text);
    return code;
}

// Finish stores a call's result as the last error, filling in a text when the
// failure site gave none.
int TSnmpMgrEngine::Finish(int result)
{
    errorCode = result;
    if (result == 0)
        errorText.clear();
    else if (errorText.empty())
        errorText = result == kTimeoutOrBadIndex ? "Interrupted."
                  : result == kOutOfMemory       ? "Out of memory."
                                                 : SocketErrorText(result);
    return result;
}

int TSnmpMgrEngine::CheckIndex(int propId, int index) const
{
    if (IsBindingProperty(propId) && (index < 1 || index > table.count))
        return kIndexCheckFailed;
    return 0;
}

std::intptr_t TSnmpMgrEngine::Get(int propId, int index, int* outLen)
{
    auto text = [&](std::string value) {
        scratch = std::move(value);
        if (outLen != nullptr)
            *outLen = static_cast<int>(scratch.size());
        return reinterpret_cast<std::intptr_t>(scratch.c_str());
    };
    if (outLen != nullptr)
        *outLen = 0;
    const bool bindingOk = index >= 1 && index <= table.count;
    switch (propId) {
    case SNMPMGR_PID_ACTIVE: return IsActive() ? 1 : 0;
    case SNMPMGR_PID_COMMUNITY: return text(outgoing.community);
    case SNMPMGR_PID_LOCALENGINEID: return text(localEngineId);
    case SNMPMGR_PID_LOCALHOST:
        if (endpoint.IsOpen())
            return text(endpoint.BoundAddress().Text().empty() ? "0.0.0.0" : endpoint.BoundAddress().Text());
        return text(!localAddress.IsNone() ? localAddress.Text() : LocalHostName());
    case SNMPMGR_PID_LOCALPORT: return localPort;
    case SNMPMGR_PID_OBJCOUNT: return table.count;
    case SNMPMGR_PID_OBJID: return text(bindingOk ? table.Slot(index - 1).oid : std::string());
    case SNMPMGR_PID_OBJTYPE: return bindingOk ? table.Slot(index - 1).type : 0;
    case SNMPMGR_PID_OBJVALUE: return text(bindingOk ? table.Slot(index - 1).value : std::string());
    case SNMPMGR_PID_PASSWORD: return text(password);
    case SNMPMGR_PID_REMOTEENGINEBOOTS: return remoteEngineBoots;
    case SNMPMGR_PID_REMOTEENGINEID: return text(remoteEngineId);
    case SNMPMGR_PID_REMOTEENGINETIME: return remoteEngineTime;
    case SNMPMGR_PID_REMOTEHOST: return text(remoteAddressText);
    case SNMPMGR_PID_REMOTEPORT: return remotePort;
    case SNMPMGR_PID_REQUESTID: return outgoing.requestId;
    case SNMPMGR_PID_SNMPVERSION: return outgoing.version == 0 ? 1 : outgoing.version == 1 ? 2 : 3;
    case SNMPMGR_PID_TIMEOUT: return timeout;
    case SNMPMGR_PID_USER: return text(user);
    case SNMPMGR_PID_SECURITYLEVEL: return v3.securityLevel;
    case SNMPMGR_PID_AUTHPROTOCOL: return v3.authProtocol;
    case SNMPMGR_PID_AUTHPASSWORD: return text(v3.authPassword);
    case SNMPMGR_PID_PRIVPROTOCOL: return v3.privProtocol;
    case SNMPMGR_PID_PRIVPASSWORD: return text(v3.privPassword);
    case SNMPMGR_PID_CONTEXTNAME: return text(v3.contextName);
    default: return 0;
    }
}

int TSnmpMgrEngine::Set(int propId, int index, std::intptr_t value, int len)
{
    errorText.clear();
    return Finish(SetProperty(propId, index, value, len));
}

int TSnmpMgrEngine::SetProperty(int propId, int index, std::intptr_t value, int len)
{
    const int number = static_cast<int>(value);
    if (IsBindingProperty(propId) && (index < 1 || index > table.count))
        return Fail(kTimeoutOrBadIndex, "Invalid object index: must be in [1..ObjCount].");
    switch (propId) {
    case SNMPMGR_PID_ACTIVE:
        if (number == 0) {
            Close();
            return 0;
        }
        if (closePending) {  // still open: an Active := False from a handler is taken back
            closePending = false;
            return 0;
        }
        return Open();
    case SNMPMGR_PID_COMMUNITY: outgoing.community = TextArgument(value); return 0;
    case SNMPMGR_PID_LOCALENGINEID: localEngineId = BytesArgument(value, len); return 0;
    case SNMPMGR_PID_LOCALHOST: {
        if (endpoint.IsOpen())
            return Fail(kLocalHostWhileActive, "Cannot change LocalHost while the control is Active.");
        TNetAddress address;
        const int result = ResolveHost(TextArgument(value), address);
        localAddress = address;
        return result;
    }
    case SNMPMGR_PID_LOCALPORT:
        if (endpoint.IsOpen())
            return Fail(kLocalPortWhileActive,
                        "You cannot change the LocalPort while the control is Active.");
        if (number < 0 || number > 65535)
            return kWsaInvalidArgument;
        localPort = static_cast<std::uint16_t>(number);
        return 0;
    case SNMPMGR_PID_OBJCOUNT:
        if (number < 0 || number > kMaxBindings)
            return Fail(kTooManyObjects, "Value exceeds maximum number of objects allowed.");
        table.SetCount(number);
        return 0;
    case SNMPMGR_PID_OBJID: table.Slot(index - 1).oid = TextArgument(value); return 0;
    case SNMPMGR_PID_OBJTYPE: table.Slot(index - 1).type = static_cast<std::uint8_t>(number); return 0;
    case SNMPMGR_PID_OBJVALUE: table.Slot(index - 1).value = BytesArgument(value, len); return 0;
    case SNMPMGR_PID_PASSWORD: password = TextArgument(value); return 0;
    case SNMPMGR_PID_REMOTEENGINEBOOTS: remoteEngineBoots = number; return 0;
    case SNMPMGR_PID_REMOTEENGINEID: remoteEngineId = BytesArgument(value, len); return 0;
    case SNMPMGR_PID_REMOTEENGINETIME: remoteEngineTime = number; return 0;
    case SNMPMGR_PID_REMOTEHOST: return SetRemoteHost(TextArgument(value));
    case SNMPMGR_PID_REMOTEPORT:
        if (settings.useConnection && endpoint.IsOpen())
            return Fail(kRemotePortWhileConnected,
                        "Cannot change RemotePort when UseConnection is set and the control is Active.");
        if (number < 0 || number > 65535)
            return kWsaInvalidArgument;
        remotePort = static_cast<std::uint16_t>(number);
        return 0;
    case SNMPMGR_PID_REQUESTID: outgoing.requestId = static_cast<std::int32_t>(number); return 0;
    case SNMPMGR_PID_SNMPVERSION: SetVersion(number); return 0;
    case SNMPMGR_PID_TIMEOUT: timeout = number; return 0;
    case SNMPMGR_PID_USER: user = TextArgument(value); return 0;
    case SNMPMGR_PID_SECURITYLEVEL: return SetChoice(v3.securityLevel, number, 2);
    case SNMPMGR_PID_AUTHPROTOCOL: return SetChoice(v3.authProtocol, number, 6);
    case SNMPMGR_PID_AUTHPASSWORD: v3.authPassword = TextArgument(value); return 0;
    case SNMPMGR_PID_PRIVPROTOCOL: return SetChoice(v3.privProtocol, number, 4);
    case SNMPMGR_PID_PRIVPASSWORD: v3.privPassword = TextArgument(value); return 0;
    case SNMPMGR_PID_CONTEXTNAME: v3.contextName = TextArgument(value); return 0;
    default: return Fail(kUnknownSetting, "Unknown property.");
    }
}

// SNMPVersion 1 and 2 select SNMPv1 and SNMPv2c, 3 SNMPv3; any other number
// falls back to SNMPv1.
void TSnmpMgrEngine::SetVersion(int snmpVersion)
{
    outgoing.version = snmpVersion == 2 ? 1 : snmpVersion == 3 ? 3 : 0;
}

void TSnmpMgrEngine::SetRemoteAddress(const TNetAddress& address)
{
    remoteAddress = address;
    remoteAddressText = address.Text();
}

int TSnmpMgrEngine::SetRemoteHost(const std::string& text)
{
    if (settings.useConnection && endpoint.IsOpen())
        return Fail(kRemoteHostWhileConnected,
                    "Cannot change RemoteHost when UseConnection is set and the control is Active.");
    TNetAddress address;
    const int result = ResolveHost(text, address, &remoteAddresses);
    SetRemoteAddress(address);
    return result == 0 ? 0 : Fail(result, SocketErrorText(result));
}

int TSnmpMgrEngine::Do(int methodId, int argc, std::intptr_t* argv, int* /*argLens*/)
{
    errorText.clear();
    switch (methodId) {
    case SNMPMGR_MID_CONFIG: {
        const char* setting = (argc >= 1 && argv != nullptr) ? TextArgument(argv[0]) : "";
        std::string result;
        const int code = Config(setting, result);
        scratch = std::move(result);
        if (argv != nullptr)
            argv[1] = reinterpret_cast<std::intptr_t>(scratch.c_str());
        return Finish(code);
    }
    case SNMPMGR_MID_RESET_ALIAS:
    case SNMPMGR_MID_RESET: return Finish(Perform(TAction::None));
    case SNMPMGR_MID_SENDGETNEXTREQUEST: return Finish(Perform(TAction::GetNextRequest));
    case SNMPMGR_MID_SENDGETREQUEST: return Finish(Perform(TAction::GetRequest));
    case SNMPMGR_MID_DISCOVER: return Finish(Discover());
    case SNMPMGR_MID_SENDGETBULKREQUEST: return Finish(PerformGetBulk(argc, argv));
    default: return Finish(Fail(kInvalidAction, "Invalid Action code"));
    }
}

int TSnmpMgrEngine::Perform(TAction action)
{
    if (action == TAction::None) {
        table.Reset();
        outgoing.errorStatus = 0;
        outgoing.errorIndex = 0;
        return 0;
    }
    if (busyAction != TAction::None)
        return Fail(kBusy, "Busy performing current action.");
    // The manager role sends requests; answers and traps are not its to send.
    if (action == TAction::GetResponse || action == TAction::Trap)
        return Fail(kNotPermitted, "Operation not permitted in current role.");
    if (action != TAction::GetRequest && action != TAction::GetNextRequest)
        return Fail(kInvalidAction, "Invalid Action code");
    busyAction = action;
    int result = SendRequest(action == TAction::GetRequest ? Tag::GetRequest : Tag::GetNextRequest);
    busyAction = TAction::None;
    wait.End();
    if (result != 0 && errorText.empty())
        errorText = "Error building SNMP packet.";
    return result;
}

// A GetBulkRequest carries non-repeaters and max-repetitions where the other
// requests carry error status and index; they are the outgoing message's
// error fields for this one send only.
int TSnmpMgrEngine::PerformGetBulk(int argc, const std::intptr_t* argv)
{
    if (argc < 2 || argv == nullptr || argv[0] < 0 || argv[1] < 0 || argv[0] > INT32_MAX
        || argv[1] > INT32_MAX)
        return Fail(kWsaInvalidArgument, "GetBulkRequest needs non-repeaters and max-repetitions "
                                         "from 0 to 2147483647.");
    if (outgoing.version == 0)
        return Fail(kInvalidAction, "GetBulkRequest does not exist in SNMPv1.");
    if (busyAction != TAction::None)
        return Fail(kBusy, "Busy performing current action.");
    const std::int32_t status = outgoing.errorStatus;
    const std::int32_t index = outgoing.errorIndex;
    outgoing.errorStatus = static_cast<std::int32_t>(argv[0]);
    outgoing.errorIndex = static_cast<std::int32_t>(argv[1]);
    busyAction = TAction::GetBulkRequest;
    const int result = SendRequest(Tag::GetBulkRequest);
    busyAction = TAction::None;
    outgoing.errorStatus = status;
    outgoing.errorIndex = index;
    wait.End();
    if (result != 0 && errorText.empty())
        errorText = "Error building SNMP packet.";
    return result;
}

}  // namespace vxsnmp
