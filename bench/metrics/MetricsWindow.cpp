// bench_metrics_window: the real main window on a vexgrid file, serving its
// metrics, re-shooting at the interval of its settings (keep instances) from
// the end of its first shoot on, until it is killed. The bench driver
// (metrics_bench.py) scrapes and probes it from outside the process.
//
//   bench_metrics_window FILE PORT     (prints "READY" once it re-shoots)
//
// The window runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise; its settings (the interval) come from XDG_CONFIG_HOME.
#include "ui/MessageBox.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
        return std::fprintf(stderr, "usage: bench_metrics_window FILE PORT\n"), 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A modal box would wait for a click for ever; print its text instead.
    SetModalMessageHook([](QWidget*, const QString& text) {
        std::fprintf(stderr, "bench_metrics_window: message box: %s\n", qPrintable(text));
    });
    TForm1 form({QStringLiteral("/XML"), QString::fromLocal8Bit(argv[1]), QStringLiteral("--metrics"),
                 QString::fromLocal8Bit(argv[2])});
    bool reshooting = false;
    QObject::connect(&form, &TForm1::shootFinished, &form, [&] {
        if (reshooting)
            return;
        reshooting = true;
        form.Every10secondskeepinstances1->trigger();
        std::printf("READY\n");
        std::fflush(stdout);
    });
    form.show();
    return QApplication::exec();
}
