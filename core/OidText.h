// The form of an OID text that goes out in a request: a dotted list of
// decimal sub-identifiers, as a user types it into a vexgrid file or a dialog.
#pragma once

#include <QStringView>

// The bounds a BER-encoded OID keeps to.
inline constexpr int kMinOidArcs = 2;
inline constexpr int kMaxOidArcs = 128;
inline constexpr unsigned long long kMaxOidArc = 4294967295ULL;  // 32 bits

// IsOidText tells whether `text` is an OID an agent can be asked for: an
// optional leading dot, then 2 to 128 sub-identifiers of decimal digits
// separated by single dots, each at most 4294967295; the first is 0, 1 or 2,
// and under 0 and 1 the second is at most 39 (the two share the first byte
// on the wire). Signs, blanks, letters and empty sub-identifiers are refused.
bool IsOidText(QStringView text);
