// The settings of a run: defaults, then either the command line or a vexgrid
// file. Read by the shoot engine and the window; written by start-up only.
#pragma once

#include "core/TRequest.h"

#include <QString>
#include <QStringList>

// SNMPv3 user settings (from the vexgrid file). Protocol numbers are the
// component's: auth 1 MD5, 2 SHA-1, 3 SHA-224, 4 SHA-256, 5 SHA-384,
// 6 SHA-512; priv 1 DES, 2 AES-128, 3 AES-192, 4 AES-256; 0 none.
struct TV3Settings {
    QString user;
    int securityLevel = 0;  // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
    int authProtocol = 0;
    QString authPassword;
    int privProtocol = 0;
    QString privPassword;
    QString contextName;
    QString authPasswordEnv, privPasswordEnv;  // the variables named, if any
    bool passwordInFile = false;               // a password was written in the file itself
    // Shown once after the first shoot (a file with passwords that other
    // users may read); empty when there is nothing to say.
    QString fileWarning;
};

struct TSessionSettings {
    QString programTitle = QStringLiteral("HB_Vexgrid");
    int windowWidth = 680;
    int windowHeight = 450;
    QStringList targetOids;     // target OIDs in file order, without instance
    bool tableMode = false;     // rows are instances found by walking
    QString instanceMask;       // from the last directive of the file
    QString preferredInstance;  // kept; the engine does not use it
    QString exportPath;         // "/EXPORT": CSV file written after every shoot
    QStringList mibPaths;       // MIB folders or files named by the vexgrid file
    // Bindings a walk asks for per round trip with GetBulk (SNMPv2c and
    // later); 0 walks with Get-Next.
    int maxRepetitions = 0;
    // Requests a shoot keeps outstanding at once (1..kMaxParallelRequests);
    // above 1 the columns of an instance table are walked side by side.
    int parallelRequests = 1;
    // Agent settings (community, remoteHost, remotePort, snmpVersion,
    // pollSeconds, retriesLeft) and the OID list of the first shoot.
    TRequest requestTemplate;
    TV3Settings v3;  // used when requestTemplate.snmpVersion is 3
};
