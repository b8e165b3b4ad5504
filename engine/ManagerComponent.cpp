#include "engine/ManagerComponent.h"

#include "snmp/TvxSNMPMgr.h"

void TManagerComponentDeleter::operator()(vxsnmp::TvxSNMPMgr* component) const { delete component; }

TManagerComponentPtr MakeManagerComponent()
{
    TManagerComponentPtr component(new vxsnmp::TvxSNMPMgr);
    component->SetCommunity(QStringLiteral("tamvel"));
    return component;
}

QString OpenManagerEndpoint(vxsnmp::TvxSNMPMgr& component)
{
    try {
        component.SetActive(false);
        component.Config(QStringLiteral("ForceLocalPort=false"));
        component.SetActive(true);
    } catch (const vxsnmp::EvxSNMPMgr& error) {
        return error.Message();
    }
    return QString();
}
