#include "metrics/Exposition.h"

#include "names/MibNames.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QString kIfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1.");

TResultCell Cell(const QString& oid, int type, const QString& text, const QByteArray& raw = {})
{
    TResultCell cell;
    cell.oid = oid;
    cell.now.text = text;
    cell.now.SetBytes(raw.isNull() ? text.toUtf8() : raw);
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
                         Cell(kIfEntry + "8." + index, snmptype::kInteger, "1"),
                         // A PhysAddress: none for lo, a MAC address shown as hex bytes.
                         index == "1" ? Cell(kIfEntry + "6.1", snmptype::kOctetString, "", "")
                                      : Cell(kIfEntry + "6.2", snmptype::kOctetString, "02 FC 00 00 0A 01",
                                             QByteArray::fromHex("02fc00000a01"))};
            snapshot.rows.append(row);
        }
        snapshot.rows[1].cells[3].now.type = snmptype::kNoAnswer;  // "Null"
        snapshot.rows[1].cells[4].stale = true;
        return snapshot;
    }
    // hrStorageTable: a string, two integers and a stale row.
    static TMetricsSnapshot HrStorage()
    {
        TMetricsSnapshot snapshot;
        snapshot.names = TMibNames::BuiltIn();
        const QString entry = QStringLiteral("1.3.6.1.2.1.25.2.3.1.");
        for (const QString& index : {QStringLiteral("1"), QStringLiteral("31")}) {
            TResultRow row;
            row.cells = {Cell(entry + "3." + index, snmptype::kOctetString, "/run\n(tmpfs)"),
                         Cell(entry + "5." + index, snmptype::kInteger, "2048"),
                         Cell(entry + "6." + index, snmptype::kInteger, index)};
            snapshot.rows.append(row);
        }
        snapshot.rows[1].cells[0].stale = true;
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

// The parsers of both formats: promtool for the 0.0.4 text (exit 1 is a
// parse error; 3 lists lint findings, of which only the naming the SNMP
// scrapers' dashboards rely on may be there) and the strict OpenMetrics
// parser of Debian's python3-prometheus-client.
TEST_F(ExpositionTest, ParsersOfBothFormatsAcceptTheText)
{
    const struct {
        const char* program;
        QStringList arguments;
        TExpositionFormat format;
    } parsers[] = {
        {"promtool", {"check", "metrics"}, TExpositionFormat::PrometheusText},
        {"/usr/bin/python3",
         {"-c",
          "import sys\nfrom prometheus_client.openmetrics.parser import text_string_to_metric_families as p\n"
          "list(p(sys.stdin.read()))"},
         TExpositionFormat::OpenMetrics},
    };
    for (const auto& parser : parsers) {
        const QString program = QStandardPaths::findExecutable(parser.program);
        ASSERT_FALSE(program.isEmpty()) << parser.program << " is missing (Debian packages prometheus, "
                                        << "python3-prometheus-client)";
        for (const TMetricsSnapshot& snapshot : {Interfaces(), DecodedIndexes(), HrStorage()}) {
            const QByteArray text = RenderValues(snapshot, parser.format)
                                  + RenderStatus({true, 1700000000123, 42}, parser.format);
            QProcess check;
            check.start(program, parser.arguments);
            check.write(text);
            check.closeWriteChannel();
            ASSERT_TRUE(check.waitForFinished(30000));
            const QByteArray findings = check.readAllStandardError();
            EXPECT_TRUE(check.exitCode() == 0
                        || (parser.format == TExpositionFormat::PrometheusText && check.exitCode() == 3))
                << findings.toStdString() << text.toStdString();
            for (const QByteArray& line : findings.split('\n')) {
                EXPECT_TRUE(line.isEmpty() || line.contains("'snake_case'")
                            || line.contains("\"_total\" suffix"))
                    << line.toStdString();
            }
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
        {Interfaces(), TExpositionFormat::PrometheusText,
         "\nifPhysAddress{ifIndex=\"2\",ifPhysAddress=\"0x02FC00000A01\"} 1\n", true},
        {Interfaces(), TExpositionFormat::PrometheusText,
         "\nifPhysAddress{ifIndex=\"1\",ifPhysAddress=\"\"} 1\n", true},
        {HrStorage(), TExpositionFormat::PrometheusText,
         "\nhrStorageDescr{hrStorageDescr=\"/run\\n(tmpfs)\",hrStorageIndex=\"1\"} 1\n", true},
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
