// The request tracker on its own: which request a pass or an answer takes,
// and a purge from another thread beside the owner's traffic.
#include "engine/RequestTracker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TRequest Sent(int id, int retriesLeft, int purpose = kPurposeValues)
{
    TRequest request;
    request.requestId = id;
    request.retriesLeft = retriesLeft;
    request.purpose = purpose;
    return request;
}

std::vector<int> Ids(const TRequestTracker& tracker)
{
    std::vector<int> ids;
    for (const TRequest& r : tracker.Snapshot())
        ids.push_back(r.requestId);
    return ids;
}

}  // namespace

TEST(RequestTracker, AnAnswerTakesTheFirstUnfinishedRequestOfItsIdOnce)
{
    TRequestTracker tracker;
    tracker.Add(Sent(7, -1));  // finished: a late answer finds nothing here
    tracker.Add(Sent(7, 2));
    tracker.Add(Sent(8, 0));
    const struct {
        int id;
        bool found;
        const char* why;
    } answers[] = {
        {7, true, "the unfinished one of two with the same id"},
        {7, false, "a second answer to the same request"},
        {8, true, "no resends left still waits for its answer"},
        {9, false, "an id nobody sent"},
    };
    for (const auto& a : answers)
        EXPECT_EQ(tracker.TakeAnswered(a.id).has_value(), a.found) << a.why;
    EXPECT_FALSE(tracker.AnyWaiting(kPurposeValues));
    tracker.Purge();
    EXPECT_TRUE(Ids(tracker).empty());
}

TEST(RequestTracker, PassesTakeTheFirstDueInSendingOrderAndPurgeOnlyTheFinished)
{
    TRequestTracker tracker;
    for (const int id : {1, 2, 3, 4})
        tracker.Add(Sent(id, id % 2 == 0 ? 0 : 3, id == 4 ? kPurposeDiscovery : kPurposeValues));
    const auto retries = [](const TRequest& r) { return r.retriesLeft > 0; };
    const auto finish = [](TRequest& r) { r.retriesLeft = -1; };
    std::vector<int> taken;
    while (const std::optional<TRequest> due = tracker.TakeFirstDue(retries, finish))
        taken.push_back(due->requestId);
    EXPECT_EQ(taken, (std::vector<int>{1, 3}));
    EXPECT_TRUE(tracker.AnyWaiting(kPurposeDiscovery));
    tracker.Purge();
    EXPECT_EQ(Ids(tracker), (std::vector<int>{2, 4}));
    tracker.FinishAll();
    EXPECT_FALSE(tracker.AnyWaiting(kPurposeDiscovery));
    tracker.Purge();
    EXPECT_TRUE(Ids(tracker).empty());
}

TEST(RequestTracker, IdsWrapToZeroAfterTheLargest)
{
    TRequestTracker tracker;
    EXPECT_EQ(tracker.NextRequestId(), 1);
    while (tracker.LastRequestId() < TRequestTracker::kMaxRequestId)
        tracker.NextRequestId();
    EXPECT_EQ(tracker.NextRequestId(), 0);
    EXPECT_EQ(tracker.NextRequestId(), 1);
}

// The worker purges while the owner sends, answers and passes: every request
// is taken exactly once, and the list ends empty (run under TSan as well).
TEST(RequestTracker, PurgeFromAnotherThreadLosesNoRequest)
{
    TRequestTracker tracker;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        while (!done)
            tracker.Purge();
    });
    int answered = 0;
    constexpr int kRequests = 20000;
    for (int id = 1; id <= kRequests; ++id) {
        tracker.Add(Sent(id, 1));
        if (id % 2 == 0 && tracker.TakeAnswered(id))
            ++answered;
        else if (tracker.TakeFirstDue([](const TRequest& r) { return r.retriesLeft > 0; },
                                      [](TRequest& r) { r.retriesLeft = -1; }))
            ++answered;
    }
    done = true;
    worker.join();
    tracker.Purge();
    EXPECT_EQ(answered, kRequests);
    EXPECT_TRUE(Ids(tracker).empty());
}
