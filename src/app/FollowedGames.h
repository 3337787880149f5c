#pragma once

#include "GameFiles.h"
#include "ProvinceTable.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <array>
#include <vector>

class HistoryCommands;
class QAction;
class QMenu;

// 彩种选择's followed games (关注): a tick per game in the 关注 submenu, saved in the settings; until
// the player ticks any, the games with a stored history. The menu shows each followed game's draws
// and last issue ("广西快3 — 4778 期，至 130731078"), and Ctrl+1…Ctrl+9 switch to the first nine
// followed games in menu order.
class FollowedGames : public QObject
{
    Q_OBJECT
public:
    // `games`: the menu's entry of each game (mnuK3); the histories are those of `folder`.
    FollowedGames(QMenu *menu, const QHash<int, QAction *> &games, QString folder, const HistoryCommands &commands,
                  QObject *parent = nullptr);

    std::vector<int> followed() const;
    // The entries' shortcuts and ticks as the histories are now, and with `counts` their captions
    // too (each followed game's draws and last issue).
    void refresh(bool counts);

signals:
    // The player ticked or unticked a game.
    void changed();

private:
    static std::vector<int> followedOf(const std::array<GameFiles::Facts, ProvinceTable::Count> &facts);

    QHash<int, QAction *> m_games;
    QHash<int, QAction *> m_ticks;
    QString m_folder;
    const HistoryCommands &m_commands;
};
