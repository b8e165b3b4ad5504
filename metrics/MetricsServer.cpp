#include "metrics/MetricsServer.h"

#include "core/CellValue.h"
#include "engine/ResultStore.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRunnable>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QTimer>

#include <mutex>

namespace {

// A refused request's connection is closed once its answer is out, or after
// this long when the client does not read it.
constexpr int kRefusalCloseMs = 1000;
// A connection that sends nothing for this long is closed, so that idle
// clients cannot hold the connections scrapers need; a scraper that keeps
// its connection open longer just connects again.
constexpr int kIdleCloseMs = 30000;

// Accepts connections up to a limit and refuses requests that grow past the
// size a scrape needs, before the HTTP library reads them.
class TConnectionGate : public QTcpServer {
public:
    TConnectionGate(std::shared_ptr<int> openCount, QObject* parent)
        : QTcpServer(parent), open(std::move(openCount))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || *open >= TMetricsServer::kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++*open;
        connect(socket, &QObject::destroyed, this, [count = open] { --*count; });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The bytes of the request under way; an answer sent starts the next.
        auto received = std::make_shared<qint64>(0);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        idle->start(kIdleCloseMs);
        connect(socket, &QTcpSocket::bytesWritten, socket, [received, idle] {
            *received = 0;
            idle->start(kIdleCloseMs);
        });
        connect(socket, &QTcpSocket::readyRead, socket, [socket, received, idle] {
            idle->start(kIdleCloseMs);
            *received += socket->bytesAvailable();
            if (*received > TMetricsServer::kMaxRequestBytes)
                Refuse(socket);
        });
        addPendingConnection(socket);
    }

private:
    static void Refuse(QTcpSocket* socket)
    {
        // Nobody reads this connection any more, the HTTP library included.
        QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        socket->write("HTTP/1.1 431 Request Header Fields Too Large\r\n"
                      "Content-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        QTimer::singleShot(kRefusalCloseMs, socket, [socket] { socket->abort(); });
    }

    std::shared_ptr<int> open;
};

// The HTTP server: one route, answered by the handler given.
class THttpEndpoint : public QAbstractHttpServer {
public:
    using THandler = std::function<void(const QHttpServerRequest&, QHttpServerResponder&)>;
    THttpEndpoint(THandler handle, QObject* parent) : QAbstractHttpServer(parent), handler(std::move(handle))
    {
    }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        handler(request, responder);
        return true;
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
    }

private:
    THandler handler;
};

}  // namespace

// The texts rendered last, shared with the pool thread that renders them.
struct TMetricsServer::TRendered {
    std::mutex lock;
    std::uint64_t written = 0;  // the snapshot the texts are of
    QByteArray text;
    QByteArray openMetrics;
};

TMetricsServer::TMetricsServer(TResultStore& results, std::function<std::shared_ptr<const TMibNames>()> names,
                               QObject* parent)
    : QObject(parent), store(results), namesOf(std::move(names)), rendered(std::make_shared<TRendered>())
{
    connect(&store, &TResultStore::ShootFinished, this, &TMetricsServer::TakeSnapshot);
    connect(&store, &TResultStore::Changed, this, &TMetricsServer::ShootActivity);
    connect(&store, &TResultStore::ReshootStarted, this, &TMetricsServer::ShootActivity);
    connect(&store, &TResultStore::AgentSilent, this, [this] { silent = true; });
    connect(&store, &TResultStore::AgentAnswered, this, [this] { silent = false; });
}

TMetricsServer::~TMetricsServer() { Stop(); }

bool TMetricsServer::Listen(const TMetricsEndpoint& endpoint)
{
    Stop();
    auto* server = new THttpEndpoint(
        [this](const QHttpServerRequest& request, QHttpServerResponder& responder) {
            if (request.url().path() != QLatin1String("/metrics")) {
                responder.write(QHttpServerResponder::StatusCode::NotFound);
            } else if (request.method() != QHttpServerRequest::Method::Get) {
                responder.write(QByteArrayLiteral("GET only\n"),
                                {{"Allow", "GET"}, {"Content-Type", "text/plain"}},
                                QHttpServerResponder::StatusCode::MethodNotAllowed);
            } else {
                const TExpositionFormat format = FormatForAccept(request.value("Accept"));
                responder.write(Body(format), {{"Content-Type", ContentType(format)}});
            }
        },
        this);
    auto* gate = new TConnectionGate(openConnections, server);
    if (!gate->listen(endpoint.address, endpoint.port)) {
        error = QStringLiteral("Cannot serve metrics on %1: %2")
                    .arg(MetricsEndpointText(endpoint), gate->errorString());
        delete server;
        return false;
    }
    server->bind(gate);
    http = server;
    bound = {endpoint.address, gate->serverPort()};
    error.clear();
    listening = true;
    if (lastShootWallMs > 0)
        Render();  // what the last shoot left, until the next one ends
    return true;
}

void TMetricsServer::Stop()
{
    delete http.data();
    listening = false;
}

TMetricsStatus TMetricsServer::Status() const
{
    return {!silent && snapshotAnswered, lastShootWallMs, shootDurationMs};
}

QByteArray TMetricsServer::Body(TExpositionFormat format) const
{
    QByteArray values;
    {
        const std::lock_guard<std::mutex> hold(rendered->lock);
        values = format == TExpositionFormat::OpenMetrics ? rendered->openMetrics : rendered->text;
    }
    return values + RenderStatus(Status(), format);
}

void TMetricsServer::ShootActivity()
{
    if (!shooting) {
        shooting = true;
        shootStartMs = MonotonicMs();
    }
}

void TMetricsServer::TakeSnapshot()
{
    ShootActivity();
    shooting = false;
    shootDurationMs = MonotonicMs() - shootStartMs;
    lastShootWallMs = QDateTime::currentMSecsSinceEpoch();
    snapshotAnswered = false;
    for (const TResultRow& row : store.Rows()) {
        for (const TResultCell& cell : row.cells)
            snapshotAnswered =
                snapshotAnswered || (!cell.oid.isEmpty() && cell.now.HasValue() && !cell.stale);
        if (snapshotAnswered)
            break;
    }
    // Rendering a large table costs a pool thread a while: only while serving.
    if (listening)
        Render();
}

void TMetricsServer::Render()
{
    auto snapshot = std::make_shared<TMetricsSnapshot>();
    snapshot->rows = store.Rows();
    snapshot->names = namesOf ? namesOf() : nullptr;
    snapshot->finishedWallMs = lastShootWallMs;
    snapshot->durationMs = shootDurationMs;
    const std::uint64_t generation = ++snapshotsTaken;
    QThreadPool::globalInstance()->start([state = rendered, snapshot, generation] {
        QByteArray text = RenderValues(*snapshot, TExpositionFormat::PrometheusText);
        QByteArray openMetrics = RenderValues(*snapshot, TExpositionFormat::OpenMetrics);
        const std::lock_guard<std::mutex> hold(state->lock);
        if (state->written > generation)
            return;  // a newer snapshot was rendered first
        state->text = std::move(text);
        state->openMetrics = std::move(openMetrics);
        state->written = generation;
    });
}
