// The program's options beyond the switches of CommandLine.h:
//
//   HB_Vexgrid --help | -h      usage of both syntaxes, then exit
//   HB_Vexgrid --version        "HB_Vexgrid <version>", then exit
//   HB_Vexgrid file.xml         the same as "/XML file.xml" ("Open with")
//
// An argument in switch position that starts with "--", or is "/" followed by
// letters only, and is no known switch is reported and left out. A path ("/"
// followed by more "/") is never a switch.
#pragma once

#include <QString>
#include <QStringList>

enum class TProgramAction { Run, ShowHelp, ShowVersion };

struct TProgramOptions {
    TProgramAction action = TProgramAction::Run;
    // The arguments start-up reads: unknown switches left out, a lone file
    // name turned into "/XML" and the name.
    QStringList arguments;
    // One line per unknown switch, for stderr.
    QStringList warnings;
};

// ReadProgramOptions sorts the arguments (without the program name). A file
// name alone counts only when `fileExists` holds for it.
TProgramOptions ReadProgramOptions(const QStringList& args);

// IsKnownSwitch: one of the switches of CommandLine.h or of the traps
// (--traps, /TRAPS, --trap-port N, --trap-log FILE) or of the metrics
// endpoint (--metrics, /METRICS), in any letter case.
bool IsKnownSwitch(const QString& arg);
// IsFlagSwitch: a known switch without a value (--traps, /TRAPS).
bool IsFlagSwitch(const QString& arg);

// The version of this build, "0.5.0.153".
QString ProgramVersion();

// "HB_Vexgrid <version>" followed by a line break.
QString VersionText();

// The usage text of both syntaxes, line breaks included.
QString UsageText();
