// The texts of a shoot's answers: the display text of a value as the agent
// sent it.
#include "engine/ShootEngine.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

// ValueText of a value all ASCII, as most are: no decoder needed, and the
// control characters are the only ones that are not printable.
QString AsciiValueText(const QByteArray& value, bool binaryType)
{
    if (!binaryType)
        return QString::fromLatin1(value);
    qsizetype end = value.size();
    while (end > 0 && value[end - 1] == '\0')
        --end;
    const auto printable = [](char c) {
        return (c >= 0x20 && c != 0x7F) || c == '\t' || c == '\r' || c == '\n';
    };
    if (end == 0 || !std::all_of(value.begin(), value.begin() + end, printable))
        return QString::fromLatin1(value.toHex(' ').toUpper());
    return QString::fromLatin1(value.constData(), end);
}

}  // namespace

QString TShootEngine::ValueText(const QByteArray& value, int type)
{
    // Octet strings and opaque values carry text or binary data (a MAC
    // address, a bit mask). Text is shown as text; data that is no printable
    // UTF-8 is shown as hex bytes, "00 1A 2B", the way network people read it.
    constexpr int kOctetString = 0x04;
    constexpr int kOpaque = 0x44;
    // Stateless: a sequence cut off at the end is an error, not a rest held
    // back for more input (which would drop "Caf\xE9" to "Caf").
    const bool binaryType = type == kOctetString || type == kOpaque;
    if (!value.isEmpty()
        && std::all_of(value.begin(), value.end(), [](char c) { return static_cast<uchar>(c) < 0x80; }))
        return AsciiValueText(value, binaryType);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(value);
    if (binaryType) {
        // Some agents end their texts with zero bytes; those stay text.
        QString trimmed = text;
        while (trimmed.endsWith(QChar(0)))
            trimmed.chop(1);
        if (utf8.hasError() || trimmed.isEmpty() != text.isEmpty() || !IsPrintableText(trimmed))
            return QString::fromLatin1(value.toHex(' ').toUpper());
        return trimmed;
    }
    // Other types arrive as display text already.
    if (utf8.hasError())
        text = QString::fromLatin1(value);
    return text;
}

bool TShootEngine::IsPrintableText(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            continue;
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_NotAssigned)
            return false;
    }
    return true;
}
