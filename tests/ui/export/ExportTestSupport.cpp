#include "ExportTestSupport.h"

#include "TSnmpsimAgent.h"
#include "ui/Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <memory>

#include <gtest/gtest.h>

namespace exporttest {

QString WriteVexgridFile(const QString& folder, const QString& name, int port, const QString& community,
                         const QVector<TTarget>& targets, int snmpVersion)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<vexgrid>\n"
                                 "  <programtitle>Export</programtitle>\n"
                                 "  <host>127.0.0.1</host>\n"
                                 "  <community>%1</community>\n"
                                 "  <shooter>\n"
                                 "    <remoteport>%2</remoteport>\n"
                                 "    <snmpversion>%3</snmpversion>\n"
                                 "    <shootertargets>\n")
                      .arg(community)
                      .arg(port)
                      .arg(snmpVersion);
    for (const TTarget& t : targets) {
        xml += QStringLiteral("      <shootertarget><oid>%1</oid><oiddescr></oiddescr>"
                              "<instance>%2</instance></shootertarget>\n")
                   .arg(t.oid, t.instance);
    }
    xml += QStringLiteral("    </shootertargets>\n  </shooter>\n</vexgrid>\n");
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(xml.toUtf8());
    return path;
}

QString OctetRecord(const QString& oid, const QByteArray& bytes)
{
    return oid + QStringLiteral("|4x|") + QString::fromLatin1(bytes.toHex()) + QLatin1Char('\n');
}

::testing::AssertionResult StartSharedAgent(int* port)
{
    // The system group for the list layout, and a table under a private
    // enterprise for the table layout: walk order 1, 2, 3, 4; counters that
    // sort 9, 10, 100, 2500 as numbers but 10, 100, 2500, 9 as text.
    const QString records =
        OctetRecord(QStringLiteral("1.3.6.1.2.1.1.1.0"), "Core router, \"edge\"\r\nrack 4, row 2")
        + OctetRecord(QStringLiteral("1.3.6.1.2.1.1.4.0"), "ops\tnight shift")
        + OctetRecord(QStringLiteral("1.3.6.1.2.1.1.5.0"),
                      QStringLiteral("Gr\u00fc\u00dfe \u2713 Z\u00fcrich").toUtf8())
        + OctetRecord(QStringLiteral("1.3.6.1.2.1.1.6.0"), "Caf\xe9")  // Latin-1: no UTF-8
        + QStringLiteral("1.3.6.1.4.1.55555.7.1.1.1|2|1\n"
                         "1.3.6.1.4.1.55555.7.1.1.2|2|2\n"
                         "1.3.6.1.4.1.55555.7.1.1.3|2|3\n"
                         "1.3.6.1.4.1.55555.7.1.1.4|2|4\n")
        + OctetRecord(QStringLiteral("1.3.6.1.4.1.55555.7.1.2.1"), "uplink, \"core\"")
        + OctetRecord(QStringLiteral("1.3.6.1.4.1.55555.7.1.2.2"), "two\r\nlines")
        + OctetRecord(QStringLiteral("1.3.6.1.4.1.55555.7.1.2.3"), "tab\there")
        + OctetRecord(QStringLiteral("1.3.6.1.4.1.55555.7.1.2.4"),
                      QStringLiteral("Gr\u00fc\u00dfe \u2713").toUtf8())
        + QStringLiteral("1.3.6.1.4.1.55555.7.1.3.1|65|100\n"
                         "1.3.6.1.4.1.55555.7.1.3.2|65|9\n"
                         "1.3.6.1.4.1.55555.7.1.3.3|65|2500\n"
                         "1.3.6.1.4.1.55555.7.1.3.4|65|10\n");
    static std::unique_ptr<vxtest::TSnmpsimAgent> agent;
    static ::testing::AssertionResult started = ::testing::AssertionFailure();
    if (!agent) {
        agent = std::make_unique<vxtest::TSnmpsimAgent>();
        agent->AddDataFile(kCommunity.toStdString(), records.toStdString());
        started = agent->Start();
    }
    *port = agent->Port();
    return started;
}

TShootCounter::TShootCounter(TForm1& form)
    : connection(QObject::connect(&form, &TForm1::shootFinished, [this] { ++count; }))
{
}

TShootCounter::~TShootCounter() { QObject::disconnect(connection); }

bool TShootCounter::WaitFor(int n, int guardMs)
{
    return PumpUntil([&] { return count >= n; }, guardMs);
}

std::optional<QByteArray> ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QVector<TTarget> SystemTargets()
{
    return {{QStringLiteral("1.3.6.1.2.1.1.1"), QStringLiteral(".0")},
            {QStringLiteral("1.3.6.1.2.1.1.4"), QStringLiteral(".0")},
            {QStringLiteral("1.3.6.1.2.1.1.5"), QStringLiteral(".0")},
            {QStringLiteral("1.3.6.1.2.1.1.6"), QStringLiteral(".0")}};
}

QVector<TTarget> TableTargets()
{
    return {{kTable + QStringLiteral(".1"), QString()},
            {kTable + QStringLiteral(".2"), QString()},
            {kTable + QStringLiteral(".3"), QString()}};
}

}  // namespace exporttest
