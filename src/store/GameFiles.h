#pragma once

#include <QString>
#include <optional>

// Which database file of the history folder holds a game's history. "vendrixK3.db" holds the
// game it records (an older release kept every history there); every other game has a file of
// its own, "vendrixK3_<code>.db", made by its first write.
namespace GameFiles {

QString mainFileName();
QString ownFileName(int game);
// Whether `path` is a folder's main file (the history an older release kept for every game).
bool isMainFile(const QString &path);

// What a history file says of itself, read without creating or changing anything.
struct Facts
{
    bool exists = false;
    bool readable = false;
    std::optional<int> game; // the game it records
    qint64 draws = 0; // counted only when asked; else 0 or 1 (none, or some)
    std::optional<qint32> last; // the last issue
    // No draws in it for sure (a file that cannot be read may hold some).
    bool empty() const { return !exists || (readable && draws == 0); }
};
Facts read(const QString &path, bool count = false);
using MainFile = Facts;
MainFile readMain(const QString &folder);

// The file of `game`'s history in `folder` (it may not exist yet). A main file that records no
// game but holds draws belongs to `unrecordedGame`, the game selected when it was first opened.
QString pathFor(const QString &folder, int game, const MainFile &main, int unrecordedGame);
inline QString pathFor(const QString &folder, int game, int unrecordedGame)
{
    return pathFor(folder, game, readMain(folder), unrecordedGame);
}

} // namespace GameFiles
