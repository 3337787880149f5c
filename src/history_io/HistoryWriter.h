#pragma once

#include "Backups.h"
#include "HistorySnapshot.h"
#include "HistoryText.h"

#include <functional>
#include <optional>
#include <vector>

class HistoryDb;

// Every change of the stored history. Each one is one write transaction that reads what it
// chains to inside that transaction, so two processes writing one file never chain to a stale
// tail or store an issue twice. Every draw is chained to the stored draw just before it in issue
// order, whatever order the draws come in.
namespace HistoryWriter {

// Where a command that removes or replaces stored draws writes them first, and why. Without a
// folder nothing is backed up (the writers' own tests).
struct Backup
{
    QString folder; // the history's folder: the backup goes to its 备份
    QString reason;
    std::optional<Backups::Entry> written; // the backup the command wrote, if any
};

// Inside write(): the stored draws as they are now go to a new backup. False (the write gives
// up, nothing changes) when it cannot be written; an empty history needs none. The writers below
// prune the older backups only once their change committed, and take a failed change's own
// backup away.
bool backUp(HistoryDb &db, Backup *backup);

// The rows for `draws` in this order, each derived from the row before it; the first one from
// `previous` (none: the first row of a history). With `earlierTexts` every row also carries
// the texts of the draw two rows back (the rebuild writes them).
std::vector<DrawRecord> rowsFor(const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts,
                                const DrawCore *previous = nullptr);

// The draws in issue order, one per issue (the first of equal issues).
std::vector<TextDraw> inIssueOrder(std::vector<TextDraw> draws);

// Manual entry: stores `numbers` under `issue`, or, when none is given, under the issue after the
// last stored one (`emptyIssue` for an empty history; none when it is 0). Refuses an issue that is already stored.
// An issue before the last stored one fills a gap: the draws after it are chained to it.
// The stored row, or nothing (db.userError() says why).
std::optional<DrawRecord> addDraw(HistoryDb &db, std::optional<qint32> issue, const Numbers &numbers,
                                  int segmentBase, int drawsPerDay, qint32 emptyIssue);

// Stores the draws whose issues are not stored yet, each where its issue belongs (after the last
// stored draw, or in a gap); draws of stored issues are left out. How many were stored.
std::optional<int> storeMissing(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase);

// What a merge found and did: the draws not stored yet (in issue order; `gapFills` of them come
// before the last stored draw), the stored ones it repeats, and the ones that disagree with the
// stored draw of their issue.
struct Merge
{
    std::vector<TextDraw> fresh;
    std::vector<TextDraw> same;
    struct Conflict
    {
        TextDraw draw;
        Numbers stored;
    };
    std::vector<Conflict> conflicting;
    int gapFills = 0;
    int added = 0; // stored: 0 for a dry run or a refused merge
};
// Adds the draws whose issues are not stored yet, each chained where its issue belongs, in one
// transaction. A draw that disagrees with a stored one refuses the whole merge: nothing changes.
// With `dryRun` nothing is written either. Nothing when the history could not be read or written.
std::optional<Merge> merge(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool dryRun);
// Replaces the stored history with `draws` (in issue order, one per issue), in one transaction:
// afterwards the table holds either the old history or the new one.
// `times`: the draws' times, kept in the same transaction.
bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts,
             Backup *backup = nullptr, const std::vector<std::pair<qint32, QDateTime>> &times = {});

// Deletes the last draw in history order, after backing it up; refused when `expectedLast` is
// given and the last stored issue is another (another program changed the history).
bool deleteLast(HistoryDb &db, Backup *backup, std::optional<qint32> expectedLast = std::nullopt);
// Delrec: deletes every draw, after backing them up.
bool clear(HistoryDb &db, Backup *backup);

// Mends the record of whose history the open file is (damaged, or none): the draws it holds go
// to a backup first, in case the game given is the wrong one; then `game` is recorded.
bool recordGame(HistoryDb &db, int game, Backup *backup);
// Replaces the history with a backup's draws, after backing up the history as it is; the history
// takes the backup's game when it names one. A backup with a line that is no draw restores
// nothing. The number of draws stored, or nothing (`error` says why).
std::optional<int> restore(HistoryDb &db, const Backups::Entry &entry, int segmentBase, Backup *backup,
                           QString *error);

// Import: reads the file's content against the current issue as it is inside the transaction
// (the issue after the last stored draw, else `currentIssue`) and replaces the history with its
// draws in issue order. A file that yields no draw, or lists one issue with two draws, changes
// nothing. `datedDrawsPerDay`: see HistoryText::read. The reading (its draws as stored), or
// nothing (`error` says why).
std::optional<HistoryText::Reading> import(HistoryDb &db, QByteArrayView content, qint32 currentIssue,
                                           int segmentBase, QString *error, Backup *backup = nullptr,
                                           int datedDrawsPerDay = 0);

// Which draws a trimming command keeps, out of the stored ones in history order; a refusal
// (`refusal` set) changes nothing.
using Selection = std::function<std::vector<TextDraw>(const HistorySnapshot &stored, QString *refusal)>;

// Dqzd: the draws `keep` selects from the history as it is inside the transaction go to the
// backup file `backupPath` (which stays for the user), are read back from it and replace the
// history, with the texts of the draw two rows back. Nothing changes when the file cannot be
// written or read, or gives back fewer draws than were kept; `error` says why.
std::optional<HistoryText::Reading> rebuild(HistoryDb &db, const QString &backupPath, const Selection &keep,
                                            qint32 currentIssue, int segmentBase, QString *error,
                                            Backup *backup = nullptr);

} // namespace HistoryWriter
