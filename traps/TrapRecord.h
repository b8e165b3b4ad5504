// TTrapRecord: one received notification as the traps window shows it and
// the trap log writes it: when and where from it came, how it was sent, its
// name and its bindings, each with its name and its value as received and in
// readable form.
#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

#include <cstdint>

// How a notification was sent.
enum class TTrapKind { V1Trap, V2Trap, Inform, V3Trap };

// What became of a notification: shown, shown and answered (an inform), or
// refused by the SNMPv3 security checks (logged, never shown).
enum class TTrapState { Shown, Acknowledged, FailedAuthentication };

struct TTrapBinding {
    QString oid;       // dotted decimal, as received
    QString name;      // "ifIndex.2"; the OID when no MIB names it
    int type = 0;      // the BER tag of the value (snmptype in CellValue.h)
    QString text;      // the value as received, as the table shows it
    QString readable;  // "up(1)", "0:01:02.03"; empty when text reads as well

    // The readable form when there is one, else the received text.
    const QString& Shown() const { return readable.isEmpty() ? text : readable; }
};

struct TTrapRecord {
    QDateTime received;  // local time
    QString address;     // the sender's address, "127.0.0.1", "::1"
    int port = 0;
    int version = 2;        // 1 = SNMPv1, 2 = SNMPv2c, 3 = SNMPv3
    QString community;      // for SNMPv3 the user
    int securityLevel = 0;  // SNMPv3: 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
    TTrapKind kind = TTrapKind::V2Trap;
    TTrapState state = TTrapState::Shown;
    // snmpTrapOID.0 (for SNMPv1 the trap mapped to its SNMPv2 form), its
    // name ("linkDown") and its name with the module ("IF-MIB::linkDown").
    QString trapOid;
    QString name;
    QString qualifiedName;
    std::int64_t upTime = 0;  // sysUpTime.0 (v1: time-stamp), hundredths of seconds
    QVector<TTrapBinding> bindings;

    // "127.0.0.1:162", "[::1]:162".
    QString Source() const;
    // "name=value; name=value" of every binding, readable values.
    QString BindingsText() const;
};

// "v1 trap", "v2c trap", "inform", "v3 trap".
QString KindText(TTrapKind kind);
// "v1", "v2c", "v3".
QString VersionText(int version);
// "shown", "acknowledged", "failed authentication".
QString StateText(TTrapState state);
