// The metrics of a view in the text formats scrapers read: the Prometheus
// text format 0.0.4 and OpenMetrics 1.0.
//
// Every answered cell of the store becomes one sample, named as an SNMP
// scraper names it: the metric is the MIB object's name (ifHCInOctets), the
// labels are the row's INDEX objects decoded by their names (ifIndex="2"),
// Counter32 and Counter64 are counters, the other numbers (INTEGER, Gauge32,
// Unsigned32, TimeTicks in hundredths of a second) gauges, and strings,
// addresses and object identifiers a label of the object's own name on a
// gauge of value 1 (ifDescr{ifDescr="eth0",ifIndex="2"} 1); an octet string
// that is no DisplayString (a PhysAddress, a bit mask) is written in hex as
// the exporter writes it (ifPhysAddress="0x02FC00000001", empty for none).
// Cells without a
// current reading (unanswered, stale, missing) are left out. An OID without
// a MIB name becomes oid_1_3_6_..., without labels.
#pragma once

#include "engine/ResultStore.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <memory>

class TMibNames;
struct TMibObject;

enum class TExpositionFormat { PrometheusText, OpenMetrics };

// What the store held at the end of a shoot, for rendering on any thread.
struct TMetricsSnapshot {
    QVector<TResultRow> rows;  // shared with the store until either side changes
    std::shared_ptr<const TMibNames> names;
    std::int64_t finishedWallMs = 0;  // 0: no shoot has finished yet
    std::int64_t durationMs = 0;
};

// The figures about the window itself, current at serving time.
struct TMetricsStatus {
    bool up = false;  // the agent answered and is not silent
    std::int64_t lastShootWallMs = 0;
    std::int64_t shootDurationMs = 0;
};

// The SNMP exporter's type of an object's values ("counter", "gauge",
// "DisplayString", "OctetString", "IpAddr"); empty when it reads none. The
// samples of both follow it.
QByteArray ExporterType(const TMibObject& object);

// The format an Accept header asks for: OpenMetrics when it names
// application/openmetrics-text and takes no text/plain (nor */*), else the
// 0.0.4 text format, whose counter names are the MIB objects' own.
TExpositionFormat FormatForAccept(const QByteArray& accept);
QByteArray ContentType(TExpositionFormat format);

// The families of the snapshot's values, each family's samples together.
QByteArray RenderValues(const TMetricsSnapshot& snapshot, TExpositionFormat format);
// The vexgrid_* families, and the end marker OpenMetrics asks for.
QByteArray RenderStatus(const TMetricsStatus& status, TExpositionFormat format);
