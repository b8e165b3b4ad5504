// The component's event dispatcher: turns the engine's callbacks into the
// component's events and writes var parameters back for the engine.
#include "snmp/SNMPMgr.h"
#include "snmp/TvxSNMPMgrAccess.h"

#include <QDebug>

#include <exception>
#include <string>

namespace vxsnmp {

namespace {

// The argument array of one callback, read with bounds checks: a shorter
// array than the event needs reads as zeros.
class TArgs {
public:
    TArgs(int count, std::intptr_t* values, int* lengths) : argc(count), argv(values), argLens(lengths) {}
    int Int(int i) const { return static_cast<int>(Value(i)); }
    std::int64_t Int64(int i) const { return static_cast<std::int64_t>(Value(i)); }
    QString Text(int i) const { return EngineText(Value(i)); }
    std::intptr_t Raw(int i) const { return Value(i); }
    QByteArray Bytes(int i) const
    {
        return EngineBytes(Value(i), (argLens != nullptr && i < argc) ? argLens[i] : 0);
    }
    void Store(int i, std::intptr_t value)
    {
        if (argv != nullptr && i < argc)
            argv[i] = value;
    }

private:
    std::intptr_t Value(int i) const { return (argv != nullptr && i < argc) ? argv[i] : 0; }
    int argc;
    std::intptr_t* argv;
    int* argLens;
};

// An argument text that repeats from event to event (the community, the
// agent's address, "noError"): the text made last time is handed out again.
class TRecentText {
public:
    QString Of(std::intptr_t value)
    {
        const char* utf8 = reinterpret_cast<const char*>(value);
        if (utf8 == nullptr || last.isNull() || lastUtf8 != utf8) {
            last = EngineText(value);
            lastUtf8 = utf8 != nullptr ? utf8 : "";
        }
        return last;
    }

private:
    std::string lastUtf8;
    QString last;
};

// One set for each thread the engine raises events on.
struct TRecentResponseTexts {
    TRecentText community, user, address, description;
};
thread_local TRecentResponseTexts recentResponseTexts;
thread_local TRecentText recentTraceAddress;

TResponseEvent ResponseEvent(const TArgs& a)
{
    TRecentResponseTexts& recent = recentResponseTexts;
    TResponseEvent e;
    e.RequestId = a.Int(0);
    e.SNMPVersion = a.Int(1);
    e.Community = recent.community.Of(a.Raw(2));
    e.User = recent.user.Of(a.Raw(3));
    e.SecurityLevel = a.Int(4);
    e.SourceAddress = recent.address.Of(a.Raw(5));
    e.SourcePort = a.Int(6);
    e.ErrorIndex = a.Int(7);
    e.ErrorStatus = a.Int(8);
    e.ErrorDescription = recent.description.Of(a.Raw(9));
    return e;
}

}  // namespace

int TvxSNMPMgrAccess::Dispatch(void* context, int eventId, int argc, std::intptr_t* argv, int* argLens)
{
    auto* mgr = static_cast<TvxSNMPMgr*>(context);
    if (mgr == nullptr || eventId == SNMPMGR_EID_NOOP)
        return 0;
    // A handler's exception has nowhere to go inside the engine's receive
    // loop; it is logged and the loop goes on.
    try {
        DispatchEvent(*mgr, eventId, argc, argv, argLens);
    } catch (const std::exception& e) {
        qWarning("TvxSNMPMgr: event %d handler failed: %s", eventId, e.what());
    } catch (...) {
        qWarning("TvxSNMPMgr: event %d handler failed", eventId);
    }
    return 0;
}

void TvxSNMPMgrAccess::DispatchEvent(TvxSNMPMgr& mgr, int eventId, int argc, std::intptr_t* argv,
                                     int* argLens)
{
    TArgs a(argc, argv, argLens);
    switch (eventId) {
    case SNMPMGR_EID_BADPACKET:
        if (mgr.OnBadPacket) {
            TBadPacketEvent e{a.Bytes(0), a.Text(1), a.Int(2), a.Int(3), a.Text(4), a.Int(5) != 0};
            std::function(mgr.OnBadPacket)(mgr, e);
            a.Store(5, e.Report ? 1 : 0);
        }
        break;
    case SNMPMGR_EID_DISCOVERYREQUEST:
        if (mgr.OnDiscoveryRequest) {
            TDiscoveryRequestEvent e{a.Bytes(0), a.Int(1),  a.Int(2), a.Text(3),
                                     a.Int(4),   a.Text(5), a.Int(6), a.Int(7) != 0};
            std::function(mgr.OnDiscoveryRequest)(mgr, e);
            a.Store(7, e.Respond ? 1 : 0);
        }
        break;
    case SNMPMGR_EID_DISCOVERYRESPONSE:
        if (mgr.OnDiscoveryResponse)
            std::function(mgr.OnDiscoveryResponse)(mgr, TDiscoveryResponseEvent{a.Bytes(0), a.Int(1),
                                                                                a.Int(2), a.Text(3), a.Int(4),
                                                                                a.Text(5), a.Int(6)});
        break;
    case SNMPMGR_EID_ERROR:
        if (mgr.OnError)
            std::function(mgr.OnError)(mgr, TErrorEvent{a.Int(0), a.Text(1)});
        break;
    case SNMPMGR_EID_INFORMREQUEST:
        if (mgr.OnInformRequest) {
            TInformRequestEvent e{a.Int(0),  a.Int(1), a.Text(2), a.Text(3), a.Int(4),
                                  a.Text(5), a.Int(6), a.Int(7),  a.Int(8),  a.Text(9)};
            std::function(mgr.OnInformRequest)(mgr, e);
            a.Store(7, e.ErrorIndex);
            a.Store(8, e.ErrorStatus);
        }
        break;
    case SNMPMGR_EID_PACKETTRACE:
        if (mgr.OnPacketTrace)
            std::function(mgr.OnPacketTrace)(
                mgr, TPacketTraceEvent{a.Bytes(0), a.Int(1), recentTraceAddress.Of(a.Raw(2)), a.Int(3)});
        break;
    case SNMPMGR_EID_REPORT:
        if (mgr.OnReport)
            std::function(mgr.OnReport)(mgr, ResponseEvent(a));
        break;
    case SNMPMGR_EID_RESPONSE:
        if (mgr.OnResponse)
            std::function(mgr.OnResponse)(mgr, ResponseEvent(a));
        break;
    case SNMPMGR_EID_TRAP:
        if (mgr.OnTrap)
            std::function(mgr.OnTrap)(mgr, TTrapEvent{a.Int(0), a.Int(1), a.Text(2), a.Text(3), a.Int(4),
                                                      a.Text(5), a.Int64(6), a.Text(7), a.Int(8)});
        break;
    default: break;
    }
}

}  // namespace vxsnmp
