// TShootView: what the shoot engine needs from the main window. The window
// implements it over its result table, status bar, menu and instance-mask
// panel; the engine calls it on the GUI thread only.
//
// The engine never keeps a row of its own: the rows live in the window's table.
#pragma once

#include "CellValue.h"
#include "RowCursor.h"

#include <QString>

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

    // PlaceValue hands one answered OID and its value to the result table.
    // The table decides the row and cell from the engine's row cursor and
    // from whether the KeepInstances item is checked, and tells what it did;
    // the engine advances the cursor by that.
    virtual TPlaced PlaceValue(const QString& oid, const QString& value, const TRowCursor& cursor) = 0;
    // PlaceCell is PlaceValue with the value's type and arrival; a view
    // that keeps only texts takes the text.
    virtual TPlaced PlaceCell(const QString& oid, const TCellValue& value, const TRowCursor& cursor)
    {
        return PlaceValue(oid, value.text, cursor);
    }
    // DropStaleRows ends a shoot's update of the rows: rows the shoot did not
    // answer again go. Called before the rows are counted at a shoot's end.
    virtual void DropStaleRows() {}
    // ClearResultRows begins a shoot that builds the rows anew; columns and
    // sort state stay. A view may keep the rows and update them in place,
    // as long as DropStaleRows leaves only the rows this shoot placed.
    virtual void ClearResultRows() = 0;
    virtual int RowCount() const = 0;
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
    // other messages come meanwhile. A row none of whose values arrived at or
    // after confirmedFromMs (the arrival clock when the shoot began) is no
    // longer current: its values are shown as unanswered until new ones come.
    // Called again for every further request left unanswered.
    virtual void ShowAgentSilent(const QString& /*text*/, std::int64_t /*confirmedFromMs*/) {}
    // ClearAgentSilent: the agent answered again; the message goes.
    virtual void ClearAgentSilent() {}

    // ShootFinished tells that a shoot is over and the table shows its
    // result: a list shoot once its answers are placed, a walk-based shoot
    // when it ends (finished or failed), a keep-mode refill when its last row
    // is filled.
    virtual void ShootFinished() {}
};
