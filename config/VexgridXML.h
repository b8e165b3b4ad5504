// VexgridXML: read-only binding classes over a parsed vexgrid file.
//
//   vexgrid
//     programtitle, preferredinstance, width, height, host, community
//     mibs
//       mib*  (a folder or file of MIB modules)
//     shooter
//       remoteport, snmpversion, maxrepetitions, parallel
//       user, securitylevel, authprotocol, authpassword, authpasswordenv,
//       privprotocol, privpassword, privpasswordenv, contextname   (SNMPv3)
//       shootertargets
//         shootertarget*  (oid, oiddescr, instance)
//
// Each class wraps one element and reads its children by name: exact names,
// letter case included, in no namespace; the first of several equal siblings
// counts; sibling order does not matter. A missing child is never an error: a
// text reads as empty, an integer as absent, a shooter or shootertargets as an
// empty one. The wrapped document must outlive the wrappers.
#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

// EVexgridXML: the file cannot be read as a vexgrid file (wrong root element,
// a value element that holds elements). The message is the reason shown to
// the user.
class EVexgridXML : public std::runtime_error {
public:
    explicit EVexgridXML(const QString& message);
    QString Message() const;
};

// Base of the binding classes: one element, possibly null (a missing child).
class TXMLVexgridNode {
public:
    explicit TXMLVexgridNode(const QDomElement& element = QDomElement());
    bool IsPresent() const { return !element.isNull(); }

protected:
    // The first child element named `name` in no namespace, or a null element.
    QDomElement Child(const QString& name) const;
    // Text of child `name`; empty when missing or empty. Throws EVexgridXML
    // "Element does not contain a single text node" when the child holds
    // anything but one text or CDATA node.
    QString ChildText(const QString& name) const;
    // Whole number in child `name` (blanks around it allowed); absent when the
    // child is missing, empty, holds elements, or is not a decimal integer.
    std::optional<int> ChildInteger(const QString& name) const;

    QDomElement element;
};

class TXMLShootertargetType : public TXMLVexgridNode {
public:
    using TXMLVexgridNode::TXMLVexgridNode;
    QString oid() const { return ChildText(QStringLiteral("oid")); }
    QString oiddescr() const { return ChildText(QStringLiteral("oiddescr")); }
    QString instance() const { return ChildText(QStringLiteral("instance")); }
};

// The shootertarget children in document order; other children are ignored.
class TXMLShootertargetsType : public TXMLVexgridNode {
public:
    explicit TXMLShootertargetsType(const QDomElement& element = QDomElement());
    int Count() const { return static_cast<int>(targets.size()); }
    // The target at zero-based `index`; throws std::out_of_range past the end.
    TXMLShootertargetType Shootertarget(int index) const;

private:
    QList<QDomElement> targets;
};

class TXMLShooterType : public TXMLVexgridNode {
public:
    using TXMLVexgridNode::TXMLVexgridNode;
    std::optional<int> remoteport() const { return ChildInteger(QStringLiteral("remoteport")); }
    std::optional<int> snmpversion() const { return ChildInteger(QStringLiteral("snmpversion")); }
    // SNMPv3 elements, by name (their text; missing reads as empty).
    QString Text(const QString& name) const { return ChildText(name); }
    bool Has(const QString& name) const { return !Child(name).isNull(); }
    std::optional<int> maxrepetitions() const { return ChildInteger(QStringLiteral("maxrepetitions")); }
    std::optional<int> parallel() const { return ChildInteger(QStringLiteral("parallel")); }
    TXMLShootertargetsType shootertargets() const;
};

class TXMLVexgridType : public TXMLVexgridNode {
public:
    using TXMLVexgridNode::TXMLVexgridNode;
    QString programtitle() const { return ChildText(QStringLiteral("programtitle")); }
    QString preferredinstance() const { return ChildText(QStringLiteral("preferredinstance")); }
    std::optional<int> width() const { return ChildInteger(QStringLiteral("width")); }
    std::optional<int> height() const { return ChildInteger(QStringLiteral("height")); }
    QString host() const { return ChildText(QStringLiteral("host")); }
    QString community() const { return ChildText(QStringLiteral("community")); }
    TXMLShooterType shooter() const;
    // The texts of the mib children of mibs, in document order, empty ones left out.
    QStringList mibs() const;
};

// GetVexgrid returns the root of `document` wrapped. Throws EVexgridXML when
// the root element is not `vexgrid` in no namespace.
TXMLVexgridType GetVexgrid(const QDomDocument& document);
