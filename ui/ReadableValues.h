// Readable values: the texts shown for a value when "Readable values" is on.
// The value itself, its sort order and its exported text stay as received.
#pragma once

#include "CellValue.h"

#include <QString>

#include <functional>

// The label of an enumerated value of the object `oid` (an instance OID or
// the object's own) or the empty text when the value has none. The built-in
// lookup knows the enumerations of the interfaces table (IF-MIB).
using TEnumLabelLookup = std::function<QString(const QString& oid, qint64 value)>;
QString InterfaceEnumLabel(const QString& oid, qint64 value);

// "3d 04:05:06.07" for hundredths of seconds; the days only when there are.
QString UptimeText(qint64 ticks);
// "1 Gbit/s", "10 Mbit/s", "1.5 kbit/s" for bits per second.
QString SpeedText(double bitsPerSecond);

// The readable text of value received for `oid`, or the empty text when the
// value is best shown as it is. Enumerations read "ethernetCsmacd(6)".
QString ReadableText(const TCellValue& value, const QString& oid, const TEnumLabelLookup& labels);
