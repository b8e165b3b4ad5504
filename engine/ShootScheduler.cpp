#include "engine/ShootScheduler.h"

#include "engine/ShootEngine.h"

#include <algorithm>

int TShootScheduler::CountdownStart() const { return std::max(view.IntervalSeconds(), 1) - 1; }

void TShootScheduler::SetShootMode(int mode)
{
    const bool known =
        mode >= static_cast<int>(TShootMode::Now) && mode <= static_cast<int>(TShootMode::RereadInstances);
    shootMode = known ? mode : 0;
    waiting = false;
    for (const TShootMode each : {TShootMode::Now, TShootMode::KeepInstances, TShootMode::RereadInstances})
        view.SetModeChecked(each, ShootModeIs(each));
}

void TShootScheduler::Now1Click()
{
    engine.Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::Now));
        engine.ShootAgain();
    });
}

void TShootScheduler::Every10secondskeepinstances1Click()
{
    engine.Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::KeepInstances));
        countdown = CountdownStart();
    });
}

void TShootScheduler::Every10secRefreshinstancesalso1Click()
{
    engine.Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::RereadInstances));
        countdown = CountdownStart();
    });
}

void TShootScheduler::CountdownTick()
{
    engine.Guarded([this] {
        if (waiting) {
            // The count stays at 0 until the shoot that outlasted it ends.
            waiting = Periodic() && !view.ShootAgainEnabled();
            if (!waiting && Periodic())
                engine.ShootAgain();
            return;
        }
        countdown -= 1;
        if (countdown == -1)
            countdown = CountdownStart();
        if (!Periodic()) {
            view.ShowCountdown(-1);
            return;
        }
        view.ShowCountdown(countdown);
        if (countdown != 0)
            return;
        // While a walk-based shoot still runs, "Shoot again" is disabled.
        if (view.ShootAgainEnabled()) {
            engine.ShootAgain();
            return;
        }
        waiting = true;
        const QString tip = AnswerTimesText(engine.LastShootCost());
        view.ShowShootCost(IntervalTooShortText(view.IntervalSeconds(), engine.RunningShootMs()), tip);
    });
}
