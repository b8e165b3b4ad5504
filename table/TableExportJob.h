// TTableExportJob: writes the export file of a table snapshot on a thread of
// its own, so that a table of a hundred thousand rows does not hold up the
// window. Finished is raised on the job's thread (the window's) when the file
// is written or has failed.
#pragma once

#include "table/TableExport.h"

#include "core/QueuedHandOver.h"

#include <QObject>
#include <QString>

#include <functional>
#include <thread>

class TTableExportJob : public QObject {
    Q_OBJECT

public:
    explicit TTableExportJob(QObject* parent = nullptr);
    // Waits for a file still being written.
    ~TTableExportJob() override;
    TTableExportJob(const TTableExportJob&) = delete;
    TTableExportJob& operator=(const TTableExportJob&) = delete;

    // Starts writing the snapshot `take` makes (on the job's thread) as CSV
    // to `path`; an earlier file still being written is finished first.
    void Start(const QString& path, std::function<TTableSnapshot()> take);

signals:
    // reason: empty when the file was written, else why it was not.
    void Finished(const QString& path, const QString& reason);

private:
    struct TOutcome {
        QString path;
        QString reason;
        std::function<TTableSnapshot()> take;  // let go on the window's thread
    };
    TQueuedHandOver<TOutcome> outcomes;
    std::thread writer;  // last: joined before the members it uses go
};
