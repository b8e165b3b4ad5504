// TShootView: what the shoot engine needs from the main window. The window
// implements it over its result table, status bar, menu and instance-mask
// panel; the engine calls it on the GUI thread only.
//
// The rows are not the view's: the engine writes them into the result store
// (ResultStore.h), which the window's table shows.
#pragma once

#include <QString>

#include <cstdint>

struct TRequest;

// The three items under "Shoot again", numbered as SetShootMode takes them.
enum class TShootMode {
    Now = 1,              // Now1, "Now..."
    KeepInstances = 2,    // Every10secondskeepinstances1
    RereadInstances = 3,  // Every10secRefreshinstancesalso1
};

// The entries panel's text for n rows: "#Entries 24".
inline QString EntriesText(int n) { return QStringLiteral("#Entries ") + QString::number(n); }

class TShootView {
public:
    virtual ~TShootView() = default;

    // ReSortRows sorts the rows again by the current sort column; does nothing
    // when the table is unsorted.
    virtual void ReSortRows() = 0;
    // FocusResultTable gives the keyboard focus to the table. May throw when
    // the window cannot take the focus; the engine ignores that.
    virtual void FocusResultTable() = 0;

    // Status bar. ShowStatusMessage replaces the message panel's text;
    // ClearStatusMessage empties it (the engine forgets its last walk OID
    // itself). ShowEntryCount shows EntriesText(n), ShowCountdown n in
    // decimal; both empty their panel for n < 0.
    virtual void ShowStatusMessage(const QString& text) = 0;
    virtual void ClearStatusMessage() = 0;
    virtual void ShowEntryCount(int n) = 0;
    virtual void ShowCountdown(int n) = 0;
    // The seconds between two periodic re-shoots (10 unless chosen).
    virtual int IntervalSeconds() const { return 10; }

    // "Shoot again" submenu: enabled while no walk-based shoot is running.
    virtual bool ShootAgainEnabled() const = 0;
    virtual void SetShootAgainEnabled(bool enabled) = 0;
    // Check marks of the three items under "Shoot again": they show the
    // engine's mode, which the engine keeps itself (TShootEngine::ShootModeIs).
    virtual void SetModeChecked(TShootMode mode, bool checked) = 0;

    // Instance-mask panel (Panel1 with ComboBox1). AddInstanceMaskItem adds the
    // text unless an equal item is there. SelectInstanceMaskItem selects the
    // item equal to the text, or no item when there is none such.
    virtual void AddInstanceMaskItem(const QString& item) = 0;
    virtual void SelectInstanceMaskItem(const QString& item) = 0;
    virtual void ShowInstanceMaskPanel() = 0;

    // ShowModalMessage shows a modal message box with an OK button and returns
    // once it is closed.
    virtual void ShowModalMessage(const QString& text) = 0;

    // ShowDroppedCount tells how many datagrams the shoot in progress has
    // dropped since it began: ones that could not be parsed and ones from
    // another address or port than the agent's. Both 0 hide the count.
    virtual void ShowDroppedCount(int malformed, int foreign) = 0;

    // ShowAgentSilent tells that a request went unanswered: it timed out, or
    // the agent's port was unreachable. text ("No answer from HOST:PORT since
    // hh:mm:ss") stays in the message panel until ClearAgentSilent, whatever
    // other messages come meanwhile. The store has marked the rows none of
    // whose values arrived at or after confirmedFromMs (the arrival clock
    // when the shoot began) stale already. Called again for every further
    // request left unanswered.
    virtual void ShowAgentSilent(const QString& /*text*/, std::int64_t /*confirmedFromMs*/) {}
    // ClearAgentSilent: the agent answered again; the message goes.
    virtual void ClearAgentSilent() {}
    // ExplainAgentSilence: request (its oidList names what it asked for) went
    // unanswered after all its sends; the view says beside ShowAgentSilent's
    // text what that most likely means, until ClearAgentSilent.
    virtual void ExplainAgentSilence(const TRequest& /*request*/) {}

    // The GetBulk repetitions an agent (TShootEngine::AgentKey) was found to
    // answer, kept from run to run: 0 when none is known; and a new finding.
    virtual int RememberedRepetitions(const QString& /*agent*/) const { return 0; }
    virtual void RememberRepetitions(const QString& /*agent*/, int /*repetitions*/) {}

    // ShowShootCost shows what the last shoot cost ("Shoot 2.4 s, 312
    // requests", ShootCost.h) with the agent's answer times as its tooltip;
    // while a re-shoot waits for a shoot that outlasts the interval, the
    // text says so instead.
    virtual void ShowShootCost(const QString& /*text*/, const QString& /*toolTip*/) {}

    // ShootFinished tells that a shoot is over and the table shows its
    // result: a list shoot once its answers are placed, a walk-based shoot
    // when it ends (finished or failed), a keep-mode refill when its last row
    // is filled.
    virtual void ShootFinished() {}
};
