// Raising the engine's events: each builds its arguments by name and hands
// them to the callback; var arguments are read back by name afterwards.
#include "snmp/SnmpMgrEngine.h"

#include <cstdlib>

namespace vxsnmp {

namespace {

// The arguments shared by Response, Report and InformRequest. The community
// is handed over as text, so it ends at its first zero byte.
TEventArgs<TResponseArg> ResponseArgs(const TIncoming& incoming, const std::string& user, int level,
                                      const std::string& address, int port)
{
    using A = TResponseArg;
    TEventArgs<A> args;
    args.SetInt(A::RequestId, incoming.requestId);
    args.SetInt(A::SNMPVersion, incoming.version);
    args.SetText(A::Community, incoming.community.c_str());
    args.SetText(A::User, user);
    args.SetInt(A::SecurityLevel, level);
    args.SetText(A::SourceAddress, address);
    args.SetInt(A::SourcePort, port);
    args.SetInt(A::ErrorIndex, incoming.errorIndex);
    args.SetInt(A::ErrorStatus, incoming.errorStatus);
    args.SetText(A::ErrorDescription, std::string(StatusName(incoming.errorStatus)));
    return args;
}

}  // namespace

template <typename TSlot>
void TSnmpMgrEngine::Raise(int eventId, TEventArgs<TSlot>& args)
{
    if (callback == nullptr)
        return;
    try {
        callback(context, eventId, TEventArgs<TSlot>::kCount, args.Values(), args.Lengths());
    } catch (...) {
        // A receiver's failure must not unwind through the receive loop.
    }
}

void TSnmpMgrEngine::RaiseError(int code, const std::string& text)
{
    TEventArgs<TErrorArg> args;
    args.SetInt(TErrorArg::ErrorCode, code);
    args.SetText(TErrorArg::Description, text);
    Raise(SNMPMGR_EID_ERROR, args);
}

void TSnmpMgrEngine::RaisePacketTrace(const std::uint8_t* data, std::size_t length, int direction,
                                      const std::string& address, int port)
{
    using A = TPacketTraceArg;
    TEventArgs<A> args;
    args.SetBytes(A::Packet, data, length);
    args.SetInt(A::Direction, direction);
    args.SetText(A::PacketAddress, address);
    args.SetInt(A::PacketPort, port);
    Raise(SNMPMGR_EID_PACKETTRACE, args);
}

void TSnmpMgrEngine::RaiseBadPacket(const std::uint8_t* data, std::size_t length, const std::string& address,
                                    int port, int code, const std::string& text)
{
    using A = TBadPacketArg;
    TEventArgs<A> args;
    args.SetBytes(A::Packet, data, length);
    args.SetText(A::SourceAddress, address);
    args.SetInt(A::SourcePort, port);
    args.SetInt(A::ErrorCode, code);
    args.SetText(A::ErrorDescription, text);
    args.SetInt(A::Report, 0);
    Raise(SNMPMGR_EID_BADPACKET, args);
    // Report asks for an SNMPv3 report, which this manager never sends.
}

void TSnmpMgrEngine::RaiseResponse(int eventId, const std::string& address, int port)
{
    TEventArgs<TResponseArg> args = ResponseArgs(incoming, incomingUser, incomingLevel, address, port);
    Raise(eventId, args);
}

void TSnmpMgrEngine::RaiseTrap(const std::string& address, int port)
{
    std::string trapOid;
    std::int64_t timeStamp = 0;
    std::int32_t requestId = incoming.requestId;
    if (incoming.pduTag == static_cast<std::uint8_t>(Tag::TrapV1) && incoming.version == 0) {
        // SNMPv1 trap: the generic traps have standard notification OIDs
        // (coldStart ... egpNeighborLoss); enterprise traps are enterprise.0.specific.
        requestId = 0;
        timeStamp = incoming.timeStamp;
        if (incoming.genericTrap >= 0 && incoming.genericTrap <= 5)
            trapOid = "1.3.6.1.6.3.1.1.5." + std::to_string(incoming.genericTrap + 1);
        else
            trapOid = incoming.enterprise + ".0." + std::to_string(incoming.specificTrap);
    } else {
        // SNMPv2 notification: sysUpTime.0 and snmpTrapOID.0 lead the bindings.
        if (table.count >= 1 && table.Slot(0).type == static_cast<std::uint8_t>(Tag::TimeTicks))
            timeStamp = std::strtoll(table.Slot(0).value.c_str(), nullptr, 10);
        if (table.count >= 2 && table.Slot(1).type == static_cast<std::uint8_t>(Tag::ObjectId))
            trapOid = table.Slot(1).value.c_str();
    }
    using A = TTrapArg;
    TEventArgs<A> args;
    args.SetInt(A::RequestId, requestId);
    args.SetInt(A::SNMPVersion, incoming.version);
    args.SetText(A::Community, incoming.community.c_str());
    args.SetText(A::User, incomingUser);
    args.SetInt(A::SecurityLevel, incomingLevel);
    args.SetText(A::TrapOID, trapOid);
    args.SetInt(A::TimeStamp, timeStamp);
    args.SetText(A::SourceAddress, address);
    args.SetInt(A::SourcePort, port);
    Raise(SNMPMGR_EID_TRAP, args);
}

// The handler may change ErrorStatus and ErrorIndex of the answer; an
// ErrorStatus of -1 asks for no answer at all.
void TSnmpMgrEngine::RaiseInform(const std::string& address, std::uint16_t port,
                                 const TNetAddress& fromAddress)
{
    TEventArgs<TResponseArg> args = ResponseArgs(incoming, incomingUser, incomingLevel, address, port);
    Raise(SNMPMGR_EID_INFORMREQUEST, args);
    if (destroyPending)
        return;
    const std::int32_t errorStatus = args.Int(TResponseArg::ErrorStatus);
    if (errorStatus != -1)
        AnswerInform(fromAddress, port, errorStatus, args.Int(TResponseArg::ErrorIndex));
}

}  // namespace vxsnmp
