#pragma once

#include "Database.h"
#include "DrawRecord.h"
#include "HistorySnapshot.h"

#include <QSqlQuery>
#include <memory>
#include <optional>
#include <vector>

// The history database: the table Lishi of draws and the tally table Carcu.
class HistoryDb
{
public:
    static QString fileName() { return QStringLiteral("vendrixK3.db"); }

    enum class OpenStatus {
        Ok,
        NotADatabase, // the file exists but is no SQLite database; it is left untouched
        NoSchema,     // the tables are missing and cannot be created
    };

    // Opens the file (created when missing) and creates the tables that are missing.
    OpenStatus open(const QString &path);
    void close();
    bool isOpen() const { return m_db.isOpen() && m_schemaOk; }
    QString lastError() const { return m_error; }
    Database &database() { return m_db; }

    // The append cursor: adds one row and commits it.
    bool append(const DrawRecord &row);
    // Adds rows in one transaction: all of them or none.
    bool appendAll(const std::vector<DrawRecord> &rows);
    // Replaces every row with `rows` in one transaction: the old history or the new, never a mix.
    bool replaceAll(const std::vector<DrawRecord> &rows);
    // Delrec: deletes every row of Lishi.
    bool delrec();
    // Deletes the last draw in history order; true also when there was none.
    bool deleteLast();

    // Compacts the database file through `workPath`: the file is replaced only by a complete,
    // checked copy, and the database is open again afterwards whatever happened.
    bool compact(const QString &workPath);

    // Opens the ordered snapshot ("SELECT * FROM lishi ORDER BY SQQH").
    std::optional<HistorySnapshot> snapshot();

private:
    bool ensureSchema();
    bool bindAndRun(const DrawRecord &row);
    bool appendRows(const std::vector<DrawRecord> &rows);
    bool failed();

    Database m_db;
    bool m_schemaOk = false;
    QString m_error;
    size_t m_lastSnapshotSize = 0;           // sizes the next snapshot's buffer
    std::unique_ptr<FastStatement> m_append; // the append cursor: one prepared INSERT
};
