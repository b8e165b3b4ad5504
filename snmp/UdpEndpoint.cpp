#include "snmp/UdpEndpoint.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxsnmp {

namespace {

int SetIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value) == 0 ? 0 : errno;
}

// A queue of ICMP errors cannot grow without bound, but a stuck entry must
// not keep the caller looping either.
constexpr int kMaxQueuedErrors = 64;

}  // namespace

TUdpEndpoint::TUdpEndpoint(std::function<void()> handler) : onReadable(std::move(handler)) {}

TUdpEndpoint::~TUdpEndpoint() { Close(); }

int TUdpEndpoint::Open(const TNetAddress& localAddress, std::uint16_t localPort,
                       const TEndpointOptions& options, int socketFamily)
{
    if (fd >= 0)
        return EISCONN;
    int s = socket(socketFamily, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0)
        return errno;
    family = socketFamily;
    int result = 0;
    if (options.shareLocalPort)
        result = SetIntOption(s, SOL_SOCKET, SO_REUSEADDR, 1);
    // Bound to no address or to the IPv6 any address (::), an IPv6 socket
    // takes IPv4 peers as well: one socket listens on both families.
    const bool anyAddress = localAddress.IsNone() || localAddress.Text() == "::";
    if (result == 0 && family == AF_INET6)
        result = SetIntOption(s, IPPROTO_IPV6, IPV6_V6ONLY, anyAddress ? 0 : 1);
    if (result == 0) {
        sockaddr_storage sa{};
        const socklen_t len = localAddress.ToSocket(family, localPort, sa);
        if (bind(s, reinterpret_cast<const sockaddr*>(&sa), len) != 0)
            result = errno;
    }
    if (result != 0) {
        ::close(s);
        return result;
    }
    fd = s;
    // Buffer sizes and IP options are wishes: the kernel clamps or refuses
    // some values without that making the endpoint unusable.
    ApplyBufferSizes(options.inBufferSize, options.outBufferSize);
    ApplyIpOptions(options.timeToLive, options.qosFlags);
    SetIntOption(fd, SOL_SOCKET, SO_BROADCAST, 1);
    // Without IP_RECVERR Linux drops ICMP errors for unconnected UDP sockets;
    // with it, a port-unreachable surfaces as ECONNREFUSED on the next call.
    SetIntOption(fd, IPPROTO_IP, IP_RECVERR, 1);
    if (family == AF_INET6)
        SetIntOption(fd, IPPROTO_IPV6, IPV6_RECVERR, 1);

    if (QAbstractEventDispatcher::instance(QThread::currentThread()) != nullptr) {
        notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read);
        // The slot holds its own copy of the handler: the handler may close
        // and free this endpoint while it runs.
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = onReadable] {
            if (handler)
                handler();
        });
    }
    return 0;
}

int TUdpEndpoint::Connect(const TNetAddress& address, std::uint16_t port)
{
    sockaddr_storage sa{};
    const socklen_t len = address.ToSocket(family, port, sa);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), len) != 0 && errno != EINPROGRESS)
        return errno;
    return 0;
}

void TUdpEndpoint::Close()
{
    if (notifier != nullptr) {
        notifier->setEnabled(false);
        QObject::disconnect(notifier, nullptr, nullptr, nullptr);
        // The endpoint may close from inside the notifier's own signal.
        notifier->deleteLater();
        notifier = nullptr;
    }
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

int TUdpEndpoint::ApplyBufferSizes(int inBufferSize, int outBufferSize)
{
    if (fd < 0)
        return 0;
    int result = 0;
    if (inBufferSize > 0)
        result = SetIntOption(fd, SOL_SOCKET, SO_RCVBUF, inBufferSize);
    if (outBufferSize > 0 && result == 0)
        result = SetIntOption(fd, SOL_SOCKET, SO_SNDBUF, outBufferSize);
    return result;
}

int TUdpEndpoint::ApplyIpOptions(int timeToLive, int qosFlags)
{
    if (fd < 0)
        return 0;
    int result = 0;
    if (timeToLive > 0)
        result = SetIntOption(fd, IPPROTO_IP, IP_TTL, timeToLive);
    if (result == 0)
        result = SetIntOption(fd, IPPROTO_IP, IP_TOS, qosFlags & 0xFF);
    if (family == AF_INET6) {  // the IPv6 counterparts; the IPv4 ones cover mapped peers
        result = 0;
        if (timeToLive > 0)
            result = SetIntOption(fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, timeToLive);
        if (result == 0)
            result = SetIntOption(fd, IPPROTO_IPV6, IPV6_TCLASS, qosFlags & 0xFF);
    }
    return result;
}

TNetAddress TUdpEndpoint::BoundAddress() const
{
    sockaddr_storage sa{};
    socklen_t len = sizeof sa;
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return {};
    return TNetAddress::FromSocket(reinterpret_cast<const sockaddr*>(&sa), len);
}

std::uint16_t TUdpEndpoint::BoundPort() const
{
    sockaddr_storage sa{};
    socklen_t len = sizeof sa;
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return 0;
    // sin_port and sin6_port sit at the same place
    return ntohs(reinterpret_cast<const sockaddr_in*>(&sa)->sin_port);
}

int TUdpEndpoint::SendTo(const std::uint8_t* data, std::size_t length, const TNetAddress& address,
                         std::uint16_t port, bool connected)
{
    if (fd < 0)
        return EBADF;
    if (family == AF_INET && address.IsIpv6())
        return EAFNOSUPPORT;
    sockaddr_storage sa{};
    const socklen_t saLength = address.ToSocket(family, port, sa);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ssize_t sent = connected ? ::send(fd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL)
                                 : ::sendto(fd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL,
                                            reinterpret_cast<const sockaddr*>(&sa), saLength);
        if (sent >= 0)
            return 0;
        // A pending ICMP error of an earlier datagram is handed to whichever
        // call comes next; it belongs to the receive side (the error queue
        // still holds it), not to this datagram, so send once more.
        if (errno != ECONNREFUSED || connected)
            return errno;
    }
    return ECONNREFUSED;
}

TReceiveResult TUdpEndpoint::Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& length,
                                     TNetAddress& fromAddress, std::uint16_t& fromPort, int& err)
{
    length = 0;
    err = 0;
    if (fd < 0) {
        err = EBADF;
        return TReceiveResult::Error;
    }
    sockaddr_storage from{};
    iovec iov{buffer, capacity};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    ssize_t got = ::recvmsg(fd, &msg, MSG_DONTWAIT);
    if (got < 0) {
        err = errno;
        return (err == EAGAIN || err == EWOULDBLOCK) ? TReceiveResult::NoData : TReceiveResult::Error;
    }
    fromAddress = TNetAddress::FromSocket(reinterpret_cast<const sockaddr*>(&from), msg.msg_namelen);
    fromPort = ntohs(reinterpret_cast<const sockaddr_in*>(&from)->sin_port);
    length = static_cast<std::size_t>(got) < capacity ? static_cast<std::size_t>(got) : capacity;
    return (msg.msg_flags & MSG_TRUNC) != 0 ? TReceiveResult::Truncated : TReceiveResult::Datagram;
}

int TUdpEndpoint::TakeQueuedError()
{
    if (fd < 0)
        return 0;
    int first = 0;
    for (int i = 0; i < kMaxQueuedErrors; ++i) {
        std::uint8_t data[64];
        alignas(cmsghdr) char control[512];
        sockaddr_storage offender{};
        iovec iov{data, sizeof data};
        msghdr msg{};
        msg.msg_name = &offender;
        msg.msg_namelen = sizeof offender;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        if (::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if ((c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR)
                || (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR)) {
                const auto* e = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
                if (first == 0)
                    first = static_cast<int>(e->ee_errno);
            }
        }
    }
    int pending = 0;
    socklen_t len = sizeof pending;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &len);
    return first != 0 ? first : pending;
}

void TUdpEndpoint::SetNotificationsEnabled(bool enabled)
{
    if (notifier != nullptr)
        notifier->setEnabled(enabled);
}

bool TUdpEndpoint::WaitReadable(int milliseconds) const
{
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0;
}

}  // namespace vxsnmp
