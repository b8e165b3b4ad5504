#include "names/MibReadProtocol.h"

namespace MibRead {

namespace {

// The fixed fields of an O record; the enumeration labels follow as
// value, label pairs.
constexpr int objectFixedFields = 12;

}  // namespace

QByteArray Escape(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

QString Unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const char next = field[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return QString::fromUtf8(out);
}

QByteArray Record(char tag, const QStringList& fields)
{
    QByteArray line(1, tag);
    for (const QString& field : fields) {
        line += '\t';
        line += Escape(field);
    }
    line += '\n';
    return line;
}

bool ParseRecord(const QByteArray& line, char* tag, QStringList* fields)
{
    if (line.isEmpty())
        return false;
    const QList<QByteArray> parts = line.split('\t');
    if (parts.first().size() != 1)
        return false;
    *tag = parts.first().at(0);
    fields->clear();
    for (qsizetype i = 1; i < parts.size(); ++i)
        fields->append(Unescape(parts[i]));
    return true;
}

QStringList ObjectFields(const TMibObject& object)
{
    QStringList fields = {object.oid,
                          object.name,
                          QString::number(int(object.kind)),
                          object.type,
                          object.textualConvention,
                          object.displayHint,
                          object.index.join(QLatin1Char(' ')),
                          object.impliedLast ? QStringLiteral("1") : QString(),
                          object.units,
                          object.access,
                          object.status,
                          object.description};
    for (const TMibLabel& label : object.labels)
        fields << QString::number(label.value) << label.label;
    return fields;
}

bool ObjectFromFields(const QStringList& fields, TMibObject* object)
{
    if (fields.size() < objectFixedFields || (fields.size() - objectFixedFields) % 2 != 0)
        return false;
    bool ok = false;
    const int kind = fields[2].toInt(&ok);
    if (!ok || kind < int(TMibKind::Node) || kind > int(TMibKind::Notification))
        return false;
    object->oid = fields[0];
    object->name = fields[1];
    object->kind = TMibKind(kind);
    object->type = fields[3];
    object->textualConvention = fields[4];
    object->displayHint = fields[5];
    object->index = fields[6].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    object->impliedLast = !fields[7].isEmpty();
    object->units = fields[8];
    object->access = fields[9];
    object->status = fields[10];
    object->description = fields[11];
    for (qsizetype i = objectFixedFields; i < fields.size(); i += 2) {
        const qint64 value = fields[i].toLongLong(&ok);
        if (!ok)
            return false;
        object->labels.append(TMibLabel{value, fields[i + 1]});
    }
    return true;
}

}  // namespace MibRead
