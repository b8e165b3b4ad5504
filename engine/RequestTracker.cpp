#include "engine/RequestTracker.h"

#include <algorithm>

int TRequestTracker::NextRequestId()
{
    requestIdCounter = requestIdCounter + 1 > kMaxRequestId ? 0 : requestIdCounter + 1;
    return requestIdCounter;
}

void TRequestTracker::Add(const TRequest& request)
{
    std::lock_guard lock(requestLock);
    pendingRequests.push_back(request);
}

std::optional<TRequest> TRequestTracker::TakeAnswered(int requestId)
{
    std::lock_guard lock(requestLock);
    for (TRequest& pending : pendingRequests) {
        if (pending.requestId == requestId && pending.retriesLeft >= 0) {
            pending.retriesLeft = -1;
            return pending;
        }
    }
    return std::nullopt;
}

std::optional<TRequest> TRequestTracker::TakeFirstDue(const std::function<bool(const TRequest&)>& isDue,
                                                      const std::function<void(TRequest&)>& take)
{
    std::lock_guard lock(requestLock);
    const auto due = std::find_if(pendingRequests.begin(), pendingRequests.end(), isDue);
    if (due == pendingRequests.end())
        return std::nullopt;
    take(*due);
    return *due;
}

bool TRequestTracker::AnyWaiting(int purpose) const
{
    std::lock_guard lock(requestLock);
    return std::any_of(pendingRequests.begin(), pendingRequests.end(),
                       [purpose](const TRequest& r) { return r.purpose == purpose && r.retriesLeft >= 0; });
}

void TRequestTracker::FinishAll()
{
    std::lock_guard lock(requestLock);
    for (TRequest& request : pendingRequests)
        request.retriesLeft = -1;
}

void TRequestTracker::Purge()
{
    std::lock_guard lock(requestLock);
    pendingRequests.remove_if([](const TRequest& r) { return r.retriesLeft < 0; });
}

void TRequestTracker::Clear()
{
    std::lock_guard lock(requestLock);
    pendingRequests.clear();
}

std::vector<TRequest> TRequestTracker::Snapshot() const
{
    std::lock_guard lock(requestLock);
    return {pendingRequests.begin(), pendingRequests.end()};
}
