#include "snmp/ber.h"

#include "snmp/SnmpMessage.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

namespace vxsnmp::ber {

bool ReadInt32(std::span<const std::uint8_t> content, std::int32_t& value)
{
    if (content.empty() || content.size() > 4)
        return false;
    std::uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (std::uint8_t b : content)
        v = (v << 8) | b;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ReadUnsigned32(std::span<const std::uint8_t> content, std::uint32_t& value)
{
    if (content.size() > 5 || (content.size() == 5 && content[0] != 0))
        return false;
    std::uint32_t v = 0;
    for (std::uint8_t b : content)
        v = (v << 8) | b;
    value = v;
    return true;
}

bool ReadUnsigned64(std::span<const std::uint8_t> content, std::uint64_t& value)
{
    if (content.size() > 9 || (content.size() == 9 && content[0] != 0))
        return false;
    std::uint64_t v = 0;
    for (std::uint8_t b : content)
        v = (v << 8) | b;
    value = v;
    return true;
}

namespace {

// "00" to "99": two digits at once.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `value` at `out`, returns the end.
char* PutDecimal(char* out, std::uint32_t value)
{
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    return std::to_chars(out, out + 10, value).ptr;
}

// Writes "." and a value below 128 (a sub-identifier of one content byte).
inline char* PutSmallArc(char* out, unsigned value)
{
    out[0] = '.';
    if (value < 10) {
        out[1] = static_cast<char>('0' + value);
        return out + 2;
    }
    if (value < 100) {
        std::memcpy(out + 1, kDigitPairs + std::size_t{2} * value, 2);
        return out + 3;
    }
    out[1] = '1';
    std::memcpy(out + 2, kDigitPairs + std::size_t{2} * (value - 100), 2);
    return out + 4;
}

}  // namespace

bool AppendOidText(std::span<const std::uint8_t> content, std::string& text)
{
    const std::uint8_t* p = content.data();
    const std::uint8_t* const end = p + content.size();
    if (p == end)
        return false;
    // Every sub-identifier ends in a byte below 0x80; only a content longer
    // than kMaxOidSubIds bytes can hold more of them than we take.
    if (content.size() > static_cast<std::size_t>(kMaxOidSubIds)
        && std::count_if(p, end, [](std::uint8_t b) { return b < 0x80; }) > kMaxOidSubIds)
        return false;

    // Reads the rest of a sub-identifier whose first byte `lead` has the top
    // bit set: base 128, most significant group first. Fails when it is cut
    // off or does not fit 32 bits.
    auto readLong = [&p, end](std::uint8_t lead, std::uint32_t& value) {
        value = lead & 0x7Fu;
        std::uint8_t b;
        do {
            if (p == end || value > (0xFFFFFFFFu >> 7))
                return false;
            b = *p++;
            value = (value << 7) | (b & 0x7Fu);
        } while (b & 0x80);
        return true;
    };

    // Room for kMaxOidSubIds sub-identifiers of ten digits and a dot, plus the split first one.
    char buffer[(kMaxOidSubIds + 1) * 11];
    char* out = buffer;
    // The first sub-identifier carries the first two arcs: 40 * x + y.
    std::uint32_t value = *p++;
    if (value >= 0x80 && !readLong(static_cast<std::uint8_t>(value), value))
        return false;
    const std::uint32_t arc = value < 40 ? 0 : value < 80 ? 1 : 2;
    *out++ = static_cast<char>('0' + arc);
    *out++ = '.';
    out = PutDecimal(out, value - 40 * arc);
    while (p != end) {
        const std::uint8_t lead = *p++;
        if (lead < 0x80) {
            out = PutSmallArc(out, lead);  // most sub-identifiers: one byte
            continue;
        }
        if (!readLong(lead, value))
            return false;
        *out++ = '.';
        out = PutDecimal(out, value);
    }
    text.append(buffer, static_cast<std::size_t>(out - buffer));
    return true;
}

std::size_t IntegerContent(std::int32_t value, std::uint8_t out[4])
{
    const auto v = static_cast<std::uint32_t>(value);
    // Minimal two's complement: the significant bits of the value (of its
    // complement when negative) plus one sign bit, rounded up to whole bytes.
    const std::uint32_t magnitude = value < 0 ? ~v : v;
    const std::size_t count = static_cast<std::size_t>(std::bit_width(magnitude)) / 8 + 1;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * (count - 1 - i)));
    return count;
}

std::size_t Unsigned32Content(std::uint32_t value, std::uint8_t out[5])
{
    std::size_t count = 0;
    if (value & 0x80000000u)
        out[count++] = 0;
    for (int shift = 24; shift >= 0; shift -= 8)
        out[count++] = static_cast<std::uint8_t>(value >> shift);
    return count;
}

std::size_t Unsigned64Content(std::uint64_t value, std::uint8_t out[9])
{
    std::size_t bytes = 1;
    while (bytes < 8 && (value >> (8 * bytes)) != 0)
        ++bytes;
    std::size_t count = 0;
    if ((value >> (8 * bytes - 1)) & 1)
        out[count++] = 0;
    for (std::size_t i = bytes; i-- > 0;)
        out[count++] = static_cast<std::uint8_t>(value >> (8 * i));
    return count;
}

namespace {

constexpr std::uint64_t kMaxSubId = 0xFFFFFFFFu;

// Reads one sub-identifier at `p`: its decimal digits, then the separator
// after them when there is one (any non-digit). Fails when the number does
// not fit 32 bits.
inline bool ReadSubId(const char*& p, const char* end, std::uint64_t& value)
{
    std::uint64_t v = 0;
    while (p != end) {
        const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*p++)) - '0';
        if (d >= 10)
            break;
        v = v * 10 + d;
        if (v > kMaxSubId)
            return false;
    }
    value = v;
    return true;
}

// Appends one sub-identifier in base 128, most significant group first.
inline bool PutBase128(std::uint64_t value, std::uint8_t* out, std::size_t& length)
{
    if (value < 128) {  // the common case: one byte
        if (length >= kMaxOidContent)
            return false;
        out[length++] = static_cast<std::uint8_t>(value);
        return true;
    }
    std::size_t groups = 2;
    while (groups < 5 && (value >> (7 * groups)) != 0)
        ++groups;
    if (length + groups > kMaxOidContent)
        return false;
    for (std::size_t i = groups; i-- > 0;)
        out[length++] = static_cast<std::uint8_t>(((value >> (7 * i)) & 0x7F) | (i ? 0x80 : 0));
    return true;
}

// Runs of one-digit sub-identifiers ("6.1.2.1.") make up most of a real OID.
// A run is looked at eight text bytes at a time (`word`, first byte lowest):
// `pairs` counts the leading digit-separator pairs (0 to 4) and `digits`
// holds the digits of bytes 0, 2, 4, 6 in its four bytes, first lowest; only
// the first `pairs` of them belong to the run.
struct TRun {
    unsigned pairs;
    std::uint32_t digits;
};

inline TRun SingleDigitRun(std::uint64_t word)
{
    const std::uint64_t x = word ^ 0x3030303030303030ull;  // a digit byte becomes 0..9
    // Top bit of a byte set where the byte is no digit (x >= 10); the low
    // seven bits plus 0x76 never carry into the next byte.
    const std::uint64_t nonDigit =
        (((x & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
    // Wanted: digits in bytes 0, 2, 4, 6 and separators in bytes 1, 3, 5, 7.
    // The first byte that differs ends the run (countr_zero(0) is 64: four pairs).
    const std::uint64_t miss = nonDigit ^ 0x8000800080008000ull;
    std::uint64_t d = x & 0x00FF00FF00FF00FFull;
    d = (d | (d >> 8)) & 0x0000FFFF0000FFFFull;
    return {static_cast<unsigned>(std::countr_zero(miss)) / 16, static_cast<std::uint32_t>(d | (d >> 16))};
}

inline void Store32(std::uint8_t* out, std::uint32_t value) { std::memcpy(out, &value, 4); }

constexpr bool kWordRuns = std::endian::native == std::endian::little;

}  // namespace

bool OidContent(std::string_view text, std::uint8_t* out, std::size_t& length)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    std::size_t n = 0;

    // The first two sub-identifiers travel as one: 40 * x + y.
    auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; };
    if (end - p >= 4 && digit(p[0]) < 10 && digit(p[1]) >= 10 && digit(p[2]) < 10 && digit(p[3]) >= 10) {
        PutBase128(40 * digit(p[0]) + digit(p[2]), out, n);  // "1.3." and the like
        p += 4;
    } else {
        std::uint64_t first = 0;
        std::uint64_t second = 0;
        if (p != end && !ReadSubId(p, end, first))
            return false;
        if (p == end) {
            out[0] = 0;  // fewer than two sub-identifiers: the OID 0.0
            length = 1;
            return true;
        }
        if (!ReadSubId(p, end, second))
            return false;
        const std::uint64_t combined = 40 * first + second;
        if (combined > kMaxSubId || !PutBase128(combined, out, n))
            return false;
    }

    while (p != end) {
        if (kWordRuns && end - p >= 8 && n + 4 <= kMaxOidContent) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const TRun run = SingleDigitRun(word);
            Store32(out + n, run.digits);
            n += run.pairs;
            p += std::size_t{2} * run.pairs;
            if (run.pairs == 4)
                continue;
        }
        // The sub-identifier that ended the run (or any when runs are not looked for).
        std::uint64_t value = 0;
        if (!ReadSubId(p, end, value) || !PutBase128(value, out, n))
            return false;
    }
    length = n;
    return true;
}

std::uint64_t ReadNumber(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    return negative ? 0 - value : value;
}

namespace {

// Four dotted decimal parts of one to three digits, each at most 255.
bool ParseIpv4(std::string_view text, std::uint8_t bytes[4])
{
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (i >= text.size() || text[i++] != '.'))
            return false;
        unsigned value = 0;
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (i - start == 3)
                return false;
            value = value * 10 + static_cast<unsigned>(text[i++] - '0');
        }
        if (i == start || value > 255)
            return false;
        bytes[part] = static_cast<std::uint8_t>(value);
    }
    return i == text.size();
}

}  // namespace

void ReadIpv4(std::string_view text, std::uint8_t out[4])
{
    std::uint8_t bytes[4];
    if (ParseIpv4(text, bytes))
        std::memcpy(out, bytes, 4);
    else
        std::memset(out, 0xFF, 4);
}

}  // namespace vxsnmp::ber
