// BER reading and writing for SNMP messages: the element header, INTEGER,
// unsigned and OBJECT IDENTIFIER contents, and the two length writers.
//
// One element on the wire is tag, length, content:
//
//   +-----+------------------+------------------------+
//   | tag | length           | content (length bytes) |
//   +-----+------------------+------------------------+
//   | 30  | 0C               | 06 08 2B 06 01 ...     |   short form: 0..127
//   | A0  | 81 C8            | 200 bytes              |   long form: 0x80 + n,
//   | 30  | 82 00 C8         | 200 bytes              |   then n bytes (1..4)
//   +-----+------------------+------------------------+
//
// The reader accepts one to four length bytes and refuses the indefinite form
// (a lone 0x80), longer length fields, and tags in the high-tag-number form
// (low five bits all set). The writer uses two length writers: SEQUENCE
// headers jump straight from one byte to 0x82 + two bytes, every other element
// uses 0x81 + one byte for 128..255. Nothing longer than 65535 bytes is built.
#pragma once

#include "snmp/SnmpMessage.h"  // the result codes

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace vxsnmp::ber {

inline constexpr std::size_t kMaxBuiltLength = 65535;  // longest content the writers emit
inline constexpr std::size_t kMaxOidContent = 128;     // longest OID content we send
inline constexpr int kMaxOidSubIds = 256;              // most sub-identifiers we accept

struct TElement;

// TReader walks the elements of one container. A child reader sees only the
// content of its element, so nothing read through it can pass its parent.
class TReader {
public:
    TReader() = default;
    explicit TReader(std::span<const std::uint8_t> content) : data(content) {}

    bool AtEnd() const { return pos >= data.size(); }
    std::size_t Offset() const { return pos; }

    // Next reads the next element. Returns 0 (vxsnmp::kOk), kMissing when no
    // bytes are left, or kMalformed when the header is refused or the content
    // runs past the container. On failure the reader is left at its end.
    int Next(TElement& element);

private:
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
};

struct TElement {
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> content;

    TReader Children() const { return TReader(content); }
};

// ReadInt32 reads an INTEGER content of 1..4 bytes, sign-extended.
bool ReadInt32(std::span<const std::uint8_t> content, std::int32_t& value);
// ReadUnsigned32 reads an unsigned content of 0..4 bytes, or 5 after a leading 0x00.
bool ReadUnsigned32(std::span<const std::uint8_t> content, std::uint32_t& value);
// ReadUnsigned64 reads an unsigned content of 0..8 bytes, or 9 after a leading 0x00.
bool ReadUnsigned64(std::span<const std::uint8_t> content, std::uint64_t& value);

// AppendOidText appends the dotted text of an OID content ("1.3.6.1") to
// `text`. Fails on an empty content, a sub-identifier that is cut off or does
// not fit 32 bits, and more than kMaxOidSubIds sub-identifiers; `text` then
// holds a partial text.
bool AppendOidText(std::span<const std::uint8_t> content, std::string& text);

// Content writers. Each writes into `out` (room for the largest result) and
// returns the number of bytes.
std::size_t IntegerContent(std::int32_t value, std::uint8_t out[4]);      // minimal two's complement
std::size_t Unsigned32Content(std::uint32_t value, std::uint8_t out[5]);  // 4 bytes, 5 if top bit set
std::size_t Unsigned64Content(std::uint64_t value,
                              std::uint8_t out[9]);  // minimal, 0x00 before a set top bit

// OidContent encodes an OID text into `out` (room for kMaxOidContent bytes)
// and stores the length in `length`. Any non-digit ends a
// sub-identifier, so a leading "." gives a first sub-identifier 0; fewer than
// two sub-identifiers give the single byte 0. Returns false when the content
// would pass kMaxOidContent bytes or a sub-identifier does not fit 32 bits.
bool OidContent(std::string_view text, std::uint8_t* out, std::size_t& length);

// ReadNumber reads an optional "-" and decimal digits from the start of
// `text`, stopping at the first other character, modulo 2^64 (so "-1" is all
// ones). A text without digits reads as 0.
std::uint64_t ReadNumber(std::string_view text);

// ReadIpv4 reads four dotted decimal bytes in network order; any other text
// gives 255.255.255.255.
void ReadIpv4(std::string_view text, std::uint8_t out[4]);

// Header sizes of the two length writers; 0 when the length is above kMaxBuiltLength.
inline std::size_t SequenceHeaderSize(std::size_t length)
{
    return length < 128 ? 2 : length <= kMaxBuiltLength ? 4 : 0;
}
inline std::size_t ElementHeaderSize(std::size_t length)
{
    return length < 128 ? 2 : length <= 255 ? 3 : length <= kMaxBuiltLength ? 4 : 0;
}

// TWriter fills a buffer from its end toward its front: an element's content
// is written first, then its header, whose length is then known. Usage:
//   const std::size_t end = writer.Mark();
//   ... write the content, last element first ...
//   writer.SequenceHeader(0x30, end);
// A write that would pass the front of the buffer, or a length above
// kMaxBuiltLength, is dropped and marks the writer failed.
class TWriter {
public:
    explicit TWriter(std::span<std::uint8_t> buffer) : out(buffer), pos(buffer.size()) {}

    std::size_t Mark() const { return pos; }
    // Headers for the content between the current position and `end`.
    void SequenceHeader(std::uint8_t tag, std::size_t end);
    void ElementHeader(std::uint8_t tag, std::size_t end);
    void Bytes(const std::uint8_t* bytes, std::size_t count);
    void Element(std::uint8_t tag, const std::uint8_t* bytes, std::size_t count);
    void Integer(std::int32_t value);
    // One variable binding, SEQUENCE { OBJECT IDENTIFIER, value }, in one
    // step: one room check, then headers and contents front to back.
    void Binding(const std::uint8_t* oid, std::size_t oidSize, std::uint8_t valueTag,
                 const std::uint8_t* value, std::size_t valueSize);

    bool Failed() const { return failed; }
    std::span<const std::uint8_t> Written() const { return out.subspan(pos); }

private:
    void Header(std::uint8_t tag, std::size_t length, bool sequence);

    std::span<std::uint8_t> out;
    std::size_t pos;
    bool failed = false;
};

// The reader is on the parse path of every answer; Next stays inline.
inline int TReader::Next(TElement& element)
{
    const std::size_t size = data.size();
    if (pos >= size)
        return vxsnmp::kMissing;

    const std::uint8_t tag = data[pos];
    if ((tag & 0x1F) == 0x1F || size - pos < 2) {  // high-tag-number form, or no length byte
        pos = size;
        return vxsnmp::kMalformed;
    }
    std::size_t at = pos + 2;
    std::size_t length = data[pos + 1];
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        // 0x80 alone is the indefinite form; more than four length bytes we refuse.
        if (count == 0 || count > 4 || size - at < count) {
            pos = size;
            return vxsnmp::kMalformed;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | data[at + i];
        at += count;
    }
    if (length > size - at) {
        pos = size;
        return vxsnmp::kMalformed;
    }
    element.tag = tag;
    element.content = data.subspan(at, length);
    pos = at + length;
    return vxsnmp::kOk;
}

// The writer is on the build path of every request; its small steps stay inline.

// Writes a header of `size` bytes (2, 3 or 4, as the size functions above
// give) at `at` and returns the position after it.
inline std::uint8_t* PutHeader(std::uint8_t* at, std::uint8_t tag, std::size_t length, std::size_t size)
{
    at[0] = tag;
    if (size == 2) {
        at[1] = static_cast<std::uint8_t>(length);
    } else if (size == 3) {
        at[1] = 0x81;
        at[2] = static_cast<std::uint8_t>(length);
    } else {
        at[1] = 0x82;
        at[2] = static_cast<std::uint8_t>(length >> 8);
        at[3] = static_cast<std::uint8_t>(length);
    }
    return at + size;
}

// Copies the few bytes of an OID content without a library call: eight at a
// time, the last eight (or four) overlapping what is already copied.
inline void CopyShort(std::uint8_t* to, const std::uint8_t* from, std::size_t count)
{
    if (count > 16) {
        std::memcpy(to, from, count);
    } else if (count >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + count - 4, from + count - 4, 4);
    } else if (count > 0) {
        to[0] = from[0];
        to[count / 2] = from[count / 2];
        to[count - 1] = from[count - 1];
    }
}

inline void TWriter::Header(std::uint8_t tag, std::size_t length, bool sequence)
{
    const std::size_t size = sequence ? SequenceHeaderSize(length) : ElementHeaderSize(length);
    if (failed || size == 0 || pos < size) {
        failed = true;
        return;
    }
    pos -= size;
    PutHeader(out.data() + pos, tag, length, size);
}

inline void TWriter::SequenceHeader(std::uint8_t tag, std::size_t end) { Header(tag, end - pos, true); }

inline void TWriter::ElementHeader(std::uint8_t tag, std::size_t end) { Header(tag, end - pos, false); }

inline void TWriter::Bytes(const std::uint8_t* bytes, std::size_t count)
{
    if (failed || pos < count) {
        failed = true;
        return;
    }
    pos -= count;
    if (count)
        std::memcpy(out.data() + pos, bytes, count);
}

inline void TWriter::Element(std::uint8_t tag, const std::uint8_t* bytes, std::size_t count)
{
    const std::size_t end = pos;
    Bytes(bytes, count);
    ElementHeader(tag, end);
}

inline void TWriter::Integer(std::int32_t value)
{
    std::uint8_t content[4];
    Element(0x02, content, IntegerContent(value, content));
}

inline void TWriter::Binding(const std::uint8_t* oid, std::size_t oidSize, std::uint8_t valueTag,
                             const std::uint8_t* value, std::size_t valueSize)
{
    const std::size_t oidHeader = ElementHeaderSize(oidSize);
    const std::size_t valueHeader = ElementHeaderSize(valueSize);
    const std::size_t content = oidHeader + oidSize + valueHeader + valueSize;
    // A part above kMaxBuiltLength makes the whole binding pass it, so one test covers all three.
    const std::size_t header = SequenceHeaderSize(content);
    if (failed || header == 0 || pos < header + content) {
        failed = true;
        return;
    }
    pos -= header + content;
    std::uint8_t* at = PutHeader(out.data() + pos, 0x30, content, header);
    at = PutHeader(at, 0x06, oidSize, oidHeader);
    CopyShort(at, oid, oidSize);
    at = PutHeader(at + oidSize, valueTag, valueSize, valueHeader);
    if (valueSize)
        std::memcpy(at, value, valueSize);
}

}  // namespace vxsnmp::ber
