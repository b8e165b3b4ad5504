#include "snmp/SnmpV3Message.h"

#include "snmp/ber.h"

#include <limits>

namespace vxsnmp::v3 {

using ber::TElement;
using ber::TReader;

namespace {

constexpr std::uint8_t kSequence = static_cast<std::uint8_t>(Tag::Sequence);
constexpr std::uint8_t kOctets = static_cast<std::uint8_t>(Tag::OctetString);
constexpr std::uint8_t kInteger = static_cast<std::uint8_t>(Tag::Integer);
constexpr std::uint32_t kMaxInteger = std::numeric_limits<std::int32_t>::max();
// Room for the headers around the variable parts of a message.
constexpr std::size_t kHeaderRoom = 128;

const std::uint8_t* BytesOf(std::string_view text)
{
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

int Expect(TReader& reader, std::uint8_t tag, TElement& element)
{
    if (int code = reader.Next(element))
        return code;
    return element.tag == tag ? kOk : kMalformed;
}

int ReadInteger(TReader& reader, std::int32_t& value)
{
    TElement element;
    if (int code = Expect(reader, kInteger, element))
        return code;
    return ber::ReadInt32(element.content, value) ? kOk : kMalformed;
}

// Boots and time: INTEGER (0..2147483647).
int ReadNonNegative(TReader& reader, std::uint32_t& value)
{
    std::int32_t number = 0;
    if (int code = ReadInteger(reader, number))
        return code;
    if (number < 0)
        return kMalformed;
    value = static_cast<std::uint32_t>(number);
    return kOk;
}

int ReadOctets(TReader& reader, TBytes& bytes, TElement& element)
{
    if (int code = Expect(reader, kOctets, element))
        return code;
    bytes.assign(element.content.begin(), element.content.end());
    return kOk;
}

// The whole element (header included) that `reader` reads next.
int NextWhole(TReader& reader, std::span<const std::uint8_t> container, TElement& element,
              std::span<const std::uint8_t>& whole)
{
    const std::size_t start = reader.Offset();
    if (int code = reader.Next(element))
        return code;
    whole = container.subspan(start, reader.Offset() - start);
    return kOk;
}

int ParseGlobalData(TReader& fields, THeader& header)
{
    TElement global, flags;
    if (int code = Expect(fields, kSequence, global))
        return code;
    TReader parts = global.Children();
    int code = ReadInteger(parts, header.msgId);
    if (code || (code = ReadInteger(parts, header.maxSize)) || (code = Expect(parts, kOctets, flags)))
        return code;
    if (flags.content.size() != 1)
        return kMalformed;
    header.flags = flags.content[0];
    if ((code = ReadInteger(parts, header.securityModel)))
        return code;
    if (header.securityModel != kUserBasedSecurityModel)
        return kBadSecurityModel;
    if ((header.flags & kPrivFlag) && !(header.flags & kAuthFlag))
        return kBadFlags;
    return kOk;
}

int ParseSecurityParameters(TReader& fields, std::span<const std::uint8_t> datagram, TParsed& parsed)
{
    TElement wrapper, sequence, element;
    if (int code = Expect(fields, kOctets, wrapper))
        return code;
    TReader outer = wrapper.Children();
    if (int code = Expect(outer, kSequence, sequence))
        return code;
    TReader parts = sequence.Children();
    TUsmParameters& usm = parsed.usm;
    TBytes user;
    int code = ReadOctets(parts, usm.engineId, element);
    if (code || (code = ReadNonNegative(parts, usm.boots)) || (code = ReadNonNegative(parts, usm.time))
        || (code = ReadOctets(parts, user, element)))
        return code;
    usm.userName.assign(user.begin(), user.end());
    if ((code = ReadOctets(parts, usm.authParams, element)))
        return code;
    parsed.authOffset = static_cast<std::size_t>(element.content.data() - datagram.data());
    return ReadOctets(parts, usm.privParams, element);
}

}  // namespace

int BuildScopedPdu(std::span<const std::uint8_t> contextEngineId, std::string_view contextName,
                   std::span<const std::uint8_t> pdu, TBytes& scoped)
{
    TBytes buffer(kHeaderRoom + contextEngineId.size() + contextName.size() + pdu.size());
    ber::TWriter writer(buffer);
    const std::size_t end = writer.Mark();
    writer.Bytes(pdu.data(), pdu.size());
    writer.Element(kOctets, BytesOf(contextName), contextName.size());
    writer.Element(kOctets, contextEngineId.data(), contextEngineId.size());
    writer.SequenceHeader(kSequence, end);
    if (writer.Failed()) {
        scoped.clear();
        return kBuildFailed;
    }
    const auto written = writer.Written();
    scoped.assign(written.begin(), written.end());
    return kOk;
}

int BuildMessage(const THeader& header, const TUsmParameters& usm, std::span<const std::uint8_t> msgData,
                 TBytes& datagram, std::size_t* authOffset)
{
    datagram.clear();
    if (usm.boots > kMaxInteger || usm.time > kMaxInteger)
        return kBuildFailed;
    TBytes buffer(kHeaderRoom + msgData.size() + usm.engineId.size() + usm.userName.size()
                  + usm.authParams.size() + usm.privParams.size());
    ber::TWriter writer(buffer);
    const std::size_t end = writer.Mark();
    if (header.flags & kPrivFlag)
        writer.Element(kOctets, msgData.data(), msgData.size());
    else
        writer.Bytes(msgData.data(), msgData.size());  // already the scoped PDU SEQUENCE

    const std::size_t securityEnd = writer.Mark();
    writer.Element(kOctets, usm.privParams.data(), usm.privParams.size());
    const std::size_t authEnd = writer.Mark();
    writer.Bytes(usm.authParams.data(), usm.authParams.size());
    const std::size_t authStart = writer.Mark();
    writer.ElementHeader(kOctets, authEnd);
    writer.Element(kOctets, BytesOf(usm.userName), usm.userName.size());
    writer.Integer(static_cast<std::int32_t>(usm.time));
    writer.Integer(static_cast<std::int32_t>(usm.boots));
    writer.Element(kOctets, usm.engineId.data(), usm.engineId.size());
    writer.SequenceHeader(kSequence, securityEnd);
    writer.ElementHeader(kOctets, securityEnd);

    const std::size_t globalEnd = writer.Mark();
    writer.Integer(header.securityModel);
    writer.Element(kOctets, &header.flags, 1);
    writer.Integer(header.maxSize);
    writer.Integer(header.msgId);
    writer.SequenceHeader(kSequence, globalEnd);
    writer.Integer(kVersion3);
    writer.SequenceHeader(kSequence, end);
    if (writer.Failed())
        return kBuildFailed;
    const auto written = writer.Written();
    datagram.assign(written.begin(), written.end());
    if (authOffset)
        *authOffset = authStart - writer.Mark();
    return kOk;
}

int BuildDiscoveryMessage(std::int32_t msgId, std::int32_t requestId, TBytes& datagram)
{
    // An empty GetRequest: request-id, error-status 0, error-index 0, no bindings.
    std::uint8_t id[4];
    const std::size_t idSize = ber::IntegerContent(requestId, id);
    TBytes pdu{static_cast<std::uint8_t>(Tag::GetRequest), static_cast<std::uint8_t>(idSize + 10), kInteger,
               static_cast<std::uint8_t>(idSize)};
    pdu.insert(pdu.end(), id, id + idSize);
    pdu.insert(pdu.end(), {kInteger, 1, 0, kInteger, 1, 0, kSequence, 0});
    TBytes scoped;
    if (BuildScopedPdu({}, {}, pdu, scoped))
        return kBuildFailed;
    THeader header;
    header.msgId = msgId;
    header.flags = kReportableFlag;
    return BuildMessage(header, TUsmParameters{}, scoped, datagram);
}

int ParseMessage(std::span<const std::uint8_t> datagram, TParsed& parsed)
{
    parsed = TParsed{};
    TReader top(datagram);
    TElement message, data;
    if (int code = Expect(top, kSequence, message))
        return code;
    TReader fields = message.Children();
    std::int32_t version = 0;
    if (int code = ReadInteger(fields, version))
        return code;
    if (version != kVersion3)
        return kNotVersion3;
    if (int code = ParseGlobalData(fields, parsed.header))
        return code;
    if (int code = ParseSecurityParameters(fields, datagram, parsed))
        return code;
    std::span<const std::uint8_t> whole;
    if (int code = NextWhole(fields, message.content, data, whole))
        return code;
    const bool encrypted = parsed.header.flags & kPrivFlag;
    if (data.tag != (encrypted ? kOctets : kSequence))
        return kMalformed;
    if (encrypted)
        parsed.encrypted = data.content;
    else
        parsed.scopedPdu = whole;
    return kOk;
}

int MessageVersion(std::span<const std::uint8_t> datagram)
{
    TReader top(datagram);
    TElement message;
    if (Expect(top, kSequence, message))
        return -1;
    TReader fields = message.Children();
    std::int32_t version = 0;
    return ReadInteger(fields, version) ? -1 : version;
}

int ParseScopedPdu(std::span<const std::uint8_t> bytes, TScopedPdu& scoped)
{
    scoped = TScopedPdu{};
    TReader top(bytes);
    TElement sequence, element;
    if (int code = Expect(top, kSequence, sequence))
        return code;
    TReader parts = sequence.Children();
    TBytes name;
    int code = ReadOctets(parts, scoped.contextEngineId, element);
    if (code || (code = ReadOctets(parts, name, element)))
        return code;
    scoped.contextName.assign(name.begin(), name.end());
    return NextWhole(parts, sequence.content, element, scoped.pdu);
}

}  // namespace vxsnmp::v3
