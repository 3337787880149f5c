// Whose history a file is: opened for a game, the file a first write goes to, and the game
// recorded by that write's own transaction (see GameFiles for the rules).
#include "HistoryDb.h"

#include <QFileInfo>

HistoryDb::OpenStatus HistoryDb::openGame(const QString &folder, int game, int unrecordedGame,
                                          const GameFiles::MainFile *main)
{
    const QString path = main ? GameFiles::pathFor(folder, game, *main, unrecordedGame)
                              : GameFiles::pathFor(folder, game, unrecordedGame);
    OpenStatus status = OpenStatus::Ok;
    if (isOpen() && m_db.path() == path) {
        // Open on it already (the main file, read to choose the game): no second open.
    } else if (QFileInfo::exists(path)) {
        status = open(path);
    } else {
        close();
        m_pendingPath = path;
        m_pendingReadOnly = !QFileInfo(QFileInfo(path).absolutePath()).isWritable();
        m_error.clear();
    }
    m_folder = folder;
    m_game = game;
    m_unrecordedGame = unrecordedGame;
    // A file that already says it is the game's needs no claim (read over this connection).
    m_claimed = m_owned = isOpen() && gameRecord().is(game);
    return status;
}

HistoryDb::Ownership HistoryDb::takeOwnership()
{
    const GameFiles::Record record = gameRecord();
    switch (record.state) {
    case GameFiles::Record::State::Game:
        if (record.game == m_game)
            return Ownership::Owned;
        refuse(GameFiles::otherGameMessage(m_db.path(), record.game, m_game));
        return Ownership::Taken;
    case GameFiles::Record::State::Damaged:
        refuse(GameFiles::damagedMessage(m_db.path(), record));
        return Ownership::Refused;
    case GameFiles::Record::State::None:
        break;
    }
    if (!GameFiles::writeRecord(m_db, m_game)) {
        failed();
        return Ownership::Refused;
    }
    return Ownership::Owned;
}

bool HistoryDb::claimFile()
{
    const GameFiles::Claim claim = GameFiles::claim(m_folder, m_game, m_unrecordedGame);
    if (!claim.error.isEmpty())
        return refuse(claim.error);
    if (!isOpen() || claim.path != m_db.path()) {
        const QString folder = m_folder;
        const int game = m_game, unrecorded = m_unrecordedGame;
        const OpenStatus status = open(claim.path);
        m_folder = folder;
        m_game = game;
        m_unrecordedGame = unrecorded;
        if (status != OpenStatus::Ok)
            return false;
    }
    m_claimed = true;
    m_owned = false; // the write checks and records it
    return true;
}

GameFiles::Record HistoryDb::gameRecord()
{
    if (!isOpen())
        return {};
    return GameFiles::readRecord(m_db);
}

bool HistoryDb::recordGame(int game)
{
    if (isReadOnly())
        return refuse(readOnlyMessage());
    if (!isOpen())
        return notOpen();
    if (!GameFiles::record(m_db, game))
        return failed();
    m_claimed = m_owned = m_folder.isEmpty() || game == m_game;
    return true;
}
