// TChartWindow: a chart of chosen cells of the result table over time, one
// line per cell: counters as rates (octets in bit/s), other numbers as
// read. Filled from the view's recording for the chosen range and extended
// at every shoot from the result store. Closes with its parent window.
#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

#include <cstdint>

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QValueAxis;
class TResultStore;
struct TCellValue;

// One charted cell: where it is in the store and how it is drawn.
struct TChartCell {
    QString rowKey;  // its row's key in the store
    int cell = 0;    // index into the row's cells
    QString oid;     // the OID it answers, as recorded
    QString name;    // the legend's name ("ifInOctets.1")
    bool counter = false;
    bool octets = false;  // a rate in bit/s
    QString units;        // the MIB's UNITS of the object, where the names know them
};

// The unit a chart line's values are in: "bit/s" for octets, the MIB's
// UNITS per second for other counters ("packets/s"; "/s" without UNITS),
// the UNITS themselves for other numbers (empty without).
QString ChartUnit(const TChartCell& cell);

class TChartWindow : public QWidget {
    Q_OBJECT

public:
    // historyPath: the view's recording, or empty for none.
    TChartWindow(TResultStore& store, const QString& historyPath, const QVector<TChartCell>& cells,
                 QWidget* parent = nullptr);

    int SeriesCount() const { return static_cast<int>(lines.size()); }
    const QLineSeries& Series(int index) const { return *lines[index].series; }
    // Saves the chart as an SVG picture when path ends in .svg, else as a
    // PNG picture; false when it cannot be written.
    bool SaveImage(const QString& path);
    // The value axis' title: the unit of the lines, when they share one.
    QString ValueAxisTitle() const;
    // Shows the last `ms` (0: all that was recorded), filled from the recording.
    void ShowRange(std::int64_t ms);

private:
    struct TLine {
        TChartCell cell;
        QLineSeries* series = nullptr;
        std::int64_t lastWallMs = 0;  // the newest point's time
    };

    void FillFromRecording(std::int64_t sinceWallMs);
    // Adds the store's readings of this shoot.
    void AddShoot();
    void AddPoint(TLine& line, const TCellValue& previous, const TCellValue& now);
    void Rescale();
    void SaveImageClicked();

    TResultStore& store;
    QString historyPath;
    QVector<TLine> lines;
    QChart* chart = nullptr;
    QChartView* view = nullptr;
    QDateTimeAxis* timeAxis = nullptr;
    QValueAxis* valueAxis = nullptr;
    QComboBox* range = nullptr;
    QLabel* note = nullptr;  // what became of the last save
};
