#include "engine/WalkRules.h"

#include <algorithm>

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

const TOid& TWalkBounds::Walked(const QString& walked)
{
    if (walkedText != walked) {
        walkedText = walked;
        walkedArcs = TOid::FromText(walked);
    }
    return walkedArcs;
}

TWalkVerdict TWalkBounds::Check(const QString& walked, const QString& oid, const QString& asked)
{
    const TOid answer = TOid::FromText(oid);
    // An agent that answers an OID before the one asked for would walk in
    // circles for ever.
    if (answer < TOid::FromText(asked))
        return TWalkVerdict::Loop;
    if (!Walked(walked).IsPrefixOf(answer))
        return TWalkVerdict::Left;
    if (oid == last)
        return TWalkVerdict::Loop;
    last = oid;
    return TWalkVerdict::Take;
}

std::optional<QString> TWalkBounds::InstanceOf(const QString& walked, const QString& oid,
                                               const QString& asked)
{
    const TOid& column = Walked(walked);
    const TOid answer = TOid::FromText(oid);
    // The next column (.10 after .1) is outside.
    if (!column.IsPrefixOf(answer) || !(answer > TOid::FromText(asked)))
        return std::nullopt;
    return answer.SuffixAfter(column).ToSuffixString();
}

void TInstanceRows::Clear()
{
    suffixes.clear();
    keyValues.clear();
}

void TInstanceRows::Add(const QString& suffix, const TCellValue& keyValue)
{
    suffixes.append(suffix);
    keyValues.append(keyValue);
}

bool TInstanceRows::MaskMatches(const QString& suffix, const QString& mask)
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

bool TInstanceRows::AsksToPick(const QString& mask) { return mask.contains(kRtPlaceholder); }

QStringList TInstanceRows::PickEntries(const QString& suffix, const QString& mask)
{
    QStringList entries;
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
        entries.append(entry);
    }
    return entries;
}

QString TInstanceRows::BeginBatch(int rowsPerRequest, const QStringList& targets, QChar separator)
{
    batchEnd = std::max(current + 1, std::min(current + rowsPerRequest, Count()));
    QString oids;
    for (int row = current; row < batchEnd; ++row) {
        const QString suffix = suffixes.value(row);
        for (qsizetype t = 1; t < targets.size(); ++t)
            oids += targets[t] + suffix + separator;
    }
    return oids;
}

bool TInstanceRows::NextInBatch()
{
    if (current + 1 >= batchEnd)
        return false;
    ++current;
    return true;
}

void TInstanceRows::SkipRestOfBatch(const std::function<void()>& eachRow)
{
    while (NextInBatch())
        eachRow();
}

void TBulkSize::Begin(int fileCeiling, const QString& forAgent)
{
    agent = forAgent;
    ceiling = std::max(fileCeiling, 0);
    repetitions = ceiling;
    if (const int known = Learned(agent); known > 0 && repetitions > 0)
        repetitions = std::min(repetitions, known);
}

int TBulkSize::Learned(const QString& forAgent) const
{
    const auto known = learned.constFind(forAgent);
    if (known != learned.cend())
        return *known;
    // What an earlier run found out, once per agent.
    const int recalled = std::max(recall ? recall(forAgent) : 0, 0);
    learned.insert(forAgent, recalled);
    return recalled;
}

void TBulkSize::Learn(int answered)
{
    const int found = std::max(1, answered);
    if (repetitions > 0)  // a shoot gone over to Get-Next stays there
        repetitions = std::min(ceiling, found);
    learned.insert(agent, found);
    if (keep)
        keep(agent, found);
}

int TBulkSize::GroupRepetitions(int columns) const
{
    const int found = Learned(agent);
    if (columns <= 1 || found <= 0)
        return repetitions;
    return std::clamp(found / columns, 1, repetitions);
}

bool TBulkSize::Halve()
{
    if (repetitions <= 1)
        return false;
    Learn(repetitions / 2);  // below what was found, if anything was
    return true;
}

int TBulkSize::GetSize(int least) const
{
    const TGetSize size = getSizes.value(agent);
    const int wanted = std::max(size.seen, least);
    return size.limit > 0 ? std::min(wanted, size.limit) : wanted;
}

void TBulkSize::Answered(int count)
{
    TGetSize& size = getSizes[agent];
    size.seen = std::max(size.seen, count);
}

void TBulkSize::TooBig(int count) { getSizes[agent].limit = std::max(1, count / 2); }

QString TBulkSize::Explanation() const
{
    if (repetitions == 0)
        return QString();
    QString text = QStringLiteral("GetBulk with %1 repetitions").arg(repetitions);
    if (const int known = Learned(agent); known > 0)
        text += QStringLiteral(": the agent answers at most %1 bindings")
                    .arg(std::max(known, getSizes.value(agent).seen));
    return text;
}

void TColumnWalks::Begin(const QStringList& columnOids, int parallel)
{
    columns.clear();
    limit = std::max(parallel, 1);
    // As many groups as steps at once, of neighbouring columns.
    const int perGroup = std::max(1, static_cast<int>((columnOids.size() + limit - 1) / limit));
    for (const QString& oid : columnOids) {
        TColumn column;
        column.group = static_cast<int>(columns.size()) / perGroup;
        column.oid = oid;
        column.arcs = TOid::FromText(oid);
        column.asked = oid;
        column.askedArcs = column.arcs;
        columns.append(column);
    }
    instanceOrder.clear();
    waiting = 0;
    anyAnswered = false;
}

TColumnWalks::TGroup TColumnWalks::NextToSend()
{
    TGroup group;
    if (waiting >= limit)
        return group;
    // The column furthest behind goes first, so that the columns move on
    // together and their rows can be placed (and forgotten) as they come.
    int next = -1;
    for (int c = 0; c < Count(); ++c) {
        const TColumn& walk = columns[c];
        if (walk.state != TState::Queued)
            continue;
        if (next < 0 || Behind(walk, columns[next]))
            next = c;
    }
    if (next < 0)
        return group;
    for (int c = 0; c < Count(); ++c) {
        TColumn& walk = columns[c];
        if (walk.state == TState::Queued && walk.group == columns[next].group) {
            walk.state = TState::Waiting;
            group.append(c);
        }
    }
    ++waiting;
    return group;
}

bool TColumnWalks::Behind(const TColumn& a, const TColumn& b)
{
    if (!a.tookAny || !b.tookAny)
        return !a.tookAny && b.tookAny;
    return a.lastSuffix < b.lastSuffix;
}

bool TColumnWalks::Waits(const TGroup& group) const
{
    return !group.isEmpty() && std::all_of(group.cbegin(), group.cend(), [this](int c) {
        return c >= 0 && c < Count() && columns[c].state == TState::Waiting;
    });
}

void TColumnWalks::Shrink(const TGroup& group, int asked)
{
    for (const int c : group) {
        if (c >= 0 && c < Count())
            columns[c].cap = asked > 1 ? asked / 2 : -1;
    }
}

TWalkVerdict TColumnWalks::Check(int column, const QString& oid, const TCellValue& value)
{
    TColumn& walk = columns[column];
    const TOid answer = TOid::FromText(oid);
    // An agent that answers an OID not beyond the one asked would walk in
    // circles for ever.
    if (!(answer > walk.askedArcs))
        return TWalkVerdict::Loop;
    if (!walk.arcs.IsPrefixOf(answer))
        return TWalkVerdict::Left;
    walk.lastSuffix = answer.SuffixAfter(walk.arcs);
    walk.tookAny = true;
    const QString suffix = walk.lastSuffix.ToSuffixString();
    walk.values.insert(suffix, value);
    if (column == 0)
        instanceOrder.append(suffix);
    walk.asked = oid;
    walk.askedArcs = answer;
    anyAnswered = true;
    return TWalkVerdict::Take;
}

void TColumnWalks::Answered(const TGroup& group, const QList<bool>& goesOn)
{
    if (!Waits(group))
        return;
    --waiting;
    for (qsizetype i = 0; i < group.size(); ++i)
        columns[group[i]].state = goesOn.value(i) ? TState::Queued : TState::Ended;
}

void TColumnWalks::Requeue(const TGroup& group) { Answered(group, QList<bool>(group.size(), true)); }

void TColumnWalks::TimedOut(const TGroup& group)
{
    if (!Waits(group))
        return;
    --waiting;
    for (const int c : group)
        columns[c].state = TState::TimedOut;
}

bool TColumnWalks::AllEnded() const
{
    return std::all_of(columns.cbegin(), columns.cend(), [](const TColumn& c) {
        return c.state == TState::Ended || c.state == TState::TimedOut;
    });
}

bool TColumnWalks::AllPassed(int first, const TOid& suffix) const
{
    for (int c = std::max(first, 0); c < Count(); ++c) {
        const TColumn& walk = columns[c];
        // A silent column leaves its cells empty; a silent first column ends
        // the rows where it stopped, as a walk does.
        const bool ended = walk.state == TState::Ended || (walk.state == TState::TimedOut && c > 0);
        if (!ended && !(walk.tookAny && !(walk.lastSuffix < suffix)))
            return false;
    }
    return true;
}

std::optional<TCellValue> TColumnWalks::Take(int column, const QString& suffix)
{
    if (column < 0 || column >= Count())
        return std::nullopt;
    const auto found = columns[column].values.constFind(suffix);
    if (found == columns[column].values.cend())
        return std::nullopt;
    std::optional<TCellValue> value = *found;
    columns[column].values.erase(found);
    return value;
}
