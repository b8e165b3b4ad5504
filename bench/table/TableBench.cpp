// bench_table: times the real main window filling an instance table from an
// agent, from the window's construction to the end of its first shoot, and
// measures how responsive the event loop stays meanwhile.
//
//   bench_table --port P --community C --rows N [--host H] [--timeout S]
//               [--hidden yes] [--version 1|2] [--maxrepetitions R]
//               [--walk OID] [--export FILE] [--probe PATH] [--linger MS]
//               [--instruments no] [--parallel K] [--entry OID]
//
// --parallel K keeps K requests outstanding (the file's <parallel>); --entry
// OID shoots the same seven columns of another table (1.3.6.1.2.1.2.2.1 for
// an agent's interfaces table).
// --walk OID shoots a single-target walk of OID instead of the table (--rows
// is then the least number of rows expected). --export makes the window write
// its CSV file, and the run ends when it is written. --probe starts PATH (the
// bench_ping_probe) with the window's X11 id: it measures from outside how
// long the window takes to answer _NET_WM_PING (xcb platform only). --linger
// keeps the event loop and the measurements running so many milliseconds
// after the shoot has ended, to see the work done at its end. --instruments
// no leaves out the bench's own hooks (the datagram counter and the
// heartbeat), so that the CPU time is the window's alone: requests, answers
// and the block figures then read -1, and the round trips are to be counted
// at the agent.
//
// The window gets a vexgrid file of seven targets without instances (the
// table layout) over the table of make_table_data.py. A 10 ms heartbeat timer
// runs while the table fills; the largest distance between two beats is the
// longest time the event loop was blocked (plus at most one beat). With
// --hidden yes the window is never shown, so nothing is painted: the figures
// are then those of the engine and the model alone.
//
// The discovery walk sends Get-Next requests of one OID, the rows Get
// requests of six; the phases are told apart by the PDU of every datagram
// sent, and timed apart where the first Get goes out.
//
// Prints a readable summary and one line for scripts:
//   RESULT rows=.. cells_ok=.. requests=.. getnexts=.. gets=.. answers=..
//          seconds=.. ms_per_rt=.. walk_seconds=.. cpu_seconds=.. setup_ms=..
//          max_gap_ms=.. gaps_over_50ms=.. probe_max_ms=.. first_request_s=..
//          end_unix=.. (the end of the shoot on the wall clock, to time the
//          run from outside: process start to the CSV written)
//          peak_rss_mb=.. (the window's process alone, not the MIB reader it starts)
//          probe_cpu_seconds=.. (what the probe used: not the program's cost)
// Exits 0 when the table holds N complete rows, 1 otherwise, 2 on bad usage.
#include "ui/MessageBox.h"
#include "table/ResultTable.h"
#include "ui/StatusPanels.h"
#include "snmp/TvxSNMPMgr.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The columns of the bench table (see make_table_data.py and VEXBENCH-MIB.txt).
const char* const kEntry = "1.3.6.1.4.1.32473.1.2.1";
constexpr int kColumns[] = {1, 2, 3, 4, 5, 10, 16};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

// The heartbeat of the responsiveness measurement, and the longest block the
// program is allowed while a table fills.
constexpr int kHeartbeatMs = 10;
constexpr double kBlockLimitMs = 50.0;

struct TOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
    QString community;
    int rows = 0;
    int timeoutSeconds = 900;
    bool hidden = false;
    int version = 1;
    int maxRepetitions = 0;
    QString walk;
    int parallel = 1;
    QString entry = QString::fromLatin1(kEntry);
    QString exportFile;
    QString probe;
    int lingerMs = 300;
    bool instruments = true;
};

[[noreturn]] void Usage(const char* why)
{
    std::fprintf(stderr,
                 "bench_table: %s\nusage: bench_table --port P --community C --rows N "
                 "[--host H] [--timeout SECONDS] [--hidden yes]\n",
                 why);
    std::exit(2);
}

TOptions ParseOptions(const QStringList& args)
{
    TOptions options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& name = args[i];
        if (i + 1 >= args.size())
            Usage("an option lacks its value");
        const QString value = args[++i];
        bool ok = true;
        if (name == QLatin1String("--host"))
            options.host = value;
        else if (name == QLatin1String("--port"))
            options.port = value.toInt(&ok);
        else if (name == QLatin1String("--community"))
            options.community = value;
        else if (name == QLatin1String("--rows"))
            options.rows = value.toInt(&ok);
        else if (name == QLatin1String("--timeout"))
            options.timeoutSeconds = value.toInt(&ok);
        else if (name == QLatin1String("--hidden"))
            options.hidden = value == QLatin1String("yes");
        else if (name == QLatin1String("--version"))
            options.version = value.toInt(&ok);
        else if (name == QLatin1String("--maxrepetitions"))
            options.maxRepetitions = value.toInt(&ok);
        else if (name == QLatin1String("--walk"))
            options.walk = value;
        else if (name == QLatin1String("--parallel"))
            options.parallel = value.toInt(&ok);
        else if (name == QLatin1String("--entry"))
            options.entry = value;
        else if (name == QLatin1String("--export"))
            options.exportFile = value;
        else if (name == QLatin1String("--probe"))
            options.probe = value;
        else if (name == QLatin1String("--linger"))
            options.lingerMs = value.toInt(&ok);
        else if (name == QLatin1String("--instruments"))
            options.instruments = value != QLatin1String("no");
        else
            Usage("unknown option");
        if (!ok)
            Usage("a number is expected");
    }
    if (options.port < 1 || options.port > 65535 || options.community.isEmpty() || options.rows < 1)
        Usage("--port, --community and --rows are required");
    if (!options.host.startsWith(QLatin1String("127.")))
        Usage("the bench talks to loopback agents only (127.x.x.x)");
    return options;
}

QByteArray VexgridFile(const TOptions& options)
{
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vexgrid>\n"
        "  <programtitle>Table bench</programtitle>\n  <width>900</width>\n  <height>500</height>\n"
        "  <host>"
        + options.host.toUtf8()
        + "</host>\n"
          "  <community>"
        + options.community.toUtf8()
        + "</community>\n"
          "  <shooter>\n    <remoteport>"
        + QByteArray::number(options.port)
        + "</remoteport>\n"
          "    <snmpversion>"
        + QByteArray::number(options.version) + "</snmpversion>\n";
    if (options.maxRepetitions > 0)
        xml += "    <maxrepetitions>" + QByteArray::number(options.maxRepetitions) + "</maxrepetitions>\n";
    if (options.parallel > 1)
        xml += "    <parallel>" + QByteArray::number(options.parallel) + "</parallel>\n";
    xml += "    <shootertargets>\n";
    QList<QByteArray> targets;
    if (!options.walk.isEmpty())
        targets.append(options.walk.toUtf8());
    else
        for (int column : kColumns)
            targets.append(options.entry.toUtf8() + "." + QByteArray::number(column));
    for (const QByteArray& oid : targets)
        xml += "      <shootertarget><oid>" + oid
             + "</oid><oiddescr></oiddescr><instance></instance></shootertarget>\n";
    xml += "    </shootertargets>\n  </shooter>\n</vexgrid>\n";
    return xml;
}

// Reads the BER tag and length at `at` and leaves `at` on the contents.
bool ReadHeader(const QByteArray& packet, qsizetype& at, int& tag, qsizetype& length)
{
    if (at + 2 > packet.size())
        return false;
    tag = static_cast<quint8>(packet[at++]);
    const int first = static_cast<quint8>(packet[at++]);
    if (first < 0x80) {
        length = first;
        return true;
    }
    int bytes = first & 0x7F;
    if (bytes == 0 || bytes > 4 || at + bytes > packet.size())
        return false;
    for (length = 0; bytes > 0; --bytes)
        length = length * 256 + static_cast<quint8>(packet[at++]);
    return true;
}

// The PDU tag of an SNMPv1/v2c message (0xA0 Get, 0xA1 Get-Next); 0 when the
// datagram cannot be read that far.
int PduTag(const QByteArray& packet)
{
    qsizetype at = 0, length = 0;
    int tag = 0;
    if (!ReadHeader(packet, at, tag, length) || tag != 0x30)
        return 0;
    for (int field = 0; field < 2; ++field) {  // version, community
        if (!ReadHeader(packet, at, tag, length))
            return 0;
        at += length;
    }
    return ReadHeader(packet, at, tag, length) ? tag : 0;
}

// CPU time of the whole process so far (all threads, user and system), in
// seconds: the program's own cost, which the agent's speed and the load of
// the machine leave alone.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time a child process has used so far (user and system), in seconds;
// -1 when it cannot be read.
double ChildCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return -1;
    // The fields after the command's closing parenthesis: utime and stime
    // are the 12th and 13th of them.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The largest resident size of this process so far, in MB.
double PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Rows of the table that hold all seven cells and no "Null" (a value the agent
// did not give).
int CompleteRows(TResultTable& table)
{
    int complete = 0;
    for (int row = 0; row < table.rowCount(); ++row) {
        bool ok = table.CellCount(row) == kColumnCount;
        for (int column = 1; ok && column <= kColumnCount; ++column)
            ok = table.Cell(row, column) != QLatin1String("Null");
        complete += ok ? 1 : 0;
    }
    return complete;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window's settings live in the run's own folder: every run starts
    // from the same (empty) settings and leaves the user's alone.
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QApplication app(argc, argv);
    const TOptions options = ParseOptions(QApplication::arguments());

    const QString path = folder.filePath(QStringLiteral("bench-table.xml"));
    QFile file(path);
    if (!folder.isValid() || !file.open(QIODevice::WriteOnly) || file.write(VexgridFile(options)) < 0) {
        std::fprintf(stderr, "bench_table: cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();

    // A modal box would wait for a click for ever; print its text instead.
    SetModalMessageHook([](QWidget*, const QString& text) {
        std::fprintf(stderr, "bench_table: message box: %s\n", qPrintable(text));
    });

    const double cpuAtStart = CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QStringList commandLine = {QStringLiteral("/XML"), path};
    if (!options.exportFile.isEmpty())
        commandLine << QStringLiteral("/EXPORT") << options.exportFile;
    TForm1 form(commandLine);
    const double setupMs = clock.nsecsElapsed() / 1e6;

    // Every datagram the component sends or receives, retries included. The
    // discovery walk ends where the first Get goes out.
    constexpr int kGetRequest = 0xA0, kGetNextRequest = 0xA1, kGetBulkRequest = 0xA5;
    double firstRequestSeconds = setupMs / 1000;  // the first went out in the constructor
    struct TTraffic {
        long long sent = 0, received = 0, gets = 0, getNexts = 0;
        double walkSeconds = -1;
        const QElapsedTimer* clock = nullptr;
    } traffic;
    traffic.clock = &clock;
    // One pointer captured: the hook is copied for every datagram, and a
    // larger capture would cost the run an allocation each time.
    if (options.instruments)
        form.Component().OnPacketTrace = [t = &traffic](vxsnmp::TvxSNMPMgr&,
                                                        const vxsnmp::TPacketTraceEvent& e) {
            if (e.Direction != 2) {
                ++t->received;
                return;
            }
            ++t->sent;
            const int pdu = PduTag(e.Packet);
            if (pdu == kGetNextRequest || pdu == kGetBulkRequest)
                ++t->getNexts;
            if (pdu == kGetRequest && t->gets++ == 0)
                t->walkSeconds = t->clock->nsecsElapsed() / 1e9;
        };
    // The walk's first Get-Next went out inside the constructor, before the
    // hook; with parallel requests, the first of each column walked at once.
    const int sentBefore = options.walk.isEmpty() ? std::min(options.parallel, kColumnCount) : 1;
    traffic.sent += sentBefore;
    traffic.getNexts += sentBefore;
    if (!options.instruments)
        traffic.sent = traffic.received = traffic.getNexts = traffic.gets = -1;

    // Every gap over the limit is kept with its place on CLOCK_MONOTONIC (the
    // clock of `perf record -k CLOCK_MONOTONIC`), to find what blocked.
    double maxGapMs = options.instruments ? 0 : -1;
    int gapsOverLimit = 0;
    std::vector<std::pair<double, double>> longGaps;  // from, to in seconds
    double lastBeat = -1;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        if (lastBeat >= 0) {
            const double gapMs = (now - lastBeat) * 1000;
            maxGapMs = std::max(maxGapMs, gapMs);
            if (gapMs > kBlockLimitMs) {
                ++gapsOverLimit;
                longGaps.emplace_back(lastBeat, now);
            }
        }
        lastBeat = now;
    });

    QProcess probe;
    double probeCpuSeconds = 0;  // the probe is a child: the whole job's CPU counts it
    double seconds = -1, cpuSeconds = -1;
    double endUnix = -1;  // the end of the shoot (with --export: the file written), wall clock
    const auto finish = [&] {
        seconds = clock.nsecsElapsed() / 1e9;
        endUnix = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        cpuSeconds = CpuSeconds() - cpuAtStart;
        // The heartbeat and the probe go on for a while: what the window
        // does after the end of the shoot blocks it as much.
        QTimer::singleShot(options.lingerMs, &app, [&] {
            heartbeat.stop();
            if (probe.state() == QProcess::NotRunning) {
                QApplication::quit();
                return;
            }
            // The probe collects its last answers while the loop still runs.
            QObject::connect(&probe, &QProcess::finished, &app, &QApplication::quit);
            probeCpuSeconds = std::max(ChildCpuSeconds(probe.processId()), 0.0);
            probe.closeWriteChannel();
        });
    };
    QObject::connect(&form, &TForm1::shootFinished, &app, finish);
    QTimer::singleShot(options.timeoutSeconds * 1000, &app, [&] {
        std::fprintf(stderr, "bench_table: no end of the shoot after %d s\n", options.timeoutSeconds);
        QApplication::quit();
    });

    // A shoot that could not even start has already ended inside the
    // constructor: the end of a shoot shows the entry count, its start clears it.
    if (!form.StatusPanels().EntryCountText().isEmpty()) {
        std::fprintf(stderr, "bench_table: the shoot ended during set-up\n");
        return 1;
    }
    if (!options.hidden)
        form.show();
    if (!options.probe.isEmpty() && !options.hidden) {
        QApplication::processEvents();  // the window is mapped before the probe aims at it
        probe.start(options.probe, {QString::number(form.winId())});
        if (!probe.waitForStarted(5000)) {
            std::fprintf(stderr, "bench_table: cannot start the probe %s\n", qPrintable(options.probe));
            return 1;
        }
    }
    if (options.instruments)
        heartbeat.start(kHeartbeatMs);
    app.exec();
    double probeMaxMs = -1;
    if (!options.probe.isEmpty()) {
        if (probe.state() != QProcess::NotRunning)
            probeCpuSeconds = std::max(ChildCpuSeconds(probe.processId()), 0.0);
        probe.closeWriteChannel();  // the probe reports at the end of its input
        probe.waitForFinished(5000);
        const QByteArray said = probe.readAllStandardOutput();
        const qsizetype at = said.indexOf("max_ms=");
        // A window that never answered says nothing about its blocks.
        if (at >= 0 && !said.contains(" answered=0"))
            probeMaxMs = said.mid(at + 7).split(' ').value(0).trimmed().toDouble();
        std::fprintf(stderr, "bench_table: probe: %s%s", said.constData(),
                     probe.readAllStandardError().constData());
    }

    for (const auto& [from, to] : longGaps)
        std::fprintf(stderr, "bench_table: heartbeat gap %.1f ms from %.6f to %.6f (CLOCK_MONOTONIC)\n",
                     (to - from) * 1000, from, to);

    TResultTable& table = form.ResultTable();
    const int rows = table.rowCount();
    const int complete = CompleteRows(table);
    form.close();

    const auto& [sent, received, gets, getNexts, walkSeconds, clockUsed] = traffic;
    (void)clockUsed;
    const double msPerRoundTrip = sent > 0 && seconds > 0 ? seconds * 1000 / sent : 0;
    std::printf("bench_table: %d rows (%d complete of %d expected), %lld requests, %lld answers\n", rows,
                complete, options.rows, sent, received);
    std::printf("bench_table: %.3f s from construction to the end of the shoot (set-up %.1f ms), "
                "%.3f ms per round trip\n",
                seconds, setupMs, msPerRoundTrip);
    std::printf("bench_table: discovery walk %.3f s for %lld Get-Next, rows %.3f s for %lld Get\n",
                walkSeconds, getNexts, seconds - walkSeconds, gets);
    std::printf("bench_table: %.3f s of CPU, %.3f ms per round trip\n", cpuSeconds,
                sent > 0 ? cpuSeconds * 1000 / sent : 0.0);
    std::printf("bench_table: longest event-loop block %.1f ms, %d blocks over %.0f ms\n", maxGapMs,
                gapsOverLimit, kBlockLimitMs);
    std::printf("bench_table: longest answer to _NET_WM_PING %.1f ms (-1: not measured)\n", probeMaxMs);
    std::printf(
        "RESULT rows=%d cells_ok=%d requests=%lld getnexts=%lld gets=%lld answers=%lld "
        "seconds=%.4f ms_per_rt=%.4f "
        "walk_seconds=%.4f cpu_seconds=%.4f setup_ms=%.2f max_gap_ms=%.2f gaps_over_50ms=%d "
        "probe_max_ms=%.2f first_request_s=%.4f end_unix=%.6f peak_rss_mb=%.1f probe_cpu_seconds=%.3f\n",
        rows, complete, sent, getNexts, gets, received, seconds, msPerRoundTrip, walkSeconds, cpuSeconds,
        setupMs, maxGapMs, gapsOverLimit, probeMaxMs, firstRequestSeconds, endUnix, PeakRssMb(),
        probeCpuSeconds);
    std::fflush(stdout);
    if (!options.walk.isEmpty())
        return seconds > 0 && rows >= options.rows ? 0 : 1;
    return seconds > 0 && rows == options.rows && complete == rows ? 0 : 1;
}
