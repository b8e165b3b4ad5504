// Reading a received notification into a TTrapRecord: the bindings named by
// the program's MIB names with readable values, the notification named by
// snmpTrapOID.0, and an SNMPv1 trap first put into its SNMPv2 form (RFC 3584,
// section 3.1) so that both versions read alike.
#pragma once

#include "traps/TrapRecord.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

class TMibNames;

// One binding as the component hands it over: the value as bytes, display
// text for most types, raw octets for OCTET STRING and Opaque.
struct TRawBinding {
    QString oid;
    int type = 0;
    QByteArray raw;
};

// A notification as it came off the wire.
struct TTrapInput {
    TTrapKind kind = TTrapKind::V2Trap;
    int version = 2;    // 1, 2 (SNMPv2c) or 3
    QString community;  // for SNMPv3 the user
    int securityLevel = 0;
    QString address;
    int port = 0;
    QVector<TRawBinding> bindings;  // SNMPv2: sysUpTime.0 and snmpTrapOID.0 lead
    // The SNMPv1 trap header (kind V1Trap only).
    QString enterprise;
    QString agentAddress;
    int genericTrap = 0;
    int specificTrap = 0;
    qint64 timeStamp = 0;
};

// V1TrapOid: the snmpTrapOID.0 of an SNMPv1 trap. A generic trap 0..5 is
// snmpTraps.(generic + 1) (coldStart ... egpNeighborLoss); an
// enterpriseSpecific(6) one, or a generic number no standard names, is
// enterprise.0.specific.
QString V1TrapOid(const QString& enterprise, int genericTrap, int specificTrap);

// V1AsV2Bindings: the bindings of an SNMPv1 trap in its SNMPv2 form:
// sysUpTime.0 (the time-stamp), snmpTrapOID.0, the trap's own bindings, then
// snmpTrapAddress.0 (the agent address), snmpTrapCommunity.0 and
// snmpTrapEnterprise.0.
QVector<TRawBinding> V1AsV2Bindings(const TTrapInput& input);

// The text of a value as received: OCTET STRING and Opaque as text when
// printable UTF-8, else hex bytes ("00 1A 2B"); the other types arrive as
// text already.
QString ReceivedText(const QByteArray& raw, int type);

class TTrapReader {
public:
    // names may be null: bindings are then named by their OIDs.
    explicit TTrapReader(std::shared_ptr<const TMibNames> names);

    // The names loaded from the MIB modules replace the ones in use.
    void SetNames(std::shared_ptr<const TMibNames> names);

    TTrapRecord Read(const TTrapInput& input, const QDateTime& received) const;

    // "ifIndex.2" ("linkDown"), or the OID itself when no MIB names it;
    // with `module`, "IF-MIB::ifIndex.2".
    QString NameOf(const QString& oid, bool module = false) const;

private:
    TTrapBinding Binding(const TRawBinding& raw) const;
    QString Readable(const TRawBinding& raw, const QString& text) const;

    std::shared_ptr<const TMibNames> names;
};
