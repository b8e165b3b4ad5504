// TSqliteFile and TSqliteStatement: a SQLite database file and its prepared
// statements, straight over libsqlite3 (a statement per shoot's cell costs a
// bind and a step, nothing more). Used by one thread at a time. Failures
// come back as false; Error() holds SQLite's text of the last one.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class TSqliteStatement {
public:
    TSqliteStatement() = default;
    TSqliteStatement(sqlite3* db, const char* sql);
    ~TSqliteStatement();
    TSqliteStatement(TSqliteStatement&& other) noexcept;
    TSqliteStatement& operator=(TSqliteStatement&& other) noexcept;
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    bool IsValid() const { return statement != nullptr; }
    // Binds by place, from 1. Texts and bytes are bound without a copy: they
    // must stay as they are until the statement is stepped.
    void Bind(int place, std::int64_t value);
    void Bind(int place, const QString& text);
    void Bind(int place, const QByteArray& bytes);
    // Binds UTF-8 bytes as a text.
    void BindText(int place, const QByteArray& utf8);
    void BindNull(int place);
    // Runs a statement that gives no rows and makes it ready for the next
    // binds; false on failure.
    bool Run();
    // Steps to the next row of a query; false at the end or on failure
    // (Failed() tells which).
    bool Next();
    bool Failed() const { return failed; }
    void Reset();

    std::int64_t Int(int column) const;
    QString Text(int column) const;
    QByteArray Bytes(int column) const;
    bool IsNull(int column) const;
    bool IsText(int column) const;

private:
    sqlite3_stmt* statement = nullptr;
    bool failed = false;
};

class TSqliteFile {
public:
    TSqliteFile() = default;
    ~TSqliteFile() { Close(); }
    TSqliteFile(const TSqliteFile&) = delete;
    TSqliteFile& operator=(const TSqliteFile&) = delete;

    // Opens (or makes) the file; busyMs is how long a statement waits for
    // another connection's lock before it fails.
    bool Open(const QString& file, int busyMs);
    void Close();
    bool IsOpen() const { return db != nullptr; }
    // Runs statements that give no rows.
    bool Exec(const char* sql);
    bool Exec(const QString& sql) { return Exec(sql.toUtf8().constData()); }
    // The first column of the first row of sql; fallback when there is none.
    std::int64_t Number(const char* sql, std::int64_t fallback = 0);
    TSqliteStatement Prepare(const char* sql) const { return {db, sql}; }
    std::int64_t LastInsertId() const;
    // SQLite's text of the last failure; a failed read or write names the
    // system's cause too ("File too large", "No space left on device").
    QString Error() const;

private:
    sqlite3* db = nullptr;
    QString path;
};
