// Readable values: the texts shown for a value when "Readable values" is on.
// The value itself, its sort order and its exported text stay as received.
// Enumerations and display hints are read from the MIB names (DisplayHint.h);
// what no MIB says (uptimes, interface speeds, MAC addresses of objects the
// names do not know) is worked out here.
#pragma once

#include "core/CellValue.h"

#include <QString>

class TMibNames;

// "3d 04:05:06.07" for hundredths of seconds; the days only when there are.
QString UptimeText(qint64 ticks);
// "1 Gbit/s", "10 Mbit/s", "1.5 kbit/s" for bits per second.
QString SpeedText(double bitsPerSecond);

// The readable text of value received for `oid`, or the empty text when the
// value is best shown as it is. Enumerations read "ethernetCsmacd(6)",
// OBJECT IDENTIFIER values "hrStorageRam" or "netSnmpAgentOIDs.200" (the
// longest named prefix and the arcs after it); names may be nullptr (no MIB
// names known).
QString ReadableText(const TCellValue& value, const QString& oid, const TMibNames* names);
