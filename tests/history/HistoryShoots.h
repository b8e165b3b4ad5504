// Shoots of made-up rows for the recording's tests: `rows` rows of three
// Counter32 cells whose values tell the shoot and the place they belong to.
#pragma once

#include "history/HistoryDatabase.h"

inline THistoryShoot MadeShoot(int serial, int rows, std::int64_t wallMs)
{
    THistoryShoot shoot;
    shoot.wallMs = wallMs;
    shoot.listLayout = false;
    shoot.targets = {QStringLiteral("1.3.6.1.2.1.2.2.1.10"), QStringLiteral("1.3.6.1.2.1.2.2.1.11"),
                     QStringLiteral("1.3.6.1.2.1.2.2.1.16")};
    for (int r = 0; r < rows; ++r) {
        TResultRow row;
        row.suffix = QStringLiteral(".%1").arg(r + 1);
        row.key = shoot.targets[0] + row.suffix;
        for (int c = 0; c < shoot.targets.size(); ++c) {
            TResultCell cell;
            cell.oid = shoot.targets[c] + row.suffix;
            cell.now.type = snmptype::kCounter32;
            cell.now.text = QString::number(serial * 1000000 + r * 10 + c);
            cell.now.SetBytes(cell.now.text.toUtf8());
            cell.now.arrivedMs = serial * 1000 + r;
            cell.now.wallMs = wallMs;
            cell.now.upTime = serial * 100;
            row.cells.append(cell);
        }
        shoot.rows.append(row);
    }
    return shoot;
}
