// TTrapCenter: the received notifications of one run, wired together: the
// listener hands each notification to the trap log (when there is one) and
// to the list the traps window shows; one that failed the SNMPv3 checks goes
// to the log only. Made on the thread of the window.
#pragma once

#include "traps/TrapList.h"
#include "traps/TrapListener.h"
#include "traps/TrapLog.h"
#include "traps/TrapOptions.h"

#include <memory>

class TTrapCenter {
public:
    TTrapCenter(TTrapOptions options, std::shared_ptr<const TMibNames> names);

    // Listens on --trap-port's port, else the one kept as traps/port, with
    // this program's engine and the SNMPv3 users kept and given on the
    // command line, and opens the trap log. False when no port could be bound.
    bool Start();
    // Listens on `port` from now on and keeps it as traps/port.
    bool ChangePort(int port);
    // Takes these SNMPv3 users from now on (beside the command line's) and
    // keeps them. Returns a line per user that could not be taken.
    QStringList ChangeUsers(const QVector<TTrapUser>& users);
    QVector<TTrapUser> KeptUsers() const { return keptUsers; }
    // Why users could not be taken at the last start or change.
    const QStringList& UserProblems() const { return userProblems; }

    void SetNames(std::shared_ptr<const TMibNames> names) { listener.SetNames(std::move(names)); }

    const TTrapOptions& Options() const { return options; }
    TTrapList& List() { return list; }
    const TTrapListener& Listener() const { return listener; }
    const TTrapLog& Log() const { return log; }

private:
    TTrapOptions options;
    QVector<TTrapUser> keptUsers;
    QStringList userProblems;
    TTrapList list;
    TTrapLog log;
    TTrapListener listener;  // last: its sink uses the list and the log
};
