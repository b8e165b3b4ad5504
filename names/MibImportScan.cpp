#include "names/MibImportScan.h"

#include <QRegularExpression>
#include <QSet>
#include <QVector>

#include <functional>

namespace {

// The modules that define the SMI itself; libsmi cannot do without them.
const QStringList baseModules = {QStringLiteral("SNMPv2-SMI"),  QStringLiteral("SNMPv2-TC"),
                                 QStringLiteral("SNMPv2-CONF"), QStringLiteral("RFC1155-SMI"),
                                 QStringLiteral("RFC-1212"),    QStringLiteral("RFC-1215")};

// ASN.1 comments run from "--" to the next "--" or the end of the line.
QString WithoutComments(const QString& text)
{
    static const QRegularExpression comment(QStringLiteral("--[^\\n]*?(--|$)"),
                                            QRegularExpression::MultilineOption);
    QString result = text;
    return result.replace(comment, QStringLiteral(" "));
}

}  // namespace

TMibHeader ScanMibHeader(const QByteArray& text)
{
    static const QRegularExpression definitions(
        QStringLiteral("([A-Za-z][-A-Za-z0-9]*)\\s+(?:\\{[^}]*\\}\\s*)?DEFINITIONS\\s*::=\\s*BEGIN"));
    static const QRegularExpression imports(QStringLiteral("\\bIMPORTS\\b([^;]*);"));
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+([A-Za-z][-A-Za-z0-9]*)"));
    TMibHeader header;
    const QString plain = WithoutComments(QString::fromLatin1(text));
    const QRegularExpressionMatch start = definitions.match(plain);
    if (!start.hasMatch())
        return header;
    header.module = start.captured(1);
    const QRegularExpressionMatch clause = imports.match(plain, start.capturedEnd());
    if (!clause.hasMatch())
        return header;
    auto names = from.globalMatch(clause.captured(1));
    while (names.hasNext()) {
        const QString name = names.next().captured(1);
        if (!header.imports.contains(name))
            header.imports << name;
    }
    return header;
}

QHash<QString, QStringList> MissingBaseModules(const QVector<TMibHeader>& headers)
{
    QHash<QString, const TMibHeader*> byModule;
    for (const TMibHeader& header : headers) {
        if (!header.module.isEmpty() && !byModule.contains(header.module))
            byModule.insert(header.module, &header);
    }
    QHash<QString, QStringList> missing;
    QSet<QString> done;
    // Depth first; a module on the current path counts as needing nothing
    // more, which ends import cycles.
    std::function<QStringList(const QString&)> visit = [&](const QString& module) -> QStringList {
        if (done.contains(module))
            return missing.value(module);
        done.insert(module);
        QStringList needs;
        const TMibHeader* header = byModule.value(module);
        for (const QString& imported : header ? header->imports : QStringList()) {
            const QStringList found =
                byModule.contains(imported)
                    ? visit(imported)
                    : (baseModules.contains(imported) ? QStringList{imported} : QStringList());
            for (const QString& base : found) {
                if (!needs.contains(base))
                    needs << base;
            }
        }
        if (!needs.isEmpty())
            missing.insert(module, needs);
        return needs;
    };
    for (const QString& module : byModule.keys())
        visit(module);
    return missing;
}

QHash<QString, QStringList> ImportsFrom(const QVector<TMibHeader>& headers, const QSet<QString>& targets)
{
    QHash<QString, const TMibHeader*> byModule;
    for (const TMibHeader& header : headers) {
        if (!header.module.isEmpty() && !byModule.contains(header.module))
            byModule.insert(header.module, &header);
    }
    QHash<QString, QStringList> found;
    QSet<QString> done;
    std::function<QStringList(const QString&)> visit = [&](const QString& module) -> QStringList {
        if (done.contains(module))
            return found.value(module);
        done.insert(module);
        QStringList reached;
        const TMibHeader* header = byModule.value(module);
        for (const QString& imported : header ? header->imports : QStringList()) {
            QStringList through = visit(imported);
            if (targets.contains(imported))
                through.prepend(imported);
            for (const QString& target : through) {
                if (!reached.contains(target))
                    reached << target;
            }
        }
        if (!reached.isEmpty())
            found.insert(module, reached);
        return reached;
    };
    for (const QString& module : byModule.keys())
        visit(module);
    return found;
}
