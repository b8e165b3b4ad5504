// The start-up sequence of a run: the defaults, then the command line, then
// the vexgrid file it names (or the default target). It only computes; the
// main window applies the result (caption, size, first shoot).
#pragma once

#include "core/Settings.h"

#include <QSize>
#include <QString>
#include <QStringList>

struct TStartupResult {
    // The settings as far as start-up got; a failed load keeps what it read.
    TSessionSettings settings;
    // Start-up finished: the window takes caption and size and shoots.
    bool ready = false;
    // Shown to the user in a modal message when not empty.
    QString message;
    // The vexgrid file the command line names; empty for the default view.
    QString fileName;
    // The window's caption and outer size when ready.
    QString caption;
    QSize outerSize;
};

// StartUp turns the arguments (without the program name) into the settings of
// a run. A command line that cannot be followed ("/XML" without a file name
// after it) ends it without a message; a vexgrid file that cannot be loaded
// ends it with the parser message.
TStartupResult StartUp(const QStringList& commandLine);

// ViewCaption is the window's caption for the settings of a run.
QString ViewCaption(const TSessionSettings& settings);

// ReadyResult is the start-up result of settings made elsewhere (the New View
// dialog): caption and outer size from the settings, ready.
TStartupResult ReadyResult(const TSessionSettings& settings);
