#include "names/MibDetails.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

QString KindText(TMibKind kind)
{
    switch (kind) {
    case TMibKind::Scalar: return QStringLiteral("scalar");
    case TMibKind::Table: return QStringLiteral("table");
    case TMibKind::Row: return QStringLiteral("table entry");
    case TMibKind::Column: return QStringLiteral("column");
    case TMibKind::Notification: return QStringLiteral("notification");
    case TMibKind::Node: break;
    }
    return QStringLiteral("node");
}

// The row that names the instances of object: its own, or a table's row.
const TMibObject* IndexedRow(const TMibNames& names, const TMibObject& object)
{
    if (object.kind == TMibKind::Table) {
        const QVector<const TMibObject*> columns = names.ColumnsOf(object);
        return columns.isEmpty() ? nullptr : names.RowOf(*columns.first());
    }
    return names.RowOf(object);
}

QString IndexText(const TMibObject& row)
{
    QStringList parts = row.index;
    if (row.impliedLast && !parts.isEmpty())
        parts.last().prepend(QStringLiteral("IMPLIED "));
    return QStringLiteral("{ %1 }").arg(parts.join(QStringLiteral(", ")));
}

}  // namespace

QString MibSyntaxText(const TMibObject& object)
{
    QString text = object.textualConvention.isEmpty()
                     ? object.type
                     : QStringLiteral("%1 (%2)").arg(object.textualConvention, object.type);
    if (!object.labels.isEmpty()) {
        QStringList labels;
        for (const TMibLabel& label : object.labels)
            labels << QStringLiteral("%1(%2)").arg(label.label).arg(label.value);
        text += QStringLiteral(" { %1 }").arg(labels.join(QStringLiteral(", ")));
    }
    return text;
}

QString MibDescriptionText(const QString& description)
{
    QStringList lines = description.split(QLatin1Char('\n'));
    qsizetype indent = std::numeric_limits<qsizetype>::max();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const auto text = std::find_if(line.begin(), line.end(), [](QChar c) { return !c.isSpace(); });
        if (text != line.end())
            indent = std::min(indent, qsizetype(text - line.begin()));
    }
    // Lines of blanks only become empty; the others have at least indent blanks.
    for (qsizetype i = 1; i < lines.size(); ++i)
        lines[i] = lines[i].trimmed().isEmpty() ? QString() : lines[i].mid(indent);
    return lines.join(QLatin1Char('\n')).trimmed();
}

QString MibDescriptionSummary(const QString& description)
{
    const QString text = description.simplified();
    // A full stop followed by a blank and a capital, or the end, ends it.
    static const QRegularExpression end(QStringLiteral("[.!?](\\s+(?=[A-Z])|$)"));
    const QRegularExpressionMatch match = end.match(text);
    return match.hasMatch() ? text.left(match.capturedStart() + 1) : text;
}

QVector<TMibDetail> MibObjectDetails(const TMibNames& names, const TMibObject& object)
{
    QVector<TMibDetail> details;
    const auto add = [&details](const char* field, const QString& value) {
        if (!value.isEmpty())
            details.append(TMibDetail{QString::fromLatin1(field), value});
    };
    add("Name", object.name);
    add("OID", object.oid);
    add("Module", object.file.isEmpty() ? object.module + QStringLiteral(" (built in)")
                                        : QStringLiteral("%1 (%2)").arg(object.module, object.file));
    add("Kind", KindText(object.kind));
    if (object.kind == TMibKind::Scalar || object.kind == TMibKind::Column) {
        add("SYNTAX", MibSyntaxText(object));
        add("DISPLAY-HINT", object.displayHint.isEmpty()
                                ? QString()
                                : QLatin1Char('"') + object.displayHint + QLatin1Char('"'));
    }
    add("UNITS", object.units.isEmpty() ? QString() : QLatin1Char('"') + object.units + QLatin1Char('"'));
    add("MAX-ACCESS", object.access);
    add("STATUS", object.status);
    if (const TMibObject* row = IndexedRow(names, object); row && !row->index.isEmpty())
        add("INDEX", IndexText(*row));
    add("DESCRIPTION", MibDescriptionText(object.description));
    return details;
}

bool MibColumnShownByDefault(const TMibNames& names, const TMibObject& column)
{
    if (column.access == QLatin1String("not-accessible"))
        return false;
    const TMibObject* row = names.RowOf(column);
    return !row || !row->index.contains(column.name);
}
