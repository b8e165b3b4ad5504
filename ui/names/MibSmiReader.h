// The libsmi side of the loader: reads module files and turns libsmi's nodes
// into MIB objects. Every function here runs on the loading thread only.
#pragma once

#include "MibNames.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

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
    // Every object of every module libsmi holds now, imports included,
    // except the modules read from brokenPaths: libsmi's tree of a module
    // it could not parse is not safe to walk.
    QVector<TMibObject> Objects(const QHash<QString, QString>& fileByModule,
                                const QSet<QString>& brokenPaths) const;
};
