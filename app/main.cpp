// Program entry of HB_Vexgrid: the main window TForm1 (which sets itself up
// while it is created), the About window TForm2 hidden, then the event loop
// until the main window closes or the process is told to end (ExitRequests.h).
//
// With VEXGRID_SCREENSHOT=<file.png> in the environment the program saves a
// picture of its window to that file once the first shoot is over (at the
// latest after kStartupScreenshotDelayMs) and closes itself (used under Xvfb).
#include "ExitRequests.h"
#include "StartupScreenshot.h"
#include "Unit1.h"
#include "Unit2.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("HB_Vexgrid"));

    QStringList args = QApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();  // the program name

    if (StartupScreenshotRequested())
        InstallUnattendedMessageHook();

    // SIGTERM, SIGINT and a window destroyed from outside end the run as
    // "Exit" does; also while set-up shows a message box.
    TExitRequests exitRequests;
    TForm1 form1(args);
    TForm2 form2(&form1);  // created hidden; "About" opens its own windows
    form2.hide();
    if (exitRequests.Requested())
        return 0;

    form1.show();
    exitRequests.WatchWindow(&form1);
    if (StartupScreenshotRequested())
        ArmStartupScreenshot(&form1, kStartupScreenshotDelayMs);
    return app.exec();
}
