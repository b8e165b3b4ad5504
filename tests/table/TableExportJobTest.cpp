// The export job writes the CSV file of a snapshot on a thread of its own.
// A suite of its own, so that the tsan preset builds it without the model's.
#include "table/TableExportJob.h"

#include "CsvRecords.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using vxtest::ParseCsv;
using vxtest::TRecords;

namespace {

// The job reads rows it shares with the table on its own thread while the
// window goes on changing them, also in place once nobody else holds them:
// the file is the table as it was, and under the tsan preset no change of the
// window is left unordered against the job's reads.
TEST(TableExportJob, WritesTheRowsAsTheyWereWhileTheWindowChangesThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("job.csv"));
    QVector<QStringList> rows(2000, QStringList{QStringLiteral("a"), QStringLiteral("b")});
    TTableExportJob job;
    QStringList reasons;
    QObject::connect(&job, &TTableExportJob::Finished,
                     [&](const QString&, const QString& reason) { reasons << reason; });
    job.Start(path, [rows] { return TTableSnapshot{{QStringLiteral("x"), QStringLiteral("y")}, rows, {}}; });

    // The file is written; give the job time to end before the window, which
    // has not heard of it yet, changes every row.
    const QDeadlineTimer deadline(10000);
    while (!QFile::exists(path) && !deadline.hasExpired())
        QThread::msleep(5);
    QThread::msleep(100);
    for (QStringList& row : rows)
        row[0] = QStringLiteral("changed");
    while (reasons.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(reasons, QStringList{QString()});

    TRecords expected{{QStringLiteral("x"), QStringLiteral("y")}};
    expected.append(TRecords(2000, QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(ParseCsv(file.readAll()), std::optional<TRecords>(expected));
}

}  // namespace
