#pragma once

#include "BetTable.h"
#include "GameFiles.h"
#include "HistorySnapshot.h"
#include "Plays.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <unordered_map>
#include <vector>

// The player's own bets (投注记录), settled from the stored draws every time they are read:
// nothing the draw decides is stored with a bet.
namespace Ledger {

struct Bet
{
    qint64 id = 0;
    qint32 issue = 0;
    Plays::Choice choice;
    int multiple = 1; // 倍数, 1..10000
    std::optional<qint64> plan; // the chase plan it belongs to
    bool stopsAfterWin = true;  // its plan's: the bets after the plan's first win are withdrawn

    qint64 cost() const { return qint64(Plays::betCost) * multiple; }
};
constexpr int maxMultiple = BetTable::maxMultiple;

// A stored row that is no bet of the game (written by another tool): named, never counted.
struct Unreadable
{
    qint64 id = 0;
    QString reason;
};
struct Bets
{
    std::vector<Bet> bets;
    std::vector<Unreadable> unreadable;
};
// The stored bets of `game`'s history in the order placed, each row read strictly: an issue of
// the game (a real date and a sequence 1..120, or 北京快3's running number), a known play,
// numbers that fit it, a multiple 1..10000; any other row is unreadable. Nothing when the table
// cannot be read (db.userError() says why).
std::optional<Bets> readBets(HistoryDb &db, int game);
// The same one bet at a time, for a reader that keeps none: each bet to `each`, the rows that
// are none to `unreadable`. False when the table cannot be read.
bool readBets(HistoryDb &db, int game, const std::function<void(const Bet &)> &each,
              std::vector<Unreadable> &unreadable);
// Why `issue` cannot be an issue of `game` whatever its draws a day; empty when it can.
QString issueProblem(qint32 issue, int game);
// "另有 N 行投注记录无法读取，没有列出也没有计入合计" (empty without any).
QString unreadableLine(const std::vector<Unreadable> &rows);
// A bet as it is stored, placed at `placed` (placedText()).
StoredBet toStored(const Bet &bet, const QString &placed);
// A time as bets store it: ISO 8601 with the computer's offset ("2026-12-09T14:20:05+08:00").
QString placedText(const QDateTime &now);

enum class State { Pending, Won, Lost, Withdrawn };
QString stateName(State state); // 待开奖, 中奖, 未中, 已撤

struct Settled
{
    Bet bet;
    State state = State::Pending;
    qint64 prize = 0;   // prize × multiple when won
    double chance = 0;  // of winning, for fair dice
    qint64 payout = 0;  // what winning pays: prize × multiple

    // What it cost: nothing once withdrawn (a plan that stopped after a win never bought it).
    qint64 cost() const { return state == State::Withdrawn ? 0 : bet.cost(); }
};

// Settles bets one at a time against the stored draws, in the order placed. Each play and numbers
// are worked out once; each bet's draw is looked for from the previous bet's, as bets follow the
// draws. A plan's bets after its first winning issue are withdrawn unless the plan keeps going.
class Settler
{
public:
    Settler(const HistorySnapshot &history, const Plays::PrizeTable &prizes) : m_history(history), m_prizes(prizes) {}
    Settled settle(const Bet &bet);

private:
    struct Known
    {
        double chance;
        qint64 prize;
        std::array<bool, 216> wins;
    };
    const Known &known(const Plays::Choice &choice);
    // The first row whose issue is at least `issue`.
    int rowOf(qint32 issue);

    const HistorySnapshot &m_history;
    const Plays::PrizeTable m_prizes; // a copy: a table made for the call may go before the settler
    std::vector<Known> m_known;
    std::unordered_map<int, quint32> m_ids;
    std::unordered_map<qint64, qint32> m_firstWin; // each plan's first winning issue so far
    int m_at = 0;
};

// Each bet against the stored draw of its issue, in the order given (the order placed).
std::vector<Settled> settle(const std::vector<Bet> &bets, const HistorySnapshot &history,
                            const Plays::PrizeTable &prizes);

struct Totals
{
    qint64 count = 0;     // bought: withdrawn bets are not
    qint64 withdrawn = 0;
    qint64 settled = 0;
    qint64 spent = 0; // every bet's cost
    qint64 won = 0;
    double expected = 0; // fair dice's winnings over the settled bets
    double sd = 0;
    qint64 net() const { return won - spent; }
    // won ÷ spent; 0 without bets
    double realisedReturn() const { return spent > 0 ? double(won) / double(spent) : 0.0; }
    // Counts one more bet.
    void add(const Settled &bet);

private:
    double m_variance = 0;
};
Totals totals(const std::vector<Settled> &bets);

// Every game's ledger in `folder` (whose main file says `main`): each game's history file read
// once, with the checks of the single ledger, its bets settled on its own draws by its own table
// (`prizesOf`). `wanted` picks the bets counted; each is given to `each` in game order, then as
// placed. A history or bet row that cannot be read goes to `unreadable` (the row's id, or none
// for the whole history) and is not counted; a file that is another game's is no one's here.
struct GameTotals
{
    int game = 0;
    Totals totals;
};
struct AllGames
{
    std::vector<GameTotals> games; // those with bets, by index
    Totals all;
};
AllGames readAllGames(const QString &folder, const GameFiles::MainFile &main, int unrecordedGame,
                      const std::function<Plays::PrizeTable(int)> &prizesOf,
                      const std::function<bool(const Bet &)> &wanted,
                      const std::function<void(int game, const Settled &)> &each,
                      const std::function<void(int game, std::optional<qint64> id, const QString &reason)> &unreadable);

// What the bets placed on `date` (the computer's local date) cost as placed, over every game's
// file in `folder` (each read once; one that cannot be read counts nothing).
qint64 placedOn(const QString &folder, const GameFiles::MainFile &main, int unrecordedGame, const QDate &date);
// Why `adding` 元 more today is refused under a daily limit of `limit` 元 with `today` 元 placed
// already; empty when it fits (or there is no limit).
QString overDailyLimit(qint64 today, qint64 adding, std::optional<qint64> limit);

// "共 N 注（已开奖 K 注），投注 X 元，中奖 Y 元，净 Z 元，回报 R%".
QString totalsLine(const Totals &totals);
// "按公平开奖，这些投注平均应回报 X 元（± Y），实际回报 Z 元" over the settled bets.
QString fairSentence(const Totals &totals);
// 元 with at most two decimals ("12", "12.5").
QString money(double yuan);

} // namespace Ledger
