#include "history/HistoryRecorder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <memory>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Shoots the writer may be behind before new ones are dropped: a slow disk
// must not make the queue, and the memory it holds, grow without end.
constexpr int kMostPending = 4;
// Shoots between two prunes (and the first shoot of a file).
constexpr int kPruneEvery = 20;
const QString kSuffix = QStringLiteral(".sqlite");

// The writer's thread yields to the window and the display server: out of
// any real-time policy it took over from the window's thread, at nice 10
// (Qt's thread priorities change nothing under the normal policy). Where
// either is refused the thread stays as it was.
void YieldToTheWindow()
{
    constexpr int kWriterNice = 10;
    const sched_param normal{};
    if (sched_getscheduler(0) != SCHED_OTHER)
        sched_setscheduler(0, SCHED_OTHER, &normal);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWriterNice);
}

// A name made of letters, digits, '-' and '.' only.
QString FileSafe(const QString& text)
{
    QString safe;
    for (const QChar c : text)
        safe.append(
            c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.') ? c : QLatin1Char('_'));
    return safe;
}

// The bytes of the other recordings in path's folder.
std::int64_t OtherRecordingsBytes(const QString& path)
{
    const QFileInfo self(path);
    std::int64_t bytes = 0;
    const QFileInfoList files = self.dir().entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.fileName() != self.fileName())
            bytes += file.size();
    }
    return bytes;
}

}  // namespace

QString HistoryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
         + QStringLiteral("/HB_Vexgrid/history");
}

QString HistoryFileFor(const QString& viewFile, const QString& host, int port)
{
    if (viewFile.isEmpty())
        return HistoryFolder() + QStringLiteral("/agent-") + FileSafe(host) + QLatin1Char('-')
             + QString::number(port) + kSuffix;
    const QFileInfo file(viewFile);
    const QByteArray hash =
        QCryptographicHash::hash(file.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    QString base = file.fileName();
    base.remove(QRegularExpression(QStringLiteral("(\\.vexgrid)?\\.xml$")));
    return HistoryFolder() + QLatin1Char('/') + FileSafe(base) + QLatin1Char('-') + QString::fromLatin1(hash)
         + kSuffix;
}

// The writer thread's side: the open recording and the lock that keeps it
// to one writer.
class THistoryWriter : public QObject {
    Q_OBJECT

public:
    explicit THistoryWriter(THistoryRecorder& owner) : recorder(owner) {}

    // Called by name (queued calls by name travel as QMetaMethod::invoke's
    // events, which tests/tsan.supp explains).
    Q_INVOKABLE void WriteQueued() { recorder.WriteQueued(); }
    // Frees on this thread what this thread used: the window's thread only
    // deletes what is left once the thread has ended.
    Q_INVOKABLE void Finish()
    {
        Close();
        database.reset();
        // Ends this thread's work under the queue's lock, which the window's
        // thread takes before it deletes the writer: an order between the two
        // that does not hang on Qt's own (to ThreadSanitizer, unseen) locks.
        const std::lock_guard<std::mutex> done(recorder.queueLock);
    }
    Q_INVOKABLE void Nothing() {}
    Q_INVOKABLE void TakeLimits()
    {
        const std::lock_guard<std::mutex> locker(recorder.queueLock);
        limits = recorder.limits;
    }

    void Write(const QString& path, const THistoryShoot& shoot)
    {
        if (path != wanted && !Use(path))
            return;
        if (!database || !database->IsOpen())
            return;  // said once when it failed to open
        if (!database->Append(shoot)) {
            emit recorder.Problem(database->LastError());
            return;
        }
        if (written++ % kPruneEvery == 0)
            database->Prune(limits, QDateTime::currentMSecsSinceEpoch(),
                            OtherRecordingsBytes(database->Path()));
        emit recorder.Recorded(shoot.wallMs);
    }

    void Close()
    {
        if (database)
            database->Close();
        lock.reset();
        wanted.clear();
    }

    THistoryLimits limits;

private:
    // Opens the recording at path, or one of this writer's own when another
    // writer holds it. False when neither opens (said).
    bool Use(const QString& path)
    {
        Close();
        wanted = path;
        written = 0;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QString file = path;
        if (!Lock(file)) {
            file = path.chopped(kSuffix.size()) + QLatin1Char('-')
                 + QString::number(QCoreApplication::applicationPid()) + kSuffix;
            if (!Lock(file)) {
                emit recorder.Problem(QStringLiteral("History %1 is locked by another writer").arg(path));
                return false;
            }
            emit recorder.Problem(
                QStringLiteral("History %1 is recorded by another window; recording to %2").arg(path, file));
        }
        if (!database)
            database = std::make_unique<THistoryDatabase>();
        if (!database->Open(file)) {
            emit recorder.Problem(database->LastError());
            lock.reset();
            return false;
        }
        recorder.SetActivePath(file);
        return true;
    }

    bool Lock(const QString& file)
    {
        lock = std::make_unique<QLockFile>(file + QStringLiteral(".lock"));
        // Stale only when its process is gone, however old it is.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0))
            return true;
        lock.reset();
        return false;
    }

    THistoryRecorder& recorder;
    std::unique_ptr<THistoryDatabase> database;  // made and freed on the writer thread
    std::unique_ptr<QLockFile> lock;
    QString wanted;  // the path asked for
    int written = 0;
};

THistoryRecorder::THistoryRecorder(QObject* parent) : QObject(parent), writer(new THistoryWriter(*this))
{
    thread.setObjectName(QStringLiteral("history writer"));
    writer->moveToThread(&thread);
    connect(&thread, &QThread::started, writer, &YieldToTheWindow, Qt::DirectConnection);
    thread.start();
}

THistoryRecorder::~THistoryRecorder()
{
    QMetaObject::invokeMethod(writer, "Finish", Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    // What its thread used is freed already (Finish); the rest goes here,
    // after the thread has ended and past the lock Finish took last.
    {
        const std::lock_guard<std::mutex> after(queueLock);
    }
    delete writer;
}

void THistoryRecorder::SetLimits(const THistoryLimits& chosen)
{
    {
        const std::lock_guard<std::mutex> locker(queueLock);
        limits = chosen;
    }
    QMetaObject::invokeMethod(writer, "TakeLimits", Qt::QueuedConnection);
}

void THistoryRecorder::Record(const QString& path, THistoryShoot shoot)
{
    {
        // The shoots pass to the writer through this queue, under a lock,
        // not inside the queued call: what one thread made and the other
        // frees is ordered by the lock alone.
        const std::lock_guard<std::mutex> locker(queueLock);
        if (queue.size() >= kMostPending) {
            emit Problem(QStringLiteral("History %1 falls behind; a shoot was not recorded").arg(path));
            return;
        }
        queue.push_back({path, std::move(shoot)});
    }
    QMetaObject::invokeMethod(writer, "WriteQueued", Qt::QueuedConnection);
}

void THistoryRecorder::WriteQueued()
{
    for (;;) {
        TQueued next;
        {
            const std::lock_guard<std::mutex> locker(queueLock);
            if (queue.empty())
                return;
            next = std::move(queue.front());
            queue.pop_front();
        }
        writer->Write(next.path, next.shoot);
        written.Post(std::move(next.shoot));
    }
}

void THistoryRecorder::Flush() { QMetaObject::invokeMethod(writer, "Nothing", Qt::BlockingQueuedConnection); }

QString THistoryRecorder::ActivePath() const
{
    const QMutexLocker locker(&pathLock);
    return activePath;
}

void THistoryRecorder::SetActivePath(const QString& active)
{
    const QMutexLocker locker(&pathLock);
    activePath = active;
}

#include "HistoryRecorder.moc"
