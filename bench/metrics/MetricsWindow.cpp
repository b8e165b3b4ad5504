// bench_metrics_window: the real main window on a vexgrid file, serving its
// metrics, re-shooting at the interval of its settings (keep instances) from
// the end of its first shoot on, until it is killed. The bench driver
// (metrics_bench.py) scrapes and probes it from outside the process.
//
//   bench_metrics_window FILE PORT     (prints "READY" once it re-shoots)
//
// The window runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise; its settings (the interval) come from XDG_CONFIG_HOME.
#include "support/ReshootingWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
        return std::fprintf(stderr, "usage: bench_metrics_window FILE PORT\n"), 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunReshootingWindow("bench_metrics_window",
                                      {QStringLiteral("/XML"), QString::fromLocal8Bit(argv[1]),
                                       QStringLiteral("--metrics"), QString::fromLocal8Bit(argv[2])});
}
