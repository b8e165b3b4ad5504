// Where and how notifications are received, from the settings and the
// command line:
//
//   --traps, /TRAPS      opens the traps window at start
//   --trap-port N        listens on port N for this run (1..65535)
//   --trap-log FILE      appends every notification to FILE as CSV
//   --trap-user NAME, --trap-auth PROTOCOL:PASS, --trap-priv PROTOCOL:PASS
//                        an SNMPv3 user for this run (TrapUsers.h)
//
// Switch names match in any letter case. The port chosen in the traps
// window is kept in the settings as traps/port (default 162); --trap-port
// wins over it for the run and is not kept.
#pragma once

#include "traps/TrapUsers.h"

#include <QString>
#include <QStringList>

struct TTrapOptions {
    bool openWindow = false;
    int port = 0;  // 0: the one kept in the settings
    QString logPath;
    QVector<TTrapUser> users;  // from the command line, beside the kept ones
    // One line per switch whose value is missing or out of range.
    QStringList warnings;
};

inline constexpr int kDefaultTrapPort = 162;

TTrapOptions ParseTrapOptions(const QStringList& args);

// The port kept as traps/port, or 162.
int SavedTrapPort();
void SaveTrapPort(int port);
