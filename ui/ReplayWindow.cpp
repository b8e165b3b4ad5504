#include "ui/ReplayWindow.h"

#include "table/RateColumn.h"
#include "table/ResultTable.h"
#include "table/TableExport.h"
#include "table/ViewOptions.h"
#include "ui/ResultView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The tint of a cell that differs from the compared shoot.
const QColor kDiffers(255, 226, 150);

// What the model shows from its column 1 on (column 0 holds images): the
// selected rows, or all when none is selected.
TTableSnapshot Snapshot(const QAbstractItemModel& model, const QItemSelectionModel* selection)
{
    TTableSnapshot snapshot;
    for (int column = 1; column < model.columnCount(); ++column)
        snapshot.headers.append(model.headerData(column, Qt::Horizontal).toString());
    const bool chosen = selection != nullptr && selection->hasSelection();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (chosen && !selection->isRowSelected(row))
            continue;
        QStringList cells;
        for (int column = 1; column < model.columnCount(); ++column)
            cells.append(model.data(model.index(row, column)).toString());
        snapshot.rows.append(cells);
    }
    return snapshot;
}

QString WhenText(std::int64_t wallMs)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

TCompareColumns::TCompareColumns(TResultTable& shown, QObject* parent)
    : QAbstractProxyModel(parent), table(shown)
{
    setSourceModel(&table);
    // The replay changes its table a shoot at a time: each change is a new table here.
    const auto begin = [this] { beginResetModel(); };
    const auto end = [this] { endResetModel(); };
    connect(&table, &QAbstractItemModel::modelAboutToBeReset, this, begin);
    connect(&table, &QAbstractItemModel::modelReset, this, end);
    connect(&table, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
    connect(&table, &QAbstractItemModel::rowsInserted, this, end);
    connect(&table, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
    connect(&table, &QAbstractItemModel::rowsRemoved, this, end);
    connect(&table, &QAbstractItemModel::columnsAboutToBeInserted, this, begin);
    connect(&table, &QAbstractItemModel::columnsInserted, this, end);
    connect(&table, &QAbstractItemModel::columnsAboutToBeRemoved, this, begin);
    connect(&table, &QAbstractItemModel::columnsRemoved, this, end);
    connect(&table, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
    connect(&table, &QAbstractItemModel::layoutChanged, this, end);
    connect(&table, &QAbstractItemModel::headerDataChanged, this,
            [this] { emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1)); });
    connect(&table, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                emit dataChanged(index(from.row(), 0), index(to.row(), std::max(0, columnCount() - 1)));
            });
}

void TCompareColumns::CompareWith(std::optional<QVector<TResultRow>> rows, std::int64_t otherWallMs)
{
    beginResetModel();
    other.reset();
    if (rows) {
        other.emplace();
        for (const TResultRow& row : *rows)
            other->insert(row.key, row);
    }
    otherWall = otherWallMs;
    endResetModel();
}

int TCompareColumns::SourceColumn(int column) const
{
    const std::optional<std::pair<int, bool>> cell = CellOfColumn(column);
    return cell ? table.FirstCellColumn() + cell->first : column;
}

std::optional<std::pair<int, bool>> TCompareColumns::CellOfColumn(int column) const
{
    const int first = table.FirstCellColumn();
    if (column < first)
        return std::nullopt;
    const int step = other ? 2 : 1;
    return std::pair<int, bool>((column - first) / step, (column - first) % step == 1);
}

QModelIndex TCompareColumns::mapToSource(const QModelIndex& proxy) const
{
    if (!proxy.isValid())
        return {};
    const std::optional<std::pair<int, bool>> cell = CellOfColumn(proxy.column());
    if (!cell)
        return table.index(proxy.row(), proxy.column());
    return cell->second ? QModelIndex() : table.index(proxy.row(), table.FirstCellColumn() + cell->first);
}

QModelIndex TCompareColumns::mapFromSource(const QModelIndex& source) const
{
    if (!source.isValid())
        return {};
    const int first = table.FirstCellColumn();
    const int column =
        source.column() < first || !other ? source.column() : first + 2 * (source.column() - first);
    return index(source.row(), column);
}

QModelIndex TCompareColumns::index(int row, int column, const QModelIndex& parent) const
{
    return parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount()
             ? QModelIndex()
             : createIndex(row, column);
}

int TCompareColumns::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : table.rowCount();
}

int TCompareColumns::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const int columns = table.columnCount();
    const int first = table.FirstCellColumn();
    return other && columns > first ? first + 2 * (columns - first) : columns;
}

std::optional<QString> TCompareColumns::Difference(int row, int cell) const
{
    if (!other || row < 0 || row >= table.Store().RowCount())
        return std::nullopt;
    const TResultRow& shownRow = table.Store().Row(row);
    if (cell < 0 || cell >= shownRow.cells.size())
        return std::nullopt;
    const TResultCell& now = shownRow.cells[cell];
    const auto found = other->constFind(shownRow.key);
    if (found == other->constEnd() || cell >= found->cells.size() || found->cells[cell].oid != now.oid)
        return QStringLiteral("new");
    const TCellValue& then = found->cells[cell].now;
    if (then.text == now.now.text && then.type == now.now.type)
        return std::nullopt;
    bool numbers = false;
    const double a = then.text.toDouble(&numbers);
    bool number = false;
    const double b = now.now.text.toDouble(&number);
    if (!numbers || !number || !then.HasValue() || !now.now.HasValue())
        return QStringLiteral("was ") + then.text;
    if (now.now.IsCounter() && then.IsCounter()) {
        // The rate over the span, from the earlier reading to the later.
        const bool earlier = then.wallMs <= now.now.wallMs;
        const std::optional<double> rate = earlier ? CounterRate(then, now.now) : CounterRate(now.now, then);
        return rate ? QStringLiteral("%1 /s").arg(*rate, 0, 'g', 8) : QStringLiteral("-");
    }
    const double change = b - a;
    return (change > 0 ? QStringLiteral("+") : QString()) + QString::number(change, 'g', 12);
}

int TCompareColumns::DifferingCells() const
{
    int differing = 0;
    for (int row = 0; other && row < table.Store().RowCount(); ++row)
        for (int cell = 0; cell < table.Store().Row(row).cells.size(); ++cell)
            differing += Difference(row, cell).has_value() ? 1 : 0;
    return differing;
}

QVariant TCompareColumns::data(const QModelIndex& proxy, int role) const
{
    const std::optional<std::pair<int, bool>> cell =
        proxy.isValid() ? CellOfColumn(proxy.column()) : std::nullopt;
    if (!other || !cell)
        return QAbstractProxyModel::data(proxy, role);
    const std::optional<QString> difference = Difference(proxy.row(), cell->first);
    if (role == Qt::BackgroundRole && difference)
        return kDiffers;
    if (!cell->second)
        return QAbstractProxyModel::data(proxy, role);
    if (role == Qt::DisplayRole)
        return difference.value_or(QString());
    if (role == Qt::ToolTipRole && difference)
        return QStringLiteral("Compared with %1").arg(WhenText(otherWall));
    return {};
}

QVariant TCompareColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    const std::optional<std::pair<int, bool>> cell = CellOfColumn(section);
    if (orientation != Qt::Horizontal || !cell || !other)
        return table.headerData(section, orientation, role);
    const int source = table.FirstCellColumn() + cell->first;
    if (!cell->second)
        return table.headerData(source, orientation, role);
    return role == Qt::DisplayRole
             ? QVariant(table.headerData(source, orientation, role).toString() + QStringLiteral(" \u0394"))
             : QVariant();
}

TReplayWindow::TReplayWindow(const QString& path, const TOidNameTable& names, const TViewOptions& options,
                             QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ReplayWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("History: ") + QFileInfo(path).fileName());
    table = new TResultTable(names, store, this);
    table->SetViewOptions(options);
    view = new QTreeView(this);
    ConfigureResultView(view, table);
    slider = new QSlider(Qt::Horizontal, this);
    auto* back = new QPushButton(QStringLiteral("<"), this);
    auto* forward = new QPushButton(QStringLiteral(">"), this);
    auto* compareButton = new QPushButton(QStringLiteral("Compare with..."), this);
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV..."), this);
    status = new QLabel(this);
    auto* steps = new QHBoxLayout;
    steps->addWidget(back);
    steps->addWidget(slider, 1);
    steps->addWidget(forward);
    steps->addWidget(compareButton);
    steps->addWidget(exportButton);
    compare = new TCompareColumns(*table, this);
    view->setModel(compare);
    // Header clicks sort by the value column they stand for.
    disconnect(view->header(), &QHeaderView::sectionClicked, table, nullptr);
    connect(view->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { table->ListView1ColumnClick(compare->SourceColumn(section)); });
    auto* copy = new QAction(QStringLiteral("Copy"), view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(TableAsTabText(Snapshot(*compare, view->selectionModel())));
    });
    connect(compareButton, &QPushButton::clicked, this, &TReplayWindow::CompareClicked);
    connect(exportButton, &QPushButton::clicked, this, &TReplayWindow::ExportClicked);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(steps);
    layout->addWidget(view, 1);
    layout->addWidget(status);
    resize(760, 480);

    if (recording.Open(path))
        shoots = recording.Shoots();
    if (shoots.isEmpty()) {
        status->setText(recording.LastError().isEmpty() ? QStringLiteral("%1 holds no shoot").arg(path)
                                                        : recording.LastError());
        slider->setEnabled(false);
        return;
    }
    slider->setRange(0, static_cast<int>(shoots.size()) - 1);
    connect(slider, &QSlider::valueChanged, this, &TReplayWindow::ShowShoot);
    connect(back, &QPushButton::clicked, this, [this] { slider->setValue(slider->value() - 1); });
    connect(forward, &QPushButton::clicked, this, [this] { slider->setValue(slider->value() + 1); });
    slider->setValue(slider->maximum());
    ShowShoot(slider->maximum());
}

void TReplayWindow::ShowShoot(int index)
{
    if (index < 0 || index >= shoots.size())
        return;
    if (slider->value() != index)
        slider->setValue(index);  // comes back here
    const TRecordedShoot& shown = shoots[index];
    table->BuildColumns(!shown.listLayout, shown.targets);
    // The shoot before gives the readings the rates start from.
    if (index > 0)
        Place(shoots[index - 1].id, false);
    Place(shoots[index].id, index > 0);
    CompareWith(compared);
}

void TReplayWindow::CompareWith(int index)
{
    compared = index >= 0 && index < shoots.size() ? index : -1;
    if (compared < 0)
        compare->CompareWith(std::nullopt, 0);
    else
        compare->CompareWith(recording.RowsOf(shoots[compared].id), shoots[compared].wallMs);
    status->setText(StatusText());
}

void TReplayWindow::CompareClicked()
{
    QStringList moments{QStringLiteral("(nothing: stop comparing)")};
    for (int n = 0; n < shoots.size(); ++n)
        moments.append(QStringLiteral("%1 (shoot %2)").arg(WhenText(shoots[n].wallMs)).arg(n + 1));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Compare with"),
                                                 QStringLiteral("Shoot:"), moments, compared + 1, false, &ok);
    if (ok)
        CompareWith(static_cast<int>(moments.indexOf(chosen)) - 1);
}

QByteArray TReplayWindow::ShownAsCsv() const { return TableAsCsv(Snapshot(*compare, nullptr)); }

void TReplayWindow::ExportClicked()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QStringLiteral("history.csv"),
                                     QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const QString failed = ReplaceFileAtomically(path, ShownAsCsv());
    status->setText(failed.isEmpty() ? QStringLiteral("Exported to %1").arg(path)
                                     : QStringLiteral("Export to %1 failed: %2").arg(path, failed));
}

void TReplayWindow::Place(std::int64_t shoot, bool reshoot)
{
    if (reshoot)
        store.BeginReshoot();
    const bool listLayout = store.IsListLayout();
    TRowCursor cursor;
    for (const TResultRow& row : recording.RowsOf(shoot)) {
        if (listLayout) {
            // The name is made anew; further lines come from the value itself.
            if (row.cells.size() >= 2 && !row.cells[1].oid.isEmpty())
                store.Place(row.cells[1].oid, row.cells[1].now, TRowCursor{}, false);
            continue;
        }
        cursor.BeginRow();
        for (const TResultCell& cell : row.cells)
            cursor.Advance(store.Place(cell.oid, cell.now, cursor, false));
    }
    if (reshoot)
        store.DropStaleRows();
}

QString TReplayWindow::StatusText() const
{
    const int index = slider->value();
    if (index < 0 || index >= shoots.size())
        return status->text();
    QString text = QStringLiteral("History of %1 as of %2 (shoot %3 of %4)")
                       .arg(shoots[index].agent, WhenText(shoots[index].wallMs))
                       .arg(index + 1)
                       .arg(shoots.size());
    if (compared >= 0)
        text += QStringLiteral(", compared with %1 (shoot %2): %3 cells differ")
                    .arg(WhenText(shoots[compared].wallMs))
                    .arg(compared + 1)
                    .arg(compare->DifferingCells());
    return text;
}
