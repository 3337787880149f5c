#include "HistoryDb.h"

#include "HistoryDbSql.h"
#include "LishiColumns.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <algorithm>
#include <limits>

namespace {

QStringList insertColumns()
{
    QStringList names{QStringLiteral("SQQH"), QStringLiteral("QQH")};
    for (const char *suffix : {"", "S", "P"})
        for (int p = 1; p <= PositionCount; ++p)
            for (int k = 0; k < KindCount; ++k)
                names << LishiColumns::perPosition(p, k, suffix);
    names << QStringLiteral("txtHisLst");
    for (int k = 0; k < KindCount; ++k)
        names << LishiColumns::previousText(k);
    names << QStringLiteral("txtHisPreLst");
    for (int k = 0; k < KindCount; ++k)
        names << LishiColumns::earlierText(k);
    return names;
}

QString insertStatement()
{
    const QStringList names = insertColumns();
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO Lishi (%1) VALUES (%2)").arg(names.join(','), marks.join(','));
}

} // namespace

namespace HistoryDbSql {

// The columns the in-memory copy is made of; 大小 and 单双 follow from the number.
QString snapshotColumns()
{
    QStringList names{QStringLiteral("SQQH"), QStringLiteral("QQH")};
    for (const char *suffix : {"", "S"})
        for (int k : {int(KindA), int(KindF)})
            for (int p = 1; p <= PositionCount; ++p)
                names << LishiColumns::perPosition(p, k, suffix);
    return names.join(',');
}

void readCore(const FastStatement &q, DrawCore &row)
{
    row.sqqh = q.intValue(0);
    row.qqh = q.intValue(1);
    int i = 2;
    for (DrawValues *values : {&row.value, &row.prev}) {
        for (int k : {int(KindA), int(KindF)})
            for (int p = 0; p < PositionCount; ++p)
                (*values)[p][k] = qint16(q.intValue(i++));
        for (int p = 0; p < PositionCount; ++p) {
            const qint16 number = (*values)[p][KindA];
            (*values)[p][KindB] = qint16(number > 2 ? 1 : 0);
            (*values)[p][KindE] = qint16(number % 2);
        }
    }
}

// Texts a row has no value for stay NULL. They are short and ASCII: no allocation.
void bindString(FastStatement &statement, int index, const QString &text)
{
    char ascii[32];
    if (text.isNull())
        statement.bindNull(index);
    else if (text.size() <= qsizetype(sizeof ascii) &&
             std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; })) {
        for (qsizetype c = 0; c < text.size(); ++c)
            ascii[c] = char(text[c].unicode());
        statement.bindText(index, QByteArrayView(ascii, text.size()));
    } else
        statement.bindText(index, text.toUtf8());
}

} // namespace HistoryDbSql

using namespace HistoryDbSql;

HistoryDb::OpenStatus HistoryDb::open(const QString &path)
{
    close();
    m_folder.clear();
    m_claimed = m_owned = true;
    // A history the user may read but not write is opened read-only: nothing beside it changes.
    const QFileInfo file(path);
    const bool readOnly = file.exists() && (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable());
    if (!m_db.open(path, readOnly)) {
        failed();
        // Changes in the log that SQLite cannot read without the index file it may not create
        // here: never the older state of the file as if it were the history.
        if (readOnly && QFileInfo(path + QStringLiteral("-wal")).size() > 0 &&
            !QFileInfo::exists(path + QStringLiteral("-shm"))) {
            m_error = unreadableLogMessage(file.fileName());
            return OpenStatus::UnreadableLog;
        }
        return OpenStatus::NotADatabase;
    }
    m_schemaOk = ensureSchema();
    if (!m_schemaOk) {
        failed();
        return OpenStatus::NoSchema;
    }
    preparePack();
    m_dataVersion = m_db.dataVersion();
    return OpenStatus::Ok;
}

void HistoryDb::close()
{
    m_pendingPath.clear();
    m_append.reset();
    m_schemaOk = false;
    m_db.close();
}

bool HistoryDb::ensureSchema()
{
    // Opening a complete history writes nothing: it must not wait for another process's write.
    QSqlQuery present = m_db.select(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE name IN ('Lishi', 'Carcu', 'LishiSQQH') COLLATE NOCASE"));
    if (present.next() && present.value(0).toInt() == 3)
        return true;
    present = QSqlQuery();
    if (m_db.isReadOnly())
        return m_db.hasTable(QStringLiteral("Lishi"));
    // Two processes may create the tables at once: one transaction, and IF NOT EXISTS.
    QStringList defs;
    for (const LishiColumns::Column &c : LishiColumns::all())
        defs << c.name + QLatin1Char(' ') + QLatin1String(c.type);
    Transaction transaction(m_db);
    return transaction.isActive() &&
           m_db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Lishi (%1)")
                         .arg(defs.join(QStringLiteral(", ")))) &&
           m_db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS LishiSQQH ON Lishi (SQQH)")) &&
           m_db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Carcu (Nmb INTEGER, Count INTEGER)")) &&
           transaction.commit();
}

bool HistoryDb::failed()
{
    m_error = m_db.lastError();
    return false;
}

bool HistoryDb::notOpen()
{
    m_error = QStringLiteral("历史数据库没有打开");
    return false;
}

QString HistoryDb::userError() const
{
    return Database::userMessage(m_error);
}

bool HistoryDb::bindAndRun(const DrawRecord &row)
{
    // Prepared by the first write: most opens only read.
    if (!m_append)
        m_append = std::make_unique<FastStatement>(m_db, insertStatement());
    FastStatement &insert = *m_append;
    int i = 1;
    auto bindText = [&](const QString &text) { bindString(insert, i++, text); };
    insert.bind(i++, row.sqqh);
    insert.bind(i++, row.qqh);
    for (const DrawValues *values : {&row.value, &row.prev, &row.prevPrev})
        for (int p = 0; p < PositionCount; ++p)
            for (int k = 0; k < KindCount; ++k)
                insert.bind(i++, (*values)[p][k]);
    bindText(row.txtHisLst);
    for (int k = 0; k < KindCount; ++k)
        bindText(row.occurrence[k]);
    bindText(row.earlier ? row.earlier->digits : QString());
    for (int k = 0; k < KindCount; ++k)
        bindText(row.earlier ? row.earlier->occurrence[k] : QString());
    if (insert.execute())
        return true;
    m_error = insert.error();
    insert.clearError();
    return false;
}

void HistoryDb::beginBulkCache()
{
    if (!m_bulkCache)
        m_bulkCache = m_db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
}

void HistoryDb::truncateLog()
{
    m_db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

void HistoryDb::endBulkCache()
{
    if (m_bulkCache)
        m_db.exec(QStringLiteral("PRAGMA cache_size = -2000"));
    m_bulkCache = false;
}

bool HistoryDb::insertRows(const std::vector<DrawRecord> &rows, qint64 before, qint64 total)
{
    const qint64 count = qint64(rows.size());
    if (total < 0)
        total = count;
    if (!rows.empty()) {
        const auto [low, high] = std::minmax_element(
            rows.begin(), rows.end(), [](const DrawRecord &a, const DrawRecord &b) { return a.sqqh < b.sqqh; });
        packTouched(low->sqqh, high->sqqh);
        packCollect(rows);
    }
    if (total > 20000)
        beginBulkCache();
    for (qint64 i = 0; i < count; ++i) {
        if (!bindAndRun(rows[size_t(i)]))
            return false;
        if (m_progress && (before + i) % 8192 == 0)
            m_progress(before + i, total);
    }
    m_rowsWritten += count;
    return true;
}

bool HistoryDb::deleteAllRows()
{
    packTouchedAll();
    m_packCollected.emplace();
    return m_db.exec(QStringLiteral("DELETE FROM Lishi")) || failed();
}

bool HistoryDb::appendAll(const std::vector<DrawRecord> &rows)
{
    return write([&] { return insertRows(rows); });
}

bool HistoryDb::replaceAll(const std::vector<DrawRecord> &rows)
{
    return write([&] { return deleteAllRows() && insertRows(rows); });
}

bool HistoryDb::deleteLastRow()
{
    // The last draw's issue changes in the packed copy.
    std::optional<DrawCore> last;
    if (!lastRow(last))
        return false;
    if (last)
        packTouched(last->sqqh, std::numeric_limits<qint64>::max());
    m_packCollected.reset();
    return m_db.exec(QStringLiteral("DELETE FROM Lishi WHERE rowid = "
                                    "(SELECT rowid FROM Lishi ORDER BY SQQH DESC, rowid DESC LIMIT 1)")) ||
           failed();
}

bool HistoryDb::deleteLast()
{
    return write([&] { return deleteLastRow(); });
}

bool HistoryDb::delrec()
{
    return write([&] { return deleteAllRows(); });
}

bool HistoryDb::compact()
{
    if (isPending()) // no file yet: nothing to compact
        return true;
    if (!isOpen())
        return notOpen();
    if (isReadOnly())
        return refuse(readOnlyMessage());
    // A damaged file is left exactly as it is.
    {
        QSqlQuery check = m_db.select(QStringLiteral("PRAGMA integrity_check"));
        if (!check.next() || check.value(0).toString() != QLatin1String("ok")) {
            m_error = check.isActive()
                          ? QStringLiteral("数据库完整性检查没有通过：") + check.value(0).toString()
                          : m_db.lastError();
            return false;
        }
    }
    // VACUUM rewrites the file under SQLite's exclusive lock: no other process's write is lost.
    if (!m_db.exec(QStringLiteral("VACUUM")))
        return failed();
    m_db.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    return true;
}

std::optional<HistorySnapshot> HistoryDb::snapshot()
{
    if (isPending())
        return HistorySnapshot();
    if (!isOpen()) {
        notOpen();
        return std::nullopt;
    }
    if (std::optional<HistorySnapshot> packed = snapshotFromPack())
        return packed;
    std::optional<HistorySnapshot> read = snapshotFromRows();
    // Stale or damaged (another program changed rows or the copy, or a file of an older version):
    // built again for the next reader, by the running write if there is one.
    if (read && m_inWrite)
        packTouchedAll();
    else if (read)
        rebuildPackWithoutWaiting();
    return read;
}

std::optional<HistorySnapshot> HistoryDb::snapshotFromRows()
{
    // One sequential pass over the table; rows are nearly always stored in issue order already,
    // and a stable sort puts the others in place (equal issues keep the order they were stored).
    FastStatement q(m_db, QStringLiteral("SELECT %1 FROM Lishi ORDER BY rowid").arg(snapshotColumns()));
    std::vector<DrawCore> rows;
    rows.reserve(m_lastSnapshotSize);
    while (q.next())
        readCore(q, rows.emplace_back());
    if (!q.error().isEmpty()) {
        m_error = q.error();
        return std::nullopt;
    }
    const auto byIssue = [](const DrawCore &a, const DrawCore &b) { return a.sqqh < b.sqqh; };
    if (!std::is_sorted(rows.begin(), rows.end(), byIssue))
        std::stable_sort(rows.begin(), rows.end(), byIssue);
    // A row whose dice are no dice (NULL, or out of range, written by another tool) is named,
    // never shown or searched as "000".
    std::vector<qint32> unreadable;
    std::erase_if(rows, [&](const DrawCore &row) {
        const Numbers n = row.numbers();
        const bool bad = std::any_of(n.begin(), n.end(), [](qint16 d) { return d < 1 || d > 6; });
        if (bad)
            unreadable.push_back(row.sqqh);
        return bad;
    });
    m_lastSnapshotSize = rows.size();
    return HistorySnapshot(rows, std::move(unreadable));
}

bool HistoryDb::changedElsewhere()
{
    // Another program's first write made a file, maybe for another game than the one read: the
    // game's history is looked for again.
    if (isPending() && QFileInfo::exists(m_pendingPath)) {
        openGame(QString(m_folder), m_game, m_unrecordedGame);
        return true;
    }
    if (!isOpen())
        return false;
    const std::optional<qint64> version = m_db.dataVersion();
    if (!version || version == m_dataVersion)
        return false;
    m_dataVersion = version;
    // A file not yet the game's may have been taken by another game.
    if (!m_claimed && !m_folder.isEmpty() && GameFiles::pathFor(m_folder, m_game, m_unrecordedGame) != path())
        openGame(QString(m_folder), m_game, m_unrecordedGame);
    return true;
}
