// Helpers for writing datagrams in tests: hex text to bytes, and TLV wrapping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxsnmp::test {

using TBytes = std::vector<std::uint8_t>;

// "30 26 02 01" -> bytes; anything but hex digits is skipped.
inline TBytes Hex(std::string_view text)
{
    TBytes out;
    int high = -1;
    for (char c : text) {
        int v = c >= '0' && c <= '9' ? c - '0'
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                     : -1;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline std::string ToHex(const TBytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty())
            out.push_back(' ');
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

// One element with the shortest definite length form.
inline TBytes Tlv(std::uint8_t tag, const TBytes& content)
{
    TBytes out{tag};
    const std::size_t n = content.size();
    if (n < 128) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 256) {
        out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
    } else if (n < 65536) {
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    } else {
        out.insert(out.end(), {0x83, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                               static_cast<std::uint8_t>(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

inline TBytes Cat(std::initializer_list<TBytes> parts)
{
    TBytes out;
    for (const TBytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A v2c GetResponse (community "tamvel", request id 7) around a binding list's content.
inline TBytes Response(const TBytes& bindings, int version = 1, std::uint8_t pduTag = 0xA2)
{
    return Tlv(0x30, Cat({Hex("02 01"), TBytes{static_cast<std::uint8_t>(version)},
                          Tlv(0x04, Hex("74 61 6D 76 65 6C")),
                          Tlv(pduTag, Cat({Hex("02 01 07 02 01 00 02 01 00"), Tlv(0x30, bindings)}))}));
}

// One binding of OID 1.3.6.1.2.1.1.1.0 with the given value element.
inline TBytes Binding(const TBytes& value)
{
    return Tlv(0x30, Cat({Hex("06 08 2B 06 01 02 01 01 01 00"), value}));
}

}  // namespace vxsnmp::test
