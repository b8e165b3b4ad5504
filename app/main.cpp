// Program entry of HB_Vexgrid: "--help" and "--version" are answered before
// any window exists (no display needed); otherwise the main window TForm1
// (which sets itself up while it is created), the About window TForm2 hidden,
// then the event loop until the main window closes or the process is told
// to end (ExitRequests.h).
//
// With VEXGRID_SCREENSHOT=<file.png> in the environment the program saves a
// picture of its window to that file once the first shoot is over (at the
// latest after kStartupScreenshotDelayMs) and closes itself (used under Xvfb).
#include "ui/ExitRequests.h"
#include "core/ProgramOptions.h"
#include "metrics/ModuleExport.h"
#include "ui/StartupScreenshot.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

#include <cstdio>

namespace {

// The name the desktop entry, the icon and the AppStream file share.
const QString kDesktopName = QStringLiteral("example.hollbrae.HB_Vexgrid");

QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

// Answers "--help" and "--version"; true when the program is done then.
bool AnswerInfoOptions(const QStringList& args)
{
    const TProgramOptions options = ReadProgramOptions(args);
    if (options.action == TProgramAction::ShowHelp)
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
    else if (options.action == TProgramAction::ShowVersion)
        std::fputs(VersionText().toLocal8Bit().constData(), stdout);
    return options.action != TProgramAction::Run;
}

// The installed theme icon, else the copy built into the program.
QIcon ProgramIcon()
{
    QIcon builtIn;
    for (int size : {48, 256})
        builtIn.addFile(QStringLiteral(":/icons/%1-%2.png").arg(kDesktopName).arg(size));
    return QIcon::fromTheme(kDesktopName, builtIn);
}

}  // namespace

int main(int argc, char** argv)
{
    if (AnswerInfoOptions(ArgumentsOf(argc, argv)))
        return 0;
    // "--export-module FILE" and "--export-telegraf FILE" write the view for
    // the fleet tools and end, without a window.
    if (const auto request = ExportRequestOf(ArgumentsOf(argc, argv))) {
        QCoreApplication app(argc, argv);
        const QString error = ExportView(ReadProgramOptions(ArgumentsOf(argc, argv)).arguments, *request);
        if (!error.isEmpty())
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return error.isEmpty() ? 0 : 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("HB_Vexgrid"));
    QApplication::setOrganizationName(QStringLiteral("Hollbrae"));
    QGuiApplication::setDesktopFileName(kDesktopName);
    QApplication::setWindowIcon(ProgramIcon());

    QStringList args = QApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();  // the program name
    const TProgramOptions options = ReadProgramOptions(args);
    for (const QString& warning : options.warnings)
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());

    if (StartupScreenshotRequested())
        InstallUnattendedMessageHook();

    // SIGTERM, SIGINT and a window destroyed from outside end the run as
    // "Exit" does; also while set-up shows a message box.
    TExitRequests exitRequests;
    TForm1 form1(options.arguments);
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
