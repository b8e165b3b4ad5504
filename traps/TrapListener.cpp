#include "traps/TrapListener.h"

#include "snmp/SnmpMessage.h"
#include "snmp/SnmpV3Message.h"
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
const QString kDualStack = QStringLiteral("::");
const QString kIpv4Only = QStringLiteral("0.0.0.0");
constexpr int kSnmpV1 = 0;  // the version field of TTrapEvent as on the wire
constexpr int kSnmpV3 = 3;
// OnBadPacket codes of the SNMPv3 security checks (unknown engine or user,
// wrong digest, outside the time window, ...): usm::kWrongDigest and its kin.
constexpr int kFirstSecurityCode = 464;
constexpr int kLastSecurityCode = 470;

bool IsSecurityCode(int code) { return code >= kFirstSecurityCode && code <= kLastSecurityCode; }

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
        TTrapInput input;
        input.kind = e.SNMPVersion == kSnmpV1 ? TTrapKind::V1Trap
                   : e.SNMPVersion == kSnmpV3 ? TTrapKind::V3Trap
                                              : TTrapKind::V2Trap;
        input.version = e.SNMPVersion == kSnmpV3 ? 3 : 2;
        input.community = e.SNMPVersion == kSnmpV3 ? e.User : e.Community;
        input.securityLevel = e.SecurityLevel;
        input.address = e.SourceAddress;
        input.port = e.SourcePort;
        TakeNotification(std::move(input));
    };
    // ErrorStatus stays as received (0): the component answers with the
    // bindings once the handler is done.
    component->OnInformRequest = [this](TvxSNMPMgr&, TInformRequestEvent& e) {
        TTrapInput input;
        input.kind = TTrapKind::Inform;
        input.version = e.SNMPVersion == kSnmpV3 ? 3 : 2;
        input.community = e.SNMPVersion == kSnmpV3 ? e.User : e.Community;
        input.securityLevel = e.SecurityLevel;
        input.address = e.SourceAddress;
        input.port = e.SourcePort;
        TakeNotification(std::move(input));
    };
    component->OnError = [this](TvxSNMPMgr&, const TErrorEvent& e) {
        if (std::find(std::begin(kParseErrorCodes), std::end(kParseErrorCodes), e.ErrorCode)
            != std::end(kParseErrorCodes))
            ++malformed;
        else
            error = e.Description;
    };
    component->OnBadPacket = [this](TvxSNMPMgr&, TBadPacketEvent& e) {
        if (IsSecurityCode(e.ErrorCode))
            TakeRefusal(e);
        else
            ++refused;
    };
}

bool TTrapListener::Listen(int port)
{
    wantedPort = port;
    // A system without IPv6 cannot open the dual-stack socket.
    return OpenSocket(port, kDualStack) || OpenSocket(port, kIpv4Only);
}

bool TTrapListener::OpenSocket(int port, const QString& localHost)
{
    boundPort = 0;
    error.clear();
    try {
        component->SetActive(false);
        // A port that is taken, or below 1024 without privileges, falls back
        // to any free port rather than to no listener at all.
        component->Config(QStringLiteral("ForceLocalPort=false"));
        component->Config(kBurstBuffer);
        component->SetLocalHost(localHost);
        component->SetLocalPort(port);
        component->SetActive(true);
        boundPort = PortOfSocket(component->Config(QStringLiteral("SocketHandle")));
        boundHost = localHost;
    } catch (const vxsnmp::EvxSNMPMgr& e) {
        error = e.Text();
    }
    return boundPort != 0;
}

QString TTrapListener::StatusText() const
{
    if (boundPort == 0)
        return QStringLiteral("Not listening for notifications: %1").arg(error);
    const QString where = boundHost == kDualStack ? QStringLiteral("[::]:%1 (IPv6 and IPv4)").arg(boundPort)
                                                  : QStringLiteral("0.0.0.0:%1").arg(boundPort);
    if (boundPort == wantedPort)
        return QStringLiteral("Listening on %1").arg(where);
    return QStringLiteral("Port %1 is taken or needs privileges; listening on %2: point agents at it, "
                          "or choose a port")
        .arg(wantedPort)
        .arg(where);
}

void TTrapListener::SetEngine(const QByteArray& id, int boots)
{
    engineId = id;
    component->SetLocalEngineId(id);
    component->Config(QStringLiteral("LocalEngineBoots=%1").arg(boots));
}

QStringList TTrapListener::SetUsers(const QVector<TTrapUser>& users)
{
    QStringList problems;
    component->Config(QStringLiteral("ClearNotificationUsers=1"));
    for (const TTrapUser& user : users) {
        if (const QString problem = TrapUserProblem(user); !problem.isEmpty()) {
            problems.append(problem);
            continue;
        }
        try {
            component->SetSecurityLevel(user.level);
            component->SetAuthProtocol(user.auth);
            component->SetAuthPassword(user.authPassword);
            component->SetPrivProtocol(user.priv);
            component->SetPrivPassword(user.privPassword);
            component->Config(QStringLiteral("AddNotificationUser=") + user.name);
        } catch (const vxsnmp::EvxSNMPMgr& e) {
            problems.append(QStringLiteral("user %1: %2").arg(user.name, e.Text()));
        }
    }
    return problems;
}

void TTrapListener::SetNames(std::shared_ptr<const TMibNames> names) { reader.SetNames(std::move(names)); }

void TTrapListener::TakeNotification(TTrapInput input)
{
    const int count = component->ObjCount();
    input.bindings.reserve(count);
    for (int i = 1; i <= count; ++i)
        input.bindings.append({component->ObjId(i), component->ObjType(i), component->ObjValue(i)});
    if (input.kind == TTrapKind::V1Trap)
        ReadV1Header(input);
    sink(reader.Read(input, QDateTime::currentDateTime()));
}

// What was sent is not trusted: the record names the user and the kind as
// the message's header has them, and holds no bindings.
void TTrapListener::TakeRefusal(const vxsnmp::TBadPacketEvent& refusal)
{
    ++authFailures;
    TTrapRecord record;
    record.received = QDateTime::currentDateTime();
    record.address = refusal.SourceAddress;
    record.port = refusal.SourcePort;
    record.version = 3;
    record.kind = TTrapKind::V3Trap;
    record.state = TTrapState::FailedAuthentication;
    record.name = refusal.ErrorDescription;
    record.qualifiedName = refusal.ErrorDescription;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(refusal.Packet.constData());
    vxsnmp::v3::TParsed parsed;
    if (vxsnmp::v3::ParseMessage({bytes, static_cast<std::size_t>(refusal.Packet.size())}, parsed) == 0) {
        record.community = QString::fromStdString(parsed.usm.userName);
        if (parsed.header.flags & vxsnmp::v3::kReportableFlag)
            record.kind = TTrapKind::Inform;
    }
    lastAuthFailure = QStringLiteral("%1, from %2").arg(refusal.ErrorDescription, record.Source());
    sink(std::move(record));
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
