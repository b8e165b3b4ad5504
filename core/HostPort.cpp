#include "core/HostPort.h"

namespace {

constexpr int kMostPort = 65535;

// The port after a ":"; sets problem when it is no port.
int PortOf(const QString& digits, QString& problem)
{
    bool number = false;
    const int port = digits.toInt(&number);
    if (!number || port < 1 || port > kMostPort || digits.startsWith(u'+'))
        problem = QStringLiteral("'%1' is no port: a port is 1 to 65535.").arg(digits);
    return problem.isEmpty() ? port : 0;
}

}  // namespace

THostPort SplitHostPort(const QString& text)
{
    THostPort split;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        const QString after = close < 0 ? QString() : trimmed.mid(close + 1);
        if (close < 0 || (!after.isEmpty() && !after.startsWith(u':'))) {
            split.problem =
                QStringLiteral("'%1': an address in brackets is written [::1] or [::1]:161.").arg(trimmed);
            return split;
        }
        split.host = trimmed.mid(1, close - 1);
        if (!after.isEmpty())
            split.port = PortOf(after.mid(1), split.problem);
        return split;
    }
    // One colon: a name or IPv4 address and its port; more: an IPv6 address.
    if (trimmed.count(u':') == 1) {
        const qsizetype colon = trimmed.indexOf(u':');
        split.host = trimmed.left(colon);
        split.port = PortOf(trimmed.mid(colon + 1), split.problem);
        return split;
    }
    split.host = trimmed;
    return split;
}
