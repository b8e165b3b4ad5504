#include "history/HistoryDatabase.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

// PRAGMA application_id of a recording ("VXG1"): tells our files from
// other programs' databases.
constexpr int kApplicationId = 0x56584731;
// 1: every cell of every shoot; 2: a shoot holds the cells that changed
// (shoot.base, shoot.up_time). Files of version 1 are read as they are and
// brought to 2 when written to.
constexpr int kSchemaVersion = 2;
// How long a statement waits for another connection's lock (a reader, or a
// writer that got past the lock file) before it fails.
constexpr int kBusyTimeoutMs = 5000;
// A shoot is written whole once the cells written since the last whole one
// reach this many times its cells: a reader then reads at most about five
// shoots' worth of cells for any shoot.
constexpr std::int64_t kWholeAfter = 4;

const char* const kSchema[] = {
    "CREATE TABLE shoot (id INTEGER PRIMARY KEY, wall_ms INTEGER NOT NULL, agent TEXT NOT NULL, layout TEXT NOT NULL,"
    " targets TEXT NOT NULL, row_count INTEGER NOT NULL, base INTEGER, up_time INTEGER NOT NULL DEFAULT -1)",
    "CREATE TABLE row (shoot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL,"
    " suffix TEXT NOT NULL, PRIMARY KEY (shoot, position)) WITHOUT ROWID",
    "CREATE TABLE cell (shoot INTEGER NOT NULL, position INTEGER NOT NULL, col INTEGER NOT NULL,"
    " oid TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL, raw BLOB, arrived_ms INTEGER NOT NULL,"
    " wall_ms INTEGER NOT NULL, up_time INTEGER NOT NULL, state INTEGER NOT NULL,"
    " PRIMARY KEY (shoot, position, col)) WITHOUT ROWID",
    "CREATE INDEX cell_by_oid ON cell (oid, shoot)",
};

// The columns read of a cell, from `first` on: state, type, value, raw,
// arrived_ms, wall_ms, up_time.
const char* const kCellColumns = "state, type, value, raw, arrived_ms, cell.wall_ms, cell.up_time";

TRecordedState StateOf(const TResultCell& cell)
{
    if (cell.missing)
        return TRecordedState::Missing;
    if (cell.stale)
        return TRecordedState::Stale;
    return cell.now.Answered() ? TRecordedState::Current : TRecordedState::Unanswered;
}

// Whether raw holds text's UTF-8 bytes, without making them for ASCII.
bool SameAsText(const QByteArray& raw, const QString& text)
{
    // UTF-8 never takes fewer bytes than UTF-16 takes code units.
    if (raw.size() < text.size())
        return false;
    if (raw.size() == text.size()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            if (unit >= 0x80)
                return raw == text.toUtf8();
            if (static_cast<char16_t>(static_cast<unsigned char>(raw[i])) != unit)
                return false;
        }
        return true;
    }
    return raw == text.toUtf8();
}

// What a written cell keeps of its OID, text and bytes.
std::uint64_t DigestOf(const TResultCell& cell, std::uint64_t seed)
{
    return qHashMulti(static_cast<size_t>(seed), cell.oid, cell.now.text, cell.now.raw);
}

// A copy that shares nothing with the original.
QString Own(const QString& text) { return QString(text.constData(), text.size()); }

// A recorded cell's reading and state from a query holding kCellColumns
// from column `first` on.
std::pair<TCellValue, TRecordedState> ReadingAt(const TSqliteStatement& query, int first)
{
    TCellValue value;
    value.type = static_cast<int>(query.Int(first + 1));
    value.text = query.Text(first + 2);
    value.raw = query.IsNull(first + 3) ? value.text.toUtf8() : query.Bytes(first + 3);
    value.arrivedMs = query.Int(first + 4);
    value.wallMs = query.Int(first + 5);
    value.upTime = query.Int(first + 6);
    return {value, static_cast<TRecordedState>(query.Int(first))};
}

// A reading written at shoot `from`, as it stands at shoot `to`, which read
// the same value: moved on by the time between the two shoots, with the
// sysUpTime of `to` where it had its own shoot's.
void MoveOn(TCellValue& value, const TRecordedShoot& from, const TRecordedShoot& to)
{
    const std::int64_t shift = to.wallMs - from.wallMs;
    value.arrivedMs += shift;
    value.wallMs += shift;
    if (value.upTime == from.upTime)
        value.upTime = to.upTime;
}

// The shoot of id among shoots (ordered by id, holding it).
const TRecordedShoot& ShootOf(const QVector<TRecordedShoot>& shoots, std::int64_t id)
{
    const auto found =
        std::lower_bound(shoots.begin(), shoots.end(), id,
                         [](const TRecordedShoot& shoot, std::int64_t wanted) { return shoot.id < wanted; });
    return found != shoots.end() ? *found : shoots.back();
}

}  // namespace

THistoryDatabase::THistoryDatabase() : digestSeed(QRandomGenerator::global()->generate64()) {}

THistoryDatabase::~THistoryDatabase() { Close(); }

bool THistoryDatabase::Fail(const QString& what, const QString& why)
{
    lastError = QStringLiteral("History %1 %2: %3").arg(what, path, why);
    return false;
}

bool THistoryDatabase::Exec(const char* statement)
{
    return file.Exec(statement) || Fail(QStringLiteral("file"), file.Error());
}

bool THistoryDatabase::Open(const QString& at)
{
    Close();
    path = at;
    lastError.clear();
    const bool opened = file.Open(at, kBusyTimeoutMs);
    open = opened;
    // The first read of a file that is no database fails here.
    const std::optional<std::pair<int, int>> found =
        opened ? TablesAndId() : (Fail(QStringLiteral("file"), file.Error()), std::nullopt);
    const bool foreign = found && found->first != 0 && found->second != kApplicationId;
    if (foreign)
        Fail(QStringLiteral("file"), QStringLiteral("not a history file of HB_Vexgrid; left as it is"));
    bool ready = found && !foreign;
    if (ready && found->first == 0)
        ready = MakeSchema();
    if (ready) {
        version = static_cast<int>(file.Number("PRAGMA user_version"));
        if (version > kSchemaVersion)
            ready =
                Fail(QStringLiteral("file"),
                     QStringLiteral("written by a newer HB_Vexgrid (schema %1); left as it is").arg(version));
    }
    ready = ready && Exec("PRAGMA journal_mode=WAL") && Exec("PRAGMA synchronous=NORMAL")
         && Exec("PRAGMA cache_size=-65536");
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
    if (!Exec("PRAGMA auto_vacuum=INCREMENTAL") || !Exec("BEGIN"))
        return false;
    for (const char* statement : kSchema) {
        if (!Exec(statement)) {
            file.Exec("ROLLBACK");
            return false;
        }
    }
    return Exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId).toUtf8().constData())
        && Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion).toUtf8().constData())
        && Exec("COMMIT");
}

bool THistoryDatabase::Upgrade()
{
    // Version 1's shoots are all whole: base stays NULL.
    const bool done = Exec("BEGIN") && Exec("ALTER TABLE shoot ADD COLUMN base INTEGER")
                   && Exec("ALTER TABLE shoot ADD COLUMN up_time INTEGER NOT NULL DEFAULT -1")
                   && Exec("PRAGMA user_version=2") && Exec("COMMIT");
    if (!done)
        file.Exec("ROLLBACK");
    else
        version = kSchemaVersion;
    return done;
}

std::optional<std::pair<int, int>> THistoryDatabase::TablesAndId()
{
    TSqliteStatement tables = file.Prepare("SELECT count(*) FROM sqlite_master");
    TSqliteStatement id = file.Prepare("PRAGMA application_id");
    if (!tables.Next() || !id.Next()) {
        Fail(QStringLiteral("file"), file.Error());
        return std::nullopt;
    }
    return std::pair<int, int>(static_cast<int>(tables.Int(0)), static_cast<int>(id.Int(0)));
}

void THistoryDatabase::Close()
{
    insertShoot = {};
    insertRow = {};
    insertCell = {};
    written.clear();
    writtenShoot = 0;
    file.Close();
    open = false;
}

bool THistoryDatabase::PrepareWriting()
{
    insertShoot = file.Prepare("INSERT INTO shoot (wall_ms, agent, layout, targets, row_count, base, up_time)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?)");
    insertRow = file.Prepare("INSERT INTO row VALUES (?, ?, ?, ?)");
    insertCell = file.Prepare("INSERT INTO cell VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    return (insertShoot.IsValid() && insertRow.IsValid() && insertCell.IsValid())
        || Fail(QStringLiteral("write to"), file.Error());
}

bool THistoryDatabase::Append(const THistoryShoot& shoot)
{
    if (!open)
        return Fail(QStringLiteral("file"), QStringLiteral("not open"));
    if ((version < kSchemaVersion && !Upgrade()) || (!insertShoot.IsValid() && !PrepareWriting()))
        return false;
    if (!file.Exec("BEGIN"))
        return Fail(QStringLiteral("write to"), file.Error());
    bool whole = NeedsWhole(shoot);
    if (whole)
        ShapeWritten(shoot);
    std::int64_t id = 0;
    std::int64_t cells = 0;
    bool done = InsertShoot(shoot, whole, id) && AppendCells(id, shoot, whole, cells);
    // A shoot that changed every cell is as good as whole: made so.
    if (done && !whole && cells == cellsOfWhole) {
        whole = true;
        done = file.Exec(QStringLiteral("UPDATE shoot SET base = NULL WHERE id = %1").arg(id));
    }
    done = done && (!whole || AppendRows(id, shoot.rows)) && file.Exec("COMMIT");
    if (!done) {
        Fail(QStringLiteral("write to"), file.Error());
        file.Exec("ROLLBACK");
        // What was remembered of this shoot is not in the file: the next is whole.
        written.clear();
        writtenShoot = 0;
        return false;
    }
    writtenList = shoot.listLayout;
    writtenTargets = shoot.targets.join(QLatin1Char(' '));
    writtenShoot = id;
    cellsSinceWhole = whole ? 0 : cellsSinceWhole + cells;
    if (whole) {
        wholeShoot = id;
        cellsOfWhole = cells;
    }
    return true;
}

void THistoryDatabase::ShapeWritten(const THistoryShoot& shoot)
{
    written.resize(shoot.rows.size());
    for (qsizetype position = 0; position < shoot.rows.size(); ++position) {
        const TResultRow& row = shoot.rows[position];
        TWrittenRow& kept = written[position];
        if (kept.key != row.key)
            kept.key = Own(row.key);
        if (kept.suffix != row.suffix)
            kept.suffix = Own(row.suffix);
        kept.cells.resize(row.cells.size());
    }
}

bool THistoryDatabase::NeedsWhole(const THistoryShoot& shoot) const
{
    if (writtenShoot == 0 || shoot.rows.size() != written.size() || shoot.listLayout != writtenList
        || shoot.targets.join(QLatin1Char(' ')) != writtenTargets
        || cellsSinceWhole >= kWholeAfter * cellsOfWhole)
        return true;
    for (qsizetype position = 0; position < written.size(); ++position) {
        const TResultRow& row = shoot.rows[position];
        const TWrittenRow& before = written[position];
        if (row.key != before.key || row.suffix != before.suffix || row.cells.size() != before.cells.size())
            return true;
    }
    return false;
}

bool THistoryDatabase::InsertShoot(const THistoryShoot& shoot, bool whole, std::int64_t& id)
{
    const QString layout = shoot.listLayout ? QStringLiteral("list") : QStringLiteral("table");
    const QString targets = shoot.targets.join(QLatin1Char(' '));
    insertShoot.Bind(1, shoot.wallMs);
    insertShoot.Bind(2, shoot.agent);
    insertShoot.Bind(3, layout);
    insertShoot.Bind(4, targets);
    insertShoot.Bind(5, static_cast<std::int64_t>(shoot.rows.size()));
    if (whole)
        insertShoot.BindNull(6);
    else
        insertShoot.Bind(6, wholeShoot);
    insertShoot.Bind(7, shoot.upTime);
    if (!insertShoot.Run())
        return false;
    id = file.LastInsertId();
    return true;
}

bool THistoryDatabase::AppendRows(std::int64_t shoot, const QVector<TResultRow>& rows)
{
    for (qsizetype position = 0; position < rows.size(); ++position) {
        insertRow.Bind(1, shoot);
        insertRow.Bind(2, static_cast<std::int64_t>(position));
        insertRow.Bind(3, rows[position].key);
        insertRow.Bind(4, rows[position].suffix);
        if (!insertRow.Run())
            return false;
    }
    return true;
}

bool THistoryDatabase::AppendCells(std::int64_t shoot, const THistoryShoot& taken, bool whole,
                                   std::int64_t& cellsWritten)
{
    for (qsizetype position = 0; position < taken.rows.size(); ++position) {
        const QVector<TResultCell>& cells = taken.rows[position].cells;
        for (qsizetype col = 0; col < cells.size(); ++col) {
            const TResultCell& c = cells[col];
            const int state = static_cast<int>(StateOf(c));
            TWrittenCell& w = written[position].cells[col];
            // As a reader makes it from where it was written (MoveOn).
            const std::int64_t upTime = w.upTime == w.shootUpTime ? taken.upTime : w.upTime;
            const std::uint64_t digest = DigestOf(c, digestSeed);
            if (!whole && w.state == state && w.type == c.now.type && upTime == c.now.upTime
                && w.digest == digest)
                continue;  // a reader finds it at the shoot it was written at
            if (!InsertCell(shoot, position, col, c, state))
                return false;
            ++cellsWritten;
            w.upTime = c.now.upTime;
            w.shootUpTime = taken.upTime;
            w.state = state;
            w.type = c.now.type;
            w.digest = digest;
        }
    }
    return true;
}

bool THistoryDatabase::InsertCell(std::int64_t shoot, qsizetype position, qsizetype col, const TResultCell& c,
                                  int state)
{
    static const QByteArray kNone("");
    insertCell.Bind(1, shoot);
    insertCell.Bind(2, static_cast<std::int64_t>(position));
    insertCell.Bind(3, static_cast<std::int64_t>(col));
    insertCell.Bind(4, c.oid);
    insertCell.Bind(5, static_cast<std::int64_t>(c.now.type));
    insertCell.Bind(6, c.now.text);
    // The raw bytes only where they are not the text's own.
    if (SameAsText(c.now.raw, c.now.text))
        insertCell.BindNull(7);
    else
        insertCell.Bind(7, c.now.raw.isNull() ? kNone : c.now.raw);
    insertCell.Bind(8, c.now.arrivedMs);
    insertCell.Bind(9, c.now.wallMs);
    insertCell.Bind(10, c.now.upTime);
    insertCell.Bind(11, static_cast<std::int64_t>(state));
    return insertCell.Run();
}

std::int64_t THistoryDatabase::UsedBytes() const
{
    const std::int64_t pages = file.Number("PRAGMA page_count") - file.Number("PRAGMA freelist_count");
    return pages * file.Number("PRAGMA page_size");
}

bool THistoryDatabase::DropShootsBefore(std::int64_t firstKept)
{
    const QString kept = QString::number(firstKept);
    const bool dropped =
        file.Exec("BEGIN") && file.Exec(QStringLiteral("DELETE FROM cell WHERE shoot < ") + kept)
        && file.Exec(QStringLiteral("DELETE FROM row WHERE shoot < ") + kept)
        && file.Exec(QStringLiteral("DELETE FROM shoot WHERE id < ") + kept) && file.Exec("COMMIT");
    if (!dropped) {
        Fail(QStringLiteral("prune of"), file.Error());
        file.Exec("ROLLBACK");
        return false;
    }
    // The pragma gives back one page per step: step it to its end.
    TSqliteStatement vacuum = file.Prepare("PRAGMA incremental_vacuum");
    while (vacuum.Next()) {
    }
    return !vacuum.Failed() || Fail(QStringLiteral("prune of"), file.Error());
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
    // The first shoot kept is whole, or the whole one it builds on stays too.
    while (drop > 0 && shoots[drop].base != shoots[drop].id)
        --drop;
    if (drop == 0 || !DropShootsBefore(shoots[drop].id))
        return 0;
    return static_cast<int>(drop);
}

QString THistoryDatabase::ShootColumns() const
{
    // Version 1 knows no base (every shoot whole) and no shoot's sysUpTime.
    return version >= 2
             ? QStringLiteral("id, wall_ms, row_count, agent, layout, targets, coalesce(base, id), up_time")
             : QStringLiteral("id, wall_ms, row_count, agent, layout, targets, id, -1");
}

QVector<TRecordedShoot> THistoryDatabase::ShootsFrom(std::int64_t firstId, std::int64_t lastId) const
{
    QVector<TRecordedShoot> shoots;
    const QString sql =
        QStringLiteral("SELECT %1 FROM shoot WHERE id BETWEEN ? AND ? ORDER BY id").arg(ShootColumns());
    TSqliteStatement query = file.Prepare(sql.toUtf8().constData());
    query.Bind(1, firstId);
    query.Bind(2, lastId);
    while (query.Next()) {
        const QString targets = query.Text(5);
        shoots.append({query.Int(0), query.Int(1), static_cast<int>(query.Int(2)), query.Text(3),
                       query.Text(4) == QLatin1String("list"),
                       targets.isEmpty() ? QStringList() : targets.split(QLatin1Char(' ')), query.Int(6),
                       query.Int(7)});
    }
    return shoots;
}

QVector<TRecordedShoot> THistoryDatabase::Shoots() const
{
    return ShootsFrom(0, std::numeric_limits<std::int64_t>::max());
}

QVector<TResultRow> THistoryDatabase::RowsOf(std::int64_t shoot) const
{
    QVector<TResultRow> rows;
    const QVector<TRecordedShoot> one = ShootsFrom(shoot, shoot);
    if (one.isEmpty())
        return rows;
    // The whole shoot it builds on gives the rows and every cell, the shoots
    // from it up to this one the cells that changed.
    const QVector<TRecordedShoot> span = ShootsFrom(one.front().base, shoot);
    TSqliteStatement query = file.Prepare("SELECT key, suffix FROM row WHERE shoot = ? ORDER BY position");
    query.Bind(1, one.front().base);
    while (query.Next()) {
        TResultRow row;
        row.key = query.Text(0);
        row.suffix = query.Text(1);
        rows.append(row);
    }
    const QString sql = QStringLiteral("SELECT shoot, position, col, oid, %1 FROM cell"
                                       " WHERE shoot BETWEEN ? AND ? ORDER BY shoot, position, col")
                            .arg(QLatin1String(kCellColumns));
    query = file.Prepare(sql.toUtf8().constData());
    query.Bind(1, one.front().base);
    query.Bind(2, shoot);
    std::vector<std::vector<std::int64_t>> from(static_cast<std::size_t>(rows.size()));
    while (query.Next()) {
        const auto position = static_cast<qsizetype>(query.Int(1));
        const auto col = static_cast<qsizetype>(query.Int(2));
        if (position < 0 || position >= rows.size() || col < 0 || col > rows[position].cells.size())
            continue;
        QVector<TResultCell>& cells = rows[position].cells;
        std::vector<std::int64_t>& at = from[static_cast<std::size_t>(position)];
        if (col == cells.size()) {
            cells.append(TResultCell());
            at.push_back(0);
        }
        TResultCell& cell = cells[col];
        cell.oid = query.Text(3);
        const auto [value, state] = ReadingAt(query, 4);
        cell.now = value;
        cell.missing = state == TRecordedState::Missing;
        cell.stale = state == TRecordedState::Stale;
        at[static_cast<std::size_t>(col)] = query.Int(0);
    }
    // Cells written before this shoot stand as this shoot read them.
    for (qsizetype position = 0; position < rows.size(); ++position) {
        for (qsizetype col = 0; col < rows[position].cells.size(); ++col) {
            const std::int64_t at = from[static_cast<std::size_t>(position)][static_cast<std::size_t>(col)];
            if (at != shoot)
                MoveOn(rows[position].cells[col].now, ShootOf(span, at), one.front());
        }
    }
    return rows;
}

QVector<TRecordedReading> THistoryDatabase::Readings(const QString& oid, std::int64_t sinceWallMs) const
{
    QVector<TRecordedReading> readings;
    // From the whole shoot the first shoot in range builds on.
    TSqliteStatement first =
        file.Prepare(version >= 2 ? "SELECT coalesce(base, id) FROM shoot WHERE wall_ms >= ?"
                                    " ORDER BY id LIMIT 1"
                                  : "SELECT id FROM shoot WHERE wall_ms >= ? ORDER BY id LIMIT 1");
    first.Bind(1, sinceWallMs);
    if (!first.Next())
        return readings;
    const QVector<TRecordedShoot> shoots = ShootsFrom(first.Int(0), std::numeric_limits<std::int64_t>::max());
    const QString sql =
        QStringLiteral("SELECT shoot, %1 FROM cell WHERE oid = ? AND shoot >= ? ORDER BY shoot")
            .arg(QLatin1String(kCellColumns));
    TSqliteStatement query = file.Prepare(sql.toUtf8().constData());
    query.Bind(1, oid);
    query.Bind(2, first.Int(0));
    bool more = query.Next();
    // The reading as of each shoot: written there, or the one written
    // before it moved on; a whole shoot without it has none.
    std::optional<TRecordedReading> last;
    const TRecordedShoot* lastAt = nullptr;
    for (const TRecordedShoot& shoot : shoots) {
        if (more && query.Int(0) == shoot.id) {
            const auto [value, state] = ReadingAt(query, 1);
            last = TRecordedReading{shoot.id, value, state};
            lastAt = &shoot;
            more = query.Next();
        } else if (shoot.base == shoot.id) {
            last.reset();
        }
        if (!last || shoot.wallMs < sinceWallMs)
            continue;
        TRecordedReading reading = *last;
        if (lastAt != &shoot) {
            MoveOn(reading.value, *lastAt, shoot);
            reading.shoot = shoot.id;
        }
        readings.append(reading);
    }
    return readings;
}

int THistoryDatabase::WalkNewest(int count, const TShootVisitor& visit) const
{
    TSqliteStatement newest =
        file.Prepare("SELECT min(id) FROM (SELECT id FROM shoot ORDER BY id DESC LIMIT ?)");
    newest.Bind(1, static_cast<std::int64_t>(count));
    if (count <= 0 || !newest.Next() || newest.IsNull(0))
        return 0;
    const std::int64_t firstShown = newest.Int(0);
    const QVector<TRecordedShoot> first = ShootsFrom(firstShown, firstShown);
    if (first.isEmpty())
        return 0;
    const QVector<TRecordedShoot> shoots =
        ShootsFrom(first.front().base, std::numeric_limits<std::int64_t>::max());
    const QString sql = QStringLiteral("SELECT shoot, position, col, oid, %1 FROM cell"
                                       " WHERE shoot >= ? ORDER BY shoot, position, col")
                            .arg(QLatin1String(kCellColumns));
    TSqliteStatement cells = file.Prepare(sql.toUtf8().constData());
    cells.Bind(1, first.front().base);
    bool more = cells.Next();
    QVector<TResultRow> rows;
    // Where each cell was written, to move it on to the shoots that did not write it.
    QVector<QVector<const TRecordedShoot*>> writtenAt;
    int handed = 0;
    std::uint32_t serial = 0;
    for (const TRecordedShoot& shoot : shoots) {
        ++serial;
        if (shoot.base == shoot.id)
            LayRows(shoot.id, rows, writtenAt);
        for (qsizetype position = 0; position < rows.size(); ++position) {
            for (qsizetype col = 0; col < rows[position].cells.size(); ++col) {
                TResultCell& cell = rows[position].cells[col];
                const bool here =
                    more && cells.Int(0) == shoot.id && cells.Int(1) == position && cells.Int(2) == col;
                if (here) {
                    const auto [value, state] = ReadingAt(cells, 4);
                    cell.Take(cells.Text(3), value, serial);
                    cell.stale = state == TRecordedState::Stale;
                    cell.missing = state == TRecordedState::Missing;
                    writtenAt[position][col] = &shoot;
                    more = cells.Next();
                } else if (writtenAt[position][col] != nullptr) {
                    TCellValue value = cell.now;
                    MoveOn(value, *writtenAt[position][col], shoot);
                    const bool stale = cell.stale;
                    const bool missing = cell.missing;
                    cell.Take(cell.oid, value, serial);
                    cell.stale = stale;
                    cell.missing = missing;
                    writtenAt[position][col] = &shoot;
                }
            }
        }
        // Cells past the rows laid (none in a file this program wrote) are skipped.
        while (more && cells.Int(0) == shoot.id)
            more = cells.Next();
        if (shoot.id >= firstShown) {
            visit(shoot, rows);
            ++handed;
        }
    }
    return handed;
}

void THistoryDatabase::LayRows(std::int64_t shoot, QVector<TResultRow>& rows,
                               QVector<QVector<const TRecordedShoot*>>& writtenAt) const
{
    // A row that stays keeps its cells (and so their readings before).
    QHash<QString, TResultRow> before;
    for (const TResultRow& row : rows)
        before.insert(row.key, row);
    rows.clear();
    writtenAt.clear();
    TSqliteStatement query =
        file.Prepare("SELECT key, suffix, (SELECT count(*) FROM cell c WHERE c.shoot = r.shoot"
                     " AND c.position = r.position) FROM row r WHERE shoot = ? ORDER BY position");
    query.Bind(1, shoot);
    while (query.Next()) {
        TResultRow row = before.take(query.Text(0));
        row.key = query.Text(0);
        row.suffix = query.Text(1);
        row.cells.resize(query.Int(2));
        rows.append(row);
        writtenAt.append(QVector<const TRecordedShoot*>(row.cells.size(), nullptr));
    }
}
