#include "history/HistoryDatabase.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// PRAGMA application_id of a recording ("VXG1"): tells our files from
// other programs' databases.
constexpr int kApplicationId = 0x56584731;
constexpr int kSchemaVersion = 1;
const QString kDriver = QStringLiteral("QSQLITE");
// How long a statement waits for another connection's lock (a reader, or a
// writer that got past the lock file) before it fails.
constexpr int kBusyTimeoutMs = 5000;

const char* const kSchema[] = {
    "CREATE TABLE shoot (id INTEGER PRIMARY KEY, wall_ms INTEGER NOT NULL, agent TEXT NOT NULL, layout TEXT NOT NULL,"
    " targets TEXT NOT NULL, row_count INTEGER NOT NULL)",
    "CREATE TABLE row (shoot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL,"
    " suffix TEXT NOT NULL, PRIMARY KEY (shoot, position)) WITHOUT ROWID",
    "CREATE TABLE cell (shoot INTEGER NOT NULL, position INTEGER NOT NULL, col INTEGER NOT NULL,"
    " oid TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL, raw BLOB, arrived_ms INTEGER NOT NULL,"
    " wall_ms INTEGER NOT NULL, up_time INTEGER NOT NULL, state INTEGER NOT NULL,"
    " PRIMARY KEY (shoot, position, col)) WITHOUT ROWID",
    "CREATE INDEX cell_by_oid ON cell (oid, shoot)",
};

TRecordedState StateOf(const TResultCell& cell)
{
    if (cell.missing)
        return TRecordedState::Missing;
    if (cell.stale)
        return TRecordedState::Stale;
    return cell.now.Answered() ? TRecordedState::Current : TRecordedState::Unanswered;
}

// A text for a NOT NULL column: Qt binds a null QString (an empty list
// joined, a list row's suffix) as NULL.
QString Text(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }

QString NewConnectionName()
{
    static QAtomicInteger<int> serial;
    return QStringLiteral("vexhistory-%1").arg(serial.fetchAndAddRelaxed(1));
}

// A cell's value from a query whose columns from `first` on are type, value,
// raw, arrived_ms, wall_ms, up_time.
TCellValue ValueAt(const QSqlQuery& query, int first)
{
    TCellValue value;
    value.type = query.value(first).toInt();
    value.text = query.value(first + 1).toString();
    const QVariant raw = query.value(first + 2);
    value.raw = raw.isNull() ? value.text.toUtf8() : raw.toByteArray();
    value.arrivedMs = query.value(first + 3).toLongLong();
    value.wallMs = query.value(first + 4).toLongLong();
    value.upTime = query.value(first + 5).toLongLong();
    return value;
}

}  // namespace

THistoryDatabase::THistoryDatabase() : connection(NewConnectionName()) {}

THistoryDatabase::~THistoryDatabase() { Close(); }

bool THistoryDatabase::Fail(const QString& what, const QString& why)
{
    lastError = QStringLiteral("History %1 %2: %3").arg(what, path, why);
    return false;
}

bool THistoryDatabase::Exec(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (query.exec(statement))
        return true;
    return Fail(QStringLiteral("file"), query.lastError().text());
}

bool THistoryDatabase::Open(const QString& file)
{
    Close();
    path = file;
    lastError.clear();
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        return Fail(QStringLiteral("file"), QStringLiteral("Qt's SQLite driver is not installed"));
    QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, connection);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
        return Fail(QStringLiteral("file"), db.lastError().text());
    open = true;
    // The first read of a file that is no database fails here.
    const std::optional<std::pair<int, int>> found = TablesAndId();
    if (!found) {
        const QString why = lastError;
        Close();
        lastError = why;
        return false;
    }
    const bool empty = found->first == 0;
    if (!empty && found->second != kApplicationId) {
        Close();
        return Fail(QStringLiteral("file"),
                    QStringLiteral("not a history file of HB_Vexgrid; left as it is"));
    }
    const bool ready = (!empty || MakeSchema()) && Exec(QStringLiteral("PRAGMA journal_mode=WAL"))
                    && Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (!ready) {
        const QString why = lastError;
        Close();
        lastError = why;
    }
    return ready;
}

bool THistoryDatabase::MakeSchema()
{
    // auto_vacuum goes before the first table: pruned pages can then be
    // given back to the file system.
    if (!Exec(QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL")) || !Exec(QStringLiteral("BEGIN")))
        return false;
    for (const char* statement : kSchema) {
        if (!Exec(QLatin1String(statement))) {
            Exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return Exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId))
        && Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion))
        && Exec(QStringLiteral("COMMIT"));
}

std::optional<std::pair<int, int>> THistoryDatabase::TablesAndId()
{
    QSqlQuery probe(QSqlDatabase::database(connection, false));
    probe.setForwardOnly(true);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next()) {
        Fail(QStringLiteral("file"), probe.lastError().text());
        return std::nullopt;
    }
    const int tables = probe.value(0).toInt();
    probe.finish();
    if (!probe.exec(QStringLiteral("PRAGMA application_id")) || !probe.next()) {
        Fail(QStringLiteral("file"), probe.lastError().text());
        return std::nullopt;
    }
    return std::pair<int, int>(tables, probe.value(0).toInt());
}

void THistoryDatabase::Close()
{
    if (QSqlDatabase::contains(connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    open = false;
}

bool THistoryDatabase::Append(const THistoryShoot& shoot)
{
    if (!open)
        return Fail(QStringLiteral("file"), QStringLiteral("not open"));
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction())
        return Fail(QStringLiteral("write to"), db.lastError().text());
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO shoot (wall_ms, agent, layout, targets, row_count) VALUES (?, ?, ?, ?, ?)"));
    insert.addBindValue(QVariant::fromValue<qint64>(shoot.wallMs));
    insert.addBindValue(Text(shoot.agent));
    insert.addBindValue(shoot.listLayout ? QStringLiteral("list") : QStringLiteral("table"));
    insert.addBindValue(Text(shoot.targets.join(QLatin1Char(' '))));
    insert.addBindValue(static_cast<int>(shoot.rows.size()));
    const bool inserted = insert.exec();
    if (!inserted)
        Fail(QStringLiteral("write to"), insert.lastError().text());
    const bool written = inserted && AppendRows(insert.lastInsertId().toLongLong(), shoot.rows);
    if (written && db.commit())
        return true;
    if (written)
        Fail(QStringLiteral("write to"), db.lastError().text());
    db.rollback();
    return false;
}

bool THistoryDatabase::AppendRows(std::int64_t shoot, const QVector<TResultRow>& rows)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery row(db);
    QSqlQuery cell(db);
    row.prepare(QStringLiteral("INSERT INTO row VALUES (?, ?, ?, ?)"));
    cell.prepare(QStringLiteral("INSERT INTO cell VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariant shootId = QVariant::fromValue<qint64>(shoot);
    for (int position = 0; position < rows.size(); ++position) {
        const TResultRow& r = rows[position];
        row.bindValue(0, shootId);
        row.bindValue(1, position);
        row.bindValue(2, Text(r.key));
        row.bindValue(3, Text(r.suffix));
        if (!row.exec())
            return Fail(QStringLiteral("write to"), row.lastError().text());
        for (int col = 0; col < r.cells.size(); ++col) {
            const TResultCell& c = r.cells[col];
            cell.bindValue(0, shootId);
            cell.bindValue(1, position);
            cell.bindValue(2, col);
            cell.bindValue(3, Text(c.oid));
            cell.bindValue(4, c.now.type);
            cell.bindValue(5, Text(c.now.text));
            // The raw bytes only where they are not the text's own.
            cell.bindValue(6, c.now.raw == c.now.text.toUtf8() ? QVariant() : QVariant(c.now.raw));
            cell.bindValue(7, QVariant::fromValue<qint64>(c.now.arrivedMs));
            cell.bindValue(8, QVariant::fromValue<qint64>(c.now.wallMs));
            cell.bindValue(9, QVariant::fromValue<qint64>(c.now.upTime));
            cell.bindValue(10, static_cast<int>(StateOf(c)));
            if (!cell.exec())
                return Fail(QStringLiteral("write to"), cell.lastError().text());
        }
    }
    return true;
}

std::int64_t THistoryDatabase::UsedBytes() const
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    auto pragma = [&query](const char* name) {
        return query.exec(QLatin1String(name)) && query.next() ? query.value(0).toLongLong() : 0;
    };
    const std::int64_t pages = pragma("PRAGMA page_count") - pragma("PRAGMA freelist_count");
    return pages * pragma("PRAGMA page_size");
}

bool THistoryDatabase::DropShootsBefore(std::int64_t firstKept)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction())
        return Fail(QStringLiteral("prune of"), db.lastError().text());
    for (const char* table : {"cell", "row"}) {
        if (!Exec(
                QStringLiteral("DELETE FROM %1 WHERE shoot < %2").arg(QLatin1String(table)).arg(firstKept))) {
            db.rollback();
            return false;
        }
    }
    if (!Exec(QStringLiteral("DELETE FROM shoot WHERE id < %1").arg(firstKept)) || !db.commit()) {
        db.rollback();
        return false;
    }
    // The pragma gives back one page per step: step it to its end.
    QSqlQuery vacuum(db);
    if (!vacuum.exec(QStringLiteral("PRAGMA incremental_vacuum")))
        return Fail(QStringLiteral("prune of"), vacuum.lastError().text());
    while (vacuum.next()) {
    }
    return true;
}

int THistoryDatabase::Prune(const THistoryLimits& limits, std::int64_t nowWallMs, std::int64_t otherBytes)
{
    if (!open)
        return 0;
    const QVector<TRecordedShoot> shoots = Shoots();
    if (shoots.size() < 2)
        return 0;
    // The newest shoot always stays.
    qsizetype drop = 0;
    while (drop < shoots.size() - 1 && shoots[drop].wallMs < nowWallMs - limits.maxAgeMs)
        ++drop;
    const std::int64_t used = UsedBytes();
    const std::int64_t excess = otherBytes + used - limits.maxBytes;
    if (excess > 0) {
        // Shoots are about the same size: drop as many as the excess takes.
        const std::int64_t perShoot = std::max<std::int64_t>(1, used / shoots.size());
        const auto bySize = static_cast<qsizetype>((excess + perShoot - 1) / perShoot);
        drop = std::clamp(std::max(drop, bySize), qsizetype(0), shoots.size() - 1);
    }
    if (drop == 0 || !DropShootsBefore(shoots[drop].id))
        return 0;
    return static_cast<int>(drop);
}

QVector<TRecordedShoot> THistoryDatabase::Shoots() const
{
    QVector<TRecordedShoot> shoots;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT id, wall_ms, row_count, agent, layout, targets FROM shoot ORDER BY id")))
        return shoots;
    while (query.next()) {
        const QString targets = query.value(5).toString();
        shoots.append({query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toInt(),
                       query.value(3).toString(), query.value(4).toString() == QLatin1String("list"),
                       targets.isEmpty() ? QStringList() : targets.split(QLatin1Char(' '))});
    }
    return shoots;
}

QVector<TResultRow> THistoryDatabase::RowsOf(std::int64_t shoot) const
{
    QVector<TResultRow> rows;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT key, suffix FROM row WHERE shoot = ? ORDER BY position"));
    query.addBindValue(QVariant::fromValue<qint64>(shoot));
    if (!query.exec())
        return rows;
    while (query.next()) {
        TResultRow row;
        row.key = query.value(0).toString();
        row.suffix = query.value(1).toString();
        rows.append(row);
    }
    query.prepare(QStringLiteral("SELECT position, oid, state, type, value, raw, arrived_ms, wall_ms, up_time"
                                 " FROM cell WHERE shoot = ? ORDER BY position, col"));
    query.addBindValue(QVariant::fromValue<qint64>(shoot));
    if (!query.exec())
        return rows;
    while (query.next()) {
        const int position = query.value(0).toInt();
        if (position < 0 || position >= rows.size())
            continue;
        TResultCell cell;
        cell.oid = query.value(1).toString();
        const auto state = static_cast<TRecordedState>(query.value(2).toInt());
        cell.missing = state == TRecordedState::Missing;
        cell.stale = state == TRecordedState::Stale;
        cell.now = ValueAt(query, 3);
        rows[position].cells.append(cell);
    }
    return rows;
}

QVector<TRecordedReading> THistoryDatabase::Readings(const QString& oid, std::int64_t sinceWallMs) const
{
    QVector<TRecordedReading> readings;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT cell.shoot, cell.state, type, value, raw, arrived_ms, cell.wall_ms, up_time"
                       " FROM cell JOIN shoot ON shoot.id = cell.shoot"
                       " WHERE oid = ? AND shoot.wall_ms >= ? ORDER BY cell.shoot"));
    query.addBindValue(oid);
    query.addBindValue(QVariant::fromValue<qint64>(sinceWallMs));
    if (!query.exec())
        return readings;
    while (query.next())
        readings.append({query.value(0).toLongLong(), ValueAt(query, 2),
                         static_cast<TRecordedState>(query.value(1).toInt())});
    return readings;
}
