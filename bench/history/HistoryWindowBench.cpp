// bench_history_window: what recording and trends cost a large table on
// screen, re-shot every second: the process's CPU time per re-shoot (the
// window's thread, the history writer and everything else) of an N-row x
// 7-column table with counter rates on, and the longest time the event loop
// is blocked, with the recording and the trends on or both off.
//
//   bench_history_window --rows N --reshoots K --history yes|no
//                        [--record yes|no] [--trends yes|no] [--probe PATH]
//
// The agent is left out: the rows are placed as the shoot engine places the
// answers of an instance table, a row per event-loop turn, into the real
// result table shown in a QTreeView with the trend delegate; a shoot starts
// every second. With --history yes every shoot is handed to the recorder
// (a file in a temporary folder) and to the trends, as the window does;
// --record and --trends turn one of the two on or off alone. A 10 ms
// heartbeat finds the longest block; with --probe (xcb platform) the
// bench_ping_probe also measures it from outside the process, over the
// re-shoots. Prints one line for scripts:
//   RESULT rows=.. reshoots=.. history=.. record=.. trends=.. cpu_ms_per_reshoot=..
//          writer_cpu_ms_per_reshoot=.. max_gap_ms=.. file_bytes_per_reshoot=..
//          probe_max_ms=.. (-1: not measured)
// (the writer's share of the process's CPU is the history writer thread's).
#include "history/HistoryRecorder.h"
#include "support/BenchTable.h"
#include "support/BlockWatch.h"
#include "table/ResultTable.h"
#include "ui/TrendDelegate.h"

#include <QApplication>
#include <QProcess>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kShootEveryMs = 1000;
const QByteArray kWriterThread = "history writer";

// The CPU time the process's threads named name have run, in ms (the
// kernel's schedstat: nanoseconds, unlike the ticks of stat).
double ThreadCpuMs(const QByteArray& name)
{
    double ms = 0;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        QFile schedstat(QStringLiteral("/proc/self/task/%1/schedstat").arg(task));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name
            || !schedstat.open(QIODevice::ReadOnly))
            continue;
        ms += schedstat.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return ms;
}

// The bytes the shoots take in the recording at path, as a reader sees it
// (what the write-ahead log holds included).
std::int64_t RecordedBytes(const QString& path)
{
    THistoryDatabase reader;
    return reader.Open(path) ? reader.UsedBytes() : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QHash<QString, QString> switches = bench::Switches(QApplication::arguments());
    const int rows = switches.value(QStringLiteral("--rows"), QStringLiteral("10000")).toInt();
    const int reshoots = switches.value(QStringLiteral("--reshoots"), QStringLiteral("5")).toInt();
    const bool history = switches.value(QStringLiteral("--history")) == QLatin1String("yes");
    const QString both = history ? QStringLiteral("yes") : QStringLiteral("no");
    const bool record = switches.value(QStringLiteral("--record"), both) == QLatin1String("yes");
    const bool trendsOn = switches.value(QStringLiteral("--trends"), both) == QLatin1String("yes");
    if (rows < 1 || reshoots < 1) {
        std::fprintf(stderr, "usage: bench_history_window --rows N --reshoots K --history yes|no\n");
        return 2;
    }

    TViewOptions options;
    options.counterRates = true;
    bench::TTableOnScreen screen(options);
    TResultTable& table = screen.table;
    TTrendDelegate trends(table);
    trends.SetShown(trendsOn);
    screen.view.setItemDelegate(&trends);
    QTemporaryDir folder;
    THistoryRecorder recorder;
    const QString recording = folder.filePath(QStringLiteral("bench.sqlite"));

    bench::TBlockWatch blocks;
    // --probe PATH (xcb only): the bench_ping_probe pings the window from
    // outside the process while the re-shoots run.
    const QString probePath = switches.value(QStringLiteral("--probe"));
    QProcess probe;

    int shoot = 0, row = 0;
    double cpuAtReshoot = 0, cpuOfReshoots = 0;
    std::int64_t bytesAtReshoot = 0;
    double writerAtReshoot = 0, writerOfReshoots = 0;
    TRowCursor cursor;
    QTimer answers;  // one row per turn, as answers arrive
    QTimer everySecond;
    QObject::connect(&everySecond, &QTimer::timeout, [&] { answers.start(0); });
    QObject::connect(&answers, &QTimer::timeout, [&] {
        if (row == 0) {
            cursor.Reset();
            if (shoot > 0) {
                table.BeginReshoot();
                if (shoot == 1) {
                    // The first fill's recording is no re-shoot's either.
                    recorder.Flush();
                    bytesAtReshoot = RecordedBytes(recording);
                    writerAtReshoot = ThreadCpuMs(kWriterThread);
                    cpuAtReshoot = bench::CpuSeconds();
                    blocks.Start();  // the first fill is no re-shoot
                    if (!probePath.isEmpty())
                        probe.start(probePath, {QString::number(screen.view.window()->winId())});
                }
            }
        }
        bench::PlaceTableRow(table, cursor, row, shoot);
        if (++row < rows)
            return;
        table.DropStaleRows();
        table.Resort();
        table.PublishRows();
        // As the window does at the end of a shoot.
        if (trendsOn)
            trends.Take(table.Store().Rows());
        if (record) {
            THistoryShoot taken;
            taken.wallMs = QDateTime::currentMSecsSinceEpoch();
            taken.listLayout = false;
            taken.targets = bench::TableTargets();
            taken.upTime = 100000 + shoot * 1000;
            taken.rows = table.Store().Rows();
            recorder.Record(recording, std::move(taken));
        }
        QApplication::processEvents();  // the repaint belongs to the shoot
        answers.stop();
        row = 0;
        if (++shoot > reshoots) {
            // The trends' last slices count, and so does the writer's last
            // shoot; waiting for the writer is the bench's, not the window's.
            while (trends.Taking())
                QApplication::processEvents();
            blocks.Stop();
            recorder.Flush();
            cpuOfReshoots += bench::CpuSeconds() - cpuAtReshoot;
            writerOfReshoots = ThreadCpuMs(kWriterThread) - writerAtReshoot;
            everySecond.stop();
            if (probe.state() == QProcess::NotRunning) {
                QApplication::quit();
                return;
            }
            // The probe collects its last answers while the loop still runs.
            QObject::connect(&probe, &QProcess::finished, &app, &QApplication::quit);
            probe.closeWriteChannel();
        }
    });
    everySecond.start(kShootEveryMs);
    answers.start(0);
    app.exec();
    double probeMaxMs = -1;
    if (!probePath.isEmpty()) {
        probe.waitForFinished(5000);
        const QByteArray said = probe.readAllStandardOutput();
        const qsizetype at = said.indexOf("max_ms=");
        if (at >= 0 && !said.contains(" answered=0"))
            probeMaxMs = said.mid(at + 7).split(' ').value(0).trimmed().toDouble();
    }
    const std::int64_t grown = record ? RecordedBytes(recording) - bytesAtReshoot : 0;
    std::printf(
        "RESULT rows=%d reshoots=%d history=%s record=%s trends=%s cpu_ms_per_reshoot=%.1f"
        " writer_cpu_ms_per_reshoot=%.1f max_gap_ms=%.1f file_bytes_per_reshoot=%lld probe_max_ms=%.1f\n",
        rows, reshoots, history ? "yes" : "no", record ? "yes" : "no", trendsOn ? "yes" : "no",
        cpuOfReshoots * 1000 / reshoots, writerOfReshoots / reshoots, blocks.LongestGapMs(),
        static_cast<long long>(grown / reshoots), probeMaxMs);
    return table.rowCount() == rows ? 0 : 1;
}
