#include "TUdpResponder.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxtest {

TUdpResponder::TUdpResponder(TScript replies) : script(std::move(replies)) {}

TUdpResponder::~TUdpResponder() { Stop(); }

::testing::AssertionResult TUdpResponder::Start()
{
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return ::testing::AssertionFailure()
            << "TUdpResponder: cannot bind 127.0.0.1: " << std::strerror(errno);
    port = ntohs(sa.sin_port);
    stopping = false;
    thread = std::thread([this] { Run(); });
    return ::testing::AssertionSuccess();
}

void TUdpResponder::Stop()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    if (fd >= 0)
        close(fd);
    fd = -1;
}

void TUdpResponder::SetScript(TScript newScript)
{
    std::lock_guard<std::mutex> guard(lock);
    script = std::move(newScript);
}

void TUdpResponder::Send(const TBytes& bytes, int toPort) { SendNow(bytes, toPort); }

void TUdpResponder::SendNow(const TBytes& bytes, int toPort)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(toPort));
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

std::vector<TDatagram> TUdpResponder::Received() const
{
    std::lock_guard<std::mutex> guard(lock);
    return received;
}

bool TUdpResponder::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> guard(lock);
    return arrived.wait_for(guard, timeout, [&] { return received.size() >= count; });
}

void TUdpResponder::Run()
{
    std::vector<std::uint8_t> buffer(65536);
    while (!stopping) {
        const auto now = std::chrono::steady_clock::now();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->due <= now) {
                SendNow(it->bytes, it->toPort);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t got = recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &len);
        if (got < 0)
            continue;
        TDatagram datagram{TBytes(buffer.begin(), buffer.begin() + got), ntohs(from.sin_port)};
        TScript current;
        {
            std::lock_guard<std::mutex> guard(lock);
            received.push_back(datagram);
            current = script;
        }
        arrived.notify_all();
        if (!current)
            continue;
        for (TReply& reply : current(datagram)) {
            const int toPort = reply.toPort != 0 ? reply.toPort : datagram.fromPort;
            if (reply.delayMs <= 0)
                SendNow(reply.bytes, toPort);
            else
                pending.push_back(
                    {std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delayMs),
                     std::move(reply.bytes), toPort});
        }
    }
}

}  // namespace vxtest
