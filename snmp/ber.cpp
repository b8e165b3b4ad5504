#include "ber.h"

#include "SnmpMessage.h"

#include <charconv>
#include <cstring>

namespace vxsnmp::ber {

int TReader::Next(TElement& element)
{
    const std::size_t size = data.size();
    if (pos >= size)
        return kMissing;

    const std::uint8_t tag = data[pos];
    if ((tag & 0x1F) == 0x1F || size - pos < 2) {  // high-tag-number form, or no length byte
        pos = size;
        return kMalformed;
    }
    std::size_t at = pos + 2;
    std::size_t length = data[pos + 1];
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        // 0x80 alone is the indefinite form; more than four length bytes we refuse.
        if (count == 0 || count > 4 || size - at < count) {
            pos = size;
            return kMalformed;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | data[at + i];
        at += count;
    }
    if (length > size - at) {
        pos = size;
        return kMalformed;
    }
    element.tag = tag;
    element.content = data.subspan(at, length);
    pos = at + length;
    return kOk;
}

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

void AppendDecimal(std::string& text, std::uint32_t value)
{
    char digits[10];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace

bool AppendOidText(std::span<const std::uint8_t> content, std::string& text)
{
    if (content.empty())
        return false;
    std::uint32_t value = 0;
    int subIds = 0;
    bool open = false;  // inside a sub-identifier whose last byte is still to come
    for (std::uint8_t b : content) {
        if (value > (0xFFFFFFFFu >> 7))  // the next shift would lose bits
            return false;
        value = (value << 7) | (b & 0x7F);
        open = (b & 0x80) != 0;
        if (open)
            continue;
        if (++subIds > kMaxOidSubIds)
            return false;
        if (subIds == 1) {
            // The first sub-identifier carries the first two arcs: 40 * x + y.
            const std::uint32_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
            AppendDecimal(text, first);
            text.push_back('.');
            AppendDecimal(text, value - 40 * first);
        } else {
            text.push_back('.');
            AppendDecimal(text, value);
        }
        value = 0;
    }
    return !open;
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
bool PutBase128(std::uint64_t value, std::uint8_t* out, std::size_t& length)
{
    std::size_t groups = 1;
    while (groups < 10 && (value >> (7 * groups)) != 0)
        ++groups;
    if (length + groups > kMaxOidContent)
        return false;
    for (std::size_t i = groups; i-- > 0;) {
        const auto group = static_cast<std::uint8_t>((value >> (7 * i)) & 0x7F);
        if (out)
            out[length] = static_cast<std::uint8_t>(group | (i ? 0x80 : 0));
        ++length;
    }
    return true;
}

}  // namespace

bool OidContent(std::string_view text, std::uint8_t* out, std::size_t& length)
{
    length = 0;
    std::uint64_t value = 0;
    std::uint64_t first = 0;
    int subIds = 0;
    bool digits = false;

    auto finish = [&]() {
        if (value > 0xFFFFFFFFu)
            return false;
        ++subIds;
        if (subIds == 1) {
            first = value;
        } else if (subIds == 2) {
            const std::uint64_t combined = 40 * first + value;
            if (combined > 0xFFFFFFFFu || !PutBase128(combined, out, length))
                return false;
        } else if (!PutBase128(value, out, length)) {
            return false;
        }
        value = 0;
        digits = false;
        return true;
    };

    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > 0xFFFFFFFFu)
                return false;
            digits = true;
        } else if (!finish()) {
            return false;
        }
    }
    if (digits && !finish())
        return false;
    if (subIds < 2) {
        // Fewer than two sub-identifiers: the OID 0.0.
        if (out)
            out[0] = 0;
        length = 1;
    }
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

std::size_t SequenceHeaderSize(std::size_t length)
{
    return length < 128 ? 2 : length <= kMaxBuiltLength ? 4 : 0;
}

std::size_t ElementHeaderSize(std::size_t length)
{
    return length < 128 ? 2 : length <= 255 ? 3 : length <= kMaxBuiltLength ? 4 : 0;
}

std::size_t IntegerElementSize(std::int32_t value)
{
    std::uint8_t content[4];
    return 2 + IntegerContent(value, content);
}

void TWriter::LengthBytes(std::size_t length, std::size_t count)
{
    for (std::size_t i = count; i-- > 0;)
        out[pos++] = static_cast<std::uint8_t>(length >> (8 * i));
}

void TWriter::SequenceHeader(std::uint8_t tag, std::size_t length)
{
    const std::size_t size = SequenceHeaderSize(length);
    if (size == 0 || out.size() - pos < size) {
        failed = true;
        return;
    }
    out[pos++] = tag;
    if (size == 2) {
        out[pos++] = static_cast<std::uint8_t>(length);
    } else {
        out[pos++] = 0x82;
        LengthBytes(length, 2);
    }
}

void TWriter::ElementHeader(std::uint8_t tag, std::size_t length)
{
    const std::size_t size = ElementHeaderSize(length);
    if (size == 0 || out.size() - pos < size) {
        failed = true;
        return;
    }
    out[pos++] = tag;
    if (size == 2) {
        out[pos++] = static_cast<std::uint8_t>(length);
    } else {
        out[pos++] = static_cast<std::uint8_t>(0x80 | (size - 2));
        LengthBytes(length, size - 2);
    }
}

void TWriter::Bytes(const std::uint8_t* bytes, std::size_t count)
{
    if (out.size() - pos < count) {
        failed = true;
        return;
    }
    if (count)
        std::memcpy(out.data() + pos, bytes, count);
    pos += count;
}

void TWriter::Element(std::uint8_t tag, const std::uint8_t* bytes, std::size_t count)
{
    ElementHeader(tag, count);
    if (!failed)
        Bytes(bytes, count);
}

void TWriter::Integer(std::int32_t value)
{
    std::uint8_t content[4];
    Element(0x02, content, IntegerContent(value, content));
}

}  // namespace vxsnmp::ber
