#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QByteArrayView>
#include <QString>
#include <QVariantList>

// One SQLite database file through Qt SQL. Never shows UI: every call says whether it worked
// and lastError() tells why not.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens (creating when missing) and checks that the file really is an SQLite database.
    bool open(const QString &path);
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }

    // Runs one statement; values are bound to its '?' placeholders in order.
    bool exec(const QString &sql, const QVariantList &values = {});
    // A forward-only query that has been executed; check isActive() on the result.
    QSqlQuery select(const QString &sql, const QVariantList &values = {});
    QSqlQuery prepare(const QString &sql);

    bool hasTable(const QString &name);

    bool transaction();
    bool commit();
    bool rollback();

    QSqlDatabase connection() const;

private:
    bool fail(const QString &message);

    QString m_connectionName;
    QString m_path;
    QString m_lastError;
};

struct sqlite3_stmt;

// A read-only statement run directly on the connection's SQLite handle, for bulk reads on hot
// paths where Qt SQL's per-value QVariant costs dominate. Finalized on scope exit.
class FastQuery
{
public:
    FastQuery(Database &db, const QString &sql);
    ~FastQuery();
    FastQuery(const FastQuery &) = delete;
    FastQuery &operator=(const FastQuery &) = delete;

    bool isValid() const { return m_statement != nullptr; }
    QString error() const { return m_error; }
    // Binds an integer to the '?' placeholder number `index` (from 1), before the first next().
    void bind(int index, qint64 value);
    // Moves to the next row; false at the end or on an error (then error() says which).
    bool next();
    int intValue(int column) const;
    bool isNull(int column) const;
    // The column's text as stored (UTF-8), valid until the next move.
    QByteArrayView utf8Value(int column) const;

private:
    sqlite3_stmt *m_statement = nullptr;
    QString m_error;
};

// Rolls back on scope exit unless commit() was called and succeeded.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    bool commit();

private:
    Database &m_db;
    bool m_active = false;
};
