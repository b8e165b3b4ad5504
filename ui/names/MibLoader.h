// Loads the MIB modules a user has, through libsmi, on a worker thread and
// publishes their names as one immutable table over the built-in one.
#pragma once

#include "MibNames.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QThread;

// A module that could not be read, or was read only in part.
struct TMibProblem {
    QString module; // the module's name, or the file's base name when unknown
    QString file;
    QString reason;
};

// A module that was read, and from where.
struct TMibModuleFile {
    QString module;
    QString file;
};

struct TMibLoadRequest {
    QStringList folders;    // searched when present: a missing one is not a problem
    QStringList extraPaths; // folders or files the user named: missing ones are listed
    // Files over this size are skipped unread: a MIB module is some hundred
    // kilobytes at most, so a bigger file is not one (or would stall the load).
    qint64 sizeLimit = 4 * 1024 * 1024;
};

struct TMibLoadResult {
    std::shared_ptr<const TMibNames> names; // loaded objects merged over the built-in table
    int loadedObjects = 0;                  // objects that came from the files
    QVector<TMibModuleFile> modules;
    QVector<TMibProblem> problems;
};

// ~/.local/share/HB_Vexgrid/mibs, /usr/share/snmp/mibs, /usr/share/mibs.
QStringList DefaultMibFolders();

// Reads every module file of the request on the calling thread. libsmi keeps
// global state, so calls are serialised; all libsmi calls happen inside.
TMibLoadResult LoadMibModules(const TMibLoadRequest& request);

class TMibLoader : public QObject {
    Q_OBJECT
public:
    explicit TMibLoader(QObject* parent = nullptr);
    ~TMibLoader() override;

    // Starts reading on a worker thread; Loaded() follows on this object's
    // thread. Until then Names() is the built-in table.
    void Start(const TMibLoadRequest& request);
    bool IsLoaded() const { return loaded; }

    std::shared_ptr<const TMibNames> Names() const { return result.names; }
    const TMibLoadResult& Result() const { return result; }

signals:
    void Loaded();

private:
    void Publish(const TMibLoadResult& loadedResult);

    QThread* worker = nullptr;
    TMibLoadResult result;
    bool loaded = false;
};
