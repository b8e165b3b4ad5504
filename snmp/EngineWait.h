// TAnswerWait: the deadline of a blocking send and the loop that keeps the
// thread's events running until the answer has come or the deadline passed.
#pragma once

#include <chrono>
#include <functional>

namespace vxsnmp {

class TUdpEndpoint;

class TAnswerWait {
public:
    using TClock = std::chrono::steady_clock;

    bool IsWaiting() const { return waiting; }

    // End stops the wait as answered (the answer matched, or the engine goes).
    void End() { waiting = false; }

    // Push restarts the deadline a full `timeout` from now; traffic during a
    // wait with a relative timeout does that.
    void Push(std::chrono::milliseconds timeout);

    // Run waits up to `timeout` for End. Each turn it asks `cutShort` whether
    // to give up early. With an event dispatcher on this thread and a socket
    // notifier it runs the thread's events; without, it polls `endpoint` and
    // calls `receive` when a datagram is pending. Returns true when End ended
    // the wait, false on the deadline or when cut short.
    bool Run(const TUdpEndpoint& endpoint, std::chrono::milliseconds timeout,
             const std::function<bool()>& cutShort, const std::function<void()>& receive);

private:
    bool waiting = false;
    TClock::time_point deadline{};
};

}  // namespace vxsnmp
