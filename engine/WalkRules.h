// The walker's rules, apart from sending requests and placing values: whether
// an answer still belongs to the walked subtree (TWalkBounds), which
// instances a discovery keeps and which of them a table shot is at
// (TInstanceRows), and how many repetitions a GetBulk asks for
// (TBulkSize). Plain state and decisions: the shoot engine sends and places,
// and asks these what to do next.
#pragma once

#include "core/CellValue.h"
#include "core/Oid.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <optional>

// What one answer of a single-target walk does to the walk.
enum class TWalkVerdict {
    Take,  // inside the walked subtree, beyond the OID asked: a row
    Left,  // outside the walked subtree: the walk has ended
    Loop,  // before the OID asked, or the previous answer again: the agent loops
};

class TWalkBounds {
public:
    // The walked OID as arcs, parsed once per walked text.
    const TOid& Walked(const QString& walked);
    // One step of a single-target walk of `walked` that asked for `asked`;
    // an answer taken is remembered to tell a repetition.
    TWalkVerdict Check(const QString& walked, const QString& oid, const QString& asked);
    // One step of a discovery walk: the instance suffix of an answer inside
    // the subtree and beyond the OID asked; nullopt for any other, which ends
    // the walk like leaving the subtree, so no agent can keep it going.
    std::optional<QString> InstanceOf(const QString& walked, const QString& oid, const QString& asked);
    // Forgets the previous answer: the next walk starts afresh.
    void Forget() { last.clear(); }

private:
    QString last;  // the previous answer taken
    QString walkedText;
    TOid walkedArcs;
};

class TInstanceRows {
public:
    // The discovered instances (".1", ".7.2"), in walk order.
    const QStringList& Suffixes() const { return suffixes; }
    int Count() const { return static_cast<int>(suffixes.size()); }
    bool IsEmpty() const { return suffixes.isEmpty(); }
    void Clear();
    // Keeps an instance and the walk's value for it (the row's first cell).
    void Add(const QString& suffix, const TCellValue& keyValue);
    // Whether suffix repeats the instance found last (the agent loops).
    bool RepeatsLast(const QString& suffix) const { return !suffixes.isEmpty() && suffix == suffixes.last(); }

    // Whether an instance suffix (".1.5") passes the mask ("*.5").
    static bool MaskMatches(const QString& suffix, const QString& mask);
    // Whether the mask asks the user to pick among entries ("RT" positions).
    static bool AsksToPick(const QString& mask);
    // The entries of the Instance Mask box an instance makes: the mask with
    // all its placeholders set to the suffix's component at one "RT" position.
    static QStringList PickEntries(const QString& suffix, const QString& mask);

    // --- The row being shot ---
    // Before the first row.
    void Rewind() { current = -1; }
    // Moves to the next instance; false past the last.
    bool Next() { return ++current < Count(); }
    int Current() const { return current; }
    // The rows from the current one that one request asks for, at most
    // rowsPerRequest of them; returns the OIDs of the targets after the first
    // for each, separated by `separator`.
    QString BeginBatch(int rowsPerRequest, const QStringList& targets, QChar separator);
    // Moves to the next row of the same request; false at its last row.
    bool NextInBatch();
    // The rows of the request an abandoned answer leaves empty are passed.
    void SkipRestOfBatch(const std::function<void()>& eachRow);
    QString CurrentSuffix() const { return suffixes.value(current); }
    TCellValue CurrentKeyValue() const { return keyValues.value(current); }
    TCellValue KeyValue(int at) const { return keyValues.value(at); }

private:
    QStringList suffixes;
    QVector<TCellValue> keyValues;  // the walk's value of each instance
    int current = -1;               // row being shot; -1 before the first
    int batchEnd = 0;               // first instance after the rows of the current request
};

class TBulkSize {
public:
    // What an earlier run found for an agent (0: nothing), and where a new
    // finding is kept for the next.
    using TRecall = std::function<int(const QString& agent)>;
    using TKeep = std::function<void(const QString& agent, int repetitions)>;
    TBulkSize(TRecall recallFound, TKeep keepFound)
        : recall(std::move(recallFound)), keep(std::move(keepFound))
    {
    }

    // A shoot begins against agent with the file's ceiling (0: Get-Next):
    // it starts at the ceiling, or the fewer the agent was found to answer.
    void Begin(int ceiling, const QString& agent);
    // Repetitions of the running shoot; 0 while it walks with Get-Next.
    int Repetitions() const { return repetitions; }
    // What agent was found to answer; 0 while nothing was learned.
    int Learned(const QString& agent) const;
    // The agent answers at most this many bindings: the size from now on
    // (within the shoot's ceiling), and kept.
    void Learn(int answered);
    // The repetitions of a GetBulk that walks `columns` columns at once: as
    // many as the agent was found to answer in all, shared out, within the
    // ceiling; the ceiling while nothing was found.
    int GroupRepetitions(int columns) const;
    // Halves the size; false when it is down to one, and Get-Next must take over.
    bool Halve();
    // Get-Next for the rest of the shoot.
    void Stop() { repetitions = 0; }
    // "GetBulk with 9 repetitions: the agent answers at most 9 bindings";
    // empty while the shoot walks with Get-Next.
    QString Explanation() const;

    // The bindings a Get of table rows may carry: the most the agent was
    // seen to give in one GetBulk answer, at least `least`, and half of any
    // Get it found too big.
    int GetSize(int least) const;
    void Answered(int count);
    void TooBig(int count);

private:
    TRecall recall;
    TKeep keep;
    QString agent;
    int repetitions = 0;
    int ceiling = 0;                      // the file's, for the running shoot
    mutable QHash<QString, int> learned;  // also what was recalled
    struct TGetSize {
        int seen = 0;   // the most bindings of one GetBulk answer
        int limit = 0;  // half a Get found too big; 0: none
    };
    QHash<QString, TGetSize> getSizes;  // per agent
};

// TColumnWalks: the columns of an instance table walked side by side, each by
// its own chain of Get-Next or GetBulk steps, with at most `parallel` steps
// outstanding at once. With more columns than steps at once, neighbouring
// columns share their steps in groups (a GetBulk of two columns asks their
// rows in turn): each step then carries more bindings, and an agent that
// answers many bindings per request at no more repetitions serves the table
// in fewer requests. Each column keeps its values by instance suffix; the
// first column's instances, in walk order, make the rows.
class TColumnWalks {
public:
    using TGroup = QList<std::int32_t>;  // the columns of one step, in binding order

    // Starts a walk of each column; none is waiting yet.
    void Begin(const QStringList& columnOids, int parallel);
    // Forgets the walks: answers still arriving are no longer wanted.
    void Clear() { columns.clear(); }
    bool Running() const { return !columns.isEmpty(); }
    int Count() const { return static_cast<int>(columns.size()); }
    // The columns whose next step may go out now (marked waiting): the one
    // furthest behind and the others of its group still walking; empty while
    // the limit is reached or none is queued.
    TGroup NextToSend();
    // Whether the columns wait for the answer to their step (else it is stale).
    bool Waits(const TGroup& group) const;
    // The OID the column's next step asks from.
    QString From(int column) const { return columns.value(column).asked; }
    QString ColumnOid(int column) const { return columns.value(column).oid; }
    // The repetitions of the group's GetBulk steps: 0 the shoot's, -1 Get-Next.
    int Cap(const TGroup& group) const { return group.isEmpty() ? -1 : columns.value(group.front()).cap; }
    // A step of the group went unanswered with `asked` repetitions: its
    // columns ask again with half of them, past one with Get-Next.
    void Shrink(const TGroup& group, int asked);
    // One binding of the column's step; Take keeps it and moves the column on.
    TWalkVerdict Check(int column, const QString& oid, const TCellValue& value);
    // The group's step is answered: each column (goesOn in the group's
    // order) queues its next step, or has ended.
    void Answered(const TGroup& group, const QList<bool>& goesOn);
    // The group's step is asked again (a smaller GetBulk, or Get-Next).
    void Requeue(const TGroup& group);
    // The group got no answer after all resends: its columns end with the
    // values they had.
    void TimedOut(const TGroup& group);
    bool HasTimedOut(int column) const { return columns.value(column).state == TState::TimedOut; }
    bool AllEnded() const;
    // Whether any column took a binding in this walk.
    bool AnyAnswered() const { return anyAnswered; }
    // The first column's instances, in walk order.
    const QStringList& Instances() const { return instanceOrder; }
    // Whether every column from `first` on has walked past the instance
    // (suffix ".7.2" as arcs) or ended: its row may be placed. A first
    // column that timed out has passed only what it answered.
    bool AllPassed(int first, const TOid& suffix) const;
    // The column's value of an instance, handed over once: a placed row's
    // values are not kept twice. nullopt when it had none.
    std::optional<TCellValue> Take(int column, const QString& suffix);

private:
    enum class TState { Queued, Waiting, Ended, TimedOut };
    struct TColumn {
        QString oid;
        TOid arcs;
        QString asked;  // the OID the next (or outstanding) step asks from
        TOid askedArcs;
        TOid lastSuffix;  // the instance of the last binding taken
        bool tookAny = false;
        int cap = 0;
        int group = 0;  // the columns of a group step together
        TState state = TState::Queued;
        QHash<QString, TCellValue> values;  // by instance suffix
    };
    // Whether column a has walked less far than b.
    static bool Behind(const TColumn& a, const TColumn& b);

    QVector<TColumn> columns;
    QStringList instanceOrder;
    int limit = 1;
    int waiting = 0;  // steps outstanding
    bool anyAnswered = false;
};
