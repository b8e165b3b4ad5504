// The re-shoot each mode behind the "Shoot again" menu asks for, and the
// sysUpTime.0 read that may come first.
#include "engine/ShootEngine.h"

#include <algorithm>

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
    EndOfShoot();
}

void TShootEngine::EndOfShoot()
{
    meter.Finish(arrivalClock());
    const TShootCost& cost = meter.Last();
    store.SetShootCost(cost);
    view.ShootFinished();
    store.FinishShoot();
    QString text = ShootCostText(cost);
    const int interval = view.IntervalSeconds();
    if (scheduler.Periodic() && cost.durationMs > interval * 1000LL)
        text += QStringLiteral(". ") + IntervalTooShortText(interval, cost.durationMs);
    QStringList tip{AnswerTimesText(cost), bulk.Explanation()};
    tip.removeAll(QString());
    view.ShowShootCost(text, tip.join(QLatin1Char('\n')));
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
    if (WalksColumnsSideBySide()) {
        WalkColumns();
        return;
    }
    requestTemplate.oidList = WalkedOid() + kItemSeparator;
    requestTemplate.requestKind = WalkRequestKind();
    requestTemplate.purpose = settings.targetOids.size() >= 2 ? kPurposeDiscovery : kPurposeValues;
    Shoot();
}

void TShootEngine::Refill()
{
    rowCursor.StartRefill();
    if (WalksColumnsSideBySide())
        WalkColumns();
    else
        ShootFirstInstance();
}

void TShootEngine::ShootAgain()
{
    Guarded([this] {
        silence.ShootStarted(arrivalClock());
        BeginShoot();
        const bool any = scheduler.ShootModeIs(TShootMode::Now)
                      || scheduler.ShootModeIs(TShootMode::KeepInstances)
                      || scheduler.ShootModeIs(TShootMode::RereadInstances);
        if (any)
            AfterUpTime([this] { ShootAgainNow(); });
    });
}

void TShootEngine::ShootAgainNow()
{
    Guarded([this] {
        if (scheduler.ShootModeIs(TShootMode::Now)) {
            scheduler.SetShootMode(0);  // once
            ClearStatusMessage();
            ResetDroppedCounts();
            if (!settings.tableMode) {
                ListShoot();
            } else {
                SetShootRunning(true);
                RestartWalk();
            }
        }
        const bool keep = scheduler.ShootModeIs(TShootMode::KeepInstances);
        if (!keep && !scheduler.ShootModeIs(TShootMode::RereadInstances))
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
            if (!instances.IsEmpty() && instances.Count() == store.RowCount()) {
                Refill();
                return;
            }
            if (!instances.IsEmpty())
                rowCursor.StopRefill();
        }
        RestartWalk();
    });
}
