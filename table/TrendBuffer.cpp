#include "table/TrendBuffer.h"

#include "table/RateColumn.h"

#include <algorithm>
#include <optional>

namespace {

std::optional<double> TrendValue(const QVector<TResultCell>& row, const TResultCell& cell)
{
    if (cell.oid.isEmpty() || cell.stale || cell.missing || !cell.now.HasValue())
        return std::nullopt;
    if (cell.now.IsCounter())
        return RowCounterRate(row, cell);
    if (cell.now.type != snmptype::kInteger && cell.now.type != snmptype::kGauge32
        && cell.now.type != snmptype::kTimeTicks)
        return std::nullopt;
    bool ok = false;
    const double number = cell.now.text.toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

}  // namespace

void TTrendBuffer::Take(const QVector<TResultRow>& rows, qsizetype from, qsizetype to)
{
    // Room for every cell at once: growing by slices would move all the
    // trends taken so far, and rehash their OIDs, in the middle of a shoot.
    const qsizetype cells = rows.isEmpty() ? 0 : rows.size() * rows.front().cells.size();
    if (from == 0 && slotOf.capacity() < cells) {
        slotOf.reserve(cells);
        trends.reserve(static_cast<std::size_t>(cells));
    }
    for (qsizetype r = from; r < std::min(to, rows.size()); ++r) {
        const TResultRow& row = rows[r];
        for (const TResultCell& cell : row.cells) {
            const std::optional<double> value = TrendValue(row.cells, cell);
            if (!value)
                continue;
            auto slot = slotOf.find(cell.oid);
            if (slot == slotOf.end()) {
                slot = slotOf.insert(cell.oid, static_cast<qsizetype>(trends.size()));
                trends.emplace_back();
            }
            TTrend& trend = trends[static_cast<std::size_t>(*slot)];
            if (cell.now.wallMs == trend.lastWallMs)
                continue;  // this reading is in already
            trend.lastWallMs = cell.now.wallMs;
            trend.values[static_cast<std::size_t>(trend.next)] = static_cast<float>(*value);
            trend.next = (trend.next + 1) % kReadings;
            trend.count = std::min(trend.count + 1, kReadings);
        }
    }
}

QVector<double> TTrendBuffer::Readings(const QString& oid) const
{
    QVector<double> readings;
    const auto found = slotOf.constFind(oid);
    if (found == slotOf.constEnd())
        return readings;
    const TTrend& trend = trends[static_cast<std::size_t>(*found)];
    readings.reserve(trend.count);
    const int first = (trend.next - trend.count + kReadings) % kReadings;
    for (int i = 0; i < trend.count; ++i)
        readings.append(trend.values[static_cast<std::size_t>((first + i) % kReadings)]);
    return readings;
}

QString TTrendBuffer::Summary(const QString& oid) const
{
    const QVector<double> readings = Readings(oid);
    if (readings.size() < 2)
        return QString();
    const auto [low, high] = std::minmax_element(readings.begin(), readings.end());
    return QStringLiteral("trend: min %1, max %2 over %3 readings")
        .arg(*low, 0, 'g', 6)
        .arg(*high, 0, 'g', 6)
        .arg(readings.size());
}
