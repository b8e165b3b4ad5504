// bench_history_reshoot_window: the real main window on a vexgrid file,
// re-shooting at the interval of its settings (keep instances) once its first
// shoot is done, recording and drawing trends as its settings say. It prints
// "READY" then and "SHOT" at the end of every shoot after, until it is
// killed; the driver (history/history_reshoot_bench.py) measures it from
// outside the process.
//
//   bench_history_reshoot_window FILE
//
// The window runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise.
#include "support/ReshootingWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return std::fprintf(stderr, "usage: bench_history_reshoot_window FILE\n"), 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunReshootingWindow("bench_history_reshoot_window",
                                      {QStringLiteral("/XML"), QString::fromLocal8Bit(argv[1])}, true);
}
