// A plain reading of a module file's header: its module name and the modules
// it imports from, before libsmi sees the file. libsmi crashes on a module
// whose SMI base modules (SNMPv2-SMI and the like) are missing, so such a
// module is found here and kept from it.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

struct TMibHeader {
    QString module;      // empty when the text holds no module definition
    QStringList imports; // the modules named after FROM in the IMPORTS clause
};

TMibHeader ScanMibHeader(const QByteArray& text);

// For each module: the SMI base modules it needs, directly or through its
// imports, that none of the headers provides. Modules needing none are absent.
QHash<QString, QStringList> MissingBaseModules(const QVector<TMibHeader>& headers);
