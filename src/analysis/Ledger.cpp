#include "Ledger.h"

#include <QRegularExpression>
#include <cmath>
#include <unordered_map>

namespace Ledger {

QString stateName(State state)
{
    switch (state) {
    case State::Pending:
        return QStringLiteral("待开奖");
    case State::Won:
        return QStringLiteral("中奖");
    case State::Lost:
        return QStringLiteral("未中");
    }
    return {};
}

std::vector<Bet> fromStored(const std::vector<StoredBet> &rows)
{
    std::vector<Bet> bets;
    bets.reserve(rows.size());
    for (const StoredBet &row : rows) {
        const std::optional<Plays::Play> play = Plays::byName(row.play);
        std::optional<Plays::Choice> choice = play ? Plays::choice(*play, row.numbers, nullptr) : std::nullopt;
        if (choice && row.multiple >= 1 && row.multiple <= maxMultiple)
            bets.push_back({row.id, row.issue, std::move(*choice), row.multiple});
    }
    return bets;
}

StoredBet toStored(const Bet &bet)
{
    return {bet.id, bet.issue, Plays::name(bet.choice.play), bet.choice.numbers, bet.multiple};
}

std::vector<Settled> settle(const std::vector<Bet> &bets, const HistorySnapshot &history, const Plays::PrizeTable &prizes)
{
    // Few distinct choices among many bets: each one's chance is counted once.
    std::unordered_map<QString, double> chances;
    std::vector<Settled> out;
    out.reserve(bets.size());
    for (const Bet &bet : bets) {
        Settled s{bet};
        const QString key = QString::number(int(bet.choice.play)) + bet.choice.numbers;
        auto known = chances.find(key);
        if (known == chances.end())
            known = chances.emplace(key, bet.choice.chance()).first;
        s.chance = known->second;
        s.payout = qint64(prizes.prize(bet.choice)) * bet.multiple;
        const int at = history.lowerBound(bet.issue);
        if (at < history.count() && history.issue(at) == bet.issue) {
            const bool won = bet.choice.wins(history.numbers(at));
            s.state = won ? State::Won : State::Lost;
            s.prize = won ? s.payout : 0;
        }
        out.push_back(std::move(s));
    }
    return out;
}

Totals totals(const std::vector<Settled> &bets)
{
    Totals t;
    double variance = 0;
    for (const Settled &s : bets) {
        ++t.count;
        t.spent += s.bet.cost();
        if (s.state == State::Pending)
            continue;
        ++t.settled;
        t.won += s.prize;
        t.expected += s.chance * double(s.payout);
        variance += s.chance * (1 - s.chance) * double(s.payout) * double(s.payout);
    }
    t.sd = std::sqrt(variance);
    return t;
}

QString money(double yuan)
{
    return QString::number(std::round(yuan * 100) / 100, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString totalsLine(const Totals &t)
{
    return QStringLiteral("共 %1 注（已开奖 %2 注），投注 %3 元，中奖 %4 元，净 %5 元，回报 %6%")
        .arg(t.count)
        .arg(t.settled)
        .arg(t.spent)
        .arg(t.won)
        .arg(t.net())
        .arg(QString::number(t.realisedReturn() * 100, 'f', 1));
}

QString fairSentence(const Totals &totals)
{
    return QStringLiteral("按公平开奖，这些投注平均应回报 %1 元（± %2），实际回报 %3 元")
        .arg(money(totals.expected), money(totals.sd), money(double(totals.won)));
}

} // namespace Ledger
