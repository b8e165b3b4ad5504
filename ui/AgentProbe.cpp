#include "AgentProbe.h"

#include "ShootEngine.h"
#include "TvxSNMPMgr.h"

namespace {

const QString kSysDescr0 = QStringLiteral("1.3.6.1.2.1.1.1.0");

}  // namespace

QString ProbeAgent(const TRequest& agent, const TV3Settings& v3)
{
    if (agent.remoteHost.isEmpty())
        return QStringLiteral("No host given.");
    try {
        vxsnmp::TvxSNMPMgr component;
        QString failure;
        component.OnResponse = [&failure](vxsnmp::TvxSNMPMgr&, const vxsnmp::TResponseEvent& event) {
            if (event.ErrorStatus != 0)
                failure = QStringLiteral("The agent answered with error %1: %2")
                              .arg(event.ErrorStatus)
                              .arg(event.ErrorDescription);
        };
        // Port 162 needs root: without it the endpoint opens on a free port.
        component.Config(QStringLiteral("ForceLocalPort=false"));
        component.SetRemoteHost(agent.remoteHost);
        component.SetRemotePort(agent.remotePort);
        component.SetSNMPVersion(agent.snmpVersion);
        component.SetCommunity(agent.community);
        if (agent.snmpVersion == 3)
            PassV3Settings(component, v3);
        component.SetObjCount(1);
        component.SetObjId(1, kSysDescr0);
        // Blocking: the send returns with the answer, or throws after the wait.
        component.SetTimeout(kProbeTimeoutSeconds);
        component.SendGetRequest();
        if (!failure.isEmpty())
            return failure;
        return QStringLiteral("sysDescr.0 = ")
             + TShootEngine::ValueText(component.ObjValue(1), component.ObjType(1));
    } catch (const vxsnmp::EvxSNMPMgr& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
}
