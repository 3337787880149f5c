#include "Database.h"

#include <QUrl>

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace {

QString notOpen()
{
    return QStringLiteral("数据库没有打开");
}

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("vk3-db-%1").arg(counter.fetchAndAddRelaxed(1));
}
} // namespace

Database::Database()
    : m_connectionName(nextConnectionName())
{}

Database::~Database()
{
    close();
}

bool Database::open(const QString &path, bool readOnly)
{
    close();
    m_path = path;
    m_readOnly = readOnly;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(path);
        if (readOnly) {
            // Without write access SQLite cannot make the log's index file beside the database; a
            // folder nobody here may write to cannot change under us, so no locks are needed. But
            // a log with changes in it is never skipped that way: SQLite reads it or refuses.
            const bool logFiles = QFileInfo::exists(path + QStringLiteral("-shm")) ||
                                  QFileInfo(path + QStringLiteral("-wal")).size() > 0;
            db.setDatabaseName(logFiles ? path : QUrl::fromLocalFile(path).toString() + QStringLiteral("?immutable=1"));
            db.setConnectOptions(logFiles ? QStringLiteral("QSQLITE_OPEN_READONLY")
                                          : QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        }
        if (!db.open())
            return fail(db.lastError().text());
    }
    // SQLite opens lazily: garbage only shows up at the first read of the schema.
    QSqlQuery probe(connection());
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString why = probe.lastError().text();
        probe = QSqlQuery();
        close();
        m_path = path;
        return fail(why);
    }
    probe.finish();
    // Readers never block the writer and the writer never blocks readers; a second writer waits.
    // The log is kept small between writes.
    QSqlQuery setup(connection());
    if (!setup.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Database::busyTimeoutMs)) ||
        (!readOnly && !setup.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) ||
        (!readOnly && !setup.exec(QStringLiteral("PRAGMA journal_size_limit = %1").arg(64 * 1024 * 1024))) ||
        !setup.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        setup.finish();
        const QString why = setup.lastError().text();
        setup = QSqlQuery();
        close();
        m_path = path;
        return fail(why);
    }
    setup.finish();
    m_lastError.clear();
    return true;
}

void Database::close()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && connection().isOpen();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString Database::userMessage(const QString &detail)
{
    // The program's own messages are Chinese already.
    for (const QChar c : detail) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return detail;
    }
    const QString lower = detail.toLower();
    QString what;
    if (lower.contains(QLatin1String("locked")) || lower.contains(QLatin1String("busy")))
        what = QStringLiteral("历史号码正被另一个程序写入，请稍后再试。");
    else if (lower.contains(QLatin1String("full")))
        what = QStringLiteral("磁盘空间不足，无法写入历史数据库，请先腾出空间。");
    else if (lower.contains(QLatin1String("disk i/o")))
        what = QStringLiteral("读写历史数据库时磁盘出错（磁盘可能已满）。");
    else if (lower.contains(QLatin1String("unable to open")))
        what = QStringLiteral("无法打开历史数据库或它旁边的 -wal、-shm 文件：它们可能属于另一个用户，或文件夹不能写入。");
    else if (lower.contains(QLatin1String("readonly")) || lower.contains(QLatin1String("read-only")) ||
             lower.contains(QLatin1String("permission")))
        what = QStringLiteral("历史数据库文件不能写入。");
    else if (lower.contains(QLatin1String("malformed")) || lower.contains(QLatin1String("not a database")) ||
             lower.contains(QLatin1String("corrupt")))
        what = QStringLiteral("历史数据库文件已损坏。");
    else
        what = QStringLiteral("历史数据库出错。");
    return detail.isEmpty() ? what : what + QStringLiteral("（") + detail + QStringLiteral("）");
}

bool Database::fail(const QString &message)
{
    m_lastError = message;
    return false;
}

bool Database::exec(const QString &sql, const QVariantList &values)
{
    if (!isOpen())
        return fail(notOpen());
    QSqlQuery q(connection());
    if (!q.prepare(sql))
        return fail(q.lastError().text());
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(q.lastError().text());
    return true;
}

QSqlQuery Database::select(const QString &sql, const QVariantList &values)
{
    QSqlQuery q = prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(q.lastError().text());
    return q;
}

QSqlQuery Database::prepare(const QString &sql)
{
    QSqlQuery q(connection());
    q.setForwardOnly(true);
    if (!isOpen()) {
        fail(notOpen());
        return q;
    }
    if (!q.prepare(sql))
        fail(q.lastError().text());
    return q;
}

bool Database::hasTable(const QString &name)
{
    QSqlQuery q = select(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"), {name});
    return q.isActive() && q.next();
}

bool Database::transaction()
{
    return exec(QStringLiteral("BEGIN IMMEDIATE"));
}

bool Database::commit()
{
    return exec(QStringLiteral("COMMIT"));
}

bool Database::rollback()
{
    return exec(QStringLiteral("ROLLBACK"));
}

std::optional<qint64> Database::dataVersion()
{
    QSqlQuery q = select(QStringLiteral("PRAGMA data_version"));
    if (!q.isActive() || !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

Transaction::Transaction(Database &db)
    : m_db(db)
    , m_active(db.transaction())
{}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    return m_db.commit();
}

FastStatement::FastStatement(Database &db, const QString &sql)
{
    if (!db.isOpen()) {
        m_error = notOpen();
        return;
    }
    const QVariant handle = db.connection().driver()->handle();
    sqlite3 *connection = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3 *const *>(handle.data())
                              : nullptr;
    if (!connection) {
        m_error = QStringLiteral("无法使用 SQLite 数据库连接");
        return;
    }
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(connection, utf8.constData(), int(utf8.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(connection));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

FastStatement::~FastStatement()
{
    sqlite3_finalize(m_statement);
}

bool FastStatement::next()
{
    if (!m_statement || !m_error.isEmpty())
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        noteError();
    return false;
}

void FastStatement::noteError()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
}

void FastStatement::bind(int index, qint64 value)
{
    if (m_statement && sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        noteError();
}

void FastStatement::bindText(int index, QByteArrayView utf8)
{
    if (m_statement && sqlite3_bind_text(m_statement, index, utf8.data() ? utf8.data() : "", int(utf8.size()),
                                         SQLITE_TRANSIENT) != SQLITE_OK)
        noteError();
}

void FastStatement::bindNull(int index)
{
    if (m_statement && sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        noteError();
}

bool FastStatement::execute()
{
    if (!m_statement || !m_error.isEmpty())
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        noteError();
    sqlite3_reset(m_statement);
    return m_error.isEmpty();
}

int FastStatement::intValue(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

qint64 FastStatement::int64Value(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool FastStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

namespace {

FastStatement::Type typeOf(int sqliteType)
{
    using Type = FastStatement::Type;
    switch (sqliteType) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Real;
    case SQLITE_TEXT:
        return Type::Text;
    case SQLITE_BLOB:
        return Type::Blob;
    default:
        return Type::Null;
    }
}

} // namespace

FastStatement::Type FastStatement::type(int column) const
{
    return typeOf(sqlite3_column_type(m_statement, column));
}

FastStatement::Cell FastStatement::cell(int column) const
{
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    Cell cell;
    cell.type = typeOf(sqlite3_value_type(value));
    if (cell.type == Type::Integer)
        cell.integer = sqlite3_value_int64(value);
    else if (cell.type == Type::Text)
        cell.text = QByteArrayView(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
    return cell;
}

void FastStatement::bindBlob(int index, QByteArrayView bytes)
{
    if (m_statement && sqlite3_bind_blob(m_statement, index, bytes.data() ? bytes.data() : "", int(bytes.size()),
                                         SQLITE_TRANSIENT) != SQLITE_OK)
        noteError();
}

QByteArrayView FastStatement::blobValue(int column) const
{
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
}

QByteArrayView FastStatement::utf8Value(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}
