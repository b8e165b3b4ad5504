#include "config/VexgridWriter.h"

#include "core/TRequest.h"
#include "config/VexgridV3.h"

#include <QDomDocument>
#include <QSaveFile>

#include <functional>

namespace {

using TText = std::function<QString(const TSessionSettings&)>;

// One element that holds a text: its name and where its value comes from. A
// new setting of the file is one more line in the tables below.
struct TElementWriter {
    const char* name;
    TText value;
    bool always = false;  // written even when empty
};

// The children of <vexgrid>, before <shooter>.
const TElementWriter kRootElements[] = {
    {"programtitle", [](const TSessionSettings& s) { return s.programTitle; }},
    {"width", [](const TSessionSettings& s) { return QString::number(s.windowWidth); }},
    {"height", [](const TSessionSettings& s) { return QString::number(s.windowHeight); }},
    {"host", [](const TSessionSettings& s) { return s.requestTemplate.remoteHost; }},
    {"community", [](const TSessionSettings& s) { return s.requestTemplate.community; }},
    {"preferredinstance", [](const TSessionSettings& s) { return s.preferredInstance; }},
};

// An SNMPv3 element's text, written only for version 3.
QString V3(const TSessionSettings& s, const QString& text)
{
    return s.requestTemplate.snmpVersion == 3 ? text : QString();
}

// The authentication password itself, when the level uses it and no variable
// holds it; likewise for privacy.
QString AuthPasswordInFile(const TSessionSettings& s)
{
    const TV3Settings& v3 = s.v3;
    return v3.securityLevel >= 1 && v3.authPasswordEnv.isEmpty() ? V3(s, v3.authPassword) : QString();
}

QString PrivPasswordInFile(const TSessionSettings& s)
{
    const TV3Settings& v3 = s.v3;
    return v3.securityLevel == 2 && v3.privPasswordEnv.isEmpty() ? V3(s, v3.privPassword) : QString();
}

// GetBulk has no SNMPv1 form; 0 means Get-Next walks and is left out.
QString MaxRepetitions(const TSessionSettings& s)
{
    return s.requestTemplate.snmpVersion != 1 && s.maxRepetitions > 0 ? QString::number(s.maxRepetitions)
                                                                      : QString();
}

// One request at a time is the default and left out.
QString Parallel(const TSessionSettings& s)
{
    return s.parallelRequests > 1 ? QString::number(s.parallelRequests) : QString();
}

// The children of <shooter>, before <shootertargets>.
const TElementWriter kShooterElements[] = {
    {"remoteport", [](const TSessionSettings& s) { return QString::number(s.requestTemplate.remotePort); }},
    {"snmpversion", [](const TSessionSettings& s) { return QString::number(s.requestTemplate.snmpVersion); }},
    {"maxrepetitions", MaxRepetitions},
    {"parallel", Parallel},
    // SNMPv3: a password that came from a variable is written as its name.
    {"user", [](const TSessionSettings& s) { return V3(s, s.v3.user); }},
    {"securitylevel", [](const TSessionSettings& s) { return V3(s, SecurityLevelText(s.v3.securityLevel)); }},
    {"authprotocol", [](const TSessionSettings& s) { return V3(s, AuthProtocolText(s.v3.authProtocol)); }},
    {"authpassword", AuthPasswordInFile},
    {"authpasswordenv", [](const TSessionSettings& s) { return V3(s, s.v3.authPasswordEnv); }},
    {"privprotocol", [](const TSessionSettings& s) { return V3(s, PrivProtocolText(s.v3.privProtocol)); }},
    {"privpassword", PrivPasswordInFile},
    {"privpasswordenv", [](const TSessionSettings& s) { return V3(s, s.v3.privPasswordEnv); }},
    {"contextname", [](const TSessionSettings& s) { return V3(s, s.v3.contextName); }},
};

void AppendText(QDomDocument& document, QDomElement& parent, const QString& name, const QString& text)
{
    QDomElement element = document.createElement(name);
    element.appendChild(document.createTextNode(text));
    parent.appendChild(element);
}

template <std::size_t N>
void AppendElements(QDomDocument& document, QDomElement& parent, const TElementWriter (&writers)[N],
                    const TSessionSettings& settings)
{
    for (const TElementWriter& writer : writers) {
        const QString text = writer.value(settings);
        if (writer.always || !text.isEmpty())
            AppendText(document, parent, QString::fromLatin1(writer.name), text);
    }
}

void AppendTarget(QDomDocument& document, QDomElement& targets, const QString& oid, const QString& instance)
{
    QDomElement target = document.createElement(QStringLiteral("shootertarget"));
    AppendText(document, target, QStringLiteral("oid"), oid);
    // An empty instance is written too: it makes the target a walked column.
    AppendText(document, target, QStringLiteral("instance"), instance);
    targets.appendChild(target);
}

}  // namespace

QList<TViewTarget> ViewTargets(const TSessionSettings& settings)
{
    // The OID list holds each target followed by its instance, in the order of
    // targetOids.
    QList<TViewTarget> targets;
    QString list = settings.requestTemplate.oidList;
    for (const QString& oid : settings.targetOids) {
        const QString item = TakeNextItem(list);
        const QString instance = item.startsWith(oid) ? item.mid(oid.size()) : QString();
        targets.append({oid, instance});
    }
    return targets;
}

QByteArray VexgridFileText(const TSessionSettings& settings)
{
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(QStringLiteral("vexgrid"));
    document.appendChild(root);
    AppendElements(document, root, kRootElements, settings);

    QDomElement shooter = document.createElement(QStringLiteral("shooter"));
    root.appendChild(shooter);
    AppendElements(document, shooter, kShooterElements, settings);
    QDomElement targets = document.createElement(QStringLiteral("shootertargets"));
    shooter.appendChild(targets);
    for (const TViewTarget& target : ViewTargets(settings))
        AppendTarget(document, targets, target.oid, target.instance);
    // The mask is a directive: the last one of the file counts, so it goes last.
    if (!settings.instanceMask.isEmpty())
        AppendTarget(document, targets, QStringLiteral("IM=") + settings.instanceMask, QString());
    return document.toByteArray(2);
}

bool VexgridFileHoldsPassword(const TSessionSettings& settings)
{
    return !AuthPasswordInFile(settings).isEmpty() || !PrivPasswordInFile(settings).isEmpty();
}

QString WriteVexgridFile(const QString& path, const TSessionSettings& settings)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // Set before a byte is written: the password is never readable by others,
    // not even in the temporary file, whatever the file it replaces allowed.
    if (VexgridFileHoldsPassword(settings)
        && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("its permissions could not be limited to its owner: %1")
            .arg(file.errorString());
    const QByteArray text = VexgridFileText(settings);
    if (file.write(text) != text.size() || !file.commit())
        return file.errorString();
    return QString();
}
