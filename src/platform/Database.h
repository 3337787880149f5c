#pragma once

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>

// One SQLite database file through Qt SQL, shared with other processes: write-ahead log, and a
// busy timeout so that a writer waits for another one instead of failing at once. Never shows
// UI: every call says whether it worked and lastError() tells why not.
class Database
{
public:
    // How long a writer waits for another one.
    static constexpr int busyTimeoutMs = 15000;

    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens (creating when missing) and checks that the file really is an SQLite database.
    // Opens the file; with `readOnly` (a folder the user may read but not write) nothing is ever
    // created or changed beside it.
    bool open(const QString &path, bool readOnly = false);
    bool isReadOnly() const { return m_readOnly; }
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    // A failure told to a user: what it means, in Chinese, with the system's own words after it
    // in parentheses. Texts that are already the program's own pass unchanged.
    static QString userMessage(const QString &detail);

    // Runs one statement; values are bound to its '?' placeholders in order.
    bool exec(const QString &sql, const QVariantList &values = {});
    // A forward-only query that has been executed; check isActive() on the result.
    QSqlQuery select(const QString &sql, const QVariantList &values = {});
    QSqlQuery prepare(const QString &sql);

    bool hasTable(const QString &name);

    // A write transaction: takes the database's one write lock at once (BEGIN IMMEDIATE), waiting
    // up to the busy timeout while another process holds it.
    bool transaction();
    bool commit();
    bool rollback();

    // SQLite's counter of changes committed by other connections (PRAGMA data_version).
    std::optional<qint64> dataVersion();

    QSqlDatabase connection() const;

private:
    bool fail(const QString &message);

    QString m_connectionName;
    QString m_path;
    bool m_readOnly = false;
    QString m_lastError;
};

struct sqlite3_stmt;

// A statement run directly on the connection's SQLite handle, for bulk work on hot paths where
// Qt SQL's per-value QVariant costs dominate (300,000-row reads and row-by-row rewrites).
// Finalized on scope exit.
class FastStatement
{
public:
    FastStatement(Database &db, const QString &sql);
    ~FastStatement();
    FastStatement(const FastStatement &) = delete;
    FastStatement &operator=(const FastStatement &) = delete;

    bool isValid() const { return m_statement != nullptr; }
    QString error() const { return m_error; }
    // Makes a statement that failed usable again (the next execute() runs it).
    void clearError() { m_error.clear(); }

    // Binds a value to the '?' placeholder number `index` (from 1).
    void bind(int index, qint64 value);
    void bindText(int index, QByteArrayView utf8);
    void bindNull(int index);
    void bindBlob(int index, QByteArrayView bytes);

    // Moves to the next row; false at the end or on an error (then error() says which).
    bool next();
    // Runs a statement that returns no rows, then makes it ready to run again with new values.
    bool execute();

    int intValue(int column) const;
    qint64 int64Value(int column) const;
    bool isNull(int column) const;
    // What a column of the current row holds, whatever its declared type.
    enum class Type { Integer, Real, Text, Blob, Null };
    Type type(int column) const;
    // The column's text as stored (UTF-8), valid until the next move.
    QByteArrayView utf8Value(int column) const;
    // A column read whole with one call into SQLite, for readers of many rows: its kind, and its
    // value when that is an integer or text (text valid until the next move), never converted.
    struct Cell
    {
        Type type = Type::Null;
        qint64 integer = 0;
        QByteArrayView text;
    };
    Cell cell(int column) const;
    // Valid until the next step.
    QByteArrayView blobValue(int column) const;

private:
    void noteError();

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
