#include "ber.h"

#include "SnmpMessage.h"

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

// Writes the decimal digits of `value` at `out`, returns the end.
char* PutDecimal(char* out, std::uint32_t value)
{
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    return std::to_chars(out, out + 10, value).ptr;
}

}  // namespace

bool AppendOidText(std::span<const std::uint8_t> content, std::string& text)
{
    if (content.empty())
        return false;
    // Room for kMaxOidSubIds sub-identifiers of ten digits and a dot, plus the split first one.
    char buffer[(kMaxOidSubIds + 1) * 11];
    char* out = buffer;
    std::uint32_t value = 0;
    int subIds = 0;
    bool open = false;  // inside a sub-identifier whose last byte is still to come
    for (std::uint8_t b : content) {
        if (value > (0xFFFFFFFFu >> 7))  // the next shift would lose bits
            return false;
        value = (value << 7) | (b & 0x7Fu);
        open = (b & 0x80) != 0;
        if (open)
            continue;
        if (++subIds > kMaxOidSubIds)
            return false;
        if (subIds == 1) {
            // The first sub-identifier carries the first two arcs: 40 * x + y.
            const std::uint32_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
            out = PutDecimal(out, first);
            *out++ = '.';
            out = PutDecimal(out, value - 40 * first);
        } else {
            *out++ = '.';
            out = PutDecimal(out, value);
        }
        value = 0;
    }
    if (open)
        return false;
    text.append(buffer, static_cast<std::size_t>(out - buffer));
    return true;
}

std::size_t IntegerContent(std::int32_t value, std::uint8_t out[4])
{
    const auto v = static_cast<std::uint32_t>(value);
    std::size_t count = 4;
    // Drop a leading byte while it and the next byte's top bit are all zeros or all ones.
    while (count > 1) {
        const std::uint32_t top9 = (v >> (8 * count - 9)) & 0x1FF;
        if (top9 != 0 && top9 != 0x1FF)
            break;
        --count;
    }
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

// Appends one sub-identifier in base 128, most significant group first.
bool PutBase128(std::uint32_t value, std::uint8_t* out, std::size_t& length)
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

}  // namespace

bool OidContent(std::string_view text, std::uint8_t* out, std::size_t& length)
{
    auto isDigit = [](char c) { return static_cast<unsigned>(c - '0') < 10; };
    std::size_t n = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    std::uint64_t first = 0;
    int subIds = 0;
    while (p != end) {
        // One sub-identifier: the digits up to the next separator; a bare separator gives 0.
        // The common short cases first: "d." and "dd." (the separator may also be the end).
        std::uint64_t value = 0;
        const std::ptrdiff_t left = end - p;
        const unsigned d0 = left >= 1 ? static_cast<unsigned>(p[0] - '0') : 10;
        const unsigned d1 = left >= 2 ? static_cast<unsigned>(p[1] - '0') : 10;
        const unsigned d2 = left >= 3 ? static_cast<unsigned>(p[2] - '0') : 10;
        if (d0 < 10 && d1 >= 10) {
            value = d0;
            p += left >= 2 ? 2 : 1;
        } else if (d0 < 10 && d1 < 10 && d2 >= 10) {
            value = d0 * 10 + d1;
            p += left >= 3 ? 3 : 2;
        } else {
            while (p != end && isDigit(*p)) {
                value = value * 10 + static_cast<unsigned>(*p++ - '0');
                if (value > 0xFFFFFFFFu)
                    return false;
            }
            if (p != end)
                ++p;  // the separator
        }
        if (subIds == 0) {
            first = value;
        } else {
            const std::uint64_t v = subIds == 1 ? 40 * first + value : value;
            if (v > 0xFFFFFFFFu || !PutBase128(static_cast<std::uint32_t>(v), out, n))
                return false;
        }
        ++subIds;
    }
    if (subIds < 2) {
        out[0] = 0;  // fewer than two sub-identifiers: the OID 0.0
        n = 1;
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
