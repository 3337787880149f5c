#include "CombinationSearch.h"

#include "Matching.h"

namespace CombinationSearch {

std::vector<std::vector<int>> combinations(int size)
{
    switch (size) {
    case 1:
        return {{1}, {2}, {3}};
    case 2:
        return {{1, 2}, {1, 3}, {2, 3}};
    case 3:
        return {{1, 2, 3}};
    default:
        return {};
    }
}

SearchResult run(const HistorySnapshot &history, const SearchState &state, int size, const IssueRange &range)
{
    std::vector<Matching::Table> tables;
    for (const std::vector<int> &combination : combinations(size))
        tables.push_back(Matching::table(state, combination));
    return Matching::collect(history, state, range, Matching::either(tables), false);
}

} // namespace CombinationSearch
