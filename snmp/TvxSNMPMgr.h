// TvxSNMPMgr: the SNMP manager component. A thin object over the request
// engine: every property read or write and every method call goes through the
// engine's flat interface (SNMPMgr.h); a non-zero engine result becomes an
// EvxSNMPMgr exception; the engine's event callbacks become the component's
// events, raised on the thread that created the component.
//
// The component keeps no copy of any property. It must be used from the thread
// that created it only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace vxsnmp {

// Error of the component: code and text; what() is "<code>: <text>".
class EvxSNMPMgr : public std::runtime_error {
public:
    EvxSNMPMgr(int code, const QString& text);
    int Code() const { return code; }
    QString Text() const { return text; }
    QString Message() const;  // "<code>: <text>"

private:
    int code;
    QString text;
};

struct TvxSNMPMgrAccess;

// OnError codes of a received datagram that could not be parsed: a version
// other than 0 and 1, a PDU tag outside 0xA0..0xA8, a malformed element, a
// missing element.
inline constexpr int kParseErrorCodes[] = {305, 306, 446, 447};
constexpr bool IsParseErrorCode(int code)
{
    for (int parseError : kParseErrorCodes) {
        if (code == parseError)
            return true;
    }
    return false;
}
// OnBadPacket code of a datagram refused as not the awaited answer: another
// origin (also any datagram refused by AcceptRemoteOnly), version or id.
inline constexpr int kMismatchCode = 318;

// Base of the components; holds nothing the program uses.
class TvxCore : public QObject {
public:
    explicit TvxCore(QObject* owner = nullptr) : QObject(owner) {}
};

// Event parameters, in the order the events list them (after the sender).
struct TBadPacketEvent {
    QByteArray Packet;
    QString SourceAddress;
    int SourcePort = 0;
    int ErrorCode = 0;
    QString ErrorDescription;
    bool Report = false;  // var
};
struct TDiscoveryRequestEvent {
    QByteArray EngineId;
    int EngineBoots = 0, EngineTime = 0;
    QString User;
    int SecurityLevel = 0;
    QString SourceAddress;
    int SourcePort = 0;
    bool Respond = false;  // var
};
struct TDiscoveryResponseEvent {
    QByteArray EngineId;
    int EngineBoots = 0, EngineTime = 0;
    QString User;
    int SecurityLevel = 0;
    QString SourceAddress;
    int SourcePort = 0;
};
struct TErrorEvent {
    int ErrorCode = 0;
    QString Description;
};
struct TInformRequestEvent {
    int RequestId = 0, SNMPVersion = 0;
    QString Community, User;
    int SecurityLevel = 0;
    QString SourceAddress;
    int SourcePort = 0;
    int ErrorIndex = 0, ErrorStatus = 0;  // var
    QString ErrorDescription;
};
struct TPacketTraceEvent {
    QByteArray Packet;
    int Direction = 0;  // 1 = received, 2 = sent
    QString PacketAddress;
    int PacketPort = 0;
};
// OnResponse and OnReport.
struct TResponseEvent {
    int RequestId = 0;
    int SNMPVersion = 0;  // the version field as on the wire: 0 = v1, 1 = v2c, 3 = v3
    QString Community, User;
    int SecurityLevel = 0;
    QString SourceAddress;
    int SourcePort = 0;
    int ErrorIndex = 0, ErrorStatus = 0;
    QString ErrorDescription;
};
struct TTrapEvent {
    int RequestId = 0, SNMPVersion = 0;
    QString Community, User;
    int SecurityLevel = 0;
    QString TrapOID;
    std::int64_t TimeStamp = 0;
    QString SourceAddress;
    int SourcePort = 0;
};

class TvxSNMPMgr : public TvxCore {
public:
    // Creates the engine and assigns the defaults (Community "tamvel",
    // LocalPort 162, RemotePort 161, SNMPVersion 2, Timeout 60, ...).
    // Throws EvxSNMPMgr(-1, "...SNMPMgr: Error creating component") when the
    // engine cannot be created.
    explicit TvxSNMPMgr(QObject* owner = nullptr);
    ~TvxSNMPMgr() override;
    TvxSNMPMgr(const TvxSNMPMgr&) = delete;
    TvxSNMPMgr& operator=(const TvxSNMPMgr&) = delete;

    // Properties. Writes throw EvxSNMPMgr when the engine refuses them; reads
    // never throw except the index check of ObjId / ObjValue (code 280).
    bool Active() const;
    void SetActive(bool value);
    QString Community() const;
    void SetCommunity(const QString& value);
    QString LocalHost() const;
    void SetLocalHost(const QString& value);
    int LocalPort() const;
    void SetLocalPort(int value);
    QString RemoteHost() const;
    void SetRemoteHost(const QString& value);
    int RemotePort() const;
    void SetRemotePort(int value);
    int Timeout() const;  // seconds; 0 = asynchronous
    void SetTimeout(int value);
    int RequestId() const;
    void SetRequestId(int value);
    int SNMPVersion() const;  // 1 = v1, 2 = v2c, 3 = v3
    void SetSNMPVersion(int value);

    int ObjCount() const;
    void SetObjCount(int value);
    QString ObjId(int index) const;  // 1-based
    void SetObjId(int index, const QString& value) { SetObjId(index, QStringView(value)); }
    void SetObjId(int index, QStringView value);
    int ObjType(int index) const;
    void SetObjType(int index, int value);
    QByteArray ObjValue(int index) const;  // may hold zero bytes
    void SetObjValue(int index, const QByteArray& value);

    // SNMPv3 properties. The remote engine fields are filled by discovery.
    QByteArray LocalEngineId() const;
    void SetLocalEngineId(const QByteArray& value);
    QString Password() const;
    void SetPassword(const QString& value);
    int RemoteEngineBoots() const;
    void SetRemoteEngineBoots(int value);
    QByteArray RemoteEngineId() const;
    void SetRemoteEngineId(const QByteArray& value);
    int RemoteEngineTime() const;
    void SetRemoteEngineTime(int value);
    QString User() const;
    void SetUser(const QString& value);
    int SecurityLevel() const;  // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
    void SetSecurityLevel(int value);
    int AuthProtocol() const;  // usm::TAuthProtocol
    void SetAuthProtocol(int value);
    void SetAuthPassword(const QString& value);
    int PrivProtocol() const;  // usm::TPrivProtocol
    void SetPrivProtocol(int value);
    void SetPrivPassword(const QString& value);
    QString ContextName() const;
    void SetContextName(const QString& value);

    // Methods; each throws EvxSNMPMgr on a non-zero engine result.
    QString Config(const QString& setting);
    void Reset();
    void SendGetRequest();
    void SendGetNextRequest();
    void Discover();  // SNMPv3 engine discovery of RemoteHost
    // GetBulkRequest of the binding table's OIDs (SNMPv2c and later): the
    // first nonRepeaters OIDs answered once, the others maxRepetitions times.
    void SendGetBulkRequest(int nonRepeaters, int maxRepetitions);

    // Events, raised on the owning thread. Unassigned events are skipped.
    std::function<void(TvxSNMPMgr&, TBadPacketEvent&)> OnBadPacket;
    std::function<void(TvxSNMPMgr&, TDiscoveryRequestEvent&)> OnDiscoveryRequest;
    std::function<void(TvxSNMPMgr&, const TDiscoveryResponseEvent&)> OnDiscoveryResponse;
    std::function<void(TvxSNMPMgr&, const TErrorEvent&)> OnError;
    std::function<void(TvxSNMPMgr&, TInformRequestEvent&)> OnInformRequest;
    std::function<void(TvxSNMPMgr&, const TPacketTraceEvent&)> OnPacketTrace;
    std::function<void(TvxSNMPMgr&, const TResponseEvent&)> OnReport;
    std::function<void(TvxSNMPMgr&, const TResponseEvent&)> OnResponse;
    std::function<void(TvxSNMPMgr&, const TTrapEvent&)> OnTrap;

private:
    friend struct TvxSNMPMgrAccess;  // the flat-interface plumbing (TvxSNMPMgr.cpp)
    std::intptr_t handle = 0;        // engine handle, 0 when creating the engine failed
};

}  // namespace vxsnmp
