#include "table/ReadableValues.h"

#include "names/DisplayHint.h"
#include "names/MibNames.h"
#include "core/Oid.h"

namespace {

const QString kIfSpeed = QStringLiteral("1.3.6.1.2.1.2.2.1.5");
const QString kIfHighSpeed = QStringLiteral("1.3.6.1.2.1.31.1.1.1.15");
constexpr double kMbit = 1e6;  // ifHighSpeed counts in units of 1,000,000 bit/s
constexpr int kMacLength = 6;

// oid is object or one of its instances.
bool IsObject(const QString& oid, const QString& object)
{
    return TOid::FromText(object).IsPrefixOf(TOid::FromText(oid));
}

QString TwoDigits(qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// The MIB object oid is an instance of (or is), or nullptr.
const TMibObject* ObjectOf(const TMibNames* names, const QString& oid)
{
    if (!names)
        return nullptr;
    const TMibObject* object = names->Find(oid).object;
    const bool valued = object && (object->kind == TMibKind::Column || object->kind == TMibKind::Scalar);
    return valued ? object : nullptr;
}

bool Printable(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

// An OBJECT IDENTIFIER value by the name of its longest known prefix and the
// arcs after it: "hrStorageRam", "netSnmpAgentOIDs.200". A value that is no
// OID, or that no MIB name covers, is shown as received.
QString OidValueText(const QString& oid, const TMibNames* names)
{
    if (!names || !TOid::Parse(oid))
        return QString();
    const TMibMatch match = names->Find(oid);
    return match.object ? match.object->name + match.suffix : QString();
}

QString OctetsText(const TCellValue& value, const TMibObject* object)
{
    if (object
        && (!DisplayHintOf(*object).isEmpty() || object->textualConvention == QLatin1String("InetAddress"))) {
        // A text hint over octets that are no text would show control
        // characters; the received text (hex) reads better then.
        const QString text = ReadableOctets(*object, value.Bytes());
        return Printable(text) ? text : QString();
    }
    // Six octets that are no text, of an object no MIB describes: a MAC address.
    const QByteArray bytes = value.Bytes();
    if (bytes.size() == kMacLength && value.text != QString::fromLatin1(bytes))
        return QString::fromLatin1(bytes.toHex(':'));
    return QString();
}

}  // namespace

QString UptimeText(qint64 ticks)
{
    const qint64 hundredths = ticks % 100;
    qint64 seconds = ticks / 100;
    const qint64 days = seconds / 86400;
    seconds %= 86400;
    QString text = TwoDigits(seconds / 3600) + QLatin1Char(':') + TwoDigits(seconds / 60 % 60)
                 + QLatin1Char(':') + TwoDigits(seconds % 60) + QLatin1Char('.') + TwoDigits(hundredths);
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

QString ReadableText(const TCellValue& value, const QString& oid, const TMibNames* names)
{
    bool ok = false;
    const qlonglong number = value.text.toLongLong(&ok);
    QString text;
    switch (value.type) {
    case snmptype::kTimeTicks: text = ok ? UptimeText(number) : QString(); break;
    case snmptype::kOctetString: text = OctetsText(value, ObjectOf(names, oid)); break;
    case snmptype::kObjectId: text = OidValueText(value.text, names); break;
    case snmptype::kGauge32:
        if (ok && IsObject(oid, kIfSpeed))
            return SpeedText(static_cast<double>(number));
        if (ok && IsObject(oid, kIfHighSpeed))
            return SpeedText(static_cast<double>(number) * kMbit);
        [[fallthrough]];
    case snmptype::kInteger:
        if (const TMibObject* object = ok ? ObjectOf(names, oid) : nullptr)
            text = ReadableInteger(*object, number);
        break;
    default: break;
    }
    return text == value.text ? QString() : text;
}
