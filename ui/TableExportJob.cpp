#include "TableExportJob.h"

#include <QMetaObject>

TTableExportJob::~TTableExportJob()
{
    if (writer.joinable())
        writer.join();
}

void TTableExportJob::Start(const QString& path, TTableSnapshot snapshot)
{
    if (writer.joinable())
        writer.join();
    // The thread is joined before the job is destroyed, so the job outlives
    // the queued call; the call is dropped if the job is gone when it comes.
    writer = std::thread([this, path, table = std::move(snapshot)] {
        const QString reason = ReplaceFileAtomically(path, TableAsCsv(table));
        QMetaObject::invokeMethod(
            this, [this, path, reason] { emit Finished(path, reason); }, Qt::QueuedConnection);
    });
}
