// Helpers of the integration suite: vexgrid files written into a temporary
// folder for agents on loopback ports, the agents with the data the suite
// expects, and waiting on the real main window while its event loop runs.
#pragma once

#include "EventPump.h"

#include "TSnmpdAgent.h"
#include "TSnmpsimAgent.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TForm1;

// One shooter target; an empty instance makes the file a table-mode file.
struct TVexgridTarget {
    QString oid;
    QString instance;
};

// The agent a vexgrid file points at.
struct TVexgridAgent {
    int port = 161;
    int snmpVersion = 1;
    QString community = QStringLiteral("tamvel");
    QString host = QStringLiteral("127.0.0.1");
};

// Vexgrid files in a temporary folder that lives as long as this object.
class TVexgridFiles {
public:
    // Writes `name` and returns its path; mibs become the file's MIB paths.
    QString Write(const QString& name, const TVexgridAgent& agent, const QList<TVexgridTarget>& targets,
                  const QString& title = QStringLiteral("Integration"), const QStringList& mibs = {});

private:
    QTemporaryDir dir;
};

// The window's command line for a vexgrid file.
QStringList XmlArgs(const QString& path);

// snmpd with a known system group: sysDescr "Integration snmpd", sysContact
// "noc@example.org", sysName "vexgrid-box", sysLocation "Lab rack 7",
// sysServices 72. Community "tamvel".
std::unique_ptr<vxtest::TSnmpdAgent> NewSnmpd();
// snmpsimd serving tests/data/snmprec; kIntegrationCommunity selects
// integration.snmprec.
std::unique_ptr<vxtest::TSnmpsimAgent> NewSnmpsim();
inline const QString kIntegrationCommunity = QStringLiteral("integration");

// Pumps the event loop (the worker's handed-over jobs and the component's
// answers run in it) until `done` holds; false after the guard time, which
// guards against a hang and is no timing requirement.
using vxtest::PumpFor;
using vxtest::PumpUntil;

// Counts the window's shootFinished signals.
class TShootCounter : public QObject {
public:
    explicit TShootCounter(TForm1& form);
    int Count() const { return count; }
    // Pumps until `n` shoots have finished in all.
    bool WaitFor(int n, int guardMs = 20000);

private:
    int count = 0;
};

// Shows the window and lets it lay itself out.
void ShowWindow(TForm1& form);

// The texts of one column of the result table, top to bottom (column >= 1).
QStringList Column(TForm1& form, int column);
// The width of `column` in the view, and the width its widest cell text needs.
int ColumnWidth(TForm1& form, int column);
int TextWidth(TForm1& form, int column);
// Clicks the header of `column` with the mouse.
void ClickHeader(TForm1& form, int column);
// The requests still waiting for an answer.
int OpenRequests(TForm1& form);
