// TScriptedAgent: a misbehaving agent made of the UDP responder and the
// program's own codec. The test gives a function from the request (kind and
// OIDs) to the bindings to answer with; an empty answer means silence.
#pragma once

#include "snmp/SnmpMessage.h"
#include "TUdpResponder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct TAgentRequest {
    bool getNext = false;
    bool getBulk = false;
    std::int32_t maxRepetitions = 0;  // of a GetBulk
    int version = 0;                  // the wire field
    std::int32_t requestId = 0;
    std::vector<std::string> oids;
};

using TAgentAnswer = std::vector<vxsnmp::TBinding>;
using TAgentBehaviour = std::function<std::optional<TAgentAnswer>(const TAgentRequest&)>;

class TScriptedAgent {
public:
    explicit TScriptedAgent(TAgentBehaviour agentBehaviour)
        : behaviour(std::move(agentBehaviour)),
          responder([this](const vxtest::TDatagram& in) { return Answer(in); })
    {
    }

    ::testing::AssertionResult Start() { return responder.Start(); }
    int Port() const { return responder.Port(); }

    // Every request parsed so far, in arrival order.
    std::vector<TAgentRequest> Requests() const
    {
        std::lock_guard guard(lock);
        return requests;
    }

    static vxsnmp::TBinding Text(const std::string& oid, const std::string& value)
    {
        return {oid, static_cast<std::uint8_t>(vxsnmp::Tag::OctetString), value};
    }

    // The error status of each answer (set before Start); none: 0.
    std::function<std::int32_t(const TAgentRequest&)> errorStatus;

private:
    std::vector<vxtest::TReply> Answer(const vxtest::TDatagram& in)
    {
        auto table = std::make_unique<vxsnmp::TBindingTable>();
        vxsnmp::TIncoming incoming;
        if (vxsnmp::ParseMessage(in.bytes, incoming, *table) != vxsnmp::kOk)
            return {};
        TAgentRequest request;
        request.getNext = incoming.pduTag == static_cast<std::uint8_t>(vxsnmp::Tag::GetNextRequest);
        request.getBulk = incoming.pduTag == static_cast<std::uint8_t>(vxsnmp::Tag::GetBulkRequest);
        request.maxRepetitions = request.getBulk ? incoming.errorIndex : 0;
        request.version = incoming.version;
        request.requestId = incoming.requestId;
        for (int i = 0; i < table->count; ++i)
            request.oids.push_back(table->slot[static_cast<std::size_t>(i)].oid);
        {
            std::lock_guard guard(lock);
            requests.push_back(request);
        }
        const std::optional<TAgentAnswer> answer = behaviour(request);
        if (!answer)
            return {};

        table->Reset();
        for (const vxsnmp::TBinding& binding : *answer)
            table->slot[static_cast<std::size_t>(table->count++)] = binding;
        vxsnmp::TOutgoing out;
        out.version = incoming.version;
        out.community = incoming.community;
        out.requestId = incoming.requestId;
        out.errorStatus = errorStatus ? errorStatus(request) : 0;
        std::vector<std::uint8_t> datagram;
        if (vxsnmp::BuildMessage(out, vxsnmp::Tag::GetResponse, *table, datagram) != vxsnmp::kOk)
            return {};
        return {vxtest::TReply{datagram, 0, 0}};
    }

    TAgentBehaviour behaviour;
    mutable std::mutex lock;
    std::vector<TAgentRequest> requests;
    vxtest::TUdpResponder responder;  // last: its thread stops before the rest goes
};
