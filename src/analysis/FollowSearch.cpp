#include "FollowSearch.h"

#include "Matching.h"

namespace FollowSearch {

SearchResult run(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                 const IssueRange &range)
{
    std::vector<int> positions;
    for (int p = 1; p <= 3; ++p)
        if (chosen[size_t(p - 1)])
            positions.push_back(p);
    return Matching::collect(history, state, range, Matching::table(state, positions), positions.empty());
}

} // namespace FollowSearch
