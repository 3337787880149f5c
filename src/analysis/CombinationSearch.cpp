#include "CombinationSearch.h"

#include "HistoryDb.h"
#include "SearchSteps.h"

namespace CombinationSearch {

std::vector<std::vector<int>> combinations(int size)
{
    switch (size) {
    case 1: return {{1}, {2}, {3}};
    case 2: return {{1, 2}, {1, 3}, {2, 3}};
    case 3: return {{1, 2, 3}};
    default: return {};
    }
}

SearchResult run(HistoryDb &history, const SearchState &state, int size, const IssueRange &range)
{
    Database &db = history.database();
    Transaction transaction(db);

    const QString matchText = SearchSteps::matchColumn(state);
    if (!state.bolSq)
        SearchSteps::rebuildEarlierTexts(db, state);
    db.exec(QStringLiteral("UPDATE [Lishi] SET [bolOk]= 0 WHERE [bolOk] IS NOT 0"));

    if (state.bolZyw) {
        // Every combination matches against one column.
        db.exec(QStringLiteral("UPDATE [Lishi] SET [txtHisP6]= [%1]").arg(matchText));
        for (const std::vector<int> &combination : combinations(size)) {
            std::array<int, 10> occurrences{};
            for (int p : combination) {
                const int v = state.intPattern[p - 1];
                if (SearchSteps::hasCounter(state.intLei, v))
                    ++occurrences[size_t(v)];
            }
            SearchSteps::resetCounters(db);
            // Two positions with the same value both look for its second occurrence.
            for (int p : combination) {
                const int v = state.intPattern[p - 1];
                if (SearchSteps::hasCounter(state.intLei, v))
                    SearchSteps::countToken(db, QStringLiteral("txtHisP6"), occurrences[size_t(v)], v);
            }
            db.exec(QStringLiteral("UPDATE [Lishi] SET [bolOk]= 1 WHERE [intTh] = ?"), {size});
        }
    } else {
        SearchSteps::rebuildTargets(db, state, {true, true, true});
        for (const std::vector<int> &combination : combinations(size)) {
            SearchSteps::resetCounters(db);
            for (int p : combination)
                SearchSteps::countValue(db, SearchSteps::targetColumn(p, state), state.intPattern[p - 1]);
            db.exec(QStringLiteral("UPDATE [Lishi] SET [bolOk]= 1 WHERE [intTh] = ?"), {size});
        }
    }

    SearchResult result = SearchSteps::collect(db, state, range, QStringLiteral("[bolOk] = ?"), 1);
    transaction.commit();
    return result;
}

} // namespace CombinationSearch
