// TForm1 switching views while it runs: opening another vexgrid file, starting
// a view made in the New View dialog, and what is remembered per file.
#include "ui/Unit1.h"

#include "ui/InstanceMaskPanel.h"
#include "ui/MessageBox.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "config/Startup.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <utility>

bool TForm1::OpenVexgridFile(const QString& path)
{
    // The same start-up as "/XML" on the command line, with the "/EXPORT"
    // target of this run.
    QStringList args{QStringLiteral("/XML"), path};
    const QString& exportPath = engine->Settings().exportPath;
    if (!exportPath.isEmpty())
        args << QStringLiteral("/EXPORT") << exportPath;
    const TStartupResult start = StartUp(args);
    if (!start.message.isEmpty())
        ::ShowModalMessage(this, start.message);
    if (!start.ready)
        return false;
    SaveViewState();
    ResetView();
    engine->SetSettings(start.settings);
    ApplyStartResult(start);
    return true;
}

void TForm1::StartView(TSessionSettings settings)
{
    settings.exportPath = engine->Settings().exportPath;
    SaveViewState();
    ResetView();
    engine->SetSettings(settings);
    ApplyStartResult(ReadyResult(settings));
}

void TForm1::SetViewFile(const QString& path)
{
    viewFile = path;
    remembered.AddRecentFile(path);
    SaveViewState();
}

void TForm1::ResetView()
{
    // Whatever the last view still waits for is no longer wanted.
    engine->FinishPendingRequests();
    engine->ResetSessionState();
    engine->ClearInstances();
    engine->SetShootRunning(true);
    // A single shoot: the periodic modes end with the view.
    engine->Scheduler().SetShootMode(0);
    resultTable->ResetSortState();
    Panel1->hide();
    ComboBox1->clear();
    columnsWidened = false;
}

void TForm1::SaveViewState()
{
    if (viewFile.isEmpty())
        return;
    TViewState state;
    state.geometry = saveGeometry();
    const QHeaderView* header = ListView1->header();
    for (int column = 0; column < header->count(); ++column)
        state.columnWidths.append(header->sectionSize(column));
    state.sortColumn = resultTable->SortColumn();
    state.sortAscending = resultTable->SortAscending();
    state.intervalSeconds = viewOptions.intervalSeconds;
    for (const TShootMode mode : {TShootMode::Now, TShootMode::KeepInstances, TShootMode::RereadInstances}) {
        if (engine->Scheduler().ShootModeIs(mode))
            state.shootMode = static_cast<int>(mode);
    }
    remembered.SaveViewState(viewFile, state);
}

void TForm1::RestoreViewState()
{
    const TViewState state = remembered.ViewState(viewFile);
    resultTable->SetSortState(state.sortColumn, state.sortAscending);
    // Widths of another set of columns would not fit these.
    rememberedColumnWidths.clear();
    if (state.columnWidths.size() == resultTable->columnCount())
        rememberedColumnWidths = state.columnWidths;
    // The interval chosen for this file; the one kept for all views stays.
    if (std::find(kShootIntervals.begin(), kShootIntervals.end(), state.intervalSeconds)
        != kShootIntervals.end()) {
        TViewOptions options = viewOptions;
        options.intervalSeconds = state.intervalSeconds;
        SetViewOptions(options);
    }
    rememberedShootMode = state.shootMode;
}

void TForm1::RestoreShootMode()
{
    // "Now..." is a single shoot, which the view has just started.
    const int mode = std::exchange(rememberedShootMode, 0);
    if (mode == static_cast<int>(TShootMode::KeepInstances))
        engine->Scheduler().Every10secondskeepinstances1Click();
    else if (mode == static_cast<int>(TShootMode::RereadInstances))
        engine->Scheduler().Every10secRefreshinstancesalso1Click();
}
