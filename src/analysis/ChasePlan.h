#pragma once

#include "Plays.h"

#include <QString>

class HistoryDb;
#include <optional>
#include <vector>

// 追号: one play and numbers bought over several issues in a row, the multiple of each issue set
// by a rule, and what that costs at worst and on average for fair dice, before any money goes.
namespace Chase {

enum class Rule {
    Same,   // 同倍: M on every issue
    Double, // 翻倍: M, 2M, 4M, …
    Profit, // 利润率 R%: the smallest multiple ≥ M whose win keeps R% of all spent so far
};
QString ruleName(Rule rule); // 同倍, 翻倍, 利润率

enum class StoppedBy { None, Budget, MaxMultiple };

constexpr int maxIssues = 1000;
constexpr int maxRate = 1000;
constexpr int largestMultiple = 10'000; // the ledger's

struct Request
{
    Plays::Choice choice;
    int game = 0;
    int drawsPerDay = 78;
    qint32 firstIssue = 0;
    int issues = 1;   // N
    int multiple = 1; // M, the first issue's
    Rule rule = Rule::Same;
    int rate = 0;     // R, for 利润率
    int maxMultiple = largestMultiple;
    std::optional<qint64> budget; // 元
    bool keepAfterWin = false;    // else the plan stops after its first win
};

struct Row
{
    qint32 issue = 0;
    qint64 multiple = 0;
    qint64 cost = 0;     // 2 元 × multiple
    qint64 spent = 0;    // this issue's cost and all before it
    qint64 win = 0;      // prize × multiple
    qint64 netIfWin = 0; // win − spent
};

struct Plan
{
    std::vector<Row> rows;
    StoppedBy stoppedBy = StoppedBy::None; // what ended it before the issues asked for
    double chance = 0;      // of winning one issue, for fair dice
    qint64 worstCase = 0;   // every issue lost: the whole cost
    double loseAll = 0;     // (1 − p)^n
    double expectedNet = 0; // for fair dice, stopping after a win unless the plan keeps going
};

// The issue after `issue` in `game` (北京快3's running numbers go on; dated issues roll over to
// the next day after the day's last draw). Nothing when none can be formed.
std::optional<qint32> nextIssue(qint32 issue, int game, int drawsPerDay);

// The plan the request makes with the prizes of `prizes`; nothing, with `why` in one line, when
// it cannot be made (an impossible rate, no issue within the caps, inputs out of range).
std::optional<Plan> make(const Request &request, const Plays::PrizeTable &prizes, QString *why);

// Stores the plan and its rows as bets of the ledger, placed at `placed` (one transaction: all
// or nothing); the plan's new id, or nothing (db.userError() says why).
std::optional<qint64> place(HistoryDb &db, const Request &request, const Plan &plan, const QString &placed);

// "最坏情况：全部不中，花 2,046 元（概率 22.4%）；按公平开奖平均净 −281 元", with what ended the plan early.
QString honestLine(const Plan &plan);
QString stoppedByText(StoppedBy stoppedBy, int maxMultiple, std::optional<qint64> budget);
// 元 as a whole number with thousands separated ("2,046", "−281").
QString yuan(double value);

} // namespace Chase
