// TTrapListener: where notifications arrive. A manager component of its own
// (TvxSNMPMgr), not the one that asks the agent: that one takes datagrams
// from the agent's address only and, to answer an inform, would point its
// requests at the inform's sender; a second socket keeps requests and their
// answers as they are and lets the notification port be chosen freely.
//
// The component parses each datagram and raises OnTrap / OnInformRequest
// (it answers informs itself, after the handler); the listener reads the
// notification into a TTrapRecord and hands it to its sink. Datagrams that
// are no notification are counted, never shown.
//
// SNMPv3: with an engine ID (SetEngine) the component takes SNMPv3 traps and
// informs of the users SetUsers names, and answers the engine discovery
// before an inform. A message that fails the security checks (unknown user,
// wrong password, outside the time window) is counted and handed to the sink
// as a record in state FailedAuthentication, without bindings.
//
// One socket takes both families: it is bound to the IPv6 any address (::)
// with IPv4 peers allowed, or, where the system has no IPv6, to 0.0.0.0.
#pragma once

#include "traps/TrapReader.h"
#include "traps/TrapUsers.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace vxsnmp {
class TvxSNMPMgr;
struct TBadPacketEvent;
struct TBindingTable;
struct TIncoming;
}  // namespace vxsnmp

class TTrapListener {
public:
    using TSink = std::function<void(TTrapRecord)>;

    // Builds the component (on the calling thread, which must run an event
    // loop); nothing is bound until Listen.
    TTrapListener(std::shared_ptr<const TMibNames> names, TSink sink);
    ~TTrapListener();
    TTrapListener(const TTrapListener&) = delete;
    TTrapListener& operator=(const TTrapListener&) = delete;

    // Listen binds `port` on every IPv6 and IPv4 address, or, when that port
    // is taken or needs privileges, any free port (BoundPort says which).
    // Returns whether a port is bound; an open socket is closed first.
    bool Listen(int port);
    int WantedPort() const { return wantedPort; }
    // The port bound now; 0 when none.
    int BoundPort() const { return boundPort; }
    // "Listening on [::]:162 (IPv6 and IPv4)", the fallback's explanation,
    // or why nothing listens.
    QString StatusText() const;

    void SetNames(std::shared_ptr<const TMibNames> names);

    // This receiver's SNMPv3 engine: the ID informs are sent to and its
    // boots. Without it SNMPv3 notifications are not taken.
    void SetEngine(const QByteArray& engineId, int boots);
    QByteArray EngineId() const { return engineId; }
    // The users whose SNMPv3 notifications are taken (replacing those
    // before). Returns one line per user that could not be taken.
    QStringList SetUsers(const QVector<TTrapUser>& users);
    // SNMPv3 messages refused by the security checks, and why the last was.
    qint64 AuthFailures() const { return authFailures; }
    QString LastAuthFailure() const { return lastAuthFailure; }

    // Datagrams that could not be parsed, and those that parsed but are no
    // notification (requests, stray answers).
    qint64 Malformed() const { return malformed; }
    qint64 Refused() const { return refused; }

private:
    void WireEvents();
    void TakeNotification(TTrapInput input);
    void TakeRefusal(const vxsnmp::TBadPacketEvent& refusal);
    void ReadV1Header(TTrapInput& input);
    bool OpenSocket(int port, const QString& localHost);

    std::unique_ptr<vxsnmp::TvxSNMPMgr> component;
    TTrapReader reader;
    TSink sink;
    QByteArray lastDatagram;  // the datagram being processed, for the SNMPv1 header
    std::unique_ptr<vxsnmp::TBindingTable> v1Table;
    std::unique_ptr<vxsnmp::TIncoming> v1Header;
    int wantedPort = 0;
    int boundPort = 0;
    QString error;
    QString boundHost;  // "::" or "0.0.0.0"
    QByteArray engineId;
    qint64 malformed = 0;
    qint64 refused = 0;
    qint64 authFailures = 0;
    QString lastAuthFailure;
};
