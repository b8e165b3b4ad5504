// The live view through the real main window: counter rates against a
// scripted agent (wraps, restarts, missing readings) and against snmpsim
// counters that move, a steady view through re-shoots, the View menu, and an
// agent that stops answering and comes back.
#include "IntegrationSupport.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "TScriptedAgent.h"
#include "table/TableExport.h"
#include "ui/Unit1.h"
#include "table/ViewOptions.h"

#include <QAction>
#include <QDateTime>
#include <QMenuBar>
#include <QScrollBar>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <mutex>

namespace {

const std::string kUpTime = "1.3.6.1.2.1.1.3.0";

// What the scripted agent answers: one object, and its sysUpTime.0.
struct TReading {
    std::uint8_t tag = 0x41;
    std::uint64_t count = 0;
    std::uint32_t upTime = 0;
    bool missing = false;  // noSuchInstance instead of the counter
};

class TCounterAgent {
public:
    TCounterAgent()
        : agent([this](const TAgentRequest& request) -> std::optional<TAgentAnswer> {
              std::lock_guard guard(lock);
              TAgentAnswer answer;
              for (const std::string& oid : request.oids) {
                  if (oid == kUpTime)
                      answer.push_back({oid, 0x43, std::to_string(reading.upTime)});
                  else if (reading.missing)
                      answer.push_back({oid, 0x81, ""});
                  else
                      answer.push_back({oid, reading.tag, std::to_string(reading.count)});
              }
              return answer;
          })
    {
    }
    void Set(const TReading& next)
    {
        std::lock_guard guard(lock);
        reading = next;
    }
    TScriptedAgent agent;

private:
    std::mutex lock;
    TReading reading;
};

TViewOptions RatesOn()
{
    TViewOptions options;
    options.counterRates = true;
    return options;
}

}  // namespace

TEST(LiveView, CounterRatesTellWrapsFromRestarts)
{
    const struct {
        const char* why;
        const char* oid;
        TReading first;
        TReading second;  // ten seconds later
        const char* shown;
        const char* exported;
    } cases[] = {
        {"a Counter32 that went down wrapped once",
         "1.3.6.1.2.1.2.2.1.11.1",
         {0x41, 4294967000u, 1000},
         {0x41, 500, 2000},
         "79.6 /s",
         "79.6"},
        {"a Counter64 that went down has no rate",
         "1.3.6.1.2.1.31.1.1.1.7.1",
         {0x46, 5000, 1000},
         {0x46, 4000, 2000},
         "-",
         ""},
        {"sysUpTime went down: the agent restarted",
         "1.3.6.1.2.1.2.2.1.11.1",
         {0x41, 100, 900000},
         {0x41, 200, 300},
         "-",
         ""},
        {"no reading before: no rate",
         "1.3.6.1.2.1.2.2.1.11.1",
         {0x41, 0, 1000, true},
         {0x41, 200, 2000},
         "-",
         ""},
        {"an Octets column in bits per second",
         "1.3.6.1.2.1.2.2.1.10.1",
         {0x41, 1000, 1000},
         {0x41, 126000, 2000},
         "100 kbit/s",
         "12500"},
        {"another counter per second, one decimal",
         "1.3.6.1.2.1.2.2.1.17.1",
         {0x41, 100, 1000},
         {0x41, 12445, 2000},
         "1234.5 /s",
         "1234.5"},
    };
    SaveViewOptions(RatesOn());  // remembered from an earlier run
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        TCounterAgent counters;
        counters.Set(c.first);
        ASSERT_TRUE(counters.agent.Start());
        TVexgridFiles files;
        const QString oid = QLatin1String(c.oid);
        const QString object = oid.left(oid.lastIndexOf('.'));
        const QString path = files.Write("rates.xml", {counters.agent.Port(), 2}, {{object, ".1"}});
        TForm1 form(XmlArgs(path));
        std::int64_t arrival = 5000;
        form.Engine().SetArrivalClock([&] { return arrival; });
        TShootCounter shoots(form);
        ASSERT_TRUE(form.Widgets().ShowCounterRates1->isChecked());
        ASSERT_TRUE(shoots.WaitFor(1));

        counters.Set(c.second);
        arrival += 10000;
        form.Widgets().Now1->trigger();
        ASSERT_TRUE(shoots.WaitFor(2));
        EXPECT_EQ(form.ResultTable().ShownText(0, 2), QLatin1String(c.shown));
        const TTableSnapshot snapshot = form.ResultTable().Snapshot();
        ASSERT_EQ(snapshot.rows.size(), 1);
        EXPECT_EQ(snapshot.rows[0][1], QLatin1String(c.exported));
        EXPECT_TRUE(snapshot.rows[0][0].endsWith(" /s"));
        // The uptime is read once per shoot, in a Get of its own.
        int upTimeReads = 0;
        for (const TAgentRequest& request : counters.agent.Requests())
            upTimeReads += request.oids == std::vector<std::string>{kUpTime} ? 1 : 0;
        EXPECT_EQ(upTimeReads, 2);
    }
    SaveViewOptions(TViewOptions());
}

TEST(LiveView, ListScrolledToRow46StaysThroughFiveReshootsWhileCountersMove)
{
    // 120 rows; the counters move between reads (snmpsim's numeric variation).
    vxtest::TSnmpsimAgent agent;
    // The uptime advances as a real agent's does; a frozen one reads as restarts.
    std::string records = kUpTime + "|67:numeric|rate=100,initial=100000\n";
    for (int n = 1; n <= 120; ++n)
        records += "1.3.6.1.4.1.55555.9.1." + std::to_string(n)
                 + "|65:numeric|rate=" + std::to_string(n * 100) + "\n";
    agent.AddDataFile("moving", records);
    ASSERT_TRUE(agent.Start());
    TVexgridFiles files;
    const QString path =
        files.Write("moving.xml", {agent.Port(), 1, "moving"}, {{"1.3.6.1.4.1.55555.9.1", ""}});
    SaveViewOptions(RatesOn());
    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    ASSERT_EQ(form.ResultTable().rowCount(), 120);

    QTreeView& view = *form.Widgets().ListView1;
    const QModelIndex row46 = form.ResultTable().index(46, 2);
    view.scrollTo(row46, QAbstractItemView::PositionAtTop);
    view.setCurrentIndex(row46);
    const int scroll = view.verticalScrollBar()->value();
    ASSERT_EQ(view.indexAt(QPoint(2, 2)).row(), 46);
    for (int shoot = 2; shoot <= 6; ++shoot) {
        PumpFor(300);  // the counters move on meanwhile
        form.Widgets().Now1->trigger();
        ASSERT_TRUE(shoots.WaitFor(shoot));
        PumpFor(20);
        EXPECT_EQ(view.verticalScrollBar()->value(), scroll) << "shoot " << shoot;
        EXPECT_EQ(view.indexAt(QPoint(2, 2)).row(), 46) << "shoot " << shoot;
        EXPECT_EQ(view.currentIndex().row(), 46) << "shoot " << shoot;
        EXPECT_TRUE(view.selectionModel()->isRowSelected(46, QModelIndex())) << "shoot " << shoot;
    }
    // The counters moved: every row has a positive rate.
    const TTableSnapshot snapshot = form.ResultTable().Snapshot();
    for (int row : {0, 46, 119}) {
        bool ok = false;
        EXPECT_GT(snapshot.rows[row][1].toDouble(&ok), 0.0)
            << "row " << row << " " << snapshot.rows[row][1].toStdString();
        EXPECT_TRUE(ok);
        EXPECT_TRUE(form.ResultTable().ShownText(row, 2).endsWith(" /s"));
    }
    SaveViewOptions(TViewOptions());
}

TEST(LiveView, ViewMenuAndIntervalAreRememberedAndNameTheInterval)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("one.xml", {agent->Port(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}});
    SaveViewOptions(TViewOptions());
    {
        TForm1 form(XmlArgs(path));
        QStringList menus;
        for (QAction* menu : form.menuBar()->actions())
            menus << menu->text().remove('&');
        EXPECT_EQ(menus, (QStringList{"File", "Edit", "View", "Options", "Help"}));
        EXPECT_EQ(form.Widgets().Now1->shortcut(), QKeySequence(Qt::Key_F5));
        EXPECT_TRUE(form.Widgets().MarkChanges1->isChecked()) << "on by default";
        EXPECT_FALSE(form.Widgets().ReadableValues1->isChecked()) << "off by default";
        EXPECT_EQ(form.Widgets().Every10secondskeepinstances1->text(), "Every 10 sec, keep any instances!");
        form.findChild<QAction*>("Interval5s")->trigger();
        form.Widgets().ReadableValues1->trigger();
        EXPECT_EQ(form.Widgets().Every10secondskeepinstances1->text(), "Every 5 sec, keep any instances!");
        EXPECT_EQ(form.Widgets().Every10secRefreshinstancesalso1->text(),
                  "Every 5 sec. reread instances also!");
        form.Widgets().Every10secondskeepinstances1->trigger();
        ASSERT_TRUE(PumpUntil([&] { return form.StatusPanels().CountdownText().startsWith("Next in "); }));
        EXPECT_EQ(form.Engine().Scheduler().Countdown() < 5, true);
    }
    const TViewOptions kept = LoadViewOptions();
    EXPECT_EQ(kept.intervalSeconds, 5);
    EXPECT_TRUE(kept.readableValues);
    TForm1 again(XmlArgs(path));
    EXPECT_TRUE(again.findChild<QAction*>("Interval5s")->isChecked());
    EXPECT_TRUE(again.Widgets().ReadableValues1->isChecked());
    SaveViewOptions(TViewOptions());
}

// The interfaces table of a real snmpd, re-shot every 2 s with rates on, its
// agent stopped by pid and started again on the same port.
TEST(LiveView, StoppedAgentIsNamedAndItsRowsGreyedUntilItAnswersAgain)
{
    const QString ifTable = QStringLiteral("1.3.6.1.2.1.2.2.1.");
    const int descr = 2, octets = 3;  // value cells: ifIndex, ifDescr, ifInOctets
    const struct {
        const char* why;
        bool reread;  // "reread instances also": the walk itself meets the silence
        bool keepLastValues;
    } cases[] = {{"keep instances", false, false}, {"reread instances, last values kept", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto agent = NewSnmpd();
        ASSERT_TRUE(agent->Start());
        TVexgridFiles files;
        const QString path = files.Write("if.xml", {agent->Port(), 2},
                                         {{ifTable + "1", ""}, {ifTable + "2", ""}, {ifTable + "10", ""}});
        TViewOptions options = RatesOn();
        options.intervalSeconds = 2;
        options.keepLastValues = c.keepLastValues;
        SaveViewOptions(options);
        TForm1 form(XmlArgs(path));
        TShootCounter shoots(form);
        ShowWindow(form);
        ASSERT_TRUE(shoots.WaitFor(1));
        (c.reread ? form.Widgets().Every10secRefreshinstancesalso1
                  : form.Widgets().Every10secondskeepinstances1)
            ->trigger();
        TResultTable& table = form.ResultTable();
        const auto everyRow = [&](const std::function<bool(int)>& holds) {
            for (int row = 0; row < table.rowCount(); ++row)
                if (!holds(row))
                    return false;
            return table.rowCount() > 0;
        };
        const auto live = [&](int row) {
            return table.ShownText(row, octets).endsWith("bit/s")
                && !table.data(table.index(row, 1 + descr), Qt::ForegroundRole).isValid();
        };
        ASSERT_TRUE(PumpUntil([&] { return everyRow(live); }, 30000))
            << table.ShownText(0, octets).toStdString();
        const QString description = table.ShownText(0, descr);
        const QTime stopped = QTime::currentTime();
        agent->Stop();

        const QString named = QStringLiteral("No answer from 127.0.0.1:%1 since ").arg(agent->Port());
        const auto silent = [&](int row) {
            for (int cell = 1; cell <= octets; ++cell)
                if (!table.data(table.index(row, 1 + cell), Qt::ForegroundRole).isValid())
                    return false;
            return table.ShownText(row, octets) == "-"
                && table.data(table.index(row, 1 + octets), Qt::ToolTipRole)
                       .toString()
                       .startsWith("no answer since ");
        };
        // One interval plus the time-out of five sends, and some to spare.
        ASSERT_TRUE(PumpUntil(
            [&] { return form.StatusPanels().ShownMessage().startsWith(named) && everyRow(silent); },
            2000 + 10000 + 5000))
            << form.StatusPanels().ShownMessage().toStdString();
        const QTime since =
            QTime::fromString(form.StatusPanels().ShownMessage().mid(named.size()), "HH:mm:ss");
        EXPECT_LE(std::abs(since.secsTo(stopped)), 5) << "the time of the last answer, before the stop";
        // The countdown goes on; a shoot that meets the silence leaves it
        // named, the rows in place and greyed, and exports "Null".
        ASSERT_TRUE(shoots.WaitFor(shoots.Count() + 1, 40000));
        EXPECT_TRUE(form.StatusPanels().ShownMessage().startsWith(named));
        EXPECT_TRUE(everyRow(silent));
        EXPECT_EQ(table.ShownText(0, descr), c.keepLastValues ? description : "Null");
        EXPECT_EQ(table.Snapshot().rows.value(0).value(descr), "Null");

        ASSERT_TRUE(agent->Restart());
        EXPECT_TRUE(PumpUntil(
            [&] { return !form.StatusPanels().ShownMessage().startsWith(named) && everyRow(live); }, 40000))
            << form.StatusPanels().ShownMessage().toStdString() << " "
            << table.ShownText(0, octets).toStdString();
    }
    SaveViewOptions(TViewOptions());
}
