// TMetricsServer: the HTTP endpoint that serves the view's values to
// scrapers (GET /metrics, see Exposition.h). At the end of each shoot it
// takes a snapshot of the result store and renders it on a pool thread, so
// a request is answered from the last rendered text and never waits for a
// shoot or for the rendering; the vexgrid_* figures are current.
//
// Answers: 200 with the metrics for GET /metrics, 405 for another method on
// it, 404 for any other path, 400 (or a closed connection) for what is no
// HTTP request, 431 and a closed connection for a request larger than
// kMaxRequestBytes. At most kMaxConnections are open at once; a further one
// is closed as soon as it is accepted, and one idle
// for 30 s is closed too. The endpoint shows values only: the
// community and the SNMPv3 credentials never reach it.
#pragma once

#include "metrics/Exposition.h"
#include "metrics/MetricsOptions.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

class QAbstractHttpServer;
class TMibNames;
class TResultStore;

class TMetricsServer : public QObject {
    Q_OBJECT

public:
    // A scraper needs a few connections; more at once is a client gone wrong.
    static constexpr int kMaxConnections = 16;
    // A scrape request is well under 1 KiB; this leaves room for long headers.
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;

    // names gives the MIB names of the moment; it is asked at each snapshot.
    TMetricsServer(TResultStore& store, std::function<std::shared_ptr<const TMibNames>()> names,
                   QObject* parent = nullptr);
    ~TMetricsServer() override;

    // Listens on endpoint (port 0: any free port); false, with ErrorText(),
    // when it cannot. A server listening already stops first.
    bool Listen(const TMetricsEndpoint& endpoint);
    void Stop();
    bool IsListening() const { return listening; }
    // The address and the port bound.
    const TMetricsEndpoint& Endpoint() const { return bound; }
    const QString& ErrorText() const { return error; }

    TMetricsStatus Status() const;
    // The body a request in format gets now.
    QByteArray Body(TExpositionFormat format) const;
    int OpenConnections() const { return *openConnections; }

private:
    struct TRendered;
    void TakeSnapshot();
    // Renders the store's rows as of now on a pool thread.
    void Render();
    void ShootActivity();

    TResultStore& store;
    std::function<std::shared_ptr<const TMibNames>()> namesOf;
    QPointer<QAbstractHttpServer> http;
    std::shared_ptr<int> openConnections = std::make_shared<int>(0);
    std::shared_ptr<TRendered> rendered;
    TMetricsEndpoint bound;
    QString error;
    bool listening = false;
    bool silent = false;            // the agent has not answered since it went silent
    bool snapshotAnswered = false;  // the last shoot left at least one current value
    bool shooting = false;
    std::int64_t shootStartMs = 0;
    std::int64_t lastShootWallMs = 0;
    std::int64_t shootDurationMs = 0;
    std::uint64_t snapshotsTaken = 0;
};
