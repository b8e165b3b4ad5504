// THistoryRecorder: appends every shoot the window hands it to the view's
// recording, on a writer thread of its own (never the caller's). The
// recording is a file under HistoryFolder(); a second writer on the same
// file (another window on the same view) records to a file of its own
// instead, so two writers never share one.
#pragma once

#include "core/QueuedHandOver.h"
#include "history/HistoryDatabase.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <deque>
#include <mutex>

// $XDG_DATA_HOME/HB_Vexgrid/history (by default ~/.local/share/...).
QString HistoryFolder();
// The recording of a view: one per vexgrid file (its name and a hash of its
// absolute path) or, for a view without file, per agent (host and port).
QString HistoryFileFor(const QString& viewFile, const QString& host, int port);

class THistoryWriter;

class THistoryRecorder : public QObject {
    Q_OBJECT

public:
    explicit THistoryRecorder(QObject* parent = nullptr);
    // Writes what was handed over, then ends the writer thread.
    ~THistoryRecorder() override;

    void SetLimits(const THistoryLimits& limits);
    // Hands shoot to the writer, which appends it to the file at path (opened
    // or made on first use, another when path changes). A shoot is dropped,
    // and said so, while the writer is more than a few shoots behind.
    void Record(const QString& path, THistoryShoot shoot);
    // Waits until every shoot handed over is written.
    void Flush();
    // The file the writer records to: path, or a file of its own when
    // another writer holds path; empty before the first shoot.
    QString ActivePath() const;

signals:
    // A shoot was appended (at wallMs); emitted on the recorder's thread.
    void Recorded(qint64 wallMs);
    // Recording failed or was moved to another file; the message says why
    // and where. Recording goes on with the next shoot.
    void Problem(const QString& message);

private:
    friend class THistoryWriter;
    void SetActivePath(const QString& active);
    // On the writer thread: appends every queued shoot.
    void WriteQueued();

    struct TQueued {
        QString path;
        THistoryShoot shoot;
    };

    QThread thread;
    THistoryWriter* writer = nullptr;  // lives on thread
    std::mutex queueLock;              // guards queue and limits
    THistoryLimits limits;
    std::deque<TQueued> queue;  // handed over, not yet written
    // Written shoots go back to the window's thread to be let go there: they
    // share their rows with the store, which could otherwise find them no
    // longer shared and change them in place, ordered after the writer's
    // reads only by a reference count that Qt checks without ordering.
    TQueuedHandOver<THistoryShoot> written{[](const THistoryShoot&) {}};
    mutable QMutex pathLock;
    QString activePath;
};
