// TResultCell: one cell of the result table, with the reading it shows, the
// reading before it and the latest reading that carried a value.
#pragma once

#include "CellValue.h"

#include <QString>

#include <cstdint>

struct TResultCell {
    QString oid;                    // the OID answered; empty for a row name or a further line
    TCellValue now;                 // now.text is the cell's text
    TCellValue previous;            // the reading before, of the same OID; unanswered when none
    TCellValue lastGood;            // the latest reading with a value
    std::int64_t changedAtMs = -1;  // MonotonicMs() when the text last changed
    std::uint32_t shoot = 0;        // the shoot that placed it last
    bool missing = false;           // its row was answered, this cell was not (abandoned row)
    // The text shown while the view is more than the texts, made when first
    // painted after a reading (most cells of a large table are never painted).
    mutable QString shown;
    mutable bool shownFresh = false;

    // Takes value as the cell's new reading for oid.
    void Take(const QString& answered, const TCellValue& value, std::uint32_t serial)
    {
        const bool sameOid = answered == oid;
        previous = sameOid ? now : TCellValue();
        if (!sameOid)
            lastGood = TCellValue();
        if (sameOid && now.Answered() && value.Answered() && now.text != value.text)
            changedAtMs = MonotonicMs();
        if (value.HasValue())
            lastGood = value;
        oid = answered;
        now = value;
        shoot = serial;
        missing = false;
    }
};
