// TForm1: the main window. It owns the SNMP manager component, the shoot
// engine, the worker thread and the result table, sets itself up while it is
// created (FormCreate, InitialiseSession) and shuts down in FormClose. Menus,
// the instance-mask panel, the result table and the status bar come from its
// design; the status bar's panels live in TStatusPanels. For the shoot engine
// the window is its TShootView (Unit1View.cpp).
#pragma once

#include "ui/RememberedState.h"
#include "core/Settings.h"
#include "engine/ManagerComponent.h"
#include "engine/ShootView.h"
#include "table/Shared.h"
#include "table/ViewOptions.h"

#include <QMainWindow>
#include <QPixmap>
#include <QSize>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QComboBox;
class QStatusBar;
class QTreeView;
class TFileMenu;
struct TCsvExportChoice;
class TInstanceMaskPanel;
class TMibLoader;
class QLabel;
class TMetricsServer;
struct TMetricsEndpoint;
struct TMibLoadRequest;
class TMyTimer;
class TResultStore;
class TResultTable;
class TShootEngine;
class TStatusPanels;
class TTableExportJob;
class TTrapCenter;
class TTrapsWindow;
class QToolButton;
class TWorkerJobs;
class THistoryRecorder;
class TChartWindow;
struct TChartCell;
class TTrendDelegate;
class TReplayWindow;
struct TStartupResult;
namespace vxsnmp {
class TvxSNMPMgr;
}

class TForm1 : public QMainWindow, public TShootView {
    Q_OBJECT
public:
    // `commandLine` holds the program's arguments without the program name.
    // The window sets itself up here: caption, size and first shoot, or, when
    // set-up fails, it stays in its designed state.
    explicit TForm1(const QStringList& commandLine, QWidget* parent = nullptr);
    ~TForm1() override;

    // The client area (below the menu bar) at design.
    static constexpr QSize kDesignClientSize{668, 474};

    const TSessionSettings& Settings() const;

    // The set-up routine: StartUp's settings (defaults, then the command line
    // or the vexgrid file), then caption, size, menus and the first shoot. Any
    // error ends it where it happens.
    void InitialiseSession();

    // OpenVexgridFile loads the vexgrid file at `path` as "/XML" does at
    // start-up and restarts the shoot with it: a single shoot, no sort, the
    // file's size (or the size remembered for it), the "/EXPORT" target of
    // start-up kept. A file that fails to load is reported and the current
    // view goes on; returns whether the file was loaded.
    bool OpenVexgridFile(const QString& path);
    // StartView restarts the shoot with settings made elsewhere (New View),
    // a view without file until it is saved.
    void StartView(TSessionSettings settings);
    // The vexgrid file the view shows; empty for a view without file.
    const QString& ViewFile() const { return viewFile; }
    // The view is now the file at `path` (it was saved there).
    void SetViewFile(const QString& path);
    // Remembers geometry, column widths and sort of the view's file.
    void SaveViewState();
    TRememberedState& Remembered() { return remembered; }
    TFileMenu& FileMenu() { return *fileMenu; }
    // File > Export CSV...: writes the table to choice.path off the window's
    // thread with the writer of "/EXPORT"; csvExported tells the end, and the
    // message panel what was written or why nothing was (the file before
    // stays then).
    void ExportCsv(const TCsvExportChoice& choice);

    // Enables or disables the table items together.
    void EnableTableMenus(bool enabled);

    // Status bar writers. ClearStatusMessage also forgets the last OID of a
    // single-target walk.
    void ShowStatusMessage(const QString& text) override;
    void ClearStatusMessage() override;
    void ShowEntryCount(int n) override;
    void ShowCountdown(int n) override;
    void ShowDroppedCount(int malformed, int foreign) override;
    void ShowShootCost(const QString& text, const QString& toolTip) override;
    const TStatusPanels& StatusPanels() const { return *statusPanels; }

    // Sets the outer size (frame included where the platform has a frame).
    void SetOuterSize(int width, int height);

    // The client area (panel, table and status bar; not the menu bar) as a
    // picture of exactly the client width and height.
    QPixmap GrabClientArea();

    TResultTable& ResultTable() { return *resultTable; }
    // The results the engine writes and the table shows.
    TResultStore& ResultStore() { return *resultStore; }
    const TOidNameTable& OidNameTable() const { return oidNameTable; }
    TShootEngine& Engine() { return *engine; }
    vxsnmp::TvxSNMPMgr& Component() { return *vxSNMPMgr1; }
    TMyTimer* Worker() { return worker.get(); }
    // Reads the MIB modules at start-up; their names replace the built-in
    // ones when ready.
    const TMibLoader& MibLoader() const { return *mibLoader; }
    const TMibLoadRequest& MibLoadRequest() const { return *mibRequest; }

    // The received notifications (Unit1Traps.cpp): the window that shows
    // them (made when first opened) and the status bar's counter.
    TTrapCenter& Traps() { return *trapCenter; }
    TTrapsWindow* TrapsWindow() { return trapsWindow.get(); }
    void OpenTrapsWindow();

    // The metrics endpoint for scrapers (Unit1Metrics.cpp): serves on
    // endpoint, or stops serving (nullopt); false, said in the status bar,
    // when it cannot listen there.
    TMetricsServer& Metrics();
    bool ServeMetrics(const std::optional<TMetricsEndpoint>& endpoint);

    // Recorded history and charts (Unit1History.cpp): the view's recording
    // and a chart window of the selected cells (nullptr, said, when none has a number).
    THistoryRecorder& History() { return *historyRecorder; }
    QString HistoryPath() const;
    TChartWindow* OpenChart();
    // File > Open History...: the recording at path played back.
    TReplayWindow* OpenReplay(const QString& path);

    // The View menu's choices and the interval, as shown and as kept.
    const TViewOptions& ViewOptions() const { return viewOptions; }
    void SetViewOptions(const TViewOptions& options);

    // The window's widgets, for what drives it as a user would (tests,
    // benches): they are the window's own, and only it sets them.
    struct TWidgets {
        QAction* const& TrapsAndInforms1;
        QAction* const& ServeMetrics1;
        QLabel* const& MetricsLabel;
        QAction* const& ExportModule1;
        QAction* const& ExportTelegraf1;
        QToolButton* const& TrapCounter;
        QAction* const& RecordHistory1;
        QAction* const& Chart1;
        QAction* const& ShowTrends1;
        TTrendDelegate* const& TrendDelegate;
        QAction* const& Close1;
        QAction* const& CopySelection1;
        QAction* const& SelectAll1;
        QAction* const& CopythisformtoClipboard1;
        QAction* const& Copytableastext1;
        QAction* const& Copyasshown1;
        QAction* const& Shootagain2;
        QAction* const& Now1;
        QAction* const& Every10secondskeepinstances1;
        QAction* const& Every10secRefreshinstancesalso1;
        QAction* const& SetColumnwidthtoTextwidth1;
        QAction* const& ShowCounterRates1;
        QAction* const& ReadableValues1;
        QAction* const& MarkChanges1;
        QAction* const& KeepLastValues1;
        QMenu* const& Interval1;
        QAction* const& About1;
        QAction* const& MibModules1;
        TInstanceMaskPanel* const& Panel1;
        QComboBox* const& ComboBox1;
        QTreeView* const& ListView1;
        QStatusBar* const& StatusBar1;
    };
    const TWidgets& Widgets() const { return widgets; }

signals:
    // A shoot is over and the table shows its result (see TShootView).
    void shootFinished();
    // File > Export CSV... has written path, or failed for reason.
    void csvExported(const QString& path, const QString& reason);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // TShootView, over the result table, the menus and the panel.
    int IntervalSeconds() const override { return viewOptions.intervalSeconds; }
    void ReSortRows() override;
    void FocusResultTable() override;
    bool ShootAgainEnabled() const override;
    void SetShootAgainEnabled(bool enabled) override;
    void SetModeChecked(TShootMode mode, bool checked) override;
    void AddInstanceMaskItem(const QString& item) override;
    void SelectInstanceMaskItem(const QString& item) override;
    void ShowInstanceMaskPanel() override;
    void ShowModalMessage(const QString& text) override;
    void ShootFinished() override;
    void ShowAgentSilent(const QString& text, std::int64_t confirmedFromMs) override;
    void ClearAgentSilent() override;
    void ExplainAgentSilence(const TRequest& request) override;
    int RememberedRepetitions(const QString& agent) const override;
    void RememberRepetitions(const QString& agent, int repetitions) override;

private:
    void CreateMenus();
    void CreateControls();
    void CreateViewMenu();
    void CreateTraps();
    void CreateMetrics();
    void CreateHistory();
    void RecordShoot();
    QVector<TChartCell> ChartCells() const;
    void ServeMetrics1Click();
    // Serves on the endpoint kept for the view's file, unless the command line named one.
    void ApplyViewMetrics();
    // Asks for a file and writes the view for the SNMP exporter or Telegraf.
    void ExportViewAs(bool telegraf);
    void ShowTrapCount();
    void CreateIntervalMenu(QMenu* shootAgain);
    void ViewMenuClicked();
    void ShowViewOptions();
    QAction* ModeAction(TShootMode mode) const;

    void FormCreate();
    void FormClose();
    void FormResize();
    void Close1Click();
    void About1Click();
    void MibModules1Click();
    void StartMibLoad(const QStringList& mibPaths);
    void MibNamesLoaded();
    void CopythisformtoClipboard1Click();
    void Copytableastext1Click();
    void Copyasshown1Click();
    void SetColumnwidthtoTextwidth1Click();

    void StartShooting();
    // Takes a start-up result: caption, size, menus and the first shoot.
    void ApplyStartResult(const TStartupResult& start);
    // Back to a fresh run before another view starts.
    void ResetView();
    void RestoreViewState();
    // The periodic shoot mode remembered for the view's file, once its first
    // shoot has started.
    void RestoreShootMode();
    void ApplyOuterSize();
    // Starts writing the export file; false when there is none to write.
    bool ExportTable();
    void ExportFinished(const QString& path, const QString& reason);
    void EndOfShoot();

    QStringList commandLine;
    QString viewFile;
    TRememberedState remembered;
    // Column widths remembered for the view, applied once the first shoot
    // has filled the table.
    QList<int> rememberedColumnWidths;
    std::unique_ptr<TFileMenu> fileMenu;
    TOidNameTable oidNameTable;
    TResultStore* resultStore = nullptr;  // owned by the window (Qt parent)
    TResultTable* resultTable = nullptr;  // owned by the window (Qt parent)
    std::unique_ptr<TStatusPanels> statusPanels;
    std::unique_ptr<TTrapCenter> trapCenter;
    std::unique_ptr<TTrapsWindow> trapsWindow;  // goes before the center it shows
    TManagerComponentPtr vxSNMPMgr1;
    std::unique_ptr<TShootEngine> engine;
    std::unique_ptr<TMibLoadRequest> mibRequest;
    std::unique_ptr<TMibLoader> mibLoader;
    std::future<void> builtInNamesMade;  // see the constructor
    std::unique_ptr<TWorkerJobs> workerJobs;
    // Declared last, so that it is stopped before what its jobs use goes away.
    std::unique_ptr<TMyTimer> worker;
    // The outer size asked for, kept until the window manager has framed the
    // window, since the frame's size is only known then.
    std::optional<QSize> wantedOuterSize;
    // The outer size the message panel was last told (FormResize).
    QSize reportedOuterSize;
    // The columns have been widened to the texts of the first shoot.
    bool columnsWidened = false;
    bool closed = false;
    TViewOptions viewOptions;
    TTableExportJob* exportJob = nullptr;     // owned by the window (Qt parent)
    TTableExportJob* csvExportJob = nullptr;  // File > Export CSV...; owned by the window
    int rememberedShootMode = 0;              // RestoreShootMode's, 0 for none
    TMetricsServer* metricsServer = nullptr;  // owned by the window (Qt parent)
    bool metricsFromCommandLine = false;

    THistoryRecorder* historyRecorder = nullptr;  // owned by the window (Qt parent)

    // Components of the design; Widgets() shows them.
    QAction* TrapsAndInforms1 = nullptr;  // View > Traps and informs (Ctrl+T)
    QAction* ServeMetrics1 = nullptr;     // Options > Serve metrics...
    QLabel* MetricsLabel = nullptr;       // "Serving metrics on 127.0.0.1:9469"
    QAction* ExportModule1 = nullptr;     // File > Export View As > Prometheus SNMP exporter module...
    QAction* ExportTelegraf1 = nullptr;   // File > Export View As > Telegraf SNMP input...
    QToolButton* TrapCounter = nullptr;
    QAction* RecordHistory1 = nullptr;  // View > Record history
    QAction* Chart1 = nullptr;          // View > Chart (Ctrl+G)
    QAction* ShowTrends1 = nullptr;     // View > Show trends
    TTrendDelegate* TrendDelegate = nullptr;
    QAction* Close1 = nullptr;
    QAction* CopySelection1 = nullptr;  // Ctrl+C on the table
    QAction* SelectAll1 = nullptr;      // Ctrl+A on the table
    QAction* CopythisformtoClipboard1 = nullptr;
    QAction* Copytableastext1 = nullptr;
    QAction* Copyasshown1 = nullptr;  // Edit > Copy as shown
    QAction* Shootagain2 = nullptr;   // menu action of the "Shoot again" sub-menu
    QAction* Now1 = nullptr;
    QAction* Every10secondskeepinstances1 = nullptr;
    QAction* Every10secRefreshinstancesalso1 = nullptr;
    QAction* SetColumnwidthtoTextwidth1 = nullptr;
    QAction* ShowCounterRates1 = nullptr;
    QAction* ReadableValues1 = nullptr;
    QAction* MarkChanges1 = nullptr;
    QAction* KeepLastValues1 = nullptr;
    QMenu* Interval1 = nullptr;
    QAction* About1 = nullptr;
    QAction* MibModules1 = nullptr;
    TInstanceMaskPanel* Panel1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QTreeView* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    const TWidgets widgets{TrapsAndInforms1,
                           ServeMetrics1,
                           MetricsLabel,
                           ExportModule1,
                           ExportTelegraf1,
                           TrapCounter,
                           RecordHistory1,
                           Chart1,
                           ShowTrends1,
                           TrendDelegate,
                           Close1,
                           CopySelection1,
                           SelectAll1,
                           CopythisformtoClipboard1,
                           Copytableastext1,
                           Copyasshown1,
                           Shootagain2,
                           Now1,
                           Every10secondskeepinstances1,
                           Every10secRefreshinstancesalso1,
                           SetColumnwidthtoTextwidth1,
                           ShowCounterRates1,
                           ReadableValues1,
                           MarkChanges1,
                           KeepLastValues1,
                           Interval1,
                           About1,
                           MibModules1,
                           Panel1,
                           ComboBox1,
                           ListView1,
                           StatusBar1};
};
