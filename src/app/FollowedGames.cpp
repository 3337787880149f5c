#include "FollowedGames.h"

#include "GameFiles.h"
#include "HistoryCommands.h"
#include "ProvinceTable.h"
#include "Settings.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <algorithm>

namespace {

// What each game's history holds, read only (no file is made): with `count`, its draws and last
// issue, else only whether it has any. A file that holds another game's draws holds none of this.
std::array<GameFiles::Facts, ProvinceTable::Count> factsOf(const QString &folder, int unrecordedGame, bool count)
{
    const GameFiles::MainFile main = GameFiles::readMain(folder);
    std::array<GameFiles::Facts, ProvinceTable::Count> all;
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        GameFiles::Facts facts = GameFiles::read(GameFiles::pathFor(folder, game, main, unrecordedGame), count);
        if (!facts.game || *facts.game == game)
            all[size_t(game)] = std::move(facts);
    }
    return all;
}

} // namespace

FollowedGames::FollowedGames(QMenu *menu, const QHash<int, QAction *> &games, QString folder,
                             const HistoryCommands &commands, QObject *parent)
    : QObject(parent)
    , m_games(games)
    , m_folder(std::move(folder))
    , m_commands(commands)
{
    menu->addSeparator();
    QMenu *ticks = menu->addMenu(QStringLiteral("关注(&G)"));
    ticks->setObjectName(QStringLiteral("mnuGuanzhu"));
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        QAction *tick = ticks->addAction(ProvinceTable::at(game).caption);
        tick->setObjectName(QStringLiteral("mnuGuanzhu(%1)").arg(game));
        tick->setCheckable(true);
        m_ticks.insert(game, tick);
        connect(tick, &QAction::toggled, this, [this] {
            std::vector<int> chosen;
            for (int g = 0; g < ProvinceTable::Count; ++g)
                if (m_ticks.value(g)->isChecked())
                    chosen.push_back(g);
            Settings().setFollowedGames(chosen);
            refresh(true);
            emit changed();
        });
    }
    // The counts are read when the menu opens; the shortcuts work from the start.
    connect(menu, &QMenu::aboutToShow, this, [this] { refresh(true); });
    refresh(false);
}

std::vector<int> FollowedGames::followed() const
{
    return followedOf(factsOf(m_folder, m_commands.unrecordedGame(), false));
}

std::vector<int> FollowedGames::followedOf(const std::array<GameFiles::Facts, ProvinceTable::Count> &facts)
{
    if (const std::optional<std::vector<int>> saved = Settings().followedGames())
        return *saved;
    std::vector<int> stored;
    for (int game = 0; game < ProvinceTable::Count; ++game)
        if (facts[size_t(game)].draws > 0)
            stored.push_back(game);
    return stored;
}

void FollowedGames::refresh(bool counts)
{
    const auto facts = factsOf(m_folder, m_commands.unrecordedGame(), counts);
    const std::vector<int> games = followedOf(facts);
    int shortcut = 0;
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        const bool on = std::find(games.begin(), games.end(), game) != games.end();
        const GameFiles::Facts &held = facts[size_t(game)];
        QString caption = ProvinceTable::at(game).caption;
        if (on && counts)
            caption += held.draws > 0 ? QStringLiteral(" — %1 期，至 %2").arg(held.draws).arg(held.last.value_or(0))
                                      : QStringLiteral(" — 没有历史号码");
        if (counts || !on)
            m_games.value(game)->setText(caption);
        m_games.value(game)->setShortcut(on && shortcut < 9 ? QKeySequence(QStringLiteral("Ctrl+%1").arg(++shortcut))
                                                            : QKeySequence());
        const QSignalBlocker quiet(m_ticks.value(game));
        m_ticks.value(game)->setChecked(on);
    }
}
