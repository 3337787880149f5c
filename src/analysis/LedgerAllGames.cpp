#include "Ledger.h"

#include "HistoryDb.h"
#include "ProvinceTable.h"

#include <QFileInfo>
#include <set>

namespace Ledger {

namespace {

// Each game's history file in `folder`, each once (a file two games lead to is one game's only).
template<typename Each>
void eachGameFile(const QString &folder, const GameFiles::MainFile &main, int unrecordedGame, Each each)
{
    std::set<QString> read;
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        const QString path = GameFiles::pathFor(folder, game, main, unrecordedGame);
        if (QFileInfo::exists(path) && read.insert(QFileInfo(path).canonicalFilePath()).second)
            each(game, path);
    }
}

} // namespace

qint64 placedOn(const QString &folder, const GameFiles::MainFile &main, int unrecordedGame, const QDate &date)
{
    qint64 total = 0;
    eachGameFile(folder, main, unrecordedGame, [&](int game, const QString &) {
        HistoryDb db;
        if (db.openGame(folder, game, unrecordedGame, &main) == HistoryDb::OpenStatus::Ok &&
            (!db.gameRecord().known() || *db.gameRecord().known() == game))
            total += BetTable::placedOn(db, date.toString(Qt::ISODate)).value_or(0);
    });
    return total;
}

AllGames readAllGames(const QString &folder, const GameFiles::MainFile &main, int unrecordedGame,
                      const std::function<Plays::PrizeTable(int)> &prizesOf,
                      const std::function<bool(const Bet &)> &wanted,
                      const std::function<void(int game, const Settled &)> &each,
                      const std::function<void(int game, std::optional<qint64> id, const QString &reason)> &unreadable)
{
    AllGames report;
    eachGameFile(folder, main, unrecordedGame, [&](int game, const QString &path) {
        const auto notRead = [&](const QString &reason) { unreadable(game, std::nullopt, reason); };
        HistoryDb db;
        if (db.openGame(folder, game, unrecordedGame, &main) != HistoryDb::OpenStatus::Ok) {
            notRead(GameFiles::openError(db.path(), db.lastError()));
            return;
        }
        const GameFiles::Record record = db.gameRecord();
        if (record.state == GameFiles::Record::State::Damaged) {
            notRead(GameFiles::damagedMessage(QFileInfo(path).fileName(), record));
            return;
        }
        if (record.known() && *record.known() != game)
            return; // another game's file
        const std::optional<HistorySnapshot> history = db.snapshot();
        if (!history) {
            notRead(QStringLiteral("无法读取历史号码：%1").arg(db.userError()));
            return;
        }
        const Plays::PrizeTable prizes = prizesOf(game);
        Settler settler(*history, prizes);
        Totals totals;
        std::vector<Unreadable> rows;
        const bool readable = readBets(db, game, [&](const Bet &bet) {
            // Every bet is settled, in or out of range: a plan's win before the range withdraws
            // its bets within it.
            const Settled settled = settler.settle(bet);
            if (!wanted(bet))
                return;
            totals.add(settled);
            report.all.add(settled);
            each(game, settled);
        }, rows);
        if (!readable) {
            notRead(QStringLiteral("无法读取投注记录：%1").arg(db.userError()));
            return;
        }
        for (const Unreadable &row : rows)
            unreadable(game, row.id, row.reason);
        if (totals.count > 0 || totals.withdrawn > 0)
            report.games.push_back({game, totals});
    });
    return report;
}

} // namespace Ledger
