// File > Export CSV... through the real window against snmpsim: what it
// writes is what "/EXPORT" writes (every row or the rows in sight), or the
// texts shown; a write that fails says why and keeps the file before.
#include "ExportTestSupport.h"
#include "table/ResultTable.h"
#include "ui/FileMenu.h"
#include "ui/ResultView.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

// The records the table shows, captions first, of rows first .. last.
TRecords ShownRecords(TForm1& form, int first, int last)
{
    const TResultTable& table = form.ResultTable();
    TRecords records(1);
    for (int column = 1; column < table.columnCount(); ++column)
        records[0] << table.headerData(column, Qt::Horizontal).toString();
    for (int row = first; row <= last; ++row) {
        records.append(QStringList());
        for (int column = 1; column < table.columnCount(); ++column)
            records.last() << table.data(table.index(row, column)).toString();
    }
    return records;
}

}  // namespace

TEST(ExportMenu, WritesWhatTheSwitchWritesOrWhatIsShown)
{
    int port = 0;
    ASSERT_TRUE(StartSharedAgent(&port));
    QTemporaryDir dir;
    const QString switchCsv = dir.filePath(QStringLiteral("switch.csv"));
    const QString view =
        WriteVexgridFile(dir.path(), QStringLiteral("t.xml"), port, kCommunity, TableTargets());
    TForm1 form({QStringLiteral("/XML"), view, QStringLiteral("/EXPORT"), switchCsv});
    TShootCounter shoots(form);
    form.show();
    ASSERT_TRUE(shoots.WaitFor(1));
    // Rates on: the shown texts ("-") then differ from the written values.
    form.Widgets().ShowCounterRates1->trigger();
    form.Widgets().Now1->trigger();
    ASSERT_TRUE(shoots.WaitFor(2));
    const TRecords written = ReadWithPythonCsv(switchCsv);
    ASSERT_EQ(written.size(), 5);
    // Two rows in sight of the four.
    form.Widgets().ListView1->setFixedHeight(form.Widgets().ListView1->header()->height()
                                             + 2 * form.Widgets().ListView1->sizeHintForRow(0)
                                             + 2 * form.Widgets().ListView1->frameWidth());
    PumpUntil([] { return false; }, 200);
    int first = 0;
    int last = 0;
    RowsInSight(form.Widgets().ListView1, &first, &last);
    ASSERT_LT(last - first + 1, 4);

    const QString out = dir.filePath(QStringLiteral("menu.csv"));
    const struct {
        const char* why;
        TCsvExportChoice choice;
        TRecords expected;  // empty: the write fails
    } cases[] = {
        {"raw, all rows", {out, false, false}, written},
        {"raw, rows in sight",
         {out, false, true},
         TRecords{written[0]} + written.mid(first + 1, last - first + 1)},
        {"as shown, all rows", {out, true, false}, ShownRecords(form, 0, 3)},
        {"no such folder", {dir.filePath(QStringLiteral("gone/x.csv")), false, false}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QString asked;
        form.FileMenu().SetExportDialog([&](QWidget*, const QString& folder, const TCsvExportChoice&) {
            asked = folder;
            return std::optional<TCsvExportChoice>(c.choice);
        });
        QString reason = QStringLiteral("(none)");
        const auto done = QObject::connect(&form, &TForm1::csvExported,
                                           [&](const QString&, const QString& why) { reason = why; });
        form.FileMenu().ExportCsv1->trigger();
        ASSERT_TRUE(PumpUntil([&] { return reason != QStringLiteral("(none)"); }));
        QObject::disconnect(done);
        EXPECT_EQ(asked, dir.path()) << "the folder last used";
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(reason.isEmpty());
            EXPECT_TRUE(form.StatusPanels().StatusMessage().endsWith(QStringLiteral("failed: ") + reason));
            continue;
        }
        EXPECT_EQ(reason, QString());
        EXPECT_EQ(ReadWithPythonCsv(out), c.expected);
    }
    EXPECT_NE(ShownRecords(form, 0, 3), written) << "rates shown differ from the values written";
}
