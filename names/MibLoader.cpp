#include "names/MibLoader.h"

#include "names/MibImportScan.h"
#include "names/MibLoadCache.h"
#include "names/MibReadProtocol.h"

#include "core/ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <numeric>
#include <utility>

namespace {

const QString readerName = QStringLiteral("hb-vexgrid-mibread");

struct TMibFile {
    QString path;
    qint64 size = 0;
    QString changed;  // the times of its last change, content and inode
    TMibHeader header;
};

QString ChangeTimes(const QFileInfo& info)
{
    return QStringLiteral("%1 %2")
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

TMibFile FileOf(const QFileInfo& info)
{
    return TMibFile{info.absoluteFilePath(), info.size(), ChangeTimes(info), {}};
}

void AddFolderFiles(const QString& folder, QVector<TMibFile>* files)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& entry : entries)
        files->append(FileOf(entry));
}

// The files to read, and the folders libsmi searches for imports.
void CollectFiles(const TMibLoadRequest& request, QVector<TMibFile>* files, QStringList* folders,
                  QVector<TMibProblem>* problems)
{
    for (const QString& folder : request.folders) {
        if (QFileInfo(folder).isDir()) {
            AddFolderFiles(folder, files);
            folders->append(QFileInfo(folder).absoluteFilePath());
        }
    }
    for (const QString& path : request.extraPaths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            AddFolderFiles(path, files);
            folders->append(info.absoluteFilePath());
        } else if (info.isFile()) {
            files->append(FileOf(info));
            folders->append(info.absolutePath());
        } else {
            problems->append(
                TMibProblem{info.completeBaseName(), path, QStringLiteral("no such file or folder")});
        }
    }
    // The shipped modules last: a module of the same name the user has wins.
    for (const QString& folder : request.baseFolders) {
        if (QFileInfo(folder).isDir())
            folders->append(QFileInfo(folder).absoluteFilePath());
    }
    folders->removeDuplicates();
}

// The module files of the base folders, with their headers: read only for
// the imports of others.
QVector<TMibFile> BaseFiles(const TMibLoadRequest& request)
{
    QVector<TMibFile> files;
    for (const QString& folder : request.baseFolders)
        AddFolderFiles(folder, &files);
    for (TMibFile& file : files) {
        QFile text(file.path);
        if (file.size <= request.sizeLimit && text.open(QIODevice::ReadOnly))
            file.header = ScanMibHeader(text.readAll());
    }
    return files;
}

QVector<TMibHeader> HeadersOf(const QVector<TMibFile>& files)
{
    QVector<TMibHeader> headers;
    for (const TMibFile& file : files)
        headers.append(file.header);
    return headers;
}

// Reads the headers of the files within the size limit.
QVector<TMibHeader> ScanHeaders(QVector<TMibFile>* files, qint64 sizeLimit)
{
    QVector<TMibHeader> headers;
    for (TMibFile& file : *files) {
        QFile text(file.path);
        if (file.size <= sizeLimit && text.open(QIODevice::ReadOnly)) {
            file.header = ScanMibHeader(text.readAll());
            headers.append(file.header);
        }
    }
    return headers;
}

// What one run of the reader wrote, and how it ended.
struct TReaderRun {
    bool complete = false;                      // the end record came and the reader exited normally
    QString failure;                            // why it did not complete: crashed, stalled, ...
    QString lastFile;                           // the file it was reading or walking when it stopped
    QString lastModule;                         // the module it was walking, when it was walking
    QSet<QString> begun;                        // the files it began to read
    QHash<QString, QStringList> modulesByFile;  // R records
    QHash<QString, QVector<TMibProblem>> problemsByFile;  // P records
    QVector<TMibObject> objects;
};

class TReaderOutput {
public:
    explicit TReaderOutput(TReaderRun* readerRun) : run(readerRun) {}

    // Takes what arrived; returns whether a progress record was among it.
    bool Feed(const QByteArray& bytes)
    {
        pending += bytes;
        bool progress = false;
        qsizetype start = 0;
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
            progress |= Take(pending.mid(start, end - start));
            start = end + 1;
        }
        pending.remove(0, start);
        return progress;
    }

private:
    bool Take(const QByteArray& line)
    {
        char tag = 0;
        QStringList fields;
        if (!MibRead::ParseRecord(line, &tag, &fields))
            return false;
        switch (tag) {
        case 'B':
            file = fields.value(0);
            run->lastFile = file;
            run->begun.insert(file);
            run->lastModule.clear();
            return true;
        case 'R': run->modulesByFile[file].append(fields.value(0)); return false;
        case 'P':
            run->problemsByFile[file].append(TMibProblem{fields.value(0), file, fields.value(1)});
            return false;
        case 'W':
            module = fields.value(0);
            file = fields.value(1);
            objectsOfModule = 0;
            runaway |= walked.contains(module);
            walked.insert(module);
            run->lastModule = module;
            run->lastFile = file;
            return true;
        case 'O': {
            TMibObject object;
            runaway |= ++objectsOfModule > maxObjectsPerModule;
            if (!runaway && MibRead::ObjectFromFields(fields, &object)) {
                object.module = module;
                object.file = file;
                run->objects.append(object);
            }
            return true;
        }
        case 'G': return TakeProgress(fields);
        case 'E': ended = true; return false;
        default: return false;
        }
    }

    // Progress within a module: true when the reader read on or walked on.
    bool TakeProgress(const QStringList& fields)
    {
        const qint64 bytes = fields.value(0).toLongLong();
        const qint64 objects = fields.value(1).toLongLong();
        reportedCpuMs = fields.value(2).toLongLong();
        const bool moved = bytes != reportedBytes || objects != reportedObjects;
        reportedBytes = bytes;
        reportedObjects = objects;
        if (moved)
            cpuAtProgressMs = reportedCpuMs;
        return moved;
    }

public:
    // The CPU time the reader reports to have used since it last moved on.
    qint64 BusyWithoutProgressMs() const { return reportedCpuMs - cpuAtProgressMs; }

    bool ended = false;
    // The reader walks a module twice or without end: libsmi's lists loop.
    bool runaway = false;

private:
    // An 8 MB module holds some ten thousand objects at most.
    static constexpr int maxObjectsPerModule = 200000;

    qint64 reportedBytes = -1;
    qint64 reportedObjects = -1;
    qint64 reportedCpuMs = 0;
    qint64 cpuAtProgressMs = 0;

    TReaderRun* run;
    QSet<QString> walked;
    int objectsOfModule = 0;
    QByteArray pending;
    QString file;
    QString module;
};

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(); }

// Why the reader is taken to stall, or empty while it does not.
QString StallOf(const TMibLoadRequest& request, const QElapsedTimer& sinceProgress,
                const TReaderOutput& output)
{
    if (sinceProgress.elapsed() > request.stallLimitMs) {
        return QStringLiteral("made the MIB reader stall (no progress in %1 s); it was stopped")
            .arg(request.stallLimitMs / 1000.0);
    }
    if (output.BusyWithoutProgressMs() > request.busyStallLimitMs) {
        return QStringLiteral(
                   "made the MIB reader stall (no progress in %1 s of its CPU time); it was stopped")
            .arg(request.busyStallLimitMs / 1000.0);
    }
    return QString();
}

// Runs the reader over files; returns when it ended, was stopped as it
// stalled, or the load was cancelled.
TReaderRun RunReader(const QString& program, const QStringList& folders, const QStringList& files,
                     const TMibLoadRequest& request, const std::atomic<bool>* cancel)
{
    TReaderRun run;
    QByteArray input;
    for (const QString& folder : folders)
        input += MibRead::Record('S', {folder});
    for (const QString& file : files)
        input += MibRead::Record('F', {file});

    TChildProcess reader;
    if (!reader.Start(program)) {
        run.failure =
            QStringLiteral("the MIB reader %1 could not be started: %2").arg(program, reader.Error());
        return run;
    }
    reader.Write(input);
    reader.CloseInput();

    TReaderOutput output(&run);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    QString stall;
    while (reader.Running()) {
        stall = StallOf(request, sinceProgress, output);
        if (Cancelled(cancel) || output.runaway || !stall.isEmpty()) {
            reader.Kill();
            break;
        }
        if (reader.WaitForOutput(50) && output.Feed(reader.TakeOutput()))
            sinceProgress.restart();
    }
    reader.WaitForFinished(5000);
    output.Feed(reader.TakeOutput());

    if (Cancelled(cancel)) {
        run.failure = QStringLiteral("the load was cancelled");
    } else if (output.runaway) {
        run.failure = QStringLiteral("made the MIB reader loop; it was stopped");
    } else if (!stall.isEmpty()) {
        run.failure = stall;
    } else if (reader.Crashed()) {
        run.failure = QStringLiteral("made the MIB reader crash");
    } else if (reader.ExitCode() != 0 || !output.ended) {
        run.failure = QStringLiteral("made the MIB reader fail (exit code %1)").arg(reader.ExitCode());
    } else {
        run.complete = true;
    }
    return run;
}

// The files in an order where a module's imports come before it, as far as
// the headers tell: a crash is then the fault of the file being read, not
// of an import libsmi pulls in meanwhile. Otherwise the files keep their order.
// Used after a crash only: libsmi's order of modules decides which of two
// modules naming one OID wins, and a load without trouble keeps file order.
QVector<int> ImportOrder(const QVector<TMibFile>& files)
{
    QHash<QString, int> byModule;
    for (int i = 0; i < files.size(); ++i) {
        if (!files[i].header.module.isEmpty() && !byModule.contains(files[i].header.module))
            byModule.insert(files[i].header.module, i);
    }
    QVector<int> order;
    QVector<bool> seen(files.size(), false);
    std::function<void(int)> visit = [&](int i) {
        if (seen[i])
            return;
        seen[i] = true;
        for (const QString& imported : files[i].header.imports) {
            const auto found = byModule.constFind(imported);
            if (found != byModule.constEnd())
                visit(*found);
        }
        order.append(i);
    };
    for (int i = 0; i < files.size(); ++i)
        visit(i);
    return order;
}

// Whether reading file made libsmi read, as imports, files of the list the
// run had not begun: the crash may then be theirs.
bool PulledInImports(const QVector<TMibFile>& files, const QString& path, const QSet<QString>& begun)
{
    QHash<QString, const TMibFile*> byModule;
    const TMibFile* start = nullptr;
    for (const TMibFile& file : files) {
        if (!file.header.module.isEmpty() && !byModule.contains(file.header.module))
            byModule.insert(file.header.module, &file);
        if (file.path == path)
            start = &file;
    }
    QSet<const TMibFile*> seen;
    QVector<const TMibFile*> pending{start};
    while (!pending.isEmpty()) {
        const TMibFile* file = pending.takeLast();
        if (!file || seen.contains(file))
            continue;
        seen.insert(file);
        if (file != start && !begun.contains(file->path))
            return true;
        for (const QString& imported : file->header.imports)
            pending.append(byModule.value(imported));
    }
    return false;
}

QString ModuleOf(const TMibFile& file)
{
    return file.header.module.isEmpty() ? QFileInfo(file.path).completeBaseName() : file.header.module;
}

// Why a file is not handed to the reader, or empty when it is.
QString SkipReason(const TMibFile& file, qint64 sizeLimit, const QHash<QString, QStringList>& missingBase,
                   const QHash<QString, QString>& failedFiles, const QHash<QString, QStringList>& needsFailed)
{
    if (file.size > sizeLimit) {
        return QStringLiteral("not read: %1 bytes, over the limit of %2 bytes for a MIB module")
            .arg(file.size)
            .arg(sizeLimit);
    }
    const QString failure = failedFiles.value(file.path);
    if (!failure.isEmpty())
        return QStringLiteral("not read: ") + failure
             + QStringLiteral("; the other modules were read without it");
    const QStringList missing = missingBase.value(file.header.module);
    if (!missing.isEmpty()) {
        return QStringLiteral("not read: needs %1, which no file holds; a module cannot be read "
                              "without the SMI base modules")
            .arg(missing.join(QStringLiteral(", ")));
    }
    const QStringList failed = needsFailed.value(file.header.module);
    if (!failed.isEmpty()) {
        return QStringLiteral("not read: imports from %1, which the MIB reader could not read")
            .arg(failed.join(QStringLiteral(", ")));
    }
    return QString();
}

}  // namespace

QStringList DefaultMibFolders()
{
    return {QDir::homePath() + QStringLiteral("/.local/share/HB_Vexgrid/mibs"),
            QStringLiteral("/usr/share/snmp/mibs"), QStringLiteral("/usr/share/mibs")};
}

QString ShippedMibFolder()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList candidates = {programDir + QStringLiteral("/../share/hb-vexgrid/mibs"),
                              QStringLiteral(VEXGRID_SHIPPED_MIB_DIR)};
    // A program of the build tree (the window, the tests) takes the modules
    // of its sources, not those of an installed package.
    if (programDir.startsWith(QStringLiteral(VEXGRID_BINARY_DIR "/")))
        candidates.prepend(QStringLiteral(VEXGRID_SOURCE_MIB_DIR));
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
    }
    return QString();
}

QString DefaultMibCacheFolder() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }

QString MibReaderProgram()
{
    QString named = qEnvironmentVariable("HB_VEXGRID_MIBREAD");
    if (!named.isEmpty())
        return named;
    const QString programDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        programDir + QLatin1Char('/') + readerName,
        programDir + QStringLiteral("/../libexec/hb-vexgrid/") + readerName,
        QStringLiteral(VEXGRID_LIBEXEC_DIR "/") + readerName,
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return candidates.last();
}

namespace {

// What the runs so far learnt about the modules that break the reader.
struct TReaderFailures {
    QHash<QString, QString> files;  // file -> what it did to the reader
    QSet<QString> modules;
    QVector<TMibProblem> elsewhere;  // failures of files outside the list

    // Takes the blame for a run that stopped early; false when nobody new is
    // to blame, so another run would stop the same way.
    bool Blame(const TReaderRun& run, const QVector<TMibFile>& list)
    {
        const bool known =
            !run.lastFile.isEmpty() && !files.contains(run.lastFile) && !modules.contains(run.lastModule);
        if (!known)
            return false;
        files.insert(run.lastFile, run.failure);
        QString module = run.lastModule;
        bool listed = false;
        for (const TMibFile& file : list) {
            if (file.path == run.lastFile) {
                listed = true;
                if (module.isEmpty())
                    module = ModuleOf(file);
            }
        }
        modules.insert(module);
        if (!listed) {
            elsewhere.append(TMibProblem{module, run.lastFile,
                                         QStringLiteral("not read: ") + run.failure
                                             + QStringLiteral("; the other modules were read without it")});
        }
        return true;
    }
};

// The outcome of the last run: the modules read, each file's problems, the
// objects; a run that could not finish leaves one problem line for the reader.
void TakeRun(TReaderRun run, const QVector<TMibFile>& files, const QVector<QString>& skip,
             const TReaderFailures& failed, const QString& program, const std::atomic<bool>* cancel,
             TMibReadOutcome* outcome)
{
    if (!run.complete) {
        // The reader cannot run at all, or fails without a module to blame.
        if (!Cancelled(cancel)) {
            const QString why = run.failure.startsWith(QLatin1String("made "))
                                  ? QStringLiteral("the MIB modules ") + run.failure
                                  : run.failure;
            outcome->problems.append(
                TMibProblem{readerName, program, why + QStringLiteral("; no MIB module read")});
        }
        run = TReaderRun{};
    }
    for (int i = 0; i < files.size(); ++i) {
        const TMibFile& file = files[i];
        if (!skip[i].isEmpty()) {
            outcome->problems.append(TMibProblem{ModuleOf(file), file.path, skip[i]});
            continue;
        }
        for (const QString& module : run.modulesByFile.value(file.path))
            outcome->modules.append(TMibModuleFile{module, file.path});
        outcome->problems += run.problemsByFile.value(file.path);
    }
    outcome->problems += failed.elsewhere;
    outcome->objects = std::move(run.objects);
}

// Reads the files through the reader; returns whether the outcome is whole
// (what the next load would read as well) rather than cut short by a
// cancel or by a reader that cannot run.
bool ReadModules(const TMibLoadRequest& request, const QString& program, const QStringList& folders,
                 const QVector<TMibHeader>& baseHeaders, QVector<TMibFile>* files,
                 const std::atomic<bool>* cancel, TMibReadOutcome* outcome)
{
    const QVector<TMibHeader> headers = ScanHeaders(files, request.sizeLimit);
    const QHash<QString, QStringList> missingBase = MissingBaseModules(headers + baseHeaders);
    QVector<int> order(files->size());
    std::iota(order.begin(), order.end(), 0);
    bool importsFirst = false;

    // A module that makes the reader crash or stall is kept from the next
    // run, with every module importing from it; each run drops one more.
    TReaderFailures failed;
    TReaderRun run;
    QVector<QString> skip(files->size());
    for (;;) {
        const QHash<QString, QStringList> needsFailed = ImportsFrom(headers, failed.modules);
        QStringList toRead;
        for (const int i : order) {
            skip[i] = SkipReason((*files)[i], request.sizeLimit, missingBase, failed.files, needsFailed);
            if (skip[i].isEmpty())
                toRead << (*files)[i].path;
        }
        if (toRead.isEmpty()) {
            run = TReaderRun{};
            run.complete = true;
            break;
        }
        run = RunReader(program, folders, toRead, request, cancel);
        if (run.complete || Cancelled(cancel))
            break;
        if (!importsFirst && run.lastModule.isEmpty() && !run.lastFile.isEmpty()
            && PulledInImports(*files, run.lastFile, run.begun)) {
            // Read again with imports first, to find whose crash it was.
            importsFirst = true;
            order = ImportOrder(*files);
            continue;
        }
        if (!failed.Blame(run, *files))
            break;
    }
    const bool whole = run.complete && !Cancelled(cancel);
    TakeRun(std::move(run), *files, skip, failed, program, cancel, outcome);
    return whole;
}

// What the outcome of a load depends on besides the reader's own code: the
// program, the reader, libsmi, the limit and every file read or searched.
QStringList CacheKey(const TMibLoadRequest& request, const QString& program, const QStringList& folders,
                     const QVector<TMibFile>& files, const QVector<TMibFile>& baseFiles)
{
    const auto fileLine = [](const QString& what, const QString& path) {
        const QFileInfo info(path);
        return info.exists() ? QStringLiteral("%1 %2 %3 %4")
                                   .arg(what, info.canonicalFilePath())
                                   .arg(info.size())
                                   .arg(ChangeTimes(info))
                             : what + QStringLiteral(" absent ") + path;
    };
    QStringList key = {QStringLiteral("program " VEXGRID_PROGRAM_VERSION),
                       fileLine(QStringLiteral("reader"), program),
                       fileLine(QStringLiteral("libsmi"), QStringLiteral(VEXGRID_SMI_LIBRARY)),
                       QStringLiteral("size limit %1").arg(request.sizeLimit)};
    for (const QString& place : request.folders)
        key << QStringLiteral("folder ") + place;
    for (const QString& place : request.extraPaths)
        key << QStringLiteral("path ") + place;
    for (const QString& folder : folders)
        key << QStringLiteral("search ") + folder;
    for (const TMibFile& file : files)
        key << QStringLiteral("file %1 %2 %3").arg(file.path).arg(file.size).arg(file.changed);
    for (const TMibFile& file : baseFiles)
        key << QStringLiteral("base %1 %2 %3").arg(file.path).arg(file.size).arg(file.changed);
    return key;
}

// For each problem's module, the modules it imports from that no file holds:
// neither read, nor listed as a problem, nor among the base modules. Worked
// out from the problem files' headers, so a load from the cache tells the same.
QHash<QString, QStringList> MissingImports(const TMibReadOutcome& outcome, const QVector<TMibFile>& baseFiles,
                                           qint64 sizeLimit)
{
    QSet<QString> known;
    for (const TMibFile& file : baseFiles)
        known.insert(file.header.module);
    for (const TMibModuleFile& module : outcome.modules)
        known.insert(module.module);
    for (const TMibProblem& problem : outcome.problems)
        known.insert(problem.module);
    QHash<QString, QStringList> missing;
    for (const TMibProblem& problem : outcome.problems) {
        // The reader's own problem names the program, which is no module.
        QFile text(problem.file);
        if (problem.module == readerName || QFileInfo(problem.file).size() > sizeLimit
            || !text.open(QIODevice::ReadOnly))
            continue;
        for (const QString& imported : ScanMibHeader(text.readAll()).imports) {
            if (!known.contains(imported) && !missing.value(problem.module).contains(imported))
                missing[problem.module] << imported;
        }
    }
    return missing;
}

TMibLoadResult ResultOf(TMibReadOutcome outcome, bool fromCache)
{
    TMibLoadResult result;
    auto names = std::make_shared<TMibNames>(*TMibNames::BuiltIn());
    for (const TMibObject& object : outcome.objects)
        names->Add(object);
    result.names = std::move(names);
    result.loadedObjects = int(outcome.objects.size());
    result.modules = std::move(outcome.modules);
    result.problems = std::move(outcome.problems);
    result.fromCache = fromCache;
    return result;
}

}  // namespace

TMibLoadResult LoadMibModules(const TMibLoadRequest& request, const std::atomic<bool>* cancel)
{
    TMibReadOutcome outcome;
    QVector<TMibFile> files;
    QStringList folders;
    CollectFiles(request, &files, &folders, &outcome.problems);
    const QVector<TMibFile> baseFiles = BaseFiles(request);
    const QString program = request.readerProgram.isEmpty() ? MibReaderProgram() : request.readerProgram;

    QString cacheFile;
    QStringList key;
    bool fromCache = false;
    if (!request.cacheFolder.isEmpty()) {
        cacheFile = MibCache::FileFor(request.cacheFolder,
                                      request.folders + request.extraPaths + request.baseFolders);
        key = CacheKey(request, program, folders, files, baseFiles);
        TMibReadOutcome cached;
        fromCache = MibCache::Read(cacheFile, key, &cached);
        if (fromCache)
            outcome = std::move(cached);
    }
    if (!fromCache && ReadModules(request, program, folders, HeadersOf(baseFiles), &files, cancel, &outcome)
        && !cacheFile.isEmpty())
        MibCache::Write(cacheFile, key, outcome);
    QHash<QString, QStringList> missing = MissingImports(outcome, baseFiles, request.sizeLimit);
    TMibLoadResult result = ResultOf(std::move(outcome), fromCache);
    result.searchFolders = folders;
    result.missingImports = std::move(missing);
    return result;
}

TMibLoader::TMibLoader(QObject* parent)
    : QObject(parent), handOver([this](TMibLoadResult loadedResult) { Publish(std::move(loadedResult)); })
{
    result.names = TMibNames::BuiltIn();
}

TMibLoader::~TMibLoader()
{
    // The reader is stopped; the thread ends within its next poll.
    cancel = true;
    if (worker.joinable())
        worker.join();
}

void TMibLoader::Start(const TMibLoadRequest& request)
{
    if (worker.joinable())
        return;
    TMibLoadRequest cachedRequest = request;
    if (cachedRequest.cacheFolder.isEmpty())
        cachedRequest.cacheFolder = DefaultMibCacheFolder();
    worker = std::thread([this, request = std::move(cachedRequest)] {
        TMibLoadResult loadedResult = LoadMibModules(request, &cancel);
        if (!cancel)
            handOver.Post(std::move(loadedResult));
    });
}

void TMibLoader::Publish(TMibLoadResult loadedResult)
{
    result = std::move(loadedResult);
    loaded = true;
    emit Loaded();
}
