// The main window's part in receiving notifications: the trap center made
// with the window, the counter in the status bar and the traps window.
#include "ui/Unit1.h"

#include "names/MibLoader.h"
#include "ui/TrapsWindow.h"
#include "traps/TrapCenter.h"

#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

void TForm1::CreateTraps()
{
    const TTrapOptions options = ParseTrapOptions(commandLine);
    for (const QString& warning : options.warnings)
        qWarning("%s", qPrintable(warning));
    trapCenter = std::make_unique<TTrapCenter>(options, TMibNames::BuiltIn());
    trapCenter->Start();
    connect(mibLoader.get(), &TMibLoader::Loaded, this, [this] { trapCenter->SetNames(mibLoader->Names()); });

    TrapCounter = new QToolButton(StatusBar1);
    TrapCounter->setObjectName(QStringLiteral("TrapCounter"));
    TrapCounter->setAutoRaise(true);
    TrapCounter->setToolTip(QStringLiteral("Traps and informs received (Ctrl+T)"));
    StatusBar1->addPermanentWidget(TrapCounter);
    connect(TrapCounter, &QToolButton::clicked, this, &TForm1::OpenTrapsWindow);
    connect(&trapCenter->List(), &TTrapList::CountsChanged, this, &TForm1::ShowTrapCount);
    ShowTrapCount();
    if (options.openWindow)
        QTimer::singleShot(0, this, &TForm1::OpenTrapsWindow);
}

void TForm1::ShowTrapCount()
{
    const qint64 n = trapCenter->List().Received();
    const QString text = n == 1 ? QStringLiteral("1 trap") : QStringLiteral("%1 traps").arg(n);
    if (TrapCounter->text() != text)
        TrapCounter->setText(text);
}

void TForm1::OpenTrapsWindow()
{
    if (!trapsWindow)
        trapsWindow = std::make_unique<TTrapsWindow>(*trapCenter, this);
    trapsWindow->show();
    trapsWindow->raise();
    trapsWindow->activateWindow();
}
