// The cells a shoot wrote of a run of rows, one row of the recording's table
// block each. One SQLite row per block instead of one per cell: a large
// table's shoot is a few hundred inserts instead of tens of thousands.
//
// Since schema 4 a block is JSON text that plain SQL reads (TCellJsonWriter,
// TCellJsonReader, laid out below). Schema 3 packed it into a blob
// (TCellBlockReader; TCellBlockWriter makes such blocks for tests), a
// sequence of cells in order of row and column:
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
#include <variant>

// Distances between times, wrapping instead of overflowing on any input.
namespace blockclock {
inline std::int64_t Minus(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

inline std::int64_t Plus(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
}  // namespace blockclock

// Rows a block holds at most: a block stays within a page or two, and a
// reader of one cell unpacks no more than this many rows of it.
inline constexpr qsizetype kBlockRows = 32;

// A cell's text as a plain decimal integer that prints back the same
// ("-12", not "012", "+1" nor "-0"); none for any other text.
std::optional<std::int64_t> PlainInteger(const QString& text);

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

// What the fields of a shoot's cells are written apart from: its sysUpTime
// and, in JSON blocks, its wall_ms and clock_ms.
struct TShootClocks {
    std::int64_t upTime = -1;
    std::int64_t wallMs = 0;
    std::int64_t clockMs = 0;  // the run's monotonic clock at wallMs
};

// A block as JSON text (schema 4): an array of cells in order of row and
// column, each cell an array of its fields in this order:
//
//   row         from the block's first row (the position is block.first + row)
//   col         the column, from 0
//   type        the SNMP type code (-1 no answer)
//   value       a plain integer (PlainInteger) as a number, any other text as a string
//   arrived_ms  the run's monotonic clock when it arrived, minus the shoot's clock_ms
//   wall_ms     minus the shoot's wall_ms        (left out when the same number as arrived_ms:
//                                                 a cell's two clocks are read together)
//   state       TRecordedState                   (left out when 0, current)
//   up_time     the agent's sysUpTime            (left out when the shoot's)
//   oid         the cell's OID                   (left out when its column's target and its row's suffix)
//   raw         the received bytes, in hex       (left out when they are the value's UTF-8)
//
// A field is left out only when every field after it is too, as in
// [[0,0,65,4711,-12],[0,1,4,"a \"b\"",-11,-10,0,-1,"1.3.6.1.2.1.1.5.0"]].
// Strings are UTF-8 with ", \ and control characters escaped.
class TCellJsonWriter {
public:
    // Starts a block at row `first` of a shoot of those clocks.
    void Start(qsizetype first, const TShootClocks& shoot);
    // Appends a cell of that form (rows and columns in order).
    void Add(qsizetype row, qsizetype col, const TCellValue& value, const QString& oid, const TCellForm& form,
             int state);
    // The block's text, closed; Add starts over after Start only.
    const QByteArray& Finish();
    int Cells() const { return cells; }

private:
    // Makes room for a cell's numbers at the end of the data and returns it;
    // Close(end) ends the data at end.
    char* Room();
    void Close(const char* end);
    void Text(QStringView text);
    void Hex(const QByteArray& bytes);

    QByteArray data;
    qsizetype first = 0;
    TShootClocks clocks;
    int cells = 0;
};

class TCellJsonReader {
public:
    // As TCellBlockReader, for a block of JSON text of a shoot of those clocks.
    TCellJsonReader(QByteArrayView data, qsizetype first, const QStringList& targets,
                    const QVector<QString>& suffixes, const TShootClocks& shoot);
    // The next cell; false at the end, or at text that is not a cell of this
    // form or names a row or column that is not there (Failed()).
    bool Next(TBlockCell& cell);
    bool Failed() const { return failed; }

private:
    void Blanks();
    // Skips blanks; whether the next character is c (taken when it is).
    bool Take(char c);
    bool Number(std::int64_t& number);
    bool String(QString& text);
    bool Hex(QByteArray& bytes);
    // The fields after wall_ms, those there are, and the closing bracket.
    bool Optional(TBlockCell& cell);
    bool Fail()
    {
        failed = true;
        return false;
    }

    QByteArrayView data;
    qsizetype at = 0;
    qsizetype first;
    qsizetype lastRow = 0;  // from first
    const QStringList& targets;
    const QVector<QString>& suffixes;
    TShootClocks clocks;
    bool failed = false;
    bool ended = false;
};

// The reader of a block in the form it was written in.
class TAnyBlockReader {
public:
    // json: the block is text (schema 4), else packed bytes (schema 3).
    TAnyBlockReader(bool json, QByteArrayView data, qsizetype first, const QStringList& targets,
                    const QVector<QString>& suffixes, const TShootClocks& shoot);
    bool Next(TBlockCell& cell)
    {
        return std::visit([&cell](auto& form) { return form.Next(cell); }, reader);
    }
    bool Failed() const
    {
        return std::visit([](const auto& form) { return form.Failed(); }, reader);
    }

private:
    std::variant<TCellBlockReader, TCellJsonReader> reader;
};
