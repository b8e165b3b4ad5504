#include "metrics/Exposition.h"

#include "names/MibNames.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");

TResultCell Cell(const QString& oid, int type, const QString& text)
{
    TResultCell cell;
    cell.oid = oid;
    cell.now.text = text;
    cell.now.type = type;
    return cell;
}

// A v2c interfaces view of two rows, one of its cells unanswered and one
// stale, and a view whose instances decode into several INDEX objects.
class ExpositionTest : public ::testing::Test {
protected:
    static TMetricsSnapshot Interfaces()
    {
        TMetricsSnapshot snapshot;
        snapshot.names = TMibNames::BuiltIn();
        for (const QString& index : {QStringLiteral("1"), QStringLiteral("2")}) {
            TResultRow row;
            row.cells = {Cell(kIfEntry + "1." + index, snmptype::kInteger, index),
                         Cell(kIfEntry + "2." + index, snmptype::kOctetString,
                              index == "1" ? QStringLiteral("lo") : QStringLiteral("eth \"0\"\\")),
                         Cell(kIfEntry + "10." + index, snmptype::kCounter32, index + "234"),
                         Cell(kIfEntry + "16." + index, snmptype::kCounter32, "77"),
                         Cell(kIfEntry + "8." + index, snmptype::kInteger, "1")};
            snapshot.rows.append(row);
        }
        snapshot.rows[1].cells[3].now.type = snmptype::kNoAnswer;  // "Null"
        snapshot.rows[1].cells[4].stale = true;
        return snapshot;
    }
    static TMetricsSnapshot DecodedIndexes()
    {
        TMetricsSnapshot snapshot;
        snapshot.names = TMibNames::BuiltIn();
        TResultRow row;
        row.cells = {Cell("1.3.6.1.2.1.4.20.1.2.127.0.0.1", snmptype::kInteger, "1"),
                     Cell("1.3.6.1.2.1.6.13.1.1.127.0.0.1.22.10.0.0.5.50000", snmptype::kInteger, "5"),
                     Cell("1.3.6.1.2.1.1.5.0", snmptype::kOctetString, "box"),
                     Cell("1.3.6.1.4.1.99999.7.1", snmptype::kGauge32, "3")};
        snapshot.rows.append(row);
        return snapshot;
    }
};

TEST_F(ExpositionTest, PromtoolAcceptsTheTextFormat)
{
    const QString promtool = QStandardPaths::findExecutable("promtool");
    ASSERT_FALSE(promtool.isEmpty()) << "promtool is missing (Debian package prometheus)";
    for (const TMetricsSnapshot& snapshot : {Interfaces(), DecodedIndexes()}) {
        const QByteArray text = RenderValues(snapshot, TExpositionFormat::PrometheusText)
                              + RenderStatus({true, 1700000000123, 42}, TExpositionFormat::PrometheusText);
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        check.write(text);
        check.closeWriteChannel();
        ASSERT_TRUE(check.waitForFinished(30000));
        // 1 is a parse error; 3 lists lint findings, of which only the
        // naming the SNMP scrapers' dashboards rely on may be there.
        EXPECT_NE(check.exitCode(), 1) << check.readAllStandardError().toStdString() << text.toStdString();
        for (const QByteArray& line : check.readAllStandardError().split('\n')) {
            EXPECT_TRUE(line.isEmpty() || line.contains("'snake_case'") || line.contains("\"_total\" suffix"))
                << line.toStdString();
        }
    }
}

TEST_F(ExpositionTest, SamplesAreNamedByMibObjectsAndIndexes)
{
    const struct {
        TMetricsSnapshot snapshot;
        TExpositionFormat format;
        const char* line;
        bool present;
    } cases[] = {
        {Interfaces(), TExpositionFormat::PrometheusText, "# TYPE ifInOctets counter\n", true},
        {Interfaces(), TExpositionFormat::PrometheusText, "\nifInOctets{ifIndex=\"2\"} 2234\n", true},
        {Interfaces(), TExpositionFormat::OpenMetrics, "\nifInOctets_total{ifIndex=\"2\"} 2234\n", true},
        {Interfaces(), TExpositionFormat::PrometheusText, "# TYPE ifOperStatus gauge\n", true},
        {Interfaces(), TExpositionFormat::PrometheusText, "\nifDescr{ifDescr=\"lo\",ifIndex=\"1\"} 1\n",
         true},
        {Interfaces(), TExpositionFormat::PrometheusText,
         "ifDescr{ifDescr=\"eth \\\"0\\\"\\\\\",ifIndex=\"2\"} 1", true},
        {Interfaces(), TExpositionFormat::PrometheusText, "ifOutOctets{ifIndex=\"2\"}", false},   // Null
        {Interfaces(), TExpositionFormat::PrometheusText, "ifOperStatus{ifIndex=\"2\"}", false},  // stale
        {DecodedIndexes(), TExpositionFormat::PrometheusText,
         "\nipAdEntIfIndex{ipAdEntAddr=\"127.0.0.1\"} 1\n", true},
        {DecodedIndexes(), TExpositionFormat::PrometheusText,
         "\ntcpConnState{tcpConnLocalAddress=\"127.0.0.1\",tcpConnLocalPort=\"22\",tcpConnRemAddress=\"10.0.0.5\","
         "tcpConnRemPort=\"50000\"} 5\n",
         true},
        {DecodedIndexes(), TExpositionFormat::PrometheusText, "\nsysName{sysName=\"box\"} 1\n", true},
        {DecodedIndexes(), TExpositionFormat::PrometheusText, "\noid_1_3_6_1_4_1_99999_7_1 3\n", true},
    };
    for (const auto& c : cases) {
        const QByteArray text = "\n" + RenderValues(c.snapshot, c.format);
        EXPECT_EQ(text.contains(c.line), c.present) << c.line << "\nin\n" << text.toStdString();
    }
}

TEST(Exposition, OpenMetricsOnlyForClientsThatTakeNoText)
{
    const struct {
        const char* accept;
        TExpositionFormat format;
    } cases[] = {
        {"", TExpositionFormat::PrometheusText},
        {"application/openmetrics-text; version=1.0.0", TExpositionFormat::OpenMetrics},
        // Prometheus 2.42: counters keep their MIB names in its storage.
        {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;q=0.75,"
         "text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
         TExpositionFormat::PrometheusText},
        {"application/openmetrics-text, */*", TExpositionFormat::PrometheusText},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatForAccept(c.accept), c.format) << c.accept;
}

}  // namespace
