// The player's bets: placed, listed with their settlement against the stored draws, removed.
#include "CliContext.h"

#include "BetTable.h"
#include "Ledger.h"

#include <charconv>
#include <set>
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
    c.checkDailyLimit(qint64(Plays::betCost) * multiple);
    const std::optional<qint64> id =
        BetTable::add(c.db, Ledger::toStored({0, issue, *choice, multiple, std::nullopt, true}, c.placedNow()));
    if (!id)
        throw UsageError{QStringLiteral("投注没有保存：%1").arg(c.db.userError())};
    out << *id << '\n';
    return 0;
}

// `bet list --json`, written as UTF-8 bytes a block at a time as the bets are settled: a ledger
// of 100,000 bets is 12 MB of JSON, which is never held whole.
class BetsJson
{
public:
    explicit BetsJson(QTextStream &out) : m_out(out), m_block(blockBytes, Qt::Uninitialized), m_at(m_block.data())
    {
        for (int p = 0; p < Plays::playCount; ++p)
            m_plays[size_t(p)] = Plays::name(Plays::Play(p)).toStdString();
        for (const Ledger::State state :
             {Ledger::State::Pending, Ledger::State::Won, Ledger::State::Lost, Ledger::State::Withdrawn})
            m_states[size_t(state)] = Ledger::stateName(state).toStdString();
        m_out.flush();
        text("{\"bets\":[");
    }

    // `game`: the bet's game, for the ledger over every game.
    void add(const Ledger::Settled &s, std::optional<int> game = std::nullopt)
    {
        // Every bet fits in 200 bytes: written through a pointer, the block sent when it may not
        // hold the next.
        if (m_block.data() + blockBytes - m_at < 200)
            flush();
        text(m_first ? "{\"id\":" : ",{\"id\":");
        m_first = false;
        number(s.bet.id);
        text(",\"issue\":");
        number(s.bet.issue);
        text(",\"play\":\"");
        text(m_plays[size_t(s.bet.choice.play)]);
        text("\",\"numbers\":\"");
        for (const QChar c : s.bet.choice.numbers)
            *m_at++ = char(c.unicode());
        text("\",\"multiple\":");
        number(s.bet.multiple);
        text(",\"cost\":");
        number(s.cost());
        text(",\"state\":\"");
        text(m_states[size_t(s.state)]);
        text("\",\"prize\":");
        number(s.prize);
        text(",\"plan\":");
        if (s.bet.plan)
            number(*s.bet.plan);
        else
            text("null");
        if (game) {
            text(",\"game\":");
            number(*game);
        }
        *m_at++ = '}';
    }

    void finish(const Ledger::Totals &t, const std::vector<Ledger::Unreadable> &unreadable)
    {
        QStringList rows;
        for (const Ledger::Unreadable &u : unreadable)
            rows << QStringLiteral("{\"id\":%1,\"reason\":%2}").arg(u.id).arg(jsonText(u.reason));
        finish(std::nullopt, t, rows);
    }
    // With `games` (the ledger over every game): its per-game totals before the totals.
    void finish(const std::optional<QString> &games, const Ledger::Totals &t, const QStringList &unreadable)
    {
        flush();
        send(QStringLiteral("]%1,%2,\"unreadable\":[%3]}\n")
                 .arg(games ? QStringLiteral(",\"games\":[%1]").arg(*games) : QString(), totalsJson(t),
                      unreadable.join(QLatin1Char(',')))
                 .toUtf8());
    }
    static QString totalsJson(const Ledger::Totals &t)
    {
        return QStringLiteral("\"count\":%1,\"spent\":%2,\"won\":%3,\"net\":%4,\"expected\":%5,\"sd\":%6")
            .arg(t.count)
            .arg(t.spent)
            .arg(t.won)
            .arg(t.net())
            .arg(jsonNumber(t.expected), jsonNumber(t.sd));
    }

private:
    static constexpr qsizetype blockBytes = 256 * 1024;

    void text(std::string_view piece) { m_at = std::copy(piece.begin(), piece.end(), m_at); }
    void number(qint64 n) { m_at = std::to_chars(m_at, m_at + 24, n).ptr; }
    void flush()
    {
        send(QByteArrayView(m_block.data(), m_at - m_block.data()));
        m_at = m_block.data();
    }
    void send(QByteArrayView bytes)
    {
        if (m_out.device())
            m_out.device()->write(bytes.data(), bytes.size());
        else
            m_out << QString::fromUtf8(bytes);
    }

    QTextStream &m_out;
    std::array<std::string, Plays::playCount> m_plays;
    std::array<std::string, 4> m_states;
    QByteArray m_block;
    char *m_at;
    bool m_first = true;
};

// `bet list --all-games`: every game's ledger, each read from its own history file once (a file
// read for one game is never counted for another), settled on its own draws; a history that cannot
// be read is named and its bets are not counted.
int listAllGames(Context &c, std::optional<qint32> from, std::optional<qint32> to, bool json, QTextStream &out)
{
    std::optional<BetsJson> jsonOut;
    if (json)
        jsonOut.emplace(out);
    QList<QStringList> rows{{QStringLiteral("彩种"), QStringLiteral("编号"), QStringLiteral("期号"), QStringLiteral("玩法"),
                             QStringLiteral("号码"), QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("状态"),
                             QStringLiteral("奖金")}};
    QStringList gamesJson, unreadableJson, lines;
    const Ledger::AllGames report = Ledger::readAllGames(
        c.folder, c.mainFile, unrecordedGame, [&c](int game) { return c.prizesOf(game); },
        [&](const Ledger::Bet &bet) { return (!from || bet.issue >= *from) && (!to || bet.issue <= *to); },
        [&](int game, const Ledger::Settled &s) {
            if (jsonOut)
                jsonOut->add(s, game);
            else
                rows << QStringList{ProvinceTable::at(game).caption, QString::number(s.bet.id), QString::number(s.bet.issue),
                                    Plays::name(s.bet.choice.play), s.bet.choice.numbers, QString::number(s.bet.multiple),
                                    QString::number(s.cost()), Ledger::stateName(s.state), QString::number(s.prize)};
        },
        [&](int game, std::optional<qint64> id, const QString &reason) {
            unreadableJson << QStringLiteral("{\"game\":%1,\"id\":%2,\"reason\":%3}")
                                  .arg(game)
                                  .arg(id ? QString::number(*id) : QStringLiteral("null"), jsonText(reason));
            if (c.err)
                *c.err << ProvinceTable::at(game).caption << QStringLiteral("：")
                       << (id ? QStringLiteral("投注 %1 无法读取：%2").arg(*id).arg(reason) : reason) << '\n';
        });
    for (const Ledger::GameTotals &g : report.games) {
        gamesJson << QStringLiteral("{\"index\":%1,%2}").arg(g.game).arg(BetsJson::totalsJson(g.totals));
        lines << ProvinceTable::at(g.game).caption + QStringLiteral("：") + Ledger::totalsLine(g.totals);
    }
    const Ledger::Totals &all = report.all;
    if (jsonOut) {
        jsonOut->finish(gamesJson.join(QLatin1Char(',')), all, unreadableJson);
        return 0;
    }
    out << alignedTable(rows);
    for (const QString &line : std::as_const(lines))
        out << line << '\n';
    out << QStringLiteral("全部彩种：") << Ledger::totalsLine(all) << '\n';
    if (!unreadableJson.isEmpty())
        out << QStringLiteral("另有 %1 处投注记录无法读取，没有列出也没有计入合计").arg(unreadableJson.size()) << '\n';
    if (all.settled > 0)
        out << Ledger::fairSentence(all) << '\n';
    return 0;
}

int listBets(Context &c, Arguments &args, QTextStream &out)
{
    std::optional<qint32> from, to;
    bool json = false, allGames = false;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--from"))
            from = issueNumber(args.valueOf(option), option);
        else if (option == QLatin1String("--to"))
            to = issueNumber(args.valueOf(option), option);
        else if (option == QLatin1String("--json"))
            json = true;
        else if (option == QLatin1String("--all-games"))
            allGames = true;
        else if (option == QLatin1String("--prizes"))
            c.prizesFile = args.valueOf(option);
        else
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(option)};
    }
    if (from && to && *from > *to)
        throw UsageError{QStringLiteral("--from %1 在 --to %2 之后：起始期号不能大于结束期号").arg(*from).arg(*to)};
    if (allGames)
        return listAllGames(c, from, to, json, out);
    c.open();
    const Plays::PrizeTable prizes = c.prizes(); // the chosen game's
    // Each bet settled as it is read; JSON is written as it goes, the table kept for its widths.
    Ledger::Settler settler(c.snapshot, prizes);
    Ledger::Totals t;
    std::vector<Ledger::Settled> settled;
    std::vector<Ledger::Unreadable> unreadable;
    std::optional<BetsJson> jsonOut;
    if (json)
        jsonOut.emplace(out);
    const bool read = Ledger::readBets(c.db, c.game, [&](const Ledger::Bet &bet) {
        // Settled in or out of range: a plan's win before the range withdraws its bets within it.
        const Ledger::Settled s = settler.settle(bet);
        if ((from && bet.issue < *from) || (to && bet.issue > *to))
            return;
        t.add(s);
        if (jsonOut)
            jsonOut->add(s);
        else
            settled.push_back(s);
    }, unreadable);
    if (!read)
        throw UsageError{QStringLiteral("无法读取投注记录：%1").arg(c.db.userError())};
    // Rows another tool wrote that are no bets: named, never counted.
    for (const Ledger::Unreadable &u : unreadable)
        if (c.err)
            *c.err << QStringLiteral("投注 %1 无法读取：%2\n").arg(u.id).arg(u.reason);
    if (jsonOut) {
        jsonOut->finish(t, unreadable);
        return 0;
    }
    QList<QStringList> rows{{QStringLiteral("编号"), QStringLiteral("期号"), QStringLiteral("玩法"), QStringLiteral("号码"),
                             QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("状态"), QStringLiteral("奖金")}};
    for (const Ledger::Settled &s : settled)
        rows << QStringList{QString::number(s.bet.id), QString::number(s.bet.issue), Plays::name(s.bet.choice.play),
                            s.bet.choice.numbers, QString::number(s.bet.multiple), QString::number(s.cost()),
                            Ledger::stateName(s.state), QString::number(s.prize)};
    out << alignedTable(rows) << Ledger::totalsLine(t) << '\n';
    if (!unreadable.empty())
        out << Ledger::unreadableLine(unreadable) << '\n';
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
