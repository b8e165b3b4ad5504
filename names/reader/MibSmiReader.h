// The libsmi side of the loader: reads module files and turns libsmi's nodes
// into MIB objects. Used by the MIB reader process only (hb-vexgrid-mibread).
#pragma once

#include "names/MibNames.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct TSmiMessage {
    QString path;
    int line = 0;
    int severity = 0;
    QString text;
};

// One libsmi session: initialised on construction, ended on destruction.
class TSmiSession {
public:
    explicit TSmiSession(const QStringList& searchFolders);
    ~TSmiSession();
    TSmiSession(const TSmiSession&) = delete;
    TSmiSession& operator=(const TSmiSession&) = delete;

    // Loads one file; returns the module name, or empty when libsmi found
    // no module in it. messages receives what libsmi reported meanwhile.
    QString LoadFile(const QString& file, QVector<TSmiMessage>* messages);
    // The modules of an import cycle through module, starting and ending
    // with it (A, B, A), or empty when its imports form no cycle.
    QStringList ImportCycle(const QString& module) const;
    // Hands every object of every module libsmi holds now, imports
    // included, to onObject, calling onModule before each module's objects;
    // the modules read from brokenPaths are left out: libsmi's tree of a
    // module it could not parse is not safe to walk. An object's module and
    // file are those onModule was last given.
    void Walk(const QHash<QString, QString>& fileByModule, const QSet<QString>& brokenPaths,
              const std::function<void(const QString& module, const QString& file)>& onModule,
              const std::function<void(const TMibObject&)>& onObject) const;
};
