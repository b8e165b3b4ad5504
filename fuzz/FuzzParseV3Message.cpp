// libFuzzer target: the SNMPv3 layers on arbitrary bytes. The message parser,
// the scoped PDU parser and the PDU parser are run on what each layer hands
// on, then a session with keys for one user opens the same bytes, which takes
// inputs through digest checks and decryption as well; so does a receiver of
// notifications with the same user, which also builds the report or the
// response it would send back.
//
// Beyond "no crash, no out-of-bounds read" it checks that every refusal is
// one of the documented codes and that the offsets handed on lie inside the input.
#include "snmp/SnmpV3Message.h"
#include "snmp/UsmReceiver.h"
#include "snmp/UsmSession.h"

#include <cstdlib>
#include <memory>

using namespace vxsnmp;

namespace {

bool KnownCode(int code)
{
    return code == kOk || code == kMalformed || code == kMissing || code == kBadPduTag
        || code == v3::kNotVersion3 || code == v3::kBadSecurityModel || code == v3::kBadFlags;
}

bool KnownSessionCode(int code)
{
    return KnownCode(code) || (code >= usm::kNoProtocol && code <= usm::kUnsupportedLevel);
}

usm::TUsmSession& Session()
{
    // The engine ID and users of the seed corpus (fuzz/corpus-v3, captured from snmpd).
    static usm::TUsmSession session = [] {
        usm::TUsmSession s;
        s.SetUser({"sha256aes", usm::TSecurityLevel::AuthPriv, usm::TAuthProtocol::Sha256, "maplesyrup",
                   usm::TPrivProtocol::Aes128, "syrup-for-privacy"});
        const std::uint8_t engineId[] = {0x80, 0x00, 0x1f, 0x88, 0x80, 0xaa, 0xbb,
                                         0xcc, 0xdd, 0xee, 0xff, 0x00, 0x11};
        s.SetEngine(engineId, 1, 0);
        return s;
    }();
    return session;
}

usm::TUsmReceiver& Receiver()
{
    // Informs of the seed corpus's user to the engine of its traps.
    static usm::TUsmReceiver receiver = [] {
        usm::TUsmReceiver r;
        r.SetLocalEngine({0x80, 0x00, 0x1f, 0x88, 0x80, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x00, 0x11}, 1);
        r.AddUser({"sha256aes", usm::TSecurityLevel::AuthPriv, usm::TAuthProtocol::Sha256, "maplesyrup",
                   usm::TPrivProtocol::Aes128, "syrup-for-privacy"});
        return r;
    }();
    return receiver;
}

void Receive(std::span<const std::uint8_t> datagram, TBindingTable& table)
{
    usm::TReceived received;
    TIncoming in;
    const int code = Receiver().Open(datagram, received, in, table);
    if (!KnownSessionCode(code))
        std::abort();
    v3::TBytes answer;
    if (code == kOk && in.pduTag == static_cast<std::uint8_t>(Tag::InformRequest))
        Receiver().BuildResponse(received, in, table, answer);
    else if (code != kOk && received.Reportable() && received.refusal != v3::TReportKind::Unknown)
        Receiver().BuildReport(received, in, answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto table = std::make_unique<TBindingTable>();
    const std::span<const std::uint8_t> datagram(data, size);
    v3::TParsed parsed;
    int code = v3::ParseMessage(datagram, parsed);
    if (!KnownCode(code))
        std::abort();
    if (code == kOk) {
        if (parsed.authOffset + parsed.usm.authParams.size() > size)
            std::abort();
        if (!parsed.scopedPdu.empty()) {
            v3::TScopedPdu scoped;
            code = v3::ParseScopedPdu(parsed.scopedPdu, scoped);
            TIncoming in;
            if (!KnownCode(code) || (code == kOk && !KnownCode(ParsePduElement(scoped.pdu, 3, in, *table))))
                std::abort();
        }
    }
    usm::TAnswer answer;
    TIncoming in;
    if (!KnownSessionCode(Session().OpenAnswer(datagram, answer, in, *table)))
        std::abort();
    Receive(datagram, *table);
    return 0;
}
