#include "metrics/ModuleExport.h"

#include "config/Startup.h"
#include "names/MibNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QByteArray Quoted(const QString& text)
{
    QByteArray out = text.toUtf8();
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

bool IsDisplayString(const TMibObject& object)
{
    static const QStringList texts = {"DisplayString", "SnmpAdminString", "OwnerString"};
    return texts.contains(object.textualConvention) || object.displayHint.endsWith(QLatin1Char('a'));
}

// The exporter's type of an object's values; empty when it has none.
QByteArray ValueType(const TMibObject& object)
{
    static const QStringList gauges = {"INTEGER", "Integer32", "Unsigned32", "Gauge32", "TimeTicks"};
    if (object.type == QLatin1String("Counter32") || object.type == QLatin1String("Counter64"))
        return "counter";
    if (gauges.contains(object.type))
        return "gauge";
    if (object.type == QLatin1String("IpAddress"))
        return "IpAddr";
    if (object.type == QLatin1String("OCTET STRING"))
        return IsDisplayString(object) ? "DisplayString" : "OctetString";
    return {};
}

// The exporter's type of an INDEX object; empty when it cannot read it.
QByteArray IndexType(const TMibObject& object)
{
    if (object.textualConvention == QLatin1String("MacAddress"))
        return "PhysAddress48";
    const QByteArray type = ValueType(object);
    return type == "counter" ? QByteArray() : type;
}

// The indexes block of a column; false when an INDEX object cannot be read.
bool IndexLines(const TMibNames& names, const TMibObject& column, QByteArray* out)
{
    if (column.kind != TMibKind::Column)
        return true;
    const TMibObject* row = names.RowOf(column);
    const QVector<const TMibObject*> indexes = names.IndexObjects(column);
    if (!row || indexes.isEmpty())
        return false;
    out->append("    indexes:\n");
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        const QByteArray type = indexes[i] ? IndexType(*indexes[i]) : QByteArray();
        if (type.isEmpty())
            return false;
        out->append("    - labelname: " + indexes[i]->name.toUtf8() + "\n      type: " + type + "\n");
        if (row->impliedLast && i + 1 == indexes.size())
            out->append("      implied: true\n");
    }
    return true;
}

QByteArray AuthLines(const TSessionSettings& view, const TModuleOptions& options)
{
    const TRequest& agent = view.requestTemplate;
    if (agent.snmpVersion != 3)
        return "  auth:\n    community: " + Quoted(agent.community) + "\n";
    static const char* const kAuth[] = {"", "MD5", "SHA", "SHA224", "SHA256", "SHA384", "SHA512"};
    static const char* const kPriv[] = {"", "DES", "AES", "AES192", "AES256"};
    static const char* const kLevels[] = {"noAuthNoPriv", "authNoPriv", "authPriv"};
    const TV3Settings& v3 = view.v3;
    const auto password = [&](const QString& value) {
        return options.includePasswords ? Quoted(value)
                                        : QByteArray("\"CHANGE_ME\"  # not written: set it here");
    };
    QByteArray out = "  auth:\n    username: " + Quoted(v3.user)
                   + "\n    security_level: " + kLevels[qBound(0, v3.securityLevel, 2)] + "\n";
    if (v3.securityLevel >= 1 && v3.authProtocol >= 1 && v3.authProtocol <= 6)
        out += "    auth_protocol: " + QByteArray(kAuth[v3.authProtocol])
             + "\n    password: " + password(v3.authPassword) + "\n";
    if (v3.securityLevel >= 2 && v3.privProtocol >= 1 && v3.privProtocol <= 4)
        out += "    priv_protocol: " + QByteArray(kPriv[v3.privProtocol])
             + "\n    priv_password: " + password(v3.privPassword) + "\n";
    if (!v3.contextName.isEmpty())
        out += "    context_name: " + Quoted(v3.contextName) + "\n";
    return out;
}

bool WritePrivate(const QString& path, const QByteArray& text, QString* error)
{
    QFile file(path);
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.setPermissions(mode)
        || file.write(text) != text.size() || !file.flush()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace

QByteArray ExporterType(const TMibObject& object) { return ValueType(object); }

QStringList ViewOids(const TSessionSettings& view)
{
    if (view.tableMode)
        return view.targetOids;
    return view.requestTemplate.oidList.split(kItemSeparator, Qt::SkipEmptyParts);
}

const TMibObject* ObjectOfOid(const TMibNames& names, const QString& oid)
{
    const TMibMatch match = names.Find(oid);
    return match.object && (match.object->kind == TMibKind::Column || match.object->kind == TMibKind::Scalar)
             ? match.object
             : nullptr;
}

QByteArray SnmpExporterModule(const TSessionSettings& view, const TMibNames& names,
                              const TModuleOptions& options)
{
    QByteArray walk, get, metrics, skipped;
    QStringList named;  // one metric per MIB object
    for (const QString& oid : ViewOids(view)) {
        const TMibObject* object = ObjectOfOid(names, oid);
        const QByteArray type = object ? ValueType(*object) : QByteArray();
        QByteArray indexes;
        if (type.isEmpty() || !IndexLines(names, *object, &indexes)) {
            skipped += "# " + oid.toUtf8() + ": no MIB object of a type the exporter reads; left out\n";
            continue;
        }
        (view.tableMode ? walk : get) += "  - " + oid.toUtf8() + "\n";
        if (named.contains(object->oid))
            continue;
        named << object->oid;
        metrics += "  - name: " + object->name.toUtf8() + "\n    oid: " + object->oid.toUtf8()
                 + "\n    type: " + type + "\n    help: "
                 + Quoted(object->module + QStringLiteral("::") + object->name) + "\n" + indexes;
    }
    const TRequest& agent = view.requestTemplate;
    QByteArray out =
        "# The view \"" + view.programTitle.toUtf8() + "\" as a module of the SNMP exporter.\n" + skipped;
    out += options.name.toUtf8() + ":\n";
    if (!walk.isEmpty())
        out += "  walk:\n" + walk;
    if (!get.isEmpty())
        out += "  get:\n" + get;
    out += "  metrics:\n" + (metrics.isEmpty() ? QByteArray("  []\n") : metrics);
    out += "  version: "
         + QByteArray::number(agent.snmpVersion == 1   ? 1
                              : agent.snmpVersion == 3 ? 3
                                                       : 2)
         + "\n";
    out += AuthLines(view, options);
    out +=
        "  max_repetitions: " + QByteArray::number(view.maxRepetitions > 0 ? view.maxRepetitions : 25) + "\n";
    out += "  retries: 3\n  timeout: 5s\n";
    return out;
}

QByteArray ScrapeJob(const TSessionSettings& view, const TModuleOptions& options)
{
    const TRequest& agent = view.requestTemplate;
    const QByteArray target = agent.remoteHost.toUtf8() + ':' + QByteArray::number(agent.remotePort);
    return "# The scrape job of the module \"" + options.name.toUtf8()
         + "\": put it under scrape_configs in prometheus.yml.\n"
           "- job_name: snmp_"
         + options.name.toUtf8() + "\n  metrics_path: /snmp\n  params:\n    module: [" + options.name.toUtf8()
         + "]\n  static_configs:\n    - targets: ['" + target
         + "']\n  relabel_configs:\n    - source_labels: [__address__]\n      target_label: __param_target\n"
           "    - source_labels: [__param_target]\n      target_label: instance\n"
           "    - target_label: __address__\n      replacement: "
         + options.exporterAddress.toUtf8() + "\n";
}

QString ModuleNameOf(const QString& path)
{
    QString name = QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0).toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    return name.isEmpty() || name[0].isDigit() ? QStringLiteral("vexgrid_") + name : name;
}

std::optional<TExportRequest> ExportRequestOf(const QStringList& args)
{
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i].compare(u"--export-module", Qt::CaseInsensitive) == 0)
            return TExportRequest{TViewExport::ExporterModule, args[i + 1]};
        if (args[i].compare(u"--export-telegraf", Qt::CaseInsensitive) == 0)
            return TExportRequest{TViewExport::TelegrafInput, args[i + 1]};
    }
    return std::nullopt;
}

QString WriteViewExport(const TExportRequest& request, const TSessionSettings& view, const TMibNames& names,
                        const TModuleOptions& options)
{
    QString error;
    if (request.kind == TViewExport::TelegrafInput) {
        WritePrivate(request.path, TelegrafInput(view, names, options), &error);
        return error;
    }
    const QFileInfo file(request.path);
    const QString jobPath = file.dir().filePath(file.completeBaseName() + QStringLiteral(".scrape.yml"));
    if (WritePrivate(request.path, SnmpExporterModule(view, names, options), &error))
        WritePrivate(jobPath, ScrapeJob(view, options), &error);
    return error;
}

QString ExportView(const QStringList& args, const TExportRequest& request)
{
    const TStartupResult start = StartUp(args);
    if (!start.ready)
        return start.message.isEmpty() ? QStringLiteral("The view could not be set up") : start.message;
    TModuleOptions options;
    options.name = ModuleNameOf(start.fileName.isEmpty() ? QStringLiteral("vexgrid") : start.fileName);
    return WriteViewExport(request, start.settings, *TMibNames::BuiltIn(), options);
}
