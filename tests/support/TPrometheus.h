// TPrometheus: Debian's prometheus run as a child process for a test, in its
// own temporary folder (configuration and storage) on a free 127.0.0.1 port,
// scraping one target every second; stopped by its process id. Queries go
// to its HTTP API while the caller's event loop runs.
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

class TPrometheus {
public:
    ~TPrometheus() { Stop(); }

    // Starts scraping target ("127.0.0.1:PORT") and waits until the server
    // is ready; fails with its log when the program is missing or does not
    // come up.
    ::testing::AssertionResult Start(const QString& target)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (program.isEmpty())
            return ::testing::AssertionFailure() << "prometheus is missing (Debian package prometheus)";
        QFile config(dir.filePath(QStringLiteral("prometheus.yml")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                                    "scrape_configs:\n  - job_name: vexgrid\n    static_configs:\n"
                                    "      - targets: ['%1']\n")
                         .arg(target)
                         .toUtf8());
        config.close();
        port = FreeTcpPort();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program,
                      {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + dir.filePath("data"),
                       QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)});
        // A hang guard: it is ready in a second or two here.
        if (!PumpUntil([&] { return Get(QStringLiteral("/-/ready")).has_value(); }, 30000))
            return ::testing::AssertionFailure() << "prometheus did not come up:\n" << Log().toStdString();
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

    QString Log() { return QString::fromUtf8(process.readAll()); }

private:
    // The body of a GET answered 200; nullopt otherwise.
    std::optional<QByteArray> Get(const QString& path)
    {
        QNetworkReply* reply =
            network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path))));
        PumpUntil([&] { return reply->isFinished(); }, 10000);
        const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError;
        const QByteArray body = reply->readAll();
        reply->deleteLater();
        return ok ? std::optional<QByteArray>(body) : std::nullopt;
    }

    QTemporaryDir dir;
    QProcess process;
    QNetworkAccessManager network;
    int port = 0;
};

}  // namespace vxtest
