// The view as a module of the SNMP exporter (0.21 module format: walk, get,
// metrics with their indexes, version, auth, max_repetitions, retries,
// timeout), so that the exporter walks the same OIDs and names the samples
// as the endpoint does, and the Prometheus scrape job that asks the exporter
// for it (the usual relabelling of the agent into the target parameter).
//
//   HB_Vexgrid /XML view.xml --export-module snmp.yml
//
// writes snmp.yml and, beside it, snmp.scrape.yml, then exits without a
// window (--export-telegraf FILE likewise, for Telegraf). A target without a MIB name, or of a type the
// exporter cannot read, is left out with a comment. SNMPv3 passwords are written only when asked for; else a
// placeholder and a comment stand in. Both files are written with mode 0600, since the module holds the
// community.
#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class TMibNames;
struct TMibObject;

struct TModuleOptions {
    QString name = QStringLiteral("vexgrid");  // the module's name
    bool includePasswords = false;
    QString exporterAddress = QStringLiteral("127.0.0.1:9116");  // for the scrape job
};

// The OIDs the view asks for: the table's columns, or the list's OIDs with
// their instances.
QStringList ViewOids(const TSessionSettings& view);
// The column or scalar object an OID is of, or nullptr.
const TMibObject* ObjectOfOid(const TMibNames& names, const QString& oid);

QByteArray SnmpExporterModule(const TSessionSettings& view, const TMibNames& names,
                              const TModuleOptions& options);
QByteArray ScrapeJob(const TSessionSettings& view, const TModuleOptions& options);

// The module's name for a file: its base name in lower case, letters,
// digits and underscores ("If table.vexgrid.xml" -> "if_table").
QString ModuleNameOf(const QString& path);

// The view as an SNMP input of Telegraf: one [[inputs.snmp]] for the agent,
// a [[inputs.snmp.table]] per MIB table the targets are columns of (the
// instance as the tag "index"), a [[inputs.snmp.field]] per other target.
QByteArray TelegrafInput(const TSessionSettings& view, const TMibNames& names, const TModuleOptions& options);

enum class TViewExport { ExporterModule, TelegrafInput };
struct TExportRequest {
    TViewExport kind = TViewExport::ExporterModule;
    QString path;
};

// What the command line asks to write: --export-module FILE or
// --export-telegraf FILE; nullopt for neither.
std::optional<TExportRequest> ExportRequestOf(const QStringList& args);
// Writes the export of view to request.path (mode 0600), the module's scrape
// job beside it; an error text, empty when all was written.
QString WriteViewExport(const TExportRequest& request, const TSessionSettings& view, const TMibNames& names,
                        const TModuleOptions& options);
// Starts the view the arguments name, as the window would, and writes it.
QString ExportView(const QStringList& args, const TExportRequest& request);
