#include "VexgridWriter.h"

#include "TRequest.h"

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

// The children of <shooter>, before <shootertargets>.
const TElementWriter kShooterElements[] = {
    {"remoteport", [](const TSessionSettings& s) { return QString::number(s.requestTemplate.remotePort); }},
    {"snmpversion", [](const TSessionSettings& s) { return QString::number(s.requestTemplate.snmpVersion); }},
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
    document.appendChild(
        document.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
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

QString WriteVexgridFile(const QString& path, const TSessionSettings& settings)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray text = VexgridFileText(settings);
    if (file.write(text) != text.size() || !file.commit())
        return file.errorString();
    return QString();
}
