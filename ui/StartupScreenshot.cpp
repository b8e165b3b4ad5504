#include "ui/StartupScreenshot.h"

#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// How long an unattended message box stays up before it closes itself.
constexpr int kUnattendedMessageMs = 1500;

QString ScreenshotPath() { return qEnvironmentVariable("VEXGRID_SCREENSHOT"); }

void SavePicture(QWidget* widget, const QString& path)
{
    if (widget->grab().save(path, "PNG"))
        std::fprintf(stderr, "HB_Vexgrid: screenshot saved to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "HB_Vexgrid: could not save the screenshot to %s\n", qPrintable(path));
}

}  // namespace

bool StartupScreenshotRequested() { return !ScreenshotPath().isEmpty(); }

void ArmStartupScreenshot(QWidget* window, int delayMs)
{
    QPointer<QWidget> target(window);
    QTimer::singleShot(delayMs, window, [target] {
        if (target)
            TakeStartupScreenshot(target);
    });
}

void TakeStartupScreenshot(QWidget* window)
{
    static bool taken = false;
    if (taken || !StartupScreenshotRequested() || window == nullptr)
        return;
    taken = true;
    SavePicture(window, ScreenshotPath());
    window->close();
}

void InstallUnattendedMessageHook()
{
    SetModalMessageHook([](QWidget* parent, const QString& text) {
        std::fprintf(stderr, "HB_Vexgrid message: %s\n", qPrintable(text));
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        const QFileInfo shot(ScreenshotPath());
        const QString path = shot.dir().filePath(shot.completeBaseName() + QStringLiteral("-message.png"));
        QTimer::singleShot(kUnattendedMessageMs, &box, [&box, path] {
            SavePicture(&box, path);
            box.accept();
        });
        box.exec();
    });
}
