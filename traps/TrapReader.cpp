#include "traps/TrapReader.h"

#include "core/CellValue.h"
#include "names/DisplayHint.h"
#include "names/MibNames.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

const QString kSysUpTime0 = QStringLiteral("1.3.6.1.2.1.1.3.0");
const QString kSnmpTrapOid0 = QStringLiteral("1.3.6.1.6.3.1.1.4.1.0");
const QString kSnmpTraps = QStringLiteral("1.3.6.1.6.3.1.1.5.");
const QString kSnmpTrapAddress0 = QStringLiteral("1.3.6.1.6.3.18.1.3.0");
const QString kSnmpTrapCommunity0 = QStringLiteral("1.3.6.1.6.3.18.1.4.0");
const QString kSnmpTrapEnterprise0 = QStringLiteral("1.3.6.1.6.3.1.1.4.3.0");
constexpr int kEnterpriseSpecific = 6;
constexpr int kTicksPerSecond = 100;
constexpr int kSecondsPerDay = 86400;

bool Printable(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x20 && c.unicode() != 0x7f) || c == u'\t' || c == u'\r' || c == u'\n';
    });
}

QString TwoDigits(qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// "3d 04:05:06.07" for hundredths of seconds; the days only when there are.
QString UptimeText(qint64 ticks)
{
    qint64 seconds = ticks / kTicksPerSecond;
    const qint64 days = seconds / kSecondsPerDay;
    seconds %= kSecondsPerDay;
    const QString time = TwoDigits(seconds / 3600) + u':' + TwoDigits(seconds / 60 % 60) + u':'
                       + TwoDigits(seconds % 60) + u'.' + TwoDigits(ticks % kTicksPerSecond);
    return days > 0 ? QString::number(days) + QStringLiteral("d ") + time : time;
}

}  // namespace

QString V1TrapOid(const QString& enterprise, int genericTrap, int specificTrap)
{
    if (genericTrap >= 0 && genericTrap < kEnterpriseSpecific)
        return kSnmpTraps + QString::number(genericTrap + 1);
    return enterprise + QStringLiteral(".0.") + QString::number(specificTrap);
}

QVector<TRawBinding> V1AsV2Bindings(const TTrapInput& input)
{
    QVector<TRawBinding> bindings;
    bindings.reserve(input.bindings.size() + 5);
    bindings.append({kSysUpTime0, snmptype::kTimeTicks, QByteArray::number(input.timeStamp)});
    bindings.append({kSnmpTrapOid0, snmptype::kObjectId,
                     V1TrapOid(input.enterprise, input.genericTrap, input.specificTrap).toLatin1()});
    bindings.append(input.bindings);
    bindings.append({kSnmpTrapAddress0, snmptype::kIpAddress, input.agentAddress.toLatin1()});
    bindings.append({kSnmpTrapCommunity0, snmptype::kOctetString, input.community.toUtf8()});
    bindings.append({kSnmpTrapEnterprise0, snmptype::kObjectId, input.enterprise.toLatin1()});
    return bindings;
}

QString ReceivedText(const QByteArray& raw, int type)
{
    const bool octets = type == snmptype::kOctetString || type == snmptype::kOpaque;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(raw);
    if (!octets)
        return utf8.hasError() ? QString::fromLatin1(raw) : text;
    // Some agents end their texts with zero bytes; those stay text.
    while (text.endsWith(QChar(0)))
        text.chop(1);
    if (utf8.hasError() || (text.isEmpty() && !raw.isEmpty()) || !Printable(text))
        return QString::fromLatin1(raw.toHex(' ').toUpper());
    return text;
}

TTrapReader::TTrapReader(std::shared_ptr<const TMibNames> mibNames) : names(std::move(mibNames)) {}

void TTrapReader::SetNames(std::shared_ptr<const TMibNames> mibNames) { names = std::move(mibNames); }

QString TTrapReader::NameOf(const QString& oid, bool module) const
{
    const TMibMatch match = names ? names->Find(oid) : TMibMatch{};
    if (match.object == nullptr)
        return oid;
    const QString name = match.object->name + match.suffix;
    return module && !match.object->module.isEmpty() ? match.object->module + QStringLiteral("::") + name
                                                     : name;
}

QString TTrapReader::Readable(const TRawBinding& raw, const QString& text) const
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    const TMibObject* object = names ? names->Find(raw.oid).object : nullptr;
    const bool valued = object && (object->kind == TMibKind::Column || object->kind == TMibKind::Scalar);
    QString readable;
    switch (raw.type) {
    case snmptype::kTimeTicks: readable = ok ? UptimeText(number) : QString(); break;
    case snmptype::kObjectId: readable = NameOf(text); break;
    case snmptype::kInteger:
    case snmptype::kGauge32:
        if (ok && valued)
            readable = ReadableInteger(*object, number);
        break;
    case snmptype::kOctetString:
        if (valued && !DisplayHintOf(*object).isEmpty()) {
            readable = ReadableOctets(*object, raw.raw);
            if (!Printable(readable))
                readable.clear();
        }
        break;
    default: break;
    }
    return readable == text ? QString() : readable;
}

TTrapBinding TTrapReader::Binding(const TRawBinding& raw) const
{
    TTrapBinding binding;
    binding.oid = raw.oid;
    binding.name = NameOf(raw.oid);
    binding.type = raw.type;
    binding.text = ReceivedText(raw.raw, raw.type);
    binding.readable = Readable(raw, binding.text);
    return binding;
}

TTrapRecord TTrapReader::Read(const TTrapInput& input, const QDateTime& received) const
{
    TTrapRecord record;
    record.received = received;
    record.address = input.address;
    record.port = input.port;
    record.version = input.kind == TTrapKind::V1Trap ? 1 : input.version;
    record.community = input.community;
    record.securityLevel = input.securityLevel;
    record.kind = input.kind;
    record.state = input.kind == TTrapKind::Inform ? TTrapState::Acknowledged : TTrapState::Shown;
    const QVector<TRawBinding> raws =
        input.kind == TTrapKind::V1Trap ? V1AsV2Bindings(input) : input.bindings;
    record.bindings.reserve(raws.size());
    for (const TRawBinding& raw : raws) {
        record.bindings.append(Binding(raw));
        if (raw.oid == kSnmpTrapOid0 && record.trapOid.isEmpty())
            record.trapOid = record.bindings.back().text;
        else if (raw.oid == kSysUpTime0)
            record.upTime = record.bindings.back().text.toLongLong();
    }
    record.name = record.trapOid.isEmpty() ? QStringLiteral("(no snmpTrapOID.0)") : NameOf(record.trapOid);
    record.qualifiedName = record.trapOid.isEmpty() ? record.name : NameOf(record.trapOid, true);
    return record;
}
