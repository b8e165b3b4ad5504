#include "engine/AgentSilence.h"

#include <QDateTime>

QString NoAnswerText(const QString& host, int port, std::int64_t sinceMs)
{
    // A port after an IPv6 address would read as one more group of it.
    const bool bare6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    const QString address = bare6 ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("No answer from %1:%2 since %3")
        .arg(address)
        .arg(port)
        .arg(QDateTime::fromMSecsSinceEpoch(sinceMs).toString(QStringLiteral("HH:mm:ss")));
}
