#include "table/RateColumn.h"

#include "core/Oid.h"

namespace {

constexpr int kBitsPerOctet = 8;
constexpr double kMsPerTick = 10.0;  // sysUpTime counts hundredths of a second
// A restart the agent's uptime does not show by going down: it advanced
// clearly less than the time between the readings. The slack covers the
// jitter of a shoot's timing (the uptime is read once per shoot, the cell
// somewhere in its walk) and the agent's coarse clock.
constexpr double kUpTimeShare = 0.9;
constexpr std::int64_t kUpTimeSlackMs = 250;

std::optional<std::uint64_t> CounterNumber(const TCellValue& value)
{
    // Up to 19 decimal digits (nearly every counter) are read here, without
    // QString::toULongLong's detour through a Latin-1 copy; any other text
    // goes there.
    constexpr qsizetype kMostDigits = 19;
    const QString& text = value.text;
    if (!text.isEmpty() && text.size() <= kMostDigits) {
        std::uint64_t number = 0;
        bool digits = true;
        for (qsizetype i = 0; i < text.size() && digits; ++i) {
            const char16_t unit = text[i].unicode();
            digits = unit >= u'0' && unit <= u'9';
            number = number * 10 + (unit - u'0');
        }
        if (digits)
            return number;
    }
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok);
    return ok ? std::optional<std::uint64_t>(number) : std::nullopt;
}

// One decimal, no digit grouping, "." as the decimal point.
QString OneDecimal(double number)
{
    QString text = QString::number(number, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

// The counter's advance from before to now, taken in integers (a double
// loses the low bits of a Counter64 near 2^63). A Counter32 that went down
// wrapped once; a Counter64 never wraps in practice, so going down means a
// reset.
std::optional<std::uint64_t> CounterAdvance(int type, std::uint64_t before, std::uint64_t now)
{
    if (type == snmptype::kCounter32) {
        // Modulo 2^32: a Counter32 that went down wrapped once.
        return static_cast<std::uint32_t>(static_cast<std::uint32_t>(now)
                                          - static_cast<std::uint32_t>(before));
    }
    if (now < before)
        return std::nullopt;
    return now - before;
}

// The columns of the interfaces tables a rate is checked against.
const TOid kIfSpeed = TOid::FromText(u"1.3.6.1.2.1.2.2.1.5");
const TOid kIfHighSpeed = TOid::FromText(u"1.3.6.1.2.1.31.1.1.1.15");
const TOid kIfCounterDiscontinuityTime = TOid::FromText(u"1.3.6.1.2.1.31.1.1.1.19");
constexpr double kBitsPerMegabit = 1e6;
constexpr std::uint64_t kSaturatedSpeed = 4294967295u;  // ifSpeed of an interface above 4.3 Gbit/s

// The row's answered cell of column's instances, or nullptr.
const TResultCell* CellOfColumn(const QVector<TResultCell>& row, const TOid& column)
{
    for (const TResultCell& cell : row) {
        if (!cell.now.HasValue())
            continue;
        if (column.IsAboveText(cell.oid))
            return &cell;
    }
    return nullptr;
}

}  // namespace

std::optional<double> RowCounterRate(const QVector<TResultCell>& row, const TResultCell& cell)
{
    const std::optional<double> rate = CounterRate(cell.Previous(), cell.now);
    if (!rate || CountersDiscontinued(row))
        return std::nullopt;
    return rate;
}

qsizetype DiscontinuityColumn(const QStringList& targets, bool listLayout)
{
    if (listLayout)
        return kAnyColumn;
    qsizetype found = kNoColumn;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const std::optional<TOid> target = TOid::Parse(targets[i]);
        if (!target)
            return kAnyColumn;
        if (*target == kIfCounterDiscontinuityTime && found == kNoColumn)
            found = i;
        else if (target->IsPrefixOf(kIfCounterDiscontinuityTime)
                 || kIfCounterDiscontinuityTime.IsPrefixOf(*target))
            return kAnyColumn;
    }
    return found;
}

bool CountersDiscontinued(const QVector<TResultCell>& row, qsizetype column)
{
    if (column == kNoColumn)
        return false;  // each cell lies under a target, and none is near it
    const TResultCell* discontinuity = nullptr;
    if (column >= 0 && column < row.size() && row[column].now.HasValue()
        && kIfCounterDiscontinuityTime.IsAboveText(row[column].oid))
        discontinuity = &row[column];
    else
        discontinuity = CellOfColumn(row, kIfCounterDiscontinuityTime);
    return discontinuity && discontinuity->Previous().HasValue()
        && discontinuity->Previous().text != discontinuity->now.text;
}

std::optional<double> RowInterfaceSpeed(const QVector<TResultCell>& row)
{
    if (const TResultCell* high = CellOfColumn(row, kIfHighSpeed)) {
        const std::optional<std::uint64_t> megabits = CounterNumber(high->now);
        if (megabits && *megabits > 0)
            return static_cast<double>(*megabits) * kBitsPerMegabit;
    }
    if (const TResultCell* speed = CellOfColumn(row, kIfSpeed)) {
        const std::optional<std::uint64_t> bits = CounterNumber(speed->now);
        if (bits && *bits > 0 && *bits < kSaturatedSpeed)
            return static_cast<double>(*bits);
    }
    return std::nullopt;
}

bool RateAboveSpeed(std::optional<double> octetsPerSecond, std::optional<double> bitsPerSecond)
{
    return octetsPerSecond && bitsPerSecond && *octetsPerSecond * kBitsPerOctet > *bitsPerSecond;
}

bool AgentRestarted(const TCellValue& previous, const TCellValue& current)
{
    if (previous.upTime < 0 || current.upTime < 0)
        return false;  // nothing to tell by
    if (current.upTime < previous.upTime)
        return true;
    const std::int64_t elapsedMs = current.arrivedMs - previous.arrivedMs;
    const double upMs = static_cast<double>(current.upTime - previous.upTime) * kMsPerTick;
    return upMs < static_cast<double>(elapsedMs) * kUpTimeShare - static_cast<double>(kUpTimeSlackMs);
}

std::optional<double> CounterRate(const TCellValue& previous, const TCellValue& current)
{
    if (!previous.IsCounter() || current.type != previous.type)
        return std::nullopt;
    const std::optional<std::uint64_t> before = CounterNumber(previous);
    const std::optional<std::uint64_t> now = CounterNumber(current);
    if (!before || !now || AgentRestarted(previous, current))
        return std::nullopt;
    const std::optional<std::uint64_t> advance = CounterAdvance(current.type, *before, *now);
    if (!advance)
        return std::nullopt;
    // Over the agent's own clock when both readings carry its uptime, over
    // the arrival times otherwise.
    const bool agentClock = previous.upTime >= 0 && current.upTime >= 0;
    const double seconds = agentClock ? static_cast<double>(current.upTime - previous.upTime) / 100.0
                                      : static_cast<double>(current.arrivedMs - previous.arrivedMs) / 1000.0;
    if (seconds <= 0)
        return std::nullopt;
    return static_cast<double>(*advance) / seconds;
}

bool IsOctetsName(const QString& name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QStringView descriptor = dot < 0 ? QStringView(name) : QStringView(name).left(dot);
    return descriptor.endsWith(QLatin1String("Octets"));
}

QString RateText(std::optional<double> perSecond, bool octets)
{
    if (!perSecond)
        return QStringLiteral("-");
    if (!octets)
        return OneDecimal(*perSecond) + kRateSuffix;
    double bits = *perSecond * kBitsPerOctet;
    static const char* const kUnits[] = {"bit/s", "kbit/s", "Mbit/s", "Gbit/s", "Tbit/s"};
    int unit = 0;
    while (bits >= 1000.0 && unit < 4) {
        bits /= 1000.0;
        ++unit;
    }
    return OneDecimal(bits) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

QString PlainRateText(std::optional<double> perSecond)
{
    return perSecond ? OneDecimal(*perSecond) : QString();
}

bool CountersReadOnce(const QVector<TResultRow>& rows)
{
    for (const TResultRow& row : rows) {
        for (const TResultCell& cell : row.cells) {
            if (cell.now.IsCounter())
                return !cell.Previous().Answered();
        }
    }
    return false;
}
