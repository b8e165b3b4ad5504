// The command line of HB_Vexgrid:
//
//   HB_Vexgrid /XML file.xml [/EXPORT table.csv]
//   HB_Vexgrid [/HOST host] [/COMMUNITY community] [/PROGRAMTITLE title]
//              [/WIDTH w] [/HEIGHT h] [/EXPORT table.csv]
//
// Switch names match in any letter case; the first occurrence of a switch and
// the argument right after it count. "/XML" excludes every other switch but
// "/EXPORT", which names a CSV file written after every shoot.
#pragma once

#include "core/Settings.h"

#include <QStringList>

#include <stdexcept>

// ECommandLine is raised for a command line that cannot be followed: "/XML"
// without a file name after it.
class ECommandLine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ParseCommandLine reads the arguments (without the program name). "/EXPORT"
// with a value sets exportPath in every case; a switch name right after it is
// no value. With "/XML"
// it returns the argument after it, the vexgrid file name, and ignores the
// other switches. Otherwise it stores the values of /HOST, /COMMUNITY,
// /PROGRAMTITLE, /WIDTH (through ValidWidth) and /HEIGHT (through ValidHeight)
// in `settings` and returns the empty text, so that the default target is used.
// A switch other than "/XML" that is the last argument is ignored.
// Throws ECommandLine when "/XML" is the last argument.
QString ParseCommandLine(const QStringList& args, TSessionSettings& settings);
