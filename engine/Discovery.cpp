// The Get-Next walks of the table modes: the single-target walk, the discovery
// walk with its instance mask, and the row-by-row shots of an instance table.
#include "engine/ShootEngine.h"

#include "core/Oid.h"

#include <algorithm>
#include <utility>

void TShootEngine::ShootWalkStepFrom(const QString& oid, int purpose)
{
    requestTemplate.oidList = oid + kItemSeparator;
    requestTemplate.requestKind = WalkRequestKind();
    requestTemplate.purpose = purpose;
    Shoot();
}

// Walk step of FoldAnswers for a single target: every answer inside the
// subtree becomes a row; an answer that goes backwards or repeats the previous
// one stops the walk.
void TShootEngine::WalkStep(const QString& oid, const TCellValue& value)
{
    if (AcceptWalkAnswer(oid, AskedOid())) {
        const TWalkAnswer answer[] = {{oid, value}};
        StepThenPlace(oid, true, answer);
    }
}

// The next request of a walk goes out before the answers it follows are
// placed: the agent works on it while the table takes them, so a walk spends
// per step only what it takes to read an answer and send the next request.
void TShootEngine::StepThenPlace(const QString& from, bool goesOn, std::span<const TWalkAnswer> answers)
{
    const TShootEndHold hold(*this);
    if (goesOn)
        ShootWalkStepFrom(from, kPurposeValues);
    for (const TWalkAnswer& answer : answers)
        PlaceValue(answer.oid, answer.value);
}

TShootEngine::TShootEndHold::~TShootEndHold()
{
    if (!outer)
        return;
    engine.holdingShootEnd = false;
    if (std::exchange(engine.shootEndHeld, false))
        engine.Guarded([this] { engine.SetShootRunning(false); });
}

bool TShootEngine::AcceptWalkAnswer(const QString& oid, const QString& asked)
{
    const TWalkVerdict verdict = bounds.Check(WalkedOid(), oid, asked);
    if (verdict == TWalkVerdict::Take)
        return true;
    if (verdict == TWalkVerdict::Loop)
        ShowMessage(kTextLoopDetected);
    SetShootRunning(false);
    return false;
}

void TShootEngine::HandleWalkAnswer(const QString& oid, const TCellValue& value)
{
    if (TakeInstance(oid, value, AskedOid()))
        ShootWalkStepFrom(oid, kPurposeDiscovery);
    else
        EndDiscovery();
}

bool TShootEngine::TakeInstance(const QString& oid, const TCellValue& value, const QString& asked)
{
    const std::optional<QString> suffix = bounds.InstanceOf(WalkedOid(), oid, asked);
    if (!suffix || instances.RepeatsLast(*suffix))
        return false;
    const QString& mask = settings.instanceMask;
    if (mask.isEmpty()) {
        instances.Add(*suffix, value);
        ShowMessage(QStringLiteral("Instance ") + *suffix + QStringLiteral(" detected"));
    } else if (!TInstanceRows::AsksToPick(mask)) {
        if (TInstanceRows::MaskMatches(*suffix, mask))
            instances.Add(*suffix, value);
    } else {
        for (const QString& entry : TInstanceRows::PickEntries(*suffix, mask))
            view.AddInstanceMaskItem(entry);
    }
    return true;
}

void TShootEngine::EndDiscovery()
{
    ClearStatusMessage();
    if (!bulkRefusal.isEmpty())
        ShowMessage(bulkRefusal);  // stays in sight while the rows come in
    if (TInstanceRows::AsksToPick(settings.instanceMask)) {
        view.ShowInstanceMaskPanel();
        // The preferred instance of the file picks its entry, given with or
        // without the leading dot of a suffix; otherwise nothing is selected.
        QString preferred = settings.preferredInstance.trimmed();
        if (preferred.startsWith(QLatin1Char('.')))
            preferred.remove(0, 1);
        view.SelectInstanceMaskItem(preferred);
        SetShootRunning(false);
        return;
    }
    if (instances.IsEmpty()) {
        view.ShowModalMessage(kTextOidDoesNotExist);
        SetShootRunning(false);
        return;
    }
    ShootFirstInstance();
}

void TShootEngine::ShootFirstInstance()
{
    instances.Rewind();
    NextInstance();
}

void TShootEngine::NextInstance()
{
    rowCursor.BeginRow();
    if (instances.Next())
        ShootInstanceRows();
    else
        SetShootRunning(false);
}

void TShootEngine::ShootInstanceRows()
{
    // Several rows share a request when they fit in one; the walk's rows
    // come one by one otherwise.
    requestTemplate.purpose = kPurposeValues;
    requestTemplate.requestKind = kRequestGet;
    requestTemplate.oidList = instances.BeginBatch(RowsPerRequest(), settings.targetOids, kItemSeparator);
    Shoot();
}

// Row step of FoldAnswers: the row starts with the walk's value of the
// instance, then takes the answers in their order.
void TShootEngine::RowStep(const QString& oid, const TCellValue& value)
{
    if (rowCursor.CellsInRow() == 0)
        PlaceValue(WalkedOid() + instances.CurrentSuffix(), instances.CurrentKeyValue());
    PlaceValue(oid, value);
    if (rowCursor.CellsInRow() != settings.targetOids.size())
        return;
    if (instances.NextInBatch())
        rowCursor.BeginRow();  // the next row of the same request
    else
        NextInstance();
}
