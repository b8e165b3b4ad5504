// Values shown as a MIB object's DISPLAY-HINT or enumeration says: the text
// forms the readable view of values offers beside the agent's raw value.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct TMibObject;

// The octets formatted by an OCTET STRING display hint ("1x:", "255a",
// "2d-1d-1d,1d:1d:1d.1d,1a1d:1d"): each part takes its octet count
// and shows it as hex (two digits an octet), decimal, octal, ASCII or UTF-8,
// followed by its separator unless the octets are used up; "*" reads a count
// octet first and ends with its terminator; the last part repeats.
// nullopt when the hint is malformed or an octet count is zero.
std::optional<QString> FormatOctetsByHint(const QString& hint, const QByteArray& octets);

// An integer formatted by an INTEGER display hint: "d", "d-2" (two implied
// decimals: 1234 -> "12.34"), "x", "o", "b". nullopt when malformed.
std::optional<QString> FormatIntegerByHint(const QString& hint, qint64 value);

// The display hint of an object: its own, else the one of a well-known
// textual convention it uses (PhysAddress, MacAddress, DateAndTime, ...).
QString DisplayHintOf(const TMibObject& object);

// The readable form of octets of object: by its display hint when it has one
// that fits, else the octets as text when all are printable, else hex.
QString ReadableOctets(const TMibObject& object, const QByteArray& octets);

// The readable form of an integer of object: "up(1)" for a labelled value,
// formatted by an integer hint, else the number.
QString ReadableInteger(const TMibObject& object, qint64 value);
