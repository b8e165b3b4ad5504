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

#include <cstddef>
#include <cstdint>
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
    explicit TReader(std::span<const std::uint8_t> data) : data(data) {}

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
std::size_t IntegerContent(std::int32_t value, std::uint8_t out[4]);    // minimal two's complement
std::size_t Unsigned32Content(std::uint32_t value, std::uint8_t out[5]);  // 4 bytes, 5 if top bit set
std::size_t Unsigned64Content(std::uint64_t value, std::uint8_t out[9]);  // minimal, 0x00 before a set top bit

// OidContent encodes an OID text into `out` (kMaxOidContent bytes, or nullptr
// to measure only) and stores the length in `length`. Any non-digit ends a
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
std::size_t SequenceHeaderSize(std::size_t length);
std::size_t ElementHeaderSize(std::size_t length);

// TWriter writes into a buffer sized beforehand. A write that would pass the
// end is dropped and marks the writer failed.
class TWriter {
public:
    explicit TWriter(std::span<std::uint8_t> out) : out(out) {}

    void SequenceHeader(std::uint8_t tag, std::size_t length);
    void ElementHeader(std::uint8_t tag, std::size_t length);
    void Bytes(const std::uint8_t* bytes, std::size_t count);
    void Element(std::uint8_t tag, const std::uint8_t* bytes, std::size_t count);
    void Integer(std::int32_t value);

    bool Failed() const { return failed; }
    std::size_t Size() const { return pos; }

private:
    void LengthBytes(std::size_t length, std::size_t count);

    std::span<std::uint8_t> out;
    std::size_t pos = 0;
    bool failed = false;
};

// Size of a whole INTEGER element holding `value`.
std::size_t IntegerElementSize(std::int32_t value);

}  // namespace vxsnmp::ber
