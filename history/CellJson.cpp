// The JSON form of a block (TCellJsonWriter, TCellJsonReader): the text
// plain SQL reads through the view reading.
#include "history/CellBlock.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

// The states a cell's state field takes (TRecordedState, 0 to 3).
constexpr unsigned kStateBits = 0x03;

using blockclock::Minus;
using blockclock::Plus;

// The fields of a JSON cell that are always there (row to arrived_ms).
constexpr int kJsonFixedFields = 5;
// The most characters a UTF-16 unit takes in a JSON string (a control
// character's escape: backslash, u and four digits), and the most an int64 takes.
constexpr qsizetype kMostPerUnit = 6;
constexpr qsizetype kMostNumberChars = 20;
// Room for a JSON cell's numbers, commas and brackets; its texts make their own.
constexpr qsizetype kCellRoom = 8 * kMostNumberChars;

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Writes unit as UTF-8 at out, or as an escape where JSON needs one;
// returns past it. low is the unit after it (0 at the end): a surrogate
// pair takes both, and *pair says so.
char* JsonUnit(char* out, char16_t unit, char16_t low, bool* pair)
{
    *pair = false;
    if (unit < 0x80) {
        if (unit == u'"' || unit == u'\\') {
            *out++ = '\\';
            *out++ = static_cast<char>(unit);
        } else if (unit < 0x20) {
            static constexpr char kShort[] = "btn\0fr";  // escapes of 8 to 13 (11 has none)
            if (unit >= 8 && unit <= 13 && unit != 11) {
                *out++ = '\\';
                *out++ = kShort[unit - 8];
            } else {
                out = std::copy_n("\\u00", 4, out);
                *out++ = kHexDigits[unit >> 4];
                *out++ = kHexDigits[unit & 0xf];
            }
        } else {
            *out++ = static_cast<char>(unit);
        }
    } else if (unit < 0x800) {
        *out++ = static_cast<char>(0xc0 | (unit >> 6));
        *out++ = static_cast<char>(0x80 | (unit & 0x3f));
    } else if (QChar::isHighSurrogate(unit) && QChar::isLowSurrogate(low)) {
        const char32_t code = QChar::surrogateToUcs4(unit, low);
        *out++ = static_cast<char>(0xf0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
        *pair = true;
    } else if (QChar::isSurrogate(unit)) {
        // A lone surrogate has no UTF-8: kept as its escape.
        out = std::copy_n("\\u", 2, out);
        for (int shift = 12; shift >= 0; shift -= 4)
            *out++ = kHexDigits[(unit >> shift) & 0xf];
    } else {
        *out++ = static_cast<char>(0xe0 | (unit >> 12));
        *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3f));
        *out++ = static_cast<char>(0x80 | (unit & 0x3f));
    }
    return out;
}

}  // namespace

void TCellJsonWriter::Start(qsizetype firstRow, const TShootClocks& shoot)
{
    data.truncate(0);  // keeps its room for the next block
    data.append('[');
    first = firstRow;
    clocks = shoot;
    cells = 0;
}

char* TCellJsonWriter::Room()
{
    const qsizetype at = data.size();
    data.resize(at + kCellRoom);
    return data.data() + at;
}

void TCellJsonWriter::Close(const char* end) { data.truncate(end - data.constData()); }

void TCellJsonWriter::Text(QStringView text)
{
    const qsizetype at = data.size();
    data.resize(at + text.size() * kMostPerUnit + 2);
    char* out = data.data() + at;
    *out++ = '"';
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool pair = false;
        out = JsonUnit(out, units[i], i + 1 < text.size() ? units[i + 1] : u'\0', &pair);
        i += pair ? 1 : 0;
    }
    *out++ = '"';
    data.truncate(out - data.constData());
}

void TCellJsonWriter::Hex(const QByteArray& bytes)
{
    const qsizetype at = data.size();
    data.resize(at + bytes.size() * 2 + 2);
    char* out = data.data() + at;
    *out++ = '"';
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = kHexDigits[b >> 4];
        *out++ = kHexDigits[b & 0xf];
    }
    *out = '"';
}

void TCellJsonWriter::Add(qsizetype row, qsizetype col, const TCellValue& value, const QString& oid,
                          const TCellForm& form, int state)
{
    // The value as a number also when its bytes are not its text's own.
    const std::optional<std::int64_t> integer = form.rawSame ? form.integer : PlainInteger(value.text);
    const bool ownUpTime = value.upTime != clocks.upTime;
    const std::int64_t arrived = Minus(value.arrivedMs, clocks.clockMs);
    const std::int64_t wall = Minus(value.wallMs, clocks.wallMs);
    // The last field written: every one before it is, left out or not.
    const int last = !form.rawSame   ? 9
                   : !form.targetOid ? 8
                   : ownUpTime       ? 7
                   : state != 0      ? 6
                   : wall != arrived ? 5
                                     : 4;
    // Numbers, commas and brackets go straight into the room made for them.
    const auto number = [](char* at, std::int64_t n) {
        return std::to_chars(at, at + kMostNumberChars, n).ptr;
    };
    char* out = Room();
    if (cells > 0)
        *out++ = ',';
    *out++ = '[';
    out = number(out, row - first);
    *out++ = ',';
    out = number(out, col);
    *out++ = ',';
    out = number(out, value.type);
    *out++ = ',';
    if (integer) {
        out = number(out, *integer);
    } else {
        Close(out);
        Text(value.text);
        out = Room();
    }
    *out++ = ',';
    out = number(out, arrived);
    if (last >= 5) {
        *out++ = ',';
        out = number(out, wall);
    }
    if (last >= 6) {
        *out++ = ',';
        out = number(out, state);
    }
    if (last >= 7) {
        *out++ = ',';
        out = number(out, value.upTime);
    }
    if (last >= 8) {
        *out++ = ',';
        Close(out);
        Text(oid);
        if (last >= 9) {
            data.append(',');
            Hex(value.KeptBytes());
        }
        out = Room();
    }
    *out++ = ']';
    Close(out);
    ++cells;
}

const QByteArray& TCellJsonWriter::Finish()
{
    data.append(']');
    return data;
}

TCellJsonReader::TCellJsonReader(QByteArrayView text, qsizetype firstRow, const QStringList& columnTargets,
                                 const QVector<QString>& rowSuffixes, const TShootClocks& shoot)
    : data(text), first(firstRow), targets(columnTargets), suffixes(rowSuffixes), clocks(shoot)
{
}

void TCellJsonReader::Blanks()
{
    while (at < data.size() && (data[at] == ' ' || data[at] == '\n' || data[at] == '\t' || data[at] == '\r'))
        ++at;
}

bool TCellJsonReader::Take(char c)
{
    Blanks();
    if (at >= data.size() || data[at] != c)
        return false;
    ++at;
    return true;
}

bool TCellJsonReader::Number(std::int64_t& number)
{
    Blanks();
    const char* begin = data.data() + at;
    const char* end = data.data() + data.size();
    // from_chars takes no '+' nor leading blanks, as JSON; "-" alone, "1e3" and "1.5" fail after it.
    const std::from_chars_result read = std::from_chars(begin, end, number);
    if (read.ec != std::errc()
        || (read.ptr < end && (*read.ptr == '.' || *read.ptr == 'e' || *read.ptr == 'E')))
        return false;
    at += read.ptr - begin;
    return true;
}

bool TCellJsonReader::String(QString& text)
{
    if (!Take('"'))
        return false;
    text.clear();
    qsizetype run = at;  // the start of the characters taken as they are
    while (at < data.size()) {
        const char c = data[at];
        if (static_cast<unsigned char>(c) < 0x20)
            return false;  // a control character must be escaped
        if (c != '"' && c != '\\') {
            ++at;
            continue;
        }
        text += QString::fromUtf8(data.sliced(run, at - run));
        if (c == '"') {
            ++at;
            return true;
        }
        if (at + 1 >= data.size())
            return false;
        const char escaped = data[at + 1];
        at += 2;
        static constexpr char kPlain[] = "\"\\/bfnrt";
        static constexpr char kMeant[] = "\"\\/\b\f\n\r\t";
        const char* known = escaped != '\0' ? std::strchr(kPlain, escaped) : nullptr;
        if (known != nullptr) {
            text += QLatin1Char(kMeant[known - kPlain]);
        } else if (escaped == 'u' && at + 4 <= data.size()) {
            char16_t unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = HexValue(data[at++]);
                if (digit < 0)
                    return false;
                unit = static_cast<char16_t>(unit << 4 | digit);
            }
            text += QChar(unit);
        } else {
            return false;
        }
        run = at;
    }
    return false;
}

bool TCellJsonReader::Hex(QByteArray& bytes)
{
    if (!Take('"'))
        return false;
    const qsizetype end = data.indexOf('"', at);
    if (end < 0 || (end - at) % 2 != 0)
        return false;
    bytes.resize((end - at) / 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = HexValue(data[at + 2 * i]);
        const int low = HexValue(data[at + 2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<char>(high << 4 | low);
    }
    at = end + 1;
    return true;
}

bool TCellJsonReader::Optional(TBlockCell& cell)
{
    cell.state = 0;
    cell.value.upTime = clocks.upTime;
    bool oidGiven = false;
    bool rawGiven = false;
    QByteArray raw;
    // Each field there is comes after a comma, in its order.
    for (int field = kJsonFixedFields; Take(','); ++field) {
        std::int64_t number = 0;
        switch (field) {
        case kJsonFixedFields:
            if (!Number(number))
                return false;
            cell.value.wallMs = Plus(clocks.wallMs, number);
            break;
        case kJsonFixedFields + 1:
            if (!Number(number) || number < 0 || number > static_cast<std::int64_t>(kStateBits))
                return false;
            cell.state = static_cast<int>(number);
            break;
        case kJsonFixedFields + 2:
            if (!Number(cell.value.upTime))
                return false;
            break;
        case kJsonFixedFields + 3:
            oidGiven = String(cell.oid);
            if (!oidGiven)
                return false;
            break;
        case kJsonFixedFields + 4:
            rawGiven = Hex(raw);
            if (!rawGiven)
                return false;
            break;
        default: return false;
        }
    }
    if (!oidGiven) {
        if (cell.col >= targets.size())
            return false;
        cell.oid = targets[cell.col] + suffixes[cell.row - first];
    }
    if (rawGiven)
        cell.value.SetBytes(raw);
    else
        cell.value.SetBytesToText();
    return Take(']');
}

bool TCellJsonReader::Next(TBlockCell& cell)
{
    if (failed || ended)
        return false;
    // "[" before the first cell, "," before the others; "]" ends the block.
    const bool opening = at == 0;
    if (opening && !Take('['))
        return Fail();
    if (Take(']')) {
        ended = true;
        return false;
    }
    if ((!opening && !Take(',')) || !Take('['))
        return Fail();
    std::int64_t row = 0;
    std::int64_t col = 0;
    std::int64_t type = 0;
    // Rows in order, within the rows the block has suffixes for.
    if (!Number(row) || !Take(',') || !Number(col) || !Take(',') || !Number(type) || !Take(',')
        || row < lastRow || row >= suffixes.size() || col < 0 || col > std::numeric_limits<int>::max()
        || type < std::numeric_limits<int>::min() || type > std::numeric_limits<int>::max())
        return Fail();
    lastRow = static_cast<qsizetype>(row);
    cell.row = first + lastRow;
    cell.col = static_cast<qsizetype>(col);
    cell.value.type = static_cast<int>(type);
    Blanks();
    if (at < data.size() && data[at] == '"') {
        if (!String(cell.value.text))
            return Fail();
    } else {
        std::int64_t integer = 0;
        if (!Number(integer))
            return Fail();
        cell.value.text = QString::number(integer);
    }
    std::int64_t arrived = 0;
    if (!Take(',') || !Number(arrived))
        return Fail();
    cell.value.arrivedMs = Plus(clocks.clockMs, arrived);
    cell.value.wallMs = Plus(clocks.wallMs, arrived);  // unless given apart
    return Optional(cell) || Fail();
}
