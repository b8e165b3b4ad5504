#include "engine/AgentProbe.h"

#include "engine/ShootEngine.h"
#include "snmp/TvxSNMPMgr.h"

namespace {

const QString kSysDescr0 = QStringLiteral("1.3.6.1.2.1.1.1.0");
constexpr int kResendMs = 1000;

QString AddressText(const TRequest& agent)
{
    const QString host = agent.remoteHost.contains(QLatin1Char(':'))
                           ? QLatin1Char('[') + agent.remoteHost + QLatin1Char(']')
                           : agent.remoteHost;
    return host + QLatin1Char(':') + QString::number(agent.remotePort);
}

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
    address = AddressText(agent);
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
            if (!vxsnmp::IsParseErrorCode(event.ErrorCode))
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
    Finish(QStringLiteral("No answer from %1 within %2 s.").arg(address).arg(kProbeTimeoutSeconds));
}

void TAgentProbe::Finish(const QString& result)
{
    if (!running)
        return;  // a late answer to a resend
    running = false;
    resend.stop();
    emit Finished(result);
}
