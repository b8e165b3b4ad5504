#include "traps/TrapRecord.h"

QString TTrapRecord::Source() const
{
    const QString host = address.contains(u':') ? u'[' + address + u']' : address;
    return host + u':' + QString::number(port);
}

QString TTrapRecord::BindingsText() const
{
    QString text;
    for (const TTrapBinding& binding : bindings) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += binding.name + u'=' + binding.Shown();
    }
    return text;
}

QString KindText(TTrapKind kind)
{
    switch (kind) {
    case TTrapKind::V1Trap: return QStringLiteral("v1 trap");
    case TTrapKind::V2Trap: return QStringLiteral("v2c trap");
    case TTrapKind::Inform: return QStringLiteral("inform");
    case TTrapKind::V3Trap: return QStringLiteral("v3 trap");
    }
    return QString();
}

QString VersionText(int version)
{
    return version == 1 ? QStringLiteral("v1") : version == 3 ? QStringLiteral("v3") : QStringLiteral("v2c");
}

QString StateText(TTrapState state)
{
    switch (state) {
    case TTrapState::Shown: return QStringLiteral("shown");
    case TTrapState::Acknowledged: return QStringLiteral("acknowledged");
    case TTrapState::FailedAuthentication: return QStringLiteral("failed authentication");
    }
    return QString();
}
