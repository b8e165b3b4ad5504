// Recorded history and charts through the real window against snmpd: the
// recording holds what the store held at each shoot, and a chart of a
// counter's rate gets a point per shoot.
#include "IntegrationSupport.h"
#include "../history/HistoryShoots.h"

#include "engine/ResultStore.h"
#include "history/HistoryRecorder.h"
#include "table/ResultTable.h"
#include "table/Shared.h"
#include "table/ViewOptions.h"
#include "ui/ChartWindow.h"
#include "ui/ReplayWindow.h"
#include "ui/TrendDelegate.h"
#include "ui/Unit1.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QSpinBox>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

const QString kIfTable = QStringLiteral("1.3.6.1.2.1.2.2.1.");

// A view of the interfaces table (ifIndex, ifDescr, ifInOctets), re-shot by
// hand; the window's recording goes to the test run's data folder.
class HistoryWindowTest : public ::testing::Test {
protected:
    void OpenView(int port, const QString& community)
    {
        SaveViewOptions(TViewOptions());
        path = files.Write("history.xml", {port, 2, community},
                           {{kIfTable + "1", ""}, {kIfTable + "2", ""}, {kIfTable + "10", ""}});
        form = std::make_unique<TForm1>(XmlArgs(path));
        shoots = std::make_unique<TShootCounter>(*form);
        ShowWindow(*form);
        ASSERT_TRUE(shoots->WaitFor(1));
    }

    // A view of an agent whose ifInOctets.2 counts 1000 octets a second and
    // its uptime 100 ticks.
    void OpenMovingView()
    {
        moving.AddDataFile("moving", "1.3.6.1.2.1.1.3.0|67:numeric|rate=100,initial=5000\n"
                                     "1.3.6.1.2.1.2.2.1.1.2|2|2\n"
                                     "1.3.6.1.2.1.2.2.1.2.2|4|eth0\n"
                                     "1.3.6.1.2.1.2.2.1.10.2|65:numeric|rate=1000,initial=7000\n");
        ASSERT_TRUE(moving.Start()) << "snmpsimd did not start";
        OpenView(moving.Port(), QStringLiteral("moving"));
    }

    void Reshoot()
    {
        const int next = shoots->Count() + 1;
        PumpFor(150);  // the agent's counters and clock move on
        form->Widgets().Now1->trigger();
        ASSERT_TRUE(shoots->WaitFor(next));
    }

    vxtest::TSnmpsimAgent moving;
    TVexgridFiles files;
    QString path;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TShootCounter> shoots;
};

void ExpectSameRows(const QVector<TResultRow>& recorded, const QVector<TResultRow>& held, int shoot)
{
    ASSERT_EQ(recorded.size(), held.size()) << "shoot " << shoot;
    for (int r = 0; r < held.size(); ++r) {
        EXPECT_EQ(recorded[r].key, held[r].key);
        EXPECT_EQ(recorded[r].suffix, held[r].suffix);
        ASSERT_EQ(recorded[r].cells.size(), held[r].cells.size()) << "shoot " << shoot << " row " << r;
        for (int c = 0; c < held[r].cells.size(); ++c) {
            const TResultCell& a = recorded[r].cells[c];
            const TResultCell& b = held[r].cells[c];
            SCOPED_TRACE(QStringLiteral("shoot %1 cell %2").arg(shoot).arg(b.oid).toStdString());
            EXPECT_EQ(a.oid, b.oid);
            EXPECT_EQ(a.now.text, b.now.text);
            EXPECT_EQ(a.now.Bytes(), b.now.Bytes());
            EXPECT_EQ(a.now.type, b.now.type);
            // A cell unchanged since the shoot before is not written again:
            // its times are moved on from there by the time between the
            // shoots, off by how much sooner or later it came in this shoot.
            const std::int64_t off = a.now.text == b.now.text ? 500 : 0;
            EXPECT_LE(std::abs(a.now.arrivedMs - b.now.arrivedMs), off);
            EXPECT_LE(std::abs(a.now.wallMs - b.now.wallMs), off);
            EXPECT_EQ(a.now.upTime, b.now.upTime);
            EXPECT_EQ(a.stale, b.stale);
            EXPECT_EQ(a.missing, b.missing);
        }
    }
}

}  // namespace

TEST_F(HistoryWindowTest, EveryShootIsRecordedAsTheStoreHeldIt)
{
    const auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start()) << "snmpd did not start";
    OpenView(agent->Port(), QStringLiteral("tamvel"));
    ASSERT_TRUE(form->Widgets().RecordHistory1->isChecked()) << "on by default";
    QVector<QVector<TResultRow>> held{form->ResultStore().Rows()};
    QObject::connect(&form->ResultStore(), &TResultStore::ShootFinished, form.get(),
                     [&] { held.append(form->ResultStore().Rows()); });
    for (int n = 0; n < 3; ++n)
        Reshoot();
    form->History().Flush();
    EXPECT_EQ(form->History().ActivePath(), form->HistoryPath());
    EXPECT_TRUE(
        form->HistoryPath().startsWith(qEnvironmentVariable("XDG_DATA_HOME") + "/HB_Vexgrid/history/"));

    THistoryDatabase recording;
    ASSERT_TRUE(recording.Open(form->History().ActivePath())) << recording.LastError().toStdString();
    const QVector<TRecordedShoot> recorded = recording.Shoots();
    ASSERT_EQ(recorded.size(), held.size());
    for (int shoot = 0; shoot < held.size(); ++shoot)
        ExpectSameRows(recording.RowsOf(recorded[shoot].id), held[shoot], shoot + 1);

    // Played back, the table as of the second shoot holds what the store held then.
    TReplayWindow* replay = form->OpenReplay(form->History().ActivePath());
    ASSERT_TRUE(replay->IsOpen());
    ASSERT_EQ(replay->ShootCount(), held.size());
    replay->ShowShoot(1);
    const QVector<TResultRow>& shown = replay->Table().Store().Rows();
    ASSERT_EQ(shown.size(), held[1].size());
    for (int r = 0; r < shown.size(); ++r) {
        ASSERT_EQ(shown[r].cells.size(), held[1][r].cells.size());
        for (int c = 0; c < shown[r].cells.size(); ++c)
            EXPECT_EQ(shown[r].cells[c].now.text, held[1][r].cells[c].now.text);
    }
    EXPECT_TRUE(
        replay->StatusText().startsWith(QStringLiteral("History of 127.0.0.1:%1 as of ").arg(agent->Port())))
        << replay->StatusText().toStdString();

    // Off, remembered: the shoots after are not recorded.
    form->Widgets().RecordHistory1->trigger();
    Reshoot();
    form->History().Flush();
    EXPECT_EQ(recording.Shoots().size(), held.size() - 1);

    // Options > History limits... keeps what is chosen.
    form->findChild<QAction*>("HistoryLimits1")->trigger();
    auto* limits = form->findChild<QDialog*>("HistoryLimitsDialog");
    ASSERT_NE(limits, nullptr);
    limits->findChild<QSpinBox*>("Days")->setValue(2);
    limits->findChild<QSpinBox*>("Megabytes")->setValue(300);
    limits->accept();
    QSettings kept(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid"));
    EXPECT_EQ(kept.value("history/maxDays").toInt(), 2);
    EXPECT_EQ(kept.value("history/maxMegabytes").toInt(), 300);
}

TEST_F(HistoryWindowTest, ChartOfACounterRateGetsAPointPerShootAndSavesAPicture)
{
    OpenMovingView();
    const int row = 0;
    Reshoot();
    form->Widgets().ListView1->setCurrentIndex(form->ResultTable().index(row, 4));
    form->Widgets().ListView1->selectionModel()->select(form->ResultTable().index(row, 4),
                                                        QItemSelectionModel::ClearAndSelect);
    TChartWindow* chart = form->OpenChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->SeriesCount(), 1);
    const QLineSeries& rate = chart->Series(0);
    EXPECT_TRUE(rate.name().contains("ifInOctets")) << rate.name().toStdString();
    EXPECT_TRUE(rate.name().endsWith("(bit/s)"));
    EXPECT_EQ(rate.count(), 1) << "the rate of the second shoot, from the recording";
    form->Widgets().ShowTrends1->trigger();
    for (int n = 0; n < 4; ++n)
        Reshoot();
    ASSERT_EQ(rate.count(), 5);
    // The table's trend holds the same rates.
    const QVector<double> trend = form->Widgets().TrendDelegate->Trends().Readings(kIfTable + "10.2");
    ASSERT_EQ(trend.size(), 5);
    EXPECT_NEAR(trend.back(), rate.at(4).y() / 8, 1.0);
    form->grab().save(QStringLiteral("/tmp/trends.png"));
    for (const QPointF& point : rate.points())
        EXPECT_GT(point.y(), 0.0);
    EXPECT_LT(rate.at(0).x(), rate.at(4).x());

    // A second chart fills the same points from the recording.
    form->History().Flush();
    TChartWindow* again = form->OpenChart();
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->Series(0).count(), rate.count());
    for (int n = 0; n < rate.count(); ++n) {
        // Live rates run over the monotonic clock, recorded ones over the
        // wall clock: a few ms apart.
        EXPECT_EQ(again->Series(0).at(n).x(), rate.at(n).x());
        EXPECT_NEAR(again->Series(0).at(n).y(), rate.at(n).y(), rate.at(n).y() * 0.1);
    }

    const QString picture = QStringLiteral("/tmp/chart.png");
    ASSERT_TRUE(chart->SaveImage(picture));
    const QImage saved(picture);
    EXPECT_FALSE(saved.isNull());
    EXPECT_GT(saved.width(), 300);
    EXPECT_EQ(chart->ValueAxisTitle(), "bit/s");
    // As SVG: a picture with the line drawn as a path.
    QTemporaryDir dir;
    const QString svg = dir.filePath(QStringLiteral("chart.svg"));
    ASSERT_TRUE(chart->SaveImage(svg));
    QFile drawn(svg);
    ASSERT_TRUE(drawn.open(QIODevice::ReadOnly));
    const QByteArray text = drawn.readAll();
    EXPECT_TRUE(text.contains("<svg")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("<path") || text.contains("<polyline"));
    EXPECT_TRUE(text.contains("bit/s"));
}

TEST_F(HistoryWindowTest, TrendsShowTheRecordedReadingsAtOnce)
{
    OpenMovingView();
    for (int n = 0; n < 4; ++n)
        Reshoot();
    // Turned on: the rates of shoots 2 to 5, from the recording.
    form->Widgets().ShowTrends1->trigger();
    const QString octets = kIfTable + "10.2";
    const QVector<double> filled = form->Widgets().TrendDelegate->Trends().Readings(octets);
    ASSERT_EQ(filled.size(), 4);
    for (double rate : filled)
        EXPECT_NEAR(rate, 1000, 250);

    // The view opened again (trends on, remembered): its first shoot shows
    // the readings recorded before it, and the next adds its own.
    form.reset();
    form = std::make_unique<TForm1>(XmlArgs(path));
    shoots = std::make_unique<TShootCounter>(*form);
    ShowWindow(*form);
    ASSERT_TRUE(shoots->WaitFor(1));
    ASSERT_TRUE(form->Widgets().ShowTrends1->isChecked());
    EXPECT_EQ(form->Widgets().TrendDelegate->Trends().Readings(octets), filled);
    Reshoot();
    EXPECT_EQ(form->Widgets().TrendDelegate->Trends().Readings(octets).size(), 5);
}

TEST(ReplayCompare, MarksExactlyTheChangedCellsWithTheirDifference)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("compare.sqlite"));
    THistoryShoot first = MadeShoot(1, 3, 60000);
    first.upTime = 100;
    first.rows[2].cells[0].now.type = snmptype::kGauge32;
    THistoryShoot second = first;
    second.wallMs += 1000;
    second.upTime += 100;
    for (TResultRow& row : second.rows)
        for (TResultCell& cell : row.cells) {
            cell.now.wallMs += 1000;
            cell.now.arrivedMs += 1000;
            cell.now.upTime += 100;
        }
    const struct {
        int row;
        int cell;
        QString text;        // the second shoot's
        QString difference;  // to the first
    } changed[] = {
        {0, 1, QString::number(1000001 + 500), "500 /s"},  // a counter: its rate over the span
        {2, 0, QString::number(1000020 - 7), "-7"},        // a gauge: the difference
    };
    for (const auto& c : changed) {
        second.rows[c.row].cells[c.cell].now.text = c.text;
        second.rows[c.row].cells[c.cell].now.SetBytes(c.text.toUtf8());
    }
    {
        THistoryDatabase recording;
        ASSERT_TRUE(recording.Open(path));
        ASSERT_TRUE(recording.Append(first));
        ASSERT_TRUE(recording.Append(second));
    }
    TOidNameTable names;
    TReplayWindow replay(path, names, TViewOptions());
    ASSERT_EQ(replay.ShootCount(), 2);
    replay.ShowShoot(1);
    replay.CompareWith(0);
    const TCompareColumns& shown = replay.Shown();
    const int firstCell = replay.Table().FirstCellColumn();
    int marked = 0;
    for (int row = 0; row < 3; ++row) {
        for (int cell = 0; cell < 3; ++cell) {
            QString want;
            for (const auto& c : changed)
                want = c.row == row && c.cell == cell ? c.difference : want;
            EXPECT_EQ(shown.Difference(row, cell).value_or(QString()), want) << row << " " << cell;
            const QModelIndex value = shown.index(row, firstCell + 2 * cell);
            EXPECT_EQ(shown.data(value, Qt::BackgroundRole).isValid(), !want.isEmpty());
            EXPECT_EQ(shown.data(shown.index(row, firstCell + 2 * cell + 1)).toString(), want);
            marked += want.isEmpty() ? 0 : 1;
        }
    }
    EXPECT_TRUE(replay.StatusText().endsWith(QStringLiteral("%1 cells differ").arg(marked)))
        << replay.StatusText().toStdString();
    // The export writes what is shown: a difference column after each value.
    const QList<QByteArray> lines = replay.ShownAsCsv().split('\n');
    EXPECT_TRUE(lines[0].contains("\xce\x94")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(",500 /s,")) << lines[1].toStdString();
    // Compared no more: the table's own columns.
    replay.CompareWith(-1);
    EXPECT_EQ(shown.columnCount(), replay.Table().columnCount());
}

TEST_F(HistoryWindowTest, TwoWindowsOnOneViewRecordToFilesOfTheirOwn)
{
    const auto agent = NewSnmpd();
    ASSERT_TRUE(agent->Start()) << "snmpd did not start";
    OpenView(agent->Port(), QStringLiteral("tamvel"));
    TForm1 second(XmlArgs(path));
    TShootCounter secondShoots(second);
    QStringList said;
    QObject::connect(&second.History(), &THistoryRecorder::Problem, &second,
                     [&said](const QString& message) { said.append(message); });
    ShowWindow(second);
    ASSERT_TRUE(secondShoots.WaitFor(1));
    for (int n = 0; n < 2; ++n) {
        Reshoot();
        second.Widgets().Now1->trigger();
        ASSERT_TRUE(secondShoots.WaitFor(n + 2));
    }
    form->History().Flush();
    second.History().Flush();
    PumpFor(50);  // the writer's message reaches the window
    EXPECT_EQ(form->History().ActivePath(), form->HistoryPath());
    const QString own = second.History().ActivePath();
    EXPECT_NE(own, form->HistoryPath());
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said.front().contains(own)) << said.front().toStdString();
    for (const QString& file : {form->HistoryPath(), own}) {
        THistoryDatabase recording;
        ASSERT_TRUE(recording.Open(file)) << recording.LastError().toStdString();
        const QVector<TRecordedShoot> recorded = recording.Shoots();
        ASSERT_EQ(recorded.size(), 3) << file.toStdString();
        for (const TRecordedShoot& shoot : recorded)
            EXPECT_EQ(recording.RowsOf(shoot.id).size(), shoot.rowCount);
    }
}

TEST(ChartUnit, FromTheCellAndTheMibUnits)
{
    const struct {
        const char* why;
        bool counter;
        bool octets;
        const char* units;
        const char* unit;
    } cases[] = {
        {"octets in bits per second", true, true, "octets", "bit/s"},
        {"a counter without UNITS per second", true, false, "", "/s"},
        {"a counter's UNITS per second", true, false, "packets", "packets/s"},
        {"a gauge in its UNITS", false, false, "seconds", "seconds"},
        {"a number without UNITS has none", false, false, "", ""},
    };
    for (const auto& c : cases) {
        TChartCell cell;
        cell.counter = c.counter;
        cell.octets = c.octets;
        cell.units = QString::fromLatin1(c.units);
        EXPECT_EQ(ChartUnit(cell), QString::fromLatin1(c.unit)) << c.why;
    }
}
