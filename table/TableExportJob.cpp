#include "table/TableExportJob.h"

TTableExportJob::TTableExportJob(QObject* parent)
    : QObject(parent), outcomes([this](TOutcome outcome) {
          outcome.take = nullptr;
          emit Finished(outcome.path, outcome.reason);
      })
{
}

TTableExportJob::~TTableExportJob()
{
    if (writer.joinable())
        writer.join();
}

void TTableExportJob::Start(const QString& path, std::function<TTableSnapshot()> take)
{
    if (writer.joinable())
        writer.join();
    // The thread is joined before the job is destroyed; an outcome still
    // queued then is dropped with the job.
    writer = std::thread([this, path, take = std::move(take)]() mutable {
        const QByteArray csv = TableAsCsv(take());
        // `take` still shares the table's rows. It goes back to the window's
        // thread to be let go there: let go here, the window could find the
        // rows no longer shared and change them in place at once, ordered
        // after the reads above only by a reference count that Qt checks
        // without ordering. The window's copies of rows it changed meanwhile
        // are then freed there too, a cost of the order of making them.
        outcomes.Post({path, ReplaceFileAtomically(path, csv), std::move(take)});
    });
}
