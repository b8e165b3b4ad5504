// Jobs for the worker tests: each call is logged with the virtual time and the
// thread it ran on; a hook lets a test act inside a job (stall, set the clock,
// throw).
#pragma once

#include "engine/TMyTimer.h"
#include "TestClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

struct TJobCall {
    std::int32_t id;
    std::int64_t at;  // virtual ms since the test started
    QThread* thread;
};

class TJobLog final : public IWorkerJobs {
public:
    explicit TJobLog(TTestClock* testClock = nullptr) : clock(testClock) {}

    // Called inside every job with its id and how often that id ran before.
    std::function<void(std::int32_t id, int runsBefore)> hook;

    void RetryPass() override { Log(kJobRetry); }
    void PurgePass() override { Log(kJobPurge); }
    void CheckTimeouts() override { Log(kJobTimeouts); }
    void CountdownTick() override { Log(kJobCountdown); }

    std::vector<TJobCall> Calls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }

    // Run times of one id, in order.
    std::vector<std::int64_t> TimesOf(std::int32_t id)
    {
        std::vector<std::int64_t> times;
        for (const TJobCall& call : Calls())
            if (call.id == id)
                times.push_back(call.at);
        return times;
    }

private:
    void Log(std::int32_t id)
    {
        int runsBefore = 0;
        {
            std::lock_guard lock(mutex);
            for (const TJobCall& call : calls)
                runsBefore += call.id == id ? 1 : 0;
            calls.push_back({id, clock ? clock->Elapsed() : 0, QThread::currentThread()});
        }
        if (hook)
            hook(id, runsBefore);
    }

    TTestClock* clock;
    std::mutex mutex;
    std::vector<TJobCall> calls;
};

// Runs the GUI thread's event loop until the worker thread has finished, so
// handed-over jobs can run. Returns false when it had not finished after a
// generous guard time (a hang, not a timing target).
inline bool RunUntilFinished(TMyTimer& worker)
{
    QEventLoop loop;
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(60'000);
    if (!worker.isFinished())
        loop.exec();
    return worker.isFinished();
}
