// The main window as designed: menus, instance-mask panel, status panels.
#include "ui/InstanceMaskPanel.h"
#include "MessageCapture.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A run that sends nothing (a vexgrid file without targets), for tests of
// the window alone.
QStringList QuietArgs()
{
    return {QStringLiteral("/XML"), QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")};
}

// Processes events until `done` holds; false after two seconds.
bool PumpUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QStringList Texts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* a : actions)
        texts.append(a->isSeparator() ? QStringLiteral("-") : QString(a->text()).remove(u'&'));
    return texts;
}

TEST(MainWindowDesign, MenusInOrderWithTheirNames)
{
    TForm1 form({"/XML"});
    const QList<QAction*> top = form.menuBar()->actions();
    ASSERT_EQ(Texts(top), (QStringList{"File", "Edit", "View", "Options", "Help"}));
    EXPECT_EQ(Texts(top[0]->menu()->actions()),
              (QStringList{"New View...", "Open...", "Open Recent", "Open History...", "Save View As...",
                           "Export CSV...", "-", "Export View As", "-", "Exit"}));
    // Alt and the first letter open each menu.
    for (const QAction* menu : top)
        EXPECT_TRUE(menu->text().startsWith(u'&')) << menu->text().toStdString();
    const struct {
        QAction* action;
        QKeySequence keys;
    } shortcuts[] = {
        {top[0]->menu()->actions()[0], QKeySequence(Qt::CTRL | Qt::Key_N)},
        {top[0]->menu()->actions()[1], QKeySequence(Qt::CTRL | Qt::Key_O)},
        {top[0]->menu()->actions()[4], QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {top[0]->menu()->actions()[5], QKeySequence(Qt::CTRL | Qt::Key_E)},
        {form.Widgets().Close1, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {form.Widgets().CopySelection1, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {form.Widgets().SelectAll1, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {form.Widgets().Chart1, QKeySequence(Qt::CTRL | Qt::Key_G)},
    };
    for (const auto& s : shortcuts)
        EXPECT_EQ(s.action->shortcut(), s.keys) << s.action->text().toStdString();
    EXPECT_EQ(Texts(top[1]->menu()->actions()),
              (QStringList{"Copy this form  to Clipboard", "Copy table as text", "Copy as shown"}));
    EXPECT_EQ(Texts(top[2]->menu()->actions()),
              (QStringList{"Show counter rates", "Readable values", "-", "Mark changes", "Keep last values",
                           "-", "Traps and informs", "-", "Record history", "Show trends", "Chart"}));
    EXPECT_EQ(Texts(top[3]->menu()->actions()),
              (QStringList{"Shoot again", "-", "Set Column-width to Text-width", "-", "Serve metrics...",
                           "History limits..."}));
    EXPECT_EQ(Texts(form.Widgets().Shootagain2->menu()->actions()),
              (QStringList{"Now...", "Every 10 sec, keep any instances!",
                           "Every 10 sec. reread instances also!", "-", "Interval"}));
    EXPECT_EQ(Texts(form.Widgets().Interval1->actions()),
              (QStringList{"1 s", "2 s", "5 s", "10 s", "30 s", "60 s"}));
    EXPECT_EQ(Texts(top[4]->menu()->actions()), (QStringList{"About", "MIB modules...", "MIB browser..."}));

    EXPECT_EQ(top[0]->menu()->actions().last(), form.Widgets().Close1);
    EXPECT_EQ(top[3]->menu()->actions()[0], form.Widgets().Shootagain2);
    EXPECT_EQ(form.Widgets().Now1->objectName(), "Now1");
    EXPECT_EQ(form.Widgets().Every10secRefreshinstancesalso1->objectName(),
              "Every10secRefreshinstancesalso1");
    EXPECT_TRUE(form.Widgets().Every10secondskeepinstances1->isCheckable());
    EXPECT_TRUE(form.Widgets().SetColumnwidthtoTextwidth1->isCheckable());
    EXPECT_FALSE(form.Widgets().SetColumnwidthtoTextwidth1->isChecked());

    // The items with a picture carry it; the others show none.
    for (QAction* withImage :
         {form.Widgets().Close1, form.Widgets().CopythisformtoClipboard1, form.Widgets().Shootagain2,
          form.Widgets().SetColumnwidthtoTextwidth1, form.Widgets().About1})
        EXPECT_FALSE(withImage->icon().isNull()) << withImage->objectName().toStdString();
    for (QAction* plain : {form.Widgets().Now1, form.Widgets().Every10secondskeepinstances1,
                           form.Widgets().Copytableastext1, form.Widgets().MibModules1})
        EXPECT_TRUE(plain->icon().isNull()) << plain->objectName().toStdString();
}

TEST(MainWindowDesign, InstanceMaskPanelIsHiddenAtCreation)
{
    TForm1 form(QuietArgs());
    form.show();
    QApplication::processEvents();
    EXPECT_FALSE(form.Widgets().Panel1->isVisible());
    EXPECT_EQ(form.Widgets().Panel1->height(), 34);
    EXPECT_EQ(form.Widgets().Panel1->Label1->text(), "Instance Mask");
    EXPECT_FALSE(form.Widgets().ComboBox1->isEditable());
    EXPECT_EQ(form.Widgets().ComboBox1->width(), 145);
}

TEST(MainWindowDesign, StatusPanelWriters)
{
    TForm1 form(QuietArgs());
    form.show();
    QApplication::processEvents();
    const TStatusPanels& panels = form.StatusPanels();
    EXPECT_EQ(panels.EntryCountText(), "");  // cleared while the first shoot runs
    EXPECT_EQ(panels.CountdownText(), "");

    form.ShowEntryCount(24);
    EXPECT_EQ(panels.EntryCountText(), "#Entries 24");
    form.ShowEntryCount(0);
    EXPECT_EQ(panels.EntryCountText(), "#Entries 0");
    form.ShowEntryCount(-1);
    EXPECT_EQ(panels.EntryCountText(), "");

    form.ShowCountdown(7);
    EXPECT_EQ(panels.CountdownText(), "7");
    form.ShowCountdown(-1);
    EXPECT_EQ(panels.CountdownText(), "");

    form.ShowStatusMessage("<b>agent</b>");
    EXPECT_EQ(panels.StatusMessage(), "<b>agent</b>");
    form.ClearStatusMessage();
    EXPECT_EQ(panels.StatusMessage(), "");
}

TEST(MainWindowDesign, MessagesFasterThanThePanelRepaintsShowTheLatestText)
{
    // A walk writes "Instance .N detected" for every answer; the panel takes
    // a new text a few times a second, and always ends on the latest one.
    TForm1 form(QuietArgs());
    form.show();
    QApplication::processEvents();
    const TStatusPanels& panels = form.StatusPanels();
    QLabel* label = form.Widgets().StatusBar1->findChild<QLabel*>("MessagePanel");
    ASSERT_TRUE(PumpUntil([&] { return label->text() == panels.StatusMessage(); }));
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() <= TStatusPanels::kMessageIntervalMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);

    // After a quiet interval a message is shown at once.
    form.ShowStatusMessage("Instance .1 detected");
    EXPECT_EQ(label->text(), "Instance .1 detected");
    for (int i = 2; i <= 1000; ++i)
        form.ShowStatusMessage(QStringLiteral("Instance .%1 detected").arg(i));
    EXPECT_EQ(panels.StatusMessage(), "Instance .1000 detected");
    EXPECT_EQ(label->text(), "Instance .1 detected");
    EXPECT_TRUE(PumpUntil([&] { return label->text() == "Instance .1000 detected"; }));

    // Clearing goes the same way: the panel ends empty.
    form.ShowStatusMessage("Instance .1001 detected");
    form.ClearStatusMessage();
    EXPECT_EQ(panels.StatusMessage(), "");
    EXPECT_TRUE(PumpUntil([&] { return label->text().isEmpty(); }));
}

TEST(MainWindowDesign, LongMessageDoesNotWidenTheWindow)
{
    TForm1 form(QuietArgs());
    form.show();
    QApplication::processEvents();
    const int width = form.width();
    form.ShowStatusMessage(QString(500, u'x'));
    QLabel* message = form.Widgets().StatusBar1->findChild<QLabel*>("MessagePanel");
    ASSERT_TRUE(PumpUntil([&] { return message->text() == QString(500, u'x'); }));
    QApplication::processEvents();
    EXPECT_EQ(form.width(), width);

    const auto labels =
        form.Widgets().StatusBar1->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    // the four panels, the shoot cost and the metrics endpoint's, hidden while it is off
    ASSERT_EQ(labels.size(), 6);
    EXPECT_EQ(form.Widgets().StatusBar1->findChild<QLabel*>("CountdownPanel")->width(), 14);
    EXPECT_EQ(form.Widgets().StatusBar1->findChild<QLabel*>("EntriesPanel")->width(), 70);
    EXPECT_GT(form.Widgets().StatusBar1->findChild<QLabel*>("MessagePanel")->width(), 50);
    // Elided in the panel, the whole message is its tooltip.
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), message->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(message, &help);
    EXPECT_EQ(QToolTip::text(), QString(500, u'x'));

    // The dropped-datagram count shows beside the long message, never over it.
    QLabel* dropped = form.Widgets().StatusBar1->findChild<QLabel*>("DroppedPanel");
    EXPECT_FALSE(dropped->isVisible());
    form.ShowDroppedCount(3, 12);
    QApplication::processEvents();
    EXPECT_TRUE(dropped->isVisible());
    EXPECT_EQ(dropped->text(), "15 ignored");
    EXPECT_EQ(dropped->toolTip(), "3 malformed, 12 from other addresses");
    EXPECT_GE(dropped->geometry().left(), message->geometry().right());
    EXPECT_GT(dropped->width(), 0);
    EXPECT_EQ(message->text(), QString(500, u'x'));
    EXPECT_EQ(form.width(), width);
    form.ShowDroppedCount(0, 0);
    EXPECT_FALSE(dropped->isVisible());
}

}  // namespace
