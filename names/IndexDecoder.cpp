#include "names/IndexDecoder.h"

#include "names/DisplayHint.h"
#include "names/MibNames.h"
#include "core/Oid.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

namespace {

// The components of an instance suffix; false when it is no OID.
bool ParseComponents(QStringView suffix, QVector<quint32>* components)
{
    const std::optional<TOid> oid = TOid::Parse(suffix);
    if (!oid)
        return false;
    for (const TOid::TArc arc : oid->Arcs())
        components->append(arc);
    return true;
}

// Reads the components of one INDEX value in turn.
class TComponentReader {
public:
    explicit TComponentReader(const QVector<quint32>& components) : parts(components) {}

    bool AtEnd() const { return at >= parts.size(); }
    qsizetype Left() const { return parts.size() - at; }
    std::optional<quint32> Take()
    {
        if (AtEnd())
            return std::nullopt;
        return parts[at++];
    }
    // count components as octets; nullopt when short or one exceeds 255.
    std::optional<QByteArray> TakeOctets(qsizetype count)
    {
        if (count > Left())
            return std::nullopt;
        QByteArray octets;
        for (qsizetype i = 0; i < count; ++i) {
            const quint32 value = parts[at++];
            if (value > 255)
                return std::nullopt;
            octets.append(char(value));
        }
        return octets;
    }
    std::optional<QStringList> TakeNumbers(qsizetype count)
    {
        if (count > Left())
            return std::nullopt;
        QStringList numbers;
        for (qsizetype i = 0; i < count; ++i)
            numbers << QString::number(parts[at++]);
        return numbers;
    }

private:
    const QVector<quint32>& parts;
    qsizetype at = 0;
};

bool IsIntegerType(const QString& type)
{
    static const QStringList integers = {"INTEGER",   "Integer32", "Unsigned32", "Gauge32",
                                         "Counter32", "TimeTicks", "Counter64"};
    return integers.contains(type);
}

// The length of a value that is a string or an OID: the rest for an IMPLIED
// last object, a fixed six for a MacAddress, else the leading length.
std::optional<qsizetype> ValueLength(const TMibObject& object, bool implied, TComponentReader& reader)
{
    if (implied)
        return reader.Left();
    if (object.textualConvention == QLatin1String("MacAddress"))
        return 6;
    const auto length = reader.Take();
    if (!length)
        return std::nullopt;
    return qsizetype(*length);
}

QString Ipv6Text(const QByteArray& octets)
{
    QStringList groups;
    for (qsizetype i = 0; i + 1 < octets.size(); i += 2)
        groups << QString::number((quint8(octets[i]) << 8) | quint8(octets[i + 1]), 16);
    return groups.join(QLatin1Char(':'));
}

QString OctetsText(const TMibObject& object, const QByteArray& octets)
{
    if (object.textualConvention == QLatin1String("InetAddress") && octets.size() == 16)
        return Ipv6Text(octets);
    return ReadableOctets(object, octets);
}

std::optional<QString> TakeValue(const TMibObject& object, bool implied, TComponentReader& reader)
{
    if (IsIntegerType(object.type)) {
        const auto value = reader.Take();
        return value ? std::optional<QString>(QString::number(*value)) : std::nullopt;
    }
    if (object.type == QLatin1String("IpAddress")) {
        const auto numbers = reader.TakeOctets(4);
        return numbers ? FormatOctetsByHint(QStringLiteral("1d."), *numbers) : std::nullopt;
    }
    const bool octetString = object.type == QLatin1String("OCTET STRING")
                          || object.type == QLatin1String("BITS") || object.type == QLatin1String("Opaque");
    const bool oid = object.type == QLatin1String("OBJECT IDENTIFIER");
    if (!octetString && !oid)
        return std::nullopt;
    const auto length = ValueLength(object, implied, reader);
    if (!length)
        return std::nullopt;
    if (oid) {
        const auto numbers = reader.TakeNumbers(*length);
        return numbers ? std::optional<QString>(numbers->join(QLatin1Char('.'))) : std::nullopt;
    }
    const auto octets = reader.TakeOctets(*length);
    return octets ? std::optional<QString>(OctetsText(object, *octets)) : std::nullopt;
}

const TMibObject* ColumnOf(const TMibNames& names, QString oid)
{
    if (oid.startsWith(QLatin1Char('.')))
        oid.remove(0, 1);
    return names.Lookup(oid);
}

}  // namespace

std::optional<QVector<TIndexComponent>>
DecodeInstanceComponents(const TMibNames& names, const QString& columnOid, const QString& suffix)
{
    const QString raw = suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix;
    const TMibObject* column = ColumnOf(names, columnOid);
    QVector<quint32> components;
    if (!column || raw.isEmpty() || !ParseComponents(raw, &components))
        return std::nullopt;
    const TMibObject* row = names.RowOf(*column);
    const QVector<const TMibObject*> indexObjects = names.IndexObjects(*column);
    if (!row || indexObjects.isEmpty())
        return std::nullopt;
    TComponentReader reader(components);
    QVector<TIndexComponent> values;
    for (qsizetype i = 0; i < indexObjects.size(); ++i) {
        if (!indexObjects[i])
            return std::nullopt;
        const bool implied = row->impliedLast && i + 1 == indexObjects.size();
        const auto value = TakeValue(*indexObjects[i], implied, reader);
        if (!value)
            return std::nullopt;
        values.append({indexObjects[i]->name, *value});
    }
    if (!reader.AtEnd())
        return std::nullopt;
    return values;
}

QString DecodeInstanceIndex(const TMibNames& names, const QString& columnOid, const QString& suffix)
{
    const auto values = DecodeInstanceComponents(names, columnOid, suffix);
    if (!values)
        return suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix;
    QStringList texts;
    for (const TIndexComponent& value : *values)
        texts << value.value;
    return texts.join(QStringLiteral(" / "));
}

int CompareOidSuffixes(QStringView suffix1, QStringView suffix2)
{
    const std::optional<TOid> oid1 = TOid::Parse(suffix1);
    const std::optional<TOid> oid2 = TOid::Parse(suffix2);
    if (oid1 && oid2) {
        const std::strong_ordering order = *oid1 <=> *oid2;
        return std::is_lt(order) ? -1 : std::is_gt(order) ? 1 : 0;
    }
    // A text that is no OID sorts after every OID, by its text among its kind.
    if (oid1 || oid2)
        return oid1 ? -1 : 1;
    const int order = suffix1.compare(suffix2);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}
