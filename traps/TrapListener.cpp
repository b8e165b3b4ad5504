#include "traps/TrapListener.h"

#include "snmp/SnmpMessage.h"
#include "snmp/TvxSNMPMgr.h"

#include <QDateTime>

#include <algorithm>
#include <span>

#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// The port a socket is bound to, from its handle; 0 when unknown.
int PortOfSocket(const QString& handle)
{
    bool ok = false;
    const int fd = handle.toInt(&ok);
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (!ok || fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    return 0;
}

constexpr int kReceived = 1;  // OnPacketTrace's direction of a received datagram
// Room in the kernel for a burst: about 5,000 notifications of 100 bytes wait
// there while the window draws, instead of being lost (Linux caps it at
// net.core.rmem_max).
const QString kBurstBuffer = QStringLiteral("InBufferSize=4194304");

}  // namespace

TTrapListener::TTrapListener(std::shared_ptr<const TMibNames> names, TSink trapSink)
    : component(std::make_unique<vxsnmp::TvxSNMPMgr>()), reader(std::move(names)), sink(std::move(trapSink)),
      v1Table(std::make_unique<vxsnmp::TBindingTable>()), v1Header(std::make_unique<vxsnmp::TIncoming>())
{
    WireEvents();
}

TTrapListener::~TTrapListener() = default;

void TTrapListener::WireEvents()
{
    using namespace vxsnmp;
    component->OnPacketTrace = [this](TvxSNMPMgr&, const TPacketTraceEvent& e) {
        if (e.Direction == kReceived)
            lastDatagram = e.Packet;
    };
    component->OnTrap = [this](TvxSNMPMgr&, const TTrapEvent& e) {
        TakeNotification(e.SNMPVersion == 0 ? TTrapKind::V1Trap : TTrapKind::V2Trap, e.Community,
                         e.SourceAddress, e.SourcePort);
    };
    // ErrorStatus stays as received (0): the component answers with the
    // bindings once the handler is done.
    component->OnInformRequest = [this](TvxSNMPMgr&, TInformRequestEvent& e) {
        TakeNotification(TTrapKind::Inform, e.Community, e.SourceAddress, e.SourcePort);
    };
    component->OnError = [this](TvxSNMPMgr&, const TErrorEvent& e) {
        if (std::find(std::begin(kParseErrorCodes), std::end(kParseErrorCodes), e.ErrorCode)
            != std::end(kParseErrorCodes))
            ++malformed;
        else
            error = e.Description;
    };
    component->OnBadPacket = [this](TvxSNMPMgr&, TBadPacketEvent&) { ++refused; };
}

bool TTrapListener::Listen(int port)
{
    wantedPort = port;
    boundPort = 0;
    error.clear();
    try {
        component->SetActive(false);
        // A port that is taken, or below 1024 without privileges, falls back
        // to any free port rather than to no listener at all.
        component->Config(QStringLiteral("ForceLocalPort=false"));
        component->Config(kBurstBuffer);
        component->SetLocalPort(port);
        component->SetActive(true);
        boundPort = PortOfSocket(component->Config(QStringLiteral("SocketHandle")));
    } catch (const vxsnmp::EvxSNMPMgr& e) {
        error = e.Text();
    }
    return boundPort != 0;
}

QString TTrapListener::StatusText() const
{
    if (boundPort == 0)
        return QStringLiteral("Not listening for notifications: %1").arg(error);
    if (boundPort == wantedPort)
        return QStringLiteral("Listening on 0.0.0.0:%1").arg(boundPort);
    return QStringLiteral("Port %1 is taken or needs privileges; listening on %2: point agents at it, "
                          "or choose a port")
        .arg(wantedPort)
        .arg(boundPort);
}

void TTrapListener::SetNames(std::shared_ptr<const TMibNames> names) { reader.SetNames(std::move(names)); }

void TTrapListener::TakeNotification(TTrapKind kind, const QString& community, const QString& address,
                                     int port)
{
    TTrapInput input;
    input.kind = kind;
    input.community = community;
    input.address = address;
    input.port = port;
    const int count = component->ObjCount();
    input.bindings.reserve(count);
    for (int i = 1; i <= count; ++i)
        input.bindings.append({component->ObjId(i), component->ObjType(i), component->ObjValue(i)});
    if (kind == TTrapKind::V1Trap)
        ReadV1Header(input);
    sink(reader.Read(input, QDateTime::currentDateTime()));
}

// The component names an SNMPv1 trap but hands over neither its enterprise
// nor its agent address; they are read from the datagram it just parsed.
void TTrapListener::ReadV1Header(TTrapInput& input)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(lastDatagram.constData());
    const std::span<const std::uint8_t> datagram(bytes, static_cast<std::size_t>(lastDatagram.size()));
    if (vxsnmp::ParseMessage(datagram, *v1Header, *v1Table) != vxsnmp::kOk)
        return;
    input.enterprise = QString::fromStdString(v1Header->enterprise);
    input.agentAddress = QString::fromStdString(v1Header->agentAddress);
    input.genericTrap = v1Header->genericTrap;
    input.specificTrap = v1Header->specificTrap;
    input.timeStamp = v1Header->timeStamp;
}
