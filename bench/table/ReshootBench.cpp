// bench_reshoot: the cost of re-shooting a large table that is on screen:
// the CPU time per re-shoot of an N-row x 7-column table, and the longest
// time the event loop is blocked meanwhile, with counter rates and readable
// values on or off.
//
//   bench_reshoot --rows N --reshoots K --live yes|no [--sorted yes]
//
// The agent is left out: the rows are placed as the shoot engine places the
// answers of an instance table, one row per event-loop turn, into the real
// result table shown in a QTreeView (sorted by a counter column with
// --sorted yes). Columns: ifIndex, ifType, ifSpeed, ifInOctets, ifOutOctets
// (Counter32), ifHCInUcastPkts (Counter64), sysUpTime-like TimeTicks. A 10 ms
// heartbeat finds the longest block. Prints one line for scripts:
//   RESULT rows=.. reshoots=.. live=.. cpu_ms_per_reshoot=.. max_gap_ms=..
#include "support/BenchTable.h"
#include "support/BlockWatch.h"
#include "table/ResultTable.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QHash<QString, QString> switches = bench::Switches(QApplication::arguments());
    const int rows = switches.value(QStringLiteral("--rows"), QStringLiteral("10000")).toInt();
    const int reshoots = switches.value(QStringLiteral("--reshoots"), QStringLiteral("5")).toInt();
    const bool live = switches.value(QStringLiteral("--live")) == QLatin1String("yes");
    const bool sorted = switches.value(QStringLiteral("--sorted")) == QLatin1String("yes");
    if (rows < 1 || reshoots < 1) {
        std::fprintf(stderr, "usage: bench_reshoot --rows N --reshoots K --live yes|no [--sorted yes]\n");
        return 2;
    }

    TViewOptions options;
    options.counterRates = live;
    options.readableValues = live;
    bench::TTableOnScreen screen(options);
    TResultTable& table = screen.table;
    if (sorted)
        table.ListView1ColumnClick(5);  // ifInOctets, after ".." and "Index"

    bench::TBlockWatch blocks;

    int shoot = 0, row = 0;
    double cpuAtReshoot = 0, cpuOfReshoots = 0;
    TRowCursor cursor;
    QTimer answers;  // one row per turn, as answers arrive
    QObject::connect(&answers, &QTimer::timeout, [&] {
        if (row == 0) {
            cursor.Reset();
            if (shoot > 0) {
                table.BeginReshoot();
                cpuAtReshoot = bench::CpuSeconds();
                if (shoot == 1)
                    blocks.Start();  // the first fill is no re-shoot
            }
        }
        bench::PlaceTableRow(table, cursor, row, shoot);
        if (++row < rows)
            return;
        table.DropStaleRows();
        table.Resort();
        table.PublishRows();
        QApplication::processEvents();  // the repaint belongs to the shoot
        if (shoot > 0)
            cpuOfReshoots += bench::CpuSeconds() - cpuAtReshoot;
        row = 0;
        if (++shoot > reshoots) {
            answers.stop();
            blocks.Stop();
            QApplication::quit();
        }
    });
    answers.start(0);
    app.exec();
    std::printf("bench_reshoot: %d rows x %lld columns, %d re-shoots, rates and readable values %s%s\n", rows,
                static_cast<long long>(bench::TableTargets().size()), reshoots, live ? "on" : "off",
                sorted ? ", sorted" : "");
    std::printf("RESULT rows=%d reshoots=%d live=%s cpu_ms_per_reshoot=%.1f max_gap_ms=%.1f\n", rows,
                reshoots, live ? "yes" : "no", cpuOfReshoots * 1000 / reshoots, blocks.LongestGapMs());
    return table.rowCount() == rows ? 0 : 1;
}
