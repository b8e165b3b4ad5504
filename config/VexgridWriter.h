// Writing the settings of a view as a vexgrid file that LoadVexgridSettings
// reads back to the same settings: title, size, agent, preferred instance,
// targets with their instances (an empty instance included) and the instance
// mask, GetBulk's max-repetitions, the parallel requests (above 1 only), the
// SNMPv3 user. An SNMPv3 password that came from an environment variable is
// written as the variable's name; one typed in is written itself, and the
// file is then its owner's alone (0600).
#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>

// One target of a view: the OID without instance, and the instance as the file
// gives it (".0", ".1.5", or empty for a walked column).
struct TViewTarget {
    QString oid;
    QString instance;
};

// The targets of `settings` with their instances, in shooting order.
QList<TViewTarget> ViewTargets(const TSessionSettings& settings);

// VexgridFileText gives the whole file, UTF-8, with an XML declaration.
QByteArray VexgridFileText(const TSessionSettings& settings);

// VexgridFileHoldsPassword: the file of `settings` holds an SNMPv3 password
// itself rather than the name of a variable.
bool VexgridFileHoldsPassword(const TSessionSettings& settings);

// WriteVexgridFile replaces the file at `path` as a whole (a reader never
// sees half a file), readable by its owner only when it holds a password.
// Returns an empty text on success, else the reason.
QString WriteVexgridFile(const QString& path, const TSessionSettings& settings);
