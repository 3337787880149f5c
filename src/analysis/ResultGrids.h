#pragma once

#include "FairDice.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <QList>
#include <QPair>

#include <memory>

class GridModel;

namespace ResultGrids {

// "41.667%": count × 100 / total with three decimals, halves rounded away from zero;
// empty when nothing was tallied.
QString percentText(qint64 count, qint64 total);

// The statistics grid's word for a value: 大/小 and 单/双, the number itself for 号码 and 段数.
QString valueLabel(int kind, qint16 value);

// A search's options in one line: "检索号码，显示号码，自由位，上期，第1、2、3位，直选第1位".
QString optionsText(const SearchState &state, const Positions &chosen);

// What a search was run with and what it found, as label and value rows for an export's
// 检索条件 sheet. `combinationSize` is 0 for the follow search.
QList<QPair<QString, QString>> conditions(const SearchState &state, const Positions &chosen, const IssueRange &range,
                                          int combinationSize, const SearchResult &result);

// The result list (期号, 第1位..第3位, the draw followed) and the statistics grid (序号, 结果,
// 出现次数, 百分比). Both grids are hidden while they are filled; the list formats only the rows
// in view, from the result it shares.
// With `fairness`, the statistics grid has a fifth column, 期望次数: what fair dice give.
void fill(GridModel &list, GridModel &statistics, std::shared_ptr<const SearchResult> result,
          const FairDice::Fairness *fairness = nullptr);
void fill(GridModel &list, GridModel &statistics, const SearchResult &result,
          const FairDice::Fairness *fairness = nullptr);

// The verified issue's own draw against the tally: "130731078 期开出 1 2 6：第3位 6 在统计中排第 2"
// (for a tally of the three positions, each value's place). `rows` gets the statistics grid
// rows (from 1) of the values drawn.
QString verifiedLine(const SearchResult &result, const SearchState &state, qint32 issue, const Numbers &drawn,
                     std::vector<int> *rows);

} // namespace ResultGrids
