#include "Ledger.h"

#include <QDate>
#include "ProvinceTable.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
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
    case State::Withdrawn:
        return QStringLiteral("已撤");
    }
    return {};
}

namespace {

// A key for a play and numbers of at most three digits (every choice there is); -1 for others.
int choiceKey(Plays::Play play, const QString &numbers)
{
    int digits = 0;
    for (const QChar c : numbers) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || numbers.size() > 3)
            return -1;
        digits = digits * 10 + c.digitValue();
    }
    return (int(play) * 10 + int(numbers.size())) * 1000 + digits;
}

} // namespace

QString issueProblem(qint32 issue, int game)
{
    if (issue <= 0)
        return QStringLiteral("期号 %1 不是期号").arg(issue);
    if (game == ProvinceTable::runningIssueGame)
        return {};
    // YYMMDDNNN worked out with numbers, not text: a ledger is read whole at every look.
    const int sequence = issue % 1000, day = issue / 1000;
    if (issue < 100'000'000 || !QDate::isValid(2000 + day / 10000, day / 100 % 100, day % 100) || sequence < 1 ||
        sequence > ProvinceTable::maxDrawsPerDay)
        return QStringLiteral("期号 %1 不是本彩种的期号（应为 YYMMDDNNN）").arg(issue);
    return {};
}

bool readBets(HistoryDb &db, int game, const std::function<void(const Bet &)> &each,
              std::vector<Unreadable> &unreadable)
{
    // A ledger repeats a few plays and numbers: each stored text is read once.
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    struct Known
    {
        std::optional<Plays::Choice> choice;
        QString why;
    };
    std::unordered_map<std::string, Known, Hash, std::equal_to<>> choices;
    std::string key, previousPlay, previousNumbers;
    const Known *previous = nullptr;
    const auto choiceOf = [](QByteArrayView playBytes, QByteArrayView numberBytes) -> Known {
        const QString play = QString::fromUtf8(playBytes), numbers = QString::fromUtf8(numberBytes);
        // Bytes that are not UTF-8 come back changed.
        if (play.toUtf8() != playBytes || numbers.toUtf8() != numberBytes)
            return {std::nullopt, QStringLiteral("玩法或号码不是 UTF-8 文字")};
        const std::optional<Plays::Play> known = Plays::byName(play);
        if (!known)
            return {std::nullopt, QStringLiteral("不认识的玩法“%1”").arg(play.left(20))};
        Known k;
        k.choice = Plays::choice(*known, numbers, &k.why);
        if (!k.choice && k.why.isEmpty())
            k.why = QStringLiteral("号码“%1”不合%2").arg(numbers.left(20), play);
        return k;
    };
    // Each plan's stop after a win; a plan that cannot be read takes its bets with it.
    std::unordered_map<qint64, std::optional<bool>> plans;
    if (!BetTable::readPlans(db, [&plans](const StoredPlan &plan, const QString &why) {
            plans.emplace(plan.id, why.isEmpty() ? std::optional<bool>(plan.stopsAfterWin) : std::nullopt);
        }))
        return false;
    const bool read = BetTable::read(db, [&](const BetRow &row) {
        if (!row.problem.isEmpty()) {
            unreadable.push_back({row.id, row.problem});
            return;
        }
        bool stops = true;
        if (row.plan) {
            const auto plan = plans.find(*row.plan);
            if (plan == plans.end() || !plan->second) {
                unreadable.push_back({row.id, plan == plans.end() ? QStringLiteral("追号计划 %1 不存在").arg(*row.plan)
                                                                  : QStringLiteral("追号计划 %1 无法读取").arg(*row.plan)});
                return;
            }
            stops = *plan->second;
        }
        // A chase plan stores one play and numbers over many rows in a row: no lookup for those.
        if (!previous || row.play != previousPlay || row.numbers != previousNumbers) {
            key.assign(row.play.data(), size_t(row.play.size()));
            key.push_back('\0');
            key.append(row.numbers.data(), size_t(row.numbers.size()));
            auto known = choices.find(std::string_view(key));
            if (known == choices.end())
                known = choices.emplace(key, choiceOf(row.play, row.numbers)).first;
            previous = &known->second;
            previousPlay = key.substr(0, size_t(row.play.size()));
            previousNumbers = key.substr(size_t(row.play.size()) + 1);
        }
        QString why = previous->choice ? issueProblem(row.issue, game) : previous->why;
        if (why.isEmpty())
            each({row.id, row.issue, *previous->choice, row.multiple, row.plan, stops});
        else
            unreadable.push_back({row.id, why});
    });
    return read;
}

std::optional<Bets> readBets(HistoryDb &db, int game)
{
    Bets out;
    out.bets.reserve(size_t(BetTable::count(db)));
    if (!readBets(db, game, [&out](const Bet &bet) { out.bets.push_back(bet); }, out.unreadable))
        return std::nullopt;
    return out;
}

QString unreadableLine(const std::vector<Unreadable> &rows)
{
    if (rows.empty())
        return {};
    return QStringLiteral("另有 %1 行投注记录无法读取，没有列出也没有计入合计").arg(rows.size());
}

StoredBet toStored(const Bet &bet, const QString &placed)
{
    return {bet.id, bet.issue, Plays::name(bet.choice.play), bet.choice.numbers, bet.multiple, bet.plan, placed};
}

QString placedText(const QDateTime &now)
{
    // The offset written out even at UTC, so that every stamp has the same shape.
    const int offset = now.offsetFromUtc();
    return now.toOffsetFromUtc(offset).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

QString overDailyLimit(qint64 today, qint64 adding, std::optional<qint64> limit)
{
    if (!limit || today + adding <= *limit)
        return {};
    return QStringLiteral("每日投注限额 %1 元：今天已投注 %2 元，再投注 %3 元就超过了，没有记下")
        .arg(*limit)
        .arg(today)
        .arg(adding);
}

const Settler::Known &Settler::known(const Plays::Choice &choice)
{
    const int key = choiceKey(choice.play, choice.numbers);
    auto id = m_ids.find(key);
    if (key < 0 || id == m_ids.end()) {
        Known k{choice.chance(), m_prizes.prize(choice), {}};
        for (qint16 outcome = 0; outcome < 216; ++outcome)
            k.wins[size_t(outcome)] = choice.wins({qint16(outcome / 36 + 1), qint16(outcome / 6 % 6 + 1), qint16(outcome % 6 + 1)});
        m_known.push_back(k);
        id = m_ids.insert_or_assign(key, quint32(m_known.size() - 1)).first;
    }
    return m_known[id->second];
}

int Settler::rowOf(qint32 issue)
{
    // Forward from the previous bet's row in growing steps, then halving: a few rows for the next
    // bet, never the whole history; a bet before the previous one is looked for from the start.
    const int count = m_history.count();
    if (m_at > 0 && (m_at > count || m_history.issue(m_at - 1) >= issue))
        m_at = 0;
    int step = 1;
    while (m_at + step <= count && m_history.issue(m_at + step - 1) < issue) {
        m_at += step;
        step *= 2;
    }
    // The row is now among the next `step` rows.
    for (step /= 2; step > 0; step /= 2)
        if (m_at + step <= count && m_history.issue(m_at + step - 1) < issue)
            m_at += step;
    return m_at;
}

Settled Settler::settle(const Bet &bet)
{
    const Known &k = known(bet.choice);
    Settled s{bet, State::Pending, 0, k.chance, k.prize * bet.multiple};
    const bool stops = bet.plan && bet.stopsAfterWin;
    if (stops) {
        const auto won = m_firstWin.find(*bet.plan);
        if (won != m_firstWin.end() && bet.issue > won->second) {
            s.state = State::Withdrawn;
            return s;
        }
    }
    const int at = rowOf(bet.issue);
    if (at >= m_history.count() || m_history.issue(at) != bet.issue)
        return s;
    const Numbers n = m_history.numbers(at);
    const bool dice = n[0] >= 1 && n[0] <= 6 && n[1] >= 1 && n[1] <= 6 && n[2] >= 1 && n[2] <= 6;
    const bool won = dice ? k.wins[size_t((n[0] - 1) * 36 + (n[1] - 1) * 6 + n[2] - 1)] : bet.choice.wins(n);
    s.state = won ? State::Won : State::Lost;
    s.prize = won ? s.payout : 0;
    if (won && stops) {
        const auto [first, added] = m_firstWin.try_emplace(*bet.plan, bet.issue);
        first->second = std::min(first->second, bet.issue);
    }
    return s;
}

std::vector<Settled> settle(const std::vector<Bet> &bets, const HistorySnapshot &history, const Plays::PrizeTable &prizes)
{
    Settler settler(history, prizes);
    std::vector<Settled> out;
    out.reserve(bets.size());
    for (const Bet &bet : bets)
        out.push_back(settler.settle(bet));
    return out;
}

void Totals::add(const Settled &s)
{
    if (s.state == State::Withdrawn) {
        ++withdrawn;
        return;
    }
    ++count;
    spent += s.bet.cost();
    if (s.state == State::Pending)
        return;
    ++settled;
    won += s.prize;
    expected += s.chance * double(s.payout);
    m_variance += s.chance * (1 - s.chance) * double(s.payout) * double(s.payout);
    sd = std::sqrt(m_variance);
}

Totals totals(const std::vector<Settled> &bets)
{
    Totals t;
    for (const Settled &s : bets)
        t.add(s);
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
        .arg(QString::number(t.realisedReturn() * 100, 'f', 1)) +
           (t.withdrawn > 0 ? QStringLiteral("；另有 %1 注追号中奖后已撤，不计").arg(t.withdrawn) : QString());
}

QString fairSentence(const Totals &totals)
{
    return QStringLiteral("按公平开奖，这些投注平均应回报 %1 元（± %2），实际回报 %3 元")
        .arg(money(totals.expected), money(totals.sd), money(double(totals.won)));
}

} // namespace Ledger
