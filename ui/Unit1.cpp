#include "ui/Unit1.h"

#include "ui/FileMenu.h"
#include "table/ImageList.h"
#include "ui/InstanceMaskPanel.h"
#include "ui/MessageBox.h"
#include "names/MibLoader.h"
#include "ui/MibBrowser.h"
#include "ui/MibModulesDialog.h"
#include "table/ResultTable.h"
#include "ui/ResultView.h"
#include "ui/StatusPanels.h"
#include "ui/TableCopy.h"
#include "table/SelectionText.h"
#include "table/TableExport.h"
#include "ui/TrapsWindow.h"
#include "traps/TrapCenter.h"
#include "ui/StartupScreenshot.h"
#include "ui/Unit2.h"
#include "engine/TMyTimer.h"
#include "config/Startup.h"
#include "engine/WorkerJobs.h"
#include "engine/ManagerComponent.h"
#include "engine/ShootEngine.h"
#include "engine/AgentSilence.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// After the window is shown, the window manager may still add its frame; the
// outer size asked for is re-applied until then, but no longer than this.
constexpr int kFrameSettleMs = 1000;

// While a table fills, new rows reach the view ten times a second: often
// enough to watch it grow, and the view lays out and repaints a few times a
// second instead of once per agent round trip. Rows that land below the rows
// in sight only move the scroll bar: twice a second is enough for them.
constexpr int kRowPublishIntervalMs = 100;
constexpr int kRowPublishOutOfSightMs = 500;

QAction* NewAction(QMenu* menu, const char* name, const QString& text, int image = -1)
{
    QAction* action = menu->addAction(ImageListIcon(image), text);
    action->setObjectName(QLatin1String(name));
    return action;
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, QWidget* parent) : QMainWindow(parent), commandLine(arguments)
{
    // The built-in MIB names are made on another core while the menus and the
    // controls are built; the name table waits for them when it takes them.
    builtInNamesMade = std::async(std::launch::async, [] { TMibNames::BuiltIn(); });
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("HB_Vexgrid"));
    // Tahoma 8 pt by design; where it is not installed, the nearest sans face.
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    CreateMenus();
    CreateControls();
    // Before FormCreate opens the requests' endpoint: notifications get the
    // port they are sent to (162), requests go out from any free port.
    CreateTraps();
    CreateMetrics();
    // The component of the design; the form stores its community.
    vxSNMPMgr1 = MakeManagerComponent();
    engine = std::make_unique<TShootEngine>(*vxSNMPMgr1, *this, *resultStore);
    engine->WireComponentEvents();
    CreateHistory();
    SetViewOptions(LoadViewOptions());
    resize(kDesignClientSize.width(), kDesignClientSize.height() + menuBar()->sizeHint().height());
    FormCreate();
}

TForm1::~TForm1()
{
    // A window destroyed without being closed still stops its worker first.
    FormClose();
}

const TSessionSettings& TForm1::Settings() const { return engine->Settings(); }

void TForm1::CreateMenus()
{
    QMenu* file1 = menuBar()->addMenu(QStringLiteral("&File"));
    file1->setObjectName(QStringLiteral("File1"));
    Close1 = NewAction(file1, "Close1", QStringLiteral("Exit"), imageExit);
    Close1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    fileMenu = std::make_unique<TFileMenu>(*this, file1, Close1);

    QMenu* edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit1->setObjectName(QStringLiteral("Edit1"));
    CopythisformtoClipboard1 = NewAction(edit1, "CopythisformtoClipboard1",
                                         QStringLiteral("Copy this form  to Clipboard"), imageCopy);
    Copytableastext1 = NewAction(edit1, "Copytableastext1", QStringLiteral("Copy table as text"));
    Copyasshown1 = NewAction(edit1, "Copyasshown1", QStringLiteral("Copy as shown"));

    CreateViewMenu();

    QMenu* options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    options1->setObjectName(QStringLiteral("Options1"));
    QMenu* shootAgain = options1->addMenu(QStringLiteral("Shoot again"));
    shootAgain->setObjectName(QStringLiteral("Shootagain2Menu"));
    Shootagain2 = shootAgain->menuAction();
    Shootagain2->setObjectName(QStringLiteral("Shootagain2"));
    Shootagain2->setIcon(ImageListIcon(imageShootAgain));
    Now1 = NewAction(shootAgain, "Now1", QStringLiteral("Now..."));
    Every10secondskeepinstances1 = NewAction(shootAgain, "Every10secondskeepinstances1",
                                             QStringLiteral("Every 10 sec, keep any instances!"));
    Every10secRefreshinstancesalso1 = NewAction(shootAgain, "Every10secRefreshinstancesalso1",
                                                QStringLiteral("Every 10 sec. reread instances also!"));
    // The check marks of the three show the shoot mode; the shoot modes set them.
    for (QAction* mode : {Now1, Every10secondskeepinstances1, Every10secRefreshinstancesalso1})
        mode->setCheckable(true);
    Now1->setShortcut(QKeySequence(Qt::Key_F5));
    CreateIntervalMenu(shootAgain);
    options1->addSeparator()->setObjectName(QStringLiteral("N1"));
    SetColumnwidthtoTextwidth1 =
        NewAction(options1, "SetColumnwidthtoTextwidth1", QStringLiteral("Set Column-width to Text-width"),
                  imageColumnWidth);
    SetColumnwidthtoTextwidth1->setCheckable(true);

    QMenu* help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    help1->setObjectName(QStringLiteral("Help1"));
    About1 = NewAction(help1, "About1", QStringLiteral("About"), imageAbout);
    MibModules1 = NewAction(help1, "MibModules1", QStringLiteral("MIB modules..."));
    // Every object the names know, with its details; it shows the names as
    // they are when it opens and stays open beside the window.
    QAction* mibBrowser = NewAction(help1, "MibBrowser1", QStringLiteral("MIB browser..."));
    connect(mibBrowser, &QAction::triggered, this, [this] {
        auto* browser = new TMibBrowser(mibLoader->Names(), this);
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->show();
    });

    connect(Close1, &QAction::triggered, this, &TForm1::Close1Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
    connect(MibModules1, &QAction::triggered, this, &TForm1::MibModules1Click);
    connect(CopythisformtoClipboard1, &QAction::triggered, this, &TForm1::CopythisformtoClipboard1Click);
    connect(Copytableastext1, &QAction::triggered, this, &TForm1::Copytableastext1Click);
    connect(Copyasshown1, &QAction::triggered, this, &TForm1::Copyasshown1Click);
    connect(SetColumnwidthtoTextwidth1, &QAction::triggered, this, &TForm1::SetColumnwidthtoTextwidth1Click);
    connect(Now1, &QAction::triggered, this, [this] { engine->Scheduler().Now1Click(); });
    connect(Every10secondskeepinstances1, &QAction::triggered, this,
            [this] { engine->Scheduler().Every10secondskeepinstances1Click(); });
    connect(Every10secRefreshinstancesalso1, &QAction::triggered, this,
            [this] { engine->Scheduler().Every10secRefreshinstancesalso1Click(); });
}

void TForm1::CreateControls()
{
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new TInstanceMaskPanel(client);
    ComboBox1 = Panel1->ComboBox1;
    layout->addWidget(Panel1);

    oidNameTable.BuildOidNameTable();
    mibRequest = std::make_unique<TMibLoadRequest>();
    mibLoader = std::make_unique<TMibLoader>();
    connect(mibLoader.get(), &TMibLoader::Loaded, this, &TForm1::MibNamesLoaded);
    resultStore = new TResultStore(this);
    resultTable = new TResultTable(oidNameTable, *resultStore, this);
    ListView1 = new QTreeView(client);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ConfigureResultView(ListView1, resultTable);
    PaceRowPublishing(ListView1, resultTable, kRowPublishIntervalMs, kRowPublishOutOfSightMs);
    CopySelection1 = InstallCopyKeys(ListView1, resultTable);
    SelectAll1 = InstallSelectAllKey(ListView1);
    layout->addWidget(ListView1, 1);
    setCentralWidget(client);

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    statusPanels = std::make_unique<TStatusPanels>(StatusBar1);
}

void TForm1::FormCreate()
{
    // 1. The instance-mask panel appears only after a walk that found mask
    //    entries. The status bar already shows its three panels.
    Panel1->hide();
    // 2.-5. The lists, the locks and the pending requests live in the shoot
    //    engine; the OID name table was built with the table.
    // 6. The worker runs the schedule of resends, time-outs, purges and the
    //    countdown until the window closes.
    workerJobs = std::make_unique<TWorkerJobs>(*engine);
    worker = std::make_unique<TMyTimer>(*workerJobs);
    connect(worker.get(), &TMyTimer::jobFailed, this,
            [this](const QString& message) { ShowStatusMessage(message); });
    worker->Start();
    // 7. Port 162 needs root: without it the endpoint opens on a free port.
    // The first send opens the endpoint again; say why it is not open yet.
    if (const QString reason = OpenManagerEndpoint(*vxSNMPMgr1); !reason.isEmpty())
        ShowStatusMessage(reason);
    // 8. Until set-up succeeds there is nothing to copy, shoot or fit.
    EnableTableMenus(false);
    // 9.
    InitialiseSession();
}

void TForm1::InitialiseSession()
{
    // One guard for the whole routine: an error at any step ends the set-up
    // there, and the window stays as designed.
    try {
        // 1.
        engine->ResetSessionState();
        resultTable->ResetSortState();
        // 2.
        engine->SetShootRunning(true);
        // 3.-5. Defaults, command line, vexgrid file or default target.
        const TStartupResult start = StartUp(commandLine);
        engine->SetSettings(start.settings);
        StartMibLoad(start.settings.mibPaths);
        if (!start.message.isEmpty())
            ::ShowModalMessage(this, start.message);
        if (!start.ready)
            return;
        // 6.-10. Caption, size, menus and the first shoot.
        ApplyStartResult(start);
    } catch (...) {
        // Swallowed on purpose: a set-up that cannot finish leaves the
        // designed window, which can only be closed.
    }
}

void TForm1::ApplyStartResult(const TStartupResult& start)
{
    viewFile = start.fileName;
    if (!viewFile.isEmpty())
        remembered.AddRecentFile(viewFile);
    ApplyViewMetrics();
    // 6.
    setWindowTitle(start.caption);
    // 7. The size remembered for the file wins over the file's own.
    const TViewState state = remembered.ViewState(viewFile);
    if (state.geometry.isEmpty() || !restoreGeometry(state.geometry))
        SetOuterSize(start.outerSize.width(), start.outerSize.height());
    // 8. Set-up forgot the last walk OID and restarted the request ids.
    // 9.
    EnableTableMenus(true);
    // 10.
    StartShooting();
}

void TForm1::StartShooting()
{
    resultTable->BuildColumns(engine->Settings().tableMode, engine->Settings().targetOids);
    RestoreViewState();
    // Until the agent answers, the empty table says what it waits for; an
    // error (a host that cannot be resolved) or the end of the shoot takes
    // the sign away as well.
    const TRequest& agent = engine->Settings().requestTemplate;
    ShowWaitingSign(
        ListView1,
        QStringLiteral("Waiting for %1...").arg(AgentAddressText(agent.remoteHost, agent.remotePort)));
    engine->StartShooting();
    ListView1->setVisible(true);
    RestoreShootMode();
}

void TForm1::EnableTableMenus(bool enabled)
{
    CopythisformtoClipboard1->setEnabled(enabled);
    Copytableastext1->setEnabled(enabled);
    Copyasshown1->setEnabled(enabled);
    fileMenu->ExportCsv1->setEnabled(enabled);
    Shootagain2->setEnabled(enabled);
    SetColumnwidthtoTextwidth1->setEnabled(enabled);
    // Without a view there is nothing to save.
    fileMenu->SaveViewAs1->setEnabled(enabled);
}

void TForm1::ShowStatusMessage(const QString& text)
{
    // A message after the shoot started tells of an answer or an error.
    HideWaitingSign(ListView1);
    statusPanels->ShowStatusMessage(text);
}

void TForm1::ClearStatusMessage()
{
    statusPanels->ClearStatusMessage();
    engine->ForgetLastWalkOid();
}

void TForm1::ShowEntryCount(int n) { statusPanels->ShowEntryCount(n); }
void TForm1::ShowCountdown(int n)
{
    if (n >= 0 && viewOptions.intervalSeconds != 10)
        statusPanels->ShowCountdownText(QStringLiteral("Next in %1 s").arg(n));
    else
        statusPanels->ShowCountdown(n);
}
void TForm1::ShowDroppedCount(int malformed, int foreign)
{
    statusPanels->ShowDroppedCount(malformed, foreign);
}

void TForm1::ShowShootCost(const QString& text, const QString& toolTip)
{
    statusPanels->ShowShootCost(text, toolTip);
}

void TForm1::ShowAgentSilent(const QString& text, std::int64_t /*confirmedFromMs*/)
{
    HideWaitingSign(ListView1);
    statusPanels->ShowAgentSilence(text);
}

void TForm1::ClearAgentSilent() { statusPanels->ClearAgentSilence(); }

void TForm1::SetOuterSize(int width, int height)
{
    wantedOuterSize = QSize(width, height);
    ApplyOuterSize();
    // A hidden window gets its resize event only when it is shown, after the
    // first shoot has written its messages; the size is told now, in the
    // order of set-up, so that the readout never hides such a message.
    if (!isVisible())
        FormResize();
}

void TForm1::ApplyOuterSize()
{
    if (!wantedOuterSize)
        return;
    // Before the window manager has framed the window both sizes are equal
    // and the whole size goes to the window; the frame is taken off later.
    const QSize frame = frameGeometry().size() - size();
    const QSize inner = *wantedOuterSize - frame;
    if (inner != size())
        resize(inner);
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!wantedOuterSize)
        return;
    ApplyOuterSize();
    QTimer::singleShot(kFrameSettleMs, this, [this] { wantedOuterSize.reset(); });
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The frame arrives with the window manager's first placement.
    if (isVisible())
        ApplyOuterSize();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A hidden window's resize events arrive only while it is being shown,
    // when the platform may already count a frame the window manager has
    // not drawn yet; SetOuterSize tells the size of a hidden window itself.
    if (isVisible())
        FormResize();
}

void TForm1::FormResize()
{
    const QSize outer = frameGeometry().size();
    // Framing by the window manager resizes the window without changing its
    // outer size; such events keep the message panel as it is.
    if (outer == reportedOuterSize)
        return;
    reportedOuterSize = outer;
    statusPanels->ShowStatusMessage(QStringLiteral("WxH=%1x%2").arg(outer.width()).arg(outer.height()));
}

void TForm1::closeEvent(QCloseEvent* event)
{
    SaveViewState();
    FormClose();
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose()
{
    if (closed)
        return;
    closed = true;
    // 1. The worker ends after its job in hand; events are processed while
    //    waiting, so a job handed to this thread can complete.
    if (worker)
        worker->TerminateAndWait();
    // 2.-5. Nothing is pending any more; the rest goes with the window.
    if (engine)
        engine->DropPendingRequests();
}

void TForm1::Close1Click() { close(); }

void TForm1::About1Click()
{
    // A fresh About window every time; it frees itself when closed.
    auto* about = new TForm2(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->exec();
}

void TForm1::StartMibLoad(const QStringList& mibPaths)
{
    // The modules are read on the loader's own thread: the window shows and
    // shoots with the built-in names meanwhile.
    mibRequest->folders = DefaultMibFolders();
    mibRequest->extraPaths = mibPaths;
    // Imports the machine lacks (SNMPv2-SMI and the like) come from the
    // modules shipped with the program.
    const QString shipped = ShippedMibFolder();
    mibRequest->baseFolders = shipped.isEmpty() ? QStringList() : QStringList{shipped};
    mibLoader->Start(*mibRequest);
}

void TForm1::MibNamesLoaded()
{
    oidNameTable.SetMibNames(mibLoader->Names());
    resultTable->RefreshNames();
}

void TForm1::MibModules1Click()
{
    auto* dialog = new TMibModulesDialog(
        MibModulesReport(*mibRequest, mibLoader->Result(), mibLoader->IsLoaded()), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

QPixmap TForm1::GrabClientArea()
{
    // The client area starts below the menu bar and takes the rest of the
    // window: the instance-mask panel when shown, the table, the status bar.
    const int top = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
    return grab(QRect(0, top, width(), height() - top));
}

void TForm1::CopythisformtoClipboard1Click() { QApplication::clipboard()->setPixmap(GrabClientArea()); }

void TForm1::Copytableastext1Click()
{
    QApplication::clipboard()->setText(TableAsTabText(resultTable->Snapshot()));
}

void TForm1::Copyasshown1Click()
{
    resultTable->PublishRows();
    QApplication::clipboard()->setText(
        TableAsTabText(ShownSnapshot(*resultTable, 0, resultTable->rowCount() - 1)));
}

void TForm1::SetColumnwidthtoTextwidth1Click()
{
    // QAction has already flipped its check mark when triggered.
    SetColumnWidthMode(ListView1, SetColumnwidthtoTextwidth1->isChecked());
    ListView1->viewport()->update();
}
