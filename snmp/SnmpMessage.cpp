// Building and parsing SNMPv1 / SNMPv2c messages.
//
// A request as built here (GetRequest, version 0, community "tamvel",
// request id 1, one binding 1.3.6.1.2.1.1.1.0), 40 bytes:
//
//   30 26                          message SEQUENCE
//      02 01 00                    version (0 = v1, 1 = v2c)
//      04 06 74 61 6D 76 65 6C     community
//      A0 19                       PDU (tag = request kind)
//         02 01 01                 request-id
//         02 01 00                 error-status
//         02 01 00                 error-index
//         30 0E                    binding list SEQUENCE
//            30 0C                 one binding SEQUENCE
//               06 08 2B 06 01 02 01 01 01 00    OID
//               05 00                            value
//
// The SNMPv1 trap PDU (0xA4, and 0xA7 under version 0) replaces the three
// header INTEGERs with enterprise OID, agent IpAddress, generic trap INTEGER,
// specific trap INTEGER and time stamp TimeTicks before the binding list.
#include "snmp/SnmpMessage.h"

#include "snmp/ber.h"

#include <algorithm>
#include <charconv>

namespace vxsnmp {

using ber::TElement;
using ber::TReader;

namespace {

constexpr const char* kPduText = "Error building SNMP PDU.";
constexpr const char* kPacketText = "Error building SNMP packet.";

constexpr std::uint8_t kSequenceTag = static_cast<std::uint8_t>(Tag::Sequence);

std::uint8_t TagByte(Tag tag) { return static_cast<std::uint8_t>(tag); }

const std::uint8_t* BytesOf(const std::string& text)
{
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// The content bytes one binding's value goes out with.
struct TValueContent {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::uint8_t buffer[ber::kMaxOidContent];  // numbers, addresses and OIDs
};

// Fails only for an OID value that cannot be encoded.
bool ValueContent(const TBinding& binding, TValueContent& value)
{
    value.bytes = value.buffer;
    value.size = 0;
    switch (static_cast<Tag>(binding.type)) {
    case Tag::Integer:
        value.size = ber::IntegerContent(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(ber::ReadNumber(binding.value))),
            value.buffer);
        return true;
    case Tag::Null:
    case Tag::NoSuchObject:
    case Tag::NoSuchInstance:
    case Tag::EndOfMibView: return true;
    case Tag::ObjectId: return ber::OidContent(binding.value, value.buffer, value.size);
    case Tag::IpAddress:
        ber::ReadIpv4(binding.value, value.buffer);
        value.size = 4;
        return true;
    case Tag::Counter32:
    case Tag::Gauge32:
    case Tag::TimeTicks:
    case Tag::Unsigned32:
        value.size =
            ber::Unsigned32Content(static_cast<std::uint32_t>(ber::ReadNumber(binding.value)), value.buffer);
        return true;
    case Tag::Counter64:
        value.size = ber::Unsigned64Content(ber::ReadNumber(binding.value), value.buffer);
        return true;
    default:  // OCTET STRING, Opaque and unknown types go out as stored
        value.bytes = BytesOf(binding.value);
        value.size = binding.value.size();
        return true;
    }
}

}  // namespace

void TBindingTable::Reset()
{
    const int used = std::clamp(std::max(inUse, count), 0, kMaxBindings);
    for (int i = 0; i < used; ++i) {
        TBinding& binding = Slot(i);
        binding.oid.clear();
        binding.type = TagByte(Tag::OctetString);
        binding.value.clear();
    }
    count = 0;
    inUse = 0;
}

void TIncoming::Reset()
{
    version = 0;
    community.clear();
    pduTag = 0;
    requestId = errorStatus = errorIndex = 0;
    enterprise.clear();
    agentAddress.clear();
    genericTrap = specificTrap = 0;
    timeStamp = 0;
}

namespace {

bool NullValues(Tag pduTag) { return pduTag == Tag::GetRequest || pduTag == Tag::GetBulkRequest; }

// The room check of one PDU: headers, and per binding at most 140 bytes
// besides the value bytes. A GetRequest or GetBulkRequest first turns every
// binding into NULL.
// Returns 0 when the bindings could not fit a binding list.
std::size_t PduRoom(Tag pduTag, TBindingTable& table, int count)
{
    const bool nullValues = NullValues(pduTag);  // every value goes out as NULL (05 00)
    std::size_t room = 64;
    std::size_t valueBytes = 0;
    for (int i = 0; i < count; ++i) {
        TBinding& binding = table.Slot(i);
        if (nullValues)
            binding.type = TagByte(Tag::Null);
        valueBytes += binding.value.size();
        if (valueBytes > ber::kMaxBuiltLength)  // the binding list could not hold them
            return 0;
        room += 140 + std::max<std::size_t>(binding.value.size(), ber::kMaxOidContent);
    }
    return room;
}

// Writes the PDU (bindings, then the three header INTEGERs and the PDU header)
// in front of the writer's position. False when a binding cannot be encoded or
// the writer failed.
bool WritePdu(ber::TWriter& writer, const TOutgoing& out, Tag pduTag, const TBindingTable& table, int count)
{
    const bool nullValues = NullValues(pduTag);
    const std::size_t end = writer.Mark();  // the PDU and the binding list end here
    TValueContent value;
    std::uint8_t oid[ber::kMaxOidContent];
    for (int i = count; i-- > 0;) {
        const TBinding& binding = table.Slot(i);
        std::size_t oidSize = 0;
        if (!ber::OidContent(binding.oid, oid, oidSize))
            return false;
        if (nullValues) {
            writer.Binding(oid, oidSize, TagByte(Tag::Null), nullptr, 0);
            continue;
        }
        if (!ValueContent(binding, value))
            return false;
        writer.Binding(oid, oidSize, binding.type, value.bytes, value.size);
    }
    writer.SequenceHeader(kSequenceTag, end);
    writer.Integer(out.errorIndex);
    writer.Integer(out.errorStatus);
    writer.Integer(out.requestId);
    writer.ElementHeader(TagByte(pduTag), end);
    return !writer.Failed();
}

// Scratch room for writing back to front, reused between messages.
ber::TWriter ScratchWriter(std::size_t room)
{
    static thread_local std::vector<std::uint8_t> scratch;
    if (scratch.size() < room)
        scratch.resize(room);
    return ber::TWriter(std::span<std::uint8_t>(scratch.data(), room));
}

}  // namespace

int BuildMessage(TOutgoing& out, Tag pduTag, TBindingTable& table, std::vector<std::uint8_t>& datagram,
                 std::string* errorText)
{
    auto fail = [&](const char* text) {
        datagram.clear();
        if (errorText)
            *errorText = text;
        return static_cast<int>(kBuildFailed);
    };
    if ((out.version != 0 && out.version != 1) || out.community.size() > ber::kMaxBuiltLength)
        return fail(kPacketText);

    const int count = std::clamp(table.count, 0, kMaxBindings);
    const std::size_t pduRoom = PduRoom(pduTag, table, count);
    if (pduRoom == 0)
        return fail(kPduText);

    // Written back to front, so each header follows its content and knows its length.
    ber::TWriter writer = ScratchWriter(pduRoom + out.community.size());
    const std::size_t end = writer.Mark();  // the message ends here
    if (!WritePdu(writer, out, pduTag, table, count))
        return fail(kPduText);
    writer.Element(TagByte(Tag::OctetString), BytesOf(out.community), out.community.size());
    writer.Integer(out.version);
    writer.SequenceHeader(kSequenceTag, end);
    if (writer.Failed())
        return fail(kPacketText);

    const auto written = writer.Written();
    datagram.assign(written.begin(), written.end());
    out.requestId = static_cast<std::int32_t>(static_cast<std::uint32_t>(out.requestId) + 1);
    return kOk;
}

int BuildPdu(TOutgoing& out, Tag pduTag, TBindingTable& table, std::vector<std::uint8_t>& pdu,
             std::string* errorText)
{
    const int count = std::clamp(table.count, 0, kMaxBindings);
    const std::size_t room = PduRoom(pduTag, table, count);
    ber::TWriter writer = ScratchWriter(room);
    if (room == 0 || !WritePdu(writer, out, pduTag, table, count)) {
        pdu.clear();
        if (errorText)
            *errorText = kPduText;
        return kBuildFailed;
    }
    const auto written = writer.Written();
    pdu.assign(written.begin(), written.end());
    out.requestId = static_cast<std::int32_t>(static_cast<std::uint32_t>(out.requestId) + 1);
    return kOk;
}

namespace {

// Reads the next element and checks its tag.
int Expect(TReader& reader, Tag tag, TElement& element)
{
    if (int code = reader.Next(element))
        return code;
    return element.tag == TagByte(tag) ? kOk : kMalformed;
}

// A header INTEGER: at most four content bytes, else the datagram is refused.
int ReadHeaderInteger(TReader& reader, std::int32_t& value)
{
    TElement element;
    if (int code = Expect(reader, Tag::Integer, element))
        return code;
    return ber::ReadInt32(element.content, value) ? kOk : kMalformed;
}

template <typename T>
void AssignDecimal(std::string& text, T value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.assign(digits, static_cast<std::size_t>(end - digits));
}

// An IpAddress shows the bytes that are there, at most four.
void AssignAddress(std::string& text, std::span<const std::uint8_t> content)
{
    text.clear();
    const std::size_t count = std::min<std::size_t>(content.size(), 4);
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            text.push_back('.');
        char digits[3];
        const auto end = std::to_chars(digits, digits + sizeof digits, content[i]).ptr;
        text.append(digits, static_cast<std::size_t>(end - digits));
    }
}

// The display text of a received value. Numbers outside their limits read "0";
// fails only for an OID value that cannot be decoded.
bool AssignValueText(const TElement& value, std::string& text)
{
    switch (static_cast<Tag>(value.tag)) {
    case Tag::Integer: {
        std::int32_t number = 0;
        if (!ber::ReadInt32(value.content, number))
            number = 0;
        AssignDecimal(text, number);
        return true;
    }
    case Tag::Null: text.clear(); return true;
    case Tag::ObjectId: text.clear(); return ber::AppendOidText(value.content, text);
    case Tag::IpAddress: AssignAddress(text, value.content); return true;
    case Tag::Counter32:
    case Tag::Gauge32:
    case Tag::TimeTicks:
    case Tag::Unsigned32: {
        std::uint32_t number = 0;
        if (!ber::ReadUnsigned32(value.content, number))
            number = 0;
        AssignDecimal(text, number);
        return true;
    }
    case Tag::Counter64: {
        std::uint64_t number = 0;
        if (!ber::ReadUnsigned64(value.content, number))
            number = 0;
        AssignDecimal(text, number);
        return true;
    }
    case Tag::NoSuchObject: text.assign("error: noSuchObject"); return true;
    case Tag::NoSuchInstance: text.assign("error: noSuchInstance"); return true;
    case Tag::EndOfMibView: text.assign("error: endOfMibView"); return true;
    default:  // OCTET STRING, Opaque and unknown types keep their bytes, zeros included
        text.assign(reinterpret_cast<const char*>(value.content.data()), value.content.size());
        return true;
    }
}

// Fills the table from a binding list; bindings past kMaxBindings are not read.
int ParseBindings(TReader list, TBindingTable& table)
{
    while (table.count < kMaxBindings) {
        TElement binding;
        int code = list.Next(binding);
        if (code == kMissing)
            return kOk;  // the end of the list
        if (code)
            return code;
        if (binding.tag != kSequenceTag)
            return kMalformed;
        TReader parts = binding.Children();
        TElement oid, value;
        if ((code = Expect(parts, Tag::ObjectId, oid)) || (code = parts.Next(value)))
            return code;
        TBinding& slot = table.Slot(table.count);
        slot.oid.clear();
        slot.type = value.tag;
        if (!ber::AppendOidText(oid.content, slot.oid) || !AssignValueText(value, slot.value))
            return kMalformed;
        ++table.count;
    }
    return kOk;
}

// The SNMPv1 trap header: enterprise, agent address, generic and specific trap, time stamp.
int ParseTrapHeader(TReader& pdu, TIncoming& in)
{
    TElement element;
    if (int code = Expect(pdu, Tag::ObjectId, element))
        return code;
    if (!ber::AppendOidText(element.content, in.enterprise))
        return kMalformed;
    if (int code = Expect(pdu, Tag::IpAddress, element))
        return code;
    AssignAddress(in.agentAddress, element.content);
    if (int code = ReadHeaderInteger(pdu, in.genericTrap))
        return code;
    if (int code = ReadHeaderInteger(pdu, in.specificTrap))
        return code;
    if (int code = Expect(pdu, Tag::TimeTicks, element))
        return code;
    return ber::ReadUnsigned32(element.content, in.timeStamp) ? kOk : kMalformed;
}

int ParsePdu(const TElement& pdu, TIncoming& in, TBindingTable& table)
{
    if (pdu.tag < TagByte(Tag::GetRequest) || pdu.tag > TagByte(Tag::Report))
        return kBadPduTag;
    in.pduTag = pdu.tag;
    TReader fields = pdu.Children();
    const bool v1Trap =
        in.version == 0 && (pdu.tag == TagByte(Tag::TrapV1) || pdu.tag == TagByte(Tag::TrapV2));
    if (v1Trap) {
        if (int code = ParseTrapHeader(fields, in))
            return code;
    } else {
        // For GetBulkRequest these are non-repeaters and max-repetitions.
        int code = ReadHeaderInteger(fields, in.requestId);
        if (code || (code = ReadHeaderInteger(fields, in.errorStatus))
            || (code = ReadHeaderInteger(fields, in.errorIndex)))
            return code;
    }
    TElement list;
    if (int code = Expect(fields, Tag::Sequence, list))
        return code;
    return ParseBindings(list.Children(), table);
}

int ParseInto(std::span<const std::uint8_t> datagram, TIncoming& in, TBindingTable& table)
{
    TReader top(datagram);
    TElement message;
    if (int code = Expect(top, Tag::Sequence, message))
        return code;
    TReader fields = message.Children();
    if (int code = ReadHeaderInteger(fields, in.version))
        return code;
    if (in.version != 0 && in.version != 1)
        return kBadVersion;
    TElement community, pdu;
    if (int code = Expect(fields, Tag::OctetString, community))
        return code;
    in.community.assign(reinterpret_cast<const char*>(community.content.data()), community.content.size());
    if (int code = fields.Next(pdu))
        return code;
    return ParsePdu(pdu, in, table);
}

}  // namespace

namespace {

// Runs `parse` over an emptied table. Slots that held bindings before, or a
// binding cut short, go back to the new-slot state.
template <typename Parse>
int ParseIntoTable(TBindingTable& table, Parse parse)
{
    const int previous = std::clamp(std::max(table.count, table.inUse), 0, kMaxBindings);
    table.count = 0;
    const int code = parse();
    const int touched = std::max(previous, std::min(table.count + 1, kMaxBindings));
    for (int i = table.count; i < touched; ++i) {
        TBinding& slot = table.Slot(i);
        slot.oid.clear();
        slot.type = TagByte(Tag::OctetString);
        slot.value.clear();
    }
    table.inUse = table.count;
    return code;
}

}  // namespace

int ParseMessage(std::span<const std::uint8_t> datagram, TIncoming& in, TBindingTable& table)
{
    in.Reset();
    return ParseIntoTable(table, [&] { return ParseInto(datagram, in, table); });
}

int ParsePduElement(std::span<const std::uint8_t> bytes, int version, TIncoming& in, TBindingTable& table)
{
    in.Reset();
    in.version = version;
    return ParseIntoTable(table, [&] {
        TReader reader(bytes);
        TElement pdu;
        if (int code = reader.Next(pdu))
            return code;
        return ParsePdu(pdu, in, table);
    });
}

std::string_view StatusName(std::int32_t status)
{
    static constexpr std::string_view kNames[] = {
        "noError",
        "tooBig",
        "noSuchName",
        "badValue",
        "readOnly",
        "genError",
        "noAccess",
        "wrongType",
        "wrongLength",
        "wrongEncoding",
        "wrongValue",
        "noCreation",
        "inconsistentValue",
        "resourceUnavailable",
        "commitFailed",
        "undoFailed",
        "authorizationError",
        "notWritable",
        "inconsistentName",
    };
    if (status < 0 || status >= static_cast<std::int32_t>(std::size(kNames)))
        return "<unknown error>";
    return kNames[status];
}

}  // namespace vxsnmp
