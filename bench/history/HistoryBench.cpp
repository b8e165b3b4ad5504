// The recording of a large table: what a shoot of ROWS x 7 cells costs the
// window's thread (handing the rows over) and the writer (one transaction),
// in wall time and CPU, and how fast the file grows, per shoot and per day
// at one shoot a second.
//   bench_history [--rows N] [--shoots N]
#include "history/HistoryRecorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// An interfaces table of `rows` rows: index, name, type, speed and three
// counters that move on every shoot.
QVector<TResultRow> Table(int rows, int shoot)
{
    static const char* const kColumns[] = {"1", "2", "3", "5", "10", "11", "16"};
    QVector<TResultRow> table;
    table.reserve(rows);
    for (int r = 1; r <= rows; ++r) {
        TResultRow row;
        row.suffix = QStringLiteral(".%1").arg(r);
        row.key = QStringLiteral("1.3.6.1.2.1.2.2.1.1") + row.suffix;
        for (const char* column : kColumns) {
            TResultCell cell;
            cell.oid = QStringLiteral("1.3.6.1.2.1.2.2.1.") + QLatin1String(column) + row.suffix;
            const bool counter = column[0] == '1' && column[1] != '\0';
            cell.now.type = counter ? snmptype::kCounter32 : snmptype::kInteger;
            cell.now.text = column[0] == '2' && column[1] == '\0'
                              ? QStringLiteral("port%1").arg(r)
                              : QString::number(counter ? 1000LL * r * shoot : r);
            cell.now.raw = cell.now.text.toUtf8();
            cell.now.arrivedMs = 1000LL * shoot;
            cell.now.wallMs = QDateTime::currentMSecsSinceEpoch();
            cell.now.upTime = 100LL * shoot;
            row.cells.append(cell);
        }
        table.append(row);
    }
    return table;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    auto option = [&args](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int rows = option("--rows", 10000);
    const int shoots = std::max(1, option("--shoots", 20));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.sqlite"));

    THistoryRecorder recorder;
    double handOverMs = 0;
    double longestHandOverMs = 0;
    QElapsedTimer wall;
    const double cpuBefore = CpuMs();
    wall.start();
    for (int shoot = 1; shoot <= shoots; ++shoot) {
        THistoryShoot taken;
        taken.wallMs = QDateTime::currentMSecsSinceEpoch();
        taken.listLayout = false;
        taken.rows = Table(rows, shoot);  // made outside the timed hand-over, as the store holds them
        QElapsedTimer handOver;
        handOver.start();
        recorder.Record(path, std::move(taken));
        const double ms = static_cast<double>(handOver.nsecsElapsed()) / 1e6;
        handOverMs += ms;
        longestHandOverMs = std::max(longestHandOverMs, ms);
        recorder.Flush();  // one shoot at a time: the writer's time per shoot
    }
    const double elapsedMs = static_cast<double>(wall.elapsed());
    const double cpuMs = CpuMs() - cpuBefore;
    THistoryDatabase database;
    database.Open(path);
    const double bytesPerShoot = static_cast<double>(database.UsedBytes()) / shoots;
    std::printf("recording %d shoots of %d x 7 cells\n", shoots, rows);
    std::printf("  hand-over on the window's thread: %.3f ms a shoot (longest %.3f ms)\n",
                handOverMs / shoots, longestHandOverMs);
    std::printf("  shoot written (table made, hand-over, transaction): %.1f ms wall, %.1f ms CPU a shoot\n",
                elapsedMs / shoots, cpuMs / shoots);
    std::printf("  file growth: %.2f MB a shoot, %.1f GB a day at one shoot a second\n", bytesPerShoot / 1e6,
                bytesPerShoot * 86400 / 1e9);
    return 0;
}
