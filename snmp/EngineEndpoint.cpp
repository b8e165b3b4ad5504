// Opening and closing the engine's endpoint, and sending requests.
#include "snmp/SnmpMgrEngine.h"

#include "snmp/HostAddress.h"
#include "snmp/SocketErrors.h"
#include "snmp/SocketLibrary.h"

namespace vxsnmp {

TEndpointOptions TSnmpMgrEngine::EndpointOptions() const
{
    TEndpointOptions options;
    options.shareLocalPort = settings.shareLocalPort;
    options.inBufferSize = settings.inBufferSize;
    options.outBufferSize = settings.outBufferSize;
    options.timeToLive = settings.timeToLive;
    options.qosFlags = settings.qosFlags;
    return options;
}

bool TSnmpMgrEngine::IsActive() const { return endpoint.IsOpen() && !closePending; }

int TSnmpMgrEngine::Open()
{
    if (endpoint.IsOpen())
        return Fail(kAlreadyActive, "UDPPort is already Active.");
    int result = OpenOnce();
    if (result != 0 && !settings.forceLocalPort) {
        // The configured port is taken (or needs privileges): any free port
        // will do, and LocalPort says so from now on.
        localPort = 0;
        errorText.clear();
        result = OpenOnce();
    }
    if (result != 0 && errorText.empty())
        errorText = SocketErrorText(result);
    return result;
}

int TSnmpMgrEngine::OpenOnce()
{
    if (settings.useConnection && remotePort == 0)
        return Fail(kZeroRemotePort, "RemotePort can't be zero when UseConnection is set. "
                                     "Please specify a valid service port number.");
    if (!SocketLibraryLoaded())
        return kWsaNotInitialised;
    int err = endpoint.Open(localAddress, localPort, EndpointOptions(), SocketFamily());
    if (err == 0 && settings.useConnection) {
        err = endpoint.Connect(remoteAddress, remotePort);
        if (err != 0)
            endpoint.Close();
    }
    return err == 0 ? 0 : SocketCodeFromErrno(err);
}

// An IPv4 socket serves IPv4 agents; an IPv6 agent, or an IPv6 LocalHost,
// needs an IPv6 socket (bound to no address it serves both families).
int TSnmpMgrEngine::SocketFamily() const
{
    return localAddress.IsIpv6() || (localAddress.IsNone() && remoteAddress.IsIpv6()) ? AF_INET6 : AF_INET;
}

// ReopenForFamily turns an IPv4 socket bound to no address into an IPv6 one
// on the same port when the agent is an IPv6 address.
int TSnmpMgrEngine::ReopenForFamily()
{
    if (endpoint.Family() == SocketFamily() || endpoint.Family() == AF_INET6 || settings.useConnection)
        return 0;
    const std::uint16_t port = endpoint.BoundPort();
    endpoint.Close();
    const int err = endpoint.Open(localAddress, port, EndpointOptions(), AF_INET6);
    if (err == 0)
        return 0;
    const int code = SocketCodeFromErrno(err);
    return Fail(code, SocketErrorText(code));
}

int TSnmpMgrEngine::EnsureOpen()
{
    if (closePending) {  // a send takes back a close deferred by a handler
        closePending = false;
        return 0;
    }
    return endpoint.IsOpen() ? 0 : Open();
}

void TSnmpMgrEngine::Close()
{
    if (!endpoint.IsOpen())
        return;
    if (inReceive) {
        closePending = true;  // the receive loop closes when it ends
        return;
    }
    ReceivePending();  // hand out what already arrived
    closePending = false;
    endpoint.Close();
}

std::chrono::milliseconds TSnmpMgrEngine::TimeoutMilliseconds() const
{
    if (timeout <= 0)
        return std::chrono::milliseconds(0);
    if (settings.timeoutInMilliseconds)
        return std::chrono::milliseconds(timeout);
    return std::chrono::seconds(timeout);
}

int TSnmpMgrEngine::SendRequest(Tag pduTag)
{
    int result = EnsureOpen();
    if (result != 0)
        return result;
    if (outgoing.version == 3)
        return SendV3Request(pduTag);

    std::vector<std::uint8_t>& datagram = sendBuffer;
    std::string buildText;
    sentRequestId = outgoing.requestId;
    sentVersion = outgoing.version;
    result = BuildMessage(outgoing, pduTag, table, datagram, &buildText);
    if (result != 0)
        return Fail(result, buildText.empty() ? std::string("Error building SNMP packet.") : buildText);

    RaisePacketTrace(datagram.data(), datagram.size(), 2, remoteAddressText, remotePort);
    if (!endpoint.IsOpen() || destroyPending)  // a trace handler closed the endpoint
        return Fail(kNotActive, "The control must be Active for this operation.");
    result = SendDatagram(datagram);
    if (result != 0)
        return result;

    if (TimeoutMilliseconds().count() <= 0)
        return 0;  // asynchronous mode
    return WaitForAnswer();
}

int TSnmpMgrEngine::SendDatagram(const std::vector<std::uint8_t>& datagram)
{
    // Linux would deliver a datagram for 0.0.0.0 to this machine; no address
    // means there is nobody to send to.
    if (remoteAddress.IsNone() && !settings.useConnection)
        return Fail(kWsaAddressNotAvailable, SocketErrorText(kWsaAddressNotAvailable));
    if (const int reopened = ReopenForFamily(); reopened != 0)
        return reopened;
    const int err =
        endpoint.SendTo(datagram.data(), datagram.size(), remoteAddress, remotePort, settings.useConnection);
    if (err != 0) {
        const int code = SocketCodeFromErrno(err);
        return Fail(code, SocketErrorText(code));
    }
    ++requestsSent;
    return 0;
}

// WaitForAnswer ends when the matching answer has been processed or the
// deadline has passed; closing or destroying the engine cuts it short.
int TSnmpMgrEngine::WaitForAnswer()
{
    const bool answered = wait.Run(
        endpoint, TimeoutMilliseconds(),
        [this] { return !endpoint.IsOpen() || closePending || destroyPending; },
        [this] { ReceivePending(); });
    return answered ? 0 : Fail(kTimeoutOrBadIndex, "Timeout.");
}

}  // namespace vxsnmp
