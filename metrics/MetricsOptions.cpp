#include "metrics/MetricsOptions.h"

#include "core/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The settings key of a view's file: its absolute path, with the slashes
// QSettings would take for groups encoded.
QString ViewKey(const QString& viewFile)
{
    const QString path = QFileInfo(viewFile).absoluteFilePath();
    return QStringLiteral("metrics/views/") + QString::fromLatin1(path.toUtf8().toPercentEncoding());
}

}  // namespace

std::optional<TMetricsEndpoint> ParseMetricsEndpoint(const QString& text)
{
    TMetricsEndpoint endpoint;
    QString portText = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        QString host = text.left(colon);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        else if (host.contains(QLatin1Char(':')))
            return std::nullopt;  // an IPv6 address goes in brackets
        if (!endpoint.address.setAddress(host))
            return std::nullopt;
        portText = text.mid(colon + 1);
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    endpoint.port = quint16(port);
    return endpoint;
}

QString MetricsEndpointText(const TMetricsEndpoint& endpoint)
{
    const QString host = endpoint.address.protocol() == QAbstractSocket::IPv6Protocol
                           ? QLatin1Char('[') + endpoint.address.toString() + QLatin1Char(']')
                           : endpoint.address.toString();
    return host + QLatin1Char(':') + QString::number(endpoint.port);
}

TMetricsOptions ParseMetricsOptions(const QStringList& args)
{
    TMetricsOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.compare(u"--metrics", Qt::CaseInsensitive) != 0
            && arg.compare(u"/METRICS", Qt::CaseInsensitive) != 0)
            continue;
        const auto endpoint = i + 1 < args.size() ? ParseMetricsEndpoint(args[i + 1]) : std::nullopt;
        if (!endpoint) {
            options.warnings.append(arg + QStringLiteral(" needs [address:]port, the port from 1 to 65535"));
            continue;
        }
        options.endpoint = endpoint;
        ++i;
    }
    return options;
}

std::optional<TMetricsEndpoint> SavedMetricsEndpoint(const QString& viewFile)
{
    if (viewFile.isEmpty())
        return std::nullopt;
    TSettingsStore settings;
    return ParseMetricsEndpoint(settings->value(ViewKey(viewFile)).toString());
}

void SaveMetricsEndpoint(const QString& viewFile, const std::optional<TMetricsEndpoint>& endpoint)
{
    if (viewFile.isEmpty())
        return;
    TSettingsStore settings;
    if (endpoint)
        settings->setValue(ViewKey(viewFile), MetricsEndpointText(*endpoint));
    else
        settings->remove(ViewKey(viewFile));
}
