// A sorted interfaces table through the real main window while the worker
// re-shoots it every second keeping its instances: counter rates and the
// selection stay with their interfaces, wherever the sort puts them.
#include "IntegrationSupport.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "TScriptedAgent.h"
#include "ui/Unit1.h"
#include "table/ViewOptions.h"

#include <QAction>
#include <QTreeView>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace {

const std::string kIfEntry = "1.3.6.1.2.1.2.2.1.";
const std::string kUpTime = "1.3.6.1.2.1.1.3.0";
// Interface n is called kNames[n-1]; by name they sort in neither walk
// order nor its reverse.
const std::vector<std::string> kNames = {"lo", "eth0", "wlan0", "br0", "tun0", "eth1"};

// An agent with the interfaces table's ifIndex, ifDescr and ifInOctets for
// kNames. Every read of interface n's ifInOctets finds n * 125000 octets more,
// every read of sysUpTime.0 a second more.
class TInterfacesAgent {
public:
    TInterfacesAgent()
        : agent([this](const TAgentRequest& request) {
              std::lock_guard guard(lock);
              TAgentAnswer answer;
              for (const std::string& oid : request.oids)
                  answer.push_back(request.getNext ? Next(oid) : Get(oid));
              return std::optional<TAgentAnswer>(answer);
          })
    {
    }
    TScriptedAgent agent;

private:
    // The walk of ifIndex; after the last interface comes ifDescr.1.
    vxsnmp::TBinding Next(const std::string& oid)
    {
        const std::string column = kIfEntry + "1";
        const std::size_t n = oid == column ? 0 : std::stoul(oid.substr(column.size() + 1));
        return Get(n < kNames.size() ? column + "." + std::to_string(n + 1) : kIfEntry + "2.1");
    }

    vxsnmp::TBinding Get(const std::string& oid)
    {
        if (oid == kUpTime)
            return {oid, 0x43, std::to_string(upTime += 100)};
        const std::size_t dot = oid.rfind('.');
        const std::size_t n = std::stoul(oid.substr(dot + 1));
        const std::string column = oid.substr(0, dot);
        if (n < 1 || n > kNames.size())
            return {oid, 0x81, ""};  // noSuchInstance
        if (column == kIfEntry + "1")
            return {oid, 0x02, std::to_string(n)};
        if (column == kIfEntry + "2")
            return TScriptedAgent::Text(oid, kNames[n - 1]);
        octets[n] += n * 125000;
        return {oid, 0x41, std::to_string(octets[n])};
    }

    std::mutex lock;
    std::uint64_t upTime = 1000;
    std::map<std::size_t, std::uint64_t> octets;
};

int RowOf(const TResultTable& table, const QString& instance)
{
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.InstanceSuffix(row) == instance)
            return row;
    }
    return -1;
}

}  // namespace

TEST(SortedLiveView, RatesAndSelectionStayWithTheirInterfacesThroughKeepModeReshoots)
{
    TInterfacesAgent interfaces;
    ASSERT_TRUE(interfaces.agent.Start());
    TVexgridFiles files;
    const QString entry = QString::fromStdString(kIfEntry);
    const QString path = files.Write("interfaces.xml", {interfaces.agent.Port(), 1},
                                     {{entry + "1", ""}, {entry + "2", ""}, {entry + "10", ""}});
    TViewOptions options;
    options.counterRates = true;
    options.intervalSeconds = 1;
    SaveViewOptions(options);
    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));

    const TResultTable& table = form.ResultTable();
    ClickHeader(form, 3);  // ifDescr, after "..", "Index" and ifIndex
    ClickHeader(form, 3);  // descending
    ASSERT_EQ(table.SortColumn(), 3);
    ASSERT_FALSE(table.SortAscending());
    QTreeView& view = *form.Widgets().ListView1;
    view.setCurrentIndex(table.index(RowOf(table, "2"), 4));  // eth0's ifInOctets
    form.Widgets().Every10secondskeepinstances1->trigger();

    const QStringList byName = {"wlan0", "tun0", "lo", "eth1", "eth0", "br0"};
    for (int shoot = 2; shoot <= 6; ++shoot) {
        SCOPED_TRACE(testing::Message() << "shoot " << shoot);
        ASSERT_TRUE(shoots.WaitFor(shoot));  // the worker's countdown shoots
        ASSERT_EQ(Column(form, 2), byName);
        for (int row = 0; row < table.rowCount(); ++row) {
            const int n = table.InstanceSuffix(row).toInt();
            EXPECT_EQ(table.Cell(row, 2), QString::fromStdString(kNames[static_cast<std::size_t>(n - 1)]));
            EXPECT_TRUE(table.ShownText(row, 3).endsWith("bit/s")) << table.ShownText(row, 3).toStdString();
        }
        EXPECT_EQ(table.InstanceSuffix(view.currentIndex().row()), QStringLiteral("2"));
        EXPECT_EQ(view.currentIndex().column(), 4);
        const QModelIndexList selected = view.selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected[0].row(), view.currentIndex().row());
    }
    EXPECT_TRUE(form.Engine().RowCursor().Refilling()) << "the re-shoots refilled the known rows";
    SaveViewOptions(TViewOptions());
}
