#pragma once

#include "FairDice.h"
#include "Plays.h"
#include "HistorySnapshot.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// 走势与遗漏: what results sites show of the latest draws (numbers, sums and forms, and how many
// draws since each last came), with what fair dice say of it. Pure functions over the history.
namespace TrendOmission {

// 形态 of a draw for the trend rows: 三连号 before 三不同号.
QString formOf(const Numbers &numbers);

// One value of a group, over a range of draws.
struct ValueStats
{
    QString value;
    double chance = 0;     // its chance in one fair draw
    qint64 count = 0;      // draws where it happened
    double expected = 0;   // draws × chance
    qint64 current = 0;    // draws after the newest draw where it happened
    qint64 longest = 0;    // longest run of draws without it
    double meanGap = 0;    // (draws − count) / (count + 1)
    qint64 longestRun = 0; // longest run of draws with it
    double pCurrent = 1;   // (1 − chance)^current
    // A value that is a play (a sum, 三同号 and 三连号 as the 通选 plays): its prize and what one
    // bet returns for fair dice (chance × prize ÷ 2 元).
    std::optional<int> prize;
    double fairReturn = 0;
};

struct Group
{
    QString name;
    std::vector<ValueStats> values;
};

// Whether the class of a draw has a bearing on the class of the next: a contingency table of
// consecutive pairs, previous draw's class by row, next draw's by column.
struct Independence
{
    QString of;
    QStringList classes;
    std::array<std::array<qint64, 4>, 4> table{};
    double chi2 = 0;
    int df = 0;
    double p = 1;
    QString method; // "chi2", or "simulation" when some expected count is below 5
};

struct Omission
{
    qint32 from = 0;
    qint32 to = 0;
    qint64 draws = 0;
    bool sorted = false; // the history's draws kept in ascending order
    FairDice::Order order;
    std::vector<Group> groups;
    std::vector<Independence> independence;
};

// The omission table and both independence tables over the rows [begin, end) of the history
// (begin < end).
Omission omission(const HistorySnapshot &history, int begin, int end);
// The column of omissionCells() with the chance of a run as long as the current omission (the
// group's column first).
constexpr int chanceColumn = 8;
// Gives the values that are plays their prize and return.
void addPrizes(Omission &omission, const Plays::PrizeTable &prizes);
// "每注 2 元，公平开奖时每种玩法平均只回报 55.6%～58.3%，遗漏多久都一样".
QString prizeNote(const Plays::PrizeTable &prizes);

// "χ² = 3.10，自由度 9，p = 0.96 —— 没有显著差异", with the simulation's note when it gave p;
// the same after "上一期的形态对下一期的形态：".
QString independenceLine(const Independence &independence);
QString independenceSentence(const Independence &independence);
// "第 F 期至第 T 期，共 N 期", with a word on sorted positions; that an omission is worth nothing.
QString rangeText(const Omission &omission);
QString fairDiceNote();

struct TrendRow
{
    qint32 issue = 0;
    Numbers numbers{};
    int sum = 0;
    QString form;
    int span = 0;
    // Per number 1..6: 0 when it is in this draw, else the draws since it last appeared over the
    // whole history (the draws stored up to and including this one when it has not yet).
    std::array<qint64, 6> omission{};
    // How many of the draw's numbers are 1..6 (0 to 3).
    std::array<int, 6> hits{};
};

// The newest `last` draws, oldest first.
std::vector<TrendRow> trend(const HistorySnapshot &history, int last);

// Under the trend rows, per number, over the rows shown.
struct ColumnSummary
{
    qint64 count = 0;          // 出现次数
    double meanGap = 0;        // 平均遗漏: (rows − count) / (count + 1)
    qint64 longestOmission = 0; // 最大遗漏: the largest omission shown
    qint64 longestRun = 0;      // 最大连出
};
std::array<ColumnSummary, 6> summarize(const std::vector<TrendRow> &rows);

// The omission table's columns, and one value's cells as the window and the tool show them
// (chances as percentages "12.345%", averages with two decimals).
QStringList omissionHeader();
QStringList omissionCells(const ValueStats &value);
// 期号, 开奖号码, 和值, 形态, 跨度, then the numbers 1..6.
QStringList trendHeader();
QStringList trendCells(const TrendRow &row); // the five cells before the numbers'
// 出现次数, 平均遗漏, 最大遗漏, 最大连出.
QStringList summaryLabels();
QStringList summaryCells(const ColumnSummary &column);

} // namespace TrendOmission
