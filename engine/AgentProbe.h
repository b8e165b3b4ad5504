// One question to an agent, to check the settings of a view before it starts.
#pragma once

#include "core/Settings.h"
#include "core/TRequest.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace vxsnmp {
class TvxSNMPMgr;
}

// How long the probe waits for the answer, in seconds: long enough for a
// slow device, short enough for a user waiting in a dialog.
inline constexpr int kProbeTimeoutSeconds = 3;

// TAgentProbe asks the agent of a view for sysDescr.0 through an SNMP
// manager component of its own, without blocking: the window stays live and
// the answer comes as Finished. It lives on the thread that starts it.
class TAgentProbe : public QObject {
    Q_OBJECT

public:
    explicit TAgentProbe(QObject* parent = nullptr);
    ~TAgentProbe() override;

    // Start sends the Get to `agent` (host, port, version, community; the
    // user of `v3` for version 3), resent once a second, and abandons a probe
    // still running. Finished comes once per Start, possibly before Start
    // returns (a host that cannot be resolved, a component that refuses a
    // setting): "sysDescr.0 = <answer>", the agent's error status, the
    // component's error, or after kProbeTimeoutSeconds what the silence
    // likely means (SilenceExplanation, "No answer from HOST:PORT for
    // sysDescr.0 after 3 tries: is the agent up, and is the community
    // right?"); for a port that refused it, RefusedExplanation.
    void Start(const TRequest& agent, const TV3Settings& v3 = {});
    bool Running() const { return running; }

signals:
    void Finished(const QString& result);

private:
    void Send();
    void Finish(const QString& result);
    void Expire();

    std::unique_ptr<vxsnmp::TvxSNMPMgr> component;
    QTimer resend;
    int sends = 0;
    bool running = false;
    // The agent as the probe addressed it, for the texts of a silence.
    QString agentHost;
    int agentPort = 0;
    int snmpVersion = 1;
};
