// The shoot modes behind the "Shoot again" menu: the check marks, the
// once-a-second countdown and the re-shoot each mode asks for.
#include "engine/ShootEngine.h"

#include <algorithm>

int TShootEngine::CountdownStart() const
{
    // A re-shoot every N ticks: N-1, ..., 0.
    return std::max(view.IntervalSeconds(), 1) - 1;
}

void TShootEngine::AfterUpTime(std::function<void()> shoot)
{
    Guarded([&] {
        shootUpTime = -1;
        if (!readUpTime) {
            shoot();
            return;
        }
        afterUpTime = std::move(shoot);
        TRequest request = requestTemplate;
        request.answers.clear();
        request.oidList = kSysUpTimeOid + kItemSeparator;
        request.requestKind = kRequestGet;
        request.purpose = kPurposeUpTime;
        request.retriesLeft = kSendsPerRequest;
        SendRequest(request, false);
        // A request that did not go out leaves the shoot without the uptime.
        if (!tracker.AnyWaiting(kPurposeUpTime))
            UpTimeRead(-1);
    });
}

void TShootEngine::UpTimeRead(std::int64_t ticks)
{
    shootUpTime = ticks;
    std::function<void()> shoot = std::move(afterUpTime);
    afterUpTime = nullptr;
    if (shoot)
        Guarded(shoot);
}

void TShootEngine::SetShootMode(int mode)
{
    const bool known =
        mode >= static_cast<int>(TShootMode::Now) && mode <= static_cast<int>(TShootMode::RereadInstances);
    shootMode = known ? mode : 0;
    for (const TShootMode each : {TShootMode::Now, TShootMode::KeepInstances, TShootMode::RereadInstances})
        view.SetModeChecked(each, ShootModeIs(each));
}

void TShootEngine::Now1Click()
{
    Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::Now));
        ShootAgain();
    });
}

void TShootEngine::Every10secondskeepinstances1Click()
{
    Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::KeepInstances));
        countdown = CountdownStart();
    });
}

void TShootEngine::Every10secRefreshinstancesalso1Click()
{
    Guarded([this] {
        SetShootMode(static_cast<int>(TShootMode::RereadInstances));
        countdown = CountdownStart();
    });
}

void TShootEngine::CountdownTick()
{
    Guarded([this] {
        countdown -= 1;
        if (countdown == -1)
            countdown = CountdownStart();
        if (ShootModeIs(TShootMode::KeepInstances) || ShootModeIs(TShootMode::RereadInstances)) {
            view.ShowCountdown(countdown);
            // While a walk-based shoot still runs, "Shoot again" is disabled and
            // this chance is skipped; the next comes 10 ticks later.
            if (countdown == 0 && view.ShootAgainEnabled())
                ShootAgain();
        } else {
            view.ShowCountdown(-1);
        }
    });
}

void TShootEngine::SetShootRunning(bool running)
{
    if (running) {
        view.SetShootAgainEnabled(false);
        view.ShowEntryCount(-1);
        return;
    }
    if (holdingShootEnd) {
        shootEndHeld = true;  // StepThenPlace ends it once its answers are placed
        return;
    }
    view.SetShootAgainEnabled(true);
    if (!keepRowsAtEnd)
        store.DropStaleRows();
    view.ShowEntryCount(store.RowCount());
    try {
        view.FocusResultTable();
    } catch (...) {
        // A window that cannot take the focus still shows its rows.
    }
    view.ReSortRows();
    view.ShootFinished();
    store.FinishShoot();
}

void TShootEngine::ListShoot()
{
    store.BeginReshoot();
    requestTemplate.purpose = kPurposeValues;
    requestTemplate.requestKind = kRequestGet;
    Shoot();
}

void TShootEngine::RestartWalk()
{
    store.BeginReshoot();
    ClearInstances();
    // The rows are built anew: placing must not look for rows to refill.
    rowCursor.StopRefill();
    requestTemplate.oidList = WalkedOid() + kItemSeparator;
    requestTemplate.requestKind = WalkRequestKind();
    requestTemplate.purpose = settings.targetOids.size() >= 2 ? kPurposeDiscovery : kPurposeValues;
    Shoot();
}

void TShootEngine::Refill()
{
    rowCursor.StartRefill();
    ShootFirstInstance();
}

void TShootEngine::ShootAgain()
{
    Guarded([this] {
        silence.ShootStarted(arrivalClock());
        BeginShoot();
        const bool any = ShootModeIs(TShootMode::Now) || ShootModeIs(TShootMode::KeepInstances)
                      || ShootModeIs(TShootMode::RereadInstances);
        if (any)
            AfterUpTime([this] { ShootAgainNow(); });
    });
}

void TShootEngine::ShootAgainNow()
{
    Guarded([this] {
        if (ShootModeIs(TShootMode::Now)) {
            SetShootMode(0);  // once
            ClearStatusMessage();
            ResetDroppedCounts();
            if (!settings.tableMode) {
                ListShoot();
            } else {
                SetShootRunning(true);
                RestartWalk();
            }
        }
        const bool keep = ShootModeIs(TShootMode::KeepInstances);
        if (!keep && !ShootModeIs(TShootMode::RereadInstances))
            return;

        ClearStatusMessage();
        ResetDroppedCounts();
        if (!settings.tableMode) {
            ListShoot();
            return;
        }
        SetShootRunning(true);
        if (keep) {
            if (settings.targetOids.size() < 2) {
                store.BeginReshoot();
                requestTemplate.oidList = WalkedOid() + kItemSeparator;
                requestTemplate.purpose = kPurposeValues;
                requestTemplate.requestKind = WalkRequestKind();
                Shoot();
                return;
            }
            if (!instanceSuffixes.isEmpty() && instanceSuffixes.size() == store.RowCount()) {
                Refill();
                return;
            }
            if (!instanceSuffixes.isEmpty())
                rowCursor.StopRefill();
        }
        RestartWalk();
    });
}
