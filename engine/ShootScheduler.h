// TShootScheduler: when the shoot engine shoots again. It keeps the mode
// chosen under "Shoot again" (the menu's check marks only show it) and the
// once-a-second countdown of the periodic modes, and asks the engine for a
// re-shoot when one is due. The engine holds one (TShootEngine::Scheduler).
#pragma once

#include "engine/ShootView.h"

class TShootEngine;

class TShootScheduler {
public:
    TShootScheduler(TShootEngine& owner, TShootView& shootView) : engine(owner), view(shootView) {}
    TShootScheduler(const TShootScheduler&) = delete;
    TShootScheduler& operator=(const TShootScheduler&) = delete;

    // SetShootMode takes 1..3 (TShootMode), anything else for none, and
    // shows it in the view's check marks.
    void SetShootMode(int mode);
    bool ShootModeIs(TShootMode mode) const { return shootMode == static_cast<int>(mode); }
    bool AnyMode() const { return shootMode != 0; }
    // A mode that shoots again every interval.
    bool Periodic() const
    {
        return ShootModeIs(TShootMode::KeepInstances) || ShootModeIs(TShootMode::RereadInstances);
    }

    // The three items under "Shoot again": Now shoots once at once, the
    // periodic modes start the countdown.
    void Now1Click();
    void Every10secondskeepinstances1Click();
    void Every10secRefreshinstancesalso1Click();
    // Once a second: counts down, shows the count in a periodic mode and
    // shoots again at 0; while a walk-based shoot still runs, the re-shoot
    // waits for its end (the view is told the interval is too short), and
    // goes at the first tick after it.
    void CountdownTick();

    // Seconds to the next periodic re-shoot.
    int Countdown() const { return countdown; }
    // Starts the countdown again from the view's interval.
    void RestartCountdown() { countdown = CountdownStart(); }

private:
    // A re-shoot every N ticks: N-1, ..., 0.
    int CountdownStart() const;

    TShootEngine& engine;
    TShootView& view;
    int countdown = 9;     // seconds to the next periodic re-shoot
    int shootMode = 0;     // TShootMode, 0 for none
    bool waiting = false;  // a re-shoot came due while a shoot ran
};
