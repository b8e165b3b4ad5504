// The result table in a real QTreeView: view settings, header clicks, column
// widths and the rows the view gets to show.
#include "table/ResultTable.h"
#include "ui/ResultView.h"
#include "ui/TrendDelegate.h"
#include "table/Shared.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTreeView>

namespace {

class ResultViewTest : public ::testing::Test {
protected:
    ResultViewTest()
    {
        names.BuildOidNameTable();
        ConfigureResultView(&view, &table);
        view.resize(900, 300);
    }

    void BuildTable()
    {
        // Long header captions over short cells in the first two value
        // columns (2 and 3, after Index).
        table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1.15", "1.3.6.1.2.1.4.22.1.2", "1.3.6.1.2.1.2.2.1.1"});
    }

    void PlaceRow(const QStringList& values)
    {
        TRowCursor cursor;
        cursor.BeginRow();
        for (const QString& value : values)
            cursor.Advance(table.PlaceValue(QString(), value, cursor));
    }

    void ClickHeader(int column)
    {
        QHeaderView* header = view.header();
        const QPoint inside(header->sectionViewportPosition(column) + 4, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
    }

    int Width(int column) const { return view.header()->sectionSize(column); }
    int HeaderHint(int column) const { return view.header()->sectionSizeHint(column); }
    int TextWidth(const QString& text) const { return view.fontMetrics().horizontalAdvance(text); }

    TOidNameTable names;
    TResultTable table{names};
    QTreeView view;
};

}  // namespace

TEST_F(ResultViewTest, ReportStyleReadOnlySingleWholeRowSelection)
{
    EXPECT_EQ(view.model(), &table);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(view.rootIsDecorated());
    EXPECT_FALSE(view.isSortingEnabled());

    BuildTable();
    PlaceRow({"1", "a", "b"});
    EXPECT_FALSE(table.flags(table.index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(ResultViewTest, HeaderClicksSortTheTableLayoutOnly)
{
    BuildTable();
    PlaceRow({"2", "x", "1"});
    PlaceRow({"1", "y", "2"});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_TRUE(view.header()->sectionsClickable());

    ClickHeader(2);  // the first value column, after Index
    EXPECT_EQ(table.SortColumn(), 2);
    EXPECT_TRUE(table.SortAscending());
    EXPECT_EQ(table.Cell(0, 1), "1");
    ClickHeader(2);
    EXPECT_FALSE(table.SortAscending());
    ClickHeader(0);  // ".." does nothing
    EXPECT_EQ(table.SortColumn(), 2);
    EXPECT_FALSE(table.SortAscending());

    table.ResetSortState();
    table.BuildColumns(false, {"1.3.6.1.2.1.1.5.0"});
    table.PlaceValue("1.3.6.1.2.1.1.5.0", "b", TRowCursor{});
    table.PlaceValue("1.3.6.1.2.1.1.5.0", "a", TRowCursor{});
    EXPECT_FALSE(view.header()->sectionsClickable());
    ClickHeader(2);
    EXPECT_EQ(table.SortColumn(), -1);
    EXPECT_EQ(table.Cell(0, 2), "b");
}

TEST_F(ResultViewTest, NewColumnsFitTheirHeaders)
{
    BuildTable();
    EXPECT_EQ(Width(0), 18);
    EXPECT_GE(Width(2), HeaderHint(2));
    EXPECT_GE(Width(3), HeaderHint(3));
    EXPECT_GT(Width(2), TextWidth("ifInUnknownProtos"));
}

TEST_F(ResultViewTest, ColumnWidthModeFitsTextOnlyOrHeaderAndText)
{
    BuildTable();
    // Column 1 is Index; the widest text of column 3 sits among 2,000 rows;
    // the fit must see all of them.
    const QString wide = QStringLiteral("a very long interface description, wider than its header");
    for (int row = 0; row < 2000; ++row)
        PlaceRow({QString::number(row % 10), row == 3 ? wide : "x", "1"});

    SetColumnWidthMode(&view, false);
    EXPECT_EQ(Width(0), 18);
    EXPECT_LT(Width(2), HeaderHint(2));  // narrower than its header
    EXPECT_GE(Width(2), TextWidth("9"));
    EXPECT_GE(Width(3), TextWidth(wide));
    const int textOnly = Width(2);

    SetColumnWidthMode(&view, true);
    EXPECT_EQ(Width(0), 18);
    EXPECT_GE(Width(2), HeaderHint(2) + view.iconSize().width()) << "room for the sort arrow";
    EXPECT_GT(Width(2), textOnly);
    EXPECT_GE(Width(3), TextWidth(wide));

    // Every call fits anew to the texts present now, also in the same mode,
    // up to half the window: a longer text is elided.
    const QString wider = wide + wide;
    PlaceRow({"1234567890123456789012345678901234567890", wider + wider, "1"});
    SetColumnWidthMode(&view, true);
    EXPECT_GE(Width(2), TextWidth("1234567890123456789012345678901234567890"));
    ASSERT_GT(TextWidth(wider + wider), 450);
    EXPECT_EQ(Width(3), 450) << "half the window";
}

TEST_F(ResultViewTest, ClearingRowsKeepsTheColumnWidths)
{
    BuildTable();
    PlaceRow({"1", "a long text that widens the column a lot", "1"});
    SetColumnWidthMode(&view, true);
    const int before = Width(2);
    table.ClearResultRows();
    EXPECT_EQ(Width(2), before);
    EXPECT_EQ(Width(0), 18);
}

TEST_F(ResultViewTest, RowsBelowTheRowsInSightArePublishedAtTheSlowerPace)
{
    constexpr int kQuick = 100, kSlow = 500;
    PaceRowPublishing(&view, &table, kQuick, kSlow);
    view.show();
    table.BuildColumns(false, {"1.3.6.1.2.1.1"});
    const auto addRows = [this](int first, int count) {
        for (int i = first; i < first + count; ++i)
            table.PlaceValue(QStringLiteral("1.3.6.1.2.1.1.%1.0").arg(i), QStringLiteral("v"), TRowCursor());
        table.PublishRows();
    };
    addRows(1, 3);
    EXPECT_EQ(table.PublishInterval(), kQuick) << "a view not yet full shows every new row";
    addRows(4, 200);
    EXPECT_EQ(table.PublishInterval(), kSlow) << "new rows land below the rows in sight";
    view.scrollToBottom();
    EXPECT_EQ(table.PublishInterval(), kQuick) << "the view follows the end";
    addRows(204, 50);
    EXPECT_EQ(table.PublishInterval(), kSlow) << "the end moved out of sight again";
    table.BuildColumns(false, {"1.3.6.1.2.1.1"});
    EXPECT_EQ(table.PublishInterval(), kQuick) << "a new shoot starts with an empty view";
}

TEST_F(ResultViewTest, ViewShowsEveryRowOnceTheyAreHandedOver)
{
    table.BuildColumns(true, {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.10"});
    table.SetPublishInterval(30);
    view.show();
    for (int i = 0; i < 2000; ++i)
        PlaceRow({QString::number(2000 - i), "eth" + QString::number(i), "0"});
    EXPECT_EQ(view.model()->rowCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.model()->rowCount() == 2000; }, 5000));
    const QModelIndex last = table.index(1999, 3);
    view.scrollTo(last);
    QApplication::processEvents();
    EXPECT_TRUE(view.viewport()->rect().intersects(view.visualRect(last)));
    EXPECT_EQ(view.model()->data(last).toString(), "eth1999");
}

TEST_F(ResultViewTest, TrendsOfALargeTableComeInSlicesAndAClearDropsWhatWaits)
{
    TTrendDelegate trends(table);
    trends.SetSliceBudget(0);  // a slice per few hundred rows, however fast the machine
    const auto oid = [](qsizetype row) { return QStringLiteral("1.3.6.1.2.1.2.2.1.5.%1").arg(row + 1); };
    const auto shoot = [&](std::int64_t wallMs) {
        QVector<TResultRow> rows(2500);
        for (qsizetype r = 0; r < rows.size(); ++r) {
            TCellValue value;
            value.type = snmptype::kGauge32;
            value.text = QString::number(r);
            value.wallMs = wallMs;
            rows[r].cells.resize(1);
            rows[r].cells[0].Take(oid(r), value, 1);
        }
        return rows;
    };
    trends.Take(shoot(1000));
    EXPECT_TRUE(trends.Taking());
    while (trends.Taking())
        QCoreApplication::processEvents();
    EXPECT_EQ(trends.Trends().Readings(oid(2499)), QVector<double>{2499});

    trends.Take(shoot(2000));
    trends.Trends().Clear();
    while (trends.Taking())
        QCoreApplication::processEvents();
    EXPECT_TRUE(trends.Trends().Readings(oid(0)).isEmpty());
}

// A trend's line is drawn once per reading and kept: a repaint with no new
// reading shows the same picture, a new reading a new one.
TEST_F(ResultViewTest, TrendPictureChangesWithEveryReadingAndOnlyThen)
{
    const QString speed = QStringLiteral("1.3.6.1.2.1.2.2.1.5");
    table.BuildColumns(true, {speed});
    TViewOptions options;
    options.markChanges = false;  // a changed cell's fading tint would differ from paint to paint
    table.SetViewOptions(options);
    TTrendDelegate trends(table);
    trends.SetShown(true);
    const auto take = [&](const char* text, std::int64_t wallMs) {
        TCellValue value;
        value.type = snmptype::kGauge32;
        value.text = QString::fromLatin1(text);
        value.wallMs = wallMs;
        if (table.rowCount() > 0)
            table.BeginReshoot();  // the same row, read again
        TRowCursor cursor;
        cursor.BeginRow();
        cursor.Advance(table.PlaceCell(speed + QStringLiteral(".1"), value, cursor));
        table.SetPublishInterval(0);
        trends.Take(table.Store().Rows());
    };
    const auto picture = [&] {
        QImage image(200, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.palette = view.palette();
        trends.paint(&painter, option, table.index(0, table.columnCount() - 1));
        return image;
    };
    take("10", 1000);
    take("30", 2000);
    take("20", 3000);
    const QImage drawn = picture();
    EXPECT_EQ(picture(), drawn);
    take("90", 4000);
    const QImage moved = picture();
    EXPECT_NE(moved, drawn);
    // Cleared and filled again to the same count, newest arrival and text:
    // the picture is of the new readings, not the one drawn before the clear.
    trends.Trends().Clear();
    for (const auto& [text, wallMs] : {std::pair{"30", 1000}, {"10", 2000}, {"20", 3000}, {"90", 4000}})
        take(text, wallMs);
    EXPECT_NE(picture(), moved);
}
