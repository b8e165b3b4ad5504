// The SNMPv3 elements of a vexgrid file's shooter.
#pragma once

#include "core/Settings.h"
#include "config/VexgridXML.h"

// Agents and the key derivation refuse shorter passwords (RFC 3414).
inline constexpr int kMinV3PasswordLength = 8;

// IsV3PasswordLongEnough: at least kMinV3PasswordLength bytes in UTF-8, as
// the password goes into the key derivation.
bool IsV3PasswordLongEnough(const QString& password);

// ReadV3Settings reads user, security level, protocols, passwords (or the
// environment variables named by authpasswordenv / privpasswordenv) and
// context name into `v3`. Throws EVexgridXML naming the element when the user
// is missing, a level or protocol is not one of its names, or a level needs a
// password that is not there or is too short.
void ReadV3Settings(const TXMLShooterType& shooter, TV3Settings& v3);

// The names the file uses for a level or protocol number; empty for none.
QString SecurityLevelText(int level);
QString AuthProtocolText(int protocol);
QString PrivProtocolText(int protocol);

// ReadablePasswordWarning gives a warning when the file at `path` holds a
// password and users other than its owner may read it; else empty text.
QString ReadablePasswordWarning(const QString& path, const TV3Settings& v3);
