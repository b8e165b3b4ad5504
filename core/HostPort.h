// A host field as people type it: "agent.example", "192.0.2.7", "::1",
// "[::1]", "agent.example:1161" or "[::1]:1161". The port, when one is
// given, comes from the text.
#pragma once

#include <QString>

struct THostPort {
    QString host;     // without brackets
    int port = 0;     // 0: none given
    QString problem;  // why the text is no host; empty when it is one
};

THostPort SplitHostPort(const QString& text);
