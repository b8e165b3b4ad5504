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

#include <QLabel>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(MetricsEndpoint, PrometheusReadsTheStoresValuesAndSeesTheAgentGoSilent)
{
    const QString ifEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("if.xml", {agent->Port(), 2},
                                     {{ifEntry + "1", ""}, {ifEntry + "2", ""}, {ifEntry + "10", ""}});
    TViewOptions options;
    options.intervalSeconds = 2;
    SaveViewOptions(options);
    const int port = vxtest::FreeTcpPort();
    TForm1 form(XmlArgs(path) << "--metrics" << QString::number(port));
    EXPECT_EQ(form.MetricsLabel->text(), QStringLiteral("Serving metrics on 127.0.0.1:%1").arg(port));
    // ifInOctets of ifIndex 1 as the store held it at the end of each shoot.
    QSet<QString> octets;
    QObject::connect(&form.ResultStore(), &TResultStore::ShootFinished, &form, [&] {
        for (const TResultRow& row : form.ResultStore().Rows())
            if (row.cells.size() == 3 && row.cells[0].now.text == "1")
                octets.insert(row.cells[2].now.text);
    });
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    form.Every10secondskeepinstances1->trigger();

    vxtest::TPrometheus prometheus;
    ASSERT_TRUE(prometheus.Start(QStringLiteral("127.0.0.1:%1").arg(port)));
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
    const int shotBefore = shoots.Count();
    agent->Stop();
    // One interval plus the time-out of five sends, a scrape, and some to spare.
    EXPECT_TRUE(PumpUntil([&] { return prometheus.Query("vexgrid_up") == "0"; }, 2000 + 10000 + 1000 + 10000))
        << prometheus.Log().toStdString();
    EXPECT_GT(shoots.Count(), shotBefore) << "the window keeps shooting while it is scraped";
    SaveViewOptions(TViewOptions());
}

TEST(MetricsEndpoint, EndpointKeptForAVexgridFileServesWhileItsViewIsOpen)
{
    TVexgridFiles files;
    const QString served = files.Write("served.xml", {vxtest::FreeUdpPort(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}});
    const QString other = files.Write("other.xml", {vxtest::FreeUdpPort(), 2}, {{"1.3.6.1.2.1.1.5", ".0"}});
    const TMetricsEndpoint endpoint{QHostAddress(QStringLiteral("127.0.0.2")),
                                    quint16(vxtest::FreeTcpPort())};
    SaveMetricsEndpoint(served, endpoint);
    TForm1 form(XmlArgs(served));
    EXPECT_TRUE(form.Metrics().IsListening());
    EXPECT_EQ(form.MetricsLabel->text(),
              QStringLiteral("Serving metrics on 127.0.0.2:%1").arg(endpoint.port));
    ASSERT_TRUE(form.OpenVexgridFile(other));
    EXPECT_FALSE(form.Metrics().IsListening());
    EXPECT_TRUE(form.MetricsLabel->isHidden());
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

TEST(MetricsEndpoint, ExportedModuleGivesTheExporterTheEndpointsSeriesAndValues)
{
    const QString ifEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");
    auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start());
    TVexgridFiles files;
    const QString path = files.Write("If table.xml", {agent->Port(), 2},
                                     {{ifEntry + "1", ""},
                                      {ifEntry + "2", ""},
                                      {ifEntry + "3", ""},
                                      {ifEntry + "4", ""},
                                      {ifEntry + "8", ""},
                                      {ifEntry + "9", ""},  // TimeTicks
                                      {ifEntry + "10", ""}});
    QTemporaryDir out;
    const QString module = out.filePath("snmp.yml");
    ASSERT_EQ(ExportView(XmlArgs(path), {TViewExport::ExporterModule, module}), QString());
    QFile file(module);
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0)
        << "it holds the community";
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    vxtest::TSnmpExporter exporter;
    ASSERT_TRUE(exporter.Start(file.readAll()));

    const int port = vxtest::FreeTcpPort();
    TForm1 form(XmlArgs(path) << "--metrics" << QString::number(port));
    TShootCounter shoots(form);
    ShowWindow(form);
    ASSERT_TRUE(shoots.WaitFor(1));
    std::optional<QByteArray> ours;
    ASSERT_TRUE(PumpUntil([&] {
        ours = vxtest::HttpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port));
        return ours && ours->contains("ifIndex{");
    }));
    const auto theirs = exporter.Scrape("if_table", QStringLiteral("127.0.0.1:%1").arg(agent->Port()));
    ASSERT_TRUE(theirs) << exporter.Log().toStdString();
    const QMap<QString, double> endpoint = Samples(*ours), snmpExporter = Samples(*theirs);
    EXPECT_GE(endpoint.size(), 6) << "a row of six columns at least";
    EXPECT_EQ(endpoint.keys(), snmpExporter.keys()) << ours->toStdString() << theirs->toStdString();
    for (auto sample = endpoint.cbegin(); sample != endpoint.cend(); ++sample) {
        if (!sample.key().startsWith("ifInOctets")) {  // a counter moves on between the two
            EXPECT_EQ(sample.value(), snmpExporter.value(sample.key())) << sample.key().toStdString();
        }
    }
}
