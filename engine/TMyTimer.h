// TMyTimer: the worker thread that runs the five one-second jobs of the
// program (retry, time-out and purge passes over the pending requests, and the
// countdown tick of the main window).
//
// Schedule. Each entry (`TMyTimerRec`) is due at an absolute time in
// milliseconds since local midnight and comes round again every
// `request.pollSeconds` seconds. The worker takes the entries in rotation
// (head to tail); only the -1 entry re-sorts the list by due time. A cycle
// sleeps until the entry in hand is due; when the entry is 2 s or more late or
// 2 s or more early (midnight, the wall clock set, a handed-over job kept
// waiting by a busy GUI thread) the whole schedule is shifted by the time since
// the previous cycle instead, so missed cycles are never made up in a burst.
//
// Jobs. The owner plugs its jobs in through `IWorkerJobs`. PurgePass runs on
// the worker thread; RetryPass, CheckTimeouts and CountdownTick are handed to
// the application's (GUI) thread and the worker waits until they have run, so
// the SNMP component, the table and the menus are only ever used there.
//
// Lifetime. The owner creates the worker on the GUI thread, calls Start() and
// keeps it until TerminateAndWait() has returned, then deletes it (the
// destructor does the same wait if the owner forgot). The worker never deletes
// itself: a self-freeing thread would leave the close handler reading the
// finished flag of a freed object. The schedule belongs to the worker, so it
// is disposed together with it, after the loop has ended.
#pragma once

#include "core/TRequest.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The jobs the worker runs. The implementation must outlive the worker's loop.
// An exception thrown by a job ends the loop (see TMyTimer::LastJobError).
class IWorkerJobs {
public:
    virtual ~IWorkerJobs() = default;
    virtual void RetryPass() = 0;      // id -2, on the GUI thread
    virtual void PurgePass() = 0;      // id -5, on the worker thread
    virtual void CheckTimeouts() = 0;  // id -4, on the GUI thread
    virtual void CountdownTick() = 0;  // id -7, on the GUI thread
};

// The worker's view of time: the wall clock as milliseconds since local
// midnight, and a sleep that Interrupt() cuts short. Interrupt() is sticky:
// every later Sleep returns at once. Both may be called from any thread.
class IWorkerClock {
public:
    virtual ~IWorkerClock() = default;
    virtual int MsSinceMidnight() = 0;
    virtual void Sleep(int ms) = 0;
    virtual void Interrupt() = 0;
};

// The real clock: QTime::currentTime() and a condition-variable sleep.
class TWallClock final : public IWorkerClock {
public:
    int MsSinceMidnight() override;
    void Sleep(int ms) override;
    void Interrupt() override;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool interrupted = false;
};

// One entry of the schedule. Only request.pollSeconds is used: the period.
struct TMyTimerRec {
    std::int32_t id = 0;
    std::int32_t due = 0;  // ms since local midnight; may run past a day until shifted
    TRequest request;
};

// Schedule ids and their first due offsets after the worker reads the clock.
inline constexpr std::int32_t kJobSort = -1;
inline constexpr std::int32_t kJobRetry = -2;
inline constexpr std::int32_t kJobTimeouts = -4;
inline constexpr std::int32_t kJobPurge = -5;
inline constexpr std::int32_t kJobCountdown = -7;

// What one cycle of the loop did, reported to the cycle observer just before
// the job runs. Meant for tests and diagnostics.
struct TMyTimerCycle {
    std::int32_t id = 0;
    std::int32_t due = 0;      // the due time the entry was taken with
    std::int32_t now = 0;      // the clock read before any sleep
    std::int32_t slept = 0;    // ms asked of the clock's Sleep, 0 when none
    std::int32_t shiftBy = 0;  // ms added to every due time, 0 when no shift
    bool shifted = false;
};

class TMyTimer final : public QThread {
    Q_OBJECT

public:
    using TCycleObserver = std::function<void(const TMyTimerCycle&)>;

    // Does not start the thread; call Start(). Without a clock the real one is
    // used. Create the worker on the GUI thread.
    explicit TMyTimer(IWorkerJobs& workerJobs, std::shared_ptr<IWorkerClock> workerClock = {},
                      QObject* parent = nullptr);
    // Ends the loop as TerminateAndWait does if it still runs.
    ~TMyTimer() override;

    // Called on the worker thread before each job; set it before Start().
    void SetCycleObserver(TCycleObserver observer);

    // Starts the loop at time-critical priority (best effort: without the
    // privilege the system keeps its normal priority).
    void Start();

    // Asks the loop to end and cuts its current sleep short. The job in hand
    // still completes. Any thread.
    void Terminate();

    // The close handler's wait, on the GUI thread: Terminate, then sleep 10 ms
    // and process pending events until the loop has ended, so that a job
    // handed over to the GUI thread can run and release the worker. Returns at
    // once when the thread was never started.
    void TerminateAndWait();

    // False while the loop runs, true once it has ended (normally or after a
    // failing job).
    bool WorkerFinished() const { return workerFinished.load(); }

    // The message of the job that ended the loop, empty when none failed.
    QString LastJobError() const;

    // A copy of the schedule, taken under scheduleLock.
    std::vector<TMyTimerRec> Schedule() const;

signals:
    // Emitted from the worker thread when a job has failed and the loop ends.
    void jobFailed(const QString& message);

protected:
    void run() override;

private:
    void CreateSchedule();
    TMyTimerRec TakeNextEntry();
    void ShiftSchedule(std::int32_t delta);
    void RunJob(std::int32_t id);
    void HandOver(void (IWorkerJobs::*job)());
    // The handed-over job, on the thread the worker was created on.
    Q_INVOKABLE void RunHandedOverJob();
    void RecordFailure(const QString& message);

    IWorkerJobs& jobs;
    std::shared_ptr<IWorkerClock> clock;
    TCycleObserver cycleObserver;

    mutable std::recursive_mutex scheduleLock;
    std::deque<TMyTimerRec> schedule;

    std::mutex handOverLock;
    void (IWorkerJobs::*handedOverJob)() = nullptr;
    std::string handedOverError;

    std::atomic<bool> workerFinished{false};
    mutable std::mutex errorLock;
    QString lastJobError;
};
