// The real main window for the benches that watch it from outside the
// process: opened with the given switches, it switches to re-shooting at the
// interval of its settings (keep instances) once its first shoot is done,
// prints "READY" then, and runs until it is killed; with tellShoots, it prints
// "SHOT" at the end of every shoot after that. A modal message box
// would wait for a click for ever: its text goes to stderr instead.
#pragma once

#include <QStringList>

namespace bench {

int RunReshootingWindow(const char* name, const QStringList& switches, bool tellShoots = false);

}  // namespace bench
