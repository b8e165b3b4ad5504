// The Get-Next walks of the table modes: the single-target walk, the discovery
// walk with its instance mask, and the row-by-row shots of an instance table.
#include "engine/ShootEngine.h"

#include "core/Oid.h"

#include <algorithm>
#include <utility>

namespace {

const QString kRtPlaceholder = QStringLiteral("RT");

// Takes the text up to the next "." and removes it with the "."; without a
// "." left the component is empty and the text stays.
QString TakeComponent(QString& text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    QString component = text.left(dot);
    text.remove(0, dot + 1);
    return component;
}

}  // namespace

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
    const TOid answer = TOid::FromText(oid);
    if (answer < TOid::FromText(asked)) {
        // An agent that answers an OID before the one asked for would walk in
        // circles for ever.
        ShowMessage(kTextLoopDetected);
        SetShootRunning(false);
        return false;
    }
    if (!WalkedArcs().IsPrefixOf(answer)) {
        SetShootRunning(false);
        return false;
    }
    if (oid == lastWalkOid) {
        ShowMessage(kTextLoopDetected);
        SetShootRunning(false);
        return false;
    }
    lastWalkOid = oid;
    return true;
}

const TOid& TShootEngine::WalkedArcs() const
{
    // Parsed once per walked OID, not per answer.
    const QString walked = WalkedOid();
    if (walkedMemo.text != walked) {
        walkedMemo.text = walked;
        walkedMemo.oid = TOid::FromText(walked);
    }
    return walkedMemo.oid;
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
    const TOid& walked = WalkedArcs();
    const TOid answer = TOid::FromText(oid);
    // Each answer must lie in the walked column's subtree, beyond the OID
    // asked for; one that does not ends the walk like leaving the subtree, so
    // no agent can keep it going. The next column (.10 after .1) is outside.
    if (!walked.IsPrefixOf(answer) || !(answer > TOid::FromText(asked)))
        return false;
    const QString suffix = answer.SuffixAfter(walked).ToSuffixString();
    if (!instanceSuffixes.isEmpty() && suffix == instanceSuffixes.last())
        return false;
    const QString& mask = settings.instanceMask;

    if (mask.isEmpty()) {
        instanceSuffixes.append(suffix);
        instanceKeyValues.append(value);
        ShowMessage(QStringLiteral("Instance ") + suffix + QStringLiteral(" detected"));
    } else if (!mask.contains(kRtPlaceholder)) {
        if (MaskMatches(suffix, mask)) {
            instanceSuffixes.append(suffix);
            instanceKeyValues.append(value);
        }
    } else {
        // Every "RT" position names one entry of the Instance Mask box: the
        // mask with all its placeholders set to the suffix's component there.
        const QStringList maskParts = (mask + QLatin1Char('.')).split(QLatin1Char('.'));
        const QStringList suffixParts = (suffix.mid(1) + QLatin1Char('.')).split(QLatin1Char('.'));
        for (qsizetype i = 0; i < maskParts.size(); ++i) {
            if (maskParts[i] != kRtPlaceholder)
                continue;
            const QString part = suffixParts.value(i);
            if (part.isEmpty())
                continue;  // the suffix is shorter than the mask
            QString entry = mask;
            entry.replace(kRtPlaceholder, part);
            view.AddInstanceMaskItem(entry);
        }
    }
    return true;
}

void TShootEngine::EndDiscovery()
{
    ClearStatusMessage();
    if (!bulkRefusal.isEmpty())
        ShowMessage(bulkRefusal);  // stays in sight while the rows come in
    if (settings.instanceMask.contains(kRtPlaceholder)) {
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
    if (instanceSuffixes.isEmpty()) {
        view.ShowModalMessage(kTextOidDoesNotExist);
        SetShootRunning(false);
        return;
    }
    ShootFirstInstance();
}

void TShootEngine::ShootFirstInstance()
{
    currentInstance = -1;
    NextInstance();
}

bool TShootEngine::MaskMatches(const QString& suffix, const QString& mask)
{
    if (suffix.isEmpty())
        return false;
    QString m = mask + QLatin1Char('.');
    QString s = suffix.mid(1) + QLatin1Char('.');
    while (!m.isEmpty()) {
        const QString maskPart = TakeComponent(m);
        const QString suffixPart = TakeComponent(s);
        if (maskPart == QLatin1String("*") || maskPart == kRtPlaceholder)
            continue;
        if (maskPart == QLatin1String("-"))
            return true;
        // The first literal component decides.
        return maskPart == suffixPart;
    }
    return true;
}

void TShootEngine::NextInstance()
{
    ++currentInstance;
    rowCursor.BeginRow();
    if (currentInstance < instanceSuffixes.size())
        ShootInstance(currentInstance);
    else
        SetShootRunning(false);
}

void TShootEngine::ShootInstance(int index)
{
    // Several rows share a request when they fit in one; the walk's rows
    // come one by one otherwise.
    rowBatchEnd =
        std::max(index + 1, std::min(index + RowsPerRequest(), static_cast<int>(instanceSuffixes.size())));
    QString oids;
    for (int row = index; row < rowBatchEnd; ++row) {
        const QString suffix = instanceSuffixes.value(row);
        for (qsizetype t = 1; t < settings.targetOids.size(); ++t)
            oids += settings.targetOids[t] + suffix + kItemSeparator;
    }
    requestTemplate.purpose = kPurposeValues;
    requestTemplate.requestKind = kRequestGet;
    requestTemplate.oidList = oids;
    Shoot();
}

// Row step of FoldAnswers: the row starts with the walk's value of the
// instance, then takes the answers in their order.
void TShootEngine::RowStep(const QString& oid, const TCellValue& value)
{
    if (rowCursor.CellsInRow() == 0)
        PlaceValue(WalkedOid() + instanceSuffixes.value(currentInstance),
                   instanceKeyValues.value(currentInstance));
    PlaceValue(oid, value);
    if (rowCursor.CellsInRow() != settings.targetOids.size())
        return;
    if (currentInstance + 1 < rowBatchEnd) {
        ++currentInstance;  // the next row of the same request
        rowCursor.BeginRow();
    } else {
        NextInstance();
    }
}

// The rows of the current request that an abandoned answer leaves empty are
// passed over one by one, as the refill counts them.
void TShootEngine::SkipRestOfBatch()
{
    while (currentInstance + 1 < rowBatchEnd) {
        ++currentInstance;
        rowCursor.BeginRow();
    }
}
