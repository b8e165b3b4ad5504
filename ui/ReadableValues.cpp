#include "ReadableValues.h"

#include <QHash>

namespace {

const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");
const QString kIfSpeed = QStringLiteral("1.3.6.1.2.1.2.2.1.5");
const QString kIfHighSpeed = QStringLiteral("1.3.6.1.2.1.31.1.1.1.15");
constexpr int kIfTypeColumn = 3;
constexpr int kIfAdminStatusColumn = 7;
constexpr int kIfOperStatusColumn = 8;
constexpr double kMbit = 1e6;  // ifHighSpeed counts in units of 1,000,000 bit/s
constexpr int kMacLength = 6;

// The interface types seen on hosts and switches (IANAifType).
const QHash<qint64, const char*>& InterfaceTypes()
{
    static const QHash<qint64, const char*> types = {
        {1, "other"}, {6, "ethernetCsmacd"}, {23, "ppp"}, {24, "softwareLoopback"},
        {53, "propVirtual"}, {71, "ieee80211"}, {131, "tunnel"}, {135, "l2vlan"},
        {136, "l3ipvlan"}, {161, "ieee8023adLag"}, {209, "bridge"},
    };
    return types;
}

const char* InterfaceStatus(qint64 value, bool oper)
{
    static const char* const kStatus[] = {"up", "down", "testing", "unknown", "dormant", "notPresent",
                                          "lowerLayerDown"};
    const qint64 last = oper ? 7 : 3;  // ifAdminStatus stops at testing(3)
    return value >= 1 && value <= last ? kStatus[value - 1] : nullptr;
}

bool IsObject(const QString& oid, const QString& object)
{
    return oid == object || (oid.startsWith(object) && oid.at(object.size()) == QLatin1Char('.'));
}

QString TwoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString InterfaceEnumLabel(const QString& oid, qint64 value)
{
    if (!oid.startsWith(kIfEntry))
        return QString();
    const QString rest = oid.mid(kIfEntry.size());
    const int column = rest.section(QLatin1Char('.'), 0, 0).toInt();
    const char* label = nullptr;
    if (column == kIfTypeColumn)
        label = InterfaceTypes().value(value, nullptr);
    else if (column == kIfAdminStatusColumn || column == kIfOperStatusColumn)
        label = InterfaceStatus(value, column == kIfOperStatusColumn);
    return label ? QLatin1String(label) + QStringLiteral("(%1)").arg(value) : QString();
}

QString UptimeText(qint64 ticks)
{
    const qint64 hundredths = ticks % 100;
    qint64 seconds = ticks / 100;
    const qint64 days = seconds / 86400;
    seconds %= 86400;
    QString text = TwoDigits(seconds / 3600) + QLatin1Char(':') + TwoDigits(seconds / 60 % 60) +
                   QLatin1Char(':') + TwoDigits(seconds % 60) + QLatin1Char('.') + TwoDigits(hundredths);
    return days > 0 ? QString::number(days) + QStringLiteral("d ") + text : text;
}

QString SpeedText(double bitsPerSecond)
{
    static const char* const kUnits[] = {"bit/s", "kbit/s", "Mbit/s", "Gbit/s", "Tbit/s"};
    int unit = 0;
    while (bitsPerSecond >= 1000.0 && unit < 4) {
        bitsPerSecond /= 1000.0;
        ++unit;
    }
    QString number = QString::number(bitsPerSecond, 'f', 1);
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    return number + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

QString ReadableText(const TCellValue& value, const QString& oid, const TEnumLabelLookup& labels)
{
    bool ok = false;
    const qlonglong number = value.text.toLongLong(&ok);
    switch (value.type) {
    case snmptype::kTimeTicks:
        return ok ? UptimeText(number) : QString();
    case snmptype::kOctetString:
        // Six bytes that are no text: a MAC address.
        if (value.raw.size() == kMacLength && value.text != QString::fromUtf8(value.raw))
            return QString::fromLatin1(value.raw.toHex(':'));
        return QString();
    case snmptype::kGauge32:
        if (ok && IsObject(oid, kIfSpeed))
            return SpeedText(static_cast<double>(number));
        if (ok && IsObject(oid, kIfHighSpeed))
            return SpeedText(static_cast<double>(number) * kMbit);
        return QString();
    case snmptype::kInteger:
        return ok && labels ? labels(oid, number) : QString();
    default:
        return QString();
    }
}
