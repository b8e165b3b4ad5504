// What the program remembers between runs, in the user's settings file
// (QSettings, organisation "Hollbrae", application "HB_Vexgrid"): the recent
// vexgrid files, and per vexgrid file the window geometry, the column widths,
// the sort, the interval and the shoot mode. A view that has no file is not
// remembered.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <future>

// The recent list holds at most this many files, newest first.
inline constexpr int kMaxRecentFiles = 10;
// The state of at most this many views is kept, the most recently saved; an
// older one is forgotten, so the settings file does not grow with every
// vexgrid file ever opened.
inline constexpr int kMaxRememberedViews = 100;

// The state of one view, as the window saves and restores it.
struct TViewState {
    QByteArray geometry;      // QWidget::saveGeometry; empty when never saved
    QList<int> columnWidths;  // all columns, left to right
    int sortColumn = -1;      // -1 = unsorted
    bool sortAscending = true;
    int intervalSeconds = 0;  // of the periodic re-shoots; 0 = none chosen for the file
    int shootMode = 0;        // TShootMode under "Shoot again"; 0 = a single shoot
};

class TRememberedState {
public:
    // The recent files, newest first.
    QStringList RecentFiles() const;
    // Puts `path` (made absolute) at the top of the recent list. The settings
    // file is written on another thread, so that opening a view does not wait
    // for the disk; the other uses of the recent list wait for it.
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);

    // The remembered state of the view of the vexgrid file at `path`; an empty
    // state when there is none.
    TViewState ViewState(const QString& path) const;
    void SaveViewState(const QString& path, const TViewState& state);

private:
    void SaveRecentFiles(const QStringList& files);
    void AwaitRecentWrite() const;

    mutable std::future<void> recentWrite;  // its destructor waits for the write
};
