// Setting up views from the window: New View against snmpd, Save View As and
// Open giving the same requests on the wire, a broken file in a running
// window, Open Recent with a vanished file, and what is remembered per file
// across two windows.
#include "EventPump.h"
#include "ui/FileMenu.h"
#include "IntegrationSupport.h"
#include "MessageCapture.h"
#include "ui/NewViewDialog.h"
#include "table/ResultTable.h"
#include "snmp/SnmpMessage.h"
#include "ui/StatusPanels.h"
#include "TSnmpdAgent.h"
#include "TUdpResponder.h"
#include "table/TableExport.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");

// Runs `fill` on the New View dialog once File > New View... has opened it.
void NewViewThrough(TForm1& form, const std::function<void(TNewViewDialog&)>& fill)
{
    QTimer::singleShot(0, &form, [fill] {
        auto* dialog = qobject_cast<TNewViewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "New View... opened no dialog";
        fill(*dialog);
    });
    form.FileMenu().NewView1->trigger();
}

// Picks the names found by `search` in the dialog's list of known names.
void AddByName(TNewViewDialog& dialog, const QString& search)
{
    dialog.NameFilter->setText(search);
    dialog.NameList->clearSelection();
    for (int row = 0; row < dialog.NameList->count(); ++row) {
        QListWidgetItem* item = dialog.NameList->item(row);
        if (!item->isHidden() && item->text().startsWith(search + u' '))
            item->setSelected(true);
    }
    dialog.AddSelectedNames();
}

// Test pressed, and the answer it shows once it is in.
QString TestAgent(TNewViewDialog& dialog)
{
    if (dialog.TestResult->text() != QLatin1String("Asking..."))
        dialog.Test();
    vxtest::PumpUntil([&] { return dialog.TestResult->text() != QLatin1String("Asking..."); });
    return dialog.TestResult->text();
}

TEST(DesktopView, NewViewShowsTheInterfacesTable)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TMessageCapture messages;
    TForm1 form(XmlArgs(QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")));
    TShootCounter shoots(form);
    QString tested;
    NewViewThrough(form, [&](TNewViewDialog& dialog) {
        dialog.HostEdit->setText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit->setValue(agent->Port());
        dialog.CommunityEdit->setText(QStringLiteral("tamvel"));
        tested = TestAgent(dialog);
        AddByName(dialog, QStringLiteral("ifIndex"));
        AddByName(dialog, QStringLiteral("ifDescr"));
        dialog.accept();
    });
    EXPECT_EQ(tested, "sysDescr.0 = Integration snmpd");
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    EXPECT_EQ(form.Settings().targetOids, (QStringList{kIfIndex, kIfDescr}));
    EXPECT_TRUE(form.Settings().tableMode);
    EXPECT_TRUE(Column(form, 2).contains("lo")) << Column(form, 2).join(',').toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();

    // Ctrl+A then Ctrl+C copies what "Copy table as text" copies; one row
    // selected copies the header and that row.
    form.Widgets().SelectAll1->trigger();
    form.Widgets().CopySelection1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), TableAsTabText(form.ResultTable().Snapshot()));
    form.Widgets().ListView1->selectionModel()->clear();
    form.Widgets().ListView1->selectionModel()->select(
        form.ResultTable().index(0, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.Widgets().CopySelection1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().split('\n').size(), 2);
}

TEST(DesktopView, AWholeTablePickedByNameShowsItsColumns)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TForm1 form(XmlArgs(QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")));
    TShootCounter shoots(form);
    NewViewThrough(form, [&](TNewViewDialog& dialog) {
        dialog.HostEdit->setText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit->setValue(agent->Port());
        dialog.CommunityEdit->setText(QStringLiteral("tamvel"));
        dialog.ListLayout->setChecked(true);
        dialog.OidEdit->setText(QStringLiteral("HOST-RESOURCES-MIB::hrStorageTable"));
        dialog.AddTypedTarget();
        dialog.accept();
    });
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    // Index and every column but hrStorageIndex, whose value is the index.
    const TResultTable& table = form.ResultTable();
    QStringList captions;
    for (int column = 1; column < table.columnCount(); ++column)
        captions << table.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(captions.size(), 7) << captions.join(',').toStdString();
    EXPECT_EQ(captions.value(1), "hrStorageType");
    EXPECT_GT(table.rowCount(), 0);
    EXPECT_FALSE(Column(form, 3).join(QString()).isEmpty()) << "hrStorageDescr came back";
}

TEST(DesktopView, TestNamesTheFailureOfASilentAgent)
{
    vxtest::TUdpResponder silent([](const vxtest::TDatagram&) { return std::vector<vxtest::TReply>{}; });
    ASSERT_TRUE(silent.Start());
    TOidNameTable names;
    TNewViewDialog dialog(names);
    dialog.HostEdit->setText(QStringLiteral("127.0.0.1"));
    dialog.PortEdit->setValue(silent.Port());
    dialog.Test();
    // The dialog stays live while it waits.
    EXPECT_EQ(dialog.TestResult->text(), "Asking...");
    EXPECT_EQ(TestAgent(dialog),
              QStringLiteral("No answer from 127.0.0.1:%1 for sysDescr.0 after 3 tries: is the agent up, and "
                             "is the community right?")
                  .arg(silent.Port()));
}

// The OIDs, PDU tag, version and community of an SNMP datagram.
QString Request(const vxtest::TBytes& bytes)
{
    vxsnmp::TIncoming in;
    vxsnmp::TBindingTable table;
    if (vxsnmp::ParseMessage(bytes, in, table) != vxsnmp::kOk)
        return QStringLiteral("(unparsable)");
    QString text =
        QStringLiteral("%1 v%2 %3:").arg(in.pduTag).arg(in.version).arg(QString::fromStdString(in.community));
    for (int i = 0; i < table.count; ++i)
        text += u' ' + QString::fromStdString(table.slot[static_cast<std::size_t>(i)].oid);
    return text;
}

TEST(DesktopView, SavedViewOpensToTheSameRequestsOnTheWire)
{
    vxtest::TUdpResponder agent([](const vxtest::TDatagram&) { return std::vector<vxtest::TReply>{}; });
    ASSERT_TRUE(agent.Start());
    TMessageCapture messages;
    TForm1 form(XmlArgs(QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")));
    NewViewThrough(form, [&](TNewViewDialog& dialog) {
        dialog.HostEdit->setText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit->setValue(agent.Port());
        dialog.VersionBox->setCurrentIndex(1);
        dialog.CommunityEdit->setText(QStringLiteral("s3cret"));
        dialog.ListLayout->setChecked(true);
        for (const char* typed : {"sysName.0", "1.3.6.1.2.1.2.2.1.2.7", "1.3.6.1.4.1.8072.1.2", "sysDescr"}) {
            dialog.OidEdit->setText(QLatin1String(typed));
            EXPECT_TRUE(dialog.AddTypedTarget()) << typed;
        }
        dialog.accept();
    });
    ASSERT_TRUE(agent.WaitForReceived(1, std::chrono::seconds(10)));
    const QString sent = Request(agent.Received()[0].bytes);
    EXPECT_EQ(
        sent,
        "160 v1 s3cret: 1.3.6.1.2.1.1.5.0 1.3.6.1.2.1.2.2.1.2.7 1.3.6.1.4.1.8072.1.2.0 1.3.6.1.2.1.1.1.0");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.vexgrid.xml"));
    ASSERT_TRUE(form.FileMenu().SaveViewAs(path));
    const std::size_t before = agent.Received().size();
    ASSERT_TRUE(form.FileMenu().OpenFile(path));
    ASSERT_TRUE(agent.WaitForReceived(before + 1, std::chrono::seconds(10)));
    const auto received = agent.Received();
    for (std::size_t i = before; i < received.size(); ++i)
        EXPECT_EQ(Request(received[i].bytes), sent) << "datagram " << i;
}

TEST(DesktopView, NewSnmpV3ViewShootsAndSavesItsPasswordsPrivately)
{
    vxtest::TSnmpdAgent agent({"sysDescr Integration snmpd",
                               "createUser keeper SHA-512 maplesyrup AES-256 syrup-for-privacy",
                               "rouser keeper priv"});
    ASSERT_TRUE(agent.Start());
    TMessageCapture messages;
    TForm1 form(XmlArgs(QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/empty-root.xml")));
    TShootCounter shoots(form);
    QString tested;
    NewViewThrough(form, [&](TNewViewDialog& dialog) {
        dialog.HostEdit->setText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit->setValue(agent.Port());
        dialog.VersionBox->setCurrentIndex(dialog.VersionBox->findData(3));
        dialog.UserEdit->setText(QStringLiteral("keeper"));
        dialog.SecurityLevelBox->setCurrentIndex(dialog.SecurityLevelBox->findData(2));
        dialog.AuthProtocolBox->setCurrentIndex(dialog.AuthProtocolBox->findData(6));  // SHA-512
        dialog.AuthPasswordEdit->setText(QStringLiteral("maplesyrup"));
        dialog.PrivProtocolBox->setCurrentIndex(dialog.PrivProtocolBox->findData(4));  // AES-256
        dialog.PrivPasswordEdit->setText(QStringLiteral("syrup-for-privacy"));
        tested = TestAgent(dialog);
        AddByName(dialog, QStringLiteral("ifIndex"));
        AddByName(dialog, QStringLiteral("ifDescr"));
        dialog.accept();
    });
    EXPECT_EQ(tested, "sysDescr.0 = Integration snmpd");
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    EXPECT_TRUE(Column(form, 2).contains("lo")) << Column(form, 2).join(',').toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v3.vexgrid.xml"));
    ASSERT_TRUE(form.FileMenu().SaveViewAs(path));
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    ASSERT_TRUE(form.FileMenu().OpenFile(path));
    ASSERT_TRUE(shoots.WaitFor(2)) << form.StatusPanels().StatusMessage().toStdString();
    EXPECT_TRUE(Column(form, 2).contains("lo"));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST(DesktopView, BrokenFileLeavesNewAndOpenUsable)
{
    TVexgridFiles files;
    const QString good = files.Write(QStringLiteral("good.xml"), {}, {}, QStringLiteral("Good"));
    const QString broken = QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/unclosed.xml");
    TMessageCapture messages;
    // At start-up, and in a running window.
    TForm1 form(XmlArgs(broken));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith("XML Parser error! The XML file: " + broken));
    EXPECT_FALSE(form.FileMenu().SaveViewAs1->isEnabled()) << "no view to save";
    ASSERT_TRUE(form.FileMenu().OpenFile(good));
    EXPECT_EQ(form.windowTitle(), "Good - Host: 127.0.0.1");
    EXPECT_FALSE(form.FileMenu().OpenFile(broken));
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_EQ(messages.texts[1], messages.texts[0]) << "the same message as at start-up";
    EXPECT_EQ(form.windowTitle(), "Good - Host: 127.0.0.1") << "the running view goes on";
    EXPECT_EQ(form.ViewFile(), QFileInfo(good).absoluteFilePath());
    for (QAction* item :
         {form.FileMenu().NewView1, form.FileMenu().Open1, form.FileMenu().OpenRecent1->menuAction()})
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
}

TEST(DesktopView, VanishedRecentFileIsDroppedWithAMessage)
{
    TVexgridFiles files;
    const QString kept = files.Write(QStringLiteral("kept.xml"), {}, {});
    const QString gone = files.Write(QStringLiteral("gone.xml"), {}, {});
    TMessageCapture messages;
    TForm1 form(XmlArgs(gone));
    ASSERT_TRUE(form.FileMenu().OpenFile(kept));
    EXPECT_EQ(form.Remembered().RecentFiles(), (QStringList{kept, gone}));
    QFile::remove(gone);
    EXPECT_FALSE(form.FileMenu().OpenFile(gone));
    EXPECT_EQ(form.Remembered().RecentFiles(), QStringList{kept});
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(gone));
}

TEST(DesktopView, GeometryColumnsAndSortRememberedPerFile)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path =
        files.Write(QStringLiteral("ifs.xml"), {agent->Port()}, {{kIfIndex, ""}, {kIfDescr, ""}});
    {
        TForm1 form(XmlArgs(path));
        TShootCounter shoots(form);
        ShowWindow(form);
        ASSERT_TRUE(shoots.WaitFor(1));
        EXPECT_EQ(form.frameGeometry().size(), QSize(760, 420)) << "the file's size at first open";
        form.resize(777, 555);
        form.Widgets().ListView1->header()->resizeSection(1, 150);
        ClickHeader(form, 2);
        ClickHeader(form, 2);
        ASSERT_EQ(form.ResultTable().SortColumn(), 2);
        ASSERT_FALSE(form.ResultTable().SortAscending());
        form.close();
    }
    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    EXPECT_EQ(form.size(), QSize(777, 555));
    EXPECT_EQ(ColumnWidth(form, 1), 150);
    EXPECT_EQ(form.ResultTable().SortColumn(), 2);
    EXPECT_FALSE(form.ResultTable().SortAscending());
}

}  // namespace
