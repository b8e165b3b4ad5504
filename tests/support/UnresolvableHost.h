// A host name that can never be resolved and whose lookup never leaves this
// machine: a label longer than 63 characters cannot be put into a DNS query,
// so the resolver fails it locally (11001), and .invalid can never exist.
// A plain "name.invalid" would still be sent to the name server.
#pragma once

#include <QString>

inline QString UnresolvableHost()
{
    return QString(64, QLatin1Char('x')) + QStringLiteral(".vexgrid.invalid");
}
