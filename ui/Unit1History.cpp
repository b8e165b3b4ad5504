// TForm1's recorded history and charts: View > Record history (every shoot
// appended to the view's recording) and View > Chart (Ctrl+G, also in the
// table's context menu) for the selected cells.
#include "ui/Unit1.h"

#include "core/SettingsStore.h"
#include "engine/ResultStore.h"
#include "engine/ShootEngine.h"
#include "history/HistoryRecorder.h"
#include "names/MibNames.h"
#include "table/RateColumn.h"
#include "table/ResultTable.h"
#include "ui/ChartWindow.h"
#include "ui/ReplayWindow.h"
#include "ui/TableCopy.h"
#include "ui/TrendDelegate.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QSpinBox>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTreeView>

#include <algorithm>

namespace {

const QString kRecordKey = QStringLiteral("history/record");
const QString kTrendsKey = QStringLiteral("view/trends");
const QString kMaxDaysKey = QStringLiteral("history/maxDays");
const QString kMaxMegabytesKey = QStringLiteral("history/maxMegabytes");
constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
// The limits offered: ten years, 1 TiB.
constexpr int kMostDays = 3650;
constexpr int kMostMegabytes = 1 << 20;
// More lines than this make a chart nobody can read.
constexpr int kMostChartLines = 16;

THistoryLimits LoadHistoryLimits()
{
    TSettingsStore settings;
    const QSettings& store = *settings;
    THistoryLimits limits;
    const std::int64_t days =
        store.value(kMaxDaysKey, static_cast<qlonglong>(limits.maxAgeMs / kDayMs)).toLongLong();
    const std::int64_t megabytes =
        store.value(kMaxMegabytesKey, static_cast<qlonglong>(limits.maxBytes >> 20)).toLongLong();
    limits.maxAgeMs = std::max<std::int64_t>(days, 1) * kDayMs;
    limits.maxBytes = std::max<std::int64_t>(megabytes, 1) << 20;
    return limits;
}

void SaveHistoryLimits(const THistoryLimits& limits)
{
    TSettingsStore settings;
    settings->setValue(kMaxDaysKey, static_cast<qlonglong>(limits.maxAgeMs / kDayMs));
    settings->setValue(kMaxMegabytesKey, static_cast<qlonglong>(limits.maxBytes >> 20));
}

// Options > History limits...: days and megabytes in two spin boxes.
QDialog* NewHistoryLimitsDialog(QWidget* parent, const THistoryLimits& limits)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("HistoryLimitsDialog"));
    dialog->setWindowTitle(QStringLiteral("History limits"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* days = new QSpinBox(dialog);
    days->setObjectName(QStringLiteral("Days"));
    days->setRange(1, kMostDays);
    days->setValue(static_cast<int>(limits.maxAgeMs / kDayMs));
    auto* megabytes = new QSpinBox(dialog);
    megabytes->setObjectName(QStringLiteral("Megabytes"));
    megabytes->setRange(1, kMostMegabytes);
    megabytes->setValue(static_cast<int>(limits.maxBytes >> 20));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    auto* form = new QFormLayout(dialog);
    form->addRow(QStringLiteral("Keep shoots for (days):"), days);
    form->addRow(QStringLiteral("Keep at most (MB, all recordings):"), megabytes);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(dialog, &QDialog::accepted, dialog, [days, megabytes] {
        THistoryLimits chosen;
        chosen.maxAgeMs = days->value() * kDayMs;
        chosen.maxBytes = static_cast<std::int64_t>(megabytes->value()) << 20;
        SaveHistoryLimits(chosen);
    });
    return dialog;
}

// Fills trends with the newest shoots of the recording at path, as many as
// a trend keeps; returns the shoots read (none without a recording).
int BackfillTrends(TTrendBuffer& trends, const QString& path)
{
    if (!QFileInfo::exists(path))
        return 0;
    THistoryDatabase recording;
    if (!recording.Open(path))
        return 0;
    return recording.WalkNewest(
        TTrendBuffer::kReadings + 1,
        [&trends](const TRecordedShoot&, const QVector<TResultRow>& rows) { trends.Take(rows); });
}

}  // namespace

void TForm1::CreateHistory()
{
    historyRecorder = new THistoryRecorder(this);
    historyRecorder->SetLimits(LoadHistoryLimits());
    connect(historyRecorder, &THistoryRecorder::Problem, this, &TForm1::ShowStatusMessage);
    connect(resultStore, &TResultStore::ShootFinished, this, &TForm1::RecordShoot);

    auto* view1 = menuBar()->findChild<QMenu*>(QStringLiteral("View1"));
    QMenu* menu = view1 ? view1 : menuBar()->addMenu(QStringLiteral("&View"));
    menu->addSeparator();
    RecordHistory1 = menu->addAction(QStringLiteral("Record &history"));
    RecordHistory1->setObjectName(QStringLiteral("RecordHistory1"));
    RecordHistory1->setCheckable(true);
    RecordHistory1->setChecked(TSettingsStore()->value(kRecordKey, true).toBool());
    connect(RecordHistory1, &QAction::toggled, this, [this](bool on) {
        TSettingsStore()->setValue(kRecordKey, on);
        if (!on)
            historyRecorder->Flush();  // what was recorded is on disk once recording is off
    });
    ShowTrends1 = menu->addAction(QStringLiteral("Show &trends"));
    ShowTrends1->setObjectName(QStringLiteral("ShowTrends1"));
    ShowTrends1->setCheckable(true);
    TrendDelegate = new TTrendDelegate(*resultTable, this);
    ListView1->setItemDelegate(TrendDelegate);
    connect(ShowTrends1, &QAction::toggled, this, [this](bool on) {
        TSettingsStore()->setValue(kTrendsKey, on);
        TrendDelegate->SetShown(on);
        TrendDelegate->Trends().Clear();
        TrendDelegate->SetFilledFrom(QString());
        if (on) {
            // The last readings at once: from the recording, which holds the
            // shoot on show too while it records.
            historyRecorder->Flush();
            const bool recorded = BackfillTrends(TrendDelegate->Trends(), HistoryPath()) > 0;
            TrendDelegate->SetFilledFrom(HistoryPath());
            if (!recorded || !RecordHistory1->isChecked())
                TrendDelegate->Trends().Take(resultStore->Rows());
        }
        ListView1->viewport()->update();
    });
    ShowTrends1->setChecked(TSettingsStore()->value(kTrendsKey, false).toBool());
    Chart1 = menu->addAction(QStringLiteral("&Chart"));
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(Chart1, &QAction::triggered, this, [this] { OpenChart(); });

    if (auto* file1 = menuBar()->findChild<QMenu*>(QStringLiteral("File1"))) {
        auto* open = new QAction(QStringLiteral("Open &History..."), file1);
        open->setObjectName(QStringLiteral("OpenHistory1"));
        // After Open Recent (the menu's first sub-menu), with the other ways to open.
        const QList<QAction*> items = file1->actions();
        const auto recent =
            std::find_if(items.begin(), items.end(), [](QAction* a) { return a->menu() != nullptr; });
        file1->insertAction(recent != items.end() && recent + 1 != items.end() ? *(recent + 1) : Close1,
                            open);
        connect(open, &QAction::triggered, this, [this] {
            const QString path =
                QFileDialog::getOpenFileName(this, QStringLiteral("Open History"), HistoryFolder(),
                                             QStringLiteral("Recordings (*.sqlite)"));
            if (!path.isEmpty())
                OpenReplay(path);
        });
    }
    if (auto* options1 = menuBar()->findChild<QMenu*>(QStringLiteral("Options1"))) {
        QAction* limits = options1->addAction(QStringLiteral("History &limits..."));
        limits->setObjectName(QStringLiteral("HistoryLimits1"));
        connect(limits, &QAction::triggered, this, [this] {
            QDialog* dialog = NewHistoryLimitsDialog(this, LoadHistoryLimits());
            connect(dialog, &QDialog::accepted, this,
                    [this] { historyRecorder->SetLimits(LoadHistoryLimits()); });
            dialog->open();
        });
    }

    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* context = NewTableContextMenu(ListView1, resultTable, at, {CopySelection1, Chart1});
        context->setAttribute(Qt::WA_DeleteOnClose);
        context->popup(ListView1->viewport()->mapToGlobal(at));
    });
}

QString TForm1::HistoryPath() const
{
    const TRequest& agent = Settings().requestTemplate;
    return HistoryFileFor(viewFile, agent.remoteHost, agent.remotePort);
}

void TForm1::RecordShoot()
{
    if (ShowTrends1->isChecked()) {
        // Another view: its trends start from its recording, which does not
        // hold this shoot yet.
        if (TrendDelegate->FilledFrom() != HistoryPath()) {
            historyRecorder->Flush();
            TrendDelegate->Trends().Clear();
            BackfillTrends(TrendDelegate->Trends(), HistoryPath());
            TrendDelegate->SetFilledFrom(HistoryPath());
        }
        TrendDelegate->Take(resultStore->Rows());
    }
    if (!RecordHistory1->isChecked() || resultStore->RowCount() == 0)
        return;
    THistoryShoot shoot;
    shoot.wallMs = QDateTime::currentMSecsSinceEpoch();
    const TRequest& agent = Settings().requestTemplate;
    shoot.agent = agent.remoteHost + QLatin1Char(':') + QString::number(agent.remotePort);
    shoot.listLayout = resultStore->IsListLayout();
    shoot.targets = resultStore->Targets();
    shoot.upTime = engine->ShootUpTime();
    shoot.rows = resultStore->Rows();  // shared, not copied, until the store changes
    historyRecorder->Record(HistoryPath(), std::move(shoot));
}

QVector<TChartCell> TForm1::ChartCells() const
{
    QVector<TChartCell> cells;
    QModelIndexList chosen = ListView1->selectionModel()->selectedIndexes();
    if (chosen.isEmpty() && ListView1->currentIndex().isValid())
        chosen.append(ListView1->currentIndex());
    std::sort(chosen.begin(), chosen.end());
    const int first = resultTable->FirstCellColumn();
    for (const QModelIndex& index : chosen) {
        const int cell = index.column() - first;
        if (cell < 0 || index.row() >= resultStore->RowCount() || cells.size() >= kMostChartLines)
            continue;
        const TResultRow& row = resultStore->Row(index.row());
        if (cell >= row.cells.size() || !row.cells[cell].now.HasValue())
            continue;
        const TResultCell& value = row.cells[cell];
        bool number = false;
        value.now.text.toDouble(&number);
        if (!number)
            continue;  // only numbers make lines
        const QString name = oidNameTable.DescribeOid(value.oid);
        const TMibNames* mib = oidNameTable.MibNames();
        const TMibObject* object = mib != nullptr ? mib->Find(value.oid).object : nullptr;
        cells.append({row.key, cell, value.oid, name, value.now.IsCounter(), IsOctetsName(name),
                      object != nullptr ? object->units : QString()});
    }
    return cells;
}

TReplayWindow* TForm1::OpenReplay(const QString& path)
{
    historyRecorder->Flush();  // the recording holds every shoot so far
    auto* replay = new TReplayWindow(path, oidNameTable, viewOptions, this);
    if (!replay->IsOpen())
        ShowStatusMessage(replay->StatusText());
    replay->show();
    return replay;
}

TChartWindow* TForm1::OpenChart()
{
    const QVector<TChartCell> cells = ChartCells();
    if (cells.isEmpty()) {
        ShowStatusMessage(QStringLiteral("Chart: select cells with numbers"));
        return nullptr;
    }
    historyRecorder->Flush();  // the recording holds every shoot so far
    auto* chart = new TChartWindow(*resultStore, historyRecorder->ActivePath(), cells, this);
    chart->show();
    return chart;
}
