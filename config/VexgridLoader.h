// Loading a vexgrid file into the settings of a run.
#pragma once

#include "core/Settings.h"

#include <QString>

struct TVexgridLoadResult {
    bool loaded = false;
    QString reason;  // why the load failed; empty on success
    // The file was read, but an entry in it cannot be shot (a target that is
    // no OID); reason names the entry and its text.
    bool badEntry = false;
};

// LoadVexgridSettings reads the vexgrid file at `path` (used unchanged) into
// `settings`, which start-up has put to the defaults before. It clears
// instanceMask and the OID list, then takes title, host and community when not
// empty, sets pollSeconds to 1, takes width, height, port and version through
// their range checks, always takes preferredinstance, and classifies every
// shootertarget as a directive (instance mask) or a target. A target with an
// empty instance switches on table mode.
//
// On failure (file unreadable, not well-formed XML with the parser's line and
// column, wrong root element, an element that holds elements, a target whose
// OID and instance are no OID text: "Target 3: '1.3..6' is not an OID") it
// returns the reason; settings already read keep their new values.
TVexgridLoadResult LoadVexgridSettings(const QString& path, TSessionSettings& settings);

// VexgridParserMessage composes the text shown to the user when a load failed.
QString VexgridParserMessage(const QString& path, const QString& reason);
// VexgridLoadMessage: the text shown for a failed load: the parser message,
// or for a file that was read but holds a bad entry, what is wrong with it
// and how to mend it.
QString VexgridLoadMessage(const QString& path, const TVexgridLoadResult& result);

// NormaliseTargetOid upper-cases the ASCII letters of an oid text and marks its
// keywords: "FORMULA" -> "&Formula", "AL=" -> "&AL=", "IM=" -> "&IM=", then
// "&&" -> "&" (each replacement left to right, non-overlapping). A result that
// begins with "&" is a directive.
QString NormaliseTargetOid(const QString& oid);
