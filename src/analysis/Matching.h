#pragma once

#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <array>
#include <vector>

// What the follow search and the combination search share: a table that says, for every code
// of three values, whether a predecessor with those values matches; and one pass that applies it
// to the history and tallies the rows it keeps.
namespace Matching {

using Table = std::array<bool, HistorySnapshot::CodeCount>;

// Whether v is a value of the kind that can be matched at all.
bool hasCounter(int kind, int value);

// The predecessor matches the pattern at `positions` (1..3): as a multiset with free positions,
// position by position with fixed ones. No positions: every code matches.
Table table(const SearchState &state, const std::vector<int> &positions);
// A code matches when any of the tables says so.
Table either(const std::vector<Table> &tables);

// Every row in `range` whose predecessor (stored previous draw in 上期 mode, or the draw N back)
// passes `table`, listed and tallied. `anyRow` keeps every row in range (a search with no chosen
// position).
SearchResult collect(const HistorySnapshot &history, const SearchState &state, const IssueRange &range,
                     const Table &table, bool anyRow);

// The code a row's predecessor is matched by (the stored previous draw of the row N-1 back with
// free positions, the values of the draw N back with fixed ones), or -1 when no pattern with a
// chosen position can match the row.
int sourceCode(const HistorySnapshot &history, const SearchState &state, int row);

// The values the statistics grid lists for a display kind, ascending.
std::vector<qint16> listedValues(int kind, int segmentBase);

} // namespace Matching
