#include "ui/ChartWindow.h"

#include "engine/ResultStore.h"
#include "history/HistoryDatabase.h"
#include "table/RateColumn.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

constexpr int kBitsPerOctet = 8;
constexpr std::int64_t kMinuteMs = 60LL * 1000;
// The ranges offered: label and length (0: all that was recorded).
const struct {
    const char* label;
    std::int64_t ms;
} kRanges[] = {
    {"5 min", 5 * kMinuteMs},
    {"1 h", 60 * kMinuteMs},
    {"1 day", 24LL * 60 * kMinuteMs},
    {"All", 0},
};

// The value a line draws for a reading: a counter's rate since the reading
// before, another number as read; none for what has no honest number.
std::optional<double> Plotted(const TChartCell& cell, const TCellValue& previous, const TCellValue& now)
{
    if (!now.HasValue())
        return std::nullopt;
    if (cell.counter) {
        const std::optional<double> rate = CounterRate(previous, now);
        return rate && cell.octets ? std::optional<double>(*rate * kBitsPerOctet) : rate;
    }
    bool ok = false;
    const double number = now.text.toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

}  // namespace

QString ChartUnit(const TChartCell& cell)
{
    if (cell.octets)
        return QStringLiteral("bit/s");
    if (cell.counter)
        return cell.units.isEmpty() ? QStringLiteral("/s") : cell.units + QStringLiteral("/s");
    return cell.units;
}

TChartWindow::TChartWindow(TResultStore& results, const QString& recording, const QVector<TChartCell>& cells,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), store(results), historyPath(recording)
{
    setObjectName(QStringLiteral("ChartWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    chart = new QChart;
    timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    timeAxis->setTitleText(QStringLiteral("time"));
    valueAxis = new QValueAxis;
    valueAxis->setLabelFormat(QStringLiteral("%.4g"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    QStringList names;
    for (const TChartCell& cell : cells) {
        TLine line{cell, new QLineSeries, 0};
        const QString unit = ChartUnit(cell);
        line.series->setName(unit.isEmpty() ? cell.name
                                            : cell.name + QStringLiteral(" (") + unit + QLatin1Char(')'));
        line.series->setPointsVisible(true);
        // Hover read-out: the line's name, the time and the value of the point.
        connect(line.series, &QLineSeries::hovered, this,
                [series = line.series](const QPointF& at, bool entered) {
                    if (!entered) {
                        QToolTip::hideText();
                        return;
                    }
                    const QString when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(at.x()))
                                             .toString(QStringLiteral("HH:mm:ss.zzz"));
                    QToolTip::showText(
                        QCursor::pos(),
                        QStringLiteral("%1\n%2: %3").arg(series->name(), when).arg(at.y(), 0, 'g', 8));
                });
        chart->addSeries(line.series);
        line.series->attachAxis(timeAxis);
        line.series->attachAxis(valueAxis);
        lines.append(line);
        names.append(cell.name);
    }
    setWindowTitle(QStringLiteral("Chart: ") + names.join(QStringLiteral(", ")));
    valueAxis->setTitleText(ValueAxisTitle());
    view = new QChartView(chart, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::HorizontalRubberBand);  // drag to zoom in time

    range = new QComboBox(this);
    for (const auto& r : kRanges)
        range->addItem(QLatin1String(r.label));
    auto* save = new QPushButton(QStringLiteral("Save image..."), this);
    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(QStringLiteral("Range:"), this));
    tools->addWidget(range);
    tools->addStretch(1);
    note = new QLabel(this);
    tools->addWidget(note);
    tools->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(view, 1);
    connect(range, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowRange(kRanges[index].ms); });
    connect(save, &QPushButton::clicked, this, &TChartWindow::SaveImageClicked);
    connect(&store, &TResultStore::ShootFinished, this, &TChartWindow::AddShoot);
    resize(720, 420);
    ShowRange(kRanges[0].ms);
}

void TChartWindow::ShowRange(std::int64_t ms)
{
    for (TLine& line : lines) {
        line.series->clear();
        line.lastWallMs = 0;
    }
    FillFromRecording(ms > 0 ? QDateTime::currentMSecsSinceEpoch() - ms : 0);
    AddShoot();
}

void TChartWindow::FillFromRecording(std::int64_t sinceWallMs)
{
    if (historyPath.isEmpty())
        return;
    // Read on this thread: a chart's cells are a small part of the file, and
    // SQLite's WAL lets the writer go on meanwhile.
    THistoryDatabase recording;
    if (!recording.Open(historyPath))
        return;
    for (TLine& line : lines) {
        TCellValue previous;
        for (const TRecordedReading& reading : recording.Readings(line.cell.oid, sinceWallMs)) {
            if (reading.state != TRecordedState::Current)
                continue;
            // Arrival times of another run are not comparable: the wall clock is.
            TCellValue now = reading.value;
            now.arrivedMs = now.wallMs;
            AddPoint(line, previous, now);
            previous = now;
        }
    }
    Rescale();
}

void TChartWindow::AddShoot()
{
    for (TLine& line : lines) {
        const int row = store.RowOfKey(line.cell.rowKey);
        if (row < 0 || line.cell.cell >= store.Row(row).cells.size())
            continue;
        const TResultCell& cell = store.Row(row).cells[line.cell.cell];
        // The table's rate: none across a counter discontinuity of the row either.
        if (cell.stale || cell.missing || cell.oid != line.cell.oid
            || (line.cell.counter && !RowCounterRate(store.Row(row).cells, cell)))
            continue;
        AddPoint(line, cell.Previous(), cell.now);
    }
    Rescale();
}

void TChartWindow::AddPoint(TLine& line, const TCellValue& previous, const TCellValue& now)
{
    if (now.wallMs <= line.lastWallMs)
        return;  // shown already (from the recording)
    const std::optional<double> y = Plotted(line.cell, previous, now);
    if (!y)
        return;
    line.series->append(static_cast<qreal>(now.wallMs), *y);
    line.lastWallMs = now.wallMs;
}

void TChartWindow::Rescale()
{
    std::optional<std::pair<double, double>> xs;
    double top = 0;
    double bottom = 0;
    for (const TLine& line : lines) {
        for (const QPointF& point : line.series->points()) {
            xs = xs ? std::pair(std::min(xs->first, point.x()), std::max(xs->second, point.x()))
                    : std::pair(point.x(), point.x());
            top = std::max(top, point.y());
            bottom = std::min(bottom, point.y());
        }
    }
    if (!xs)
        return;
    // Milliseconds for a short span, the day for a long one.
    const double span = xs->second - xs->first;
    constexpr double kShortSpanMs = 10000;
    constexpr double kDayMs = 24.0 * 3600 * 1000;
    timeAxis->setFormat(span < kShortSpanMs ? QStringLiteral("HH:mm:ss.zzz")
                        : span > kDayMs     ? QStringLiteral("MM-dd HH:mm")
                                            : QStringLiteral("HH:mm:ss"));
    // A second either side keeps a single point off the frame.
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(xs->first) - 1000),
                       QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(xs->second) + 1000));
    valueAxis->setRange(bottom, top > bottom ? top * 1.1 : bottom + 1);
}

QString TChartWindow::ValueAxisTitle() const
{
    QString shared;
    for (const TLine& line : lines) {
        const QString unit = ChartUnit(line.cell);
        if (&line != &lines.front() && unit != shared)
            return QString();
        shared = unit;
    }
    return shared;
}

bool TChartWindow::SaveImage(const QString& path)
{
    if (!path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return view->grab().save(path, "PNG");
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(view->size());
    svg.setViewBox(view->rect());
    svg.setTitle(windowTitle());
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    view->render(&painter);
    return painter.end() && QFileInfo(path).size() > 0;
}

void TChartWindow::SaveImageClicked()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save image"), QStringLiteral("chart.png"),
                                     QStringLiteral("PNG pictures (*.png);;SVG pictures (*.svg)"));
    if (path.isEmpty())
        return;
    note->setText(SaveImage(path) ? QStringLiteral("Saved %1").arg(path)
                                  : QStringLiteral("Could not save %1").arg(path));
}
