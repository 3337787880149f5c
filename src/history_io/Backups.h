#pragma once

#include "HistoryText.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// Every command that removes or replaces stored draws first writes them, as they were, to a
// backup file in the history text format in the folder "备份" beside the database. The name
// tells the time, the order of writing, the reason, the number of draws, the first and last issue
// and the game; once the command's change is committed, the `kept` backups written last stay.
namespace Backups {

constexpr int kept = 30;

inline QString folderName()
{
    return QStringLiteral("备份");
}

struct Entry
{
    // e.g. 20261208-043001123-000031_读入_4778期_130529001-130731078_g1.txt
    QString name;
    QString path;
    QDateTime time;
    qint64 sequence = 0; // the order of writing in this folder; 0 for a backup of older versions
    QString reason;
    int draws = 0; // as the name says: the file is the truth
    qint32 first = 0;
    qint32 last = 0;
    std::optional<int> game; // the game of the history it holds, when known
};

// Whose backups a game's history lists: those written for its game, and those that name no game
// when its history is the file an older release kept for every game (they came from it).
struct Owner
{
    int game = 0;
    bool unnamedToo = false;
    bool owns(const Entry &entry) const { return entry.game ? *entry.game == game : unnamedToo; }
};

// Writes `draws` (of `game`, when known) to a new backup in `historyFolder`/备份. Nothing is
// pruned here: see prune(). The new backup, or nothing (`error` says why, in Chinese).
// Each draw's time in `times` ends its line.
std::optional<Entry> write(const QString &historyFolder, const QString &reason, const std::vector<TextDraw> &draws,
                           std::optional<int> game, QString *error,
                           const std::unordered_map<qint32, QDateTime> &times = {});

// After the change a backup was written for committed: the backups of its game beyond the `kept`
// written last go, `own` never (each game keeps its own).
void prune(const QString &historyFolder, const Entry &own);

// The backups of `historyFolder` (regular files only), the one written last first: by the order
// of writing, whatever the clock said.
// Only `owner`'s, when given.
std::vector<Entry> list(const QString &historyFolder, std::optional<Owner> owner = {});

// A backup by its file name or by its number in list() (1 is the newest), of `owner`'s.
std::optional<Entry> find(const QString &historyFolder, const QString &nameOrNumber, std::optional<Owner> owner = {});

// What was about to happen when the backup was written, in words ("撤销前" → "撤销上次删除之前").
QString reasonText(const QString &reason);

// "2026-12-08 04:30:01  读入文本之前  4778 期  130529001 – 130731078", for a list a user
// chooses from.
QString describe(const Entry &entry);

} // namespace Backups
