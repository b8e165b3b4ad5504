#include "history/WrittenCells.h"

#include <algorithm>

const TRecordedShoot& ShootOf(const QVector<TRecordedShoot>& shoots, std::int64_t id)
{
    const auto found =
        std::lower_bound(shoots.begin(), shoots.end(), id,
                         [](const TRecordedShoot& shoot, std::int64_t wanted) { return shoot.id < wanted; });
    return found != shoots.end() ? *found : shoots.back();
}

TWrittenCells::TWrittenCells(const TSqliteFile& database, const QVector<TRecordedShoot>& inRange,
                             std::int64_t from, std::int64_t to)
    : file(database), shoots(inRange)
{
    rows =
        file.Prepare("SELECT shoot, position, col, oid, state, type, value, raw, arrived_ms, wall_ms, up_time"
                     " FROM cell WHERE shoot BETWEEN ? AND ? ORDER BY shoot, position, col");
    rows.Bind(1, from);
    rows.Bind(2, to);
    // A file of schema 1 or 2 not written to since has no blocks: none read.
    blocks = file.Prepare(
        "SELECT shoot, first, data FROM block WHERE shoot BETWEEN ? AND ? ORDER BY shoot, first");
    blocks.Bind(1, from);
    blocks.Bind(2, to);
    Next();
}

void TWrittenCells::Next()
{
    if (!inBlocks) {
        valid = NextRow();
        if (valid)
            return;
        // Every shoot written as rows comes before the first written as blocks.
        inBlocks = true;
    }
    valid = !shoots.isEmpty() && NextBlockCell();
}

bool TWrittenCells::NextRow()
{
    if (!rows.Next())
        return false;
    shoot = rows.Int(0);
    cell.row = static_cast<qsizetype>(rows.Int(1));
    cell.col = static_cast<qsizetype>(rows.Int(2));
    cell.oid = rows.Text(3);
    cell.state = static_cast<int>(rows.Int(4));
    cell.value.type = static_cast<int>(rows.Int(5));
    cell.value.text = rows.Text(6);
    if (rows.IsNull(7))
        cell.value.SetBytesToText();
    else
        cell.value.SetBytes(rows.Bytes(7));
    cell.value.arrivedMs = rows.Int(8);
    cell.value.wallMs = rows.Int(9);
    cell.value.upTime = rows.Int(10);
    return true;
}

bool TWrittenCells::NextBlockCell()
{
    // A damaged block is read up to its damage.
    while (!reader || !reader->Next(cell)) {
        reader.reset();
        if (!blocks.Next())
            return false;
        shoot = blocks.Int(0);
        const auto first = static_cast<qsizetype>(blocks.Int(1));
        blockData = blocks.Bytes(2);
        const TRecordedShoot& at = ShootOf(shoots, shoot);
        LoadSuffixes(at.base);
        blockSuffixes = first >= 0 ? suffixes.mid(first, kBlockRows) : QVector<QString>();
        reader.emplace(blocks.IsText(2), blockData, first, at.targets, blockSuffixes,
                       TShootClocks{at.upTime, at.wallMs, at.clockMs});
    }
    return true;
}

void TWrittenCells::LoadSuffixes(std::int64_t base)
{
    if (base == suffixesOf)
        return;
    suffixesOf = base;
    suffixes.clear();
    TSqliteStatement query = file.Prepare("SELECT suffix FROM row WHERE shoot = ? ORDER BY position");
    query.Bind(1, base);
    while (query.Next())
        suffixes.append(query.Text(0));
}

QByteArray BlockOf(TSqliteStatement& query, std::int64_t shoot, qsizetype position, bool& json)
{
    query.Reset();
    query.Bind(1, shoot);
    query.Bind(2, static_cast<std::int64_t>(position / kBlockRows * kBlockRows));
    const bool found = query.Next();
    json = found && query.IsText(0);
    return found ? query.Bytes(0) : QByteArray();
}
