// Start-up of the main window: set-up from no arguments, switches and vexgrid
// files, and the designed state left by a set-up that fails.
#include "MessageCapture.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenuBar>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

// A run that sends nothing (a vexgrid file without targets), for tests of
// the window alone.
QStringList QuietArgs()
{
    return {QStringLiteral("/XML"), QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")};
}

QString DataFile(const char* name) { return QStringLiteral(VEXGRID_TEST_DATA "/") + QLatin1String(name); }

void ShowAndSettle(QWidget& window)
{
    window.show();
    QApplication::processEvents();
}

bool TableMenusEnabled(const TForm1& form)
{
    return form.Widgets().CopythisformtoClipboard1->isEnabled() && form.Widgets().Shootagain2->isEnabled()
        && form.Widgets().SetColumnwidthtoTextwidth1->isEnabled();
}

bool TableMenusDisabled(const TForm1& form)
{
    return !form.Widgets().CopythisformtoClipboard1->isEnabled() && !form.Widgets().Shootagain2->isEnabled()
        && !form.Widgets().SetColumnwidthtoTextwidth1->isEnabled();
}

TEST(MainWindowSetup, NoArgumentsWalkTheInterfacesTableOfLocalhost)
{
    TMessageCapture messages;
    TForm1 form({});
    EXPECT_EQ(form.windowTitle(), "HB_Vexgrid - Host: localhost");
    EXPECT_TRUE(TableMenusEnabled(form));
    const TSessionSettings& s = form.Settings();
    EXPECT_TRUE(s.tableMode);
    EXPECT_EQ(s.targetOids, QStringList{"1.3.6.1.2.1.2.2.1"});
    EXPECT_EQ(s.requestTemplate.community, "tamvel");
    EXPECT_EQ(s.requestTemplate.remotePort, 161);
    EXPECT_EQ(s.requestTemplate.snmpVersion, 1);

    ShowAndSettle(form);
    EXPECT_EQ(form.frameGeometry().size(), QSize(680, 450));
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST(MainWindowSetup, SwitchesSetCaptionAndSize)
{
    TForm1 form({"/HOST", "127.0.0.5", "/COMMUNITY", "x y", "/PROGRAMTITLE", "Core", "/WIDTH", "2000",
                 "/HEIGHT", "1601"});
    EXPECT_EQ(form.windowTitle(), "Core - Host: 127.0.0.5");
    EXPECT_EQ(form.Settings().requestTemplate.community, "x y");
    ShowAndSettle(form);
    EXPECT_EQ(form.frameGeometry().size(), QSize(2000, 450));
}

TEST(MainWindowSetup, VexgridFileSetsCaptionAndSize)
{
    TMessageCapture messages;
    TForm1 form({"/xml", DataFile("system-list.xml")});
    EXPECT_EQ(form.windowTitle(), "System - Host: localhost");
    EXPECT_TRUE(TableMenusEnabled(form));
    EXPECT_EQ(form.Settings().requestTemplate.pollSeconds, 1);
    EXPECT_FALSE(form.Settings().tableMode);
    ShowAndSettle(form);
    EXPECT_EQ(form.frameGeometry().size(), QSize(700, 300));
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST(MainWindowSetup, FailedSetupLeavesTheDesignedWindow)
{
    const QString broken = DataFile("broken.xml");
    const QString missing = DataFile("no-such-file.xml");
    const QString badOid = DataFile("vexgrid/bad-oid.xml");
    const struct {
        QStringList args;
        QString messageStart;  // empty: the set-up stops silently
    } cases[] = {
        {{"/XML"}, ""},
        {{"/HOST", "127.0.0.5", "/xml"}, ""},
        {{"/XML", broken},
         "XML Parser error! The XML file: " + broken
             + " could not be parsed. Error message: Opening and ending tag mismatch."},
        {{"/XML", missing},
         "XML Parser error! The XML file: " + missing + " could not be parsed. Error message: "},
        // Well-formed, but a target that is no OID: named, and no parser error.
        {{"/XML", badOid}, "The view in " + badOid + " cannot be shot. Target 2: '1.3..6' is not an OID"},
    };
    for (const auto& c : cases) {
        const std::string label = c.args.join(' ').toStdString();
        TMessageCapture messages;
        TForm1 form(c.args);
        EXPECT_EQ(form.windowTitle(), "HB_Vexgrid") << label;
        EXPECT_TRUE(TableMenusDisabled(form)) << label;
        EXPECT_TRUE(form.Widgets().Close1->isEnabled()) << label;
        EXPECT_TRUE(form.Widgets().About1->isEnabled()) << label;
        EXPECT_EQ(form.width(), TForm1::kDesignClientSize.width()) << label;
        if (c.messageStart.isEmpty()) {
            EXPECT_TRUE(messages.texts.isEmpty()) << label;
        } else {
            ASSERT_EQ(messages.texts.size(), 1) << label;
            EXPECT_TRUE(messages.texts[0].startsWith(c.messageStart)) << messages.texts[0].toStdString();
        }
    }
}

TEST(MainWindowSetup, ResizeShowsTheOuterSize)
{
    TForm1 form(QuietArgs());
    ShowAndSettle(form);
    form.SetOuterSize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(form.frameGeometry().size(), QSize(800, 600));
    EXPECT_EQ(form.StatusPanels().StatusMessage(), "WxH=800x600");
    form.resize(form.size() - QSize(100, 50));
    QApplication::processEvents();
    EXPECT_EQ(form.StatusPanels().StatusMessage(), "WxH=700x550");
}

TEST(MainWindowSetup, ExitClosesTheWindow)
{
    TForm1 form(QuietArgs());
    ShowAndSettle(form);
    form.Widgets().Close1->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
}

TEST(MainWindowSetup, ClipboardPictureIsTheClientArea)
{
    TForm1 form(QuietArgs());
    ShowAndSettle(form);
    form.Widgets().CopythisformtoClipboard1->trigger();
    const QImage picture = QApplication::clipboard()->image();
    ASSERT_FALSE(picture.isNull());
    // Client area: everything below the menu bar, status bar included.
    const QSize client(form.width(), form.height() - form.menuBar()->height());
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), client);
    EXPECT_EQ(form.Widgets().StatusBar1->geometry().bottom(), form.height() - 1);
}

}  // namespace
