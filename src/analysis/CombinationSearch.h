#pragma once

#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

namespace CombinationSearch {

// Every draw in `range` whose predecessor matched the pattern on at least `size` of the three
// positions: each set of `size` positions is matched as the follow search matches chosen
// positions, and a draw that several sets match counts once. Sizes outside 1..3 match nothing.
SearchResult run(const HistorySnapshot &history, const SearchState &state, int size, const IssueRange &range);

// The sets of `size` positions out of 1, 2, 3 in lexicographic order.
std::vector<std::vector<int>> combinations(int size);

} // namespace CombinationSearch
