// The player's bets: placed, listed with their settlement against the stored draws, removed.
#include "CliContext.h"

#include "BetTable.h"
#include "Ledger.h"

#include <charconv>
#include <string>
#include <string_view>

namespace Cli {

namespace {

int addBet(Context &c, Arguments &args, QTextStream &out)
{
    QStringList words;
    int multiple = 1;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word == QLatin1String("--multiple"))
            multiple = int(wholeNumber(args.valueOf(word), word, 1, Ledger::maxMultiple));
        else if (word.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(word)};
        else
            words << word;
    }
    if (words.size() < 2 || words.size() > 3)
        throw UsageError{QStringLiteral("用法：bet add ISSUE PLAY [NUMBERS] [--multiple M]")};
    const qint32 issue = issueNumber(words[0], QStringLiteral("期号"));
    if (const QString why = Ledger::issueProblem(issue, c.game); !why.isEmpty())
        throw UsageError{why};
    if (c.game != ProvinceTable::runningIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(issue, c.drawsPerDay()); !why.isEmpty())
            throw UsageError{why};
    }
    const std::optional<Plays::Play> play = Plays::byName(words[1]);
    if (!play)
        throw UsageError{QStringLiteral("不认识的玩法：%1（玩法有 %2）").arg(words[1], Plays::names().join(QStringLiteral("、")))};
    QString why;
    const std::optional<Plays::Choice> choice = Plays::choice(*play, words.value(2), &why);
    if (!choice)
        throw UsageError{why};
    c.open(false);
    const std::optional<qint64> id = BetTable::add(c.db, Ledger::toStored({0, issue, *choice, multiple}));
    if (!id)
        throw UsageError{QStringLiteral("投注没有保存：%1").arg(c.db.userError())};
    out << *id << '\n';
    return 0;
}

// Written as UTF-8 bytes straight away: a ledger of 100,000 bets is 12 MB of JSON.
QByteArray betsJson(const std::vector<Ledger::Settled> &settled, const Ledger::Totals &t,
                    const std::vector<Ledger::Unreadable> &unreadable)
{
    std::array<std::string, Plays::playCount> plays;
    for (int p = 0; p < Plays::playCount; ++p)
        plays[size_t(p)] = Plays::name(Plays::Play(p)).toStdString();
    const std::array<std::string, 3> states{Ledger::stateName(Ledger::State::Pending).toStdString(),
                                            Ledger::stateName(Ledger::State::Won).toStdString(),
                                            Ledger::stateName(Ledger::State::Lost).toStdString()};
    // Every bet fits in 200 bytes: written through a pointer, the array cut to size after.
    QByteArray json(qsizetype(settled.size()) * 200 + 16, Qt::Uninitialized);
    char *at = json.data();
    const auto text = [&at](std::string_view piece) { at = std::copy(piece.begin(), piece.end(), at); };
    const auto number = [&at](qint64 n) { at = std::to_chars(at, at + 24, n).ptr; };
    text("{\"bets\":[");
    for (size_t i = 0; i < settled.size(); ++i) {
        const Ledger::Settled &s = settled[i];
        text(i ? ",{\"id\":" : "{\"id\":");
        number(s.bet.id);
        text(",\"issue\":");
        number(s.bet.issue);
        text(",\"play\":\"");
        text(plays[size_t(s.bet.choice.play)]);
        text("\",\"numbers\":\"");
        for (const QChar c : s.bet.choice.numbers)
            *at++ = char(c.unicode());
        text("\",\"multiple\":");
        number(s.bet.multiple);
        text(",\"cost\":");
        number(s.bet.cost());
        text(",\"state\":\"");
        text(states[size_t(s.state)]);
        text("\",\"prize\":");
        number(s.prize);
        *at++ = '}';
    }
    json.truncate(at - json.data());
    QStringList rows;
    for (const Ledger::Unreadable &u : unreadable)
        rows << QStringLiteral("{\"id\":%1,\"reason\":%2}").arg(u.id).arg(jsonText(u.reason));
    json += QStringLiteral("],\"count\":%1,\"spent\":%2,\"won\":%3,\"net\":%4,\"expected\":%5,\"sd\":%6,"
                           "\"unreadable\":[%7]}\n")
                .arg(t.count)
                .arg(t.spent)
                .arg(t.won)
                .arg(t.net())
                .arg(jsonNumber(t.expected), jsonNumber(t.sd), rows.join(QLatin1Char(',')))
                .toUtf8();
    return json;
}

int listBets(Context &c, Arguments &args, QTextStream &out)
{
    std::optional<qint32> from, to;
    bool json = false;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--from"))
            from = issueNumber(args.valueOf(option), option);
        else if (option == QLatin1String("--to"))
            to = issueNumber(args.valueOf(option), option);
        else if (option == QLatin1String("--json"))
            json = true;
        else if (option == QLatin1String("--prizes"))
            c.prizesFile = args.valueOf(option);
        else
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(option)};
    }
    if (from && to && *from > *to)
        throw UsageError{QStringLiteral("--from %1 在 --to %2 之后：起始期号不能大于结束期号").arg(*from).arg(*to)};
    const Plays::PrizeTable prizes = c.prizes();
    c.open();
    std::optional<Ledger::Bets> read = Ledger::readBets(c.db, c.game);
    if (!read)
        throw UsageError{QStringLiteral("无法读取投注记录：%1").arg(c.db.userError())};
    std::vector<Ledger::Bet> bets = std::move(read->bets);
    // Rows another tool wrote that are no bets: named, never counted.
    for (const Ledger::Unreadable &u : read->unreadable)
        if (c.err)
            *c.err << QStringLiteral("投注 %1 无法读取：%2\n").arg(u.id).arg(u.reason);
    std::erase_if(bets, [&](const Ledger::Bet &b) { return (from && b.issue < *from) || (to && b.issue > *to); });
    const std::vector<Ledger::Settled> settled = Ledger::settle(bets, c.snapshot, prizes);
    const Ledger::Totals t = Ledger::totals(settled);
    if (json) {
        out.flush();
        if (out.device())
            out.device()->write(betsJson(settled, t, read->unreadable));
        else
            out << QString::fromUtf8(betsJson(settled, t, read->unreadable));
        return 0;
    }
    QList<QStringList> rows{{QStringLiteral("编号"), QStringLiteral("期号"), QStringLiteral("玩法"), QStringLiteral("号码"),
                             QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("状态"), QStringLiteral("奖金")}};
    for (const Ledger::Settled &s : settled)
        rows << QStringList{QString::number(s.bet.id), QString::number(s.bet.issue), Plays::name(s.bet.choice.play),
                            s.bet.choice.numbers, QString::number(s.bet.multiple), QString::number(s.bet.cost()),
                            Ledger::stateName(s.state), QString::number(s.prize)};
    out << alignedTable(rows) << Ledger::totalsLine(t) << '\n';
    if (!read->unreadable.empty())
        out << Ledger::unreadableLine(read->unreadable) << '\n';
    if (t.settled > 0)
        out << Ledger::fairSentence(t) << '\n';
    return 0;
}

int removeBet(Context &c, Arguments &args, QTextStream &out)
{
    const qint64 id = wholeNumber(args.valueOf(QStringLiteral("bet remove")), QStringLiteral("投注编号"), 1,
                                  std::numeric_limits<qint64>::max());
    if (!args.atEnd())
        throw UsageError{QStringLiteral("bet remove 只接受一个投注编号")};
    c.open(false);
    if (!BetTable::remove(c.db, id))
        throw UsageError{QStringLiteral("投注没有删除：%1").arg(c.db.userError())};
    out << QStringLiteral("已删除投注 %1\n").arg(id);
    return 0;
}

} // namespace

int bet(Context &c, Arguments &args, QTextStream &out)
{
    const QString what = args.valueOf(QStringLiteral("bet"));
    if (what == QLatin1String("add"))
        return addBet(c, args, out);
    if (what == QLatin1String("list"))
        return listBets(c, args, out);
    if (what == QLatin1String("remove"))
        return removeBet(c, args, out);
    throw UsageError{QStringLiteral("bet 后面应为 add、list 或 remove：%1").arg(what)};
}

} // namespace Cli
