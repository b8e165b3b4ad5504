// THistoryDatabase: one recording of a view, a SQLite file of its shoots.
// Every shoot is appended in one transaction, so a process killed while
// writing leaves every earlier shoot whole. A shoot is written whole (every
// row and cell) when the rows changed, or as the cells that changed since
// the shoot written before it; readers get every cell of every shoot either
// way. The file is used by one thread: the one that opened it. The schema is
// described in the README (Recorded history).
#pragma once

#include "engine/ResultStore.h"
#include "history/SqliteFile.h"

class TCellJsonWriter;
struct TBlockCell;
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// What one shoot left in the store, handed to the writer.
struct THistoryShoot {
    std::int64_t wallMs = 0;  // when it finished
    QString agent;            // "host:port"
    bool listLayout = true;
    QStringList targets;
    QVector<TResultRow> rows;
    std::int64_t upTime = -1;  // the agent's sysUpTime read in the shoot; -1 unknown
};

// How much is kept: shoots older than maxAgeMs go, and the oldest go while
// the recordings of the folder take more than maxBytes in all.
struct THistoryLimits {
    std::int64_t maxAgeMs = 7LL * 24 * 3600 * 1000;  // 7 days
    std::int64_t maxBytes = 1LL << 30;               // 1 GiB
};

// A cell's state as recorded (column cell.state).
enum class TRecordedState { Current = 0, Unanswered = 1, Stale = 2, Missing = 3 };

// One recorded reading of an OID.
struct TRecordedReading {
    std::int64_t shoot = 0;
    TCellValue value;
    TRecordedState state = TRecordedState::Current;
};

struct TRecordedShoot {
    std::int64_t id = 0;
    std::int64_t wallMs = 0;
    int rowCount = 0;
    QString agent;
    bool listLayout = true;
    QStringList targets;
    std::int64_t base = 0;     // the whole shoot it builds on (its own id when whole)
    std::int64_t upTime = -1;  // the agent's sysUpTime of the shoot; -1 unknown
    std::int64_t clockMs = 0;  // the run's monotonic clock (arrived_ms) at wallMs; 0 before schema 4
};

class THistoryDatabase {
public:
    THistoryDatabase();
    ~THistoryDatabase();
    THistoryDatabase(const THistoryDatabase&) = delete;
    THistoryDatabase& operator=(const THistoryDatabase&) = delete;

    // Opens the recording at path, made with its schema when new. False, with
    // LastError() saying why, for a file that is not a database or is another
    // program's database; such a file is left as it is.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return open; }
    const QString& Path() const { return path; }
    const QString& LastError() const { return lastError; }

    // Appends shoot in one transaction; false (nothing of it kept) on failure.
    bool Append(const THistoryShoot& shoot);
    // Drops shoots older than limits.maxAgeMs before nowWallMs, then the oldest
    // while otherBytes (other recordings) and this file take more than
    // limits.maxBytes; the newest shoot stays. Returns the shoots dropped.
    int Prune(const THistoryLimits& limits, std::int64_t nowWallMs, std::int64_t otherBytes = 0);

    // The bytes the shoots take in the file (free pages not counted).
    std::int64_t UsedBytes() const;
    QVector<TRecordedShoot> Shoots() const;
    // The rows of a shoot as the store held them (key, suffix, cells with
    // their oid, value and state; no reading before).
    QVector<TResultRow> RowsOf(std::int64_t shoot) const;
    // The reading of oid at every shoot since sinceWallMs that has it,
    // oldest first.
    QVector<TRecordedReading> Readings(const QString& oid, std::int64_t sinceWallMs = 0) const;

    // Hands the newest `count` shoots to visit, oldest first, each as the
    // rows it left: every cell with the reading before it (TResultCell::
    // Previous), as the store would hold them. Returns the shoots handed.
    using TShootVisitor = std::function<void(const TRecordedShoot&, const QVector<TResultRow>&)>;
    int WalkNewest(int count, const TShootVisitor& visit) const;

private:
    // What is kept of a written row: its cells as last written are
    // writtenCells[first, first + count). A cell is one keyed 64-bit digest
    // of its state, type, agent clock, OID, text and bytes (a copy of the
    // texts of a large table would take more than the table itself).
    struct TWrittenRow {
        QString key;
        QString suffix;
        qsizetype first = 0;
        qsizetype count = 0;
    };

    bool Fail(const QString& what, const QString& why);
    bool Exec(const char* statement);
    bool MakeSchema();
    bool Upgrade();
    // The count of tables in the file and its application id; none (said) when it cannot be read.
    std::optional<std::pair<int, int>> TablesAndId();
    bool PrepareWriting();
    // Whether shoot must be written whole: the first of this opening, other
    // rows or targets, or enough cells written since the last whole one.
    bool NeedsWhole(const THistoryShoot& shoot) const;
    bool InsertShoot(const THistoryShoot& shoot, bool whole, std::int64_t& id);
    // Sizes what is remembered of the written cells to shoot's rows.
    void ShapeWritten(const THistoryShoot& shoot);
    // Writes the cells of taken that changed (all when whole) and remembers them.
    bool AppendCells(std::int64_t shoot, const THistoryShoot& taken, bool whole, std::int64_t& cellsWritten);
    // Adds the cells of the row at position that changed (all when whole)
    // to block, and remembers them.
    void AddCells(const THistoryShoot& taken, qsizetype position, bool whole, TCellJsonWriter& block);
    bool AppendRows(std::int64_t shoot, const QVector<TResultRow>& rows);
    bool DropShootsBefore(std::int64_t firstKept);
    QString ShootColumns() const;
    QVector<TRecordedShoot> ShootsFrom(std::int64_t firstId, std::int64_t lastId) const;
    // The readings of oid written as rows of the cell table (schema 1 and
    // 2) from shoot first on.
    void RowReadings(const QString& oid, std::int64_t first, QVector<TRecordedReading>& readings) const;
    // The readings of oid written in blocks at shoots.
    void BlockReadings(const QString& oid, const QVector<TRecordedShoot>& shoots,
                       QVector<TRecordedReading>& readings) const;
    // The row and column of oid in whole shoot (a guess of the row first).
    std::optional<std::pair<qsizetype, qsizetype>> PlaceOf(const QString& oid, const TRecordedShoot& whole,
                                                           qsizetype guess) const;
    // A walked cell at shoot: as written there, or its reading before moved on.
    static void TakeWalked(TResultCell& cell, const TBlockCell* written, std::uint32_t serial,
                           const TRecordedShoot*& writtenAt, const TRecordedShoot& shoot);
    // The rows of whole shoot, sized for its cells, keeping the cells of
    // rows that stay (by key).
    void LayRows(std::int64_t shoot, QVector<TResultRow>& rows,
                 QVector<QVector<const TRecordedShoot*>>& writtenAt) const;

    mutable TSqliteFile file;
    QString path;
    QString lastError;
    int version = 0;  // the schema's user_version
    bool open = false;
    // What the next shoot is told apart from, once a shoot is written.
    TSqliteStatement insertShoot;
    TSqliteStatement insertRow;
    TSqliteStatement insertBlock;
    QVector<TWrittenRow> written;
    std::vector<std::uint64_t> writtenCells;
    std::uint64_t digestSeed;  // drawn when made: no agent can choose values whose change goes unseen
    QString writtenTargets;
    bool writtenList = false;
    std::int64_t writtenShoot = 0;  // 0: none since opened
    std::int64_t wholeShoot = 0;    // the newest shoot written whole
    std::int64_t cellsSinceWhole = 0;
    std::int64_t cellsOfWhole = 0;
};
