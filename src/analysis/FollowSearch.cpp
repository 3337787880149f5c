#include "FollowSearch.h"

#include "HistoryDb.h"
#include "SearchSteps.h"

namespace FollowSearch {

SearchResult run(HistoryDb &history, const SearchState &state, const Positions &chosen,
                 const IssueRange &range)
{
    Database &db = history.database();
    Transaction transaction(db);

    const QString matchText = SearchSteps::matchColumn(state);
    if (!state.bolSq)
        SearchSteps::rebuildEarlierTexts(db, state);

    std::vector<SearchSteps::Condition> conditions;
    if (state.bolZyw) {
        std::array<int, 10> occurrences{};
        for (int p = 1; p <= 3; ++p) {
            if (!chosen[p - 1])
                continue;
            const int v = state.intPattern[p - 1];
            // A value the kind does not have can match nothing.
            conditions.push_back(SearchSteps::hasCounter(state.intLei, v)
                                     ? SearchSteps::token(matchText, ++occurrences[size_t(v)], v)
                                     : SearchSteps::never());
        }
    } else {
        SearchSteps::rebuildTargets(db, state, chosen);
        for (int p = 1; p <= 3; ++p) {
            if (chosen[p - 1])
                conditions.push_back(
                    SearchSteps::equals(SearchSteps::targetColumn(p, state), state.intPattern[p - 1]));
        }
    }
    SearchSteps::countMatches(db, conditions);
    const int n = int(conditions.size());

    SearchResult result = SearchSteps::collect(db, state, range, QStringLiteral("[intTh] = ?"), n);
    transaction.commit();
    return result;
}

} // namespace FollowSearch
