// The recording of a large table: what a shoot of ROWS x 7 cells costs the
// window's thread (handing the rows over) and the writer (one transaction),
// in wall time and CPU, and how fast the file grows, per shoot and per day
// at one shoot a second. The table is made outside the clocks; the counters
// of --moving percent of the rows go up at every shoot (all by default, the
// most a shoot can change), the other cells stay as they were. Then the
// reading back: the newest shoots walked as the trends fill (every shoot),
// the newest shoot for the replay, one cell's readings for a chart, every
// cell through the view `reading` as plain SQL would, and a block's cells
// read as JSON text against the packed bytes of schema 3 (ns a cell).
//   bench_history [--rows N] [--shoots N] [--moving PERCENT]
#include "history/CellBlock.h"
#include "history/HistoryRecorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <utility>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// An interfaces table of `rows` rows: index, name, type, speed and three
// counters; those of the first `moving` rows go up at every shoot.
QVector<TResultRow> Table(int rows, int moving, int shoot)
{
    static const char* const kColumns[] = {"1", "2", "3", "5", "10", "11", "16"};
    QVector<TResultRow> table;
    table.reserve(rows);
    const std::int64_t wallMs = QDateTime::currentMSecsSinceEpoch();
    for (int r = 1; r <= rows; ++r) {
        TResultRow row;
        row.suffix = QStringLiteral(".%1").arg(r);
        row.key = QStringLiteral("1.3.6.1.2.1.2.2.1.1") + row.suffix;
        for (const char* column : kColumns) {
            TResultCell cell;
            cell.oid = QStringLiteral("1.3.6.1.2.1.2.2.1.") + QLatin1String(column) + row.suffix;
            const bool counter = column[0] == '1' && column[1] != '\0';
            const std::int64_t step = r <= moving ? shoot : 1;
            cell.now.type = counter ? snmptype::kCounter32 : snmptype::kInteger;
            cell.now.text = column[0] == '2' && column[1] == '\0'
                              ? QStringLiteral("port%1").arg(r)
                              : QString::number(counter ? 1000LL * r * step : r);
            cell.now.SetBytes(cell.now.text.toUtf8());
            cell.now.arrivedMs = 1000LL * shoot + r / 10;
            cell.now.wallMs = wallMs + r / 10;
            cell.now.upTime = 100LL * shoot;
            row.cells.append(cell);
        }
        table.append(row);
    }
    return table;
}

double MsOf(const std::function<void()>& job)
{
    QElapsedTimer clock;
    clock.start();
    job();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// ns a cell to write and to read the cells of the first kBlockRows rows of
// table as one block: as JSON text, then packed.
struct TBlockNs {
    double jsonWrite, jsonRead, packedWrite, packedRead;
};

TBlockNs BlockNs(const QVector<TResultRow>& table)
{
    const QStringList targets = {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2",  "1.3.6.1.2.1.2.2.1.3",
                                 "1.3.6.1.2.1.2.2.1.5", "1.3.6.1.2.1.2.2.1.10", "1.3.6.1.2.1.2.2.1.11",
                                 "1.3.6.1.2.1.2.2.1.16"};
    QVector<QString> suffixes;
    QVector<TCellForm> forms;
    for (qsizetype r = 0; r < kBlockRows && r < table.size(); ++r) {
        suffixes.append(table[r].suffix);
        for (qsizetype c = 0; c < table[r].cells.size(); ++c)
            forms.append(
                TCellForm(table[r].cells[c].now, table[r].cells[c].oid, &targets[c], table[r].suffix));
    }
    constexpr int kRounds = 2000;
    TCellJsonWriter json;
    TCellBlockWriter packed;
    const auto writeAll = [&](auto& writer, auto start) {
        for (int round = 0; round < kRounds; ++round) {
            start(writer);
            qsizetype at = 0;
            for (qsizetype r = 0; r < suffixes.size(); ++r)
                for (qsizetype c = 0; c < table[r].cells.size(); ++c)
                    writer.Add(r, c, table[r].cells[c].now, table[r].cells[c].oid, forms[at++], 0);
        }
    };
    const double jsonWriteMs = MsOf([&] {
        writeAll(json, [](TCellJsonWriter& w) { w.Start(0, {100, 0, 0}); });
    });
    const QByteArray jsonData = json.Finish();
    const double packedWriteMs =
        MsOf([&] { writeAll(packed, [](TCellBlockWriter& w) { w.Start(0, 100); }); });
    const auto readAll = [&](bool asJson, const QByteArray& data) {
        for (int round = 0; round < kRounds; ++round) {
            TAnyBlockReader reader(asJson, data, 0, targets, suffixes, {100, 0, 0});
            TBlockCell cell;
            while (reader.Next(cell)) {
            }
        }
    };
    const double jsonReadMs = MsOf([&] { readAll(true, jsonData); });
    const double packedReadMs = MsOf([&] { readAll(false, packed.Data()); });
    const double perCell = 1e6 / kRounds / static_cast<double>(std::max<qsizetype>(1, forms.size()));
    return {jsonWriteMs * perCell, jsonReadMs * perCell, packedWriteMs * perCell, packedReadMs * perCell};
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
    const int moving = rows * std::clamp(option("--moving", 100), 0, 100) / 100;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.sqlite"));

    THistoryRecorder recorder;
    std::vector<double> handOver;
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int shoot = 1; shoot <= shoots; ++shoot) {
        THistoryShoot taken;
        taken.wallMs = QDateTime::currentMSecsSinceEpoch();
        taken.listLayout = false;
        taken.upTime = 100LL * shoot;
        taken.rows = Table(rows, moving, shoot);
        QElapsedTimer clock;
        const double cpuBefore = CpuMs();
        clock.start();
        recorder.Record(path, std::move(taken));
        handOver.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        recorder.Flush();  // one shoot at a time: the writer's time per shoot
        wall.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        cpu.push_back(CpuMs() - cpuBefore);
    }
    recorder.Flush();
    THistoryDatabase database;
    database.Open(path);
    const double bytesPerShoot = static_cast<double>(database.UsedBytes()) / shoots;
    std::printf("recording %d shoots of %d x 7 cells, the counters of %d rows moving\n", shoots, rows,
                moving);
    std::printf("  hand-over on the window's thread: median %.3f ms (longest %.3f ms)\n", Median(handOver),
                *std::max_element(handOver.begin(), handOver.end()));
    std::printf("  shoot written: median %.1f ms wall, %.1f ms CPU (longest %.1f ms wall)\n", Median(wall),
                Median(cpu), *std::max_element(wall.begin(), wall.end()));
    std::printf("  file growth: %.2f MB a shoot, %.1f GB a day at one shoot a second\n", bytesPerShoot / 1e6,
                bytesPerShoot * 86400 / 1e9);
    const QVector<TRecordedShoot> recorded = database.Shoots();
    const double walkMs =
        MsOf([&] { database.WalkNewest(shoots, [](const TRecordedShoot&, const QVector<TResultRow>&) {}); });
    const double rowsMs = MsOf([&] { database.RowsOf(recorded.back().id); });
    const double chartMs =
        MsOf([&] { database.Readings(QStringLiteral("1.3.6.1.2.1.2.2.1.10.%1").arg(rows / 2)); });
    TSqliteFile plain;
    plain.Open(path, 5000);
    std::int64_t viewCells = 0;
    const double viewMs = MsOf([&] { viewCells = plain.Number("SELECT count(*) FROM reading"); });
    const TBlockNs block = BlockNs(Table(rows, moving, shoots));
    std::printf(
        "  read back: %d shoots walked %.0f ms, the newest shoot %.0f ms, one cell's readings %.0f ms\n",
        shoots, walkMs, rowsMs, chartMs);
    std::printf("  plain SQL: SELECT count(*) FROM reading: %lld cells in %.0f ms\n",
                static_cast<long long>(viewCells), viewMs);
    std::printf("  a block's cells: JSON text written %.0f ns a cell, read %.0f ns; packed written %.0f ns,"
                " read %.0f ns\n",
                block.jsonWrite, block.jsonRead, block.packedWrite, block.packedRead);
    std::printf("bench_history rows=%d moving=%d wall_ms=%.1f cpu_ms=%.1f mb_per_shoot=%.3f\n", rows, moving,
                Median(wall), Median(cpu), bytesPerShoot / 1e6);
    return 0;
}
