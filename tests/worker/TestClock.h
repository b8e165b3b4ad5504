// A clock for the worker tests. Time is virtual: it passes only when the worker
// sleeps (auto mode) or when the test says so, so a test can cross midnight,
// set the wall clock back or stall the GUI thread for seconds without waiting.
// In hold mode a sleep really blocks until Interrupt(), which lets a test catch
// the worker inside its sleep.
#pragma once

#include "engine/TMyTimer.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class TTestClock final : public IWorkerClock {
public:
    static constexpr std::int64_t kDayMs = 86'400'000;
    enum class TMode { Auto, Hold };

    explicit TTestClock(std::int64_t startMs, TMode startMode = TMode::Auto)
        : wallStart(startMs), mode(startMode)
    {
    }

    int MsSinceMidnight() override
    {
        std::lock_guard lock(mutex);
        const std::int64_t wall = (wallStart + elapsed + setBy) % kDayMs;
        return int(wall < 0 ? wall + kDayMs : wall);
    }

    void Sleep(int ms) override
    {
        std::unique_lock lock(mutex);
        if (interrupted)
            return;
        if (mode == TMode::Auto) {
            elapsed += ms;
            return;
        }
        sleeping = true;
        wake.notify_all();
        // Generous guard so that a worker that is never woken fails the test
        // instead of hanging it.
        if (!wake.wait_for(lock, std::chrono::seconds(30), [this] { return interrupted; }))
            sleepTimedOut = true;
        sleeping = false;
    }

    void Interrupt() override
    {
        std::lock_guard lock(mutex);
        interrupted = true;
        wake.notify_all();
    }

    // Time passes without the worker sleeping (a job that takes long).
    void Advance(std::int64_t ms)
    {
        std::lock_guard lock(mutex);
        elapsed += ms;
    }

    // The wall clock is set by `ms`; virtual elapsed time does not change.
    void SetBy(std::int64_t ms)
    {
        std::lock_guard lock(mutex);
        setBy += ms;
    }

    std::int64_t Elapsed()
    {
        std::lock_guard lock(mutex);
        return elapsed;
    }

    // Waits (really) until the worker is inside a held sleep.
    bool WaitUntilSleeping()
    {
        std::unique_lock lock(mutex);
        return wake.wait_for(lock, std::chrono::seconds(30), [this] { return sleeping; });
    }

    bool SleepTimedOut()
    {
        std::lock_guard lock(mutex);
        return sleepTimedOut;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    const std::int64_t wallStart;
    const TMode mode;
    std::int64_t elapsed = 0;
    std::int64_t setBy = 0;
    bool interrupted = false;
    bool sleeping = false;
    bool sleepTimedOut = false;
};
