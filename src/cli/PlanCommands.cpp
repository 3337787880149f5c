// Chase plans (追号): made and shown with their worst case, placed as bets of the ledger, listed
// and cancelled.
#include "CliContext.h"

#include "BetTable.h"
#include "ChasePlan.h"
#include "Ledger.h"

#include <limits>
#include <map>

namespace Cli {

namespace {

QString stoppedByKey(Chase::StoppedBy stoppedBy)
{
    switch (stoppedBy) {
    case Chase::StoppedBy::None:
        break;
    case Chase::StoppedBy::Budget:
        return QStringLiteral("\"budget\"");
    case Chase::StoppedBy::MaxMultiple:
        return QStringLiteral("\"max_multiple\"");
    }
    return QStringLiteral("null");
}

// The first issue of a plan: --from, else the next issue of the stored draws.
qint32 firstIssue(Context &c, const std::optional<qint32> &from)
{
    if (!from && c.snapshot.isEmpty())
        throw UsageError{QStringLiteral("还没有历史号码，不知道下一期：请用 --from 指明第一期")};
    const qint32 issue = from ? *from : c.nextIssue();
    if (const QString why = Ledger::issueProblem(issue, c.game); !why.isEmpty())
        throw UsageError{why};
    if (c.game != ProvinceTable::runningIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(issue, c.drawsPerDay()); !why.isEmpty())
            throw UsageError{why};
    }
    return issue;
}

int makePlan(Context &c, const QString &playName, Arguments &args, QTextStream &out)
{
    Chase::Request r;
    std::optional<int> issues;
    std::optional<qint32> from;
    QString numbers;
    bool place = false, json = false, doubled = false;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word == QLatin1String("--issues"))
            issues = int(wholeNumber(args.valueOf(word), word, 1, Chase::maxIssues));
        else if (word == QLatin1String("--from"))
            from = issueNumber(args.valueOf(word), word);
        else if (word == QLatin1String("--multiple"))
            r.multiple = int(wholeNumber(args.valueOf(word), word, 1, Chase::largestMultiple));
        else if (word == QLatin1String("--double"))
            doubled = true;
        else if (word == QLatin1String("--profit")) {
            r.rule = Chase::Rule::Profit;
            r.rate = int(wholeNumber(args.valueOf(word), word, 0, Chase::maxRate));
        } else if (word == QLatin1String("--max-multiple"))
            r.maxMultiple = int(wholeNumber(args.valueOf(word), word, 1, Chase::largestMultiple));
        else if (word == QLatin1String("--budget"))
            r.budget = wholeNumber(args.valueOf(word), word, 1, 1'000'000'000'000);
        else if (word == QLatin1String("--keep-after-win"))
            r.keepAfterWin = true;
        else if (word == QLatin1String("--prizes"))
            c.prizesFile = args.valueOf(word);
        else if (word == QLatin1String("--place"))
            place = true;
        else if (word == QLatin1String("--json"))
            json = true;
        else if (!word.startsWith(QLatin1String("--")) && numbers.isNull())
            numbers = word;
        else
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(word)};
    }
    if (doubled && r.rule == Chase::Rule::Profit)
        throw UsageError{QStringLiteral("--double 和 --profit 只能选一个")};
    if (doubled)
        r.rule = Chase::Rule::Double;
    if (!issues)
        throw UsageError{QStringLiteral("plan 需要 --issues N：追多少期")};
    r.issues = *issues;
    const std::optional<Plays::Play> play = Plays::byName(playName);
    if (!play)
        throw UsageError{QStringLiteral("不认识的玩法：%1（玩法有 %2）").arg(playName, Plays::names().join(QStringLiteral("、")))};
    QString why;
    const std::optional<Plays::Choice> choice = Plays::choice(*play, numbers, &why);
    if (!choice)
        throw UsageError{why};
    r.choice = *choice;
    c.open();
    r.game = c.game;
    r.drawsPerDay = c.drawsPerDay();
    r.firstIssue = firstIssue(c, from);
    const std::optional<Chase::Plan> plan = Chase::make(r, c.prizes(), &why);
    if (!plan)
        throw UsageError{why};
    std::optional<qint64> placed;
    if (place) {
        c.checkDailyLimit(plan->worstCase);
        placed = Chase::place(c.db, r, *plan, Context::placedNow());
        if (!placed)
            throw UsageError{QStringLiteral("追号计划没有保存：%1").arg(c.db.userError())};
    }
    if (json) {
        QStringList rows;
        for (const Chase::Row &row : plan->rows)
            rows << QStringLiteral("{\"issue\":%1,\"multiple\":%2,\"cost\":%3,\"spent\":%4,\"win\":%5,\"net_if_win\":%6}")
                        .arg(row.issue)
                        .arg(row.multiple)
                        .arg(row.cost)
                        .arg(row.spent)
                        .arg(row.win)
                        .arg(row.netIfWin);
        out << QStringLiteral("{\"rows\":[%1],\"worst_case\":%2,\"p_lose_all\":%3,\"expected_net\":%4,\"stopped_by\":%5%6}\n")
                   .arg(rows.join(QLatin1Char(',')))
                   .arg(plan->worstCase)
                   .arg(jsonNumber(plan->loseAll), jsonNumber(plan->expectedNet), stoppedByKey(plan->stoppedBy),
                        placed ? QStringLiteral(",\"plan\":%1").arg(*placed) : QString());
        return 0;
    }
    out << Chase::honestLine(*plan) << '\n';
    if (const QString stopped = Chase::stoppedByText(plan->stoppedBy, r.maxMultiple, r.budget); !stopped.isEmpty())
        out << stopped << '\n';
    QList<QStringList> table{{QStringLiteral("期号"), QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("累计投入"),
                              QStringLiteral("中奖奖金"), QStringLiteral("中奖净收益")}};
    for (const Chase::Row &row : plan->rows)
        table << QStringList{QString::number(row.issue), QString::number(row.multiple), QString::number(row.cost),
                             QString::number(row.spent), QString::number(row.win), QString::number(row.netIfWin)};
    out << alignedTable(table);
    if (placed)
        out << QStringLiteral("已记入投注记录：追号计划 %1，共 %2 期\n").arg(*placed).arg(plan->rows.size());
    return 0;
}

// What became of a plan, from its bets as settled now.
struct PlanState
{
    int bets = 0;
    qint64 spent = 0;
    qint64 won = 0;
    bool pending = false;
    bool wonAndStopped = false;
};

QString stateOf(const PlanState &s)
{
    if (s.bets == 0)
        return QStringLiteral("已撤销");
    if (s.wonAndStopped)
        return QStringLiteral("中奖停止");
    return s.pending ? QStringLiteral("进行中") : QStringLiteral("已结束");
}

int listPlans(Context &c, Arguments &args, QTextStream &out)
{
    bool json = false;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word != QLatin1String("--json"))
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(word)};
        json = true;
    }
    c.open();
    std::map<qint64, PlanState> states;
    Ledger::Settler settler(c.snapshot, c.prizes());
    std::vector<Ledger::Unreadable> unreadable;
    if (!Ledger::readBets(c.db, c.game, [&](const Ledger::Bet &bet) {
            const Ledger::Settled s = settler.settle(bet);
            if (!bet.plan)
                return;
            PlanState &state = states[*bet.plan];
            ++state.bets;
            state.spent += s.cost();
            state.won += s.prize;
            state.pending = state.pending || s.state == Ledger::State::Pending;
            state.wonAndStopped = state.wonAndStopped || (s.state == Ledger::State::Won && bet.stopsAfterWin);
        }, unreadable))
        throw UsageError{QStringLiteral("无法读取投注记录：%1").arg(c.db.userError())};
    QStringList rows;
    QList<QStringList> table{{QStringLiteral("编号"), QStringLiteral("玩法"), QStringLiteral("号码"), QStringLiteral("规则"),
                              QStringLiteral("期数"), QStringLiteral("状态"), QStringLiteral("投注额"), QStringLiteral("奖金")}};
    if (!BetTable::readPlans(c.db, [&](const StoredPlan &p, const QString &why) {
            if (!why.isEmpty()) {
                if (c.err)
                    *c.err << why << '\n';
                return;
            }
            const PlanState s = states[p.id];
            const QString rule = p.rate ? QStringLiteral("%1 %2%").arg(p.rule).arg(*p.rate) : p.rule;
            rows << QStringLiteral("{\"id\":%1,\"play\":%2,\"numbers\":%3,\"rule\":%4,\"rate\":%5,\"issues\":%6,\"bets\":%7,"
                                   "\"state\":%8,\"spent\":%9,\"won\":%10}")
                        .arg(p.id)
                        .arg(jsonText(p.play), jsonText(p.numbers), jsonText(p.rule),
                             p.rate ? QString::number(*p.rate) : QStringLiteral("null"))
                        .arg(p.issues)
                        .arg(s.bets)
                        .arg(jsonText(stateOf(s)))
                        .arg(s.spent)
                        .arg(s.won);
            table << QStringList{QString::number(p.id), p.play, p.numbers, rule, QString::number(p.issues), stateOf(s),
                                 QString::number(s.spent), QString::number(s.won)};
        }))
        throw UsageError{QStringLiteral("无法读取追号计划：%1").arg(c.db.userError())};
    if (json)
        out << QStringLiteral("{\"plans\":[%1]}\n").arg(rows.join(QLatin1Char(',')));
    else
        out << alignedTable(table);
    return 0;
}

int cancelPlan(Context &c, Arguments &args, QTextStream &out)
{
    const qint64 id = wholeNumber(args.valueOf(QStringLiteral("plan cancel")), QStringLiteral("追号计划编号"), 1,
                                  std::numeric_limits<qint64>::max());
    std::optional<qint32> from;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word != QLatin1String("--from"))
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(word)};
        from = issueNumber(args.valueOf(word), word);
    }
    c.open();
    // By default every issue not yet drawn: those after the last stored draw.
    const qint32 start = from ? *from : c.snapshot.isEmpty() ? 1 : c.snapshot.last().sqqh + 1;
    const std::optional<int> removed = BetTable::cancelPlan(c.db, id, start);
    if (!removed)
        throw UsageError{QStringLiteral("追号计划没有撤销：%1").arg(c.db.userError())};
    out << QStringLiteral("已撤销追号计划 %1 从第 %2 期起的 %3 注投注\n").arg(id).arg(start).arg(*removed);
    return 0;
}

} // namespace

int plan(Context &c, Arguments &args, QTextStream &out)
{
    const QString first = args.valueOf(QStringLiteral("plan"));
    if (first == QLatin1String("list"))
        return listPlans(c, args, out);
    if (first == QLatin1String("cancel"))
        return cancelPlan(c, args, out);
    return makePlan(c, first, args, out);
}

} // namespace Cli
