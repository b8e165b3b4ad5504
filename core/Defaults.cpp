#include "core/Defaults.h"

void ApplyDefaultSettings(TSessionSettings& settings)
{
    settings.programTitle = QStringLiteral("HB_Vexgrid");
    settings.windowWidth = 680;
    settings.windowHeight = 450;
    TRequest& t = settings.requestTemplate;
    t.pollSeconds = 5;
    t.community = QStringLiteral("tamvel");
    t.remoteHost = QStringLiteral("localhost");
    t.retriesLeft = 5;
    t.remotePort = 161;
    t.snmpVersion = 1;
}

void ApplyDefaultTarget(TSessionSettings& settings)
{
    const QString oid = QString::fromLatin1(kDefaultTargetOid);
    settings.targetOids = QStringList{oid};
    settings.requestTemplate.oidList = oid + kItemSeparator;
    settings.tableMode = true;
}
