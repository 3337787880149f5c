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

void encode(const DrawCore &row, char *out)
{
    qToLittleEndian<qint32>(row.sqqh, out);
    qToLittleEndian<qint32>(row.qqh, out + 4);
    int i = 8;
    for (const DrawValues *values : {&row.value, &row.prev})
        for (int k : {int(KindA), int(KindF)})
            for (int p = 0; p < PositionCount; ++p)
                out[i++] = char(qint8((*values)[size_t(p)][size_t(k)]));
}

} // namespace

void HistoryDb::preparePack()
{
    m_packReady = false;
    QSqlQuery present = m_db.select(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE name IN ('LishiPack', 'LishiPackOnInsert', 'LishiPackOnUpdate', "
        "'LishiPackOnDelete')"));
    const bool complete = present.next() && present.value(0).toInt() == 4;
    present = QSqlQuery();
    if (complete || m_db.isReadOnly()) {
        m_packReady = complete;
        return;
    }
    // A database of an older version: the copy and its triggers are added, the copy stale until
    // it is built. Opening never waits for another program's write for this: next time, then.
    if (!m_db.exec(QStringLiteral("PRAGMA busy_timeout = 0")))
        return;
    QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS LishiPack (Id INTEGER PRIMARY KEY, Lo INTEGER, N INTEGER, Data BLOB)"),
        // Row 0 says whether the copy is current (N = 1).
        QStringLiteral("INSERT OR REPLACE INTO LishiPack (Id, Lo, N) VALUES (0, 0, 0)")};
    for (const char *name : triggerNames) {
        const QString event = QString::fromLatin1(name).mid(11).toUpper(); // INSERT, UPDATE, DELETE
        statements << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON Lishi "
                                     "WHEN (SELECT N FROM LishiPack WHERE Id = 0) <> 0 "
                                     "BEGIN UPDATE LishiPack SET N = 0 WHERE Id = 0; END")
                          .arg(QLatin1String(name), event);
    }
    Transaction transaction(m_db);
    bool done = transaction.isActive();
    for (const QString &sql : std::as_const(statements))
        done = done && m_db.exec(sql);
    m_packReady = done && transaction.commit();
    m_db.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Database::busyTimeoutMs));
}

std::optional<HistorySnapshot> HistoryDb::snapshotFromPack()
{
    if (!m_packReady)
        return std::nullopt;
    // One statement: the state row and the chunks of one consistent state of the file.
    FastStatement q(m_db, QStringLiteral("SELECT Id, N, Data, Lo FROM LishiPack ORDER BY Id"));
    if (!q.next() || q.int64Value(0) != 0 || q.int64Value(1) != 1)
        return std::nullopt;
    HistorySnapshot rows;
    // Row 0's Lo is the number of draws: one allocation, no copies as the rows come.
    rows.reserve(size_t(std::clamp<qint64>(q.int64Value(3), 0, 100'000'000)));
    while (q.next()) {
        const QByteArrayView data = q.blobValue(2);
        if (data.size() != q.int64Value(1) * recordBytes)
            return std::nullopt;
        for (const char *at = data.data(); at < data.data() + data.size(); at += recordBytes)
            rows.appendPacked(qFromLittleEndian<qint32>(at), qFromLittleEndian<qint32>(at + 4), at + 8, at + 14);
    }
    if (!q.error().isEmpty())
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
    if (!m_packReady)
        return false;
    FastStatement q(m_db, QStringLiteral("SELECT N FROM LishiPack WHERE Id = 0"));
    return q.next() && q.int64Value(0) == 1;
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

// The rows of [lo, hi) in issue order, packed; false when a value fits no byte.
bool packRows(Database &db, qint64 lo, qint64 hi, std::vector<QByteArray> &pieces, std::vector<qint64> &firstIssues,
              QString &error)
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
        if (pieces.empty() || pieces.back().size() == chunkRows * recordBytes) {
            pieces.emplace_back().reserve(chunkRows * recordBytes);
            firstIssues.push_back(row.sqqh);
        }
        QByteArray &piece = pieces.back();
        piece.resize(piece.size() + recordBytes);
        encode(row, piece.data() + piece.size() - recordBytes);
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
    for (const DrawRecord &row : rows) {
        if (!packable(row) || (!c.pieces.empty() && row.sqqh < c.lastIssue)) {
            m_packCollected.reset();
            return;
        }
        if (c.pieces.empty() || c.pieces.back().size() == chunkRows * recordBytes) {
            c.pieces.emplace_back().reserve(chunkRows * recordBytes);
            c.firstIssues.push_back(row.sqqh);
        }
        QByteArray &piece = c.pieces.back();
        piece.resize(piece.size() + recordBytes);
        encode(row, piece.data() + piece.size() - recordBytes);
        c.lastIssue = row.sqqh;
    }
}

bool HistoryDb::rebuildPack()
{
    std::vector<QByteArray> pieces;
    std::vector<qint64> firstIssues;
    QString error;
    bool fits = true;
    if (m_packCollected) {
        pieces = std::move(m_packCollected->pieces);
        firstIssues = std::move(m_packCollected->firstIssues);
        m_packCollected.reset();
    } else {
        fits = packRows(m_db, everything, std::numeric_limits<qint64>::max(), pieces, firstIssues, error);
    }
    if (!error.isEmpty())
        return refuse(error);
    if (!m_db.exec(QStringLiteral("DELETE FROM LishiPack WHERE Id > 0")))
        return failed();
    FastStatement insert(m_db, QStringLiteral("INSERT INTO LishiPack (Id, Lo, N, Data) VALUES (?, ?, ?, ?)"));
    for (size_t i = 0; fits && i < pieces.size(); ++i) {
        insert.bind(1, qint64(i) + 1);
        // The first chunk takes every issue before the ones it holds.
        insert.bind(2, i == 0 ? everything : firstIssues[i]);
        insert.bind(3, pieces[i].size() / recordBytes);
        insert.bindBlob(4, pieces[i]);
        if (!insert.execute())
            return refuse(insert.error());
    }
    // Values no byte holds (a row a script wrote): the copy stays stale and the rows are read.
    return m_db.exec(QStringLiteral("UPDATE LishiPack SET N = %1, Lo = (SELECT coalesce(sum(N), 0) FROM LishiPack "
                                    "WHERE Id > 0) WHERE Id = 0")
                         .arg(fits ? 1 : 0)) ||
           failed();
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
    if (chunks.empty())
        return rebuildPack();
    FastStatement update(m_db, QStringLiteral("UPDATE LishiPack SET N = ?, Data = ? WHERE Id = ?"));
    FastStatement insert(m_db, QStringLiteral("INSERT INTO LishiPack (Id, Lo, N, Data) VALUES (?, ?, ?, ?)"));
    for (size_t k = 0; k < chunks.size(); ++k) {
        const bool last = k + 1 == chunks.size();
        const qint64 lo = k == 0 ? everything : chunks[k].second;
        const qint64 hi = last ? std::numeric_limits<qint64>::max() : chunks[k + 1].second;
        if (lo > to || (!last && hi <= from))
            continue;
        // Only the changed issues are read again; the chunk's other draws keep their bytes.
        const qint64 changedLo = std::max(lo, from);
        const qint64 changedHi = to >= hi - 1 ? hi : to + 1;
        QByteArray kept;
        {
            FastStatement old(m_db, QStringLiteral("SELECT Data FROM LishiPack WHERE Id = ?"));
            old.bind(1, chunks[k].first);
            if (old.next())
                kept = old.blobValue(0).toByteArray();
            if (!old.error().isEmpty())
                return refuse(old.error());
        }
        const auto issueAt = [&kept](qsizetype record) {
            return qint64(qFromLittleEndian<qint32>(kept.constData() + record * recordBytes));
        };
        const qsizetype records = kept.size() / recordBytes;
        qsizetype before = 0;
        while (before < records && issueAt(before) < changedLo)
            ++before;
        qsizetype after = before;
        while (after < records && issueAt(after) < changedHi)
            ++after;
        std::vector<QByteArray> changed;
        std::vector<qint64> firstIssues;
        QString error;
        if (!packRows(m_db, changedLo, changedHi, changed, firstIssues, error))
            return rebuildPack(); // leaves the copy stale
        if (!error.isEmpty())
            return refuse(error);
        QByteArray whole = kept.left(before * recordBytes);
        for (const QByteArray &piece : changed)
            whole += piece;
        whole += kept.mid(after * recordBytes);
        // A chunk in the middle keeps whatever it holds (a gap filled makes it one longer); the
        // last one is split as draws are added after it.
        std::vector<QByteArray> pieces;
        firstIssues.clear();
        for (qsizetype at = 0; at < whole.size(); at += chunkRows * recordBytes) {
            if (!last && at > 0) {
                pieces.back() += whole.mid(at);
                break;
            }
            pieces.push_back(whole.mid(at, chunkRows * recordBytes));
            firstIssues.push_back(qFromLittleEndian<qint32>(whole.constData() + at));
        }
        update.bind(1, pieces.empty() ? 0 : pieces.front().size() / recordBytes);
        update.bindBlob(2, pieces.empty() ? QByteArray() : pieces.front());
        update.bind(3, chunks[k].first);
        if (!update.execute())
            return refuse(update.error());
        for (size_t i = 1; i < pieces.size(); ++i) {
            insert.bind(1, chunks.back().first + qint64(i));
            insert.bind(2, firstIssues[i]);
            insert.bind(3, pieces[i].size() / recordBytes);
            insert.bindBlob(4, pieces[i]);
            if (!insert.execute())
                return refuse(insert.error());
        }
    }
    return m_db.exec(QStringLiteral("UPDATE LishiPack SET N = 1, Lo = (SELECT coalesce(sum(N), 0) FROM LishiPack "
                                    "WHERE Id > 0) WHERE Id = 0")) ||
           failed();
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
