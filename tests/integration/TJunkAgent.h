// TJunkAgent: a small agent on a 127.0.0.1 port that serves one table and
// misbehaves on demand around its answers: junk after each answer, a burst of
// copies, a false answer from another port, a truncated datagram before each
// row's answer, an empty datagram before each answer or from another port.
// Its answers are built here byte by byte, so that they do not share a fault
// with the program's own encoder.
#pragma once

#include "snmp/SnmpMessage.h"
#include "TUdpResponder.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

enum class TMisbehaviour {
    None,
    JunkAfterEachAnswer,
    BurstOfCopiesAndJunk,
    FalseAnswerFromAnotherPort,
    TruncatedBeforeEachRow,
    EmptyBeforeEachAnswer,
    EmptyFromAnotherPort,
};

class TJunkAgent {
public:
    using TBytes = vxtest::TBytes;

    // `objects`: OID and value of every object, in OID order.
    TJunkAgent(std::vector<std::pair<std::string, std::string>> served, TMisbehaviour how)
        : objects(std::move(served)), misbehaviour(how),
          responder([this](const vxtest::TDatagram& in) { return Answer(in); })
    {
    }

    ::testing::AssertionResult Start()
    {
        if (auto started = other.Start(); !started)
            return started;
        return responder.Start();
    }
    int Port() const { return responder.Port(); }
    int Requests() const { return requests; }
    int GetRequests() const { return getRequests; }

    static constexpr int kCopies = 50;
    // A SEQUENCE that promises three bytes and holds two.
    static TBytes Truncated() { return {0x30, 0x03, 0x02, 0x01}; }
    static TBytes Junk() { return {0xde, 0xad, 0xbe, 0xef, 0x00, 0x42}; }

private:
    std::vector<vxtest::TReply> Answer(const vxtest::TDatagram& in)
    {
        auto table = std::make_unique<vxsnmp::TBindingTable>();
        vxsnmp::TIncoming request;
        if (vxsnmp::ParseMessage(in.bytes, request, *table) != vxsnmp::kOk)
            return {};
        ++requests;
        const bool getNext = request.pduTag == static_cast<std::uint8_t>(vxsnmp::Tag::GetNextRequest);
        std::vector<std::pair<std::string, std::string>> bindings;
        for (int i = 0; i < table->count; ++i) {
            const std::string& oid = table->slot[static_cast<std::size_t>(i)].oid;
            bindings.push_back(getNext ? Next(oid) : Value(oid));
        }
        const TBytes answer = Response(request, bindings);

        std::vector<vxtest::TReply> replies;
        switch (misbehaviour) {
        case TMisbehaviour::None: return {{answer}};
        case TMisbehaviour::JunkAfterEachAnswer: return {{answer}, {Junk()}};
        case TMisbehaviour::BurstOfCopiesAndJunk:
            // The junk goes first: copies beyond the socket's buffer may be
            // lost on the way, and the count is of what arrived.
            replies.push_back({Junk()});
            replies.insert(replies.end(), kCopies, {answer});
            return replies;
        case TMisbehaviour::FalseAnswerFromAnotherPort:
            for (auto& binding : bindings)
                binding.second = "false";
            other.Send(Response(request, bindings), in.fromPort);
            // The true answer comes a little later, so the false one is first.
            return {{answer, kTrueAnswerDelayMs}};
        case TMisbehaviour::TruncatedBeforeEachRow:
            if (getNext)
                return {{answer}};
            ++getRequests;
            return {{Truncated()}, {answer}};
        case TMisbehaviour::EmptyBeforeEachAnswer: return {{TBytes{}}, {answer}};
        case TMisbehaviour::EmptyFromAnotherPort:
            other.Send({}, in.fromPort);
            return {{answer, kTrueAnswerDelayMs}};
        }
        return {};
    }

    static std::vector<unsigned long> Arcs(const std::string& oid)
    {
        std::vector<unsigned long> arcs;
        std::size_t at = oid.front() == '.' ? 1 : 0;
        while (at < oid.size()) {
            std::size_t end = oid.find('.', at);
            if (end == std::string::npos)
                end = oid.size();
            arcs.push_back(std::stoul(oid.substr(at, end - at)));
            at = end + 1;
        }
        return arcs;
    }

    std::pair<std::string, std::string> Next(const std::string& oid) const
    {
        const auto asked = Arcs(oid);
        for (const auto& object : objects)
            if (Arcs(object.first) > asked)
                return object;
        return {"1.3.6.1.6.3.1.1.1.0", "past the end"};
    }

    std::pair<std::string, std::string> Value(const std::string& oid) const
    {
        for (const auto& object : objects)
            if (Arcs(object.first) == Arcs(oid))
                return object;
        return {oid, "absent"};
    }

    // BER: a tag, a definite length, the content.
    static TBytes Tlv(std::uint8_t tag, const TBytes& content)
    {
        TBytes out{tag};
        const std::size_t n = content.size();
        if (n < 0x80) {
            out.push_back(static_cast<std::uint8_t>(n));
        } else {
            out.push_back(0x82);
            out.push_back(static_cast<std::uint8_t>(n >> 8));
            out.push_back(static_cast<std::uint8_t>(n & 0xff));
        }
        out.insert(out.end(), content.begin(), content.end());
        return out;
    }
    static TBytes Integer(std::int32_t value)
    {
        TBytes content;
        for (int shift = 24; shift >= 0; shift -= 8)
            content.push_back(static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) >> shift) & 0xff));
        // Minimal two's complement: drop leading bytes that repeat the sign.
        while (content.size() > 1
               && ((content[0] == 0 && content[1] < 0x80) || (content[0] == 0xff && content[1] >= 0x80)))
            content.erase(content.begin());
        return Tlv(0x02, content);
    }
    static TBytes Text(const std::string& text) { return Tlv(0x04, TBytes(text.begin(), text.end())); }
    static TBytes Oid(const std::string& oid)
    {
        const auto arcs = Arcs(oid);
        TBytes content{static_cast<std::uint8_t>(arcs[0] * 40 + arcs[1])};
        for (std::size_t i = 2; i < arcs.size(); ++i) {
            TBytes base128{static_cast<std::uint8_t>(arcs[i] & 0x7f)};
            for (unsigned long rest = arcs[i] >> 7; rest != 0; rest >>= 7)
                base128.insert(base128.begin(), static_cast<std::uint8_t>(0x80 | (rest & 0x7f)));
            content.insert(content.end(), base128.begin(), base128.end());
        }
        return Tlv(0x06, content);
    }
    static TBytes Join(std::initializer_list<TBytes> parts)
    {
        TBytes out;
        for (const TBytes& part : parts)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    }
    static TBytes Response(const vxsnmp::TIncoming& request,
                           const std::vector<std::pair<std::string, std::string>>& bindings)
    {
        TBytes list;
        for (const auto& [oid, value] : bindings) {
            const TBytes binding = Tlv(0x30, Join({Oid(oid), Text(value)}));
            list.insert(list.end(), binding.begin(), binding.end());
        }
        const TBytes pdu =
            Tlv(0xa2, Join({Integer(request.requestId), Integer(0), Integer(0), Tlv(0x30, list)}));
        return Tlv(0x30, Join({Integer(request.version), Text(request.community), pdu}));
    }

    static constexpr int kTrueAnswerDelayMs = 20;
    std::vector<std::pair<std::string, std::string>> objects;
    TMisbehaviour misbehaviour;
    std::atomic<int> requests{0};
    std::atomic<int> getRequests{0};
    vxtest::TUdpResponder other;      // the port false answers come from
    vxtest::TUdpResponder responder;  // last: its thread stops before the rest goes
};
