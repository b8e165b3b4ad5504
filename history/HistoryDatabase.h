// THistoryDatabase: one recording of a view, a SQLite file of its shoots.
// Every shoot is appended in one transaction, so a process killed while
// writing leaves every earlier shoot whole. The file is used by one thread:
// the one that opened it. The schema is described in the README (Recorded
// history).
#pragma once

#include "engine/ResultStore.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>
#include <utility>

// What one shoot left in the store, handed to the writer.
struct THistoryShoot {
    std::int64_t wallMs = 0;  // when it finished
    QString agent;            // "host:port"
    bool listLayout = true;
    QStringList targets;
    QVector<TResultRow> rows;
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
    // Every recorded reading of oid since sinceWallMs, oldest first.
    QVector<TRecordedReading> Readings(const QString& oid, std::int64_t sinceWallMs = 0) const;

private:
    bool Fail(const QString& what, const QString& why);
    bool Exec(const QString& statement);
    bool MakeSchema();
    // The count of tables in the file and its application id; none (said) when it cannot be read.
    std::optional<std::pair<int, int>> TablesAndId();
    bool AppendRows(std::int64_t shoot, const QVector<TResultRow>& rows);
    bool DropShootsBefore(std::int64_t firstKept);

    QString connection;
    QString path;
    QString lastError;
    bool open = false;
};
