// TRecordingView: a stand-in for the main window in the engine tests. It keeps
// its rows the way the result table does (list rows, table rows built cell by
// cell, keep-mode refill in place) and records what the status bar, the menu
// and the instance-mask panel were told.
#pragma once

#include "engine/ShootEngine.h"
#include "engine/ResultStore.h"
#include "engine/ShootView.h"

#include <QStringList>

#include <functional>
#include <map>
#include <ostream>
#include <stdexcept>
#include <vector>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class TRecordingView : public TShootView {
public:
    TShootEngine* engine = nullptr;  // set once the engine exists
    // The store the engine writes; rows mirrors it after every change.
    TResultStore store;

    // Rows: in the list layout {oid, value line}; in the table layout the cells.
    std::vector<QStringList> rows;
    int clearCount = 0;  // shoots that placed the rows again
    QString statusMessage;
    QStringList statusHistory;  // every text shown, in order
    int entryCount = -1;        // -1: panel empty
    int countdownShown = -1;    // -1: panel empty
    QString shootCost;          // the shoot-cost panel's text
    int droppedMalformed = 0;   // the dropped-datagram counts last shown
    int droppedForeign = 0;
    bool shootAgainEnabled = true;
    bool marks[4] = {};  // indexed by TShootMode
    int focusCount = 0;
    bool focusThrows = false;
    int reSortCount = 0;
    QStringList comboItems;
    int comboSelected = -1;
    bool panelVisible = false;
    QStringList modalMessages;
    std::function<void()> onPlace;    // called as each value is placed
    std::vector<int> rowsAtFinish;    // the row count at every end of a shoot
    QString silenceText;              // "No answer from ..." while the agent is silent
    std::int64_t confirmedFrom = -1;  // the shoot start handed over with it

    TRecordingView()
    {
        store.SetObserver(&mirror);
        QObject::connect(&store, &TResultStore::ReshootStarted, [this] { ++clearCount; });
    }
    ~TRecordingView() override { store.SetObserver(nullptr); }
    TRecordingView(const TRecordingView&) = delete;
    TRecordingView& operator=(const TRecordingView&) = delete;

    int RowCount() const { return store.RowCount(); }
    void ShootFinished() override { rowsAtFinish.push_back(RowCount()); }
    void ReSortRows() override { ++reSortCount; }
    void FocusResultTable() override
    {
        ++focusCount;
        if (focusThrows)
            throw std::runtime_error("cannot focus");
    }
    void ShowStatusMessage(const QString& text) override
    {
        statusMessage = text;
        statusHistory.append(text);
    }
    void ClearStatusMessage() override { statusMessage.clear(); }
    void ShowEntryCount(int n) override { entryCount = n; }
    void ShowCountdown(int n) override { countdownShown = n; }
    void ShowAgentSilent(const QString& text, std::int64_t confirmedFromMs) override
    {
        silenceText = text;
        confirmedFrom = confirmedFromMs;
    }
    void ClearAgentSilent() override { silenceText.clear(); }
    std::map<QString, int> remembered;  // the repetitions kept per agent, as settings would
    int RememberedRepetitions(const QString& agent) const override
    {
        const auto found = remembered.find(agent);
        return found == remembered.end() ? 0 : found->second;
    }
    void RememberRepetitions(const QString& agent, int repetitions) override
    {
        remembered[agent] = repetitions;
    }
    void ShowShootCost(const QString& text, const QString& /*toolTip*/) override { shootCost = text; }
    void ShowDroppedCount(int malformed, int foreign) override
    {
        droppedMalformed = malformed;
        droppedForeign = foreign;
    }
    bool ShootAgainEnabled() const override { return shootAgainEnabled; }
    void SetShootAgainEnabled(bool enabled) override { shootAgainEnabled = enabled; }
    void SetModeChecked(TShootMode mode, bool checked) override { marks[static_cast<int>(mode)] = checked; }
    void AddInstanceMaskItem(const QString& item) override
    {
        if (!comboItems.contains(item))
            comboItems.append(item);
    }
    void SelectInstanceMaskItem(const QString& item) override
    {
        comboSelected = static_cast<int>(comboItems.indexOf(item));
    }
    void ShowInstanceMaskPanel() override { panelVisible = true; }
    void ShowModalMessage(const QString& text) override { modalMessages.append(text); }

private:
    // Copies the store's rows into rows at every change.
    class TMirror : public TResultStoreObserver {
    public:
        explicit TMirror(TRecordingView& owner) : view(owner) {}
        void RowsAboutToBeInserted(int, int) override {}
        void RowsInserted(int, int) override { Placed(); }
        void RowsAppended(int, int) override { Placed(); }
        void RowsAboutToBeRemoved(int, int) override {}
        void RowsRemoved(int, int) override { Copy(); }
        void RowsAboutToBeCleared() override {}
        void RowsCleared() override { Copy(); }
        void CellChanged(int, int) override { Placed(); }
        void RowsChanged(int, int) override { Placed(); }
        void ReadingChanged(std::int64_t) override {}

    private:
        void Placed()
        {
            if (view.onPlace)
                view.onPlace();
            Copy();
        }
        void Copy()
        {
            view.rows.clear();
            for (const TResultRow& row : view.store.Rows()) {
                QStringList cells;
                for (const TResultCell& cell : row.cells)
                    cells.append(cell.now.text);
                view.rows.push_back(cells);
            }
        }
        TRecordingView& view;
    };
    TMirror mirror{*this};

public:
    // The OIDs of the list rows, in order.
    QStringList RowOids() const
    {
        QStringList oids;
        for (const QStringList& row : rows)
            oids.append(row.value(0));
        return oids;
    }
};
