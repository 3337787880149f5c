#include "ChasePlan.h"

#include "BetTable.h"
#include "IssueNumbers.h"
#include "ProvinceTable.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace Chase {

QString ruleName(Rule rule)
{
    switch (rule) {
    case Rule::Same:
        return QStringLiteral("同倍");
    case Rule::Double:
        return QStringLiteral("翻倍");
    case Rule::Profit:
        break;
    }
    return QStringLiteral("利润率");
}

std::optional<qint32> nextIssue(qint32 issue, int game, int drawsPerDay)
{
    if (game == ProvinceTable::runningIssueGame)
        return issue < std::numeric_limits<qint32>::max() ? std::optional<qint32>(issue + 1) : std::nullopt;
    return IssueNumbers::next(issue, drawsPerDay);
}

std::optional<Plan> make(const Request &r, const Plays::PrizeTable &prizes, QString *why)
{
    const auto refuse = [why](const QString &text) -> std::optional<Plan> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (r.issues < 1 || r.issues > maxIssues)
        return refuse(QStringLiteral("期数 %1 不对：应为 1 到 %2").arg(r.issues).arg(maxIssues));
    if (r.maxMultiple < 1 || r.maxMultiple > largestMultiple)
        return refuse(QStringLiteral("最大倍数 %1 不对：应为 1 到 %2").arg(r.maxMultiple).arg(largestMultiple));
    if (r.multiple < 1 || r.multiple > r.maxMultiple)
        return refuse(QStringLiteral("起始倍数 %1 不对：应为 1 到最大倍数 %2").arg(r.multiple).arg(r.maxMultiple));
    if (r.budget && *r.budget < 1)
        return refuse(QStringLiteral("预算 %1 元不对：应为正整数").arg(*r.budget));
    const qint64 prize = prizes.prize(r.choice);
    // What the 利润率 rule divides by: a win of m multiples keeps R% when
    // m · (100·prize − 2·(100 + R)) ≥ S · (100 + R).
    const qint64 keep = 100 + qint64(r.rate);
    const qint64 margin = 100 * prize - 2 * keep;
    if (r.rule == Rule::Profit) {
        if (r.rate < 0 || r.rate > maxRate)
            return refuse(QStringLiteral("利润率 %1% 不对：应为 0 到 %2 的整数").arg(r.rate).arg(maxRate));
        if (margin <= 0)
            return refuse(QStringLiteral("利润率 %1% 做不到：%2中奖 %3 元，每注 2 元，多少倍中奖都留不下 %1% 的利润")
                              .arg(r.rate)
                              .arg(Plays::name(r.choice.play))
                              .arg(prize));
    }
    Plan plan;
    plan.chance = r.choice.chance();
    qint64 spent = 0, multiple = r.multiple;
    qint32 issue = r.firstIssue;
    for (int k = 0; k < r.issues; ++k) {
        if (k > 0) {
            const std::optional<qint32> next = nextIssue(issue, r.game, r.drawsPerDay);
            if (!next)
                return refuse(QStringLiteral("第 %1 期之后排不出下一期").arg(issue));
            issue = *next;
            if (r.rule == Rule::Double)
                multiple *= 2;
        }
        if (r.rule == Rule::Profit)
            multiple = std::max<qint64>(r.multiple, (spent * keep + margin - 1) / margin);
        if (multiple > r.maxMultiple) {
            plan.stoppedBy = StoppedBy::MaxMultiple;
            break;
        }
        const qint64 cost = qint64(Plays::betCost) * multiple;
        if (r.budget && spent + cost > *r.budget) {
            plan.stoppedBy = StoppedBy::Budget;
            break;
        }
        spent += cost;
        plan.rows.push_back({issue, multiple, cost, spent, prize * multiple, prize * multiple - spent});
    }
    if (plan.rows.empty())
        return refuse(QStringLiteral("第一期就超过了%1，没有可以买的期")
                          .arg(plan.stoppedBy == StoppedBy::Budget ? QStringLiteral("预算 %1 元").arg(*r.budget)
                                                                   : QStringLiteral("最大倍数 %1").arg(r.maxMultiple)));
    const double p = plan.chance, q = 1 - p;
    double reached = 1; // the chance that the plan is still running at issue k
    for (const Row &row : plan.rows) {
        plan.expectedNet += (r.keepAfterWin ? 1.0 : reached) * (p * double(row.win) - double(row.cost));
        reached *= q;
    }
    plan.loseAll = reached;
    plan.worstCase = spent;
    return plan;
}

std::optional<qint64> place(HistoryDb &db, const Request &r, const Plan &plan, const QString &placed)
{
    const QString play = Plays::name(r.choice.play);
    std::vector<StoredBet> bets;
    for (const Row &row : plan.rows)
        bets.push_back({0, row.issue, play, r.choice.numbers, int(row.multiple), std::nullopt, placed});
    const StoredPlan stored{0, play, r.choice.numbers, ruleName(r.rule), r.multiple,
                            r.rule == Rule::Profit ? std::optional<int>(r.rate) : std::nullopt,
                            r.maxMultiple, r.budget, !r.keepAfterWin, r.issues, placed};
    return BetTable::addPlan(db, stored, bets);
}

QString yuan(double value)
{
    const qint64 whole = qint64(std::llround(value));
    const QString digits = QLocale(QLocale::English).toString(std::abs(whole));
    return whole < 0 ? QStringLiteral("−") + digits : digits;
}

QString stoppedByText(StoppedBy stoppedBy, int maxMultiple, std::optional<qint64> budget)
{
    switch (stoppedBy) {
    case StoppedBy::None:
        break;
    case StoppedBy::Budget:
        return QStringLiteral("再买一期就超过预算 %1 元，计划到此为止").arg(yuan(double(budget.value_or(0))));
    case StoppedBy::MaxMultiple:
        return QStringLiteral("再买一期倍数就超过最大倍数 %1，计划到此为止（倍数不会被悄悄压低：压低了的翻倍收不回前面的投入）")
            .arg(maxMultiple);
    }
    return {};
}

QString honestLine(const Plan &plan)
{
    return QStringLiteral("最坏情况：全部不中，花 %1 元（概率 %2%）；按公平开奖平均净 %3 元")
        .arg(yuan(double(plan.worstCase)), QString::number(plan.loseAll * 100, 'f', 1), yuan(plan.expectedNet));
}

} // namespace Chase
