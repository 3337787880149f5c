#pragma once

#include "Database.h"
#include "DrawRecord.h"
#include "HistorySnapshot.h"

#include <QSqlQuery>
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
    // Delrec: deletes every row of Lishi.
    bool delrec();

    // Opens the ordered snapshot ("SELECT * FROM lishi ORDER BY SQQH").
    std::optional<HistorySnapshot> snapshot();

private:
    bool ensureSchema();
    bool bindAndRun(QSqlQuery &insert, const DrawRecord &row);
    bool failed();

    Database m_db;
    bool m_schemaOk = false;
    QString m_error;
    size_t m_lastSnapshotSize = 0; // sizes the next snapshot's buffer
    QSqlQuery m_append;
};
