// Names against snmpd through the real main window: table columns named by
// the built-in table, the Index column read by the table's INDEX, and MIB
// modules read on their own thread while the window shoots.
#include "IntegrationSupport.h"
#include "MessageCapture.h"
#include "Screenshot.h"
#include "names/MibLoader.h"
#include "ui/MibModulesDialog.h"
#include "table/ResultTable.h"
#include "ui/MibBrowser.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Four modules under enterprises.88000+n, each a table of three columns.
QByteArray GeneratedModule(int n)
{
    QString text;
    QTextStream out(&text);
    const QString p = QStringLiteral("gen%1").arg(n);
    const QString entry = QStringLiteral("Gen%1Entry").arg(n);
    out << "GEN" << n << "-MIB DEFINITIONS ::= BEGIN\n"
        << "IMPORTS MODULE-IDENTITY, OBJECT-TYPE, enterprises, Integer32 FROM SNMPv2-SMI "
        << "DisplayString FROM SNMPv2-TC;\n"
        << p << "MIB MODULE-IDENTITY LAST-UPDATED \"202612080000Z\" ORGANIZATION \"g\" "
        << "CONTACT-INFO \"g\" DESCRIPTION \"g\" ::= { enterprises " << 88000 + n << " }\n"
        << p << "Table OBJECT-TYPE SYNTAX SEQUENCE OF " << entry << " MAX-ACCESS not-accessible "
        << "STATUS current DESCRIPTION \"t\" ::= { " << p << "MIB 1 }\n"
        << p << "Entry OBJECT-TYPE SYNTAX " << entry << " MAX-ACCESS not-accessible STATUS current "
        << "DESCRIPTION \"e\" INDEX { " << p << "Slot, " << p << "Name } ::= { " << p << "Table 1 }\n"
        << entry << " ::= SEQUENCE { " << p << "Slot Integer32, " << p << "Name DisplayString, " << p
        << "Value Integer32 }\n"
        << p << "Slot OBJECT-TYPE SYNTAX Integer32 MAX-ACCESS not-accessible STATUS current "
        << "DESCRIPTION \"c\" ::= { " << p << "Entry 1 }\n"
        << p << "Name OBJECT-TYPE SYNTAX DisplayString MAX-ACCESS not-accessible STATUS current "
        << "DESCRIPTION \"c\" ::= { " << p << "Entry 2 }\n"
        << p << "Value OBJECT-TYPE SYNTAX INTEGER { low(1), high(2) } MAX-ACCESS read-only "
        << "STATUS current DESCRIPTION \"c\" ::= { " << p << "Entry 3 }\nEND\n";
    return text.toUtf8();
}

bool WriteModules(const QTemporaryDir& dir, int count)
{
    for (int n = 1; n <= count; ++n) {
        QFile file(dir.filePath(QStringLiteral("GEN%1-MIB.txt").arg(n)));
        if (!file.open(QIODevice::WriteOnly) || file.write(GeneratedModule(n)) < 0)
            return false;
    }
    return true;
}

class MibNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent = NewSnmpd();
        ASSERT_TRUE(agent->Start()) << "snmpd did not start";
    }

    // The window with its first shoot finished.
    std::unique_ptr<TForm1> OpenWindow(const QList<TVexgridTarget>& targets, const QStringList& mibs = {})
    {
        const QString path =
            files.Write("names.xml", {agent->Port(), 2, "tamvel"}, targets, QStringLiteral("Names"), mibs);
        auto form = std::make_unique<TForm1>(XmlArgs(path));
        shoots = std::make_unique<TShootCounter>(*form);
        ShowWindow(*form);
        EXPECT_TRUE(shoots->WaitFor(1));
        return form;
    }

    static QStringList Headers(TForm1& form)
    {
        QStringList headers;
        const TResultTable& table = form.ResultTable();
        for (int column = 1; column < table.columnCount(); ++column)
            headers << table.headerData(column, Qt::Horizontal).toString();
        return headers;
    }

    static QStringList IndexColumn(TForm1& form)
    {
        QStringList texts;
        for (int row = 0; row < form.ResultTable().rowCount(); ++row)
            texts << form.ResultTable().IndexText(row);
        return texts;
    }

    TMessageCapture messages;
    std::unique_ptr<vxtest::TSnmpdAgent> agent;
    TVexgridFiles files;
    std::unique_ptr<TShootCounter> shoots;
};

}  // namespace

TEST_F(MibNames, TablesOfSnmpdAreNamed)
{
    const struct {
        QList<TVexgridTarget> targets;
        QStringList headers;
        const char* why;
    } cases[] = {
        {{{"1.3.6.1.2.1.31.1.1.1.1", ""}, {"1.3.6.1.2.1.31.1.1.1.6", ""}},
         {"Index", "ifName", "ifHCInOctets"},
         "ifXTable"},
        {{{"1.3.6.1.4.1.2021.10.1.2", ""}, {"1.3.6.1.4.1.2021.10.1.3", ""}},
         {"Index", "laNames", "laLoad"},
         "laTable"},
        {{{"1.3.6.1.2.1.25.2.3.1.3", ""}, {"1.3.6.1.2.1.25.2.3.1.5", ""}},
         {"Index", "hrStorageDescr", "hrStorageSize"},
         "hrStorageTable"},
    };
    for (const auto& c : cases) {
        auto form = OpenWindow(c.targets);
        EXPECT_EQ(Headers(*form), c.headers) << c.why;
        const TResultTable& table = form->ResultTable();
        ASSERT_GT(table.rowCount(), 0) << c.why;
        // A single integer index reads as itself.
        for (int row = 0; row < table.rowCount(); ++row)
            EXPECT_EQ(table.IndexText(row), table.InstanceSuffix(row)) << c.why;
    }
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(MibNames, IpAddrTableIndexReadsTheAddress)
{
    auto form = OpenWindow({{"1.3.6.1.2.1.4.20.1.2", ""}, {"1.3.6.1.2.1.4.20.1.3", ""}});
    EXPECT_EQ(Headers(*form), (QStringList{"Index", "ipAdEntIfIndex", "ipAdEntNetMask"}));
    const QStringList indexes = IndexColumn(*form);
    ASSERT_TRUE(indexes.contains("127.0.0.1")) << indexes.join(", ").toStdString();
    const TResultTable& table = form->ResultTable();
    const int loopback = int(indexes.indexOf("127.0.0.1"));
    EXPECT_EQ(table.data(table.index(loopback, 1), Qt::ToolTipRole).toString(), "127.0.0.1");
    EXPECT_EQ(table.Cell(loopback, 2), "255.0.0.0");
}

TEST_F(MibNames, ManyModulesLoadWhileTheWindowShoots)
{
    // 300 modules whose SMI base modules only the program's own shipped
    // modules hold: each is read, screened and listed. (A partial set of base
    // modules beside the machine's net-snmp modules makes the MIB reader
    // crash; that case is tested with the reader, tests/names.)
    QTemporaryDir modules;
    ASSERT_TRUE(WriteModules(modules, 300));
    auto form = OpenWindow({{"1.3.6.1.2.1.1.5", ".0"}}, {modules.path()});
    // The first shoot is in whether or not the modules are read by now.
    EXPECT_EQ(form->ResultTable().Cell(0, 2), "vexgrid-box");
    ASSERT_TRUE(PumpUntil([&] { return form->MibLoader().IsLoaded(); }, 120000));
    const TMibLoadResult& result = form->MibLoader().Result();
    const auto inFolder = [&](const auto& list) {
        return std::count_if(list.begin(), list.end(),
                             [&](const auto& entry) { return entry.file.startsWith(modules.path()); });
    };
    EXPECT_EQ(inFolder(result.modules), 300);
    EXPECT_EQ(inFolder(result.problems), 0);
    EXPECT_EQ(form->OidNameTable().DescribeOid("1.3.6.1.4.1.88300.1.1.3.7"), "gen300Value.7");
    // The built-in names stay in use.
    EXPECT_EQ(form->OidNameTable().DescribeOid("1.3.6.1.2.1.31.1.1.1.1.2"), "ifName.2");

    // Help > MIB modules lists them, on a dialog centred on the window.
    form->Widgets().MibModules1->trigger();
    auto* dialog = form->findChild<TMibModulesDialog*>();
    ASSERT_NE(dialog, nullptr);
    PumpFor(50);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_LE((dialog->frameGeometry().center() - form->frameGeometry().center()).manhattanLength(), 2);
    const QString report = dialog->findChild<QPlainTextEdit*>()->toPlainText();
    EXPECT_TRUE(report.contains("GEN300-MIB  " + modules.filePath("GEN300-MIB.txt") + "\n"))
        << report.toStdString().substr(0, 600);
    dialog->close();

    // Help > MIB browser... shows a loaded object with what its module says.
    form->findChild<QAction*>(QStringLiteral("MibBrowser1"))->trigger();
    auto* browser = form->findChild<TMibBrowser*>();
    ASSERT_NE(browser, nullptr);
    const TMibObject* extend = form->MibLoader().Names()->LookupName(QStringLiteral("nsExtendCommand"));
    ASSERT_NE(extend, nullptr);
    browser->MibTree->Search(QStringLiteral("nsExtendCommand"));
    EXPECT_TRUE(browser->MibTree->Select(extend->oid));
    browser->resize(900, 600);
    PumpFor(100);
    vxtest::SaveScreenshot(*browser, "mib-browser");
}
