// The SNMPv3 side of receiving notifications: the users whose traps and
// informs are taken, and this program's own engine (for informs, whose
// receiver is the authoritative engine).
//
// Users are kept in the settings (traps/users, one entry each: name, level,
// protocols, passwords) and may be added for one run on the command line:
//
//   --trap-user NAME             a user; the two switches after it belong to it
//   --trap-auth PROTOCOL:PASS    MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512
//   --trap-priv PROTOCOL:PASS    DES, AES (AES-128), AES-192, AES-256
//
// The level follows from the switches: none, --trap-auth (authNoPriv), or
// both (authPriv). The password is everything after the first colon.
//
// The engine ID (traps/engineId) is made once, at random, and kept; the boots
// (traps/engineBoots) go up by one at every start of the program, so that an
// inform sender's clock for this engine never goes back.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct TTrapUser {
    QString name;
    int level = 0;  // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv (the component's numbers)
    int auth = 0;   // 1 MD5 ... 6 SHA-512
    QString authPassword;
    int priv = 0;  // 1 DES ... 4 AES-256
    QString privPassword;

    bool operator==(const TTrapUser&) const = default;
};

// "SHA-256" -> 4, "sha256" -> 4, "AES" -> 2; 0 when unknown.
int AuthProtocolNumber(const QString& name);
int PrivProtocolNumber(const QString& name);
// The names the window shows: "SHA-256", "AES-128"; empty for 0.
QString AuthProtocolName(int protocol);
QString PrivProtocolName(int protocol);
// "noAuthNoPriv", "authNoPriv", "authPriv".
QString LevelName(int level);

// Why a user cannot be used (no name, a protocol missing, a password of fewer
// than 8 characters); empty when it can.
QString TrapUserProblem(const TTrapUser& user);

// The users --trap-user, --trap-auth and --trap-priv name, and a warning
// per switch that could not be read.
QVector<TTrapUser> ParseTrapUsers(const QStringList& args, QStringList& warnings);

QVector<TTrapUser> SavedTrapUsers();
void SaveTrapUsers(const QVector<TTrapUser>& users);

// This program's engine ID: the one kept, or a new one made and kept
// (RFC 3411 form: enterprise 0 with the high bit, format 5, 8 random bytes).
QByteArray TrapEngineId();
// The boots of this start: the kept value plus one, kept.
int NextTrapEngineBoots();
