#include "engine/AgentProbe.h"

#include "engine/AgentSilence.h"
#include "engine/ShootEngine.h"
#include "snmp/SocketErrors.h"
#include "snmp/TvxSNMPMgr.h"

namespace {

const QString kSysDescr0 = QStringLiteral("1.3.6.1.2.1.1.1.0");
constexpr int kResendMs = 1000;

}  // namespace

TAgentProbe::TAgentProbe(QObject* parent) : QObject(parent)
{
    resend.setInterval(kResendMs);
    connect(&resend, &QTimer::timeout, this, [this] {
        if (sends >= kProbeTimeoutSeconds)
            Expire();
        else
            Send();
    });
}

TAgentProbe::~TAgentProbe() = default;

void TAgentProbe::Start(const TRequest& agent, const TV3Settings& v3)
{
    resend.stop();
    component.reset();  // a probe still running is abandoned with its socket
    running = true;
    sends = 0;
    agentHost = agent.remoteHost;
    agentPort = agent.remotePort;
    snmpVersion = agent.snmpVersion;
    if (agent.remoteHost.isEmpty()) {
        Finish(QStringLiteral("No host given."));
        return;
    }
    try {
        component = std::make_unique<vxsnmp::TvxSNMPMgr>();
        component->OnResponse = [this](vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event) {
            if (event.ErrorStatus != 0)
                Finish(QStringLiteral("The agent answered with error %1: %2")
                           .arg(event.ErrorStatus)
                           .arg(event.ErrorDescription));
            else
                Finish(QStringLiteral("sysDescr.0 = ")
                       + TShootEngine::ValueText(sender.ObjValue(1), sender.ObjType(1)));
        };
        component->OnError = [this](vxsnmp::TvxSNMPMgr&, const vxsnmp::TErrorEvent& event) {
            // Junk on the socket answers nothing; the probe waits on.
            if (event.ErrorCode == vxsnmp::kWsaConnectionReset)
                Finish(RefusedExplanation(agentHost, agentPort));
            else if (!vxsnmp::IsParseErrorCode(event.ErrorCode))
                Finish(event.Description);
        };
        // Port 162 needs root: without it the endpoint opens on a free port.
        component->Config(QStringLiteral("ForceLocalPort=false"));
        component->Config(QStringLiteral("AcceptRemoteOnly=true"));
        component->SetTimeout(0);
        component->SetRemoteHost(agent.remoteHost);
        component->SetRemotePort(agent.remotePort);
        component->SetSNMPVersion(agent.snmpVersion);
        component->SetCommunity(agent.community);
        if (agent.snmpVersion == 3)
            PassV3Settings(*component, v3);
    } catch (const vxsnmp::EvxSNMPMgr& error) {
        Finish(error.Message());
        return;
    } catch (const std::exception& error) {
        Finish(QString::fromLocal8Bit(error.what()));
        return;
    }
    Send();
    if (running)
        resend.start();
}

void TAgentProbe::Send()
{
    ++sends;
    try {
        component->SetObjCount(1);
        component->SetObjId(1, kSysDescr0);
        component->SendGetRequest();
    } catch (const vxsnmp::EvxSNMPMgr& error) {
        Finish(error.Message());
    } catch (const std::exception& error) {
        Finish(QString::fromLocal8Bit(error.what()));
    }
}

void TAgentProbe::Expire()
{
    Finish(SilenceExplanation(agentHost, agentPort, QStringLiteral("sysDescr.0"), sends, snmpVersion));
}

void TAgentProbe::Finish(const QString& result)
{
    if (!running)
        return;  // a late answer to a resend
    running = false;
    resend.stop();
    emit Finished(result);
}
