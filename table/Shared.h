// The OID name table and the text helpers of the result table.
#pragma once

#include "core/CellValue.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

class TMibNames;
struct TMibObject;

// One pair of the OID name table: dotted-decimal OID text without a leading
// dot, and its descriptor.
struct TOidName {
    QString oid;
    QString name;
};

// The ordered list of (OID, descriptor) pairs that gives columns and rows
// their readable names. Keys are unique: adding a pair whose key is present
// replaces that entry's name and keeps its place. The main window owns one
// instance (`oidNameTable`), built once when the window is created.
class TOidNameTable {
public:
    // Adds the pair, or replaces the name of the entry with the same key.
    void Add(const QString& oid, const QString& name);
    void Clear();

    // Fills the table with the built-in descriptors of the SMI and MIB-II
    // (210 entries); what was in the table before is dropped. The MIB names
    // become the built-in table of the common modules.
    void BuildOidNameTable();

    // The MIB objects that name OIDs beyond the entries (the built-in table,
    // or the modules a user loaded merged over it). Without them only the
    // entries name OIDs.
    void SetMibNames(std::shared_ptr<const TMibNames> names);
    const TMibNames* MibNames() const { return mibNames.get(); }

    // The name of the entry whose key equals oid exactly (case-sensitive),
    // or the empty text.
    QString LookupOidName(const QString& oid) const;

    // The readable form of an OID: the name of its longest known prefix
    // followed by the rest, dot included (1.3.6.1.2.1.1.5.0 -> sysName.0).
    // The MIB names take part: the longer known prefix wins, and for the same
    // prefix an entry wins over a built-in MIB object, a loaded one over both.
    // Without a known prefix, the part from the first dot on (2.5.4 -> .5.4);
    // an unknown OID without a dot gives the empty text.
    QString DescribeOid(const QString& oid) const;

    int Count() const { return static_cast<int>(entries.size()); }
    const QVector<TOidName>& Entries() const { return entries; }

private:
    // The longest named prefix of an OID among the entries and among the MIB
    // objects, each with the length of that prefix.
    struct TPrefixNames {
        QString entryName;          // empty when no entry names a prefix
        qsizetype entryLength = 0;  // where the rest after the entry's name starts
        const TMibObject* object = nullptr;
        qsizetype objectLength = 0;
    };
    TPrefixNames PrefixNames(const QString& oid) const;
    void Changed();

    QVector<TOidName> entries;
    QHash<QString, int> indexByOid;
    std::shared_ptr<const TMibNames> mibNames;
    // Tells this table's contents from every other contents (DescribeOid's
    // memo of the last parent OID is only good for the contents it was made of).
    std::uint64_t generation = 0;
};

// True when the whole text is: blanks (0x20 only), an optional sign, and a
// non-empty rest of digits, an optional "." with digits, and an optional
// exponent (E or e, optional sign, at least one digit). Nothing may follow.
// The decimal separator is always ".", whatever the locale. A rest without
// digits (".", "E5") is numeric with the value 0.
bool IsNumericText(QStringView text);

// Converts a text that IsNumericText accepts into an extended-precision
// number, independent of the locale. Returns false for any other text.
// Values beyond the range of long double become +-infinity or +-0.
bool NumericTextValue(QStringView text, long double* value);

// Compares two numeric texts after removing leading and trailing blanks:
// 0 when equal or when either is not numeric; otherwise -1/+1 for
// smaller/greater when ascending, and the reverse when descending.
int CompareNumericTexts(QStringView text1, QStringView text2, bool ascending);
