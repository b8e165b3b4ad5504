// The names of MIB objects: OID, descriptor, SMI type, textual convention,
// display hint, enumeration labels and, for table rows, the INDEX objects.
#pragma once

#include "core/Oid.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

enum class TMibKind { Node, Scalar, Table, Row, Column, Notification };

// One named number of an enumerated INTEGER (or one bit of BITS).
struct TMibLabel {
    qint64 value = 0;
    QString label;
};

struct TMibObject {
    QString oid;  // dotted decimal, no leading dot
    QString name;
    QString module;
    TMibKind kind = TMibKind::Node;
    QString type;               // the SMI type: INTEGER, Integer32, OCTET STRING, Counter64, ...
    QString textualConvention;  // the named type the syntax refers to, or empty
    QString displayHint;
    QVector<TMibLabel> labels;
    QStringList index;         // INDEX object names of a row, in order
    bool impliedLast = false;  // the last INDEX object is IMPLIED
    QString file;              // the module file a loaded object came from; empty when built in
    // What the module says beyond the names; empty when not known (the
    // built-in table holds none of them).
    QString units;
    QString access;  // MAX-ACCESS as written: read-only, read-create, not-accessible, ...
    QString status;  // current, deprecated, obsolete, mandatory, optional
    QString description;
};

// The object named by the longest known prefix of an OID and the rest of
// that OID, dot included (".0", ".10.0.0.1"), or empty when the OID is the
// object's own.
struct TMibMatch {
    const TMibObject* object = nullptr;
    QString suffix;
};

// An immutable-once-published table of MIB objects keyed by OID. Adding an
// object whose OID is present replaces it, so a table merged over another
// wins for the OIDs both name.
class TMibNames {
public:
    // The program's own table of the common modules; built once.
    static std::shared_ptr<const TMibNames> BuiltIn();

    void Add(const TMibObject& object);
    void Reserve(int count);
    // Adds every object of other; other's objects win for the same OID.
    void Merge(const TMibNames& other);

    // The object of exactly that OID, or nullptr (also for a text that is
    // no OID).
    const TMibObject* Lookup(const QString& oid) const;
    const TMibObject* Lookup(const TOid& oid) const;
    const TMibObject* LookupName(const QString& name) const;
    // The object of a descriptor written alone ("ifDescr") or with its module
    // ("IF-MIB::ifDescr"), or nullptr.
    const TMibObject* LookupQualifiedName(const QString& name) const;
    // The object of the longest known prefix of oid, by arcs, and the rest.
    TMibMatch Find(const QString& oid) const;

    // The row a column belongs to (the row itself for a row), or nullptr.
    const TMibObject* RowOf(const TMibObject& object) const;
    // The INDEX objects that name the instances of a row or of its columns.
    QVector<const TMibObject*> IndexObjects(const TMibObject& object) const;
    // The columns of a table, of a row, or of the row a column belongs to,
    // in OID order; empty for anything else.
    QVector<const TMibObject*> ColumnsOf(const TMibObject& object) const;
    // The label of value in an enumeration, or empty.
    static QString Label(const TMibObject& object, qint64 value);

    int Count() const { return int(objects.size()); }
    const QVector<TMibObject>& Objects() const { return objects; }

private:
    QVector<TMibObject> objects;
    QHash<TOid, int> indexByOid;
    QHash<QString, int> indexByName;           // the first object of each descriptor
    QHash<QString, int> indexByQualifiedName;  // "MODULE::descriptor"
};

// Reads "1=up,2=down" into labels; false on a malformed pair.
bool ParseMibLabels(const QString& text, QVector<TMibLabel>* labels);
