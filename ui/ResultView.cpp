#include "ui/ResultView.h"

#include "table/ResultTable.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

namespace {

// Room for the sort arrow the model draws beside a caption once its column is
// sorted, so that sorting never cuts the caption.
int SortArrowRoom(const QTreeView* view) { return view->iconSize().width() + 6; }

// An automatic width takes at most half the window; a longer text is elided
// (its whole value is in the cell's tooltip).
int WidthCap(const QTreeView* view) { return std::max(view->window()->width() / 2, 200); }

}  // namespace

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
