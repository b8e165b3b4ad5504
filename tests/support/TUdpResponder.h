// TUdpResponder: a small scriptable UDP peer on 127.0.0.1 for what no real
// agent does on demand: lost, late, wrong or malformed answers, and requests
// sent to the manager. It runs on its own thread; the test's script maps each
// received datagram to zero or more datagrams to send back, each after an
// optional delay.
//
//     vxtest::TUdpResponder responder([](const vxtest::TDatagram& in) {
//         return std::vector<vxtest::TReply>{{Garbage(), 0}};
//     });
//     ASSERT_TRUE(responder.Start());
//     mgr.SetRemotePort(responder.Port());
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vxtest {

using TBytes = std::vector<std::uint8_t>;

struct TDatagram {
    TBytes bytes;
    std::uint16_t fromPort = 0;  // the sender's port on 127.0.0.1
};

struct TReply {
    TBytes bytes;
    int delayMs = 0;  // sent this long after the datagram it answers
    int toPort = 0;   // 0: back to the sender
};

using TScript = std::function<std::vector<TReply>(const TDatagram&)>;

class TUdpResponder {
public:
    explicit TUdpResponder(TScript replies = {});
    ~TUdpResponder();
    TUdpResponder(const TUdpResponder&) = delete;
    TUdpResponder& operator=(const TUdpResponder&) = delete;

    // Start binds a free port on 127.0.0.1 and starts the thread.
    ::testing::AssertionResult Start();
    void Stop();
    int Port() const { return port; }

    // SetScript replaces the script (thread-safe).
    void SetScript(TScript script);
    // Send sends a datagram now from the responder's port.
    void Send(const TBytes& bytes, int toPort);

    // The datagrams received so far, in order.
    std::vector<TDatagram> Received() const;
    // WaitForReceived waits until `count` datagrams have arrived.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct TPending {
        std::chrono::steady_clock::time_point due;
        TBytes bytes;
        int toPort;
    };
    void Run();
    void SendNow(const TBytes& bytes, int toPort);

    int fd = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::thread thread;
    mutable std::mutex lock;
    mutable std::condition_variable arrived;
    TScript script;
    std::vector<TDatagram> received;
    std::vector<TPending> pending;  // thread-owned
};

}  // namespace vxtest
