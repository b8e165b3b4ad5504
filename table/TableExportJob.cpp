#include "TableExportJob.h"

#include <QMetaObject>

TTableExportJob::~TTableExportJob()
{
    if (writer.joinable())
        writer.join();
}

void TTableExportJob::Start(const QString& path, std::function<TTableSnapshot()> take)
{
    if (writer.joinable())
        writer.join();
    // The thread is joined before the job is destroyed, so the job outlives
    // the queued call; the call is dropped if the job is gone when it comes.
    writer = std::thread([this, path, take = std::move(take)]() mutable {
        QByteArray csv = TableAsCsv(take());
        take = nullptr;  // the rows the snapshot shared are let go here, not on the window's thread
        const QString reason = ReplaceFileAtomically(path, csv);
        QMetaObject::invokeMethod(
            this, [this, path, reason] { emit Finished(path, reason); }, Qt::QueuedConnection);
    });
}
