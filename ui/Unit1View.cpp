// TForm1 as the shoot engine's view: the result table, the "Shoot again"
// items, the instance-mask panel and the message box, plus what the window
// does when a shoot is over (the export file and the unattended screenshot).
#include "ui/Unit1.h"

#include "core/SettingsStore.h"

#include "ui/InstanceMaskPanel.h"
#include "ui/MessageBox.h"
#include "table/RateColumn.h"
#include "table/ResultTable.h"
#include "ui/ResultView.h"
#include "engine/ShootEngine.h"
#include "ui/StartupScreenshot.h"
#include "ui/StatusPanels.h"
#include "table/TableExport.h"
#include "table/TableExportJob.h"
#include "table/SelectionText.h"
#include "engine/AgentSilence.h"
#include "ui/FileMenu.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>

namespace {

// The picture of an unattended run is taken this long after the first shoot
// ended, so that the table has been painted.
constexpr int kScreenshotSettleMs = 300;

}  // namespace

void TForm1::ReSortRows() { resultTable->Resort(); }
void TForm1::FocusResultTable() { ListView1->setFocus(); }
bool TForm1::ShootAgainEnabled() const { return Shootagain2->isEnabled(); }
void TForm1::SetShootAgainEnabled(bool enabled) { Shootagain2->setEnabled(enabled); }

QAction* TForm1::ModeAction(TShootMode mode) const
{
    switch (mode) {
    case TShootMode::Now: return Now1;
    case TShootMode::KeepInstances: return Every10secondskeepinstances1;
    case TShootMode::RereadInstances: return Every10secRefreshinstancesalso1;
    }
    return Now1;
}

void TForm1::SetModeChecked(TShootMode mode, bool checked) { ModeAction(mode)->setChecked(checked); }

void TForm1::AddInstanceMaskItem(const QString& item)
{
    if (ComboBox1->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    const int selected = ComboBox1->currentIndex();
    ComboBox1->addItem(item);
    // A combo box selects the first item added to it; the entries found by a
    // walk are offered, not chosen.
    ComboBox1->setCurrentIndex(selected);
}

void TForm1::SelectInstanceMaskItem(const QString& item)
{
    ComboBox1->setCurrentIndex(ComboBox1->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TForm1::ShowInstanceMaskPanel() { Panel1->show(); }

namespace {

// The settings key of an agent's GetBulk repetitions: "agents/<agent>/...",
// the agent's text escaped so that its slashes make no groups.
QString RepetitionsKey(const QString& agent)
{
    return QStringLiteral("agents/") + QString::fromLatin1(agent.toUtf8().toPercentEncoding())
         + QStringLiteral("/bulkRepetitions");
}

}  // namespace

int TForm1::RememberedRepetitions(const QString& agent) const
{
    TSettingsStore store;
    return store->value(RepetitionsKey(agent), 0).toInt();
}

void TForm1::RememberRepetitions(const QString& agent, int repetitions)
{
    TSettingsStore store;
    store->setValue(RepetitionsKey(agent), repetitions);
}

void TForm1::ShowModalMessage(const QString& text) { ::ShowModalMessage(this, text); }

void TForm1::ShootFinished()
{
    HideWaitingSign(ListView1);
    // The result is shown whole, not only up to the last batch of rows.
    resultTable->PublishRows();
    // The columns were made to fit their headers while the table was empty;
    // once rows are in, texts wider than that would be cut off.
    // Rates and readable values change their texts' widths from shoot to
    // shoot; their columns widen with them (never narrow).
    const bool livelyTexts = viewOptions.counterRates || viewOptions.readableValues;
    if ((!columnsWidened || livelyTexts) && resultStore->RowCount() > 0) {
        columnsWidened = true;
        WidenColumnsToTexts(ListView1);
        for (int column = 0; column < rememberedColumnWidths.size(); ++column)
            ListView1->header()->resizeSection(column, rememberedColumnWidths[column]);
    }
    // Rates on, but nothing reads the counters again: say what they wait for.
    if (viewOptions.counterRates && !engine->Scheduler().Periodic() && statusPanels->StatusMessage().isEmpty()
        && CountersReadOnce(resultStore->Rows()))
        ShowStatusMessage(kRateNeedsSecondReading);
    // With an export file, the shoot is over once the file is written.
    if (!ExportTable())
        EndOfShoot();
}

void TForm1::EndOfShoot()
{
    if (StartupScreenshotRequested())
        QTimer::singleShot(kScreenshotSettleMs, this, [this] { TakeStartupScreenshot(this); });
    emit shootFinished();
}

bool TForm1::ExportTable()
{
    const QString& path = engine->Settings().exportPath;
    if (path.isEmpty())
        return false;
    if (exportJob == nullptr) {
        exportJob = new TTableExportJob(this);
        connect(exportJob, &TTableExportJob::Finished, this, &TForm1::ExportFinished);
    }
    // The rows are taken as they are now; their texts are gathered and the
    // file is written off the window's thread.
    exportJob->Start(path, resultTable->DeferredSnapshot());
    return true;
}

void TForm1::ExportFinished(const QString& path, const QString& reason)
{
    if (!reason.isEmpty())
        ShowStatusMessage(
            QStringLiteral("Export to %1 failed: %2").arg(QFileInfo(path).absoluteFilePath(), reason));
    EndOfShoot();
}

void TForm1::ExplainAgentSilence(const TRequest& request)
{
    // The request's first OID by name; a Get of several names the rest by number.
    QString oids = request.oidList;
    const int count = CountSeparators(oids);
    QString object = oidNameTable.DescribeOid(TakeNextItem(oids));
    if (count > 1)
        object += QStringLiteral(" and %1 more").arg(count - 1);
    statusPanels->ExplainAgentSilence(SilenceExplanation(
        request.remoteHost, request.remotePort, object, TShootEngine::kSendsPerRequest, request.snmpVersion));
}

void TForm1::ExportCsv(const TCsvExportChoice& choice)
{
    if (csvExportJob == nullptr) {
        csvExportJob = new TTableExportJob(this);
        connect(csvExportJob, &TTableExportJob::Finished, this,
                [this](const QString& path, const QString& reason) {
                    const QString file = QFileInfo(path).absoluteFilePath();
                    statusPanels->ShowStatusMessage(
                        reason.isEmpty() ? QStringLiteral("Exported to %1").arg(file)
                                         : QStringLiteral("Export to %1 failed: %2").arg(file, reason));
                    emit csvExported(path, reason);
                });
    }
    resultTable->PublishRows();
    int first = 0;
    int last = resultTable->rowCount() - 1;
    if (choice.rowsInSight)
        RowsInSight(ListView1, &first, &last);
    if (choice.asShown) {
        // The shown texts are read from the model here; the job only writes them.
        csvExportJob->Start(choice.path,
                            [shown = ShownSnapshot(*resultTable, first, last)] { return shown; });
    } else if (choice.rowsInSight) {
        csvExportJob->Start(choice.path, [whole = resultTable->DeferredSnapshot(), first, last] {
            return SnapshotRows(whole(), first, last);
        });
    } else {
        csvExportJob->Start(choice.path, resultTable->DeferredSnapshot());
    }
}
