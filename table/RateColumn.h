// Counter rates: the change of a Counter32 or Counter64 per second between
// two readings of the same cell, and their texts.
#pragma once

#include "core/CellValue.h"
#include "engine/ResultCell.h"
#include "engine/ResultStore.h"

#include <QVector>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The rate per second from previous to current, or none when no honest rate
// exists: either reading missing or no counter, the agent restarted between
// them (AgentRestarted), a Counter64 that went down, or no time between
// them. A Counter32 that went down wrapped once. The time between is the
// agent's (sysUpTime) when both readings carry it, else their arrival times.
std::optional<double> CounterRate(const TCellValue& previous, const TCellValue& current);

// True when both readings carry the agent's uptime and it shows a restart
// between them: it went down, or advanced clearly less than the time between
// their arrivals (an agent up for less than that gap).
bool AgentRestarted(const TCellValue& previous, const TCellValue& current);

// The rate of cell, one of row's cells: CounterRate, or none when the row's
// ifCounterDiscontinuityTime changed between the readings (the agent reset
// the interface's counters).
std::optional<double> RowCounterRate(const QVector<TResultCell>& row, const TResultCell& cell);

// Where the rows of a table hold their ifCounterDiscontinuityTime, told once
// for all rows from the targets: the cell of that target, kNoColumn when no
// target can hold it (none is it, above it or below it), kAnyColumn when each
// row must be searched (a list, or a target above or below it).
constexpr qsizetype kNoColumn = -1;
constexpr qsizetype kAnyColumn = -2;
qsizetype DiscontinuityColumn(const QStringList& targets, bool listLayout);
// True when the row's ifCounterDiscontinuityTime changed between its last two
// readings: its counters were reset, and none of its rates holds. column:
// where DiscontinuityColumn said the rows hold it.
bool CountersDiscontinued(const QVector<TResultCell>& row, qsizetype column = kAnyColumn);

// The interface speed in bit/s the row tells: ifHighSpeed (Mbit/s) where the
// view has it, else ifSpeed unless saturated; none for neither or zero.
std::optional<double> RowInterfaceSpeed(const QVector<TResultCell>& row);

// True for an octets rate (per second) above the interface's speed: shown,
// but an agent's counter fault is the likelier story.
bool RateAboveSpeed(std::optional<double> octetsPerSecond, std::optional<double> bitsPerSecond);
inline const QString kSuspectRateTooltip =
    QStringLiteral("above the interface's speed: agent counter fault?");

// True for an object whose descriptor ends in "Octets" ("ifInOctets",
// "ifHCOutOctets.3"): its rate is shown in bits per second.
bool IsOctetsName(const QString& name);

// The shown rate: "1234.5 /s", or for octets bits per second with SI units
// ("12.4 Mbit/s"); "-" when there is no rate.
QString RateText(std::optional<double> perSecond, bool octets);

// The rate as a plain number of the counter's own units per second, at most
// one decimal, a "." whatever the locale; empty when there is none.
QString PlainRateText(std::optional<double> perSecond);

// What the header and tooltips of a rate column add.
inline const QString kRateSuffix = QStringLiteral(" /s");
inline const QString kRateTooltip = QStringLiteral("rate per second");
// A rate cell of a counter read once, and the status while a view shows only such.
inline const QString kRateNeedsSecondReading =
    QStringLiteral("Rates need a second reading: press F5 or choose an interval");

// Whether the first counter cell of the rows was read once only: its rate
// (and every rate of the view) waits for a second reading.
bool CountersReadOnce(const QVector<TResultRow>& rows);
