#include "ui/ResultView.h"

#include "table/ResultTable.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Room for the sort arrow the model draws beside a caption once its column is
// sorted, so that sorting never cuts the caption.
int SortArrowRoom(const QTreeView* view) { return view->iconSize().width() + 6; }

// An automatic width takes at most half the window; a longer text is elided
// (its whole value is in the cell's tooltip).
int WidthCap(const QTreeView* view) { return std::max(view->window()->width() / 2, 200); }

// The waiting sign: a text and a busy bar in the middle of the table's
// viewport, which it covers whole, so that it follows every resize.
class TWaitingSign : public QWidget {
public:
    explicit TWaitingSign(QTreeView* view) : QWidget(view->viewport()), text(new QLabel(this))
    {
        setObjectName(QStringLiteral("WaitingSign"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        text->setObjectName(QStringLiteral("WaitingText"));
        text->setTextFormat(Qt::PlainText);  // a host name is no markup
        text->setAlignment(Qt::AlignCenter);
        auto* busy = new QProgressBar(this);
        busy->setObjectName(QStringLiteral("WaitingBusy"));
        busy->setRange(0, 0);  // no end known: the bar only moves
        busy->setTextVisible(false);
        busy->setMaximumWidth(200);
        auto* layout = new QVBoxLayout(this);
        layout->addStretch(1);
        layout->addWidget(text, 0, Qt::AlignHCenter);
        layout->addWidget(busy, 0, Qt::AlignHCenter);
        layout->addStretch(2);
        view->viewport()->installEventFilter(this);
        QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, this, &QWidget::hide);
        setGeometry(view->viewport()->rect());
    }
    void Show(const QString& caption)
    {
        text->setText(caption);
        show();
        raise();
    }
    QString Text() const { return isHidden() ? QString() : text->text(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && watched == parent())
            setGeometry(static_cast<QWidget*>(watched)->rect());
        return false;
    }

private:
    QLabel* text;
};

TWaitingSign* WaitingSign(const QTreeView* view)
{
    // Only this file names a child so, and it is always a TWaitingSign.
    auto* sign =
        view->viewport()->findChild<QWidget*>(QStringLiteral("WaitingSign"), Qt::FindDirectChildrenOnly);
    return static_cast<TWaitingSign*>(sign);
}

}  // namespace

void ShowWaitingSign(QTreeView* view, const QString& text)
{
    TWaitingSign* sign = WaitingSign(view);
    if (sign == nullptr)
        sign = new TWaitingSign(view);
    sign->Show(text);
}

void HideWaitingSign(QTreeView* view)
{
    if (TWaitingSign* sign = WaitingSign(view))
        sign->hide();
}

QString WaitingSignText(const QTreeView* view)
{
    const TWaitingSign* sign = WaitingSign(view);
    return sign == nullptr ? QString() : sign->Text();
}

void ConfigureResultView(QTreeView* view, TResultTable* table)
{
    view->setModel(table);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);  // keeps appends of many rows cheap
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(false);  // the model sorts itself on header clicks
    view->setIconSize(QSize(16, 16));

    QHeaderView* header = view->header();
    header->setSortIndicatorShown(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(TResultTable::imageColumnWidth);
    // Fitting a column looks at every row, not only at those in sight.
    header->setResizeContentsPrecision(-1);

    QObject::connect(header, &QHeaderView::sectionClicked, table, &TResultTable::ListView1ColumnClick);
    const auto columnsBuilt = [view, table] {
        view->header()->setSectionsClickable(!table->IsListLayout());
        SetColumnWidthMode(view, true);
    };
    QObject::connect(table, &TResultTable::ColumnsBuilt, view, columnsBuilt);
    columnsBuilt();
    QObject::connect(table, &TResultTable::FadeStepped, view->viewport(), qOverload<>(&QWidget::update));
}

void PaceRowPublishing(QTreeView* view, TResultTable* table, int inSightMs, int outOfSightMs)
{
    const auto pace = [view, table, inSightMs, outOfSightMs] {
        const QModelIndex lastInSight = view->indexAt(QPoint(0, view->viewport()->height() - 1));
        const bool endInSight = !lastInSight.isValid() || lastInSight.row() >= table->rowCount() - 1;
        table->SetPublishInterval(endInSight ? inSightMs : outOfSightMs);
    };
    table->SetPublishInterval(inSightMs);
    QObject::connect(table, &QAbstractItemModel::rowsInserted, view, pace);
    QObject::connect(table, &QAbstractItemModel::modelReset, view, pace);
    QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged, view, pace);
}

void SetColumnWidthMode(QTreeView* view, bool fitHeader)
{
    QAbstractItemModel* model = view->model();
    if (model == nullptr)
        return;
    QHeaderView* header = view->header();
    const QAbstractItemView* itemView = view;  // sizeHintForColumn is public here
    for (int column = 1; column < model->columnCount(); ++column) {
        int width = std::min(std::max(itemView->sizeHintForColumn(column), 0), WidthCap(view));
        if (fitHeader) {
            int caption = header->sectionSizeHint(column);
            if (!model->headerData(column, Qt::Horizontal, Qt::DecorationRole).isValid())
                caption += SortArrowRoom(view);
            width = std::max(width, caption);
        }
        header->resizeSection(column, std::max(width, header->minimumSectionSize()));
    }
    if (model->columnCount() > 0)
        header->resizeSection(0, TResultTable::imageColumnWidth);
}

void WidenColumnsToTexts(QTreeView* view)
{
    QAbstractItemModel* model = view->model();
    if (model == nullptr)
        return;
    QHeaderView* header = view->header();
    const QAbstractItemView* itemView = view;
    // Measuring every row's text freezes the window at tens of thousands of
    // rows; the rows in sight and a sample around them show what the columns
    // need.
    const int precision = header->resizeContentsPrecision();
    header->setResizeContentsPrecision(kWidenSampleRows);
    for (int column = 1; column < model->columnCount(); ++column) {
        const int text = std::min(itemView->sizeHintForColumn(column), WidthCap(view));
        if (text > header->sectionSize(column))
            header->resizeSection(column, text);
    }
    header->setResizeContentsPrecision(precision);
}

void RowsInSight(const QTreeView* view, int* first, int* last)
{
    const int rows = view->model() == nullptr ? 0 : view->model()->rowCount();
    const QModelIndex top = view->indexAt(QPoint(1, 0));
    const QModelIndex bottom = view->indexAt(QPoint(1, view->viewport()->height() - 1));
    *first = rows == 0 ? -1 : (top.isValid() ? top.row() : 0);
    *last = rows == 0 ? -2 : (bottom.isValid() ? bottom.row() : rows - 1);
}
