#pragma once

#include "Plays.h"

#include <QString>

class QSettings;

// Each game's prize table as the player saved it (设置 → 奖金表…), read alike by the window and
// the command-line tool. A game without a table of its own pays as the national table says; a
// table saved by the release before tables were per game stays every game's until one of its
// own is saved.
namespace SavedPrizes {

// "Jiangjin/<game>": the game's table as JSON.
QString key(int game);
// "IniSetting/Jiangjin": the one table of the release before.
QString sharedKey();

// The table `game` is settled with; `own` says whether the game has a table of its own (else it
// is the shared or national one).
Plays::PrizeTable read(const QSettings &store, int game, bool *own = nullptr);

} // namespace SavedPrizes
