// TRequestTracker: the requests of the shoot engine that were sent and not yet
// disposed (pendingRequests), and the request ids. pendingRequests is guarded
// by requestLock for every lookup, insertion and pass, and nobody outside
// this class sees either: callers get copies. The purge may run on any
// thread; the rest runs on the thread that owns the component.
#pragma once

#include "core/TRequest.h"

#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <vector>

class TRequestTracker {
public:
    // Request ids run 1 .. kMaxRequestId, then 0, 1, ...
    static constexpr int kMaxRequestId = 1000000;

    int NextRequestId();
    // The id handed out last (0 before the first request).
    int LastRequestId() const { return requestIdCounter; }
    // Ids start from 1 again.
    void ResetRequestIds() { requestIdCounter = 0; }

    // Records a request that went out, after those recorded before it.
    void Add(const TRequest& request);
    // The first request of that id not finished yet, marked finished as it
    // is taken: only the first answer to a request counts.
    std::optional<TRequest> TakeAnswered(int requestId);
    // Looks the requests up in sending order for the first that isDue holds
    // for, lets `take` change it under the lock and returns a copy; nullopt
    // when none is due. The passes take one request at a time this way and
    // act on the copy without the lock, since acting may add or finish
    // requests.
    std::optional<TRequest> TakeFirstDue(const std::function<bool(const TRequest&)>& isDue,
                                         const std::function<void(TRequest&)>& take);
    // Whether a request of that purpose is still waiting for its answer.
    bool AnyWaiting(int purpose) const;
    // Marks every request finished; the purge disposes of them.
    void FinishAll();
    // Disposes of the finished requests.
    void Purge();
    // Forgets every request at once (the window closes).
    void Clear();
    // Copies of the requests not yet disposed, in sending order.
    std::vector<TRequest> Snapshot() const;

private:
    mutable std::recursive_mutex requestLock;
    std::list<TRequest> pendingRequests;  // in sending order
    int requestIdCounter = 0;             // last id handed out
};
