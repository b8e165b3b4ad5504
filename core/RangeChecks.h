// Range checks with fallback for the settings that come from outside (command
// line, vexgrid file). A value that is not a decimal integer or lies outside
// its range silently gives the fallback: outside settings are never rejected.
#pragma once

#include <QString>

#include <optional>

// ParseDecimalInteger reads `text` as a decimal integer: an optional sign and
// one or more digits 0-9, nothing else (no blanks, no hex, no fraction). It
// returns nothing when the text is not of that form or does not fit an int.
std::optional<int> ParseDecimalInteger(const QString& text);

// Window width in pixels: 300..2000, else 680.
int ValidWidth(const QString& text);
// Window height in pixels: 200..1600, else 450.
int ValidHeight(const QString& text);
// Agent UDP port: 1..65535, else 161.
int ValidPort(const QString& text);
// SNMP version: 1 (SNMPv1) or 2 (SNMPv2c), else 1. Version 3 cannot be chosen
// from outside.
int ValidVersion(const QString& text);
