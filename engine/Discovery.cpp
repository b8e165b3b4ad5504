// The Get-Next walks of the table modes: the single-target walk, the discovery
// walk with its instance mask, and the row-by-row shots of an instance table.
#include "engine/ShootEngine.h"

#include "core/Oid.h"
#include "snmp/TvxSNMPMgr.h"

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

// --- Columns walked side by side ---
// With more than one request outstanding, an instance table is read by
// walking each of its columns at once instead of walking the first and
// getting the rows: the first column's instances make the rows, the others
// fill them. A column that gets no answer leaves only its own cells empty.
// Picking an instance from the mask keeps to the walk of the first column.
bool TShootEngine::WalksColumnsSideBySide() const
{
    return settings.parallelRequests > 1 && IsInstanceTable()
        && !TInstanceRows::AsksToPick(settings.instanceMask);
}

void TShootEngine::WalkColumns()
{
    answerBuffer.clear();
    FinishPendingRequests();
    PurgePass();
    requestTemplate.purpose = kPurposeColumns;
    requestTemplate.requestKind = WalkRequestKind();
    requestTemplate.retriesLeft = kSendsPerRequest;
    columnWalks.Begin(settings.targetOids, std::min(settings.parallelRequests, kMaxParallelRequests));
    columnRowsPlaced = 0;
    columnRowsBegun = false;
    SendColumnSteps();
}

void TShootEngine::SendColumnSteps()
{
    for (TColumnWalks::TGroup group = columnWalks.NextToSend(); !group.isEmpty();
         group = columnWalks.NextToSend())
        SendColumnStep(group);
    if (!columnWalks.Running())
        return;
    PlaceReadyColumnRows();
    if (columnWalks.AllEnded())
        EndColumnWalks();
}

void TShootEngine::SendColumnStep(const TColumnWalks::TGroup& group)
{
    TRequest request = requestTemplate;
    request.columns = group;
    request.oidList.clear();
    for (const int column : group)
        request.oidList += columnWalks.From(column) + kItemSeparator;
    const int cap = columnWalks.Cap(group);
    const bool getBulk = bulk.Repetitions() > 0 && cap >= 0;
    request.requestKind = getBulk ? kRequestGetBulk : kRequestGetNext;
    const int repetitions = bulk.GroupRepetitions(static_cast<int>(group.size()));
    request.repetitions = getBulk ? (cap > 0 ? std::min(cap, repetitions) : repetitions) : 0;
    SendRequest(request, false);
    // A step that did not go out ended the shoot with its message.
    if (request.sentAt == 0)
        columnWalks.Clear();
}

// The bindings of a step come in turn for its columns: a GetBulk's
// repetitions, each one binding per column, or a Get-Next's one per column.
// A column that left its subtree takes none of the bindings after.
void TShootEngine::ColumnAnswer(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event,
                                const TRequest& request)
{
    const TColumnWalks::TGroup& group = request.columns;
    if (!columnWalks.Waits(group) || ColumnRefused(event, request))
        return;
    const int count = sender.ObjCount();
    const auto width = static_cast<int>(group.size());
    QList<bool> goesOn(width, count > 0);
    bool mibEnded = false;
    for (int i = 1; i <= count; ++i) {
        const int at = (i - 1) % width;
        if (!goesOn[at])
            continue;
        const int type = sender.ObjType(i);
        mibEnded = mibEnded || type == kTypeEndOfMibView;
        goesOn[at] = type != kTypeEndOfMibView
                  && columnWalks.Check(group[at], sender.ObjId(i), ReceivedValue(sender.ObjValue(i), type))
                         == TWalkVerdict::Take;
    }
    if (request.requestKind == kRequestGetBulk) {
        // Fewer bindings than asked while the walk goes on: the agent
        // answers no more, for every column.
        const int asked = (request.repetitions > 0 ? request.repetitions : bulk.Repetitions()) * width;
        if (!mibEnded && goesOn.contains(true) && count < asked)
            bulk.Learn(count);
        bulk.Answered(count);
    }
    columnWalks.Answered(group, goesOn);
    SendColumnSteps();
}

// An answer with an error status: too big halves the repetitions, a GetBulk
// refused walks on with Get-Next, and any other error ends the column it
// names (an SNMPv1 agent's noSuchName past its last object, without a
// message); the others of the step ask again.
bool TShootEngine::ColumnRefused(const vxsnmp::TResponseEvent& event, const TRequest& request)
{
    if (event.ErrorStatus == 0)
        return false;
    const TColumnWalks::TGroup& group = request.columns;
    if (request.requestKind == kRequestGetBulk && event.ErrorStatus == kStatusTooBig) {
        if (!bulk.Halve())
            columnWalks.Shrink(group, 1);
        columnWalks.Requeue(group);
    } else if (request.requestKind == kRequestGetBulk) {
        bulkRefusal = kTextBulkRefused.arg(StatusMessage(event));
        ShowMessage(bulkRefusal);
        bulk.Stop();
        columnWalks.Requeue(group);
    } else {
        if (event.ErrorStatus != kStatusNoSuchName)
            ShowMessage(StatusMessage(event));
        // An index that names no binding of the step ends them all.
        const bool named = event.ErrorIndex >= 1 && event.ErrorIndex <= group.size();
        QList<bool> goesOn(group.size(), named);
        if (named)
            goesOn[event.ErrorIndex - 1] = false;
        columnWalks.Answered(group, goesOn);
    }
    SendColumnSteps();
    return true;
}

// A GetBulk step left unanswered is asked again smaller, for its columns
// only: the answer may be too big to arrive, and a column the agent does not
// answer must not slow the others down.
void TShootEngine::ColumnUnanswered(const TRequest& request)
{
    if (!columnWalks.Waits(request.columns))
        return;
    columnWalks.Shrink(request.columns, request.repetitions > 0 ? request.repetitions : bulk.Repetitions());
    columnWalks.Requeue(request.columns);
    SendColumnSteps();
}

void TShootEngine::ColumnTimedOut(const TRequest& request)
{
    if (!columnWalks.Waits(request.columns))
        return;
    // The agent is silent only when no column got an answer.
    if (!columnWalks.AnyAnswered())
        ReportSilence(request.remoteHost, request.remotePort);
    ExplainV3Silence();
    if (!v3SilenceShown)
        ShowMessage(WalkTimeoutText(columnWalks.ColumnOid(request.columns.front())));
    columnWalks.TimedOut(request.columns);
    SendColumnSteps();
}

TCellValue TShootEngine::MissingCell(int column) const
{
    // What a Get of the missing instance shows: nothing from a column that
    // got no answer or from SNMPv1, noSuchInstance (in the component's
    // words) from later versions.
    if (columnWalks.HasTimedOut(column) || requestTemplate.snmpVersion == 1)
        return NoAnswer();
    return ReceivedValue(QByteArrayLiteral("error: noSuchInstance"), snmptype::kNoSuchInstance);
}

// The rows in the order of the first column's instances; a keep-instances
// re-shoot refills the known instances instead.
// A row is placed as soon as every column has walked past its instance, so
// that the rows fill in while the walks go on, a few per answer, as they do
// with one request at a time; the columns keep only the rows not yet placed.
// The rows come in the first column's walk order, or, when the known rows are
// refilled, in theirs.
void TShootEngine::PlaceReadyColumnRows()
{
    const bool refill = rowCursor.Refilling();
    const QStringList& order = refill ? instances.Suffixes() : columnWalks.Instances();
    const QString& mask = settings.instanceMask;
    while (columnRowsPlaced < order.size()) {
        const int at = columnRowsPlaced;
        const QString suffix = order[at];
        if (!columnWalks.AllPassed(refill ? 0 : 1, TOid::FromText(suffix)))
            return;
        ++columnRowsPlaced;
        if (refill) {
            PlaceColumnRow(suffix, instances.KeyValue(at));
            continue;
        }
        if (!columnRowsBegun) {
            instances.Clear();
            columnRowsBegun = true;
        }
        const TCellValue key = *columnWalks.Take(0, suffix);
        if (!mask.isEmpty() && !TInstanceRows::MaskMatches(suffix, mask)) {
            for (int c = 1; c < columnWalks.Count(); ++c)
                columnWalks.Take(c, suffix);
            continue;
        }
        instances.Add(suffix, key);
        PlaceColumnRow(suffix, key);
    }
}

void TShootEngine::PlaceColumnRow(const QString& suffix, const TCellValue& firstFallback)
{
    const QStringList& targets = settings.targetOids;
    rowCursor.BeginRow();
    PlaceValue(targets[0] + suffix, columnWalks.Take(0, suffix).value_or(firstFallback));
    for (int c = 1; c < columnWalks.Count(); ++c)
        PlaceValue(targets[c] + suffix, columnWalks.Take(c, suffix).value_or(MissingCell(c)));
}

void TShootEngine::EndColumnWalks()
{
    if (columnWalks.HasTimedOut(0)) {
        columnWalks.Clear();
        EndUnansweredWalk();  // as a walk that got no answer further on
        return;
    }
    if (!rowCursor.Refilling() && !columnRowsBegun)
        instances.Clear();
    if (instances.IsEmpty()) {
        columnWalks.Clear();
        view.ShowModalMessage(kTextOidDoesNotExist);
        SetShootRunning(false);
        return;
    }
    rowCursor.BeginRow();  // past the last row, as the row-by-row shoot ends
    columnWalks.Clear();
    SetShootRunning(false);
}
