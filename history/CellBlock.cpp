#include "history/CellBlock.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

// The bits of a cell's flags byte.
namespace flag {
constexpr unsigned kStateBits = 0x03;
constexpr unsigned kOidGiven = 0x04;
constexpr unsigned kInteger = 0x08;
constexpr unsigned kRawGiven = 0x10;
constexpr unsigned kUpTimeGiven = 0x20;
}  // namespace flag
using namespace flag;

// Digits of the largest plain integer taken: any 18-digit number fits an int64.
constexpr qsizetype kMostDigits = 18;
// The most bytes a varint of 64 bits takes.
constexpr int kMostVarintBytes = 10;

std::uint64_t ZigzagOf(std::int64_t number)
{
    return (static_cast<std::uint64_t>(number) << 1) ^ static_cast<std::uint64_t>(number >> 63);
}

std::int64_t FromZigzag(std::uint64_t number)
{
    return static_cast<std::int64_t>(number >> 1) ^ -static_cast<std::int64_t>(number & 1);
}

using blockclock::Minus;
using blockclock::Plus;

}  // namespace

std::optional<std::int64_t> PlainInteger(const QString& text)
{
    const qsizetype sign = !text.isEmpty() && text.front() == QLatin1Char('-') ? 1 : 0;
    const qsizetype digits = text.size() - sign;
    if (digits < 1 || digits > kMostDigits)
        return std::nullopt;
    // No leading zero but "0" itself, and no "-0".
    if (text[sign] == QLatin1Char('0') && (digits > 1 || sign != 0))
        return std::nullopt;
    std::int64_t number = 0;
    for (qsizetype i = sign; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < u'0' || unit > u'9')
            return std::nullopt;
        number = number * 10 + (unit - u'0');
    }
    return sign != 0 ? -number : number;
}

bool SameText(QStringView a, QStringView b)
{
    // An empty text may have no data at all: memcmp must not see its null.
    // Texts shared with the store (a row's key and suffix as written last)
    // are told by their address, without reading them.
    return a.size() == b.size()
        && (a.isEmpty() || a.data() == b.data()
            || std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.size()) * sizeof(QChar)) == 0);
}

bool IsTargetOid(const QString& oid, const QString& target, const QString& suffix)
{
    return oid.size() == target.size() + suffix.size()
        && SameText(QStringView(oid).first(target.size()), target)
        && SameText(QStringView(oid).last(suffix.size()), suffix);
}

TCellForm::TCellForm(const TCellValue& value, const QString& oid, const QString* target,
                     const QString& suffix)
    : targetOid(target != nullptr && IsTargetOid(oid, *target, suffix)),
      rawSame(value.BytesAreText() || SameAsText(value.KeptBytes(), value.text)),
      integer(rawSame ? PlainInteger(value.text) : std::nullopt)
{
}

void TCellBlockWriter::Start(qsizetype first, std::int64_t shootUpTime)
{
    data.truncate(0);  // keeps its room for the next block
    lastRow = first;
    upTime = shootUpTime;
    lastArrived = 0;
    lastWall = 0;
    cells = 0;
}

void TCellBlockWriter::Varint(std::uint64_t number)
{
    char bytes[kMostVarintBytes];
    int count = 0;
    while (number >= 0x80) {
        bytes[count++] = static_cast<char>((number & 0x7f) | 0x80);
        number >>= 7;
    }
    bytes[count++] = static_cast<char>(number);
    data.append(bytes, count);
}

void TCellBlockWriter::Zigzag(std::int64_t number) { Varint(ZigzagOf(number)); }

void TCellBlockWriter::Text(const QString& text)
{
    // ASCII (nearly every value) without a UTF-8 copy first.
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        Varint(static_cast<std::uint64_t>(utf8.size()));
        data.append(utf8);
        return;
    }
    Varint(static_cast<std::uint64_t>(text.size()));
    const qsizetype at = data.size();
    data.resize(at + text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        data[at + i] = static_cast<char>(text[i].unicode());
}

void TCellBlockWriter::Add(qsizetype row, qsizetype col, const TCellValue& value, const QString& oid,
                           const TCellForm& form, int state)
{
    const bool targetOid = form.targetOid;
    const bool rawSame = form.rawSame;
    const std::optional<std::int64_t>& integer = form.integer;
    unsigned flags = static_cast<unsigned>(state) & kStateBits;
    flags |= targetOid ? 0U : kOidGiven;
    flags |= integer ? kInteger : 0U;
    flags |= rawSame ? 0U : kRawGiven;
    flags |= value.upTime == upTime ? 0U : kUpTimeGiven;
    Varint(static_cast<std::uint64_t>(row - lastRow));
    Varint(static_cast<std::uint64_t>(col));
    data.append(static_cast<char>(flags));
    if (!targetOid)
        Text(oid);
    Zigzag(value.type);
    if (integer)
        Zigzag(*integer);
    else
        Text(value.text);
    if (!rawSame) {
        Varint(static_cast<std::uint64_t>(value.KeptBytes().size()));
        data.append(value.KeptBytes());
    }
    if (value.upTime != upTime)
        Zigzag(value.upTime);
    Zigzag(Minus(value.arrivedMs, lastArrived));
    Zigzag(Minus(value.wallMs, lastWall));
    lastRow = row;
    lastArrived = value.arrivedMs;
    lastWall = value.wallMs;
    ++cells;
}

TCellBlockReader::TCellBlockReader(QByteArrayView bytes, qsizetype firstRow, const QStringList& columnTargets,
                                   const QVector<QString>& rowSuffixes, std::int64_t shootUpTime)
    : data(bytes), first(firstRow), row(firstRow), targets(columnTargets), suffixes(rowSuffixes),
      upTime(shootUpTime)
{
}

std::optional<std::uint64_t> TCellBlockReader::Varint()
{
    std::uint64_t number = 0;
    for (int shift = 0; shift < 7 * kMostVarintBytes && at < data.size(); shift += 7) {
        const auto byte = static_cast<unsigned char>(data[at++]);
        number |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0)
            return number;
    }
    return std::nullopt;  // past the data, or longer than 64 bits
}

std::optional<std::int64_t> TCellBlockReader::Zigzag()
{
    const std::optional<std::uint64_t> number = Varint();
    return number ? std::optional<std::int64_t>(FromZigzag(*number)) : std::nullopt;
}

std::optional<QByteArrayView> TCellBlockReader::Bytes()
{
    const std::optional<std::uint64_t> size = Varint();
    if (!size || *size > static_cast<std::uint64_t>(data.size() - at))
        return std::nullopt;
    const QByteArrayView bytes = data.sliced(at, static_cast<qsizetype>(*size));
    at += bytes.size();
    return bytes;
}

bool TCellBlockReader::Next(TBlockCell& cell)
{
    if (failed || at >= data.size())
        return false;
    const std::optional<std::uint64_t> step = Varint();
    const std::optional<std::uint64_t> col = Varint();
    // The rows the block has suffixes for, from first on.
    const qsizetype end = first + suffixes.size();
    if (!step || !col || at >= data.size() || row >= end || *step >= static_cast<std::uint64_t>(end - row))
        return Fail();
    row += static_cast<qsizetype>(*step);
    const auto flags = static_cast<unsigned char>(data[at++]);
    cell.row = row;
    cell.col = static_cast<qsizetype>(*col);
    cell.state = static_cast<int>(flags & kStateBits);
    if ((flags & kOidGiven) != 0) {
        const std::optional<QByteArrayView> oid = Bytes();
        if (!oid)
            return Fail();
        cell.oid = QString::fromUtf8(*oid);
    } else if (*col < static_cast<std::uint64_t>(targets.size())) {
        cell.oid = targets[cell.col] + suffixes[row - first];
    } else {
        return Fail();
    }
    const std::optional<std::int64_t> type = Zigzag();
    if (!type)
        return Fail();
    cell.value.type = static_cast<int>(*type);
    if ((flags & kInteger) != 0) {
        const std::optional<std::int64_t> integer = Zigzag();
        if (!integer)
            return Fail();
        cell.value.text = QString::number(*integer);
    } else {
        const std::optional<QByteArrayView> text = Bytes();
        if (!text)
            return Fail();
        cell.value.text = QString::fromUtf8(*text);
    }
    if ((flags & kRawGiven) != 0) {
        const std::optional<QByteArrayView> raw = Bytes();
        if (!raw)
            return Fail();
        cell.value.SetBytes(raw->toByteArray());
    } else {
        cell.value.SetBytesToText();
    }
    const std::optional<std::int64_t> cellUpTime = (flags & kUpTimeGiven) != 0 ? Zigzag() : upTime;
    const std::optional<std::int64_t> arrived = Zigzag();
    const std::optional<std::int64_t> wall = Zigzag();
    if (!cellUpTime || !arrived || !wall)
        return Fail();
    cell.value.upTime = *cellUpTime;
    lastArrived = Plus(lastArrived, *arrived);
    lastWall = Plus(lastWall, *wall);
    cell.value.arrivedMs = lastArrived;
    cell.value.wallMs = lastWall;
    return true;
}

TAnyBlockReader::TAnyBlockReader(bool json, QByteArrayView data, qsizetype first, const QStringList& targets,
                                 const QVector<QString>& suffixes, const TShootClocks& shoot)
    : reader(
        json ? decltype(reader)(std::in_place_type<TCellJsonReader>, data, first, targets, suffixes, shoot)
             : decltype(reader)(std::in_place_type<TCellBlockReader>, data, first, targets, suffixes,
                                shoot.upTime))
{
}
