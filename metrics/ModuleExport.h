// The view as a module of the SNMP exporter (0.21 module format: walk, get,
// metrics with their indexes, version, auth, max_repetitions, retries,
// timeout), so that the exporter walks the same OIDs and names the samples
// as the endpoint does, and the Prometheus scrape job that asks the exporter
// for it (the usual relabelling of the agent into the target parameter).
//
//   HB_Vexgrid /XML view.xml --export-module snmp.yml
//
// writes snmp.yml and, beside it, snmp.scrape.yml, then exits without a
// window. A target without a MIB name, or of a type the exporter cannot
// read, is left out with a comment. SNMPv3 passwords are written only when
// asked for; else a placeholder and a comment stand in. Both files are
// written with mode 0600, since the module holds the community.
#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TMibNames;

struct TModuleOptions {
    QString name = QStringLiteral("vexgrid");  // the module's name
    bool includePasswords = false;
    QString exporterAddress = QStringLiteral("127.0.0.1:9116");  // for the scrape job
};

QByteArray SnmpExporterModule(const TSessionSettings& view, const TMibNames& names,
                              const TModuleOptions& options);
QByteArray ScrapeJob(const TSessionSettings& view, const TModuleOptions& options);

// The module's name for a file: its base name in lower case, letters,
// digits and underscores ("If table.vexgrid.xml" -> "if_table").
QString ModuleNameOf(const QString& path);

// The command line's --export-module FILE, or empty.
QString ExportModulePath(const QStringList& args);
// Writes the module of the view the arguments start and its scrape job;
// returns an error text, empty when both were written.
QString ExportModule(const QStringList& args, const QString& path);
