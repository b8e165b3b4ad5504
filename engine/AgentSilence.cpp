#include "engine/AgentSilence.h"

#include <QDateTime>

QString AgentAddressText(const QString& host, int port)
{
    // A port after an IPv6 address would read as one more group of it.
    const bool bare6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    const QString address = bare6 ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return address + QLatin1Char(':') + QString::number(port);
}

QString NoAnswerText(const QString& host, int port, std::int64_t sinceMs)
{
    return QStringLiteral("No answer from %1 since %2")
        .arg(AgentAddressText(host, port),
             QDateTime::fromMSecsSinceEpoch(sinceMs).toString(QStringLiteral("HH:mm:ss")));
}

QString SilenceExplanation(const QString& host, int port, const QString& object, int tries, int snmpVersion)
{
    // An agent drops a request of an unknown community or user without a
    // word, so a wrong one looks just like an agent that is not there.
    const QString credentials = snmpVersion == 3 ? QStringLiteral("are the user and its passwords right?")
                                                 : QStringLiteral("is the community right?");
    const QString what = object.isEmpty() ? QString() : QStringLiteral(" for ") + object;
    const QString times = tries == 1 ? QStringLiteral("1 try") : QStringLiteral("%1 tries").arg(tries);
    return QStringLiteral("No answer from %1%2 after %3: is the agent up, and %4")
        .arg(AgentAddressText(host, port), what, times, credentials);
}

QString RefusedExplanation(const QString& host, int port)
{
    return QStringLiteral("%1 refused the request (port unreachable): is an agent running there, and on "
                          "this port?")
        .arg(AgentAddressText(host, port));
}
