// TForm1: the main window. It holds the settings of the run, sets itself up
// while it is created (FormCreate, InitialiseSession) and shuts down in
// FormClose. Menus, the instance-mask panel, the result table and the status
// bar come from its design; the status bar's panels live in TStatusPanels.
#pragma once

#include "Settings.h"
#include "Shared.h"

#include <QMainWindow>
#include <QPixmap>
#include <QSize>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QStatusBar;
class QTreeView;
class TInstanceMaskPanel;
class TResultTable;
class TStatusPanels;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `commandLine` holds the program's arguments without the program name.
    // The window sets itself up here: caption, size and first shoot, or, when
    // set-up fails, it stays in its designed state.
    explicit TForm1(const QStringList& commandLine, QWidget* parent = nullptr);
    ~TForm1() override;

    // The client area (below the menu bar) at design.
    static constexpr QSize kDesignClientSize{668, 474};

    const TSessionSettings& Settings() const { return settings; }

    // The set-up routine: defaults, then the command line or the vexgrid
    // file, then caption, size, menus and the first shoot. Any error ends it
    // silently where it happens.
    void InitialiseSession();
    // Loads the vexgrid file at `path`; on failure tells the user and returns false.
    bool LoadVexgridFile(const QString& path);

    // Enables or disables the three table items together.
    void EnableTableMenus(bool enabled);

    // Status bar writers.
    void ShowStatusMessage(const QString& text);
    void ClearStatusMessage();
    void ShowEntryCount(int n);
    void ShowCountdown(int n);
    const TStatusPanels& StatusPanels() const { return *statusPanels; }

    // Sets the outer size (frame included where the platform has a frame).
    void SetOuterSize(int width, int height);

    // The client area (panel, table and status bar; not the menu bar) as a
    // picture of exactly the client width and height.
    QPixmap GrabClientArea();

    TResultTable& ResultTable() { return *resultTable; }
    const TOidNameTable& OidNameTable() const { return oidNameTable; }

    // Components of the design.
    QAction* Close1 = nullptr;
    QAction* CopythisformtoClipboard1 = nullptr;
    QAction* Copytableastext1 = nullptr;
    QAction* Shootagain2 = nullptr;  // menu action of the "Shoot again" sub-menu
    QAction* Now1 = nullptr;
    QAction* Every10secondskeepinstances1 = nullptr;
    QAction* Every10secRefreshinstancesalso1 = nullptr;
    QAction* SetColumnwidthtoTextwidth1 = nullptr;
    QAction* About1 = nullptr;
    TInstanceMaskPanel* Panel1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QTreeView* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateMenus();
    void CreateControls();

    void FormCreate();
    void FormClose();
    void FormResize();
    void Close1Click();
    void About1Click();
    void CopythisformtoClipboard1Click();
    void Copytableastext1Click();
    void SetColumnwidthtoTextwidth1Click();

    void MarkShootRunning();
    void StartShooting();
    void ApplyOuterSize();

    TSessionSettings settings;
    TOidNameTable oidNameTable;
    TResultTable* resultTable = nullptr;  // owned by the window (Qt parent)
    QStringList commandLine;
    std::unique_ptr<TStatusPanels> statusPanels;
    // The outer size asked for, kept until the window manager has framed the
    // window, since the frame's size is only known then.
    std::optional<QSize> wantedOuterSize;
};
