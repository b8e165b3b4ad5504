// What the names know of one MIB object, as the MIB tree shows it: its OID,
// module, SYNTAX with enumerations and display hint, UNITS, MAX-ACCESS,
// STATUS, INDEX and DESCRIPTION. The built-in table knows the syntax, the
// INDEX and, for the common objects, a short description of our own; a field
// nobody knows is left out.
#pragma once

#include "names/MibNames.h"

#include <QString>
#include <QVector>

struct TMibDetail {
    QString field;  // the clause's keyword, as a module writes it: "SYNTAX", "UNITS", ...
    QString value;
};

// The details of object, in the order a module writes its clauses.
QVector<TMibDetail> MibObjectDetails(const TMibNames& names, const TMibObject& object);

// The SYNTAX of a scalar or column: the textual convention with its type in
// parentheses, then the enumeration: "TruthValue (INTEGER) { true(1), false(2) }".
QString MibSyntaxText(const TMibObject& object);

// The DESCRIPTION without the indentation every line after the first has in
// the module; its first sentence, for a tooltip.
QString MibDescriptionText(const QString& description);
QString MibDescriptionSummary(const QString& description);

// Whether a column of a table picked whole is one of the view's columns at
// first: INDEX objects and not-accessible columns are not, their values being
// in the instance or not readable.
bool MibColumnShownByDefault(const TMibNames& names, const TMibObject& column);
