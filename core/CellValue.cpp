#include "core/CellValue.h"

#include <QElapsedTimer>

QString SnmpTypeName(int type)
{
    switch (type) {
    case snmptype::kNoAnswer: return QStringLiteral("no answer");
    case snmptype::kInteger: return QStringLiteral("INTEGER");
    case snmptype::kOctetString: return QStringLiteral("OCTET STRING");
    case snmptype::kNull: return QStringLiteral("NULL");
    case snmptype::kObjectId: return QStringLiteral("OBJECT IDENTIFIER");
    case snmptype::kIpAddress: return QStringLiteral("IpAddress");
    case snmptype::kCounter32: return QStringLiteral("Counter32");
    case snmptype::kGauge32: return QStringLiteral("Gauge32");
    case snmptype::kTimeTicks: return QStringLiteral("TimeTicks");
    case snmptype::kOpaque: return QStringLiteral("Opaque");
    case snmptype::kCounter64: return QStringLiteral("Counter64");
    case snmptype::kNoSuchObject: return QStringLiteral("noSuchObject");
    case snmptype::kNoSuchInstance: return QStringLiteral("noSuchInstance");
    case snmptype::kEndOfMibView: return QStringLiteral("endOfMibView");
    default: return QStringLiteral("type 0x%1").arg(type, 2, 16, QLatin1Char('0'));
    }
}

void TCellValue::SetBytes(const QByteArray& given)
{
    bytesAreText = SameAsText(given, text);
    bytes = bytesAreText ? QByteArray() : given;
}

bool SameAsText(const QByteArray& raw, const QString& text)
{
    // UTF-8 never takes fewer bytes than UTF-16 takes code units.
    if (raw.size() < text.size())
        return false;
    if (raw.size() == text.size()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            if (unit >= 0x80)
                return raw == text.toUtf8();
            if (static_cast<char16_t>(static_cast<unsigned char>(raw[i])) != unit)
                return false;
        }
        return true;
    }
    return raw == text.toUtf8();
}

std::int64_t MonotonicMs()
{
    static const QElapsedTimer origin = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return origin.elapsed();
}

namespace {

const QChar CR(u'\r');
const QChar LF(u'\n');
const QLatin1String CRLF("\r\n");

// Every line break as one CR LF pair: CR LF stays, a lone CR or LF becomes
// CR LF, so LF CR gives two breaks.
QString NormaliseLineBreaks(const QString& value)
{
    if (!value.contains(CR) && !value.contains(LF))
        return value;
    QString result;
    result.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == CR) {
            result += CRLF;
            if (i + 1 < value.size() && value[i + 1] == LF)
                ++i;
        } else if (c == LF) {
            result += CRLF;
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace

QString TakeFirstLine(QString& value)
{
    value = NormaliseLineBreaks(value);
    const qsizetype p = value.indexOf(CRLF);
    if (p >= 0) {
        QString line = value.left(p);
        value.remove(0, p + 2);
        return line;
    }
    QString line = value;
    value.clear();
    return line;
}

QString JoinLines(const QString& value)
{
    if (!value.contains(CR) && !value.contains(LF))
        return value;  // shared, not copied
    QString result;
    result.reserve(value.size());
    for (QChar c : value) {
        if (c == CR)
            result += QLatin1Char(' ');
        else if (c != LF)
            result += c;
    }
    return result;
}
