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

std::optional<Bets> readBets(HistoryDb &db, int game)
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
    std::string key;
    Bets out;
    out.bets.reserve(size_t(BetTable::count(db)));
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
    const bool read = BetTable::read(db, [&](const BetRow &row) {
        if (!row.problem.isEmpty()) {
            out.unreadable.push_back({row.id, row.problem});
            return;
        }
        key.assign(row.play.data(), size_t(row.play.size()));
        key.push_back('\0');
        key.append(row.numbers.data(), size_t(row.numbers.size()));
        auto known = choices.find(std::string_view(key));
        if (known == choices.end())
            known = choices.emplace(key, choiceOf(row.play, row.numbers)).first;
        QString why = known->second.choice ? issueProblem(row.issue, game) : known->second.why;
        if (why.isEmpty())
            out.bets.push_back({row.id, row.issue, *known->second.choice, row.multiple});
        else
            out.unreadable.push_back({row.id, why});
    });
    return read ? std::optional(std::move(out)) : std::nullopt;
}

QString unreadableLine(const std::vector<Unreadable> &rows)
{
    if (rows.empty())
        return {};
    return QStringLiteral("另有 %1 行投注记录无法读取，没有列出也没有计入合计").arg(rows.size());
}

StoredBet toStored(const Bet &bet)
{
    return {bet.id, bet.issue, Plays::name(bet.choice.play), bet.choice.numbers, bet.multiple};
}

std::vector<Settled> settle(const std::vector<Bet> &bets, const HistorySnapshot &history, const Plays::PrizeTable &prizes)
{
    // Few distinct choices among many bets: each one's chance, prize and winning outcomes are
    // worked out once.
    struct Known
    {
        double chance;
        qint64 prize;
        std::array<bool, 216> wins;
    };
    std::vector<Known> known;
    std::unordered_map<int, quint32> ids;
    std::vector<quint32> choiceOf;
    choiceOf.reserve(bets.size());
    std::vector<Settled> out;
    out.reserve(bets.size());
    for (const Bet &bet : bets) {
        const int key = choiceKey(bet.choice.play, bet.choice.numbers);
        auto id = ids.find(key);
        if (key < 0 || id == ids.end()) {
            Known k{bet.choice.chance(), prizes.prize(bet.choice), {}};
            for (qint16 outcome = 0; outcome < 216; ++outcome)
                k.wins[size_t(outcome)] = bet.choice.wins({qint16(outcome / 36 + 1), qint16(outcome / 6 % 6 + 1), qint16(outcome % 6 + 1)});
            known.push_back(k);
            id = ids.insert_or_assign(key, quint32(known.size() - 1)).first;
        }
        choiceOf.push_back(id->second);
        const Known &k = known[id->second];
        out.push_back({bet, State::Pending, 0, k.chance, k.prize * bet.multiple});
    }
    // Each bet meets the stored draw of its issue: bets in issue order, one walk along the
    // history (no search among 300,000 draws for every bet).
    std::vector<std::pair<qint32, quint32>> byIssue;
    byIssue.reserve(bets.size());
    for (size_t i = 0; i < bets.size(); ++i)
        byIssue.emplace_back(bets[i].issue, quint32(i));
    // Bets are placed as the draws go: nearly always in issue order already.
    if (!std::is_sorted(byIssue.begin(), byIssue.end()))
        std::sort(byIssue.begin(), byIssue.end());
    int at = byIssue.empty() ? 0 : history.lowerBound(byIssue.front().first);
    for (const auto &[issue, i] : byIssue) {
        while (at < history.count() && history.issue(at) < issue)
            ++at;
        if (at >= history.count() || history.issue(at) != issue)
            continue;
        Settled &s = out[i];
        const Numbers n = history.numbers(at);
        const bool dice = n[0] >= 1 && n[0] <= 6 && n[1] >= 1 && n[1] <= 6 && n[2] >= 1 && n[2] <= 6;
        const bool won = dice ? known[choiceOf[i]].wins[size_t((n[0] - 1) * 36 + (n[1] - 1) * 6 + n[2] - 1)]
                              : s.bet.choice.wins(n);
        s.state = won ? State::Won : State::Lost;
        s.prize = won ? s.payout : 0;
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
