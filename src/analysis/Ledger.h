#pragma once

#include "BetTable.h"
#include "HistorySnapshot.h"
#include "Plays.h"

#include <QString>
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

    qint64 cost() const { return qint64(Plays::betCost) * multiple; }
};
constexpr int maxMultiple = 10000;

// The stored bets whose play and numbers can be read (a row written by hand that cannot is left
// out), in the order placed; nothing when they cannot be read (db.userError() says why).
std::optional<std::vector<Bet>> readBets(HistoryDb &db);
// A bet as it is stored.
StoredBet toStored(const Bet &bet);

enum class State { Pending, Won, Lost };
QString stateName(State state); // 待开奖, 中奖, 未中

struct Settled
{
    Bet bet;
    State state = State::Pending;
    qint64 prize = 0;   // prize × multiple when won
    double chance = 0;  // of winning, for fair dice
    qint64 payout = 0;  // what winning pays: prize × multiple
};

// Each bet against the stored draw of its issue, in the order given.
std::vector<Settled> settle(const std::vector<Bet> &bets, const HistorySnapshot &history,
                            const Plays::PrizeTable &prizes);

struct Totals
{
    qint64 count = 0;
    qint64 settled = 0;
    qint64 spent = 0; // every bet's cost
    qint64 won = 0;
    double expected = 0; // fair dice's winnings over the settled bets
    double sd = 0;
    qint64 net() const { return won - spent; }
    // won ÷ spent; 0 without bets
    double realisedReturn() const { return spent > 0 ? double(won) / double(spent) : 0.0; }
};
Totals totals(const std::vector<Settled> &bets);

// "共 N 注（已开奖 K 注），投注 X 元，中奖 Y 元，净 Z 元，回报 R%".
QString totalsLine(const Totals &totals);
// "按公平开奖，这些投注平均应回报 X 元（± Y），实际回报 Z 元" over the settled bets.
QString fairSentence(const Totals &totals);
// 元 with at most two decimals ("12", "12.5").
QString money(double yuan);

} // namespace Ledger
