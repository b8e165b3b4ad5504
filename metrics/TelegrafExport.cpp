#include "metrics/ModuleExport.h"

#include "names/MibNames.h"

#include <QMap>

namespace {

QByteArray Quoted(const QString& text)
{
    QByteArray out = text.toUtf8();
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

QByteArray FieldLines(const QByteArray& indent, const QString& name, const QString& oid, bool tag)
{
    QByteArray out = indent + "name = " + Quoted(name) + "\n" + indent + "oid = " + Quoted(oid) + "\n";
    if (tag)
        out += indent + "is_tag = true\n";
    return out;
}

QByteArray AgentLines(const TSessionSettings& view, const TModuleOptions& options)
{
    const TRequest& agent = view.requestTemplate;
    QByteArray out = "  agents = ["
                   + Quoted(QStringLiteral("udp://%1:%2").arg(agent.remoteHost).arg(agent.remotePort))
                   + "]\n  version = "
                   + QByteArray::number(agent.snmpVersion == 1   ? 1
                                        : agent.snmpVersion == 3 ? 3
                                                                 : 2)
                   + "\n  timeout = \"5s\"\n  retries = 3\n  max_repetitions = "
                   + QByteArray::number(view.maxRepetitions > 0 ? view.maxRepetitions : 25) + "\n";
    if (agent.snmpVersion != 3)
        return out + "  community = " + Quoted(agent.community) + "\n";
    static const char* const kAuth[] = {"", "MD5", "SHA", "SHA224", "SHA256", "SHA384", "SHA512"};
    static const char* const kPriv[] = {"", "DES", "AES", "AES192", "AES256"};
    static const char* const kLevels[] = {"noAuthNoPriv", "authNoPriv", "authPriv"};
    const TV3Settings& v3 = view.v3;
    const auto password = [&](const QString& value) {
        return options.includePasswords ? Quoted(value)
                                        : QByteArray("\"CHANGE_ME\"  # not written: set it here");
    };
    out += "  sec_name = " + Quoted(v3.user)
         + "\n  sec_level = " + Quoted(kLevels[qBound(0, v3.securityLevel, 2)]) + "\n";
    if (v3.securityLevel >= 1 && v3.authProtocol >= 1 && v3.authProtocol <= 6)
        out += "  auth_protocol = " + Quoted(kAuth[v3.authProtocol])
             + "\n  auth_password = " + password(v3.authPassword) + "\n";
    if (v3.securityLevel >= 2 && v3.privProtocol >= 1 && v3.privProtocol <= 4)
        out += "  priv_protocol = " + Quoted(kPriv[v3.privProtocol])
             + "\n  priv_password = " + password(v3.privPassword) + "\n";
    if (!v3.contextName.isEmpty())
        out += "  context_name = " + Quoted(v3.contextName) + "\n";
    return out;
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
    out += "[[inputs.snmp]]\n  name = " + Quoted(options.name) + "\n" + AgentLines(view, options) + "\n"
         + fields;
    for (auto table = tables.cbegin(); table != tables.cend(); ++table)
        out += "  [[inputs.snmp.table]]\n    name = " + Quoted(table.key()) + "\n    index_as_tag = true\n"
             + table.value();
    return out;
}
