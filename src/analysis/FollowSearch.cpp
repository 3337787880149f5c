#include "FollowSearch.h"

#include "HistoryDb.h"
#include "SearchSteps.h"

namespace FollowSearch {

SearchResult run(HistoryDb &history, const SearchState &state, const Positions &chosen, const IssueRange &range)
{
    Database &db = history.database();
    Transaction transaction(db);

    const QString matchText = SearchSteps::matchColumn(state);
    if (!state.bolSq)
        SearchSteps::rebuildEarlierTexts(db, state);

    SearchSteps::resetCounters(db);
    int n = 0;
    if (state.bolZyw) {
        std::array<int, 10> occurrences{};
        for (int p = 1; p <= 3; ++p) {
            if (!chosen[p - 1])
                continue;
            ++n;
            const int v = state.intPattern[p - 1];
            // A value the kind does not have can match nothing: its statement is not run.
            if (!SearchSteps::hasCounter(state.intLei, v))
                continue;
            SearchSteps::countToken(db, matchText, ++occurrences[size_t(v)], v);
        }
    } else {
        SearchSteps::rebuildTargets(db, state, chosen);
        for (int p = 1; p <= 3; ++p) {
            if (!chosen[p - 1])
                continue;
            ++n;
            SearchSteps::countValue(db, SearchSteps::targetColumn(p, state), state.intPattern[p - 1]);
        }
    }

    SearchResult result = SearchSteps::collect(db, state, range, QStringLiteral("[intTh] = ?"), n);
    transaction.commit();
    return result;
}

} // namespace FollowSearch
