// The texts of a shoot's answers: the order of two OIDs, and the display text
// of a value as the agent sent it.
#include "ShootEngine.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

// Up to 19 decimal digits always fit an unsigned 64-bit number.
constexpr qsizetype kSafeDigits = 19;

bool PlainNumber(QStringView part, unsigned long long& value)
{
    if (part.isEmpty() || part.size() > kSafeDigits)
        return false;
    value = 0;
    for (const QChar c : part) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return false;
        value = value * 10 + (u - u'0');
    }
    return true;
}

// One component of each OID: numerically when both are numbers, as text
// otherwise.
int CompareComponents(QStringView x, QStringView y)
{
    unsigned long long nx = 0, ny = 0;
    if (PlainNumber(x, nx) && PlainNumber(y, ny))
        return nx == ny ? 0 : nx < ny ? -1 : 1;
    // Anything else (signs, blanks, very long numbers) the way Qt reads it.
    bool okX = false, okY = false;
    nx = x.toULongLong(&okX);
    ny = y.toULongLong(&okY);
    if (okX && okY)
        return nx == ny ? 0 : nx < ny ? -1 : 1;
    const int c = x.compare(y);
    return c == 0 ? 0 : c < 0 ? -1 : 1;
}

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

// Called for every walk answer: no lists are built, each component is read
// in place.
int TShootEngine::CompareOids(const QString& a, const QString& b)
{
    // Components spelt alike are equal however they read, so the comparison
    // starts at the component where the two texts part (a walk's answer
    // shares most of its text with the OID asked).
    const qsizetype common = std::min(a.size(), b.size());
    qsizetype same = 0;
    while (same < common && a[same] == b[same])
        ++same;
    if (same == a.size() && same == b.size())
        return 0;
    while (same > 0 && a[same - 1] != QLatin1Char('.'))
        --same;
    qsizetype i = same, j = same;
    for (;;) {
        const qsizetype endX = a.indexOf(QLatin1Char('.'), i);
        const qsizetype endY = b.indexOf(QLatin1Char('.'), j);
        const QStringView x = QStringView(a).mid(i, (endX < 0 ? a.size() : endX) - i);
        const QStringView y = QStringView(b).mid(j, (endY < 0 ? b.size() : endY) - j);
        if (const int c = CompareComponents(x, y); c != 0)
            return c;
        // The OID with fewer components comes first.
        if (endX < 0 || endY < 0)
            return endX < 0 && endY < 0 ? 0 : endX < 0 ? -1 : 1;
        i = endX + 1;
        j = endY + 1;
    }
}

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
