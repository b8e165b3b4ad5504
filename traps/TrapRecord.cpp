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
    }
    return QString();
}

QString VersionText(int version) { return version == 1 ? QStringLiteral("v1") : QStringLiteral("v2c"); }

QString StateText(TTrapState state)
{
    return state == TTrapState::Acknowledged ? QStringLiteral("acknowledged") : QStringLiteral("shown");
}
