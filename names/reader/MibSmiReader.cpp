#include "names/reader/MibSmiReader.h"

#include <QHash>
#include <QSet>

// smi.h is C and names a parameter "class"; the word is renamed for its
// declarations only.
#define class smiClass
#include <smi.h>
#undef class

namespace {

// What libsmi reports during one LoadFile call; the reader process has one
// thread, so a plain pointer suffices.
QVector<TSmiMessage>* currentMessages = nullptr;

void CollectMessage(char* path, int line, int severity, char* msg, char* /*tag*/)
{
    if (currentMessages) {
        currentMessages->append(TSmiMessage{QString::fromLocal8Bit(path ? path : ""), line, severity,
                                            QString::fromLocal8Bit(msg ? msg : "")});
    }
}

// Up to this level libsmi reports errors that make a module wrong or
// incomplete (missing imports, syntax errors), not style remarks.
constexpr int smiErrorLevel = 3;
// A type chain is a few links long; the bound guards a malformed module.
constexpr int maxTypeDepth = 16;

QString Text(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

QString BaseName(SmiBasetype basetype)
{
    switch (basetype) {
    case SMI_BASETYPE_INTEGER32: return QStringLiteral("Integer32");
    case SMI_BASETYPE_UNSIGNED32: return QStringLiteral("Unsigned32");
    case SMI_BASETYPE_OCTETSTRING: return QStringLiteral("OCTET STRING");
    case SMI_BASETYPE_OBJECTIDENTIFIER: return QStringLiteral("OBJECT IDENTIFIER");
    case SMI_BASETYPE_ENUM: return QStringLiteral("INTEGER");
    case SMI_BASETYPE_BITS: return QStringLiteral("BITS");
    case SMI_BASETYPE_UNSIGNED64: return QStringLiteral("Counter64");
    case SMI_BASETYPE_INTEGER64: return QStringLiteral("Integer64");
    default: return QString();
    }
}

bool IsSmiType(const QString& name, const QString& module)
{
    static const QSet<QString> types = {"Integer32", "Unsigned32", "Counter32", "Counter64",
                                        "Gauge32",   "TimeTicks",  "IpAddress", "Opaque"};
    static const QSet<QString> modules = {"", "SNMPv2-SMI", "RFC1155-SMI", "RFC1065-SMI"};
    return types.contains(name) && modules.contains(module);
}

void AddLabels(SmiType* type, QVector<TMibLabel>* labels)
{
    for (SmiNamedNumber* number = smiGetFirstNamedNumber(type); number;
         number = smiGetNextNamedNumber(number)) {
        const SmiValue& v = number->value;
        const qint64 value =
            v.basetype == SMI_BASETYPE_INTEGER32 ? qint64(v.value.integer32) : qint64(v.value.unsigned32);
        labels->append(TMibLabel{value, Text(number->name)});
    }
}

// Fills type, textual convention, hint and labels from the node's type chain.
void ResolveType(SmiNode* node, TMibObject* object)
{
    SmiBasetype basetype = SMI_BASETYPE_UNKNOWN;
    SmiType* type = smiGetNodeType(node);
    for (int depth = 0; type && depth < maxTypeDepth; ++depth, type = smiGetParentType(type)) {
        basetype = type->basetype;
        if (object->labels.isEmpty())
            AddLabels(type, &object->labels);
        if (object->displayHint.isEmpty())
            object->displayHint = Text(type->format);
        const QString name = Text(type->name);
        if (name.isEmpty())
            continue;
        SmiModule* module = smiGetTypeModule(type);
        const QString moduleName = module ? Text(module->name) : QString();
        if (IsSmiType(name, moduleName)) {
            object->type = name;
            return;
        }
        if (moduleName.isEmpty())  // one of libsmi's own base types
            break;
        if (object->textualConvention.isEmpty())
            object->textualConvention = name;
    }
    object->type = BaseName(basetype);
}

void ResolveIndex(SmiNode* row, TMibObject* object)
{
    SmiNode* source = row;
    if (row->indexkind == SMI_INDEX_AUGMENT) {
        source = smiGetRelatedNode(row);
        if (!source)
            return;
    }
    for (SmiElement* element = smiGetFirstElement(source); element; element = smiGetNextElement(element)) {
        if (SmiNode* indexNode = smiGetElementNode(element))
            object->index.append(Text(indexNode->name));
    }
    object->impliedLast = source->implied != 0 && !object->index.isEmpty();
}

QString AccessText(SmiNode* node)
{
    switch (node->access) {
    case SMI_ACCESS_NOT_IMPLEMENTED: return QStringLiteral("not-implemented");
    case SMI_ACCESS_NOT_ACCESSIBLE: return QStringLiteral("not-accessible");
    case SMI_ACCESS_NOTIFY: return QStringLiteral("accessible-for-notify");
    case SMI_ACCESS_READ_ONLY: return QStringLiteral("read-only");
    case SMI_ACCESS_READ_WRITE: {
        // libsmi keeps read-create as read-write of a column whose row creates.
        SmiNode* row = node->nodekind == SMI_NODEKIND_COLUMN ? smiGetParentNode(node) : nullptr;
        return row && row->create ? QStringLiteral("read-create") : QStringLiteral("read-write");
    }
    default: return QString();
    }
}

QString StatusText(SmiStatus status)
{
    switch (status) {
    case SMI_STATUS_CURRENT: return QStringLiteral("current");
    case SMI_STATUS_DEPRECATED: return QStringLiteral("deprecated");
    case SMI_STATUS_MANDATORY: return QStringLiteral("mandatory");
    case SMI_STATUS_OPTIONAL: return QStringLiteral("optional");
    case SMI_STATUS_OBSOLETE: return QStringLiteral("obsolete");
    default: return QString();
    }
}

// The UNITS of the object, else those of its textual convention.
QString UnitsOf(SmiNode* node)
{
    if (node->units && *node->units)
        return Text(node->units);
    SmiType* type = smiGetNodeType(node);
    for (int depth = 0; type && depth < maxTypeDepth; ++depth, type = smiGetParentType(type)) {
        if (type->units && *type->units)
            return Text(type->units);
    }
    return QString();
}

// What the module says of the node beyond its type: units, access, status
// and description.
void AddClauses(SmiNode* node, TMibObject* object)
{
    object->units = UnitsOf(node);
    if (object->kind != TMibKind::Node)
        object->access = AccessText(node);
    object->status = StatusText(node->status);
    object->description = Text(node->description);
}

bool KindOf(SmiNodekind nodekind, TMibKind* kind)
{
    switch (nodekind) {
    case SMI_NODEKIND_NODE: *kind = TMibKind::Node; return true;
    case SMI_NODEKIND_SCALAR: *kind = TMibKind::Scalar; return true;
    case SMI_NODEKIND_TABLE: *kind = TMibKind::Table; return true;
    case SMI_NODEKIND_ROW: *kind = TMibKind::Row; return true;
    case SMI_NODEKIND_COLUMN: *kind = TMibKind::Column; return true;
    case SMI_NODEKIND_NOTIFICATION: *kind = TMibKind::Notification; return true;
    default: return false;
    }
}

QStringList ImportedModules(const QString& module)
{
    QStringList modules;
    SmiModule* smiModule = smiGetModule(module.toUtf8().constData());
    if (!smiModule)
        return modules;
    for (SmiImport* import = smiGetFirstImport(smiModule); import; import = smiGetNextImport(import)) {
        const QString imported = Text(import->module);
        if (!modules.contains(imported))
            modules << imported;
    }
    return modules;
}

// Depth-first search for a path of imports from path.last() back to target.
bool FindCycle(const QString& target, QStringList* path, QSet<QString>* seen)
{
    for (const QString& imported : ImportedModules(path->last())) {
        if (imported == target) {
            path->append(imported);
            return true;
        }
        if (seen->contains(imported))
            continue;
        seen->insert(imported);
        path->append(imported);
        if (FindCycle(target, path, seen))
            return true;
        path->removeLast();
    }
    return false;
}

QString OidText(const SmiNode* node)
{
    QStringList parts;
    for (unsigned int i = 0; i < node->oidlen; ++i)
        parts << QString::number(node->oid[i]);
    return parts.join(QLatin1Char('.'));
}

}  // namespace

TSmiSession::TSmiSession(const QStringList& searchFolders)
{
    smiInit("HB_Vexgrid");
    smiSetFlags(SMI_FLAG_ERRORS);  // errors go to CollectMessage; descriptions are kept
    smiSetErrorLevel(smiErrorLevel);
    smiSetErrorHandler(CollectMessage);
    smiSetPath(searchFolders.join(QLatin1Char(':')).toLocal8Bit().constData());
}

TSmiSession::~TSmiSession()
{
    smiExit();
    currentMessages = nullptr;
}

QString TSmiSession::LoadFile(const QString& file, QVector<TSmiMessage>* messages)
{
    currentMessages = messages;
    const char* module = smiLoadModule(file.toLocal8Bit().constData());
    currentMessages = nullptr;
    return Text(module);
}

QStringList TSmiSession::ImportCycle(const QString& module) const
{
    QStringList path{module};
    QSet<QString> seen{module};
    return FindCycle(module, &path, &seen) ? path : QStringList();
}

void TSmiSession::Walk(const QHash<QString, QString>& fileByModule, const QSet<QString>& brokenPaths,
                       const std::function<void(const QString& module, const QString& file)>& onModule,
                       const std::function<void(const TMibObject&)>& onObject) const
{
    for (SmiModule* module = smiGetFirstModule(); module; module = smiGetNextModule(module)) {
        if (brokenPaths.contains(Text(module->path)))
            continue;
        const QString moduleName = Text(module->name);
        const QString file = fileByModule.value(moduleName, Text(module->path));
        onModule(moduleName, file.isEmpty() ? moduleName : file);
        for (SmiNode* node = smiGetFirstNode(module, SMI_NODEKIND_ANY); node;
             node = smiGetNextNode(node, SMI_NODEKIND_ANY)) {
            TMibObject object;
            if (!node->name || !KindOf(node->nodekind, &object.kind))
                continue;
            object.oid = OidText(node);
            object.name = Text(node->name);
            if (object.kind == TMibKind::Scalar || object.kind == TMibKind::Column)
                ResolveType(node, &object);
            if (object.kind == TMibKind::Row)
                ResolveIndex(node, &object);
            AddClauses(node, &object);
            onObject(object);
        }
    }
}
