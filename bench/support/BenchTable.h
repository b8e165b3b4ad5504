// The synthetic 7-column interface table the window benches place as the
// shoot engine places an instance table's answers.
#pragma once

#include "core/CellValue.h"

#include <QStringList>

class TResultTable;
class TRowCursor;

namespace bench {

// ifIndex, ifType, ifSpeed, ifInOctets, ifOutOctets (Counter32),
// ifHCInUcastPkts (Counter64) and a TimeTicks column.
const QStringList& TableTargets();

// Places row `row` (0-based) of shoot `shoot` into `table`, all 7 columns,
// the counters moving from shoot to shoot.
void PlaceTableRow(TResultTable& table, TRowCursor& cursor, int row, int shoot);

}  // namespace bench
