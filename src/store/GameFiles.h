#pragma once

#include <QString>
#include <optional>

class Database;

// Which database file of the history folder holds a game's history. "vendrixK3.db" holds the
// game it records (an older release kept every history there); every other game has a file of
// its own, "vendrixK3_<code>.db", made by its first write.
namespace GameFiles {

QString mainFileName();
QString ownFileName(int game);
// Whether `path` is a folder's main file (the history an older release kept for every game).
bool isMainFile(const QString &path);

// What a file says of whose history it is (table Caizhong), read strictly: anything but one
// whole number naming a game is damaged, never taken for a game.
struct Record
{
    enum class State { None, Game, Damaged };
    State state = State::None;
    int game = -1;
    QString text; // a damaged record's value as stored

    bool is(int g) const { return state == State::Game && game == g; }
    std::optional<int> known() const { return state == State::Game ? std::optional(game) : std::nullopt; }
};
Record readRecord(Database &db);
// "vendrixK3.db 记录的彩种 99 无法识别…", with how to mend it.
QString damagedMessage(const QString &file, const Record &record);
// The reason a history file cannot be opened, as every command gives it.
QString openError(const QString &path, const QString &detail);

// What a history file says of itself, read without creating or changing anything.
struct Facts
{
    bool exists = false;
    bool readable = false;
    QString error; // why it cannot be read
    Record record;
    std::optional<int> game; // the game it records
    qint64 draws = 0; // counted only when asked; else 0 or 1 (none, or some)
    std::optional<qint32> last; // the last issue
    bool bets = false;
    // Nothing in it for sure (a file that cannot be read may hold some).
    bool empty() const { return !exists || (readable && draws == 0 && !bets); }
    // There, but whose history it is cannot be told: it cannot be read, or its record is damaged.
    bool unknown() const { return exists && (!readable || record.state == Record::State::Damaged); }
    // Why this file cannot serve as a history now; empty when it can.
    QString problem(const QString &path) const;
};
Facts read(const QString &path, bool count = false);
// The same over a connection that is open already (no second open of the file).
Facts readOpen(Database &db, bool count);
using MainFile = Facts;
MainFile readMain(const QString &folder);

// The file of `game`'s history in `folder` for reading (it may not exist yet). A main file that
// records no game but holds draws belongs to `unrecordedGame`, the game selected when it was
// first opened, and so does one that cannot be read (its reason is shown there); one whose record
// is damaged may be any game's and is read for every game without a file of its own.
QString pathFor(const QString &folder, int game, const MainFile &main, int unrecordedGame);
inline QString pathFor(const QString &folder, int game, int unrecordedGame)
{
    return pathFor(folder, game, readMain(folder), unrecordedGame);
}

// The file a write of `game` goes to, chosen under the folder's one lock (the main file's write
// lock, taken only when the game has no file that records it yet). The write then records the
// game in the same transaction as what it writes, after checking that the file records no other
// game (HistoryDb::write), so that no two processes ever take one file for two games. `error`
// says why not.
struct Claim
{
    QString path;
    QString error;
};
Claim claim(const QString &folder, int game, int unrecordedGame);

// Records `game` in the open file, replacing what it recorded: inside a running transaction, or
// in a transaction of its own.
bool writeRecord(Database &db, int game);
bool record(Database &db, int game);
// "历史号码属于福建快3（vendrixK3.db），不能写入吉林快3的开奖号码或投注".
QString otherGameMessage(const QString &path, int recorded, int game);

} // namespace GameFiles
