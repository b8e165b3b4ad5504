#include "engine/ShootScheduler.h"

#include "engine/ShootEngine.h"

#include <algorithm>

int TShootScheduler::CountdownStart() const { return std::max(view.IntervalSeconds(), 1) - 1; }

void TShootScheduler::SetShootMode(int mode)
{
    const bool known =
        mode >= static_cast<int>(TShootMode::Now) && mode <= static_cast<int>(TShootMode::RereadInstances);
    shootMode = known ? mode : 0;
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
        countdown -= 1;
        if (countdown == -1)
            countdown = CountdownStart();
        if (ShootModeIs(TShootMode::KeepInstances) || ShootModeIs(TShootMode::RereadInstances)) {
            view.ShowCountdown(countdown);
            // While a walk-based shoot still runs, "Shoot again" is disabled and
            // this chance is skipped; the next comes 10 ticks later.
            if (countdown == 0 && view.ShootAgainEnabled())
                engine.ShootAgain();
        } else {
            view.ShowCountdown(-1);
        }
    });
}
