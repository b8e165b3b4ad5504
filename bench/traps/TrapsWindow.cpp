// bench_traps_window: the real main window on a vexgrid file with the traps
// window open, receiving notifications on PORT and logging them to LOG,
// exporting the table after every shoot to EXPORT and re-shooting it at the
// interval of its settings (keep instances) from the end of its first shoot
// on, until it is killed. The bench driver (traps_bench.py) floods it and
// pings the traps window from outside the process.
//
//   bench_traps_window FILE EXPORT PORT LOG [SWITCH...]   (prints "READY" once it re-shoots)
//
// SWITCHes after LOG go to the window as they are (--trap-user ...).
// Its settings (the interval) come from XDG_CONFIG_HOME.
#include "support/ReshootingWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 5)
        return std::fprintf(stderr, "usage: bench_traps_window FILE EXPORT PORT LOG [SWITCH...]\n"), 2;
    QApplication app(argc, argv);
    const auto arg = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    QStringList args = {QStringLiteral("/XML"),
                        arg(1),
                        QStringLiteral("/EXPORT"),
                        arg(2),
                        QStringLiteral("--traps"),
                        QStringLiteral("--trap-port"),
                        arg(3),
                        QStringLiteral("--trap-log"),
                        arg(4)};
    for (int i = 5; i < argc; ++i)
        args << arg(i);
    return bench::RunReshootingWindow("bench_traps_window", args);
}
