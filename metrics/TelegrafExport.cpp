#include "metrics/ModuleExport.h"

#include "metrics/ExportText.h"
#include "metrics/Exposition.h"

#include "names/MibNames.h"

#include <QMap>

namespace {

QByteArray FieldLines(const QByteArray& indent, const QString& name, const QString& oid, bool tag)
{
    QByteArray out =
        indent + "name = " + QuotedText(name) + "\n" + indent + "oid = " + QuotedText(oid) + "\n";
    if (tag)
        out += indent + "is_tag = true\n";
    return out;
}

QByteArray AgentLines(const TSessionSettings& view, const TModuleOptions& options)
{
    const TRequest& agent = view.requestTemplate;
    QByteArray out = "  agents = ["
                   + QuotedText(QStringLiteral("udp://%1:%2").arg(agent.remoteHost).arg(agent.remotePort))
                   + "]\n  version = "
                   + QByteArray::number(agent.snmpVersion == 1   ? 1
                                        : agent.snmpVersion == 3 ? 3
                                                                 : 2)
                   + "\n  timeout = \"5s\"\n  retries = 3\n  max_repetitions = "
                   + QByteArray::number(view.maxRepetitions > 0 ? view.maxRepetitions : 25) + "\n";
    if (agent.snmpVersion != 3)
        return out + "  community = " + QuotedText(agent.community) + "\n";
    static constexpr TV3Keys kKeys{"  ",
                                   " = ",
                                   true,
                                   "sec_name",
                                   "sec_level",
                                   "auth_protocol",
                                   "auth_password",
                                   "priv_protocol",
                                   "priv_password",
                                   "context_name"};
    return out + V3CredentialLines(view.v3, kKeys, options.includePasswords);
}

}  // namespace

QByteArray TelegrafInput(const TSessionSettings& view, const TMibNames& names, const TModuleOptions& options)
{
    QByteArray fields;
    QMap<QString, QByteArray> tables;  // the table's name -> its fields
    for (const QString& oid : ViewOids(view)) {
        const TMibObject* object = ObjectOfOid(names, oid);
        const QString name = object ? object->name : QStringLiteral("oid_") + QString(oid).replace('.', '_');
        const bool tag = object && ExporterType(*object) == "DisplayString";
        const TMibObject* row = object && view.tableMode ? names.RowOf(*object) : nullptr;
        const TMibObject* table =
            row ? names.Find(row->oid.section(QLatin1Char('.'), 0, -2)).object : nullptr;
        if (table)
            tables[table->name] += "    [[inputs.snmp.table.field]]\n" + FieldLines("      ", name, oid, tag);
        else
            fields += "  [[inputs.snmp.field]]\n" + FieldLines("    ", name, oid, tag);
    }
    QByteArray out = "# The view \"" + view.programTitle.toUtf8() + "\" as an SNMP input of Telegraf.\n";
    out += "[[inputs.snmp]]\n  name = " + QuotedText(options.name) + "\n" + AgentLines(view, options) + "\n"
         + fields;
    for (auto table = tables.cbegin(); table != tables.cend(); ++table)
        out += "  [[inputs.snmp.table]]\n    name = " + QuotedText(table.key())
             + "\n    index_as_tag = true\n" + table.value();
    return out;
}
