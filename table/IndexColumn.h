// The "Index" column of the table layout: each row's instance suffix, read
// by the INDEX of the table's row when the names know it.
#pragma once

#include <QString>
#include <QStringList>

class TOidNameTable;

extern const QString indexColumnCaption;

// The suffix of oid under the first target it lies below, leading dot
// included (".10.0.0.1"); empty when it lies below none.
QString InstanceSuffixOf(const QStringList& targets, const QString& oid);

// The decoded index of suffix for the first target whose row the names can
// read it by, else the suffix without its leading dot.
QString IndexColumnText(const TOidNameTable& names, const QStringList& targets, const QString& suffix);
