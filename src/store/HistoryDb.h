#pragma once

#include "Database.h"
#include "DrawRecord.h"
#include "GameFiles.h"
#include "HistorySnapshot.h"

#include <QSqlQuery>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The packed rows of a history being written whole, as they are written (HistoryPack.cpp).
struct PackedRows
{
    QByteArray records;
    qint64 lastIssue = 0;
};

// The history database: the table Lishi of draws (and the table Carcu, kept for older readers of
// the file). Several processes may use one file at once: every change runs in write(), one
// transaction that holds the database's write lock from its first read to its commit.
class HistoryDb
{
public:
    // The file of the history an older release kept for every game (see GameFiles).
    static QString fileName() { return QStringLiteral("vendrixK3.db"); }

    enum class OpenStatus {
        Ok,
        NotADatabase, // the file exists but is no SQLite database; it is left untouched
        NoSchema,     // the tables are missing and cannot be created
        UnreadableLog, // a read-only folder whose log holds changes SQLite cannot read there
    };
    static QString unreadableLogMessage(const QString &file = fileName())
    {
        return QStringLiteral("历史号码文件夹是只读的，其中还有没有写入数据库的改变（%1-wal）；请在可写的地方打开一次")
            .arg(file);
    }

    // Opens the file (created when missing) and creates the tables that are missing.
    OpenStatus open(const QString &path);
    // The history of `game` in `folder` (GameFiles::pathFor), except that a missing file is made
    // only by the first write: until then readers see an empty history. Every write first makes
    // sure the file is the game's (GameFiles::claim), so it may go to another file than the one
    // read when another process took that one meanwhile.
    // `main`: what the folder's main file says, when the caller read it already.
    OpenStatus openGame(const QString &folder, int game, int unrecordedGame, const GameFiles::MainFile *main = nullptr);
    void close();
    bool isOpen() const { return m_db.isOpen() && m_schemaOk; }
    // Opened for a game whose file no write has made yet.
    bool isPending() const { return !m_pendingPath.isEmpty(); }
    // The file, open or still to be made.
    QString path() const { return isPending() ? m_pendingPath : m_db.path(); }
    static QString readOnlyMessage()
    {
        return QStringLiteral("历史号码所在的文件夹或文件不能写入（只读），只能查看和检索，不能修改");
    }
    // Opened from a file or folder the user may read but not write: searches only.
    bool isReadOnly() const { return isPending() ? m_pendingReadOnly : m_db.isReadOnly(); }
    // The system's own words for the last failure (English, SQLite's); see userError().
    QString lastError() const { return m_error; }
    // The last failure for a user: what happened, in Chinese, with the system's detail after it.
    QString userError() const;
    Database &database() { return m_db; }

    // Runs `body` in one write transaction: everything it wrote, or nothing. What it reads of the
    // history (the tail it chains to, say) cannot change before it commits. `body` returns false
    // to give up; then lastError() is what it set, or the database's own error.
    template<typename Body> bool write(Body &&body)
    {
        if (isReadOnly())
            return refuse(readOnlyMessage());
        // The game's file chosen, then its game recorded by this very transaction; when another
        // process took the file for its game meanwhile, the choice is made again.
        for (int attempt = 0;; ++attempt) {
            if (!m_claimed && !claimFile())
                return false;
            if (!isOpen())
                return notOpen();
            Transaction transaction(m_db);
            if (!transaction.isActive())
                return failed();
            m_error.clear();
            const Ownership owned = m_owned ? Ownership::Owned : takeOwnership();
            if (owned == Ownership::Taken && attempt < 2) {
                m_claimed = false;
                continue;
            }
            if (owned != Ownership::Owned)
                return false;
            if (!writeOwned(transaction, std::forward<Body>(body)))
                return false;
            m_owned = true;
            return true;
        }
    }
    // Gives up the write() that runs with a message of its own.
    bool refuse(const QString &message)
    {
        m_error = message;
        return false;
    }

private:
    enum class Ownership { Owned, Taken, Refused };
    // Inside the write's transaction: the file records the game (recorded now when it records
    // none); Taken when it records another game.
    Ownership takeOwnership();
    template<typename Body> bool writeOwned(Transaction &transaction, Body &&body)
    {
        m_rowsWritten = 0;
        m_inWrite = true;
        const bool packCurrent = packWasCurrent();
        // The packed copy follows the rows in the same transaction.
        const bool done = body() && refreshPack(packCurrent) && (transaction.commit() || failed());
        m_inWrite = false;
        m_packFrom.reset();
        m_packCollected.reset();
        if (!done && m_error.isEmpty())
            failed();
        endBulkCache();
        if (done && m_rowsWritten > 10000)
            truncateLog();
        return done;
    }

public:

    // The last row in history order (highest issue, of equal issues the one stored last); unset
    // for an empty history. False when it cannot be read.
    bool lastRow(std::optional<DrawCore> &row);
    // Whether a row of this issue is stored; nothing when that cannot be read.
    std::optional<bool> storesIssue(qint32 issue);
    // The stored numbers of an issue (unset when it is not stored). False when it cannot be read.
    bool numbersOf(qint32 issue, std::optional<Numbers> &numbers);
    // The last row before `issue` in history order (unset when there is none).
    bool rowBefore(qint32 issue, std::optional<DrawCore> &row);
    // Stores one draw where its issue belongs: chained to the stored draw before it, and the one
    // or two stored draws after it chained to it in turn; inside write(). `previous` is the row
    // before it (rowBefore()); the stored row, or nothing.
    std::optional<DrawRecord> insertInPlace(qint32 issue, const Numbers &numbers,
                                            const std::optional<DrawCore> &previous, int segmentBase);
    // Appends rows; inside write(). Large writes report their progress to the watcher, if any.
    // `before` and `total` place these rows in a longer write, for the progress.
    bool insertRows(const std::vector<DrawRecord> &rows, qint64 before = 0, qint64 total = -1);
    using ProgressWatcher = std::function<void(qint64 done, qint64 total)>;
    void setProgressWatcher(ProgressWatcher watcher) { m_progress = std::move(watcher); }
    // Deletes every row; inside write().
    bool deleteAllRows();
    // Deletes the last row in history order; inside write().
    bool deleteLastRow();

    // One-transaction conveniences over the above.
    bool append(const DrawRecord &row) { return appendAll({row}); }
    bool appendAll(const std::vector<DrawRecord> &rows);
    bool replaceAll(const std::vector<DrawRecord> &rows);
    // Delrec: deletes every row of Lishi.
    bool delrec();
    // Deletes the last draw in history order (of two with the same issue, the one stored last);
    // true also when there was none.
    bool deleteLast();

    // Compacts the file in place, after checking that it is sound; SQLite's own locking keeps
    // every other process's writes.
    bool compact();

    // The whole history in ascending issue order, read in one statement (one consistent state):
    // from the packed copy while it is current, checks and agrees with Lishi's count and first
    // and last issue, else from the rows. What a write carries elsewhere (a backup, the draws a
    // trim keeps) is read so inside its transaction: the copy is never believed over the rows.
    std::optional<HistorySnapshot> snapshot();
    // The same read from the rows alone, never from the packed copy (what a check compares it with).
    std::optional<HistorySnapshot> snapshotFromRows();
    // Whether the packed copy is there, current and checks (what a reader would use).
    bool packIsCurrent() { return snapshotFromPack().has_value(); }

    // The game (index of the province table) the stored draws came from; unset when the file
    // does not say (or says something that names no game: see gameRecord()).
    std::optional<int> storedGame() { return gameRecord().known(); }
    GameFiles::Record gameRecord();
    // Records `game` in the open file whatever it recorded before (mending a damaged record).
    bool recordGame(int game);

    // Whether another process committed a change since the last call (or since open()).
    bool changedElsewhere();

private:
    bool ensureSchema();
    // The game's file chosen, its game recorded and opened, for the first write.
    bool claimFile();
    // The packed copy (HistoryPack.cpp): its table and triggers added to a file without them;
    // the history from it when it is current; what a write changed, and the copy brought up to
    // date before the write commits; a stale copy rebuilt when nobody else is writing.
    void preparePack();
    std::optional<HistorySnapshot> snapshotFromPack();
    void packTouched(qint64 fromIssue, qint64 toIssue);
    void packTouchedAll();
    bool packWasCurrent();
    bool installPack(bool olderTable);
    bool refreshPack(bool wasCurrent);
    void rebuildPackWithoutWaiting();
    // A large write keeps its pages in a large cache instead of spilling them into the log
    // halfway; reads do better with the small one, which recycles its pages.
    void beginBulkCache();
    void endBulkCache();
    // After a large write: the log's pages go into the file and the log shrinks, so that it does
    // not grow with every import while other programs keep reading.
    void truncateLog();
    bool bindAndRun(const DrawRecord &row);
    bool rowsAfter(qint32 issue, std::vector<DrawCore> &rows);
    bool runUpdate(const QString &sql, const std::function<void(FastStatement &, int &)> &bindAll);
    bool failed();
    bool notOpen();

    Database m_db;
    QString m_pendingPath;
    // The game whose history this is, when opened by openGame(); then a write needs the claim.
    QString m_folder;
    int m_game = 0;
    int m_unrecordedGame = 0;
    bool m_claimed = true; // the file to write is chosen
    bool m_owned = true;   // and it records the game
    bool m_pendingReadOnly = false;
    bool m_schemaOk = false;
    QString m_error;
    std::optional<qint64> m_dataVersion;
    size_t m_lastSnapshotSize = 0;           // sizes the next snapshot's buffer
    std::unique_ptr<FastStatement> m_append; // the append cursor: one prepared INSERT
    ProgressWatcher m_progress;
    bool m_bulkCache = false;
    qint64 m_rowsWritten = 0; // by the write() that runs
    bool m_inWrite = false;
    bool m_packReady = false;           // the packed copy's table and triggers are there
    // The issues the running write changed, first and last.
    std::optional<std::pair<qint64, qint64>> m_packFrom;
    bool refreshChunks(qint64 from, qint64 to);
    bool rebuildPack();
    bool writePackState(bool current);
    void packCollect(const std::vector<DrawRecord> &rows);
    std::optional<PackedRows> m_packCollected;
};
