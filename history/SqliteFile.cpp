#include "history/SqliteFile.h"

#include <QFileInfo>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// SQLite keeps the system's error of some failed writes only (a short write
// past a file size limit leaves it 0): errno as the last failed step of this
// thread left it.
thread_local int lastFailedErrno = 0;
// Free bytes below which a failed write is put down to a full disk.
constexpr unsigned long long kLittleRoom = 1ULL << 20;

}  // namespace

TSqliteStatement::TSqliteStatement(sqlite3* db, const char* sql)
{
    if (db == nullptr || sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        statement = nullptr;
        failed = true;
    }
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(statement); }

TSqliteStatement::TSqliteStatement(TSqliteStatement&& other) noexcept
    : statement(std::exchange(other.statement, nullptr)), failed(other.failed)
{
}

TSqliteStatement& TSqliteStatement::operator=(TSqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(statement);
        statement = std::exchange(other.statement, nullptr);
        failed = other.failed;
    }
    return *this;
}

void TSqliteStatement::Bind(int place, std::int64_t value) { sqlite3_bind_int64(statement, place, value); }

void TSqliteStatement::Bind(int place, const QString& text)
{
    // A null QString is bound as an empty text, never as NULL.
    static const char16_t kEmpty[] = u"";
    const void* chars = text.isNull() ? static_cast<const void*>(kEmpty) : text.utf16();
    sqlite3_bind_text16(statement, place, chars, static_cast<int>(text.size() * 2), SQLITE_STATIC);
}

void TSqliteStatement::Bind(int place, const QByteArray& bytes)
{
    sqlite3_bind_blob(statement, place, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

void TSqliteStatement::BindText(int place, const QByteArray& utf8)
{
    sqlite3_bind_text(statement, place, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_STATIC);
}

void TSqliteStatement::BindNull(int place) { sqlite3_bind_null(statement, place); }

bool TSqliteStatement::Run()
{
    errno = 0;
    const int done = sqlite3_step(statement);
    lastFailedErrno = done != SQLITE_DONE && done != SQLITE_ROW ? errno : lastFailedErrno;
    sqlite3_reset(statement);
    failed = done != SQLITE_DONE && done != SQLITE_ROW;
    return !failed;
}

bool TSqliteStatement::Next()
{
    if (statement == nullptr)
        return false;
    const int step = sqlite3_step(statement);
    failed = step != SQLITE_ROW && step != SQLITE_DONE;
    return step == SQLITE_ROW;
}

void TSqliteStatement::Reset()
{
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

std::int64_t TSqliteStatement::Int(int column) const { return sqlite3_column_int64(statement, column); }

QString TSqliteStatement::Text(int column) const
{
    const void* chars = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return chars == nullptr ? QString() : QString(static_cast<const QChar*>(chars), bytes / 2);
}

QByteArray TSqliteStatement::Bytes(int column) const
{
    const void* bytes = sqlite3_column_blob(statement, column);
    return QByteArray(static_cast<const char*>(bytes), sqlite3_column_bytes(statement, column));
}

bool TSqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

bool TSqliteStatement::IsText(int column) const
{
    return sqlite3_column_type(statement, column) == SQLITE_TEXT;
}

bool TSqliteFile::Open(const QString& file, int busyMs)
{
    Close();
    path = file;
    const int opened =
        sqlite3_open_v2(file.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (opened != SQLITE_OK)
        return false;  // db holds the error for Error() until Close
    sqlite3_busy_timeout(db, busyMs);
    return true;
}

void TSqliteFile::Close()
{
    sqlite3_close_v2(db);
    db = nullptr;
}

bool TSqliteFile::Exec(const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::int64_t TSqliteFile::Number(const char* sql, std::int64_t fallback)
{
    TSqliteStatement query(db, sql);
    return query.Next() ? query.Int(0) : fallback;
}

std::int64_t TSqliteFile::LastInsertId() const { return sqlite3_last_insert_rowid(db); }

QString TSqliteFile::Error() const
{
    if (db == nullptr)
        return QStringLiteral("out of memory");
    const QString text = QString::fromUtf8(sqlite3_errmsg(db));
    // The system's word for a failed read or write: "No space left on
    // device", "File too large", ...
    const int primary = sqlite3_extended_errcode(db) & 0xff;
    if (primary != SQLITE_IOERR && primary != SQLITE_FULL && primary != SQLITE_CANTOPEN)
        return text;
    const int system = sqlite3_system_errno(db) != 0 ? sqlite3_system_errno(db) : lastFailedErrno;
    if (system != 0)
        return text + QStringLiteral(" (%1)").arg(qt_error_string(system));
    // A write cut short leaves no error of the system: what limits the file.
    struct statvfs room {};
    const QByteArray folder = QFileInfo(path).absolutePath().toLocal8Bit();
    if (statvfs(folder.constData(), &room) == 0 && room.f_bavail * room.f_frsize < kLittleRoom)
        return text + QStringLiteral(" (%1)").arg(qt_error_string(ENOSPC));
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return text
             + QStringLiteral(" (%1: the file size limit is %2 bytes)")
                   .arg(qt_error_string(EFBIG))
                   .arg(limit.rlim_cur);
    return text;
}
