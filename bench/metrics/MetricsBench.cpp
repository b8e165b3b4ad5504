// The metrics endpoint over a large table: the time to render the store's
// snapshot, the time a scraper waits for /metrics (from its connect to the
// last byte, on a thread of its own) while it scrapes every second and the
// table is re-shot every second, and the longest stall of the event loop
// meanwhile. No agent: the rows are placed as the engine places answers.
//   bench_metrics [--rows N] [--scrapes S]    (default: 10000 10)
// Prints "RESULT rows=... render_ms=... serve_ms_max=... max_gap_ms=...".
#include "engine/ResultStore.h"
#include "metrics/MetricsServer.h"
#include "names/MibNames.h"

#include "LoopbackClient.h"
#include "support/BlockWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

const QStringList kTargets = {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.3",
                              "1.3.6.1.2.1.2.2.1.5", "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.2.2.1.10",
                              "1.3.6.1.2.1.2.2.1.16"};
const int kTypes[] = {snmptype::kInteger, snmptype::kOctetString, snmptype::kInteger,  snmptype::kGauge32,
                      snmptype::kInteger, snmptype::kCounter32,   snmptype::kCounter32};
constexpr int kHeartbeatMs = 5;

void Fill(TResultStore& store, int rows)
{
    store.SetLayout(false, kTargets);
    TRowCursor cursor;
    for (int row = 0; row < rows; ++row) {
        cursor.BeginRow();
        for (int column = 0; column < kTargets.size(); ++column) {
            TCellValue value;
            value.type = kTypes[column];
            value.text =
                column == 1 ? QStringLiteral("port%1").arg(row + 1) : QString::number(row * 7 + column);
            value.SetBytes(value.text.toLatin1());
            const QString oid = kTargets[column] + QLatin1Char('.') + QString::number(row + 1);
            cursor.Advance(store.Place(oid, value, cursor, false));
        }
    }
}

// One scrape: ms from connect to the body's last byte; -1 on failure.
double Scrape(int port, size_t* bodyBytes)
{
    QElapsedTimer clock;
    clock.start();
    const int fd = vxmetrics::Connect(port, 60);
    std::string answer;
    const bool whole =
        fd >= 0 && vxmetrics::Exchange(fd, "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", &answer);
    if (fd >= 0)
        ::close(fd);
    *bodyBytes = answer.size();
    return whole ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rows = 10000, scrapes = 10;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--rows")
            rows = args[i + 1].toInt();
        else if (args[i] == "--scrapes")
            scrapes = args[i + 1].toInt();
    }
    TResultStore store;
    Fill(store, rows);
    TMetricsServer server(store, [] { return TMibNames::BuiltIn(); });
    if (!vxmetrics::ListenOnLoopback(server))
        return std::fprintf(stderr, "%s\n", qPrintable(server.ErrorText())), 1;

    TMetricsSnapshot snapshot{store.Rows(), TMibNames::BuiltIn(), 0, 0};
    QElapsedTimer render;
    render.start();
    const QByteArray text = RenderValues(snapshot, TExpositionFormat::PrometheusText);
    const double renderMs = double(render.nsecsElapsed()) / 1e6;

    bench::TBlockWatch blocks;
    QTimer reshoot;  // the end of a shoot every second: a snapshot and its rendering
    QObject::connect(&reshoot, &QTimer::timeout, &store, &TResultStore::FinishShoot);
    store.FinishShoot();
    blocks.Start(kHeartbeatMs);
    reshoot.start(1000);

    std::vector<double> served;
    size_t bodyBytes = 0;
    std::atomic<bool> done{false};
    std::thread scraper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the first rendering is done
        for (int i = 0; i < scrapes; ++i) {
            served.push_back(Scrape(server.Endpoint().port, &bodyBytes));
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        done = true;
    });
    QTimer finish;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (done)
            app.quit();
    });
    finish.start(50);
    app.exec();
    scraper.join();
    std::sort(served.begin(), served.end());
    const bool allServed = !served.empty() && served.front() >= 0;
    std::printf("bench_metrics: %d rows x %lld columns, %d scrapes a second apart, a re-shoot every second\n",
                rows, static_cast<long long>(kTargets.size()), scrapes);
    std::printf(
        "RESULT rows=%d body_bytes=%zu text_bytes=%lld render_ms=%.1f serve_ms_median=%.1f serve_ms_max=%.1f "
        "max_gap_ms=%.1f all_served=%s\n",
        rows, bodyBytes, static_cast<long long>(text.size()), renderMs, served[served.size() / 2],
        served.back(), blocks.LongestGapMs(), allServed ? "yes" : "no");
    return allServed ? 0 : 1;
}
