// The records the MIB reader (hb-vexgrid-mibread, a child process that runs
// libsmi so that a crash in it cannot take the program down) exchanges with
// the loader. One record a line, fields separated by tabs; a field escapes
// backslash, tab, CR and newline as \\, \t, \r and \n.
//
// To the reader (stdin), then end of input:
//   S <folder>           a folder libsmi searches for imports
//   F <file>             a module file to read, in this order
// From the reader (stdout):
//   B <file>             about to read this file (flushed before reading)
//   R <module>           the file held this module, newly read
//   P <module> <reason>  a problem with the file being read
//   W <module> <file>    about to walk this module's objects (flushed)
//   O <oid> <name> <kind> <type> <tc> <hint> <index> <implied> <units>
//     <access> <status> <description> [<value> <label>]...
//                        an object of the module being walked; the
//                        enumeration's labels close the record. The names
//                        cache keeps these records: a change of their
//                        fields comes with a new format of the cache
//                        (MibLoadCache.cpp).
//   G <bytes> <objects> <cpu ms>
//                        every 50 ms, also within a module: the read offsets
//                        of the files open summed, the objects walked so far
//                        and the reader's CPU time (flushed)
//   E                    the end: everything was written
#pragma once

#include "names/MibNames.h"

#include <QByteArray>
#include <QList>

namespace MibRead {

QByteArray Escape(const QString& text);
QString Unescape(const QByteArray& field);

// One record: its tag and fields joined and escaped, newline included.
QByteArray Record(char tag, const QStringList& fields);
// Splits a record (without its newline) into tag and fields.
bool ParseRecord(const QByteArray& line, char* tag, QStringList* fields);

// The fields of an O record, and back; module and file come from the W record.
QStringList ObjectFields(const TMibObject& object);
bool ObjectFromFields(const QStringList& fields, TMibObject* object);

}  // namespace MibRead
