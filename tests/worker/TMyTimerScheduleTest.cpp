// The worker's schedule against a virtual clock: order, timing, and what
// happens when the clock jumps or the GUI thread stalls.
#include "JobLog.h"
#include "TestClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr std::int64_t kTenOClock = 10 * 3'600'000;
constexpr std::int32_t kJobIds[] = {kJobRetry, kJobTimeouts, kJobPurge, kJobCountdown};

struct TCycleAt {
    TMyTimerCycle cycle;
    std::int64_t at;  // virtual time when the job in hand starts
};

// A worker on a virtual clock that ends itself once `runForMs` have passed.
class TScheduleRun {
public:
    TScheduleRun(std::int64_t startMs, std::int64_t runForMs)
        : clock(std::make_shared<TTestClock>(startMs)), jobs(clock.get()), worker(jobs, clock)
    {
        worker.SetCycleObserver([this, runForMs](const TMyTimerCycle& cycle) {
            cycles.push_back({cycle, clock->Elapsed()});
            if (clock->Elapsed() >= runForMs)
                worker.Terminate();
        });
    }

    void Run()
    {
        worker.Start();
        ASSERT_TRUE(RunUntilFinished(worker)) << "the worker did not end";
        ASSERT_TRUE(worker.LastJobError().isEmpty()) << worker.LastJobError().toStdString();
    }

    std::vector<TCycleAt> Shifts() const
    {
        std::vector<TCycleAt> shifts;
        std::copy_if(cycles.begin(), cycles.end(), std::back_inserter(shifts),
                     [](const TCycleAt& c) { return c.cycle.shifted; });
        return shifts;
    }

    std::shared_ptr<TTestClock> clock;
    TJobLog jobs;
    TMyTimer worker;
    std::vector<TCycleAt> cycles;  // written by the worker, read after it ended
};

std::vector<std::int64_t> Gaps(const std::vector<std::int64_t>& times)
{
    std::vector<std::int64_t> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    return gaps;
}

void ExpectRotation(const std::vector<TCycleAt>& cycles)
{
    constexpr std::int32_t rotation[] = {kJobSort, kJobPurge, kJobTimeouts, kJobCountdown, kJobRetry};
    for (size_t i = 0; i < cycles.size(); ++i)
        ASSERT_EQ(cycles[i].cycle.id, rotation[i % 5]) << "cycle " << i;
}

TEST(TMyTimerSchedule, FirstCycleSleepsToHalfSecondThenRunsOverdueEntries)
{
    TScheduleRun run(kTenOClock, 2000);
    run.Run();

    struct {
        std::int32_t id;
        std::int64_t at;
        std::int32_t slept;
    } const expected[] = {
        {kJobSort, 500, 500},     // head of the creation order; sorts, then sleeps
        {kJobPurge, 500, 0},      // fell due at 125: runs at once
        {kJobTimeouts, 500, 0},   // due at 250
        {kJobCountdown, 500, 0},  // due at 320
        {kJobRetry, 1000, 500},   // the full second
        {kJobSort, 1500, 500},    {kJobPurge, 1500, 0},   {kJobTimeouts, 1500, 0},
        {kJobCountdown, 1500, 0}, {kJobRetry, 2000, 500},
    };
    ASSERT_GE(run.cycles.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(run.cycles[i].cycle.id, expected[i].id);
        EXPECT_EQ(run.cycles[i].at, expected[i].at);
        EXPECT_EQ(run.cycles[i].cycle.slept, expected[i].slept);
        EXPECT_FALSE(run.cycles[i].cycle.shifted);
    }
}

TEST(TMyTimerSchedule, EveryJobRunsOnceASecondInAFixedRotation)
{
    TScheduleRun run(kTenOClock, 20'000);
    run.Run();

    ExpectRotation(run.cycles);
    EXPECT_TRUE(run.Shifts().empty());
    for (const TCycleAt& c : run.cycles)
        EXPECT_LT(c.cycle.slept, 2000);
    for (std::int32_t id : kJobIds) {
        SCOPED_TRACE(id);
        const auto times = run.jobs.TimesOf(id);
        EXPECT_GE(times.size(), 19u);
        for (std::int64_t gap : Gaps(times))
            EXPECT_EQ(gap, 1000);
    }
    // The entries stay in the list while they rotate.
    const auto schedule = run.worker.Schedule();
    ASSERT_EQ(schedule.size(), 5u);
    for (const TMyTimerRec& entry : schedule)
        EXPECT_EQ(entry.request.pollSeconds, 1);
}

// Clock jumps and stalls of 2 s or more shift the whole schedule once: no
// burst of missed cycles, no day-long sleep, and the one-second rhythm goes on.
struct TJumpCase {
    const char* name;
    std::int64_t startMs;
    std::int32_t actInJob;    // the job inside which the test acts (0: none)
    std::int64_t setClockBy;  // wall clock change made there
    std::int64_t stallFor;    // time passing inside the job
    std::int64_t expectedShift;
    std::int64_t runForMs;
};

void PrintTo(const TJumpCase& c, std::ostream* os) { *os << c.name; }

class TMyTimerJump : public ::testing::TestWithParam<TJumpCase> {};

TEST_P(TMyTimerJump, ShiftsTheScheduleOnceAndKeepsTheRhythm)
{
    const TJumpCase& c = GetParam();
    TScheduleRun run(c.startMs, c.runForMs);
    run.jobs.hook = [&](std::int32_t id, int runsBefore) {
        if (id != c.actInJob || runsBefore != 2)
            return;
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        run.clock->SetBy(c.setClockBy);
        run.clock->Advance(c.stallFor);
    };
    run.Run();

    const auto shifts = run.Shifts();
    ASSERT_EQ(shifts.size(), 1u);
    // The shift is the time between two clock readings: the jump itself plus
    // at most one sleep of the previous cycle.
    EXPECT_GE(shifts[0].cycle.shiftBy - c.expectedShift, 0);
    EXPECT_LT(shifts[0].cycle.shiftBy - c.expectedShift, 2000);

    ExpectRotation(run.cycles);
    const std::int64_t end = run.clock->Elapsed();
    for (std::int32_t id : kJobIds) {
        SCOPED_TRACE(id);
        const auto times = run.jobs.TimesOf(id);
        const auto gaps = Gaps(times);
        for (std::int64_t gap : gaps)
            EXPECT_GT(gap, 0) << "two runs at one moment: missed cycles made up";
        const auto afterShift =
            std::count_if(times.begin(), times.end(), [&](std::int64_t t) { return t >= shifts[0].at; });
        EXPECT_LE(afterShift, (end - shifts[0].at) / 1000 + 2);
        ASSERT_GE(gaps.size(), 3u);
        for (size_t i = gaps.size() - 3; i < gaps.size(); ++i)
            EXPECT_EQ(gaps[i], 1000) << "rhythm not back after the shift";
    }
}

constexpr std::int64_t kDay = TTestClock::kDayMs;
constexpr std::int64_t kHour = 3'600'000;

INSTANTIATE_TEST_SUITE_P(
    Jumps, TMyTimerJump,
    ::testing::Values(
        // Milliseconds since midnight fall back to 0 at 2.3 s.
        TJumpCase{"Midnight", kDay - 2300, 0, 0, 0, -kDay, 10'000},
        TJumpCase{"ClockSetBackAnHour", kTenOClock, kJobRetry, -kHour, 0, -kHour, 10'000},
        TJumpCase{"ClockSetForwardAnHour", kTenOClock, kJobRetry, kHour, 0, kHour, 10'000},
        // The GUI thread is busy for 5 s while the countdown tick is handed over.
        TJumpCase{"GuiStallOfFiveSeconds", kTenOClock, kJobCountdown, 0, 5000, 5000, 14'000}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Late by less than 2 s: no shift; the absolute due times let the schedule
// catch up by itself, so no cycle is lost.
TEST(TMyTimerSchedule, LateByLessThanTwoSecondsCatchesUpWithoutShift)
{
    TScheduleRun run(kTenOClock, 10'000);
    run.jobs.hook = [&](std::int32_t id, int runsBefore) {
        if (id == kJobCountdown && runsBefore == 2)
            run.clock->Advance(1500);
    };
    run.Run();

    EXPECT_TRUE(run.Shifts().empty());
    ExpectRotation(run.cycles);
    for (std::int32_t id : kJobIds) {
        SCOPED_TRACE(id);
        const auto times = run.jobs.TimesOf(id);
        ASSERT_FALSE(times.empty());
        // One run per due second since the first: nothing skipped.
        EXPECT_EQ(std::int64_t(times.size()), (times.back() - times.front()) / 1000 + 1);
    }
}

}  // namespace
