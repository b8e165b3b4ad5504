#include "ReshootingWindow.h"

#include "ui/MessageBox.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>

#include <cstdio>

namespace bench {

int RunReshootingWindow(const char* name, const QStringList& switches, bool tellShoots)
{
    SetModalMessageHook([name](QWidget*, const QString& text) {
        std::fprintf(stderr, "%s: message box: %s\n", name, qPrintable(text));
    });
    TForm1 form(switches);
    bool reshooting = false;
    QObject::connect(&form, &TForm1::shootFinished, &form, [&] {
        if (reshooting) {
            if (tellShoots) {
                std::printf("SHOT\n");
                std::fflush(stdout);
            }
            return;
        }
        reshooting = true;
        form.Widgets().Every10secondskeepinstances1->trigger();
        std::printf("READY\n");
        std::fflush(stdout);
    });
    form.show();
    return QApplication::exec();
}

}  // namespace bench
