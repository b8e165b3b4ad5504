// The instance suffix of a table column read by the INDEX of its row:
// ".2.192.168.1.1" under an INDEX { ifIndex, ipAddr } reads "2 / 192.168.1.1".
#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

#include <optional>

class TMibNames;

// One decoded INDEX value of an instance: the INDEX object's name and the
// value as DecodeInstanceIndex writes it.
struct TIndexComponent {
    QString name;
    QString value;
};

// The INDEX values of an instance of columnOid one by one, in the order of
// the row's INDEX; nullopt where DecodeInstanceIndex falls back to the
// suffix itself.
std::optional<QVector<TIndexComponent>>
DecodeInstanceComponents(const TMibNames& names, const QString& columnOid, const QString& suffix);

// The suffix (leading dot included) of an instance of columnOid decoded by
// the INDEX objects the names know for the column's row: integers as
// numbers, IpAddress and four-octet InetAddress as dotted quads, strings by
// their display hint or as text, object identifiers dotted; values joined
// by " / ". The suffix itself (without its leading dot) when the row, an
// INDEX object or its type is unknown, or the components do not fit.
QString DecodeInstanceIndex(const TMibNames& names, const QString& columnOid, const QString& suffix);

// Orders two suffixes by their components as numbers (".2.10" after
// ".2.9"); a suffix that is a prefix of the other comes first. A component
// that is not a number sorts after numbers, by its text.
int CompareOidSuffixes(QStringView suffix1, QStringView suffix2);
