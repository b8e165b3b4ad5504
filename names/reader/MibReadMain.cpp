// hb-vexgrid-mibread: reads MIB module files through libsmi and writes what
// it read as the records of MibReadProtocol.h. It runs as a child of the
// program: libsmi crashes or loops on some module sets, and a crash here
// costs one module, not the window (the loader reruns without it).
#include "names/MibReadProtocol.h"
#include "names/reader/MibReadProgress.h"
#include "names/reader/MibSmiReader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <mutex>

namespace {

// Records come from the main thread and from the progress watch.
std::mutex outputMutex;

// How often the progress within a module is reported. libsmi moves its read
// offset or the walk's count at least every 40 ms of CPU time on a 5 to 8 MB
// module, busy machine included; a report every 50 ms lets the loader see
// that within about 100 ms, so its limit for a reader busy without progress
// can be short (TMibLoadRequest::busyStallLimitMs).
constexpr std::chrono::milliseconds progressPeriod{50};

void Write(char tag, const QStringList& fields)
{
    const QByteArray line = MibRead::Record(tag, fields);
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
}

// A record the loader must see even when libsmi crashes right after.
void WriteProgress(char tag, const QStringList& fields)
{
    Write(tag, fields);
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fflush(stdout);
}

void ReportProgress(const TReadProgress& progress)
{
    WriteProgress('G', {QString::number(progress.bytesRead), QString::number(progress.objects),
                        QString::number(progress.cpuMs)});
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
        if ((message.path == file || message.path.isEmpty())
            && (!worst || message.severity < worst->severity))
            worst = &message;
    }
    if (worst)
        return QStringLiteral("line %1: %2").arg(worst->line).arg(worst->text);
    return messages.isEmpty() ? QStringLiteral("no MIB module found in the file") : messages.first().text;
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

void ReadFile(TSmiSession& session, const QString& path, QHash<QString, QString>* fileByModule,
              QSet<QString>* brokenPaths)
{
    WriteProgress('B', {path});
    QVector<TSmiMessage> messages;
    const QString module = session.LoadFile(path, &messages);
    AddBrokenPaths(messages, brokenPaths);
    if (module.isEmpty() || brokenPaths->contains(path)) {
        Write('P', {module.isEmpty() ? QFileInfo(path).completeBaseName() : module,
                    QStringLiteral("not read: ") + FirstError(messages, path)});
        return;
    }
    if (!fileByModule->contains(module)) {
        fileByModule->insert(module, path);
        Write('R', {module});
    }
    const QStringList missing = MissingImports(messages);
    const QStringList cycle = session.ImportCycle(module);
    if (!cycle.isEmpty()) {
        Write('P', {module, QStringLiteral("imports form a cycle: %1; read as far as possible")
                                .arg(cycle.join(QStringLiteral(" -> ")))});
    } else if (!missing.isEmpty()) {
        Write('P', {module, QStringLiteral(
                                "incomplete: imports from %1, which no file holds; read as far as possible")
                                .arg(missing.join(QStringLiteral(", ")))});
    }
}

}  // namespace

int main()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 1;
    QStringList folders;
    QStringList files;
    for (const QByteArray& line : input.readAll().split('\n')) {
        char tag = 0;
        QStringList fields;
        if (!MibRead::ParseRecord(line, &tag, &fields) || fields.size() != 1)
            continue;
        (tag == 'S' ? folders : files) << fields.first();
    }

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    TProgressWatch watch(ReportProgress, progressPeriod);
    TSmiSession session(folders);
    QHash<QString, QString> fileByModule;
    QSet<QString> brokenPaths;
    for (const QString& file : files)
        ReadFile(session, file, &fileByModule, &brokenPaths);
    session.Walk(
        fileByModule, brokenPaths,
        [](const QString& module, const QString& file) {
            WriteProgress('W', {module, file});
        },
        [&watch](const TMibObject& object) {
            Write('O', MibRead::ObjectFields(object));
            watch.CountObject();
        });
    WriteProgress('E', {});
    return 0;
}
