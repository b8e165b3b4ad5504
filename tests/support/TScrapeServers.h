// The Prometheus side of the fleet path, run as child processes for a test:
// Debian's prometheus (scraping one target every second) and its SNMP
// exporter, each in its own temporary folder on a free 127.0.0.1 port, ready
// once its HTTP port answers, stopped by its process id. Their HTTP APIs are
// asked while the caller's event loop runs.
//
//     vxtest::TPrometheus prometheus;
//     ASSERT_TRUE(prometheus.Start("127.0.0.1:9469"));
//     prometheus.Query("vexgrid_up")  // "1"
#pragma once

#include "EventPump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <csignal>
#include <optional>

#include <gtest/gtest.h>

namespace vxtest {

// A TCP port on 127.0.0.1 that nobody listens on right now.
inline int FreeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The body of a GET answered 200; nullopt otherwise. Pumps the event loop.
inline std::optional<QByteArray> HttpGet(const QString& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    PumpUntil([&] { return reply->isFinished(); }, 10000);
    const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError;
    const QByteArray body = reply->readAll();
    delete reply;
    return ok ? std::optional<QByteArray>(body) : std::nullopt;
}

// A server program with an HTTP port, started with a configuration file.
class TScrapeServer {
public:
    virtual ~TScrapeServer() { Stop(); }

    // Writes config into the server's folder, starts it and waits until
    // readyPath answers; fails with its log when the program is missing or
    // does not come up.
    ::testing::AssertionResult Start(const QByteArray& config)
    {
        const QString program = QStandardPaths::findExecutable(Program());
        if (program.isEmpty())
            return ::testing::AssertionFailure() << Program().toStdString() << " is missing (Debian package "
                                                 << Program().toStdString() << ")";
        QFile file(dir.filePath(QStringLiteral("config.yml")));
        file.open(QIODevice::WriteOnly);
        file.write(config);
        file.close();
        port = FreeTcpPort();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, Arguments(file.fileName())
                                   << QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port));
        // A hang guard: they are ready in a second or two here.
        if (!PumpUntil(
                [&] { return Get(ReadyPath()).has_value() || process.state() == QProcess::NotRunning; },
                30000)
            || process.state() == QProcess::NotRunning)
            return ::testing::AssertionFailure() << Program().toStdString() << " did not come up:\n"
                                                 << Log().toStdString();
        return ::testing::AssertionSuccess();
    }

    void Stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(10000))
            ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(5000);
    }

    std::optional<QByteArray> Get(const QString& path)
    {
        return HttpGet(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
    }
    QString Log() { return QString::fromUtf8(process.readAll()); }

protected:
    virtual QString Program() const = 0;
    virtual QStringList Arguments(const QString& configPath) = 0;
    virtual QString ReadyPath() const = 0;
    QTemporaryDir dir;

private:
    QProcess process;
    int port = 0;
};

class TPrometheus : public TScrapeServer {
public:
    // Scrapes target ("127.0.0.1:PORT") every second.
    ::testing::AssertionResult Start(const QString& target)
    {
        return TScrapeServer::Start(
            QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                           "scrape_configs:\n  - job_name: vexgrid\n    static_configs:\n"
                           "      - targets: ['%1']\n")
                .arg(target)
                .toUtf8());
    }

    // The value of the instant query's first sample; nullopt when it has none.
    std::optional<QString> Query(const QString& promql)
    {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("query"), promql);
        const auto body = Get(QStringLiteral("/api/v1/query?") + query.toString(QUrl::FullyEncoded));
        const QJsonArray result =
            QJsonDocument::fromJson(body.value_or(QByteArray()))["data"]["result"].toArray();
        if (result.isEmpty())
            return std::nullopt;
        return result[0]["value"][1].toString();
    }

protected:
    QString Program() const override { return QStringLiteral("prometheus"); }
    QStringList Arguments(const QString& configPath) override
    {
        return {"--config.file=" + configPath, "--storage.tsdb.path=" + dir.filePath("data")};
    }
    QString ReadyPath() const override { return QStringLiteral("/-/ready"); }
};

// The SNMP exporter with the modules of an snmp.yml; a module it cannot
// read keeps it from starting.
class TSnmpExporter : public TScrapeServer {
public:
    // The exporter's text for module and target ("127.0.0.1:PORT").
    std::optional<QByteArray> Scrape(const QString& module, const QString& target)
    {
        return Get(QStringLiteral("/snmp?module=%1&target=%2").arg(module, target));
    }

protected:
    QString Program() const override { return QStringLiteral("prometheus-snmp-exporter"); }
    QStringList Arguments(const QString& configPath) override { return {"--config.file=" + configPath}; }
    QString ReadyPath() const override { return QStringLiteral("/"); }
};

}  // namespace vxtest
