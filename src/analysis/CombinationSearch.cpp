#include "CombinationSearch.h"

#include "HistoryDb.h"
#include "SearchSteps.h"

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

namespace {

// The conditions of one combination's positions; in free mode against the copied match text.
std::vector<SearchSteps::Condition> combinationConditions(const SearchState &state,
                                                          const std::vector<int> &combination)
{
    std::array<int, 10> occurrences{};
    for (int p : combination) {
        const int v = state.intPattern[p - 1];
        if (state.bolZyw && SearchSteps::hasCounter(state.intLei, v))
            ++occurrences[size_t(v)];
    }
    std::vector<SearchSteps::Condition> conditions;
    for (int p : combination) {
        const int v = state.intPattern[p - 1];
        if (!state.bolZyw)
            conditions.push_back(SearchSteps::equals(SearchSteps::targetColumn(p, state), v));
        else if (SearchSteps::hasCounter(state.intLei, v))
            // Two positions with the same value both look for its second occurrence.
            conditions.push_back(SearchSteps::token(QStringLiteral("txtHisP6"), occurrences[size_t(v)], v));
        else
            conditions.push_back(SearchSteps::never());
    }
    return conditions;
}

} // namespace

SearchResult run(HistoryDb &history, const SearchState &state, int size, const IssueRange &range)
{
    Database &db = history.database();
    Transaction transaction(db);

    const QString matchText = SearchSteps::matchColumn(state);
    if (!state.bolSq)
        SearchSteps::rebuildEarlierTexts(db, state);
    if (state.bolZyw) {
        // Every combination matches against one column.
        db.exec(QStringLiteral("UPDATE [Lishi] SET [txtHisP6]= [%1] WHERE [txtHisP6] IS NOT [%1]")
                    .arg(matchText));
    } else {
        SearchSteps::rebuildTargets(db, state, {true, true, true});
    }

    // A row is marked when some combination matches it on all of its positions.
    std::vector<SearchSteps::Condition> conditions;
    QStringList matched;
    QVariantList values;
    for (const std::vector<int> &combination : combinations(size)) {
        conditions = combinationConditions(state, combination);
        matched << QStringLiteral("(%1) = %2").arg(SearchSteps::matchCount(conditions, values)).arg(size);
    }
    const QString mark =
        matched.isEmpty()
            ? QStringLiteral("0")
            : QStringLiteral("CASE WHEN %1 THEN 1 ELSE 0 END").arg(matched.join(QStringLiteral(" OR ")));
    db.exec(QStringLiteral("UPDATE [Lishi] SET [bolOk] = %1 WHERE [bolOk] IS NOT (%1)").arg(mark),
            values + values);
    // intTh keeps the counts of the last combination, as after matching them one by one.
    if (!matched.isEmpty())
        SearchSteps::countMatches(db, conditions);

    SearchResult result = SearchSteps::collect(db, state, range, QStringLiteral("[bolOk] = ?"), 1);
    transaction.commit();
    return result;
}

} // namespace CombinationSearch
