#include "engine/TMyTimer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QTime>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace {

// A cycle whose entry is this far from its due time, early or late, shifts the
// schedule instead of sleeping or catching up: the clock has jumped (midnight,
// a changed wall clock) or the worker was held up.
constexpr std::int64_t kShiftThresholdMs = 2000;

struct TEntryPlan {
    std::int32_t id;
    std::int32_t firstDueOffset;  // ms after the worker first reads the clock
};

// Creation order matters: the rotation starts with the head, -1, which sorts.
constexpr TEntryPlan kEntryPlan[] = {
    {kJobSort, 500}, {kJobRetry, 1000}, {kJobTimeouts, 250}, {kJobPurge, 125}, {kJobCountdown, 320},
};

constexpr std::int32_t kPeriodSeconds = 1;

// Thrown inside the loop to carry a job's failure out of it.
class EWorkerJob : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace

int TWallClock::MsSinceMidnight() { return QTime::currentTime().msecsSinceStartOfDay(); }

void TWallClock::Sleep(int ms)
{
    std::unique_lock lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return interrupted; });
}

void TWallClock::Interrupt()
{
    {
        std::lock_guard lock(mutex);
        interrupted = true;
    }
    wake.notify_all();
}

TMyTimer::TMyTimer(IWorkerJobs& workerJobs, std::shared_ptr<IWorkerClock> workerClock, QObject* parent)
    : QThread(parent), jobs(workerJobs),
      clock(workerClock ? std::move(workerClock) : std::make_shared<TWallClock>())
{
}

TMyTimer::~TMyTimer()
{
    if (isRunning())
        TerminateAndWait();
}

void TMyTimer::SetCycleObserver(TCycleObserver observer) { cycleObserver = std::move(observer); }

void TMyTimer::Start()
{
    workerFinished = false;
    start(QThread::TimeCriticalPriority);
}

void TMyTimer::Terminate()
{
    requestInterruption();
    clock->Interrupt();
}

void TMyTimer::TerminateAndWait()
{
    Terminate();
    // A job the worker hands to this thread meanwhile runs between short
    // waits, each of which ends as soon as the thread does.
    constexpr int kWaitSliceMs = 2;
    while (!workerFinished && isRunning()) {
        QCoreApplication::processEvents();
        wait(QDeadlineTimer(kWaitSliceMs));
    }
    // The loop has ended; what is left of the thread returns without waiting
    // for anything, so this join is short.
    wait();
}

QString TMyTimer::LastJobError() const
{
    std::lock_guard lock(errorLock);
    return lastJobError;
}

std::vector<TMyTimerRec> TMyTimer::Schedule() const
{
    std::lock_guard lock(scheduleLock);
    return {schedule.begin(), schedule.end()};
}

void TMyTimer::run()
{
    workerFinished = false;
    try {
        CreateSchedule();
        std::int32_t last = clock->MsSinceMidnight();
        while (!isInterruptionRequested()) {
            const TMyTimerRec entry = TakeNextEntry();

            TMyTimerCycle cycle;
            cycle.id = entry.id;
            cycle.due = entry.due;
            cycle.now = clock->MsSinceMidnight();
            const std::int64_t wait = std::int64_t(entry.due) - cycle.now;
            if (wait <= -kShiftThresholdMs || wait >= kShiftThresholdMs) {
                cycle.shifted = true;
                cycle.shiftBy = cycle.now - last;
                ShiftSchedule(cycle.shiftBy);
            } else if (wait > 0) {
                cycle.slept = std::int32_t(wait);
                clock->Sleep(cycle.slept);
            }
            // The reading from before the sleep: a shift then covers the sleep too.
            last = cycle.now;

            if (cycleObserver)
                cycleObserver(cycle);
            RunJob(entry.id);
        }
    } catch (const std::exception& e) {
        RecordFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        RecordFailure(QStringLiteral("Worker stopped: unknown error"));
    }
    workerFinished = true;
}

void TMyTimer::RecordFailure(const QString& message)
{
    {
        std::lock_guard lock(errorLock);
        lastJobError = message;
    }
    emit jobFailed(message);
}

void TMyTimer::CreateSchedule()
{
    std::lock_guard lock(scheduleLock);
    const std::int32_t t0 = clock->MsSinceMidnight();
    schedule.clear();
    for (const TEntryPlan& plan : kEntryPlan) {
        TMyTimerRec entry;
        entry.id = plan.id;
        entry.due = t0 + plan.firstDueOffset;
        entry.request.pollSeconds = kPeriodSeconds;
        schedule.push_back(std::move(entry));
    }
}

// Moves the head to the tail, advances its due time by its period and, for the
// -1 entry, sorts the list by due time. Returns the entry as it was taken.
TMyTimerRec TMyTimer::TakeNextEntry()
{
    std::lock_guard lock(scheduleLock);
    schedule.push_back(std::move(schedule.front()));
    schedule.pop_front();
    TMyTimerRec& moved = schedule.back();
    TMyTimerRec taken = moved;
    moved.due += moved.request.pollSeconds * 1000;
    if (taken.id == kJobSort) {
        std::stable_sort(schedule.begin(), schedule.end(),
                         [](const TMyTimerRec& a, const TMyTimerRec& b) { return a.due < b.due; });
    }
    return taken;
}

void TMyTimer::ShiftSchedule(std::int32_t delta)
{
    std::lock_guard lock(scheduleLock);
    for (TMyTimerRec& entry : schedule)
        entry.due += delta;
}

void TMyTimer::RunJob(std::int32_t id)
{
    switch (id) {
    case kJobCountdown: HandOver(&IWorkerJobs::CountdownTick); break;
    case kJobPurge: try { jobs.PurgePass();
        } catch (const std::exception& e) {
            throw EWorkerJob(std::string("Purge pass failed: ") + e.what());
        } catch (...) {
            throw EWorkerJob("Purge pass failed: unknown error");
        }
        break;
    case kJobTimeouts: HandOver(&IWorkerJobs::CheckTimeouts); break;
    case kJobRetry: HandOver(&IWorkerJobs::RetryPass); break;
    default:  // -1 only re-sorts the schedule
        break;
    }
}

// Runs the job on the thread the worker was created on (the application's)
// and waits until it has run. The job's exception must not unwind through the
// GUI thread's event loop, so it is caught there and its text carried back.
// The job and its error pass through handOverLock, and the call is queued by
// its name, so the hand-over is ordered by our own lock as well as by the
// semaphore inside Qt that the blocking call waits on.
void TMyTimer::HandOver(void (IWorkerJobs::*job)())
{
    if (QCoreApplication::instance() == nullptr)
        throw EWorkerJob("No application object to hand a job over to");
    {
        const std::lock_guard lock(handOverLock);
        handedOverJob = job;
        handedOverError.clear();
    }
    if (!QMetaObject::invokeMethod(this, "RunHandedOverJob", Qt::BlockingQueuedConnection))
        throw EWorkerJob("The GUI thread did not take the handed-over job");
    std::string error;
    {
        const std::lock_guard lock(handOverLock);
        error = std::move(handedOverError);
    }
    if (!error.empty()) {
        const char* name = job == &IWorkerJobs::CountdownTick ? "Countdown tick"
                         : job == &IWorkerJobs::CheckTimeouts ? "Time-out pass"
                                                              : "Retry pass";
        throw EWorkerJob(std::string(name) + " failed: " + error);
    }
}

void TMyTimer::RunHandedOverJob()
{
    void (IWorkerJobs::*job)() = nullptr;
    {
        const std::lock_guard lock(handOverLock);
        job = handedOverJob;
    }
    std::string error;
    try {
        (jobs.*job)();
    } catch (const std::exception& e) {
        error = e.what();
        if (error.empty())
            error = "unknown error";
    } catch (...) {
        error = "unknown error";
    }
    const std::lock_guard lock(handOverLock);
    handedOverError = std::move(error);
}
