// The panels of the main window's status bar, left to right: the countdown
// (14 px), the entry count (70 px), the message panel, which takes the width
// left, the dropped-datagram count, shown only while it is not zero, and the
// last shoot's cost, shown once a shoot has ended. All start empty.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class QLabel;
class QStatusBar;

class TStatusPanels {
public:
    // Creates the panels in `bar` (which owns them).
    explicit TStatusPanels(QStatusBar* bar);

    // Message panel: one text, replacing the previous one. A walk writes a
    // message per agent answer, up to a thousand a second; the panel shows a
    // new text at once when it has shown none for kMessageIntervalMs, else at
    // the end of that interval, so it relayouts and repaints a few times a
    // second at most. StatusMessage() is always the latest text.
    void ShowStatusMessage(const QString& text);
    void ClearStatusMessage();
    static constexpr int kMessageIntervalMs = 100;
    // Entries panel: "#Entries " and n; a negative n empties it.
    void ShowEntryCount(int n);
    // Countdown panel: n in decimal; a negative n empties it.
    void ShowCountdown(int n);
    // Countdown panel with a text of its own; the panel widens to fit.
    void ShowCountdownText(const QString& text);

    // A silent agent: while text is shown, the message panel keeps it, and
    // the messages given meanwhile wait in its tooltip. Clearing it empties
    // the panel, the waiting message included.
    void ShowAgentSilence(const QString& text);
    void ClearAgentSilence();
    // What the silence most likely means: the tooltip's last line, under the
    // waiting message, while the silence is shown; cleared with it.
    void ExplainAgentSilence(const QString& explanation);
    // The message panel's tooltip.
    QString MessageToolTip() const;
    // What the message panel shows now.
    QString ShownMessage() const;

    // Dropped-datagram panel: "15 ignored", with the reasons in its tooltip
    // ("3 malformed, 12 from other addresses"); hidden while both are 0.
    void ShowDroppedCount(int malformed, int foreign);

    // Shoot-cost panel at the right end: "Shoot 2.4 s, 312 requests", the
    // answer times in its tooltip; hidden while empty.
    void ShowShootCost(const QString& text, const QString& toolTip);
    QString ShootCostText() const;
    QString ShootCostToolTip() const;
    QString StatusMessage() const;
    QString EntryCountText() const;
    QString CountdownText() const;
    // The dropped-datagram panel's text and tooltip; empty while hidden.
    QString DroppedText() const;
    QString DroppedToolTip() const;

private:
    void ShowLatestMessage();

    QLabel* countdownPanel;
    QLabel* entriesPanel;
    QLabel* messagePanel;
    QLabel* droppedPanel;
    QLabel* costPanel;
    QString message;             // the latest text, shown or waiting
    QString silence;             // shown instead of message while not empty
    QString explanation;         // of the silence, in the tooltip
    QElapsedTimer messageShown;  // since the panel last took a text
    QTimer messageTimer;         // shows a waiting text at the interval's end
};
