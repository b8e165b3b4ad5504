// TSettingsStore: the program's QSettings (organisation "Hollbrae",
// application "HB_Vexgrid"), open for the life of the object under a lock
// that every store of the process takes. Open one wherever the program reads
// or writes its settings: the recent files are written on a thread of their
// own (ui/RememberedState) while the window reads and writes the others.
//
// QSettings already keeps two threads that use one file apart, with Qt's own
// locks; the file is written under them too, so this lock makes nobody wait
// longer than before. Qt's locks are out of ThreadSanitizer's sight (Qt is
// not built with it), ours is not: with it the sanitizer checks the stores
// as ordered, as they are, and still sees any access of ours outside them.
#pragma once

#include <QSettings>

#include <mutex>

class TSettingsStore {
public:
    TSettingsStore();
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    QSettings& operator*() { return settings; }
    QSettings* operator->() { return &settings; }

private:
    // Taken before the settings open and let go after they are written back
    // (QSettings writes its changes when it is destroyed).
    std::unique_lock<std::recursive_mutex> lock;
    QSettings settings;
};
