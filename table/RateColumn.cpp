#include "table/RateColumn.h"

#include <cmath>

namespace {

constexpr double kCounter32Span = 4294967296.0;  // 2^32: a Counter32 wraps here
constexpr int kBitsPerOctet = 8;

std::optional<double> CounterNumber(const TCellValue& value)
{
    bool ok = false;
    const qulonglong number = value.text.toULongLong(&ok);
    return ok ? std::optional<double>(static_cast<double>(number)) : std::nullopt;
}

// One decimal, no digit grouping, "." as the decimal point.
QString OneDecimal(double number)
{
    QString text = QString::number(number, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

}  // namespace

std::optional<double> CounterRate(const TCellValue& previous, const TCellValue& current)
{
    if (!previous.IsCounter() || current.type != previous.type)
        return std::nullopt;
    // An unknown uptime could hide a restart.
    if (previous.upTime < 0 || current.upTime < previous.upTime)
        return std::nullopt;
    const std::int64_t elapsedMs = current.arrivedMs - previous.arrivedMs;
    const std::optional<double> before = CounterNumber(previous);
    const std::optional<double> now = CounterNumber(current);
    if (elapsedMs <= 0 || !before || !now)
        return std::nullopt;
    double difference = *now - *before;
    if (difference < 0) {
        if (current.type != snmptype::kCounter32)
            return std::nullopt;
        difference += kCounter32Span;
    }
    return difference * 1000.0 / static_cast<double>(elapsedMs);
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
