// The settings of a run: defaults, then either the command line or a vexgrid
// file. Read by the shoot engine and the window; written by start-up only.
#pragma once

#include "TRequest.h"

#include <QString>
#include <QStringList>

struct TSessionSettings {
    QString programTitle = QStringLiteral("HB_Vexgrid");
    int windowWidth = 680;
    int windowHeight = 450;
    QStringList targetOids;     // target OIDs in file order, without instance
    bool tableMode = false;     // rows are instances found by walking
    QString instanceMask;       // from the last directive of the file
    QString preferredInstance;  // kept; the engine does not use it
    QString exportPath;         // "/EXPORT": CSV file written after every shoot
    // Bindings a walk asks for per round trip with GetBulk (SNMPv2c and
    // later); 0 walks with Get-Next.
    int maxRepetitions = 0;
    // Agent settings (community, remoteHost, remotePort, snmpVersion,
    // pollSeconds, retriesLeft) and the OID list of the first shoot.
    TRequest requestTemplate;
};
