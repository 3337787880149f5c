#pragma once

#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

namespace FollowSearch {

// Every draw in `range` whose predecessor (the previous draw, or the draw N before) matched the
// pattern on all chosen positions: position by position, or as a multiset with free positions.
// A function of the history in memory and the options; it writes nothing.
SearchResult run(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                 const IssueRange &range);

} // namespace FollowSearch
