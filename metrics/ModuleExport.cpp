#include "metrics/ModuleExport.h"

#include "config/Startup.h"
#include "metrics/Exposition.h"
#include "metrics/ExportText.h"
#include "names/MibNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The exporter's type of an INDEX object; empty when it cannot read it.
QByteArray IndexType(const TMibObject& object)
{
    if (object.textualConvention == QLatin1String("MacAddress"))
        return "PhysAddress48";
    if (object.type == QLatin1String("IpAddress"))
        return "InetAddressIPv4";  // the exporter reads no IpAddr index
    const QByteArray type = ExporterType(object);
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
        return "  auth:\n    community: " + QuotedText(agent.community) + "\n";
    static constexpr TV3Keys kKeys{
        "    ",          ": ",       false,           "username",      "security_level",
        "auth_protocol", "password", "priv_protocol", "priv_password", "context_name"};
    return "  auth:\n" + V3CredentialLines(view.v3, kKeys, options.includePasswords);
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
        const QByteArray type = object ? ExporterType(*object) : QByteArray();
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
                 + QuotedText(object->module + QStringLiteral("::") + object->name) + "\n" + indexes;
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
