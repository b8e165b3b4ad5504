// libFuzzer target: OidContent and BuildMessage on arbitrary OID texts.
//
// The input is split at newlines into OID texts, one binding each (at most
// kMaxBindings). Checked:
//   - every text encodes exactly as a plain reading gives it (digits make
//     numbers, any other byte ends one, first two combined, base 128), and is
//     refused exactly when that reading passes 32 bits or 128 content bytes;
//   - a GetRequest of all bindings is built when no text is refused, else
//     refused with "Error building SNMP PDU." and an empty datagram;
//   - a built datagram parses back: same bindings, every OID the text of its
//     content, every value NULL; the request id advanced by one.
// The sanitizers watch for reads and writes outside the buffers.
#include "ReferenceOid.h"
#include "snmp/SnmpMessage.h"
#include "snmp/ber.h"

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

using namespace vxsnmp;

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto table = std::make_unique<TBindingTable>();
    static auto back = std::make_unique<TBindingTable>();
    static std::vector<std::uint8_t> datagram;
    table->Reset();

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::vector<std::uint8_t>> expected;
    bool refused = false;
    std::size_t start = 0;
    while (start <= input.size() && table->count < kMaxBindings) {
        std::size_t stop = input.find('\n', start);
        if (stop == std::string_view::npos)
            stop = input.size();
        const std::string_view text = input.substr(start, stop - start);
        start = stop + 1;

        std::vector<std::uint8_t> reference;
        const bool ok = vxsnmp::test::ReferenceOidContent(text, reference);
        std::uint8_t content[ber::kMaxOidContent];
        std::size_t length = 0;
        if (ber::OidContent(text, content, length) != ok)
            std::abort();
        if (ok && std::vector<std::uint8_t>(content, content + length) != reference)
            std::abort();
        refused |= !ok;
        expected.push_back(std::move(reference));
        table->slot[table->count++].oid.assign(text);
    }

    TOutgoing out;
    out.requestId = 7;
    std::string errorText;
    const int code = BuildMessage(out, Tag::GetRequest, *table, datagram, &errorText);
    if (refused) {
        if (code != kBuildFailed || errorText != "Error building SNMP PDU." || !datagram.empty()
            || out.requestId != 7)
            std::abort();
        return 0;
    }
    if (code != kOk || out.requestId != 8)
        std::abort();
    TIncoming in;
    if (ParseMessage(datagram, in, *back) != kOk || in.requestId != 7
        || in.pduTag != static_cast<std::uint8_t>(Tag::GetRequest) || back->count != table->count)
        std::abort();
    for (int i = 0; i < back->count; ++i) {
        std::string text;
        if (!ber::AppendOidText(expected[static_cast<std::size_t>(i)], text) || back->slot[i].oid != text
            || back->slot[i].type != 0x05 || !back->slot[i].value.empty())
            std::abort();
    }
    return 0;
}
