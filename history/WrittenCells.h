// TWrittenCells: the cells a recording wrote at a run of shoots, in order of
// shoot, row and column, whether written as rows of the cell table (schema
// 1 and 2) or in blocks, packed (schema 3) or as JSON text (schema 4). A
// file brought to schema 4 holds its older shoots as they were written.
#pragma once

#include "history/CellBlock.h"
#include "history/HistoryDatabase.h"
#include "history/SqliteFile.h"

#include <QVector>

#include <cstdint>
#include <optional>

class TWrittenCells {
public:
    // The cells written at shoots from..to; shoots holds those shoots and the
    // whole ones they build on, ordered by id.
    TWrittenCells(const TSqliteFile& file, const QVector<TRecordedShoot>& shoots, std::int64_t from,
                  std::int64_t to);

    // False past the last cell.
    bool Valid() const { return valid; }
    std::int64_t Shoot() const { return shoot; }
    const TBlockCell& Cell() const { return cell; }
    void Next();

private:
    bool NextRow();
    bool NextBlockCell();
    // Loads the suffixes of the rows of the whole shoot base.
    void LoadSuffixes(std::int64_t base);

    const TSqliteFile& file;
    const QVector<TRecordedShoot>& shoots;
    TSqliteStatement rows;    // of the cell table
    TSqliteStatement blocks;  // of the block table
    bool inBlocks = false;
    QByteArray blockData;
    QVector<QString> suffixes;       // of the whole shoot suffixesOf, by position
    QVector<QString> blockSuffixes;  // of the block being read, from its first row
    std::int64_t suffixesOf = -1;
    std::optional<TAnyBlockReader> reader;
    std::int64_t shoot = 0;
    TBlockCell cell;
    bool valid = false;
};

// The shoot of id among shoots (ordered by id, not empty); the last when it
// is not there.
const TRecordedShoot& ShootOf(const QVector<TRecordedShoot>& shoots, std::int64_t id);

// The block of kBlockRows rows that holds row `position`, from shoot's
// blocks; empty when the shoot wrote none of its cells. json: whether it is
// JSON text.
QByteArray BlockOf(TSqliteStatement& query, std::int64_t shoot, qsizetype position, bool& json);
