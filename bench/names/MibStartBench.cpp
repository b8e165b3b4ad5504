// One window start's loading of the MIB modules, as the window does it: the
// default folders (under $HOME), the paths given, the cache in the program's
// cache folder (under $XDG_CACHE_HOME). Prints the wall and CPU time of the
// load, the MIB reader's runs included, for scripts/bench-mibstart.
//   bench_mib_start [--stall-limits WALL_MS BUSY_MS] [--no-cache] [PATH...]
#include "names/MibLoader.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

// CPU time of this process and of the children it has waited for, in ms.
double CpuMs()
{
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        ms += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("HB_VEXGRID_MIBREAD", VEXGRID_MIBREAD, 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("HB_Vexgrid"));
    QCoreApplication::setOrganizationName(QStringLiteral("Hollbrae"));

    TMibLoadRequest request;
    request.folders = DefaultMibFolders();
    request.cacheFolder = DefaultMibCacheFolder();
    QStringList arguments = QCoreApplication::arguments().mid(1);
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--"))) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--no-cache")) {
            request.cacheFolder.clear();
        } else if (option == QLatin1String("--stall-limits") && arguments.size() >= 2) {
            request.stallLimitMs = arguments.takeFirst().toInt();
            request.busyStallLimitMs = arguments.takeFirst().toInt();
        } else {
            std::fprintf(stderr, "bench_mib_start: unknown option %s\n", qPrintable(option));
            return 1;
        }
    }
    request.extraPaths = arguments;

    const double cpuBefore = CpuMs();
    QElapsedTimer timer;
    timer.start();
    const TMibLoadResult result = LoadMibModules(request);
    const qint64 wallMs = timer.elapsed();
    const double cpuMs = CpuMs() - cpuBefore;
    std::printf("RESULT wall_ms=%lld cpu_ms=%.1f modules=%lld objects=%d problems=%lld from_cache=%d\n",
                static_cast<long long>(wallMs), cpuMs, static_cast<long long>(result.modules.size()),
                result.loadedObjects, static_cast<long long>(result.problems.size()),
                result.fromCache ? 1 : 0);
    for (const TMibProblem& problem : result.problems)
        std::printf("problem %s: %s\n", qPrintable(problem.module), qPrintable(problem.reason));
    return 0;
}
