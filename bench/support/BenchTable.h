// The synthetic 7-column interface table the window benches place as the
// shoot engine places an instance table's answers.
#pragma once

#include "core/CellValue.h"
#include "table/ResultTable.h"
#include "table/Shared.h"

#include <QHash>
#include <QStringList>
#include <QTreeView>

class TRowCursor;

namespace bench {

// ifIndex, ifType, ifSpeed, ifInOctets, ifOutOctets (Counter32),
// ifHCInUcastPkts (Counter64) and a TimeTicks column.
const QStringList& TableTargets();

// Places row `row` (0-based) of shoot `shoot` into `table`, all 7 columns,
// the counters moving from shoot to shoot.
void PlaceTableRow(TResultTable& table, TRowCursor& cursor, int row, int shoot);

// The switches of a bench's command line, "--name value" pairs, by name.
QHash<QString, QString> Switches(const QStringList& arguments);

// The synthetic table's columns in the real result table, shown in a
// QTreeView as the window shows it and publishing as the window does.
struct TTableOnScreen {
    explicit TTableOnScreen(const TViewOptions& options);

    TOidNameTable names;
    TResultTable table;
    QTreeView view;
};

}  // namespace bench
