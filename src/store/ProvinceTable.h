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
} // namespace ProvinceTable
