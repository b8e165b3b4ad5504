// TResultCell: one cell of the result table, with the reading it shows, the
// reading before it and the latest reading that carried a value.
#pragma once

#include "core/CellValue.h"

#include <QSharedData>
#include <QString>

#include <atomic>
#include <cstdint>

// The readings a cell keeps besides the one it shows. Only a cell read again
// for the same OID has them, so a table's first shoot (all most cells ever
// see of a walk) holds none.
struct TCellHistory : QSharedData {
    TCellValue previous;  // the answer before, of the same OID; unanswered when none
    TCellValue lastGood;  // the latest reading with a value, while the shown one has none
};

struct TResultCell {
    QString oid;                    // the OID answered; empty for a row name or a further line
    TCellValue now;                 // now.text is the cell's text
    std::int64_t changedAtMs = -1;  // MonotonicMs() when the text last changed
    QExplicitlySharedDataPointer<const TCellHistory> history;  // shared by copies, never changed
    std::uint32_t shoot = 0;                                   // the shoot that placed it last
    // Where a table keeps the text it shows for the cell while the view is
    // more than the texts, made when first painted after a reading (most
    // cells of a large table are never painted); 0 for none. Every change
    // of the cell sets it back to 0.
    mutable std::uint32_t shownSlot = 0;
    bool missing = false;  // its row was answered, this cell was not (abandoned row)
    // The agent went silent before this cell's row was read again: the
    // reading is kept (a rate resumes from it) but is no longer current.
    bool stale = false;
    // Tells the cell's content (OID, type, text and bytes) from any it had
    // before, and from that of every other cell since the program started:
    // every Take that changes it draws a new stamp. 0 for none, where
    // the content was set some other way (a reader compares the texts).
    std::uint32_t stamp = 0;

    // The answer before, of the same OID; unanswered when there was none.
    const TCellValue& Previous() const { return history ? history->previous : Unanswered(); }
    // The latest reading with a value; unanswered when none.
    const TCellValue& LastGood() const
    {
        if (now.HasValue())
            return now;
        return history ? history->lastGood : Unanswered();
    }

    // Takes value as the cell's new reading for oid.
    void Take(const QString& answered, const TCellValue& value, std::uint32_t serial)
    {
        const bool sameOid = answered == oid;
        const bool sameText = sameOid && now.text == value.text;
        if (sameOid && now.Answered() && value.Answered() && !sameText)
            changedAtMs = MonotonicMs();
        if (!sameText || now.type != value.type || now.BytesAreText() != value.BytesAreText()
            || now.KeptBytes() != value.KeptBytes() || stamp == 0)
            stamp = NextStamp();
        // Kept: an answer before (rates read it), and the last value while
        // the new reading has none. A first reading keeps nothing.
        const bool keepLastGood = sameOid && !value.HasValue() && LastGood().HasValue();
        if (sameOid && (now.Answered() || keepLastGood)) {
            auto* next = new TCellHistory;
            if (now.Answered())
                next->previous = now;
            if (keepLastGood)
                next->lastGood = LastGood();
            history.reset(next);
        } else {
            history.reset();
        }
        // Only a new reading confirms a stale one; the same placed again (a
        // row's first value, as the walk found it) does not.
        const bool sameReading =
            sameText && value.Answered() && value.arrivedMs == now.arrivedMs && value.wallMs == now.wallMs;
        stale = stale && sameReading;
        // The same OID keeps its text, shared with those who hold it (the
        // trends find a cell's trend by it without reading it again).
        if (!sameOid)
            oid = answered;
        now = value;
        shoot = serial;
        missing = false;
        shownSlot = 0;
    }

private:
    // Stamps are drawn on any thread (a reader of a recording fills cells
    // too); after 2^32 of them they start again, past 0.
    static std::uint32_t NextStamp()
    {
        static std::atomic<std::uint32_t> drawn{0};
        std::uint32_t next = drawn.fetch_add(1, std::memory_order_relaxed) + 1;
        while (next == 0)
            next = drawn.fetch_add(1, std::memory_order_relaxed) + 1;
        return next;
    }
    static const TCellValue& Unanswered()
    {
        static const TCellValue none;
        return none;
    }
};
