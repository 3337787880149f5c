#include "HistoryDb.h"

#include "LishiColumns.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <filesystem>

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

QString snapshotStatement()
{
    QStringList names{QStringLiteral("SQQH"), QStringLiteral("QQH")};
    for (const char *suffix : {"", "S"})
        for (int p = 1; p <= PositionCount; ++p)
            for (int k = 0; k < KindCount; ++k)
                names << LishiColumns::perPosition(p, k, suffix);
    // Only the columns the snapshot's readers use; the order is that of the full query.
    return QStringLiteral("SELECT %1 FROM Lishi ORDER BY SQQH").arg(names.join(','));
}

} // namespace

HistoryDb::OpenStatus HistoryDb::open(const QString &path)
{
    close();
    if (!m_db.open(path)) {
        failed();
        return OpenStatus::NotADatabase;
    }
    m_schemaOk = ensureSchema();
    if (!m_schemaOk) {
        failed();
        return OpenStatus::NoSchema;
    }
    m_append = std::make_unique<FastStatement>(m_db, insertStatement());
    return OpenStatus::Ok;
}

void HistoryDb::close()
{
    m_append.reset();
    m_schemaOk = false;
    m_db.close();
}

bool HistoryDb::ensureSchema()
{
    if (!m_db.hasTable(QStringLiteral("Lishi"))) {
        QStringList defs;
        for (const LishiColumns::Column &c : LishiColumns::all())
            defs << c.name + QLatin1Char(' ') + QLatin1String(c.type);
        if (!m_db.exec(QStringLiteral("CREATE TABLE Lishi (%1)").arg(defs.join(QStringLiteral(", ")))))
            return false;
    }
    if (!m_db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS LishiSQQH ON Lishi (SQQH)")))
        return false;
    if (!m_db.hasTable(QStringLiteral("Carcu")) &&
        !m_db.exec(QStringLiteral("CREATE TABLE Carcu (Nmb INTEGER, Count INTEGER)")))
        return false;
    return true;
}

bool HistoryDb::failed()
{
    m_error = m_db.lastError();
    return false;
}

bool HistoryDb::bindAndRun(const DrawRecord &row)
{
    FastStatement &insert = *m_append;
    int i = 1;
    auto bindText = [&](const QString &text) {
        // Texts a row has no value for stay NULL.
        text.isNull() ? insert.bindNull(i++) : insert.bindText(i++, text.toUtf8());
    };
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

bool HistoryDb::append(const DrawRecord &row)
{
    return isOpen() && bindAndRun(row);
}

bool HistoryDb::appendRows(const std::vector<DrawRecord> &rows)
{
    for (const DrawRecord &row : rows) {
        if (!bindAndRun(row))
            return false;
    }
    return true;
}

bool HistoryDb::appendAll(const std::vector<DrawRecord> &rows)
{
    if (!isOpen())
        return false;
    Transaction transaction(m_db);
    if (!transaction.isActive())
        return failed();
    return appendRows(rows) && (transaction.commit() || failed());
}

bool HistoryDb::replaceAll(const std::vector<DrawRecord> &rows)
{
    if (!isOpen())
        return false;
    Transaction transaction(m_db);
    if (!transaction.isActive() || !m_db.exec(QStringLiteral("DELETE FROM Lishi")))
        return failed();
    return appendRows(rows) && (transaction.commit() || failed());
}

bool HistoryDb::deleteLast()
{
    return isOpen() &&
           (m_db.exec(QStringLiteral("DELETE FROM Lishi WHERE rowid = "
                                     "(SELECT rowid FROM Lishi ORDER BY SQQH DESC, rowid DESC LIMIT 1)")) ||
            failed());
}

bool HistoryDb::compact(const QString &workPath)
{
    const QString path = m_db.path();
    if (!isOpen())
        return false;
    QFile::remove(workPath);
    // A damaged file is not copied over the one we have.
    QSqlQuery check = m_db.select(QStringLiteral("PRAGMA integrity_check"));
    if (!check.next() || check.value(0).toString() != QLatin1String("ok")) {
        m_error = check.isActive() ? check.value(0).toString() : m_db.lastError();
        return false;
    }
    check = QSqlQuery();
    bool ok = m_db.exec(QStringLiteral("VACUUM INTO ?"), {workPath});
    if (!ok)
        failed();
    m_append.reset();
    m_db.close();
    if (ok) {
        std::error_code renamed;
        std::filesystem::rename(QFile::encodeName(workPath).toStdString(),
                                QFile::encodeName(path).toStdString(), renamed);
        if (renamed) {
            m_error = QString::fromStdString(renamed.message());
            ok = false;
        }
    }
    if (open(path) != OpenStatus::Ok)
        return false;
    return ok;
}

bool HistoryDb::delrec()
{
    return isOpen() && (m_db.exec(QStringLiteral("DELETE FROM Lishi")) || failed());
}

std::optional<HistorySnapshot> HistoryDb::snapshot()
{
    if (!isOpen())
        return std::nullopt;
    FastStatement q(m_db, snapshotStatement());
    std::vector<DrawCore> rows;
    rows.reserve(m_lastSnapshotSize);
    while (q.next()) {
        DrawCore row;
        row.sqqh = q.intValue(0);
        row.qqh = q.intValue(1);
        int i = 2;
        for (DrawValues *values : {&row.value, &row.prev})
            for (int p = 0; p < PositionCount; ++p)
                for (int k = 0; k < KindCount; ++k)
                    (*values)[p][k] = qint16(q.intValue(i++));
        rows.push_back(row);
    }
    if (!q.error().isEmpty()) {
        m_error = q.error();
        return std::nullopt;
    }
    m_lastSnapshotSize = rows.size();
    return HistorySnapshot(std::move(rows));
}
