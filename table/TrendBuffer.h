// TTrendBuffer: the last readings of every cell that holds a number, for the
// trends drawn in the table: counters as their rates (the rate column's
// rules), gauges and integers as read. Kept by the cell's OID, so a re-sorted
// or re-shot row keeps its trend.
#pragma once

#include "engine/ResultStore.h"
#include "table/RateColumn.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <vector>

class TTrendBuffer {
public:
    // Readings a trend keeps (the oldest go first).
    static constexpr int kReadings = 60;

    // Takes the readings of a finished shoot; a cell without a number now
    // (unanswered, stale, no rate yet) adds nothing.
    void Take(const QVector<TResultRow>& rows) { Take(rows, 0, rows.size()); }
    // The same for rows [from, to) of a shoot, taken a slice at a time;
    // discontinuityColumn: where its rows hold ifCounterDiscontinuityTime
    // (DiscontinuityColumn), which saves searching each row for it.
    void Take(const QVector<TResultRow>& rows, qsizetype from, qsizetype to,
              qsizetype discontinuityColumn = kAnyColumn);
    void Clear()
    {
        slotOf.clear();
        trends.clear();
        slotAt.clear();
        ++clears;
    }
    // How often the trends were cleared: a slice of a shoot from before a
    // Clear is not to be taken.
    int Clears() const { return clears; }
    // The readings of oid, oldest first; empty when none.
    QVector<double> Readings(const QString& oid) const { return ReadingsAt(SlotFor(oid)); }
    // What tells oid's readings from those it had before: the arrival of its
    // newest reading and how many it keeps; -1 when it has none. Pictures
    // of a trend are drawn again only when this changed.
    std::int64_t Stamp(const QString& oid) const { return StampAt(SlotFor(oid)); }
    // The same by the trend's slot, which stays until the trends are
    // cleared: -1 for an OID without a trend.
    qsizetype SlotFor(const QString& oid) const;
    QVector<double> ReadingsAt(qsizetype slot) const;
    std::int64_t StampAt(qsizetype slot) const;
    // "trend: min 1, max 5 over 12 readings"; empty for fewer than two.
    QString Summary(const QString& oid) const;

private:
    // The readings of one cell, in a ring; float keeps the six significant
    // digits the tooltip shows and halves what a large table's trends take.
    struct TTrend {
        // Its OID: the store keeps a cell's text while its OID stays, so a
        // cell at its place is told its trend by the text they share. What a
        // shoot reads of every trend comes first, on one cache line.
        QString oid;
        std::int64_t lastWallMs = 0;
        int count = 0;  // readings kept, at most kReadings
        int next = 0;   // where the next reading goes
        // Not cleared before use: count says how many hold readings, and a
        // large table's trends are not worth clearing first.
        std::array<float, kReadings> values;  // NOLINT(cppcoreguidelines-pro-type-member-init)
    };
    // The trend of cell, found where it lay at the cell's place (row times
    // width plus column) in the shoot before, else by its OID; made when
    // wanted. -1 when there is none and none is made.
    qsizetype SlotOf(const TResultCell& cell, std::size_t place, bool make);

    // Where each OID's trend lies: the hash holds small nodes only, so
    // growing it moves no readings.
    QHash<QString, qsizetype> slotOf;
    std::vector<TTrend> trends;
    // The slot of the cell at each place in the shoot before: a table
    // re-shot in the same order finds its trends without hashing OIDs.
    std::vector<qsizetype> slotAt;
    qsizetype width = 0;  // cells a row has in slotAt
    int clears = 0;
};
