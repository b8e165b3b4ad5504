// Help > "MIB modules...": the report of what was read and what was not.
#include "names/MibLoader.h"
#include "ui/MibModulesDialog.h"
#include "ui/Unit1.h"

#include "EventPump.h"
#include "MessageCapture.h"

#include <QAction>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

const QString mibData = QStringLiteral(VEXGRID_TEST_DATA "/mibs");

}  // namespace

TEST(MibModulesDialog, ReportNamesReadModulesAndProblemsWithTheirReason)
{
    TMibLoadRequest request;
    request.extraPaths = {mibData + "/base", mibData + "/broken/BROKEN-SYNTAX-MIB.txt",
                          mibData + "/broken/BROKEN-IMPORT-MIB.txt", mibData + "/missing-folder"};
    request.baseFolders = {ShippedMibFolder()};
    const TMibLoadResult result = LoadMibModules(request);
    const QString report = MibModulesReport(request, result, true);
    EXPECT_TRUE(report.contains("SNMPv2-SMI  " + mibData + "/base/SNMPv2-SMI.txt")) << report.toStdString();
    const qsizetype problems = report.indexOf("MIB problems:");
    ASSERT_GE(problems, 0);
    // Each problem on one line after the heading, with file and reason.
    const QString after = report.mid(problems);
    EXPECT_TRUE(after.contains(mibData + "/broken/BROKEN-SYNTAX-MIB.txt: not read: line "))
        << after.toStdString();
    EXPECT_TRUE(after.contains(mibData + "/missing-folder: no such file or folder"));
    // A module importing from a module nobody has: the import, and where it was looked for.
    const QString missing = after.mid(after.indexOf("BROKEN-IMPORT-MIB"));
    const QString line = missing.section('\n', 1, 1);
    EXPECT_TRUE(line.contains("NOBODYS-MIB")) << missing.toStdString();
    EXPECT_TRUE(line.contains(mibData + "/base") && line.contains(ShippedMibFolder())) << line.toStdString();

    // While reading, only what is searched is known.
    const QString loading = MibModulesReport(request, TMibLoadResult{}, false);
    EXPECT_TRUE(loading.contains("still being read"));
    EXPECT_FALSE(loading.contains("MIB problems:"));
}

TEST(MibModulesDialog, OpensOnTheWindowFromTheHelpMenu)
{
    TMessageCapture messages;  // whatever the first shoot says stays off the screen
    TForm1 form({QStringLiteral("/XML"), QStringLiteral(VEXGRID_TEST_DATA "/vexgrid/mibs.xml")});
    form.show();
    form.Widgets().MibModules1->trigger();
    auto* dialog = form.findChild<TMibModulesDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &form);
    EXPECT_TRUE(vxtest::PumpUntil([&] { return form.MibLoader().IsLoaded(); }, 60000));
    // The vexgrid file's MIB paths are searched besides the usual folders.
    EXPECT_TRUE(form.MibLoadRequest().extraPaths.contains("/opt/vendor/mibs"));
    EXPECT_TRUE(form.MibLoadRequest().folders.contains("/usr/share/snmp/mibs"));
    EXPECT_EQ(form.MibLoadRequest().baseFolders, QStringList{ShippedMibFolder()});
    dialog->close();
    form.Widgets().MibModules1->trigger();
    const auto dialogs = form.findChildren<TMibModulesDialog*>();
    const QString text = dialogs.last()->findChild<QPlainTextEdit*>()->toPlainText();
    EXPECT_TRUE(text.contains("/opt/vendor/mibs: no such file or folder")) << text.toStdString();
}
