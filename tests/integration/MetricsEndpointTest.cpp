// The metrics endpoint of a real window watching snmpd's interfaces table,
// scraped every second by a real Prometheus.
#include "IntegrationSupport.h"
#include "TScrapeServers.h"

#include "engine/ResultStore.h"
#include "metrics/MetricsOptions.h"
#include "metrics/MetricsServer.h"
#include "metrics/ModuleExport.h"
#include "table/ViewOptions.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");

// snmpd on a free port, views of its tables, and a window serving a view's
// metrics on a free port.
class MetricsEndpoint : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent = NewSnmpd();
        ASSERT_TRUE(agent->Start());
    }
    void TearDown() override { SaveViewOptions(TViewOptions()); }

    // A table view of the agent: the columns of entry named by their numbers.
    QString TableView(const QString& name, const QString& entry, const QList<int>& columns)
    {
        QList<TVexgridTarget> targets;
        for (const int column : columns)
            targets.append({entry + QString::number(column), QString()});
        return files.Write(name, {agent->Port(), 2}, targets);
    }
    // Opens a window on view serving on metricsPort (the window before it is
    // closed); FirstShoot shows it and waits for its first shoot.
    void OpenServing(const QString& view)
    {
        form.reset();
        metricsPort = vxtest::FreeTcpPort();
        form = std::make_unique<TForm1>(XmlArgs(view) << "--metrics" << QString::number(metricsPort));
        shoots = std::make_unique<TShootCounter>(*form);
    }
    bool FirstShoot()
    {
        ShowWindow(*form);
        return shoots->WaitFor(1);
    }

    std::unique_ptr<vxtest::TSnmpdAgent> agent;
    TVexgridFiles files;
    int metricsPort = 0;
    std::unique_ptr<TShootCounter> shoots;  // declared before the window, which goes first
    std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(MetricsEndpoint, PrometheusReadsTheStoresValuesAndSeesTheAgentGoSilent)
{
    TViewOptions options;
    options.intervalSeconds = 2;
    SaveViewOptions(options);
    const QString path = TableView("if.xml", kIfEntry, {1, 2, 10});
    // ifInOctets of ifIndex 1 as the store held it at the end of each shoot,
    // from the first shoot on.
    QSet<QString> octets;
    OpenServing(path);
    EXPECT_EQ(form->Widgets().MetricsLabel->text(),
              QStringLiteral("Serving metrics on 127.0.0.1:%1").arg(metricsPort));
    QObject::connect(&form->ResultStore(), &TResultStore::ShootFinished, form.get(), [&] {
        for (const TResultRow& row : form->ResultStore().Rows())
            if (row.cells.size() == 3 && row.cells[0].now.text == "1")
                octets.insert(row.cells[2].now.text);
    });
    ASSERT_TRUE(FirstShoot());
    form->Widgets().Every10secondskeepinstances1->trigger();

    vxtest::TPrometheus prometheus;
    ASSERT_TRUE(prometheus.Start(QStringLiteral("127.0.0.1:%1").arg(metricsPort)));
    // Hang guards: a scrape a second, a shoot every two.
    std::optional<QString> seen;
    EXPECT_TRUE(PumpUntil(
        [&] {
            seen = prometheus.Query(R"(ifInOctets{ifIndex="1"})");
            return seen && octets.contains(*seen);
        },
        30000))
        << seen.value_or("no sample").toStdString();
    EXPECT_TRUE(PumpUntil([&] { return prometheus.Query("vexgrid_up") == "1"; }, 30000));
    const int shotBefore = shoots->Count();
    agent->Stop();
    // One interval plus the time-out of five sends, a scrape, and some to spare.
    EXPECT_TRUE(PumpUntil([&] { return prometheus.Query("vexgrid_up") == "0"; }, 2000 + 10000 + 1000 + 10000))
        << prometheus.Log().toStdString();
    EXPECT_GT(shoots->Count(), shotBefore) << "the window keeps shooting while it is scraped";
}

TEST_F(MetricsEndpoint, EndpointKeptForAVexgridFileServesWhileItsViewIsOpen)
{
    const QString served = files.Write("served.xml", {vxtest::FreeUdpPort(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}});
    const QString other = files.Write("other.xml", {vxtest::FreeUdpPort(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}});
    const TMetricsEndpoint endpoint{QHostAddress(QStringLiteral("127.0.0.2")),
                                    quint16(vxtest::FreeTcpPort())};
    SaveMetricsEndpoint(served, endpoint);
    TForm1 window(XmlArgs(served));
    EXPECT_TRUE(window.Metrics().IsListening());
    EXPECT_EQ(window.Widgets().MetricsLabel->text(),
              QStringLiteral("Serving metrics on 127.0.0.2:%1").arg(endpoint.port));
    ASSERT_TRUE(window.OpenVexgridFile(other));
    EXPECT_FALSE(window.Metrics().IsListening());
    EXPECT_TRUE(window.Widgets().MetricsLabel->isHidden());
    SaveMetricsEndpoint(served, std::nullopt);
}

namespace {

// The samples of an exposition text by series (name and labels), without
// the scrapers' figures about themselves.
QMap<QString, double> Samples(const QByteArray& text)
{
    QMap<QString, double> samples;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("snmp_") || line.startsWith("vexgrid_"))
            continue;
        const qsizetype space = line.lastIndexOf(' ');
        samples.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1).toDouble());
    }
    return samples;
}

}  // namespace

// The modules of three views in one snmp.yml: the interfaces table (a
// TimeTicks column, a PhysAddress in hex), hrStorageTable (an object
// identifier column) and ipAddrTable (its rows' IpAddress INDEX decoded).
TEST_F(MetricsEndpoint, ExportedModuleGivesTheExporterTheEndpointsSeriesAndValues)
{
    const struct {
        const char* file;
        const char* module;
        QString entry;
        QList<int> columns;
        QStringList moving;  // objects whose values move on between the two reads
        int atLeast;         // samples
    } views[] = {
        {"If table.xml", "if_table", kIfEntry, {1, 2, 3, 4, 6, 8, 9, 10}, {"ifInOctets"}, 8},
        {"Storage.xml",
         "storage",
         QStringLiteral("1.3.6.1.2.1.25.2.3.1."),
         {1, 2, 3, 4, 5, 6, 7},
         {"hrStorageSize", "hrStorageUsed", "hrStorageAllocationFailures"},
         7},
        {"Addresses.xml", "addresses", QStringLiteral("1.3.6.1.2.1.4.20.1."), {1, 2, 3, 4, 5}, {}, 5},
    };
    QTemporaryDir out;
    QByteArray modules;
    for (const auto& view : views) {
        const QString module = out.filePath(QString::fromLatin1(view.module) + ".yml");
        ASSERT_EQ(ExportView(XmlArgs(TableView(view.file, view.entry, view.columns)),
                             {TViewExport::ExporterModule, module}),
                  QString());
        QFile file(module);
        EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0)
            << "it holds the community";
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        modules += file.readAll();
    }
    vxtest::TSnmpExporter exporter;
    ASSERT_TRUE(exporter.Start(modules));

    for (const auto& view : views) {
        SCOPED_TRACE(view.file);
        OpenServing(TableView(view.file, view.entry, view.columns));
        ASSERT_TRUE(FirstShoot());
        std::optional<QByteArray> ours;
        ASSERT_TRUE(PumpUntil([&] {
            ours = vxtest::HttpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(metricsPort));
            return ours && ours->contains("# TYPE");
        }));
        const auto theirs = exporter.Scrape(view.module, QStringLiteral("127.0.0.1:%1").arg(agent->Port()));
        ASSERT_TRUE(theirs) << exporter.Log().toStdString();
        const QMap<QString, double> endpoint = Samples(*ours), snmpExporter = Samples(*theirs);
        EXPECT_GE(endpoint.size(), view.atLeast) << "a row at least";
        EXPECT_EQ(endpoint.keys(), snmpExporter.keys()) << ours->toStdString() << theirs->toStdString();
        for (auto sample = endpoint.cbegin(); sample != endpoint.cend(); ++sample) {
            if (!view.moving.contains(sample.key().section(QLatin1Char('{'), 0, 0))) {
                EXPECT_EQ(sample.value(), snmpExporter.value(sample.key())) << sample.key().toStdString();
            }
        }
    }
}

// The module of an SNMPv3 view holds its passwords only when "Include
// passwords" is ticked in the save dialog; the box is off at first.
TEST_F(MetricsEndpoint, ModuleHoldsPasswordsOnlyWhenIncludePasswordsIsTicked)
{
    QString path = files.Write("v3.xml", {vxtest::FreeUdpPort(), 2}, {{kIfEntry + "2", ""}});
    QFile view(path);
    ASSERT_TRUE(view.open(QIODevice::ReadOnly));
    QByteArray xml = view.readAll();
    view.close();
    xml.replace("<snmpversion>2</snmpversion>",
                "<snmpversion>3</snmpversion><user>ops</user><securitylevel>authpriv</securitylevel>"
                "<authprotocol>sha</authprotocol><authpassword>authsecret1</authpassword>"
                "<privprotocol>aes</privprotocol><privpassword>privsecret1</privpassword>");
    ASSERT_TRUE(view.open(QIODevice::WriteOnly | QIODevice::Truncate));
    view.write(xml);
    view.close();
    view.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    TForm1 window(XmlArgs(path));
    QTemporaryDir out;
    const struct {
        bool tick;
        const char* present;
        const char* absent;
    } cases[] = {
        {false, "password: \"CHANGE_ME\"", "secret1"},
        {true, "    password: \"authsecret1\"\n    priv_protocol: AES\n    priv_password: \"privsecret1\"\n",
         "CHANGE_ME"},
    };
    for (const auto& c : cases) {
        const QString module = out.filePath(c.tick ? "ticked.yml" : "unticked.yml");
        std::optional<bool> offAtFirst;
        QTimer answer;  // answers the dialog once it is up
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("IncludePasswords"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            offAtFirst = box && !box->isChecked() && box->isEnabled();
            if (box && name) {
                box->setChecked(c.tick);
                name->setText(module);  // typed into the name field, as a user would
            }
            QMetaObject::invokeMethod(dialog, box && name ? "accept" : "reject");
        });
        answer.start(20);
        window.Widgets().ExportModule1->trigger();
        answer.stop();
        EXPECT_EQ(offAtFirst, std::optional<bool>(true)) << "the box is open and off at first";
        QFile file(module);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << module.toStdString();
        const QByteArray text = file.readAll();
        EXPECT_TRUE(text.contains(c.present)) << text.toStdString();
        EXPECT_FALSE(text.contains(c.absent)) << text.toStdString();
    }
}
