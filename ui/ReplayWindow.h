// TReplayWindow: a recording played back. The same table as the live view,
// not live: a slider and step buttons choose a recorded shoot, and the table
// shows the values as of that shoot, with counter rates from the shoot
// before it (when counter rates are on).
#pragma once

#include "engine/ResultStore.h"
#include "history/HistoryDatabase.h"

#include <QString>
#include <QVector>
#include <QWidget>

class QLabel;
class QSlider;
class QTreeView;
class TOidNameTable;
class TResultTable;
struct TViewOptions;

class TReplayWindow : public QWidget {
    Q_OBJECT

public:
    // Opens the recording at path; IsOpen() tells whether it could be read
    // (the status line says why not).
    TReplayWindow(const QString& path, const TOidNameTable& names, const TViewOptions& options,
                  QWidget* parent = nullptr);

    bool IsOpen() const { return !shoots.isEmpty(); }
    int ShootCount() const { return static_cast<int>(shoots.size()); }
    // Shows recorded shoot index (0 = the oldest kept).
    void ShowShoot(int index);
    TResultTable& Table() { return *table; }
    QString StatusText() const;

private:
    // Places the recorded rows of shoot as a shoot of the engine would.
    void Place(std::int64_t shoot, bool reshoot);

    THistoryDatabase recording;
    QVector<TRecordedShoot> shoots;
    TResultStore store;
    TResultTable* table = nullptr;
    QTreeView* view = nullptr;
    QSlider* slider = nullptr;
    QLabel* status = nullptr;
};
