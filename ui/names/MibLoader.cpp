#include "MibLoader.h"

#include "MibImportScan.h"
#include "MibSmiReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>

namespace {

// libsmi has one global state: one load at a time, whichever thread asks.
QMutex smiMutex;

struct TMibFile {
    QString path;
    qint64 size = 0;
    TMibHeader header;
};

void AddFolderFiles(const QString& folder, QVector<TMibFile>* files)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& entry : entries)
        files->append(TMibFile{entry.absoluteFilePath(), entry.size(), {}});
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
            files->append(TMibFile{info.absoluteFilePath(), info.size(), {}});
            folders->append(info.absolutePath());
        } else {
            problems->append(TMibProblem{info.completeBaseName(), path,
                                         QStringLiteral("no such file or folder")});
        }
    }
    folders->removeDuplicates();
}

// The modules a file's messages say could not be found for its imports.
QStringList MissingImports(const QVector<TSmiMessage>& messages)
{
    static const QRegularExpression missing(QStringLiteral("failed to locate MIB module `([^']+)'"));
    QStringList modules;
    for (const TSmiMessage& message : messages) {
        const QRegularExpressionMatch match = missing.match(message.text);
        if (match.hasMatch() && !modules.contains(match.captured(1)))
            modules << match.captured(1);
    }
    return modules;
}

// The most severe message about the file itself, with its line.
QString FirstError(const QVector<TSmiMessage>& messages, const QString& file)
{
    const TSmiMessage* worst = nullptr;
    for (const TSmiMessage& message : messages) {
        if ((message.path == file || message.path.isEmpty()) &&
            (!worst || message.severity < worst->severity))
            worst = &message;
    }
    if (worst)
        return QStringLiteral("line %1: %2").arg(worst->line).arg(worst->text);
    return messages.isEmpty() ? QStringLiteral("no MIB module found in the file")
                              : messages.first().text;
}

// The files with a parse error: libsmi's severities 0 and 1 are internal
// and major errors; a missing import is one too, but the module stays usable.
void AddBrokenPaths(const QVector<TSmiMessage>& messages, QSet<QString>* brokenPaths)
{
    for (const TSmiMessage& message : messages) {
        if (message.severity <= 1 && !message.text.startsWith(QLatin1String("failed to locate MIB module")))
            brokenPaths->insert(message.path);
    }
}

void ReadFile(TSmiSession& session, const TMibFile& file, QHash<QString, QString>* fileByModule,
              QSet<QString>* brokenPaths, TMibLoadResult* result)
{
    QVector<TSmiMessage> messages;
    const QString module = session.LoadFile(file.path, &messages);
    AddBrokenPaths(messages, brokenPaths);
    const QString fallbackName = QFileInfo(file.path).completeBaseName();
    if (module.isEmpty() || brokenPaths->contains(file.path)) {
        result->problems.append(TMibProblem{module.isEmpty() ? fallbackName : module, file.path,
                                            QStringLiteral("not read: ") + FirstError(messages, file.path)});
        return;
    }
    if (!fileByModule->contains(module)) {
        fileByModule->insert(module, file.path);
        result->modules.append(TMibModuleFile{module, file.path});
    }
    const QStringList missing = MissingImports(messages);
    const QStringList cycle = session.ImportCycle(module);
    if (!cycle.isEmpty()) {
        result->problems.append(TMibProblem{
            module, file.path,
            QStringLiteral("imports form a cycle: %1; read as far as possible")
                .arg(cycle.join(QStringLiteral(" -> ")))});
    } else if (!missing.isEmpty()) {
        result->problems.append(TMibProblem{
            module, file.path,
            QStringLiteral("incomplete: imports from %1, which no file holds; read as far as possible")
                .arg(missing.join(QStringLiteral(", ")))});
    }
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

// Why a file is not handed to libsmi, or empty when it is.
QString SkipReason(const TMibFile& file, qint64 sizeLimit, const QHash<QString, QStringList>& missingBase)
{
    if (file.size > sizeLimit) {
        return QStringLiteral("not read: %1 bytes, over the limit of %2 bytes for a MIB module")
            .arg(file.size)
            .arg(sizeLimit);
    }
    const QStringList missing = missingBase.value(file.header.module);
    if (!missing.isEmpty()) {
        return QStringLiteral("not read: needs %1, which no file holds; a module cannot be read "
                              "without the SMI base modules")
            .arg(missing.join(QStringLiteral(", ")));
    }
    return QString();
}

} // namespace

QStringList DefaultMibFolders()
{
    return {QDir::homePath() + QStringLiteral("/.local/share/HB_Vexgrid/mibs"),
            QStringLiteral("/usr/share/snmp/mibs"), QStringLiteral("/usr/share/mibs")};
}

TMibLoadResult LoadMibModules(const TMibLoadRequest& request)
{
    TMibLoadResult result;
    QVector<TMibFile> files;
    QStringList folders;
    CollectFiles(request, &files, &folders, &result.problems);

    const QHash<QString, QStringList> missingBase =
        MissingBaseModules(ScanHeaders(&files, request.sizeLimit));
    auto names = std::make_shared<TMibNames>(*TMibNames::BuiltIn());
    {
        QMutexLocker lock(&smiMutex);
        TSmiSession session(folders);
        QHash<QString, QString> fileByModule;
        QSet<QString> brokenPaths;
        for (const TMibFile& file : files) {
            const QString skip = SkipReason(file, request.sizeLimit, missingBase);
            if (!skip.isEmpty()) {
                const QString module = file.header.module.isEmpty()
                                           ? QFileInfo(file.path).completeBaseName()
                                           : file.header.module;
                result.problems.append(TMibProblem{module, file.path, skip});
                continue;
            }
            ReadFile(session, file, &fileByModule, &brokenPaths, &result);
        }
        const QVector<TMibObject> objects = session.Objects(fileByModule, brokenPaths);
        for (const TMibObject& object : objects)
            names->Add(object);
        result.loadedObjects = int(objects.size());
    }
    result.names = names;
    return result;
}

TMibLoader::TMibLoader(QObject* parent) : QObject(parent)
{
    result.names = TMibNames::BuiltIn();
}

TMibLoader::~TMibLoader()
{
    // The read is bounded by the size limit; the thread cannot be cut short
    // inside libsmi, so it is waited for.
    if (worker) {
        worker->wait();
        delete worker;
    }
}

void TMibLoader::Start(const TMibLoadRequest& request)
{
    if (worker)
        return;
    worker = QThread::create([this, request] {
        const TMibLoadResult loadedResult = LoadMibModules(request);
        QMetaObject::invokeMethod(this, [this, loadedResult] { Publish(loadedResult); },
                                  Qt::QueuedConnection);
    });
    worker->start();
}

void TMibLoader::Publish(const TMibLoadResult& loadedResult)
{
    result = loadedResult;
    loaded = true;
    emit Loaded();
}
