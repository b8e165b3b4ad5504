#include "names/MibNames.h"

#include "names/MibFacts.h"

#include <algorithm>

namespace {

TMibKind KindOf(const char* kind)
{
    const QLatin1String text(kind);
    if (text == QLatin1String("scalar"))
        return TMibKind::Scalar;
    if (text == QLatin1String("table"))
        return TMibKind::Table;
    if (text == QLatin1String("row"))
        return TMibKind::Row;
    if (text == QLatin1String("column"))
        return TMibKind::Column;
    if (text == QLatin1String("notification"))
        return TMibKind::Notification;
    return TMibKind::Node;
}

TMibObject FromFact(const TMibFact& fact, const char* module)
{
    TMibObject object;
    object.oid = QString::fromLatin1(fact.oid);
    object.name = QString::fromLatin1(fact.name);
    object.module = QString::fromLatin1(module);
    object.kind = KindOf(fact.kind);
    object.type = QString::fromLatin1(fact.type);
    object.textualConvention = QString::fromLatin1(fact.textualConvention);
    object.displayHint = QString::fromLatin1(fact.displayHint);
    ParseMibLabels(QString::fromLatin1(fact.labels), &object.labels);
    object.index = QString::fromLatin1(fact.index).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!object.index.isEmpty() && object.index.last().startsWith(QLatin1Char('*'))) {
        object.index.last().remove(0, 1);
        object.impliedLast = true;
    }
    object.description = QString::fromLatin1(fact.description);
    return object;
}

QString QualifiedName(const TMibObject& object) { return object.module + QStringLiteral("::") + object.name; }

// The OID without its last arc.
QString ParentOid(const QString& oid)
{
    const qsizetype dot = oid.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? oid.left(dot) : QString();
}

}  // namespace

bool ParseMibLabels(const QString& text, QVector<TMibLabel>* labels)
{
    labels->clear();
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        bool ok = false;
        const qint64 value = equals > 0 ? pair.left(equals).toLongLong(&ok) : 0;
        if (!ok || equals + 1 >= pair.size())
            return false;
        labels->append(TMibLabel{value, pair.mid(equals + 1)});
    }
    return true;
}

std::shared_ptr<const TMibNames> TMibNames::BuiltIn()
{
    static const std::shared_ptr<const TMibNames> table = [] {
        auto names = std::make_shared<TMibNames>();
        int count = 0;
        for (int m = 0; m < mibFactModuleCount; ++m)
            count += mibFactModules[m].count;
        names->Reserve(count);
        for (int m = 0; m < mibFactModuleCount; ++m) {
            const TMibFactModule& module = mibFactModules[m];
            for (int i = 0; i < module.count; ++i)
                names->Add(FromFact(module.facts[i], module.module));
        }
        return std::shared_ptr<const TMibNames>(names);
    }();
    return table;
}

void TMibNames::Add(const TMibObject& object)
{
    const TOid key = TOid::FromText(object.oid);
    auto found = indexByOid.constFind(key);
    if (found != indexByOid.constEnd()) {
        objects[*found] = object;
        indexByName.insert(object.name, *found);
        indexByQualifiedName.insert(QualifiedName(object), *found);
        return;
    }
    indexByOid.insert(key, int(objects.size()));
    if (!indexByName.contains(object.name))
        indexByName.insert(object.name, int(objects.size()));
    indexByQualifiedName.insert(QualifiedName(object), int(objects.size()));
    objects.append(object);
}

void TMibNames::Reserve(int count)
{
    objects.reserve(count);
    indexByOid.reserve(count);
    indexByName.reserve(count);
    indexByQualifiedName.reserve(count);
}

void TMibNames::Merge(const TMibNames& other)
{
    for (const TMibObject& object : other.objects)
        Add(object);
}

const TMibObject* TMibNames::Lookup(const QString& oid) const
{
    const std::optional<TOid> key = TOid::Parse(oid);
    return key && !key->IsEmpty() ? Lookup(*key) : nullptr;
}

const TMibObject* TMibNames::Lookup(const TOid& oid) const
{
    auto found = indexByOid.constFind(oid);
    return found == indexByOid.constEnd() ? nullptr : &objects[*found];
}

const TMibObject* TMibNames::LookupName(const QString& name) const
{
    auto found = indexByName.constFind(name);
    return found == indexByName.constEnd() ? nullptr : &objects[*found];
}

const TMibObject* TMibNames::LookupQualifiedName(const QString& name) const
{
    if (!name.contains(QStringLiteral("::")))
        return LookupName(name);
    auto found = indexByQualifiedName.constFind(name);
    return found == indexByQualifiedName.constEnd() ? nullptr : &objects[*found];
}

TMibMatch TMibNames::Find(const QString& oid) const
{
    // Strip trailing arcs until a known prefix is left. A text being typed
    // may end in a dot or in a part that is no arc yet: what is left of the
    // last dot is tried first, so "ifName." still names ifName.
    qsizetype end = oid.size();
    while (end > 0) {
        if (const TMibObject* object = Lookup(oid.left(end)))
            return TMibMatch{object, oid.mid(end)};
        end = oid.lastIndexOf(QLatin1Char('.'), end - 1);
    }
    return TMibMatch{};
}

const TMibObject* TMibNames::RowOf(const TMibObject& object) const
{
    if (object.kind == TMibKind::Row)
        return &object;
    if (object.kind != TMibKind::Column)
        return nullptr;
    const qsizetype dot = object.oid.lastIndexOf(QLatin1Char('.'));
    const TMibObject* row = dot > 0 ? Lookup(object.oid.left(dot)) : nullptr;
    return row && row->kind == TMibKind::Row ? row : nullptr;
}

QVector<const TMibObject*> TMibNames::IndexObjects(const TMibObject& object) const
{
    QVector<const TMibObject*> result;
    const TMibObject* row = RowOf(object);
    if (!row)
        return result;
    for (const QString& name : row->index)
        result.append(LookupName(name));  // nullptr for an object nobody names
    return result;
}

QVector<const TMibObject*> TMibNames::ColumnsOf(const TMibObject& object) const
{
    QVector<const TMibObject*> columns;
    QString rowOid;
    if (object.kind == TMibKind::Table) {
        for (const TMibObject& row : objects) {
            if (row.kind == TMibKind::Row && ParentOid(row.oid) == object.oid)
                rowOid = row.oid;
        }
    } else if (const TMibObject* row = RowOf(object)) {
        rowOid = row->oid;
    }
    if (rowOid.isEmpty())
        return columns;
    for (const TMibObject& column : objects) {
        if (column.kind == TMibKind::Column && ParentOid(column.oid) == rowOid)
            columns.append(&column);
    }
    std::sort(columns.begin(), columns.end(), [](const TMibObject* a, const TMibObject* b) {
        return TOid::FromText(a->oid) < TOid::FromText(b->oid);
    });
    return columns;
}

QString TMibNames::Label(const TMibObject& object, qint64 value)
{
    for (const TMibLabel& label : object.labels) {
        if (label.value == value)
            return label.label;
    }
    return QString();
}
