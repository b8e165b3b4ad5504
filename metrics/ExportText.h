// Pieces the view's exports share: quoted texts and the SNMPv3 user's
// credentials, written by the SNMP exporter module (YAML) and the Telegraf
// input (TOML) alike.
#pragma once

#include <QByteArray>
#include <QString>

struct TV3Settings;

// text in double quotes, its backslashes and quotes escaped (YAML and TOML
// read it alike).
QByteArray QuotedText(const QString& text);

// The keys one export format gives the SNMPv3 credentials, and how it writes
// a line: indent, key, separator, value.
struct TV3Keys {
    const char* indent;
    const char* separator;  // ": " or " = "
    bool quoteWords;        // the level and protocol names in quotes as well
    const char* user;
    const char* level;
    const char* authProtocol;
    const char* authPassword;
    const char* privProtocol;
    const char* privPassword;
    const char* context;
};

// The lines of v3's user, security level, protocols, passwords and context
// in keys' format. A password is written only when includePasswords is set;
// else a placeholder stands in, with a comment saying so. A protocol the
// level does not use is left out with its password.
QByteArray V3CredentialLines(const TV3Settings& v3, const TV3Keys& keys, bool includePasswords);
