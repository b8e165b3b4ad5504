#include "BenchTable.h"

#include "engine/RowCursor.h"
#include "table/ResultTable.h"
#include "ui/ResultView.h"

#include <QDateTime>

namespace bench {
namespace {

const int kTypes[] = {0x02, 0x02, 0x42, 0x41, 0x41, 0x46, 0x43};

QString ValueOf(int column, int row, int shoot)
{
    switch (column) {
    case 0: return QString::number(row + 1);
    case 1: return QStringLiteral("6");
    case 2: return QStringLiteral("1000000000");
    case 6: return QString::number(100000 + shoot * 1000);
    default:
        return QString::number(static_cast<qint64>(row) * 1000 + static_cast<qint64>(shoot) * (row + 1) * 37);
    }
}

}  // namespace

const QStringList& TableTargets()
{
    static const QStringList targets = {
        "1.3.6.1.2.1.2.2.1.1",  "1.3.6.1.2.1.2.2.1.3",    "1.3.6.1.2.1.2.2.1.5", "1.3.6.1.2.1.2.2.1.10",
        "1.3.6.1.2.1.2.2.1.16", "1.3.6.1.2.1.31.1.1.1.7", "1.3.6.1.2.1.2.2.1.9"};
    return targets;
}

void PlaceTableRow(TResultTable& table, TRowCursor& cursor, int row, int shoot)
{
    const QStringList& targets = TableTargets();
    cursor.BeginRow();
    // A row's cells arrive together with the clocks of that moment, as
    // the answers of an agent do.
    const qint64 arrived = MonotonicMs();
    const qint64 wall = QDateTime::currentMSecsSinceEpoch();
    for (int column = 0; column < targets.size(); ++column) {
        TCellValue value;
        value.type = kTypes[column];
        value.text = ValueOf(column, row, shoot);
        value.SetBytes(value.text.toLatin1());
        value.arrivedMs = arrived;
        value.wallMs = wall;
        value.upTime = 100000 + shoot * 1000;
        const QString oid = targets[column] + QLatin1Char('.') + QString::number(row + 1);
        cursor.Advance(table.PlaceCell(oid, value, cursor));
    }
}

QHash<QString, QString> Switches(const QStringList& arguments)
{
    QHash<QString, QString> switches;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2)
        switches.insert(arguments[i], arguments[i + 1]);
    return switches;
}

namespace {

TOidNameTable BuiltNames()
{
    TOidNameTable names;
    names.BuildOidNameTable();
    return names;
}

}  // namespace

TTableOnScreen::TTableOnScreen(const TViewOptions& options) : names(BuiltNames()), table(names)
{
    table.SetPublishInterval(100);  // as the window does
    ConfigureResultView(&view, &table);
    view.resize(900, 500);
    view.show();
    table.SetViewOptions(options);
    table.BuildColumns(true, TableTargets());
}

}  // namespace bench
