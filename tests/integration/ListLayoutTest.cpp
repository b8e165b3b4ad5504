// The list layout through the real main window: a vexgrid file of fixed OIDs
// against snmpd and snmpsim, and the single-target walk of the interfaces
// table, compared with what snmpwalk reads from the same agent.
#include "IntegrationSupport.h"
#include "QtPrinters.h"
#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kSystem = QStringLiteral("1.3.6.1.2.1.1");

// Twenty scalars of snmpd in v2c: the system group (with sysORLastChange,
// which the name table does not know, and an object the agent does not have),
// then ip, tcp, udp and snmp scalars. Each with its expected description.
const struct {
    const char* oid;
    const char* description;
} kTwentyScalars[] = {
    {"1.3.6.1.2.1.1.1", "sysDescr.0"},
    {"1.3.6.1.2.1.1.2", "sysObjectID.0"},
    {"1.3.6.1.2.1.1.3", "sysUpTime.0"},
    {"1.3.6.1.2.1.1.4", "sysContact.0"},
    {"1.3.6.1.2.1.1.5", "sysName.0"},
    {"1.3.6.1.2.1.1.6", "sysLocation.0"},
    {"1.3.6.1.2.1.1.7", "sysServices.0"},
    {"1.3.6.1.2.1.1.8", "sysORLastChange.0"},  // named by the built-in SNMPv2-MIB
    {"1.3.6.1.2.1.1.99", "system.99.0"},       // no such object on the agent
    {"1.3.6.1.2.1.2.1", "ifNumber.0"},
    {"1.3.6.1.2.1.4.1", "ipForwarding.0"},
    {"1.3.6.1.2.1.4.2", "ipDefaultTTL.0"},
    {"1.3.6.1.2.1.4.3", "ipInReceives.0"},
    {"1.3.6.1.2.1.6.1", "tcpRtoAlgorithm.0"},
    {"1.3.6.1.2.1.6.2", "tcpRtoMin.0"},
    {"1.3.6.1.2.1.6.3", "tcpRtoMax.0"},
    {"1.3.6.1.2.1.6.4", "tcpMaxConn.0"},
    {"1.3.6.1.2.1.7.1", "udpInDatagrams.0"},
    {"1.3.6.1.2.1.11.1", "snmpInPkts.0"},
    {"1.3.6.1.2.1.11.30", "snmpEnableAuthenTraps.0"},
};

QList<TVexgridTarget> TwentyScalars()
{
    QList<TVexgridTarget> targets;
    for (const auto& s : kTwentyScalars)
        targets.append({QLatin1String(s.oid), QStringLiteral(".0")});
    return targets;
}

QStringList TwentyDescriptions()
{
    QStringList names;
    for (const auto& s : kTwentyScalars)
        names.append(QLatin1String(s.description));
    return names;
}

// The 22 columns of ifEntry by their number.
const QStringList kIfEntryColumns = {
    "ifIndex",       "ifDescr",        "ifType",          "ifMtu",         "ifSpeed",
    "ifPhysAddress", "ifAdminStatus",  "ifOperStatus",    "ifLastChange",  "ifInOctets",
    "ifInUcastPkts", "ifInNUcastPkts", "ifInDiscards",    "ifInErrors",    "ifInUnknownProtos",
    "ifOutOctets",   "ifOutUcastPkts", "ifOutNUcastPkts", "ifOutDiscards", "ifOutErrors",
    "ifOutQLen",     "ifSpecific"};

// What net-snmp's snmpwalk finds under ifEntry, as readable names
// ("ifIndex.1"); empty when snmpwalk fails.
QStringList SnmpwalkIfEntryNames(int port)
{
    QProcess walk;
    walk.start(QStringLiteral("snmpwalk"), {"-v1", "-c", "tamvel", "-On", "-Oq",
                                            QStringLiteral("127.0.0.1:%1").arg(port), "1.3.6.1.2.1.2.2.1"});
    if (!walk.waitForFinished(10000) || walk.exitCode() != 0)
        return {};
    QStringList names;
    static const QRegularExpression line(
        QStringLiteral("^\\.1\\.3\\.6\\.1\\.2\\.1\\.2\\.2\\.1\\.(\\d+)(\\.\\S+)"));
    for (const QString& text : QString::fromLatin1(walk.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            names.append(kIfEntryColumns.value(m.captured(1).toInt() - 1) + m.captured(2));
    }
    return names;
}

// Rows that start an entry (image 27); a multi-line value adds rows after it.
QStringList EntryDescriptions(TForm1& form)
{
    QStringList names;
    const TResultTable& table = form.ResultTable();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.RowImage(row) == TResultTable::imageEntryStart)
            names.append(table.Cell(row, 1));
    }
    return names;
}

bool IsDecimal(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?\\d+$"));
    return decimal.match(text).hasMatch();
}

}  // namespace

TEST(ListLayout, TwentyScalarsShowNamesAndValuesOnceBothRequestsAreIn)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("twenty.xml", {agent->Port(), 2}, TwentyScalars());

    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    // The first shoot is out as one request of 15 OIDs and one of 5.
    {
        const std::vector<TRequest> pending = form.Engine().PendingRequests();
        ASSERT_EQ(pending.size(), 2u);
        EXPECT_EQ(CountSeparators(pending.front().oidList), 15);
        EXPECT_EQ(CountSeparators(pending.back().oidList), 5);
    }
    // Rows appear only when both requests have their answers.
    int openAtFirstRow = -1;
    const QMetaObject::Connection watch =
        QObject::connect(&form.ResultTable(), &QAbstractItemModel::rowsInserted, &form, [&] {
            if (openAtFirstRow < 0)
                openAtFirstRow = OpenRequests(form);
        });
    ShowWindow(form);
    const bool finished = shoots.WaitFor(1);
    QObject::disconnect(watch);
    ASSERT_TRUE(finished);
    EXPECT_EQ(openAtFirstRow, 0);

    EXPECT_EQ(form.ResultTable().headerData(1, Qt::Horizontal).toString(), "Description ... ");
    EXPECT_EQ(form.ResultTable().headerData(2, Qt::Horizontal).toString(), "Value");
    EXPECT_EQ(Column(form, 1), TwentyDescriptions());
    const QStringList values = Column(form, 2);
    ASSERT_EQ(values.size(), 20);
    EXPECT_EQ(values[0], "Integration snmpd");
    EXPECT_EQ(values[1], "1.3.6.1.4.1.8072.3.2.10");
    EXPECT_TRUE(IsDecimal(values[2])) << values[2].toStdString();  // sysUpTime in ticks
    EXPECT_EQ(values[3], "noc@example.org");
    EXPECT_EQ(values[4], "vexgrid-box");
    EXPECT_EQ(values[5], "Lab rack 7");
    EXPECT_EQ(values[6], "72");
    EXPECT_EQ(values[8], "error: noSuchObject");  // v2c: an absent object is a value
    EXPECT_EQ(values[11], "64");
    for (int i : {9, 12, 13, 14, 15, 16, 17, 18, 19})
        EXPECT_TRUE(IsDecimal(values[i]))
            << TwentyDescriptions()[i].toStdString() << " = " << values[i].toStdString();
    // A list shoot never writes the entries panel, nor disables "Shoot again".
    EXPECT_EQ(form.StatusPanels().EntryCountText(), "");
    EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());

    // "Now..." asks all twenty again and updates the rows in place: they
    // stay on screen meanwhile.
    const int idsBefore = form.Engine().LastRequestId();
    form.Widgets().Now1->trigger();
    EXPECT_EQ(form.ResultTable().rowCount(), 20);
    EXPECT_EQ(OpenRequests(form), 2);
    EXPECT_EQ(form.Engine().LastRequestId(), idsBefore + 2);
    EXPECT_FALSE(form.Widgets().Now1->isChecked());
    ASSERT_TRUE(shoots.WaitFor(2));
    EXPECT_EQ(Column(form, 1), TwentyDescriptions());
    EXPECT_EQ(Column(form, 2)[4], "vexgrid-box");
}

TEST(ListLayout, MultiLineValuesGiveOneRowPerLine)
{
    auto agent = NewSnmpsim();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("lines.xml", {agent->Port(), 1, kIntegrationCommunity},
                                     {{kSystem + ".1", ".0"},  // three lines
                                      {kSystem + ".4", ".0"},  // a line, an empty line, a line
                                      {kSystem + ".5", ".0"},
                                      {kSystem + ".6", ".0"}});  // empty
    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));

    const TResultTable& table = form.ResultTable();
    const QStringList descriptions = {"sysDescr.0", "", "", "sysContact.0", "sysName.0", "sysLocation.0"};
    const QStringList values = {"Integration agent", "rack 4", "row B", "noc", "sim-box", ""};
    const QList<int> images = {27, 11, 11, 27, 27, 27};
    EXPECT_EQ(Column(form, 1), descriptions);
    EXPECT_EQ(Column(form, 2), values);
    for (int row = 0; row < table.rowCount(); ++row)
        EXPECT_EQ(table.RowImage(row), images.value(row)) << "row " << row;

    // The list layout's headers do not sort.
    ClickHeader(form, 2);
    EXPECT_EQ(table.SortColumn(), -1);
    EXPECT_EQ(Column(form, 2), values);
}

TEST(SingleTargetWalk, InterfacesTableRowsFollowTheWalkThenTheEntriesPanelCounts)
{
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    const QStringList expected = SnmpwalkIfEntryNames(agent->Port());
    ASSERT_GT(expected.size(), 22) << "snmpwalk did not read the agent's interfaces table";
    TVexgridFiles files;
    const QString path = files.Write("walk.xml", {agent->Port(), 1}, {{"1.3.6.1.2.1.2.2.1", ""}});

    TForm1 form(XmlArgs(path));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));

    // ifIndex.1, ifIndex.2, ..., then ifDescr.1, ...: the walk's order.
    EXPECT_EQ(EntryDescriptions(form), expected);
    EXPECT_EQ(Column(form, 1).first(), "ifIndex.1");
    EXPECT_GE(ColumnWidth(form, 1), TextWidth(form, 1));  // "ifOutNUcastPkts.1" is not cut off
    const int rows = form.ResultTable().rowCount();
    EXPECT_EQ(form.StatusPanels().EntryCountText(), QStringLiteral("#Entries %1").arg(rows));
    EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());

    // A walk-based re-shoot disables "Shoot again" and empties the entries
    // panel until the walk is over.
    form.Widgets().Now1->trigger();
    EXPECT_FALSE(form.Widgets().Shootagain2->isEnabled());
    EXPECT_EQ(form.StatusPanels().EntryCountText(), "");
    ASSERT_TRUE(shoots.WaitFor(2));
    EXPECT_EQ(EntryDescriptions(form), expected);
    EXPECT_TRUE(form.Widgets().Shootagain2->isEnabled());
    EXPECT_EQ(form.StatusPanels().EntryCountText(),
              QStringLiteral("#Entries %1").arg(form.ResultTable().rowCount()));
}
