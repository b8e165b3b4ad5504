// What a load of the MIB modules read, kept in a file between starts of the
// program, so that a start whose module files have not changed takes the
// names from there instead of running the MIB reader again.
//
// The file is text, one record a line in the escaping of MibReadProtocol.h:
//   HB_Vexgrid MIB names <format>          the first line
//   K <line>                               the key: every line of it, in order
//   M <module> <file>                      a module that was read
//   P <module> <file> <reason>             a module not read, or read in part
//   W <module> <file>                      the module of the O records after it
//   O <fields of MibReadProtocol.h>        an object
//   E <SHA-256 of all lines before, hex>   the last line
// A file whose last line does not sum up what is before it, whose key
// differs or that holds a record it does not expect is not used.
#pragma once

#include "names/MibLoader.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// What a load read: the loader's result without the table it builds.
struct TMibReadOutcome {
    QVector<TMibModuleFile> modules;
    QVector<TMibProblem> problems;
    QVector<TMibObject> objects;
};

namespace MibCache {

// The file in folder for a load of these folders and paths: each set of
// places searched has a file of its own.
QString FileFor(const QString& folder, const QStringList& places);

// Reads the outcome kept under key (its lines); false when the file is
// absent, broken, of another program or format, or kept under another key.
bool Read(const QString& file, const QStringList& key, TMibReadOutcome* outcome);

// Writes the outcome under key, replacing the file at once (never half
// written); false when it could not.
bool Write(const QString& file, const QStringList& key, const TMibReadOutcome& outcome);

}  // namespace MibCache
