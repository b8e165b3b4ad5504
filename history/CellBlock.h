// TCellBlockWriter and TCellBlockReader: the cells a shoot wrote of a run of
// rows, packed into one blob of the recording (table block). One SQLite row
// per block instead of one per cell: a large table's shoot is a few hundred
// inserts, and a number takes a few bytes instead of a row of texts.
//
// A block is a sequence of cells in order of row and column:
//
//   varint   step       rows from the cell before (from the block's first row for the first)
//   varint   col
//   byte     flags      bits 0-1 state (TRecordedState), 2 oid given (else the column's
//                       target and the row's suffix), 3 integer value (the text is its
//                       decimal form, the bytes the text's), 4 bytes given (else the
//                       text's UTF-8), 5 uptime given (else the shoot's)
//  [varint n, n bytes]  the OID's text, when given
//   zigzag   type       the SNMP type code (-1 no answer)
//   zigzag | varint n, n bytes    the value: the integer, or the text's UTF-8
//  [varint n, n bytes]  the received bytes, when given
//  [zigzag]  uptime, when given
//   zigzag   arrived_ms minus the cell before's (0 before the first)
//   zigzag   wall_ms    minus the cell before's
//
// A varint is 7 bits a byte, low bits first, the top bit set on all but the
// last; zigzag maps a signed number to a varint (0, -1, 1, -2 ... to 0, 1,
// 2, 3 ...).
#pragma once

#include "core/CellValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>

// Rows a block holds at most: a block stays within a page or two, and a
// reader of one cell unpacks no more than this many rows of it.
inline constexpr qsizetype kBlockRows = 32;

// A cell's text as a plain decimal integer that prints back the same
// ("-12", not "012", "+1" nor "-0"); none for any other text.
std::optional<std::int64_t> PlainInteger(const QString& text);

// Whether raw holds text's UTF-8 bytes.
bool SameAsText(const QByteArray& raw, const QString& text);

// Whether a and b hold the same UTF-16 units (a plain memory compare, with
// none of the ordering work of QString's operator==).
bool SameText(QStringView a, QStringView b);

// Whether oid is target followed by suffix, without building it.
bool IsTargetOid(const QString& oid, const QString& target, const QString& suffix);

// How a cell's reading is written: what is told by its place or its text
// instead of written out.
struct TCellForm {
    bool targetOid = false;               // the OID is the column's target and the row's suffix
    bool rawSame = false;                 // the bytes are the text's UTF-8
    std::optional<std::int64_t> integer;  // the text is a plain integer, the bytes its own

    // target: the cell's column's target; none for a column past the targets.
    TCellForm(const TCellValue& value, const QString& oid, const QString* target, const QString& suffix);
};

// One cell as written into a block, or read back from one.
struct TBlockCell {
    qsizetype row = 0;  // the position in the shoot
    qsizetype col = 0;
    QString oid;
    TCellValue value;
    int state = 0;  // TRecordedState
};

class TCellBlockWriter {
public:
    // Starts a block at row `first` of a shoot whose sysUpTime is upTime.
    void Start(qsizetype first, std::int64_t shootUpTime);
    // Appends a cell of that form (rows and columns in order).
    void Add(qsizetype row, qsizetype col, const TCellValue& value, const QString& oid, const TCellForm& form,
             int state);
    const QByteArray& Data() const { return data; }
    int Cells() const { return cells; }

private:
    void Varint(std::uint64_t number);
    void Zigzag(std::int64_t number);
    void Text(const QString& text);

    QByteArray data;
    qsizetype lastRow = 0;
    std::int64_t upTime = -1;
    std::int64_t lastArrived = 0;
    std::int64_t lastWall = 0;
    int cells = 0;
};

class TCellBlockReader {
public:
    // Reads the block data of the rows from `first`, whose suffixes are
    // suffixes (the first row's first) and whose columns' targets are
    // targets; the data must stay as it is while read.
    TCellBlockReader(QByteArrayView data, qsizetype first, const QStringList& targets,
                     const QVector<QString>& suffixes, std::int64_t shootUpTime);
    // The next cell; false at the end, or at a cell that runs past the data
    // or names a row or column that is not there (Failed()).
    bool Next(TBlockCell& cell);
    bool Failed() const { return failed; }

private:
    std::optional<std::uint64_t> Varint();
    std::optional<std::int64_t> Zigzag();
    std::optional<QByteArrayView> Bytes();
    bool Fail()
    {
        failed = true;
        return false;
    }

    QByteArrayView data;
    qsizetype at = 0;
    qsizetype first;
    qsizetype row;
    const QStringList& targets;
    const QVector<QString>& suffixes;
    std::int64_t upTime;
    std::int64_t lastArrived = 0;
    std::int64_t lastWall = 0;
    bool failed = false;
};
