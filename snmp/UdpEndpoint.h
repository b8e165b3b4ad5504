// TUdpEndpoint: the engine's UDP socket, IPv4 or IPv6 (an IPv6 socket bound
// to no address also carries IPv4, as mapped addresses). Non-blocking; read readiness is
// delivered by a QSocketNotifier on the thread that opened the endpoint, and
// ICMP errors for earlier datagrams (port unreachable, ...) are collected
// through the socket's error queue so that they can be reported and cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "snmp/HostAddress.h"

class QSocketNotifier;

namespace vxsnmp {

struct TEndpointOptions {
    bool shareLocalPort = false;  // SO_REUSEADDR before binding
    int inBufferSize = 32768;     // SO_RCVBUF; 0 leaves the system's size
    int outBufferSize = 32768;    // SO_SNDBUF; 0 leaves the system's size
    int timeToLive = 0;           // IP_TTL; 0 leaves the system's default
    int qosFlags = 0;             // IP_TOS
};

// What one receive call found.
enum class TReceiveResult {
    Datagram,   // a datagram of `length` bytes
    Truncated,  // a datagram longer than the buffer; its head was read and the rest dropped
    NoData,     // nothing pending
    Error,      // the call failed; `err` holds errno
};

class TUdpEndpoint {
public:
    // `onReadable` runs on the owning thread whenever the socket is readable
    // or has a pending error.
    explicit TUdpEndpoint(std::function<void()> onReadable);
    ~TUdpEndpoint();
    TUdpEndpoint(const TUdpEndpoint&) = delete;
    TUdpEndpoint& operator=(const TUdpEndpoint&) = delete;

    bool IsOpen() const { return fd >= 0; }
    int Handle() const { return fd; }

    // Open creates a socket of `family` (AF_INET or AF_INET6), applies the
    // options and binds it. Returns 0 or errno; on failure nothing stays open.
    int Open(const TNetAddress& localAddress, std::uint16_t localPort, const TEndpointOptions& options,
             int family = AF_INET);
    int Family() const { return family; }
    // Connect fixes the peer (UseConnection). Returns 0 or errno.
    int Connect(const TNetAddress& address, std::uint16_t port);
    void Close();

    // Apply* change the options of an open socket. Return 0 or errno.
    int ApplyBufferSizes(int inBufferSize, int outBufferSize);
    int ApplyIpOptions(int timeToLive, int qosFlags);

    // The address and port the socket is bound to (none and 0 when closed).
    TNetAddress BoundAddress() const;
    std::uint16_t BoundPort() const;

    // SendTo sends one datagram (to the connected peer when `connected`).
    // Returns 0 or errno.
    int SendTo(const std::uint8_t* data, std::size_t length, const TNetAddress& address, std::uint16_t port,
               bool connected);

    // Receive reads one datagram into buffer[0..capacity).
    TReceiveResult Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& length,
                           TNetAddress& fromAddress, std::uint16_t& fromPort, int& err);

    // TakeQueuedError empties the socket's error queue and its pending error;
    // returns the errno of the first entry found, or 0.
    int TakeQueuedError();

    // Read notifications are suspended while the owner works through the
    // pending datagrams, so that nested event processing cannot spin on them.
    void SetNotificationsEnabled(bool enabled);
    bool HasNotifier() const { return notifier != nullptr; }

    // WaitReadable blocks up to `milliseconds` for read readiness or an error.
    bool WaitReadable(int milliseconds) const;

private:
    std::function<void()> onReadable;
    int fd = -1;
    int family = AF_INET;
    QSocketNotifier* notifier = nullptr;
};

}  // namespace vxsnmp
