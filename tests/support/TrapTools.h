// Notifications for tests: net-snmp's snmptrap and snmpinform run against a
// listener on 127.0.0.1 while the caller's event loop keeps running (the
// listener lives on the same thread and must answer the inform), and raw
// datagrams sent to it from a plain socket; FreeUdpPort finds it a port.
#pragma once

#include "EventPump.h"
#include "TAgentProcess.h"  // FreeUdpPort

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxtest {

struct TToolRun {
    int exitCode = -1;
    QString output;  // stdout and stderr
};

// Runs net-snmp's `tool` (snmptrap, snmpinform) with `args` after
// "-M /nonexistent -m ''" (numeric OIDs only, no MIB warnings). A missing tool
// fails the test, naming the package.
inline TToolRun RunSnmpTool(const QString& tool, const QStringList& args, int guardMs = 15000)
{
    TToolRun run;
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is not installed (Debian package snmp)";
        return run;
    }
    QTemporaryDir persistent;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SNMP_PERSISTENT_DIR"), persistent.path());
    env.insert(QStringLiteral("SNMPCONFPATH"), persistent.path());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, QStringList{QStringLiteral("-M"), QStringLiteral("/nonexistent"),
                                    QStringLiteral("-m"), QString()}
                            + args);
    if (!PumpUntil([&] { return process.state() == QProcess::NotRunning; }, guardMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << tool.toStdString() << " did not end";
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

// Sends one datagram from a fresh socket to 127.0.0.1:port.
inline void SendDatagram(int port, const QByteArray& datagram)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    ::sendto(fd, datagram.constData(), static_cast<std::size_t>(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ::close(fd);
}

}  // namespace vxtest
