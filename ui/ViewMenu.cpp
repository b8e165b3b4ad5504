// The View menu of the main window and the "Interval" submenu of "Shoot
// again": choices kept with QSettings and handed to the table and the engine.
#include "ui/Unit1.h"

#include "table/ResultTable.h"
#include "ui/ResultView.h"
#include "engine/ShootEngine.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr int kSpecifiedInterval = 10;  // the captions name it already

QAction* CheckItem(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    return action;
}

}  // namespace

void TForm1::CreateViewMenu()
{
    QMenu* view1 = menuBar()->addMenu(QStringLiteral("&View"));
    view1->setObjectName(QStringLiteral("View1"));
    ShowCounterRates1 = CheckItem(view1, "ShowCounterRates1", QStringLiteral("Show counter &rates"));
    ReadableValues1 = CheckItem(view1, "ReadableValues1", QStringLiteral("Rea&dable values"));
    view1->addSeparator();
    MarkChanges1 = CheckItem(view1, "MarkChanges1", QStringLiteral("&Mark changes"));
    KeepLastValues1 = CheckItem(view1, "KeepLastValues1", QStringLiteral("&Keep last values"));
    for (QAction* item : {ShowCounterRates1, ReadableValues1, MarkChanges1, KeepLastValues1})
        connect(item, &QAction::triggered, this, &TForm1::ViewMenuClicked);
    view1->addSeparator();
    TrapsAndInforms1 = view1->addAction(QStringLiteral("&Traps and informs"));
    TrapsAndInforms1->setObjectName(QStringLiteral("TrapsAndInforms1"));
    TrapsAndInforms1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(TrapsAndInforms1, &QAction::triggered, this, &TForm1::OpenTrapsWindow);
}

void TForm1::CreateIntervalMenu(QMenu* shootAgain)
{
    shootAgain->addSeparator();
    Interval1 = shootAgain->addMenu(QStringLiteral("Interval"));
    Interval1->setObjectName(QStringLiteral("Interval1"));
    auto* group = new QActionGroup(Interval1);
    group->setExclusive(true);
    for (const int seconds : kShootIntervals) {
        QAction* item = Interval1->addAction(QStringLiteral("%1 s").arg(seconds));
        item->setObjectName(QStringLiteral("Interval%1s").arg(seconds));
        item->setCheckable(true);
        item->setData(seconds);
        group->addAction(item);
        connect(item, &QAction::triggered, this, &TForm1::ViewMenuClicked);
    }
}

void TForm1::ViewMenuClicked()
{
    TViewOptions options;
    options.counterRates = ShowCounterRates1->isChecked();
    options.readableValues = ReadableValues1->isChecked();
    options.markChanges = MarkChanges1->isChecked();
    options.keepLastValues = KeepLastValues1->isChecked();
    options.intervalSeconds = viewOptions.intervalSeconds;
    for (QAction* item : Interval1->actions()) {
        if (item->isChecked())
            options.intervalSeconds = item->data().toInt();
    }
    SetViewOptions(options);
    SaveViewOptions(options);
}

void TForm1::SetViewOptions(const TViewOptions& options)
{
    const bool newInterval = options.intervalSeconds != viewOptions.intervalSeconds;
    viewOptions = options;
    ShowViewOptions();
    resultTable->SetViewOptions(options);
    if (options.readableValues && resultTable->rowCount() > 0)
        WidenColumnsToTexts(ListView1);
    engine->SetReadUpTime(options.counterRates);
    if (newInterval)
        engine->Scheduler().RestartCountdown();
}

void TForm1::ShowViewOptions()
{
    ShowCounterRates1->setChecked(viewOptions.counterRates);
    ReadableValues1->setChecked(viewOptions.readableValues);
    MarkChanges1->setChecked(viewOptions.markChanges);
    KeepLastValues1->setChecked(viewOptions.keepLastValues);
    for (QAction* item : Interval1->actions())
        item->setChecked(item->data().toInt() == viewOptions.intervalSeconds);
    const int n = viewOptions.intervalSeconds;
    const bool specified = n == kSpecifiedInterval;
    Every10secondskeepinstances1->setText(specified
                                              ? QStringLiteral("Every 10 sec, keep any instances!")
                                              : QStringLiteral("Every %1 sec, keep any instances!").arg(n));
    Every10secRefreshinstancesalso1->setText(
        specified ? QStringLiteral("Every 10 sec. reread instances also!")
                  : QStringLiteral("Every %1 sec. reread instances also!").arg(n));
}
