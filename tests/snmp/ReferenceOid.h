// A plain, obviously correct reading of OID texts, to check the codec's fast
// one against (tests and the fuzz target).
#pragma once

#include "snmp/ber.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vxsnmp::test {

// ReferenceOidContent is the plain reading of an OID text into BER content,
// one step at a time as the rules say it: any non-digit separates, fewer than
// two sub-identifiers give the single byte 0, base 128 per sub-identifier.
// False when the text is to be refused (a sub-identifier or the combined first
// pair over 32 bits, content over the limit). The codec's fast reader must
// agree with it on every text.
inline bool ReferenceOidContent(std::string_view text, std::vector<std::uint8_t>& content)
{
    std::vector<std::uint64_t> ids;
    std::uint64_t value = 0;
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 0xFFFFFFFFu)
                return false;
            digits = true;
        } else {
            ids.push_back(value);
            value = 0;
            digits = false;
        }
    }
    if (digits)
        ids.push_back(value);
    content.clear();
    if (ids.size() < 2) {
        content.push_back(0);
        return true;
    }
    ids[1] += 40 * ids[0];
    if (ids[1] > 0xFFFFFFFFu)
        return false;
    for (std::size_t i = 1; i < ids.size(); ++i) {
        std::uint8_t groups[5];
        int count = 0;
        std::uint64_t v = ids[i];
        do {
            groups[count++] = static_cast<std::uint8_t>(v & 0x7F);
            v >>= 7;
        } while (v);
        while (count-- > 0)
            content.push_back(static_cast<std::uint8_t>(groups[count] | (count ? 0x80 : 0)));
    }
    return content.size() <= vxsnmp::ber::kMaxOidContent;
}

}  // namespace vxsnmp::test
