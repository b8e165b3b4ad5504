// The instance table through the real main window against snmpsim's
// twelve-row interfaces table (tests/data/snmprec/integration.snmprec):
// discovery and rows, sorting by header clicks across re-shoots, the "RT"
// instance mask, and the periodic shoot modes.
#include "ui/InstanceMaskPanel.h"
#include "IntegrationSupport.h"
#include "MessageCapture.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfDescr = QStringLiteral("1.3.6.1.2.1.2.2.1.2");
const QString kIfInOctets = QStringLiteral("1.3.6.1.2.1.2.2.1.10");
const QString kIfOutOctets = QStringLiteral("1.3.6.1.2.1.2.2.1.16");

// Value columns of the table: 1 ifIndex (walked), 2 ifDescr, 3 ifInOctets,
// 4 ifOutOctets, with the agent's values in walk order; in the view each
// stands one column further right, after the Index column.
const QStringList kIndexes = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
const QStringList kDescrs = {"lo",    "eth0",   "eth1",    "Eth2",   "wlan0", "uplink core",
                             "bond0", "br-lan", "vlan100", "vlan20", "tun0",  "ppp0"};
const QStringList kInOctets = {"5000",       "900", "12000000", "75",   "100", "9",
                               "4294967295", "0",   "31337",    "2500", "10",  "640000"};
const QStringList kOutOctets = {"4100",       "800", "11000000", "65",   "90", "error: noSuchInstance",
                                "4000000000", "0",   "27000",    "2200", "8",  "512000"};

// ifIndex of the rows sorted by ifInOctets as numbers (as text 10 < 100 <
// 12000000 < 2500 would sort differently).
const QStringList kByInOctets = {"8", "6", "11", "4", "5", "2", "10", "1", "9", "12", "3", "7"};
// ifIndex sorted by ifDescr as text, letters folded: "Eth2" after "eth1".
const QStringList kByDescr = {"7", "8", "2", "3", "4", "1", "12", "11", "6", "9", "10", "5"};
// ifIndex sorted by ifOutOctets, which holds one text, so the column sorts
// as text: "0", "11000000", "2200", "27000", ...
const QStringList kByOutOctetsText = {"8", "3", "10", "9", "7", "1", "12", "4", "11", "2", "5", "6"};

QStringList Reversed(QStringList list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

QList<TVexgridTarget> FourColumns()
{
    return {{kIfIndex, ""}, {kIfDescr, ""}, {kIfInOctets, ""}, {kIfOutOctets, ""}};
}

class InstanceTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent = NewSnmpsim();
        ASSERT_TRUE(agent->Start());
    }

    QString File(const QList<TVexgridTarget>& targets)
    {
        return files.Write("table.xml", {agent->Port(), 2, kIntegrationCommunity}, targets);
    }

    // The window with the first shoot finished.
    std::unique_ptr<TForm1> OpenWindow(const QList<TVexgridTarget>& targets)
    {
        auto form = std::make_unique<TForm1>(XmlArgs(File(targets)));
        shoots = std::make_unique<TShootCounter>(*form);
        ShowWindow(*form);
        EXPECT_TRUE(shoots->WaitFor(1));
        return form;
    }

    // The open request the engine has sent last.
    static TRequest LastOpenRequest(TForm1& form)
    {
        const std::vector<TRequest> pending = form.Engine().PendingRequests();
        for (auto r = pending.rbegin(); r != pending.rend(); ++r) {
            if (r->retriesLeft >= 0)
                return *r;
        }
        return {};
    }

    // Starts the re-shoot of the checked periodic mode as its countdown
    // reaching 0 would, without waiting ten seconds for the worker.
    static void CountdownReachesZero(TForm1& form)
    {
        while (form.Engine().Scheduler().Countdown() != 1)
            form.Engine().Scheduler().CountdownTick();
        form.Engine().Scheduler().CountdownTick();
    }

    // Gives the agent a thirteenth interface (ifIndex 13, "eth13", counters
    // 13). snmpsim reads a data file anew once its time stamp has moved on.
    void AddInterface13()
    {
        QFile source(QString::fromStdString(vxtest::TSnmpsimAgent::DefaultDataFolder())
                     + "/integration.snmprec");
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(source.readAll()).split('\n', Qt::SkipEmptyParts);
        const struct {
            QString column;
            const char* record;
        } added[] = {
            {kIfIndex, "|2|13"}, {kIfDescr, "|4|eth13"}, {kIfInOctets, "|65|13"}, {kIfOutOctets, "|65|13"}};
        for (const auto& a : added) {
            const QString row12 = a.column + ".12|";
            const auto at = std::find_if(lines.begin(), lines.end(),
                                         [&](const QString& l) { return l.startsWith(row12); });
            ASSERT_NE(at, lines.end()) << row12.toStdString();
            lines.insert(at + 1, a.column + ".13" + QLatin1String(a.record));
        }
        agent->AddDataFile(kIntegrationCommunity.toStdString(), (lines.join('\n') + '\n').toStdString());
        const std::filesystem::path file = agent->Folder() + "/data/integration.snmprec";
        std::filesystem::last_write_time(file,
                                         std::filesystem::last_write_time(file) + std::chrono::seconds(5));
    }

    TMessageCapture messages;
    std::unique_ptr<vxtest::TSnmpsimAgent> agent;
    TVexgridFiles files;
    std::unique_ptr<TShootCounter> shoots;
};

// Counts what a refill must not do to the rows, and which rows it rewrote,
// while it lives.
struct TRowWatch : QObject {
    int inserted = 0;
    int removed = 0;
    int resets = 0;
    QSet<int> changedRows;

    explicit TRowWatch(TResultTable& table)
    {
        connect(&table, &QAbstractItemModel::rowsInserted, this, [this] { ++inserted; });
        connect(&table, &QAbstractItemModel::rowsRemoved, this, [this] { ++removed; });
        connect(&table, &QAbstractItemModel::modelReset, this, [this] { ++resets; });
        connect(&table, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    for (int row = from.row(); row <= to.row(); ++row)
                        changedRows.insert(row);
                });
    }
};

}  // namespace

TEST_F(InstanceTable, OneRowPerInstanceStartingWithTheWalkValue)
{
    auto form = OpenWindow(FourColumns());
    const TResultTable& table = form->ResultTable();
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "Index");
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "ifIndex");
    EXPECT_EQ(table.headerData(5, Qt::Horizontal).toString(), "ifOutOctets");
    EXPECT_EQ(Column(*form, 1), kIndexes);
    EXPECT_EQ(Column(*form, 2), kDescrs);  // a two-line value joined into one cell
    for (int row = 0; row < table.rowCount(); ++row)
        EXPECT_EQ(table.IndexText(row), kIndexes.value(row)) << "ifTable's INDEX is ifIndex";
    // Made while the table was empty, the columns are widened to their texts
    // when the first shoot is in: "uplink core" is not cut off.
    for (int column = 1; column <= 5; ++column)
        EXPECT_GE(ColumnWidth(*form, column), TextWidth(*form, column)) << "column " << column;
    EXPECT_EQ(Column(*form, 3), kInOctets);
    EXPECT_EQ(Column(*form, 4), kOutOctets);
    EXPECT_EQ(form->StatusPanels().EntryCountText(), "#Entries 12");
    EXPECT_EQ(form->StatusPanels().StatusMessage(), "");  // "Instance .12 detected" cleared
    EXPECT_TRUE(form->Widgets().Shootagain2->isEnabled());
    EXPECT_FALSE(form->Widgets().Panel1->isVisible());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(InstanceTable, NowDuringTheFirstWalkGivesOneCleanTable)
{
    // "Shoot again" is enabled while the first shoot runs; a "Now..." before
    // any answer is in replaces the first walk, whose answers are dropped.
    TForm1 form(XmlArgs(File(FourColumns())));
    TShootCounter counter(form);
    form.Widgets().Now1->trigger();
    EXPECT_FALSE(form.Widgets().Shootagain2->isEnabled());
    ShowWindow(form);
    ASSERT_TRUE(counter.WaitFor(1));
    PumpFor(300);
    EXPECT_EQ(counter.Count(), 1);
    EXPECT_EQ(Column(form, 1), kIndexes);
    EXPECT_EQ(Column(form, 4), kOutOctets);
    EXPECT_EQ(form.StatusPanels().EntryCountText(), "#Entries 12");
}

TEST_F(InstanceTable, HeaderClicksSortAndTheSortSurvivesAReshoot)
{
    auto form = OpenWindow(FourColumns());
    const TResultTable& table = form->ResultTable();

    ClickHeader(*form, 4);
    EXPECT_EQ(Column(*form, 1), kByInOctets);
    EXPECT_EQ(table.HeaderImage(4), 4);
    EXPECT_FALSE(table.headerData(4, Qt::Horizontal, Qt::DecorationRole).isNull());
    EXPECT_TRUE(table.headerData(3, Qt::Horizontal, Qt::DecorationRole).isNull());

    ClickHeader(*form, 4);
    EXPECT_EQ(Column(*form, 1), Reversed(kByInOctets));
    EXPECT_EQ(table.HeaderImage(4), 5);

    ClickHeader(*form, 3);
    EXPECT_EQ(Column(*form, 1), kByDescr);
    EXPECT_EQ(table.HeaderImage(3), 4);
    EXPECT_EQ(table.HeaderImage(4), -1);

    ClickHeader(*form, 5);
    EXPECT_EQ(Column(*form, 1), kByOutOctetsText);
    ClickHeader(*form, 0);  // ".." does not sort
    EXPECT_EQ(table.SortColumn(), 5);

    // Back to ifInOctets descending, then a re-shoot: the rows are updated
    // where they are, none is inserted, and the sort holds once the shoot is
    // over. A column the user made narrow stays so.
    ClickHeader(*form, 4);
    ClickHeader(*form, 4);
    form->Widgets().ListView1->header()->resizeSection(3, 30);
    QStringList arrival;
    const QMetaObject::Connection watch = QObject::connect(
        &table, &QAbstractItemModel::rowsInserted, form.get(), [&](const QModelIndex&, int first, int last) {
            // Rows reach the view in batches; each batch in arrival order.
            for (int row = first; row <= last; ++row)
                arrival.append(table.Cell(row, 1));
        });
    form->Widgets().Now1->trigger();
    const bool finished = shoots->WaitFor(2);
    QObject::disconnect(watch);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(arrival.isEmpty()) << arrival.join(' ').toStdString();
    EXPECT_EQ(Column(*form, 1), Reversed(kByInOctets));
    EXPECT_EQ(table.HeaderImage(4), 5);
    EXPECT_EQ(form->StatusPanels().EntryCountText(), "#Entries 12");
    EXPECT_EQ(ColumnWidth(*form, 3), 30);
}

TEST_F(InstanceTable, RtMaskFillsTheInstanceMaskBoxAndShootsNoRows)
{
    auto form = OpenWindow({{kIfIndex, ""}, {"IM=RT", ""}, {kIfDescr, ""}});
    EXPECT_TRUE(form->Widgets().Panel1->isVisible());
    QStringList items;
    for (int i = 0; i < form->Widgets().ComboBox1->count(); ++i)
        items.append(form->Widgets().ComboBox1->itemText(i));
    EXPECT_EQ(items, kIndexes);
    EXPECT_EQ(form->Widgets().ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form->ResultTable().rowCount(), 0);
    EXPECT_EQ(form->StatusPanels().EntryCountText(), "#Entries 0");
    EXPECT_TRUE(form->Widgets().Shootagain2->isEnabled());
    EXPECT_EQ(form->Widgets().ListView1->geometry().top(), form->Widgets().Panel1->geometry().bottom() + 1);
    // The caption is not covered by the box, whatever the font.
    const QLabel* caption = form->Widgets().Panel1->Label1;
    EXPECT_GE(caption->width(), caption->sizeHint().width());
    EXPECT_GT(form->Widgets().ComboBox1->geometry().left(), caption->geometry().right());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(InstanceTable, PeriodicModesRefillInPlaceOrRediscoverAndNowUnchecksThem)
{
    auto form = OpenWindow(FourColumns());
    TShootEngine& engine = form->Engine();
    TResultTable& table = form->ResultTable();
    ClickHeader(*form, 4);

    // Keep mode: the known instances are asked again and their rows are
    // rewritten in place; no discovery walk, no row added or removed, even
    // though the agent now has one interface more.
    AddInterface13();
    form->Widgets().Every10secondskeepinstances1->trigger();
    EXPECT_TRUE(form->Widgets().Every10secondskeepinstances1->isChecked());
    const int idsBefore = engine.LastRequestId();
    {
        TRowWatch watch(table);
        CountdownReachesZero(*form);
        EXPECT_EQ(form->StatusPanels().CountdownText(), "0");
        EXPECT_FALSE(form->Widgets().Shootagain2->isEnabled());
        const TRequest first = LastOpenRequest(*form);
        EXPECT_EQ(first.requestKind, kRequestGet);
        EXPECT_EQ(first.oidList, kIfDescr + ".1" + kItemSeparator + kIfInOctets + ".1" + kItemSeparator
                                     + kIfOutOctets + ".1" + kItemSeparator);
        ASSERT_TRUE(shoots->WaitFor(2));
        EXPECT_EQ(watch.inserted + watch.removed + watch.resets, 0);
        EXPECT_EQ(watch.changedRows.size(), 12);
    }
    EXPECT_EQ(engine.LastRequestId() - idsBefore, 12);  // one Get per instance
    EXPECT_EQ(Column(*form, 1), kByInOctets);
    EXPECT_EQ(Column(*form, 4).count("error: noSuchInstance"), 1);
    EXPECT_EQ(form->StatusPanels().EntryCountText(), "#Entries 12");
    EXPECT_TRUE(form->Widgets().Shootagain2->isEnabled());
    EXPECT_TRUE(form->Widgets().Every10secondskeepinstances1->isChecked());

    // Reread mode: the instances are walked anew, which finds the new
    // interface; the rows stay on screen meanwhile.
    form->Widgets().Every10secRefreshinstancesalso1->trigger();
    EXPECT_FALSE(form->Widgets().Every10secondskeepinstances1->isChecked());
    CountdownReachesZero(*form);
    EXPECT_EQ(table.rowCount(), 12);
    const TRequest walk = LastOpenRequest(*form);
    EXPECT_EQ(walk.requestKind, kRequestGetNext);
    EXPECT_EQ(walk.purpose, kPurposeDiscovery);
    EXPECT_EQ(walk.oidList, kIfIndex + kItemSeparator);
    ASSERT_TRUE(shoots->WaitFor(3));
    QStringList with13 = kByInOctets;
    with13.insert(3, "13");  // ifInOctets 13, between 10 and 75
    EXPECT_EQ(Column(*form, 1), with13);
    EXPECT_EQ(form->StatusPanels().EntryCountText(), "#Entries 13");

    // "Now..." shoots once and leaves no mode checked; the next tick empties
    // the countdown panel.
    form->Widgets().Now1->trigger();
    for (QAction* mode : {form->Widgets().Now1, form->Widgets().Every10secondskeepinstances1,
                          form->Widgets().Every10secRefreshinstancesalso1})
        EXPECT_FALSE(mode->isChecked()) << mode->text().toStdString();
    ASSERT_TRUE(shoots->WaitFor(4));
    engine.Scheduler().CountdownTick();
    EXPECT_EQ(form->StatusPanels().CountdownText(), "");
    EXPECT_EQ(Column(*form, 1), with13);
}
