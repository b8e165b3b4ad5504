// libFuzzer target: ParseMessage on arbitrary bytes.
//
// Beyond "no crash, no out-of-bounds read" (the sanitizers' part) it checks two
// properties: a refused datagram gives one of the parser's codes, and an
// accepted one survives a round trip: the table built back into a GetResponse
// and parsed again gives the same OIDs, types and texts (IpAddress texts with
// other than four bytes are shown partly, so they are left out).
#include "snmp/SnmpMessage.h"

#include <cstdlib>
#include <memory>

using namespace vxsnmp;

namespace {

bool ComparableValue(const TBinding& b)
{
    if (b.type != static_cast<std::uint8_t>(Tag::IpAddress))
        return true;
    int dots = 0;
    for (char c : b.value)
        dots += c == '.';
    return dots == 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto table = std::make_unique<TBindingTable>();
    static auto again = std::make_unique<TBindingTable>();
    static std::vector<std::uint8_t> datagram;
    TIncoming in;

    const int code = ParseMessage({data, size}, in, *table);
    if (code != kOk) {
        if (code != kBadVersion && code != kBadPduTag && code != kMalformed && code != kMissing)
            std::abort();
        return 0;
    }
    if (table->count < 0 || table->count > kMaxBindings)
        std::abort();

    TOutgoing out;
    out.version = in.version == 0 ? 0 : 1;
    out.community = in.community;
    out.requestId = in.requestId;
    if (BuildMessage(out, Tag::GetResponse, *table, datagram) != kOk)
        return 0;  // e.g. an OID of 256 sub-identifiers passes 128 content bytes
    TIncoming in2;
    if (ParseMessage(datagram, in2, *again) != kOk || again->count != table->count
        || in2.community != in.community)
        std::abort();
    for (int i = 0; i < table->count; ++i) {
        const TBinding& a = table->slot[i];
        const TBinding& b = again->slot[i];
        if (a.oid != b.oid || a.type != b.type || (ComparableValue(a) && a.value != b.value))
            std::abort();
    }
    return 0;
}
