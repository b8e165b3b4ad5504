// The worker's threads, its failing jobs and its ending.
#include "JobLog.h"
#include "TestClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

constexpr std::int64_t kNoon = 12 * 3'600'000;

QThread* GuiThread() { return QCoreApplication::instance()->thread(); }

TEST(TMyTimerThreads, PurgeRunsOnTheWorkerAndTheRestOnTheGuiThread)
{
    auto clock = std::make_shared<TTestClock>(kNoon);
    TJobLog jobs(clock.get());
    TMyTimer worker(jobs, clock);
    worker.SetCycleObserver([&](const TMyTimerCycle&) {
        if (clock->Elapsed() >= 3000)
            worker.Terminate();
    });
    worker.Start();
    ASSERT_TRUE(RunUntilFinished(worker));

    std::set<std::int32_t> seen;
    for (const TJobCall& call : jobs.Calls()) {
        SCOPED_TRACE(call.id);
        seen.insert(call.id);
        if (call.id == kJobPurge)
            EXPECT_EQ(call.thread, &worker);
        else
            EXPECT_EQ(call.thread, GuiThread());
    }
    EXPECT_EQ(seen.size(), 4u);
}

// The real clock: every job comes round, and closing ends the worker.
TEST(TMyTimerThreads, RealClockRunsEveryJobAndCloses)
{
    TJobLog jobs;
    TMyTimer worker(jobs);
    worker.Start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (jobs.Calls().size() >= 4) {
            std::set<std::int32_t> ids;
            for (const TJobCall& call : jobs.Calls())
                ids.insert(call.id);
            if (ids.size() == 4)
                loop.quit();
        }
    });
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(20);
    guard.start(30'000);
    loop.exec();
    worker.TerminateAndWait();
    EXPECT_TRUE(worker.WorkerFinished());
    EXPECT_TRUE(worker.isFinished());
    std::set<std::int32_t> ids;
    for (const TJobCall& call : jobs.Calls())
        ids.insert(call.id);
    EXPECT_EQ(ids.size(), 4u) << "not every job ran before the guard time";
    EXPECT_TRUE(worker.LastJobError().isEmpty());
}

// A job that throws ends the loop by itself, with the flag set and the text kept.
struct TThrowCase {
    const char* name;
    std::int32_t id;
    bool standardException;
    const char* expectedText;
};

void PrintTo(const TThrowCase& c, std::ostream* os) { *os << c.name; }

class TMyTimerFailingJob : public ::testing::TestWithParam<TThrowCase> {};

TEST_P(TMyTimerFailingJob, EndsTheLoopWithWorkerFinishedSet)
{
    const TThrowCase& c = GetParam();
    auto clock = std::make_shared<TTestClock>(kNoon);
    TJobLog jobs(clock.get());
    jobs.hook = [&](std::int32_t id, int runsBefore) {
        if (id != c.id || runsBefore != 1)
            return;
        if (c.standardException)
            throw std::runtime_error("agent table vanished");
        throw 42;
    };
    TMyTimer worker(jobs, clock);
    QString signalled;
    QObject::connect(
        &worker, &TMyTimer::jobFailed, &worker, [&](const QString& message) { signalled = message; },
        Qt::DirectConnection);
    worker.Start();  // never terminated: only the failure can end it
    ASSERT_TRUE(RunUntilFinished(worker));

    EXPECT_TRUE(worker.WorkerFinished());
    EXPECT_TRUE(worker.LastJobError().contains(QString::fromUtf8(c.expectedText)))
        << worker.LastJobError().toStdString();
    EXPECT_EQ(signalled, worker.LastJobError());
    const auto calls = jobs.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().id, c.id) << "a job ran after the failing one";
    EXPECT_EQ(jobs.TimesOf(c.id).size(), 2u);
    worker.TerminateAndWait();  // the close handler's wait returns at once
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, TMyTimerFailingJob,
    ::testing::Values(
        TThrowCase{"PurgeOnWorker", kJobPurge, true, "Purge pass failed: agent table vanished"},
        TThrowCase{"TimeoutsOnGui", kJobTimeouts, true, "Time-out pass failed: agent table vanished"},
        TThrowCase{"RetryOnGui", kJobRetry, true, "Retry pass failed: agent table vanished"},
        TThrowCase{"CountdownOnGuiNonStandard", kJobCountdown, false, "Countdown tick failed: unknown error"},
        TThrowCase{"PurgeNonStandard", kJobPurge, false, "Purge pass failed: unknown error"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Closing cuts the worker's sleep short instead of waiting it out.
TEST(TMyTimerClose, WakesTheWorkerFromItsSleep)
{
    auto clock = std::make_shared<TTestClock>(kNoon, TTestClock::TMode::Hold);
    TJobLog jobs(clock.get());
    TMyTimer worker(jobs, clock);
    worker.Start();
    ASSERT_TRUE(clock->WaitUntilSleeping());

    worker.TerminateAndWait();
    EXPECT_TRUE(worker.WorkerFinished());
    EXPECT_TRUE(worker.isFinished());
    EXPECT_FALSE(clock->SleepTimedOut()) << "the sleep was not interrupted";
    // The job in hand was -1, which runs nothing; no other job followed.
    EXPECT_TRUE(jobs.Calls().empty());
}

// Closing while the worker waits for the GUI thread: the close handler's event
// processing lets the handed-over job run, so neither side waits for ever.
TEST(TMyTimerClose, CompletesWhileAJobIsHandedOver)
{
    auto clock = std::make_shared<TTestClock>(kNoon);
    TJobLog jobs(clock.get());
    TMyTimer worker(jobs, clock);
    std::atomic<bool> handingOver{false};
    worker.SetCycleObserver([&](const TMyTimerCycle& cycle) {
        if (cycle.id == kJobTimeouts)
            handingOver = true;
    });
    worker.Start();
    // The GUI thread does not process events here, so the worker stays blocked
    // in the hand-over of the time-out pass.
    for (int i = 0; i < 3000 && !handingOver; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(handingOver);

    worker.TerminateAndWait();
    EXPECT_TRUE(worker.WorkerFinished());
    // The job in hand completed on the GUI thread; nothing ran after it.
    const auto calls = jobs.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].id, kJobPurge);
    EXPECT_EQ(calls[1].id, kJobTimeouts);
    EXPECT_EQ(calls[1].thread, GuiThread());
}

TEST(TMyTimerClose, DestroyingARunningWorkerEndsItFirst)
{
    auto clock = std::make_shared<TTestClock>(kNoon, TTestClock::TMode::Hold);
    TJobLog jobs(clock.get());
    {
        TMyTimer worker(jobs, clock);
        worker.Start();
        ASSERT_TRUE(clock->WaitUntilSleeping());
    }
    EXPECT_FALSE(clock->SleepTimedOut());
}

TEST(TMyTimerClose, NeverStartedWorkerClosesAtOnce)
{
    TJobLog jobs;
    TMyTimer worker(jobs);
    worker.TerminateAndWait();
    EXPECT_FALSE(worker.isRunning());
    EXPECT_TRUE(jobs.Calls().empty());
}

}  // namespace
