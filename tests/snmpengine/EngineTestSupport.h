// Helpers of the engine tests: a component on a free local port whose events
// are recorded, waiting with the event loop running, and SNMP datagrams built
// with the codec for the UDP responder to send.
#pragma once

#include "snmp/SnmpMessage.h"
#include "TUdpResponder.h"
#include "snmp/TvxSNMPMgr.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace vxtest {

// Runs the event loop until `done` holds or `timeoutMs` have passed.
// Runs `action` and returns the message of the EvxSNMPMgr it raises, or
// "(no exception)".
template <typename F>
QString MessageOf(F&& action)
{
    try {
        action();
    } catch (const vxsnmp::EvxSNMPMgr& e) {
        return e.Message();
    }
    return QStringLiteral("(no exception)");
}

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Keeps the event loop running for `ms` (to see that nothing arrives).
inline void RunEvents(int ms)
{
    WaitUntil([] { return false; }, ms);
}

struct TBindingSeen {
    QString oid;
    int type = 0;
    QByteArray value;
};

struct TResponseSeen {
    vxsnmp::TResponseEvent event;
    std::vector<TBindingSeen> bindings;  // the binding table while the handler ran
};

// TRecordingManager: a component on any free local port, recording its events.
class TRecordingManager {
public:
    TRecordingManager()
    {
        mgr.SetLocalPort(0);
        mgr.SetRemoteHost(QStringLiteral("127.0.0.1"));
        mgr.OnResponse = [this](vxsnmp::TvxSNMPMgr& m, const vxsnmp::TResponseEvent& e) {
            TResponseSeen seen{e, {}};
            for (int i = 1; i <= m.ObjCount(); ++i)
                seen.bindings.push_back({m.ObjId(i), m.ObjType(i), m.ObjValue(i)});
            responses.push_back(seen);
        };
        mgr.OnError = [this](vxsnmp::TvxSNMPMgr&, const vxsnmp::TErrorEvent& e) { errors.push_back(e); };
        mgr.OnBadPacket = [this](vxsnmp::TvxSNMPMgr&, vxsnmp::TBadPacketEvent& e) {
            badPackets.push_back(e);
        };
        mgr.OnPacketTrace = [this](vxsnmp::TvxSNMPMgr&, const vxsnmp::TPacketTraceEvent& e) {
            traces.push_back(e);
        };
    }

    // Prepares a request: Reset, then the OIDs as bindings 1..n.
    void Prepare(const std::vector<QString>& oids)
    {
        mgr.Reset();
        mgr.SetObjCount(static_cast<int>(oids.size()));
        for (std::size_t i = 0; i < oids.size(); ++i)
            mgr.SetObjId(static_cast<int>(i) + 1, oids[i]);
    }

    vxsnmp::TvxSNMPMgr mgr;
    std::vector<TResponseSeen> responses;
    std::vector<vxsnmp::TErrorEvent> errors;
    std::vector<vxsnmp::TBadPacketEvent> badPackets;
    std::vector<vxsnmp::TPacketTraceEvent> traces;
};

// An SNMP message built with the codec. `version` is the wire field.
inline TBytes Message(vxsnmp::Tag tag, std::int32_t requestId,
                      const std::vector<vxsnmp::TBinding>& bindings = {}, int version = 1,
                      const std::string& community = "tamvel", std::int32_t errorStatus = 0)
{
    vxsnmp::TOutgoing out;
    out.version = version;
    out.community = community;
    out.requestId = requestId;
    out.errorStatus = errorStatus;
    auto table = std::make_unique<vxsnmp::TBindingTable>();
    table->Reset();
    table->count = static_cast<int>(bindings.size());
    for (std::size_t i = 0; i < bindings.size(); ++i)
        table->slot[i] = bindings[i];
    TBytes datagram;
    vxsnmp::BuildMessage(out, tag, *table, datagram);
    return datagram;
}

// The request id of a datagram the manager sent (-1 when it does not parse).
inline std::int32_t RequestIdOf(const TBytes& datagram)
{
    vxsnmp::TIncoming in;
    auto table = std::make_unique<vxsnmp::TBindingTable>();
    if (vxsnmp::ParseMessage(datagram, in, *table) != 0)
        return -1;
    return in.requestId;
}

// A GetResponse answering `request` with one OCTET STRING binding.
inline TBytes AnswerTo(const TDatagram& request, const std::string& value = "answer",
                       std::int32_t requestIdShift = 0)
{
    vxsnmp::TIncoming in;
    auto table = std::make_unique<vxsnmp::TBindingTable>();
    vxsnmp::ParseMessage(request.bytes, in, *table);
    return Message(vxsnmp::Tag::GetResponse, in.requestId + requestIdShift,
                   {{"1.3.6.1.2.1.1.5.0", 0x04, value}}, in.version);
}

}  // namespace vxtest
