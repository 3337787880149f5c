#pragma once

#include "SearchResult.h"
#include "SearchState.h"

class HistoryDb;

namespace FollowSearch {

// Every draw in `range` whose predecessor (the previous draw, or the draw N before) matched the
// pattern on all chosen positions: position by position, or as a multiset with free positions.
// Matching runs as statements over Lishi's working columns, in one transaction; the tally goes
// through Carcu.
SearchResult run(HistoryDb &history, const SearchState &state, const Positions &chosen,
                 const IssueRange &range);

} // namespace FollowSearch
