// "Copy table as text" through the real window against snmpsim: the table
// as tab-separated text on the clipboard, in the order shown.
#include "ExportTestSupport.h"
#include "ui/MessageBox.h"
#include "table/ResultTable.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

void ClickHeader(TForm1& form, int column)
{
    QHeaderView* header = form.Widgets().ListView1->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

class CopyTableText : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(StartSharedAgent(&port));
        QApplication::clipboard()->clear();
    }

    QTemporaryDir dir;
    int port = 0;
};

TEST_F(CopyTableText, ListLayoutGivesCaptionsAndEveryRow)
{
    const QString file =
        WriteVexgridFile(dir.path(), QStringLiteral("list.xml"), port, kCommunity, SystemTargets());
    TForm1 form({QStringLiteral("/XML"), file});
    TShootCounter shoots(form);
    form.show();
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    ASSERT_TRUE(form.Widgets().Copytableastext1->isEnabled());

    form.Widgets().Copytableastext1->trigger();
    // A multi-line value gives a continuation row with an empty description;
    // a tab inside a value would be read as a cell border, so it is a blank.
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Description ... \tValue\n"
                             "sysDescr.0\tCore router, \"edge\"\n"
                             "\track 4, row 2\n"
                             "sysContact.0\tops night shift\n"
                             "sysName.0\tGr\u00fc\u00dfe \u2713 Z\u00fcrich\n"
                             "sysLocation.0\t43 61 66 E9"));
}

TEST_F(CopyTableText, SortedTableIsCopiedInTheOrderShown)
{
    const QString file =
        WriteVexgridFile(dir.path(), QStringLiteral("table.xml"), port, kCommunity, TableTargets());
    TForm1 form({QStringLiteral("/XML"), file});
    TShootCounter shoots(form);
    form.show();
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    ASSERT_EQ(form.ResultTable().rowCount(), 4);

    // The Index column comes first: each row's instance.
    const QString header =
        QStringLiteral("Index\tenterprises.55555.7.1.1\tenterprises.55555.7.1.2\tenterprises.55555.7.1.3");
    form.Widgets().Copytableastext1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), header
                                                     + QStringLiteral("\n"
                                                                      "1\t1\tuplink, \"core\"\t100\n"
                                                                      "2\t2\ttwo lines\t9\n"
                                                                      "3\t3\ttab here\t2500\n"
                                                                      "4\t4\tGr\u00fc\u00dfe \u2713\t10"))
        << "walk order before any header click";

    // The counters sort as numbers: 9, 10, 100, 2500.
    ClickHeader(form, 4);
    ASSERT_EQ(form.ResultTable().SortColumn(), 4);
    form.Widgets().Copytableastext1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), header
                                                     + QStringLiteral("\n"
                                                                      "2\t2\ttwo lines\t9\n"
                                                                      "4\t4\tGr\u00fc\u00dfe \u2713\t10\n"
                                                                      "1\t1\tuplink, \"core\"\t100\n"
                                                                      "3\t3\ttab here\t2500"));
    // The text follows the view: what it shows first is copied first.
    const QModelIndex top = form.Widgets().ListView1->indexAt(QPoint(5, 5));
    EXPECT_EQ(form.ResultTable().Cell(top.row(), 3), QStringLiteral("9"));

    // A re-shoot sorts its rows again before they are copied.
    ClickHeader(form, 4);  // descending
    form.Widgets().Now1->trigger();
    ASSERT_TRUE(shoots.WaitFor(2)) << form.StatusPanels().StatusMessage().toStdString();
    form.Widgets().Copytableastext1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), header
                                                     + QStringLiteral("\n"
                                                                      "3\t3\ttab here\t2500\n"
                                                                      "1\t1\tuplink, \"core\"\t100\n"
                                                                      "4\t4\tGr\u00fc\u00dfe \u2713\t10\n"
                                                                      "2\t2\ttwo lines\t9"));
}

TEST(CopyTableTextMenu, DisabledWithTheOtherTableItemsWhenSetupFails)
{
    const TModalMessageHook previous = SetModalMessageHook([](QWidget*, const QString&) {});
    TForm1 form({QStringLiteral("/XML"), QStringLiteral("/no/such/vexgrid.xml")});
    SetModalMessageHook(previous);
    EXPECT_FALSE(form.Widgets().Copytableastext1->isEnabled());
    EXPECT_FALSE(form.Widgets().CopythisformtoClipboard1->isEnabled());
}

}  // namespace
