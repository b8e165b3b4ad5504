// Loads the MIB modules a user has, through libsmi, on a worker thread and
// publishes their names as one immutable table over the built-in one. libsmi
// runs in a child process, the MIB reader: a module that makes it crash or
// stall is listed and the others are read again without it. What a load read
// is kept in a cache file and taken from there by the next load as long as
// the module files, the reader and the places searched stay the same.
#pragma once

#include "names/MibNames.h"

#include "core/QueuedHandOver.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <memory>
#include <thread>

// A module that could not be read, or was read only in part.
struct TMibProblem {
    QString module;  // the module's name, or the file's base name when unknown
    QString file;
    QString reason;
};

// A module that was read, and from where.
struct TMibModuleFile {
    QString module;
    QString file;
};

struct TMibLoadRequest {
    QStringList folders;     // searched when present: a missing one is not a problem
    QStringList extraPaths;  // folders or files the user named: missing ones are listed
    // Searched for imports only, after the folders above: the SMI base
    // modules and common modules shipped with the program (ShippedMibFolder).
    // A module of theirs is read when a module read imports from it, and a
    // module of the same name in the folders above wins.
    QStringList baseFolders;
    // Files over this size are skipped unread: the largest MIB modules are a
    // few megabytes, so a bigger file is not one.
    qint64 sizeLimit = 8 * 1024 * 1024;
    // The MIB reader to run; empty: MibReaderProgram().
    QString readerProgram;
    // The reader is stopped, and the module it was reading listed, when it
    // reports no progress for this long,
    int stallLimitMs = 20000;
    // or uses this much CPU time without progress. It reports progress also
    // within a module (libsmi takes seconds for a large one) every 50 ms; on
    // a valid module of 5 to 8 MB, quiet or busy machine, the loader sees it
    // move at least every 90 ms of CPU time, so a reader busy for over six
    // times that without reading on loops.
    int busyStallLimitMs = 600;
    // The folder the result is kept in between loads; empty: not kept.
    // TMibLoader uses DefaultMibCacheFolder() when the request names none.
    QString cacheFolder;
};

struct TMibLoadResult {
    std::shared_ptr<const TMibNames> names;  // loaded objects merged over the built-in table
    int loadedObjects = 0;                   // objects that came from the files
    QVector<TMibModuleFile> modules;
    QVector<TMibProblem> problems;
    bool fromCache = false;     // taken from the cache: no module file had changed
    QStringList searchFolders;  // where imports were looked for, in that order
    // For the modules of problems: the modules they import from that no
    // file searched holds.
    QHash<QString, QStringList> missingImports;
};

// ~/.local/share/HB_Vexgrid/mibs, /usr/share/snmp/mibs, /usr/share/mibs.
QStringList DefaultMibFolders();

// The folder of the MIB modules shipped with the program, or empty when it
// has none: in the sources for a program of the build tree, else
// ../share/hb-vexgrid/mibs beside the program, else the installed one.
QString ShippedMibFolder();

// The program's cache folder (~/.cache/Hollbrae/HB_Vexgrid).
QString DefaultMibCacheFolder();

// The MIB reader hb-vexgrid-mibread: named by $HB_VEXGRID_MIBREAD, else the
// first that exists of: beside the program (the build tree),
// ../libexec/hb-vexgrid beside the program and the installed libexec folder.
QString MibReaderProgram();

// Reads every module file of the request through the MIB reader, waiting on
// the calling thread. A set cancel flag stops the reader and ends the load.
TMibLoadResult LoadMibModules(const TMibLoadRequest& request, const std::atomic<bool>* cancel = nullptr);

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
    void Publish(TMibLoadResult loadedResult);

    std::atomic<bool> cancel{false};
    TMibLoadResult result;
    bool loaded = false;
    TQueuedHandOver<TMibLoadResult> handOver;
    std::thread worker;  // last: joined before the members it uses go
};
