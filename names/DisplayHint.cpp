#include "names/DisplayHint.h"

#include "names/MibNames.h"

#include <QHash>

#include <algorithm>

namespace {

// One part of an octet-string hint.
struct THintPart {
    bool repeat = false;  // "*": the first octet counts the repetitions
    int length = 0;       // octets per application
    QChar format;         // x d o a t
    QChar separator;      // shown after an application, or null
    QChar terminator;     // shown after the last repetition, or null
};

bool IsFormat(QChar c) { return c == u'x' || c == u'd' || c == u'o' || c == u'a' || c == u't'; }

bool IsSeparator(QChar c) { return !c.isDigit() && c != u'*'; }

std::optional<QVector<THintPart>> ParseOctetHint(const QString& hint)
{
    QVector<THintPart> parts;
    qsizetype i = 0;
    while (i < hint.size()) {
        THintPart part;
        part.repeat = hint[i] == u'*';
        if (part.repeat)
            ++i;
        const qsizetype digits = i;
        while (i < hint.size() && hint[i].isDigit())
            ++i;
        // An octet count beyond a few thousand is no hint anyone writes.
        part.length = hint.mid(digits, i - digits).toInt();
        if (i == digits || part.length <= 0 || part.length > 65535 || i >= hint.size() || !IsFormat(hint[i]))
            return std::nullopt;
        part.format = hint[i++];
        if (i < hint.size() && IsSeparator(hint[i]))
            part.separator = hint[i++];
        if (part.repeat && i < hint.size() && IsSeparator(hint[i]))
            part.terminator = hint[i++];
        parts.append(part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts;
}

QString NumberText(const QByteArray& part, QChar format)
{
    quint64 value = 0;
    for (const char octet : part)
        value = (value << 8) | quint8(octet);
    if (format == u'x')
        return QStringLiteral("%1").arg(value, int(part.size()) * 2, 16, QLatin1Char('0'));
    return QString::number(value, format == u'o' ? 8 : 10);
}

QString PartText(const QByteArray& part, QChar format)
{
    if (format == u'a')
        return QString::fromLatin1(part);
    if (format == u't')
        return QString::fromUtf8(part);
    // Numbers of more than eight octets do not fit; shown octet by octet.
    if (part.size() > 8) {
        QString text;
        for (const char octet : part)
            text += NumberText(QByteArray(1, octet), format);
        return text;
    }
    return NumberText(part, format);
}

// Applies part once (or count times for "*") from octets[*at].
void ApplyPart(const THintPart& part, const QByteArray& octets, qsizetype* at, QString* out)
{
    int times = 1;
    if (part.repeat)
        times = quint8(octets[(*at)++]);
    for (int n = 0; n < times && *at < octets.size(); ++n) {
        const QByteArray chunk = octets.mid(*at, part.length);
        *at += chunk.size();
        *out += PartText(chunk, part.format);
        const bool last = n + 1 == times;
        if (part.repeat && last && !part.terminator.isNull())
            *out += part.terminator;
        else if (!part.separator.isNull() && *at < octets.size())
            *out += part.separator;
    }
}

bool AllPrintable(const QByteArray& octets)
{
    for (const char octet : octets) {
        const auto c = quint8(octet);
        if ((c < 0x20 || c > 0x7e) && c != '\r' && c != '\n' && c != '\t')
            return false;
    }
    return true;
}

}  // namespace

std::optional<QString> FormatOctetsByHint(const QString& hint, const QByteArray& octets)
{
    const auto parts = ParseOctetHint(hint);
    if (!parts)
        return std::nullopt;
    QString out;
    qsizetype at = 0;
    for (qsizetype s = 0; at < octets.size(); s = std::min(s + 1, parts->size() - 1))
        ApplyPart((*parts)[s], octets, &at, &out);
    return out;
}

std::optional<QString> FormatIntegerByHint(const QString& hint, qint64 value)
{
    if (hint == QLatin1String("x"))
        return QString::number(value, 16);
    if (hint == QLatin1String("o"))
        return QString::number(value, 8);
    if (hint == QLatin1String("b"))
        return QString::number(value, 2);
    if (hint == QLatin1String("d"))
        return QString::number(value);
    if (!hint.startsWith(QLatin1String("d-")))
        return std::nullopt;
    bool ok = false;
    const int decimals = hint.mid(2).toInt(&ok);
    // An Integer32 has ten digits at most; more decimals mean nothing.
    if (!ok || decimals < 0 || decimals > 18)
        return std::nullopt;
    // The magnitude without overflow for the most negative value.
    const quint64 magnitude = value < 0 ? quint64(-(value + 1)) + 1 : quint64(value);
    QString digits = QString::number(magnitude);
    while (digits.size() <= decimals)
        digits.prepend(u'0');
    if (decimals > 0)
        digits.insert(digits.size() - decimals, u'.');
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString DisplayHintOf(const TMibObject& object)
{
    if (!object.displayHint.isEmpty())
        return object.displayHint;
    static const QHash<QString, QString> conventions = {
        {QStringLiteral("DisplayString"), QStringLiteral("255a")},
        {QStringLiteral("SnmpAdminString"), QStringLiteral("255t")},
        {QStringLiteral("PhysAddress"), QStringLiteral("1x:")},
        {QStringLiteral("MacAddress"), QStringLiteral("1x:")},
        {QStringLiteral("DateAndTime"), QStringLiteral("2d-1d-1d,1d:1d:1d.1d,1a1d:1d")},
    };
    return conventions.value(object.textualConvention);
}

QString ReadableOctets(const TMibObject& object, const QByteArray& octets)
{
    if (object.textualConvention == QLatin1String("InetAddress") && octets.size() == 4)
        return *FormatOctetsByHint(QStringLiteral("1d."), octets);
    const QString hint = DisplayHintOf(object);
    if (!hint.isEmpty()) {
        if (const auto text = FormatOctetsByHint(hint, octets))
            return *text;
    }
    if (AllPrintable(octets))
        return QString::fromLatin1(octets);
    return *FormatOctetsByHint(QStringLiteral("1x "), octets);
}

QString ReadableInteger(const TMibObject& object, qint64 value)
{
    const QString label = TMibNames::Label(object, value);
    if (!label.isEmpty())
        return QStringLiteral("%1(%2)").arg(label).arg(value);
    if (!object.displayHint.isEmpty()) {
        if (const auto text = FormatIntegerByHint(object.displayHint, value))
            return *text;
    }
    return QString::number(value);
}
