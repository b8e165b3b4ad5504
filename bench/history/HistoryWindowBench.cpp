// bench_history_window: what recording and trends cost a large table on
// screen, re-shot every second: the process's CPU time per re-shoot (the
// window's thread, the history writer and everything else) of an N-row x
// 7-column table with counter rates on, and the longest time the event loop
// is blocked, with the recording and the trends on or both off.
//
//   bench_history_window --rows N --reshoots K --history yes|no
//
// The agent is left out: the rows are placed as the shoot engine places the
// answers of an instance table, a row per event-loop turn, into the real
// result table shown in a QTreeView with the trend delegate; a shoot starts
// every second. With --history yes every shoot is handed to the recorder
// (a file in a temporary folder) and to the trends, as the window does. A
// 10 ms heartbeat finds the longest block. Prints one line for scripts:
//   RESULT rows=.. reshoots=.. history=.. cpu_ms_per_reshoot=.. max_gap_ms=..
#include "history/HistoryRecorder.h"
#include "table/ResultTable.h"
#include "table/Shared.h"
#include "ui/ResultView.h"
#include "ui/TrendDelegate.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

constexpr int kHeartbeatMs = 10;
constexpr int kShootEveryMs = 1000;
const char* const kIfEntry = "1.3.6.1.2.1.2.2.1.";
const QStringList kTargets = {"1.3.6.1.2.1.2.2.1.1",  "1.3.6.1.2.1.2.2.1.3",  "1.3.6.1.2.1.2.2.1.5",
                              "1.3.6.1.2.1.2.2.1.10", "1.3.6.1.2.1.2.2.1.16", "1.3.6.1.2.1.31.1.1.1.7",
                              "1.3.6.1.2.1.2.2.1.9"};
const int kTypes[] = {0x02, 0x02, 0x42, 0x41, 0x41, 0x46, 0x43};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString ValueOf(int column, int row, int shoot)
{
    switch (column) {
    case 0: return QString::number(row + 1);
    case 1: return QStringLiteral("6");
    case 2: return QStringLiteral("1000000000");
    case 6: return QString::number(100000 + shoot * 1000);
    default:
        return QString::number(static_cast<qint64>(row) * 1000 + static_cast<qint64>(shoot) * (row + 1) * 37);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rows = 10000, reshoots = 5;
    bool history = false;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows"))
            rows = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--reshoots"))
            reshoots = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--history"))
            history = args[i + 1] == QLatin1String("yes");
    }
    if (rows < 1 || reshoots < 1) {
        std::fprintf(stderr, "usage: bench_history_window --rows N --reshoots K --history yes|no\n");
        return 2;
    }

    TOidNameTable names;
    names.BuildOidNameTable();
    TResultTable table(names);
    table.SetPublishInterval(100);  // as the window does
    QTreeView view;
    ConfigureResultView(&view, &table);
    view.resize(900, 500);
    view.show();
    TViewOptions options;
    options.counterRates = true;
    table.SetViewOptions(options);
    table.BuildColumns(true, kTargets);
    TTrendDelegate trends(table);
    trends.SetShown(history);
    view.setItemDelegate(&trends);
    QTemporaryDir folder;
    THistoryRecorder recorder;
    const QString recording = folder.filePath(QStringLiteral("bench.sqlite"));

    QElapsedTimer clock;
    clock.start();
    double maxGapMs = 0;
    qint64 lastBeat = -1;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastBeat >= 0)
            maxGapMs = std::max(maxGapMs, static_cast<double>(now - lastBeat) / 1e6);
        lastBeat = now;
    });

    int shoot = 0, row = 0;
    double cpuAtReshoot = 0, cpuOfReshoots = 0;
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
                    cpuAtReshoot = CpuSeconds();
                    heartbeat.start(kHeartbeatMs);  // the first fill is no re-shoot
                    lastBeat = -1;
                }
            }
        }
        cursor.BeginRow();
        const qint64 arrived = static_cast<qint64>(shoot) * 10000 + row;
        for (int column = 0; column < kTargets.size(); ++column) {
            TCellValue value;
            value.type = kTypes[column];
            value.text = ValueOf(column, row, shoot);
            value.raw = value.text.toLatin1();
            value.arrivedMs = arrived;
            value.upTime = 100000 + shoot * 1000;
            const QString oid = kTargets[column] + QLatin1Char('.') + QString::number(row + 1);
            cursor.Advance(table.PlaceCell(oid, value, cursor));
        }
        if (++row < rows)
            return;
        table.DropStaleRows();
        table.Resort();
        table.PublishRows();
        if (history) {
            // As the window does at the end of a shoot.
            trends.Trends().Take(table.Store().Rows());
            THistoryShoot taken;
            taken.wallMs = QDateTime::currentMSecsSinceEpoch();
            taken.listLayout = false;
            taken.targets = kTargets;
            taken.upTime = 100000 + shoot * 1000;
            taken.rows = table.Store().Rows();
            recorder.Record(recording, std::move(taken));
        }
        QApplication::processEvents();  // the repaint belongs to the shoot
        answers.stop();
        row = 0;
        if (++shoot > reshoots) {
            recorder.Flush();  // the writer's last shoot counts too
            cpuOfReshoots += CpuSeconds() - cpuAtReshoot;
            everySecond.stop();
            heartbeat.stop();
            QApplication::quit();
        }
    });
    everySecond.start(kShootEveryMs);
    answers.start(0);
    app.exec();
    std::printf("RESULT rows=%d reshoots=%d history=%s cpu_ms_per_reshoot=%.1f max_gap_ms=%.1f\n", rows,
                reshoots, history ? "yes" : "no", cpuOfReshoots * 1000 / reshoots, maxGapMs);
    return table.rowCount() == rows ? 0 : 1;
}
