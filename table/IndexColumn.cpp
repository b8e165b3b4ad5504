#include "table/IndexColumn.h"

#include "names/IndexDecoder.h"
#include "names/MibNames.h"
#include "core/Oid.h"
#include "table/Shared.h"

const QString indexColumnCaption = QStringLiteral("Index");

QString InstanceSuffixOf(const QStringList& targets, const QString& oid)
{
    const TOid cell = TOid::FromText(oid);
    for (const QString& target : targets) {
        // By arcs: "1.3.6.1.2.1.2.2.1.1" does not claim "1.3.6.1.2.1.2.2.1.10.3".
        const TOid column = TOid::FromText(target);
        if (!column.IsEmpty() && column.Size() < cell.Size() && column.IsPrefixOf(cell))
            return cell.SuffixAfter(column).ToSuffixString();
    }
    return QString();
}

QString IndexColumnText(const TOidNameTable& names, const QStringList& targets, const QString& suffix)
{
    const QString raw = suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix;
    const TMibNames* mibNames = names.MibNames();
    if (!mibNames || raw.isEmpty())
        return raw;
    for (const QString& target : targets) {
        const QString text = DecodeInstanceIndex(*mibNames, target, suffix);
        if (text != raw)
            return text;
    }
    return raw;
}
