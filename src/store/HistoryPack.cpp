// The packed copy of the history beside Lishi: what the in-memory copy needs of each row, a few
// bytes a draw, in chunks of a few thousand draws in issue order. Writers of this program keep it
// current inside their own transaction; triggers on Lishi mark it stale whenever a row changes,
// whoever changes it (an older version, the sqlite3 tool, a script), and a stale copy is never
// read: the rows are, and the copy is rebuilt when the program can write.
#include "HistoryDb.h"

#include "HistoryDbSql.h"

#include <QSqlQuery>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>

#define XXH_INLINE_ALL
#include <xxhash.h>

using namespace HistoryDbSql;

namespace {

constexpr int chunkRows = 1024;
// SQQH and QQH, then the number and segment of each position for the draw and its previous
// draw, one signed byte each.
constexpr int recordBytes = 8 + 12;
constexpr qint64 everything = std::numeric_limits<qint64>::min();

const char *const triggerNames[] = {"LishiPackOnInsert", "LishiPackOnUpdate", "LishiPackOnDelete"};

bool packable(const DrawCore &row)
{
    for (const DrawValues *values : {&row.value, &row.prev})
        for (const Classes &classes : *values)
            for (int k : {int(KindA), int(KindF)})
                if (classes[size_t(k)] < -128 || classes[size_t(k)] > 127)
                    return false;
    return true;
}

void encode(const DrawCore &row, QByteArray &out)
{
    out.resize(out.size() + recordBytes);
    char *at = out.data() + out.size() - recordBytes;
    qToLittleEndian<qint32>(row.sqqh, at);
    qToLittleEndian<qint32>(row.qqh, at + 4);
    int i = 8;
    for (const DrawValues *values : {&row.value, &row.prev})
        for (int k : {int(KindA), int(KindF)})
            for (int p = 0; p < PositionCount; ++p)
                at[i++] = char(qint8((*values)[size_t(p)][size_t(k)]));
}

qint64 issueAt(QByteArrayView records, qsizetype record)
{
    return qFromLittleEndian<qint32>(records.data() + record * recordBytes);
}

// XXH3 of a chunk's bytes: many GB/s, so every read can check every chunk. (A copy checked by an
// older release's CRC-32 fails this check once and is built again; that release reads the rows of
// one written here, as it does for any copy it doubts.)
qint64 checksum(QByteArrayView bytes)
{
    return qint64(XXH3_64bits(bytes.data(), size_t(bytes.size())));
}

// Packed rows cut into chunks of chunkRows; never between two rows of one issue, so that every
// issue lies in one chunk.
std::vector<QByteArray> cut(QByteArrayView records)
{
    std::vector<QByteArray> pieces;
    const qsizetype count = records.size() / recordBytes;
    qsizetype from = 0;
    while (from < count) {
        qsizetype to = std::min(count, from + chunkRows);
        while (to < count && issueAt(records, to) == issueAt(records, to - 1))
            ++to;
        pieces.push_back(records.sliced(from * recordBytes, (to - from) * recordBytes).toByteArray());
        from = to;
    }
    return pieces;
}

// What a chunk's row says of its bytes: a damaged or foreign chunk is never read.
struct Chunk
{
    qint64 lo = 0;
    qint64 n = 0;
    qint64 first = 0;
    qint64 last = 0;
    std::optional<qint64> crc;

    bool holds(QByteArrayView data) const
    {
        if (!crc || data.size() != n * recordBytes || checksum(data) != *crc)
            return false;
        return n == 0 || (issueAt(data, 0) == first && issueAt(data, n - 1) == last && first >= lo);
    }
};

// Writes one chunk with what checks it: its count, first and last issue, and the hash of its bytes.
bool writeChunk(FastStatement &insert, qint64 id, qint64 lo, QByteArrayView piece)
{
    const qint64 n = piece.size() / recordBytes;
    insert.bind(1, id);
    insert.bind(2, lo);
    insert.bind(3, n);
    insert.bindBlob(4, piece);
    insert.bind(5, n > 0 ? issueAt(piece, 0) : 0);
    insert.bind(6, n > 0 ? issueAt(piece, n - 1) : 0);
    insert.bind(7, checksum(piece));
    return insert.execute();
}

const QString insertChunk = QStringLiteral(
    "INSERT OR REPLACE INTO LishiPack (Id, Lo, N, Data, First, Last, Crc) VALUES (?, ?, ?, ?, ?, ?, ?)");

} // namespace

void HistoryDb::preparePack()
{
    m_packReady = false;
    // The table with every column a chunk checks itself by (an older version's copy has none of
    // them), and its triggers.
    QSqlQuery present = m_db.select(QStringLiteral(
        "SELECT (SELECT count(*) FROM sqlite_master WHERE name IN ('LishiPack', 'LishiPackOnInsert', "
        "'LishiPackOnUpdate', 'LishiPackOnDelete')), "
        "(SELECT count(*) FROM pragma_table_info('LishiPack') WHERE name IN ('First', 'Last', 'Crc'))"));
    const bool tablePresent = present.next() && present.value(0).toInt() > 0;
    const bool complete = present.isValid() && present.value(0).toInt() == 4 && present.value(1).toInt() == 3;
    const bool olderTable = tablePresent && present.value(1).toInt() != 3;
    present = QSqlQuery();
    if (complete || m_db.isReadOnly()) {
        m_packReady = complete;
        return;
    }
    // A database of an older version: the copy and its triggers are added, the copy stale until
    // it is built. Opening never waits for another program's write for this: next time, then.
    if (!m_db.exec(QStringLiteral("PRAGMA busy_timeout = 0")))
        return;
    Transaction transaction(m_db);
    m_packReady = transaction.isActive() && installPack(olderTable) && transaction.commit();
    m_db.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Database::busyTimeoutMs));
}

bool HistoryDb::installPack(bool olderTable)
{
    QStringList statements;
    // An older version's table goes; so do triggers left without their table (dropped by hand),
    // which would refuse every change of the rows.
    if (olderTable)
        statements << QStringLiteral("DROP TABLE IF EXISTS LishiPack");
    statements << QStringLiteral("CREATE TABLE IF NOT EXISTS LishiPack (Id INTEGER PRIMARY KEY, Lo INTEGER, N INTEGER, "
                                 "Data BLOB, First INTEGER, Last INTEGER, Crc INTEGER)")
               // Row 0 says whether the copy is current (N = 1), and how many draws it holds
               // (Lo), from which issue to which.
               << QStringLiteral("INSERT OR REPLACE INTO LishiPack (Id, Lo, N) VALUES (0, 0, 0)");
    for (const char *name : triggerNames) {
        const QString event = QString::fromLatin1(name).mid(11).toUpper(); // INSERT, UPDATE, DELETE
        statements << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON Lishi "
                                     "WHEN (SELECT N FROM LishiPack WHERE Id = 0) <> 0 "
                                     "BEGIN UPDATE LishiPack SET N = 0 WHERE Id = 0; END")
                          .arg(QLatin1String(name), event);
    }
    bool done = true;
    for (const QString &sql : std::as_const(statements))
        done = done && m_db.exec(sql);
    return done;
}

std::optional<HistorySnapshot> HistoryDb::snapshotFromPack()
{
    if (!m_packReady)
        return std::nullopt;
    // One statement: the state row, the triggers that keep it honest, Lishi's first and last issue,
    // and the chunks, of one consistent state of the file. The copy is read only when everything
    // agrees: the state row says current (the triggers clear that on any change of a row, by
    // anyone, so the rows need no counting), each chunk with its hash, count and issues, the
    // chunks in ascending issues, the whole with the state row, and its ends with the rows'.
    FastStatement q(m_db, QStringLiteral("SELECT Id, N, Data, Lo, First, Last, Crc, "
                                         "CASE WHEN Id = 0 THEN (SELECT count(*) FROM sqlite_master WHERE type = 'trigger' "
                                         "AND tbl_name = 'Lishi' AND name IN ('LishiPackOnInsert', 'LishiPackOnUpdate', "
                                         "'LishiPackOnDelete')) END, "
                                         "CASE WHEN Id = 0 THEN (SELECT min(SQQH) FROM Lishi) END, "
                                         "CASE WHEN Id = 0 THEN (SELECT max(SQQH) FROM Lishi) END "
                                         "FROM LishiPack ORDER BY Id"));
    if (!q.next() || q.int64Value(0) != 0 || q.int64Value(1) != 1)
        return std::nullopt;
    const qint64 total = q.int64Value(3), first = q.int64Value(4), last = q.int64Value(5);
    // An empty copy and an empty table agree too (no first or last issue reads as 0).
    if (q.int64Value(7) != 3 || first != q.int64Value(8) || last != q.int64Value(9))
        return std::nullopt;
    HistorySnapshot rows;
    rows.reserve(size_t(std::clamp<qint64>(total, 0, 100'000'000)));
    std::optional<qint64> previousLo, previousLast;
    // Chunks are numbered 1, 2, 3… with no gap: one deleted from the middle leaves one.
    qint64 id = 0;
    while (q.next()) {
        const QByteArrayView data = q.blobValue(2);
        const Chunk chunk{q.int64Value(3), q.int64Value(1), q.int64Value(4), q.int64Value(5),
                          q.isNull(6) ? std::nullopt : std::optional(q.int64Value(6))};
        if (q.int64Value(0) != ++id || !chunk.holds(data) ||
            (previousLo ? chunk.lo <= *previousLo : chunk.lo != everything) ||
            (previousLast && *previousLast >= chunk.lo))
            return std::nullopt;
        previousLo = chunk.lo;
        if (chunk.n > 0)
            previousLast = chunk.last;
        rows.appendPackedRows(data.data(), data.size() / recordBytes, recordBytes);
    }
    // Rows left out for their dice count too; the first and last issue are then not compared.
    const qint64 read = rows.count() + qint64(rows.unreadable().size());
    if (!q.error().isEmpty() || read != total ||
        (rows.unreadable().empty() && total > 0 && (rows.first().sqqh != first || rows.last().sqqh != last)))
        return std::nullopt;
    m_lastSnapshotSize = size_t(rows.count());
    return rows;
}

void HistoryDb::packTouched(qint64 fromIssue, qint64 toIssue)
{
    m_packFrom = m_packFrom ? std::make_pair(std::min(m_packFrom->first, fromIssue), std::max(m_packFrom->second, toIssue))
                            : std::make_pair(fromIssue, toIssue);
}

void HistoryDb::packTouchedAll()
{
    packTouched(everything, std::numeric_limits<qint64>::max());
}

bool HistoryDb::packWasCurrent()
{
    bool current = false;
    if (m_packReady) {
        FastStatement q(m_db, QStringLiteral("SELECT N FROM LishiPack WHERE Id = 0"));
        current = q.next() && q.int64Value(0) == 1;
        if (q.error().isEmpty())
            return current;
    }
    // The copy's table is gone (dropped by another tool): made again by this write, and built whole.
    // The triggers are dropped with it and made again, so that they match the new table.
    if (m_db.isReadOnly())
        return false;
    for (const char *name : triggerNames)
        m_db.exec(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(name)));
    m_packReady = installPack(true);
    if (m_packReady)
        packTouchedAll();
    return false;
}

bool HistoryDb::refreshPack(bool wasCurrent)
{
    if (!m_packReady || !m_packFrom)
        return true;
    // A copy that was stale already, or a change of everything, is written whole; otherwise only
    // the chunks that hold a changed issue.
    const bool whole = !wasCurrent || m_packFrom->first == everything;
    if (!(whole ? rebuildPack() : refreshChunks(m_packFrom->first, m_packFrom->second)))
        return false;
    m_packFrom.reset();
    return true;
}

namespace {

// The rows of [lo, hi) in issue order, packed, read from Lishi; false when a value fits no byte.
bool packRows(Database &db, qint64 lo, qint64 hi, QByteArray &records, QString &error)
{
    FastStatement rows(db, QStringLiteral("SELECT %1 FROM Lishi WHERE SQQH >= ? AND SQQH < ? ORDER BY SQQH, rowid")
                               .arg(snapshotColumns()));
    rows.bind(1, lo);
    rows.bind(2, hi);
    DrawCore row;
    while (rows.next()) {
        readCore(rows, row);
        if (!packable(row))
            return false;
        encode(row, records);
    }
    error = rows.error();
    return true;
}

} // namespace

void HistoryDb::packCollect(const std::vector<DrawRecord> &rows)
{
    // A history written whole (emptied, then rows in issue order) is packed as it is written:
    // no second read of every row. Anything else ends the collecting; the rows are read then.
    if (!m_packCollected)
        return;
    PackedRows &c = *m_packCollected;
    c.records.reserve(c.records.size() + qsizetype(rows.size()) * recordBytes);
    for (const DrawRecord &row : rows) {
        if (!packable(row) || (!c.records.isEmpty() && row.sqqh < c.lastIssue)) {
            m_packCollected.reset();
            return;
        }
        encode(row, c.records);
        c.lastIssue = row.sqqh;
    }
}

bool HistoryDb::writePackState(bool current)
{
    // The totals of the chunks as written. A chunk lost or damaged before this write makes them
    // disagree with the rows, which every reader compares them with: the copy is rebuilt then.
    return m_db.exec(QStringLiteral(
               "INSERT OR REPLACE INTO LishiPack (Id, Lo, N, First, Last) VALUES "
               "(0, (SELECT coalesce(sum(N), 0) FROM LishiPack WHERE Id > 0), %1, "
               "(SELECT First FROM LishiPack WHERE Id > 0 AND N > 0 ORDER BY Id LIMIT 1), "
               "(SELECT Last FROM LishiPack WHERE Id > 0 AND N > 0 ORDER BY Id DESC LIMIT 1))")
                         .arg(current ? 1 : 0)) ||
           failed();
}

bool HistoryDb::rebuildPack()
{
    QByteArray records;
    QString error;
    bool fits = true;
    if (m_packCollected) {
        records = std::move(m_packCollected->records);
        m_packCollected.reset();
    } else {
        fits = packRows(m_db, everything, std::numeric_limits<qint64>::max(), records, error);
    }
    if (!error.isEmpty())
        return refuse(error);
    if (!m_db.exec(QStringLiteral("DELETE FROM LishiPack WHERE Id > 0")))
        return failed();
    // Values no byte holds (a row a script wrote): the copy stays stale and the rows are read.
    if (!fits)
        return writePackState(false);
    FastStatement insert(m_db, insertChunk);
    const std::vector<QByteArray> pieces = cut(records);
    for (size_t i = 0; i < pieces.size(); ++i) {
        // The first chunk takes every issue before the ones it holds.
        if (!writeChunk(insert, qint64(i) + 1, i == 0 ? everything : issueAt(pieces[i], 0), pieces[i]))
            return refuse(insert.error());
    }
    return writePackState(true);
}

bool HistoryDb::refreshChunks(qint64 from, qint64 to)
{
    // Chunk k holds the issues from its Lo to the next chunk's Lo; the last one, all after it.
    std::vector<std::pair<qint64, qint64>> chunks; // Id, Lo
    {
        FastStatement q(m_db, QStringLiteral("SELECT Id, Lo FROM LishiPack WHERE Id > 0 ORDER BY Id"));
        while (q.next())
            chunks.emplace_back(q.int64Value(0), q.int64Value(1));
        if (!q.error().isEmpty())
            return refuse(q.error());
    }
    // A chunk missing (numbered with a gap) is never carried on: the copy is written whole.
    if (chunks.empty() || chunks.back().first != qint64(chunks.size()))
        return rebuildPack();
    FastStatement insert(m_db, insertChunk);
    for (size_t k = 0; k < chunks.size(); ++k) {
        const bool last = k + 1 == chunks.size();
        const qint64 lo = k == 0 ? everything : chunks[k].second;
        const qint64 hi = last ? std::numeric_limits<qint64>::max() : chunks[k + 1].second;
        if (lo > to || (!last && hi <= from))
            continue;
        // Only the changed issues are read again; the chunk's other draws keep their bytes, and
        // only when the chunk checks: damaged bytes are never carried on.
        const qint64 changedLo = std::max(lo, from);
        const qint64 changedHi = to >= hi - 1 ? hi : to + 1;
        QByteArray kept;
        {
            FastStatement old(m_db, QStringLiteral("SELECT Data, Lo, N, First, Last, Crc FROM LishiPack WHERE Id = ?"));
            old.bind(1, chunks[k].first);
            if (!old.next())
                return old.error().isEmpty() ? rebuildPack() : refuse(old.error());
            const Chunk chunk{old.int64Value(1), old.int64Value(2), old.int64Value(3), old.int64Value(4),
                              old.isNull(5) ? std::nullopt : std::optional(old.int64Value(5))};
            if (!chunk.holds(old.blobValue(0)) || chunk.lo != lo)
                return rebuildPack();
            kept = old.blobValue(0).toByteArray();
        }
        const qsizetype records = kept.size() / recordBytes;
        qsizetype before = 0;
        while (before < records && issueAt(kept, before) < changedLo)
            ++before;
        qsizetype after = before;
        while (after < records && issueAt(kept, after) < changedHi)
            ++after;
        QByteArray whole = kept.left(before * recordBytes);
        QString error;
        if (!packRows(m_db, changedLo, changedHi, whole, error))
            return rebuildPack(); // leaves the copy stale
        if (!error.isEmpty())
            return refuse(error);
        whole += QByteArrayView(kept).sliced(after * recordBytes);
        // The last chunk is cut as draws are added after it. One in the middle keeps what it
        // holds (a gap filled makes it one longer) until it holds twice a chunk; then the whole
        // copy is cut again, so that no chunk grows without end (older draws merged in).
        if (!last && whole.size() > 2 * chunkRows * recordBytes)
            return rebuildPack();
        std::vector<QByteArray> pieces = last ? cut(whole) : std::vector<QByteArray>{whole};
        if (pieces.empty())
            pieces.emplace_back();
        for (size_t i = 0; i < pieces.size(); ++i) {
            const qint64 id = i == 0 ? chunks[k].first : chunks.back().first + qint64(i);
            if (!writeChunk(insert, id, i == 0 ? lo : issueAt(pieces[i], 0), pieces[i]))
                return refuse(insert.error());
        }
    }
    return writePackState(true);
}

void HistoryDb::rebuildPackWithoutWaiting()
{
    if (!m_packReady || isReadOnly())
        return;
    // Never a wait at start-up for another program's write: the copy is built another time.
    if (!m_db.exec(QStringLiteral("PRAGMA busy_timeout = 0")))
        return;
    packTouchedAll();
    write([] { return true; });
    m_db.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Database::busyTimeoutMs));
}
