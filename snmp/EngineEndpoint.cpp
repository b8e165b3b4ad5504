// Opening and closing the engine's endpoint, sending requests and the
// blocking wait for their answers.
#include "SnmpMgrEngine.h"

#include "HostAddress.h"
#include "SocketErrors.h"
#include "SocketLibrary.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace vxsnmp {

namespace {

// The blocking wait looks at its deadline at least this often.
constexpr int kWaitSliceMs = 50;

}  // namespace

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

bool TSnmpMgrEngine::IsActive() const
{
    return endpoint.IsOpen() && !closePending;
}

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
    int err = endpoint.Open(localAddress, localPort, EndpointOptions());
    if (err == 0 && settings.useConnection) {
        err = endpoint.Connect(remoteAddress, remotePort);
        if (err != 0)
            endpoint.Close();
    }
    return err == 0 ? 0 : SocketCodeFromErrno(err);
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

long long TSnmpMgrEngine::TimeoutMilliseconds() const
{
    if (timeout <= 0)
        return 0;
    return settings.timeoutInMilliseconds ? timeout : static_cast<long long>(timeout) * 1000;
}

int TSnmpMgrEngine::SendRequest(Tag pduTag)
{
    int result = EnsureOpen();
    if (result != 0)
        return result;

    std::vector<std::uint8_t> datagram;
    std::string buildText;
    sentRequestId = outgoing.requestId;
    sentVersion = outgoing.version;
    result = BuildMessage(outgoing, pduTag, table, datagram, &buildText);
    if (result != 0)
        return Fail(result, buildText.empty() ? std::string("Error building SNMP packet.") : buildText);

    RaisePacketTrace(datagram.data(), datagram.size(), 2, DottedAddress(remoteAddress), remotePort);
    if (!endpoint.IsOpen() || destroyPending)  // a trace handler closed the endpoint
        return Fail(kNotActive, "The control must be Active for this operation.");
    result = SendDatagram(datagram);
    if (result != 0)
        return result;

    const long long timeoutMs = TimeoutMilliseconds();
    if (timeoutMs <= 0)
        return 0;
    return WaitForAnswer();
}

int TSnmpMgrEngine::SendDatagram(const std::vector<std::uint8_t>& datagram)
{
    // Linux would deliver a datagram for 0.0.0.0 to this machine; no address
    // means there is nobody to send to.
    if (remoteAddress == kNoAddress && !settings.useConnection)
        return Fail(kWsaAddressNotAvailable, SocketErrorText(kWsaAddressNotAvailable));
    const int err = endpoint.SendTo(datagram.data(), datagram.size(), remoteAddress, remotePort,
                                    settings.useConnection);
    if (err != 0) {
        const int code = SocketCodeFromErrno(err);
        return Fail(code, SocketErrorText(code));
    }
    return 0;
}

void TSnmpMgrEngine::PushDeadline()
{
    if (waiting && !settings.absoluteTimeout)
        deadline = TClock::now() + std::chrono::milliseconds(TimeoutMilliseconds());
}

// WaitForAnswer runs the thread's events until the matching answer has been
// processed (which clears `waiting`) or the deadline has passed. Without an
// event dispatcher on this thread it polls the socket itself.
int TSnmpMgrEngine::WaitForAnswer()
{
    waiting = true;
    deadline = TClock::now() + std::chrono::milliseconds(TimeoutMilliseconds());
    const bool useEvents = endpoint.HasNotifier()
                           && QAbstractEventDispatcher::instance(QThread::currentThread()) != nullptr;
    QTimer slice;
    if (useEvents)
        slice.start(kWaitSliceMs);  // wakes the wait below at least every slice
    while (waiting) {
        if (TClock::now() >= deadline || !endpoint.IsOpen() || closePending || destroyPending)
            break;
        if (useEvents) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else if (endpoint.WaitReadable(kWaitSliceMs)) {
            ReceivePending();
        }
    }
    if (!waiting)
        return 0;
    waiting = false;
    return Fail(kTimeoutOrBadIndex, "Timeout.");
}

}  // namespace vxsnmp
