#include "ui/ReplayWindow.h"

#include "table/ResultTable.h"
#include "table/ViewOptions.h"
#include "ui/ResultView.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeView>
#include <QVBoxLayout>

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
    status = new QLabel(this);
    auto* steps = new QHBoxLayout;
    steps->addWidget(back);
    steps->addWidget(slider, 1);
    steps->addWidget(forward);
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
    status->setText(StatusText());
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
    const QString when =
        QDateTime::fromMSecsSinceEpoch(shoots[index].wallMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QStringLiteral("History of %1 as of %2 (shoot %3 of %4)")
        .arg(shoots[index].agent, when)
        .arg(index + 1)
        .arg(shoots.size());
}
