#include "config/VexgridXML.h"

#include "core/RangeChecks.h"

EVexgridXML::EVexgridXML(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EVexgridXML::Message() const { return QString::fromStdString(what()); }

TXMLVexgridNode::TXMLVexgridNode(const QDomElement& node) : element(node) {}

QDomElement TXMLVexgridNode::Child(const QString& name) const
{
    // Walk the children ourselves: firstChildElement() would also accept a
    // namespaced element whose qualified name happens to match.
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.nodeName() == name && child.namespaceURI().isEmpty())
            return child;
    }
    return QDomElement();
}

QString TXMLVexgridNode::ChildText(const QString& name) const
{
    const QDomElement child = Child(name);
    if (child.isNull())
        return QString();
    const QDomNodeList nodes = child.childNodes();
    if (nodes.isEmpty())
        return QString();
    const QDomNode only = nodes.at(0);
    if (nodes.size() > 1 || !(only.isText() || only.isCDATASection()))
        throw EVexgridXML(QStringLiteral("Element does not contain a single text node"));
    return only.nodeValue();
}

std::optional<int> TXMLVexgridNode::ChildInteger(const QString& name) const
{
    try {
        const QString text = ChildText(name).trimmed();
        if (text.isEmpty())
            return std::nullopt;
        return ParseDecimalInteger(text);
    } catch (const EVexgridXML&) {
        return std::nullopt;  // an integer element never fails the load
    }
}

TXMLShootertargetsType::TXMLShootertargetsType(const QDomElement& node) : TXMLVexgridNode(node)
{
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.nodeName() == QLatin1String("shootertarget") && child.namespaceURI().isEmpty())
            targets.append(child);
    }
}

TXMLShootertargetType TXMLShootertargetsType::Shootertarget(int index) const
{
    if (index < 0 || index >= targets.size())
        throw std::out_of_range("shootertarget index out of range");
    return TXMLShootertargetType(targets[index]);
}

TXMLShootertargetsType TXMLShooterType::shootertargets() const
{
    return TXMLShootertargetsType(Child(QStringLiteral("shootertargets")));
}

TXMLShooterType TXMLVexgridType::shooter() const { return TXMLShooterType(Child(QStringLiteral("shooter"))); }

QStringList TXMLVexgridType::mibs() const
{
    QStringList paths;
    const QDomElement list = Child(QStringLiteral("mibs"));
    for (QDomElement child = list.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.nodeName() != QLatin1String("mib") || !child.namespaceURI().isEmpty())
            continue;
        // A mib that holds elements names no path; it is passed over rather
        // than failing the file, since the MIB folders only add names.
        const QDomNodeList nodes = child.childNodes();
        const bool text = nodes.size() == 1 && (nodes.at(0).isText() || nodes.at(0).isCDATASection());
        const QString path = text ? nodes.at(0).nodeValue().trimmed() : QString();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

TXMLVexgridType GetVexgrid(const QDomDocument& document)
{
    const QDomElement root = document.documentElement();
    if (root.isNull())
        throw EVexgridXML(QStringLiteral("The document has no root element"));
    if (root.nodeName() != QLatin1String("vexgrid") || !root.namespaceURI().isEmpty()) {
        QString found = root.nodeName();
        if (!root.namespaceURI().isEmpty())
            found += QStringLiteral(" in namespace ") + root.namespaceURI();
        throw EVexgridXML(QStringLiteral("The root element must be vexgrid in no namespace, found ") + found);
    }
    return TXMLVexgridType(root);
}
