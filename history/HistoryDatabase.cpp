#include "history/HistoryDatabase.h"

#include "history/CellBlock.h"
#include "history/WrittenCells.h"

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
// (shoot.base, shoot.up_time); 3: the cells are packed into blocks of rows
// (table block, row.cells); 4: a block is JSON text, which plain SQL reads
// (view reading). Older files are read as they are and brought to 4 when
// written to; their shoots stay as they were written.
constexpr int kSchemaVersion = 4;
// How long a statement waits for another connection's lock (a reader, or a
// writer that got past the lock file) before it fails.
constexpr int kBusyTimeoutMs = 5000;
// A shoot is written whole once the cells written since the last whole one
// reach this many times its cells: a reader then reads at most about five
// shoots' worth of cells for any shoot.
constexpr std::int64_t kWholeAfter = 4;

// The cells since schema 3: one row per block of kBlockRows rows a shoot
// wrote cells of (CellBlock.h), packed bytes in schema 3, JSON text since 4.
// A rowid table: a block of a whole shoot outgrows a page.
const char* const kBlockTable =
    "CREATE TABLE block (shoot INTEGER NOT NULL, first INTEGER NOT NULL, cells INTEGER NOT NULL,"
    " data BLOB NOT NULL, PRIMARY KEY (shoot, first))";

// Every cell a shoot wrote, one row each, for plain SQL: those of the JSON
// blocks (a cell's OID by default its column's target, the col-th of the
// shoot's targets, and its row's suffix, in the whole shoot it builds on),
// then those of the cell table (schema 1 and 2). Packed blocks (schema 3)
// have no rows here; a damaged block gives none instead of failing the query.
const char* const kReadingView =
    "CREATE VIEW IF NOT EXISTS reading AS"
    " SELECT s.id AS shoot, s.wall_ms AS shoot_ms, b.first + (c.value ->> 0) AS position, c.value ->> 1 AS col,"
    " coalesce(c.value ->> 8, (('[\"' || replace(s.targets, ' ', '\",\"') || '\"]') ->> (c.value ->> 1))"
    " || (SELECT r.suffix FROM row r WHERE r.shoot = coalesce(s.base, s.id)"
    " AND r.position = b.first + (c.value ->> 0))) AS oid,"
    " c.value ->> 2 AS type, c.value ->> 3 AS value, coalesce(c.value ->> 6, 0) AS state,"
    " s.clock_ms + (c.value ->> 4) AS arrived_ms, s.wall_ms + coalesce(c.value ->> 5, c.value ->> 4) AS wall_ms,"
    " coalesce(c.value ->> 7, s.up_time) AS up_time"
    " FROM shoot s JOIN block b ON b.shoot = s.id, json_each(CASE WHEN typeof(b.data) = 'text'"
    " AND json_valid(b.data) THEN b.data ELSE '[]' END) c"
    " UNION ALL SELECT c.shoot, s.wall_ms, c.position, c.col, c.oid, c.type, c.value, c.state, c.arrived_ms,"
    " c.wall_ms, c.up_time FROM cell c JOIN shoot s ON s.id = c.shoot";

const char* const kSchema[] = {
    "CREATE TABLE shoot (id INTEGER PRIMARY KEY, wall_ms INTEGER NOT NULL, agent TEXT NOT NULL, layout TEXT NOT NULL,"
    " targets TEXT NOT NULL, row_count INTEGER NOT NULL, base INTEGER, up_time INTEGER NOT NULL DEFAULT -1,"
    " clock_ms INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE row (shoot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL,"
    " suffix TEXT NOT NULL, cells INTEGER, PRIMARY KEY (shoot, position)) WITHOUT ROWID",
    "CREATE TABLE cell (shoot INTEGER NOT NULL, position INTEGER NOT NULL, col INTEGER NOT NULL,"
    " oid TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL, raw BLOB, arrived_ms INTEGER NOT NULL,"
    " wall_ms INTEGER NOT NULL, up_time INTEGER NOT NULL, state INTEGER NOT NULL,"
    " PRIMARY KEY (shoot, position, col)) WITHOUT ROWID",
    "CREATE INDEX cell_by_oid ON cell (oid, shoot)",
    kBlockTable,
    kReadingView,
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

// A bijection of 64-bit numbers that spreads every bit over all (the
// finaliser of splitmix64).
std::uint64_t Mixed(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// What a written cell keeps of its OID, text and bytes. A cell read by the
// store is told by its stamp, without reading a text: nearly every cell of
// a large table, and most read the same as the shoot before. Otherwise an
// OID that is its column's target and its row's suffix is told by its
// place; a plain integer is digested without hashing texts, and no two
// integers give the same digest.
std::uint64_t DigestOf(const TResultCell& cell, const TCellForm& form, std::uint64_t seed)
{
    if (!form.targetOid)
        return qHashMulti(static_cast<size_t>(seed), cell.oid, cell.now.text, cell.now.BytesAreText(),
                          cell.now.KeptBytes());
    if (form.integer)
        return Mixed(static_cast<std::uint64_t>(*form.integer) ^ seed);
    return qHashMulti(static_cast<size_t>(seed), cell.now.text, cell.now.BytesAreText(),
                      cell.now.KeptBytes());
}

// A recorded cell's reading and state from a query holding kCellColumns
// from column `first` on.
std::pair<TCellValue, TRecordedState> ReadingAt(const TSqliteStatement& query, int first)
{
    TCellValue value;
    value.type = static_cast<int>(query.Int(first + 1));
    value.text = query.Text(first + 2);
    if (query.IsNull(first + 3))
        value.SetBytesToText();
    else
        value.SetBytes(query.Bytes(first + 3));
    value.arrivedMs = query.Int(first + 4);
    value.wallMs = query.Int(first + 5);
    value.upTime = query.Int(first + 6);
    return {value, static_cast<TRecordedState>(query.Int(first))};
}

// The run's monotonic clock at the end of shoot: the first cell with a wall
// clock, its arrived_ms moved on by the time from its wall_ms to the shoot's
// (0 when no cell has one).
std::int64_t ClockOf(const THistoryShoot& shoot)
{
    for (const TResultRow& row : shoot.rows) {
        for (const TResultCell& cell : row.cells) {
            if (cell.now.wallMs > 0)
                return cell.now.arrivedMs + (shoot.wallMs - cell.now.wallMs);
        }
    }
    return 0;
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
    // A page cache of 8 MB: appending touches the last pages of each table
    // only, and reading back was no faster with 64 MB, which a window
    // recording a large table (a megabyte or more a shoot) fills within a
    // minute and then holds.
    ready = ready && Exec("PRAGMA journal_mode=WAL") && Exec("PRAGMA synchronous=NORMAL")
         && Exec("PRAGMA cache_size=-8192");
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
    // Version 1's shoots are all whole: base stays NULL. The rows of older
    // shoots leave row.cells NULL: their cells are counted in table cell.
    // Packed blocks of version 3 stay as they are, beside the JSON ones.
    const bool done =
        Exec("BEGIN")
        && (version >= 2
            || (Exec("ALTER TABLE shoot ADD COLUMN base INTEGER")
                && Exec("ALTER TABLE shoot ADD COLUMN up_time INTEGER NOT NULL DEFAULT -1")))
        && (version >= 3 || (Exec("ALTER TABLE row ADD COLUMN cells INTEGER") && Exec(kBlockTable)))
        && Exec("ALTER TABLE shoot ADD COLUMN clock_ms INTEGER NOT NULL DEFAULT 0") && Exec(kReadingView)
        && Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion).toUtf8().constData())
        && Exec("COMMIT");
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
    insertBlock = {};
    written.clear();
    writtenCells.clear();
    writtenShoot = 0;
    file.Close();
    open = false;
}

bool THistoryDatabase::PrepareWriting()
{
    insertShoot =
        file.Prepare("INSERT INTO shoot (wall_ms, agent, layout, targets, row_count, base, up_time, clock_ms)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    insertRow = file.Prepare("INSERT INTO row (shoot, position, key, suffix, cells) VALUES (?, ?, ?, ?, ?)");
    insertBlock = file.Prepare("INSERT INTO block (shoot, first, cells, data) VALUES (?, ?, ?, ?)");
    return (insertShoot.IsValid() && insertRow.IsValid() && insertBlock.IsValid())
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
        writtenCells.clear();
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
    qsizetype cells = 0;
    for (qsizetype position = 0; position < shoot.rows.size(); ++position) {
        const TResultRow& row = shoot.rows[position];
        TWrittenRow& kept = written[position];
        // Shared with the store while it keeps them.
        kept.key = row.key;
        kept.suffix = row.suffix;
        kept.first = cells;
        kept.count = row.cells.size();
        cells += kept.count;
    }
    // A whole shoot writes every cell: what was kept is overwritten.
    writtenCells.assign(static_cast<std::size_t>(cells), 0);
    writtenCells.shrink_to_fit();
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
        if (!SameText(row.key, before.key) || !SameText(row.suffix, before.suffix)
            || row.cells.size() != before.count)
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
    insertShoot.Bind(8, ClockOf(shoot));

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
        insertRow.Bind(5, static_cast<std::int64_t>(rows[position].cells.size()));
        if (!insertRow.Run())
            return false;
    }
    return true;
}

bool THistoryDatabase::AppendCells(std::int64_t shoot, const THistoryShoot& taken, bool whole,
                                   std::int64_t& cellsWritten)
{
    TCellJsonWriter block;
    const TShootClocks clocks{taken.upTime, taken.wallMs, ClockOf(taken)};
    for (qsizetype first = 0; first < taken.rows.size(); first += kBlockRows) {
        block.Start(first, clocks);
        const qsizetype end = std::min(taken.rows.size(), first + kBlockRows);
        for (qsizetype position = first; position < end; ++position)
            AddCells(taken, position, whole, block);
        if (block.Cells() == 0)
            continue;  // nothing of these rows changed
        insertBlock.Bind(1, shoot);
        insertBlock.Bind(2, static_cast<std::int64_t>(first));
        insertBlock.Bind(3, static_cast<std::int64_t>(block.Cells()));
        insertBlock.BindText(4, block.Finish());
        if (!insertBlock.Run())
            return false;
        cellsWritten += block.Cells();
    }
    return true;
}

void THistoryDatabase::AddCells(const THistoryShoot& taken, qsizetype position, bool whole,
                                TCellJsonWriter& block)
{
    const TResultRow& row = taken.rows[position];
    for (qsizetype col = 0; col < row.cells.size(); ++col) {
        const TResultCell& c = row.cells[col];
        const int state = static_cast<int>(StateOf(c));
        std::uint64_t& kept = writtenCells[static_cast<std::size_t>(written[position].first + col)];
        const QString* target = col < taken.targets.size() ? &taken.targets[col] : nullptr;
        std::optional<TCellForm> form;
        if (c.stamp == 0)
            form.emplace(c.now, c.oid, target, row.suffix);
        // A stamp mixed twice: no integer digests as a stamp does but by chance.
        const std::uint64_t content =
            form ? DigestOf(c, *form, digestSeed) : Mixed(Mixed(c.stamp) ^ digestSeed);
        // A reader moves a cell on from where it was written (MoveOn): one
        // whose sysUpTime was its shoot's takes that of each shoot after.
        const bool followsShoot = c.now.upTime == taken.upTime;
        const std::uint64_t digest = qHashMulti(static_cast<size_t>(digestSeed), content, state, c.now.type,
                                                followsShoot, followsShoot ? std::int64_t{-1} : c.now.upTime);
        if (!whole && kept == digest)
            continue;  // a reader finds it at the shoot it was written at
        if (!form)
            form.emplace(c.now, c.oid, target, row.suffix);
        block.Add(position, col, c.now, c.oid, *form, state);
        kept = digest;
    }
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
        && file.Exec(QStringLiteral("DELETE FROM block WHERE shoot < ") + kept)
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
    // Version 1 knows no base (every shoot whole) and no shoot's sysUpTime,
    // versions before 4 no clock_ms.
    if (version >= 4)
        return QStringLiteral(
            "id, wall_ms, row_count, agent, layout, targets, coalesce(base, id), up_time, clock_ms");
    return version >= 2 ? QStringLiteral(
               "id, wall_ms, row_count, agent, layout, targets, coalesce(base, id), up_time, 0")
                        : QStringLiteral("id, wall_ms, row_count, agent, layout, targets, id, -1, 0");
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
                       query.Int(7), query.Int(8)});
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
    std::vector<std::vector<std::int64_t>> from(static_cast<std::size_t>(rows.size()));
    for (TWrittenCells cells(file, span, one.front().base, shoot); cells.Valid(); cells.Next()) {
        const TBlockCell& got = cells.Cell();
        const qsizetype position = got.row;
        const qsizetype col = got.col;
        if (position < 0 || position >= rows.size() || col < 0 || col > rows[position].cells.size())
            continue;
        QVector<TResultCell>& row = rows[position].cells;
        std::vector<std::int64_t>& at = from[static_cast<std::size_t>(position)];
        if (col == row.size()) {
            row.append(TResultCell());
            at.push_back(0);
        }
        TResultCell& cell = row[col];
        cell.oid = got.oid;
        cell.now = got.value;
        cell.missing = got.state == static_cast<int>(TRecordedState::Missing);
        cell.stale = got.state == static_cast<int>(TRecordedState::Stale);
        at[static_cast<std::size_t>(col)] = cells.Shoot();
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

void THistoryDatabase::RowReadings(const QString& oid, std::int64_t first,
                                   QVector<TRecordedReading>& readings) const
{
    const QString sql =
        QStringLiteral("SELECT shoot, %1 FROM cell WHERE oid = ? AND shoot >= ? ORDER BY shoot")
            .arg(QLatin1String(kCellColumns));
    TSqliteStatement query = file.Prepare(sql.toUtf8().constData());
    query.Bind(1, oid);
    query.Bind(2, first);
    while (query.Next()) {
        const auto [value, state] = ReadingAt(query, 1);
        readings.append({query.Int(0), value, state});
    }
}

std::optional<std::pair<qsizetype, qsizetype>>
THistoryDatabase::PlaceOf(const QString& oid, const TRecordedShoot& whole, qsizetype guess) const
{
    // A table's cell: its column's target and a row's suffix. Tried at the
    // place it had in the whole shoot before, then among the rows.
    TSqliteStatement suffixAt = file.Prepare("SELECT suffix FROM row WHERE shoot = ? AND position = ?");
    TSqliteStatement rowOf = file.Prepare("SELECT position FROM row WHERE shoot = ? AND suffix = ?");
    for (qsizetype col = 0; col < whole.targets.size(); ++col) {
        const QString& target = whole.targets[col];
        if (!oid.startsWith(target) || oid.size() == target.size())
            continue;
        const QString suffix = oid.mid(target.size());
        suffixAt.Reset();
        suffixAt.Bind(1, whole.id);
        suffixAt.Bind(2, static_cast<std::int64_t>(guess));
        if (suffixAt.Next() && suffixAt.Text(0) == suffix)
            return std::pair(guess, col);
        rowOf.Reset();
        rowOf.Bind(1, whole.id);
        rowOf.Bind(2, suffix);
        if (rowOf.Next())
            return std::pair(static_cast<qsizetype>(rowOf.Int(0)), col);
    }
    // Any other cell (a list's): looked for among every cell of the shoot.
    const QVector<TRecordedShoot> one{whole};
    for (TWrittenCells cells(file, one, whole.id, whole.id); cells.Valid(); cells.Next()) {
        if (cells.Cell().oid == oid)
            return std::pair(cells.Cell().row, cells.Cell().col);
    }
    return std::nullopt;
}

void THistoryDatabase::BlockReadings(const QString& oid, const QVector<TRecordedShoot>& shoots,
                                     QVector<TRecordedReading>& readings) const
{
    const std::int64_t firstPacked = file.Number("SELECT min(shoot) FROM block", -1);
    if (firstPacked < 0)
        return;
    TSqliteStatement blockAt = file.Prepare("SELECT data FROM block WHERE shoot = ? AND first = ?");
    std::optional<std::pair<qsizetype, qsizetype>> place;
    QVector<QString> suffixes;
    for (const TRecordedShoot& shoot : shoots) {
        if (shoot.id < firstPacked)
            continue;
        if (shoot.base == shoot.id || !place) {
            place = PlaceOf(oid, ShootOf(shoots, shoot.base), place ? place->first : 0);
            // The reader makes the OIDs of the block's rows: none but the
            // cell's own is looked at.
            suffixes = QVector<QString>(kBlockRows);
            if (place)
                suffixes[place->first % kBlockRows] = oid.mid(shoot.targets.value(place->second).size());
        }
        if (!place)
            continue;
        const auto [row, col] = *place;
        bool json = false;
        const QByteArray data = BlockOf(blockAt, shoot.id, row, json);
        TAnyBlockReader reader(json, data, row / kBlockRows * kBlockRows, shoot.targets, suffixes,
                               {shoot.upTime, shoot.wallMs, shoot.clockMs});
        TBlockCell cell;
        while (reader.Next(cell) && (cell.row < row || cell.col < col)) {
        }
        if (!reader.Failed() && cell.row == row && cell.col == col && cell.oid == oid && !data.isEmpty())
            readings.append({shoot.id, cell.value, static_cast<TRecordedState>(cell.state)});
    }
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
    // The readings written, oldest first: as rows of older schemas, then in blocks.
    QVector<TRecordedReading> found;
    RowReadings(oid, first.Int(0), found);
    BlockReadings(oid, shoots, found);
    auto next = found.cbegin();
    // The reading as of each shoot: written there, or the one written
    // before it moved on; a whole shoot without it has none.
    std::optional<TRecordedReading> last;
    const TRecordedShoot* lastAt = nullptr;
    for (const TRecordedShoot& shoot : shoots) {
        if (next != found.cend() && next->shoot == shoot.id) {
            last = *next++;
            lastAt = &shoot;
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
    TWrittenCells cells(file, shoots, first.front().base, std::numeric_limits<std::int64_t>::max());
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
                const bool here = cells.Valid() && cells.Shoot() == shoot.id && cells.Cell().row == position
                               && cells.Cell().col == col;
                TakeWalked(rows[position].cells[col], here ? &cells.Cell() : nullptr, serial,
                           writtenAt[position][col], shoot);
                if (here)
                    cells.Next();
            }
        }
        // Cells past the rows laid (none in a file this program wrote) are skipped.
        while (cells.Valid() && cells.Shoot() == shoot.id)
            cells.Next();
        if (shoot.id >= firstShown) {
            visit(shoot, rows);
            ++handed;
        }
    }
    return handed;
}

void THistoryDatabase::TakeWalked(TResultCell& cell, const TBlockCell* written, std::uint32_t serial,
                                  const TRecordedShoot*& writtenAt, const TRecordedShoot& shoot)
{
    if (written != nullptr) {
        cell.Take(written->oid, written->value, serial);
        cell.stale = written->state == static_cast<int>(TRecordedState::Stale);
        cell.missing = written->state == static_cast<int>(TRecordedState::Missing);
        writtenAt = &shoot;
    } else if (writtenAt != nullptr) {
        TCellValue value = cell.now;
        MoveOn(value, *writtenAt, shoot);
        const bool stale = cell.stale;
        const bool missing = cell.missing;
        cell.Take(cell.oid, value, serial);
        cell.stale = stale;
        cell.missing = missing;
        writtenAt = &shoot;
    }
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
    // Rows of older schemas count their cells in table cell.
    TSqliteStatement query = file.Prepare(
        "SELECT key, suffix, coalesce(cells, (SELECT count(*) FROM cell c WHERE c.shoot = r.shoot"
        " AND c.position = r.position)) FROM row r WHERE shoot = ? ORDER BY position");
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
