// The three panels of the main window's status bar, left to right: the
// countdown (14 px), the entry count (70 px) and the message panel, which
// reaches to the right end of the bar. All start empty.
#pragma once

#include <QString>

class QLabel;
class QStatusBar;

class TStatusPanels {
public:
    // Creates the panels in `bar` (which owns them).
    explicit TStatusPanels(QStatusBar* bar);

    // Message panel: one text, replacing the previous one.
    void ShowStatusMessage(const QString& text);
    void ClearStatusMessage();
    // Entries panel: "#Entries " and n; a negative n empties it.
    void ShowEntryCount(int n);
    // Countdown panel: n in decimal; a negative n empties it.
    void ShowCountdown(int n);

    QString StatusMessage() const;
    QString EntryCountText() const;
    QString CountdownText() const;

private:
    QLabel* countdownPanel;
    QLabel* entriesPanel;
    QLabel* messagePanel;
};
