#include "table/TrendBuffer.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

bool HoldsNumber(const TResultCell& cell)
{
    if (cell.oid.isEmpty() || cell.stale || cell.missing || !cell.now.HasValue())
        return false;
    const int type = cell.now.type;
    return cell.now.IsCounter() || type == snmptype::kInteger || type == snmptype::kGauge32
        || type == snmptype::kTimeTicks;
}

// A number's text as read: plain decimal integers (nearly all) without
// QString::toDouble's detour through a Latin-1 copy.
std::optional<double> NumberOf(const QString& text)
{
    // Up to 18 digits fit an int64 and are exact enough for a float.
    constexpr qsizetype kMostDigits = 18;
    const qsizetype sign = !text.isEmpty() && text.front() == QLatin1Char('-') ? 1 : 0;
    if (text.size() > sign && text.size() - sign <= kMostDigits) {
        std::int64_t number = 0;
        bool digits = true;
        for (qsizetype i = sign; i < text.size() && digits; ++i) {
            const char16_t unit = text[i].unicode();
            digits = unit >= u'0' && unit <= u'9';
            number = number * 10 + (unit - u'0');
        }
        if (digits)
            return static_cast<double>(sign != 0 ? -number : number);
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

// The trend values of one row: counters as rates, with the row's counter
// discontinuity looked up once for all its counters.
class TRowValues {
public:
    TRowValues(const QVector<TResultCell>& cells, qsizetype discontinuityColumn)
        : row(cells), column(discontinuityColumn)
    {
    }

    std::optional<double> Of(const TResultCell& cell)
    {
        if (!cell.now.IsCounter())
            return NumberOf(cell.now.text);
        const std::optional<double> rate = CounterRate(cell.Previous(), cell.now);
        if (!rate)
            return rate;
        // Alike for every counter of the row: looked up once.
        if (discontinuity == TDiscontinuity::Unknown)
            discontinuity = CountersDiscontinued(row, column) ? TDiscontinuity::Yes : TDiscontinuity::No;
        return discontinuity == TDiscontinuity::No ? rate : std::nullopt;
    }

private:
    enum class TDiscontinuity { Unknown, No, Yes };
    const QVector<TResultCell>& row;
    qsizetype column;
    TDiscontinuity discontinuity = TDiscontinuity::Unknown;
};

}  // namespace

qsizetype TTrendBuffer::SlotOf(const TResultCell& cell, std::size_t place, bool make)
{
    qsizetype slot = place < slotAt.size() ? slotAt[place] : -1;
    if (slot >= 0) {
        const QString& known = trends[static_cast<std::size_t>(slot)].oid;
        // The text shared with the store, else the same OID read anew.
        if (known.constData() == cell.oid.constData() || known == cell.oid)
            return slot;
    }
    const auto found = slotOf.constFind(cell.oid);
    slot = found != slotOf.constEnd() ? *found : -1;
    if (slot < 0 && make) {
        slot = static_cast<qsizetype>(trends.size());
        trends.emplace_back().oid = cell.oid;
        slotOf.insert(cell.oid, slot);
    }
    if (place < slotAt.size())
        slotAt[place] = slot;
    return slot;
}

void TTrendBuffer::Take(const QVector<TResultRow>& rows, qsizetype from, qsizetype to,
                        qsizetype discontinuityColumn)
{
    // Room for every cell at once: growing by slices would move all the
    // trends taken so far, and rehash their OIDs, in the middle of a shoot.
    const qsizetype cells = rows.isEmpty() ? 0 : rows.size() * rows.front().cells.size();
    if (from == 0 && slotOf.capacity() < cells) {
        slotOf.reserve(cells);
        trends.reserve(static_cast<std::size_t>(cells));
    }
    if (from == 0 && !rows.isEmpty() && static_cast<qsizetype>(slotAt.size()) != cells) {
        width = rows.front().cells.size();
        slotAt.assign(static_cast<std::size_t>(cells), -1);
    }
    for (qsizetype r = from; r < std::min(to, rows.size()); ++r) {
        const TResultRow& row = rows[r];
        TRowValues values(row.cells, discontinuityColumn);
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            const TResultCell& cell = row.cells[c];
            if (!HoldsNumber(cell))
                continue;
            // Places past the first row's width are not remembered.
            const std::size_t place =
                c < width ? static_cast<std::size_t>(r * width + c) : std::numeric_limits<std::size_t>::max();
            qsizetype slot = SlotOf(cell, place, false);
            if (slot >= 0 && cell.now.wallMs == trends[static_cast<std::size_t>(slot)].lastWallMs)
                continue;  // this reading is in already
            const std::optional<double> value = values.Of(cell);
            if (!value)
                continue;
            if (slot < 0)
                slot = SlotOf(cell, place, true);
            TTrend& trend = trends[static_cast<std::size_t>(slot)];
            trend.lastWallMs = cell.now.wallMs;
            trend.values[static_cast<std::size_t>(trend.next)] = static_cast<float>(*value);
            trend.next = (trend.next + 1) % kReadings;
            trend.count = std::min(trend.count + 1, kReadings);
        }
    }
}

qsizetype TTrendBuffer::SlotFor(const QString& oid) const
{
    const auto found = slotOf.constFind(oid);
    return found != slotOf.constEnd() ? *found : -1;
}

QVector<double> TTrendBuffer::ReadingsAt(qsizetype slot) const
{
    QVector<double> readings;
    if (slot < 0 || slot >= static_cast<qsizetype>(trends.size()))
        return readings;
    const TTrend& trend = trends[static_cast<std::size_t>(slot)];
    readings.reserve(trend.count);
    const int first = (trend.next - trend.count + kReadings) % kReadings;
    for (int i = 0; i < trend.count; ++i)
        readings.append(trend.values[static_cast<std::size_t>((first + i) % kReadings)]);
    return readings;
}

std::int64_t TTrendBuffer::StampAt(qsizetype slot) const
{
    if (slot < 0 || slot >= static_cast<qsizetype>(trends.size()))
        return -1;
    const TTrend& trend = trends[static_cast<std::size_t>(slot)];
    return trend.lastWallMs * (kReadings + 1) + trend.count;
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
