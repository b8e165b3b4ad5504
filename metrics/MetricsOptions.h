// Where the metrics endpoint listens, from the command line and the settings:
//
//   --metrics [address:]port, /METRICS [address:]port
//                        serves metrics for this run (port 1..65535; the
//                        address is 127.0.0.1 unless one is given, an IPv6
//                        address in brackets: [::1]:9469)
//
// Switch names match in any letter case. The endpoint chosen with Options >
// Serve metrics... is kept per vexgrid file (metrics/views in the settings);
// the switch wins over it for the run and is not kept.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

struct TMetricsEndpoint {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 0;
};

// "9469", "127.0.0.2:9469", "[::1]:9469" or "0.0.0.0:9469"; nullopt for
// anything else (a host name, a port out of range).
std::optional<TMetricsEndpoint> ParseMetricsEndpoint(const QString& text);
// "127.0.0.1:9469", "[::1]:9469".
QString MetricsEndpointText(const TMetricsEndpoint& endpoint);

struct TMetricsOptions {
    std::optional<TMetricsEndpoint> endpoint;  // none: the one kept for the view, if any
    QStringList warnings;                      // one line per malformed switch
};

TMetricsOptions ParseMetricsOptions(const QStringList& args);

// The endpoint kept for the view of the vexgrid file at path; nullopt when
// none is (or the view has no file).
std::optional<TMetricsEndpoint> SavedMetricsEndpoint(const QString& viewFile);
// Keeps the endpoint for the view's file, or forgets it (nullopt).
void SaveMetricsEndpoint(const QString& viewFile, const std::optional<TMetricsEndpoint>& endpoint);
