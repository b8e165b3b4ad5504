// The CSV form of received notifications, shared by the trap log and
// "Export CSV...": one line per notification with the columns
//
//   Time,Source,Version,Community,Kind,Name,OID,Bindings,State
//
// UTF-8, CR LF line ends; a field holding a comma, a quote or a line break
// is quoted with its quotes doubled. Bindings are "name=value" pairs joined
// by "; ".
#pragma once

#include "traps/TrapRecord.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The header line, CR LF included.
QByteArray TrapCsvHeader();
// One notification's line, CR LF included.
QByteArray TrapCsvLine(const TTrapRecord& record);
// The header and a line for each record, in the order given.
QByteArray TrapsAsCsv(const QVector<TTrapRecord>& records);
// The field as CSV writes it.
QString CsvField(const QString& text);
