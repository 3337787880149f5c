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

constexpr int chunkRows = 4096;
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

void decode(const char *in, DrawCore &row)
{
    row.sqqh = qFromLittleEndian<qint32>(in);
    row.qqh = qFromLittleEndian<qint32>(in + 4);
    int i = 8;
    for (DrawValues *values : {&row.value, &row.prev}) {
        for (int k : {int(KindA), int(KindF)})
            for (int p = 0; p < PositionCount; ++p)
                (*values)[size_t(p)][size_t(k)] = qint16(qint8(in[i++]));
        // 大小 and 单双 follow from the number, as when the rows are read.
        for (int p = 0; p < PositionCount; ++p) {
            const qint16 number = (*values)[size_t(p)][KindA];
            (*values)[size_t(p)][KindB] = qint16(number > 2 ? 1 : 0);
            (*values)[size_t(p)][KindE] = qint16(number % 2);
        }
    }
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
    std::vector<DrawCore> rows;
    // Row 0's Lo is the number of draws: one allocation, no copies as the rows come.
    rows.reserve(size_t(std::clamp<qint64>(q.int64Value(3), 0, 100'000'000)));
    while (q.next()) {
        const QByteArrayView data = q.blobValue(2);
        if (data.size() != q.int64Value(1) * recordBytes)
            return std::nullopt;
        for (qsizetype at = 0; at < data.size(); at += recordBytes)
            decode(data.data() + at, rows.emplace_back());
    }
    if (!q.error().isEmpty())
        return std::nullopt;
    m_lastSnapshotSize = rows.size();
    return HistorySnapshot(std::move(rows));
}

void HistoryDb::packTouched(qint64 fromIssue)
{
    m_packFrom = m_packFrom ? std::min(*m_packFrom, fromIssue) : fromIssue;
}

void HistoryDb::packTouchedAll()
{
    m_packFrom = everything;
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
    // Chunks from the one that holds the first changed issue to the end are written again; a
    // copy that was stale already is written whole.
    const qint64 from = wasCurrent ? *m_packFrom : everything;
    qint64 firstId = 1;
    qint64 lo = everything;
    if (from != everything) {
        FastStatement chunk(m_db, QStringLiteral("SELECT Id, Lo FROM LishiPack WHERE Id > 0 AND Lo <= ? "
                                                 "ORDER BY Id DESC LIMIT 1"));
        chunk.bind(1, from);
        if (chunk.next()) {
            firstId = chunk.int64Value(0);
            lo = chunk.int64Value(1);
        }
        if (!chunk.error().isEmpty())
            return refuse(chunk.error());
        // Before the first chunk: the first chunk starts again from the first row.
        if (firstId == 1)
            lo = everything;
    }
    FastStatement drop(m_db, QStringLiteral("DELETE FROM LishiPack WHERE Id >= ?"));
    drop.bind(1, std::max<qint64>(firstId, 1));
    if (!drop.execute())
        return refuse(drop.error());
    FastStatement rows(m_db, QStringLiteral("SELECT %1 FROM Lishi WHERE SQQH >= ? ORDER BY SQQH, rowid")
                                 .arg(snapshotColumns()));
    rows.bind(1, lo);
    FastStatement insert(m_db, QStringLiteral("INSERT INTO LishiPack (Id, Lo, N, Data) VALUES (?, ?, ?, ?)"));
    QByteArray data;
    qint64 id = std::max<qint64>(firstId, 1);
    qint64 chunkLo = 0;
    int count = 0;
    bool fits = true;
    auto flush = [&] {
        if (count == 0)
            return true;
        insert.bind(1, id++);
        // The first chunk takes every issue before the ones it holds.
        insert.bind(2, id == 2 ? std::numeric_limits<qint32>::min() : chunkLo);
        insert.bind(3, count);
        insert.bindBlob(4, data);
        data.clear();
        count = 0;
        return insert.execute();
    };
    DrawCore row;
    while (rows.next()) {
        readCore(rows, row);
        if (!packable(row)) {
            fits = false;
            break;
        }
        if (count == 0)
            chunkLo = row.sqqh;
        data.resize(data.size() + recordBytes);
        encode(row, data.data() + data.size() - recordBytes);
        if (++count == chunkRows && !flush())
            return refuse(insert.error());
    }
    if (!rows.error().isEmpty())
        return refuse(rows.error());
    if (fits && !flush())
        return refuse(insert.error());
    // Values no byte holds (a row a script wrote): the copy stays stale and the rows are read.
    FastStatement state(m_db, QStringLiteral("UPDATE LishiPack SET N = ?, "
                                             "Lo = (SELECT coalesce(sum(N), 0) FROM LishiPack WHERE Id > 0) WHERE Id = 0"));
    state.bind(1, fits ? 1 : 0);
    if (!state.execute())
        return refuse(state.error());
    m_packFrom.reset();
    return true;
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
