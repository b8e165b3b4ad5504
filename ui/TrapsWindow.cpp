#include "ui/TrapsWindow.h"

#include <algorithm>

#include "core/CellValue.h"
#include "traps/TrapCenter.h"
#include "traps/TrapCsv.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The malformed and refused counts are the listener's, which tells nobody:
// read them this often while the window is open.
constexpr int kCountsRefreshMs = 1000;
constexpr int kMaxPort = 65535;
constexpr QSize kDesignSize{900, 560};
constexpr int kTimeColumnWidth = 180;
constexpr int kSourceColumnWidth = 150;
constexpr int kCommunityColumnWidth = 130;  // "Community or user" in full

QPushButton* NewButton(QWidget* parent, QBoxLayout* row, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    row->addWidget(button);
    return button;
}

}  // namespace

TTrapsWindow::TTrapsWindow(TTrapCenter& trapCenter, QWidget* parent)
    : QWidget(parent, Qt::Window), center(trapCenter)
{
    setObjectName(QStringLiteral("TrapsWindow"));
    setWindowTitle(QStringLiteral("Traps and informs"));
    resize(kDesignSize);
    filter = new TTrapFilter(&center.List(), this);

    list = new QTreeView(this);
    list->setObjectName(QStringLiteral("TrapList"));
    list->setModel(filter);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);  // ten thousand rows lay out at once
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->setStretchLastSection(true);
    // Wide enough for a time with milliseconds and an address with its port.
    list->setColumnWidth(TTrapList::ColTime, kTimeColumnWidth);
    list->setColumnWidth(TTrapList::ColSource, kSourceColumnWidth);
    list->setColumnWidth(TTrapList::ColCommunity, kCommunityColumnWidth);

    auto* pane = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    heading = new QLabel(pane);
    heading->setObjectName(QStringLiteral("TrapHeading"));
    heading->setTextFormat(Qt::PlainText);  // agents' texts are never markup
    heading->setWordWrap(true);
    details = new QTreeWidget(pane);
    details->setObjectName(QStringLiteral("TrapBindings"));
    details->setRootIsDecorated(false);
    details->setHeaderLabels(
        {QStringLiteral("Binding"), QStringLiteral("Value"), QStringLiteral("Type"), QStringLiteral("OID")});
    paneLayout->addWidget(heading);
    paneLayout->addWidget(details, 1);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(list);
    splitter->addWidget(pane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    counts = new QLabel(this);
    counts->setObjectName(QStringLiteral("TrapCounts"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateListenRow());
    layout->addWidget(CreateToolRow());
    layout->addWidget(splitter, 1);
    layout->addWidget(counts);

    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TTrapsWindow::ShowDetails);
    connect(&center.List(), &TTrapList::CountsChanged, this, &TTrapsWindow::ShowCounts);
    countsTimer = new QTimer(this);
    connect(countsTimer, &QTimer::timeout, this, &TTrapsWindow::ShowCounts);
    countsTimer->start(kCountsRefreshMs);
    ShowListening();
    ShowCounts();
}

QWidget* TTrapsWindow::CreateListenRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    listening = new QLabel(row);
    listening->setObjectName(QStringLiteral("ListeningLabel"));
    portBox = new QSpinBox(row);
    portBox->setObjectName(QStringLiteral("TrapPort"));
    portBox->setRange(1, kMaxPort);
    layout->addWidget(listening, 1);
    layout->addWidget(new QLabel(QStringLiteral("Port:"), row));
    layout->addWidget(portBox);
    connect(NewButton(row, layout, "ListenButton", QStringLiteral("Listen")), &QPushButton::clicked, this,
            &TTrapsWindow::ListenClicked);
    connect(NewButton(row, layout, "UsersButton", QStringLiteral("SNMPv3 users...")), &QPushButton::clicked,
            this, &TTrapsWindow::UsersClicked);
    return row;
}

QWidget* TTrapsWindow::CreateToolRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    filterBox = new QLineEdit(row);
    filterBox->setObjectName(QStringLiteral("TrapFilter"));
    filterBox->setPlaceholderText(QStringLiteral("Filter: source, name or text"));
    filterBox->setClearButtonEnabled(true);
    layout->addWidget(filterBox, 1);
    connect(filterBox, &QLineEdit::textChanged, this, [this](const QString& text) { filter->SetText(text); });
    pauseButton = NewButton(row, layout, "PauseButton", QStringLiteral("Pause"));
    pauseButton->setCheckable(true);
    connect(pauseButton, &QPushButton::toggled, this, [this](bool paused) {
        center.List().SetPaused(paused);
        ShowCounts();
    });
    connect(NewButton(row, layout, "ClearButton", QStringLiteral("Clear")), &QPushButton::clicked, this,
            [this] { center.List().Clear(); });
    connect(NewButton(row, layout, "CopyButton", QStringLiteral("Copy")), &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(SelectionText()); });
    connect(NewButton(row, layout, "ExportButton", QStringLiteral("Export CSV...")), &QPushButton::clicked,
            this, &TTrapsWindow::ExportClicked);
    return row;
}

void TTrapsWindow::SetFilterText(const QString& text) { filterBox->setText(text); }

void TTrapsWindow::ShowDetails()
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    details->clear();
    heading->clear();
    if (rows.size() == 1)
        ShowRecord(filter->Record(rows.first().row()));
}

void TTrapsWindow::ShowRecord(const TTrapRecord& record)
{
    const QString sender =
        record.version == 3
            ? QStringLiteral("user \"%1\" (%2)").arg(record.community, LevelName(record.securityLevel))
            : QStringLiteral("community \"%1\"").arg(record.community);
    heading->setText(QStringLiteral("%1 (%2)  from %3, %4, %5, %6, %7")
                         .arg(record.qualifiedName, record.trapOid, record.Source(), KindText(record.kind),
                              sender, StateText(record.state),
                              record.received.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))));
    QList<QTreeWidgetItem*> items;
    items.reserve(record.bindings.size());
    for (const TTrapBinding& binding : record.bindings) {
        auto* item =
            new QTreeWidgetItem({binding.name, binding.Shown(), SnmpTypeName(binding.type), binding.oid});
        if (!binding.readable.isEmpty())
            item->setToolTip(1, QStringLiteral("received: %1").arg(binding.text));
        items.append(item);
    }
    details->addTopLevelItems(items);
    for (int column = 0; column < details->columnCount(); ++column)
        details->resizeColumnToContents(column);
}

QString TTrapsWindow::ListeningText() const { return listening->text(); }

void TTrapsWindow::ShowListening()
{
    const TTrapListener& listener = center.Listener();
    listening->setText(listener.StatusText());
    listening->setToolTip(QStringLiteral("SNMPv3 informs go to this program's engine ID %1")
                              .arg(QString::fromLatin1(listener.EngineId().toHex())));
    portBox->setValue(listener.WantedPort() > 0 ? listener.WantedPort() : kDefaultTrapPort);
}

QString TTrapsWindow::CountsText() const { return counts->text(); }

void TTrapsWindow::ShowCounts()
{
    const TTrapList& trapList = center.List();
    QString text = QStringLiteral("%1 received, %2 shown, %3 dropped (at most %4 kept)")
                       .arg(trapList.Received())
                       .arg(trapList.rowCount())
                       .arg(trapList.Dropped())
                       .arg(trapList.Capacity());
    if (trapList.Paused())
        text += QStringLiteral(", paused: %1 waiting").arg(trapList.Waiting());
    const TTrapListener& listener = center.Listener();
    if (listener.Malformed() + listener.Refused() > 0)
        text += QStringLiteral("; %1 malformed, %2 no notification")
                    .arg(listener.Malformed())
                    .arg(listener.Refused());
    if (listener.AuthFailures() > 0)
        text += QStringLiteral("; %1 failed authentication (last: %2)")
                    .arg(listener.AuthFailures())
                    .arg(listener.LastAuthFailure());
    if (!center.UserProblems().isEmpty())
        text += QStringLiteral("; ") + center.UserProblems().join(QStringLiteral("; "));
    if (!center.Log().Error().isEmpty())
        text += QStringLiteral("; ") + center.Log().Error();
    if (counts->text() != text)
        counts->setText(text);
}

void TTrapsWindow::UsersClicked()
{
    auto* dialog = new TTrapUsersDialog(center, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &TTrapsWindow::ShowCounts);
    dialog->open();  // modal to this window, without a nested event loop
}

void TTrapsWindow::ListenClicked()
{
    center.ChangePort(portBox->value());
    ShowListening();
}

QString TTrapsWindow::SelectionText() const
{
    QVector<TTrapRecord> records;
    QModelIndexList rows = list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& row : rows)
        records.append(filter->Record(row.row()));
    if (rows.isEmpty()) {
        for (int row = 0; row < filter->rowCount(); ++row)
            records.append(filter->Record(row));
    }
    return QString::fromUtf8(TrapsAsCsv(records));
}

QString TTrapsWindow::ExportCsv(const QString& path) const
{
    QVector<TTrapRecord> records;
    records.reserve(filter->rowCount());
    for (int row = 0; row < filter->rowCount(); ++row)
        records.append(filter->Record(row));
    // Written under a temporary name and renamed: never half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(TrapsAsCsv(records)) < 0 || !file.commit())
        return QStringLiteral("Export to %1 failed: %2").arg(path, file.errorString());
    return QString();
}

void TTrapsWindow::ExportClicked()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QStringLiteral("traps.csv"),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = ExportCsv(path);
    counts->setText(error.isEmpty() ? QStringLiteral("Exported to %1").arg(path) : error);
}
