#pragma once

#include <QString>
#include <array>

struct Province
{
    QString caption; // menu caption, e.g. 福建快3
    QString code;    // results-page code, e.g. fj
    qint16 drawsPerDay;
};

// The fifteen provincial games, in menu order.
namespace ProvinceTable {
constexpr int Count = 15;
const std::array<Province, Count> &all();
// The game at `index`, or the first one when the index is out of range.
const Province &at(int index);

// The draws per day of every game as the user set them: "78,78,…" (the saved setting), one number
// 1..maxDrawsPerDay a game in menu order; a number missing or out of range keeps the table's.
constexpr int maxDrawsPerDay = 120;
// 北京快3 numbers its draws with running numbers, not dates.
constexpr int runningIssueGame = 9;
std::array<int, Count> drawsPerDayFrom(const QString &saved);
QString drawsPerDayText(const std::array<int, Count> &perDay);
} // namespace ProvinceTable
