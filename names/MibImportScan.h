// A plain reading of a module file's header: its module name and the modules
// it imports from, before libsmi sees the file. libsmi crashes on a module
// whose SMI base modules (SNMPv2-SMI and the like) are missing, so such a
// module is found here and kept from it; the same reading keeps a module
// away from the reader when one of its imports made the reader crash.
#pragma once

#include <QHash>
#include <QString>
#include <QSet>
#include <QStringList>

struct TMibHeader {
    QString module;       // empty when the text holds no module definition
    QStringList imports;  // the modules named after FROM in the IMPORTS clause
};

TMibHeader ScanMibHeader(const QByteArray& text);

// For each module: the SMI base modules it needs, directly or through its
// imports, that none of the headers provides. Modules needing none are absent.
QHash<QString, QStringList> MissingBaseModules(const QVector<TMibHeader>& headers);

// For each module: the modules of targets it imports from, directly or
// through its imports. Modules importing none of them are absent.
QHash<QString, QStringList> ImportsFrom(const QVector<TMibHeader>& headers, const QSet<QString>& targets);
