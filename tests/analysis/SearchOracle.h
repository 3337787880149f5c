#pragma once

#include "CombinationSearch.h"
#include "Derivation.h"
#include "SearchState.h"
#include "TestHistory.h"

#include <algorithm>

// The follow analysis computed directly from the draws, to check the database's answers against.
namespace SearchOracle {

// The draw's values in a kind, as stored with segment base 1.
inline std::array<qint16, 3> kindValues(const Numbers &numbers, int kind)
{
    std::array<qint16, 3> values{};
    for (int p = 0; p < 3; ++p)
        values[p] = Derivation::classify(numbers[p], 1)[kind];
    return values;
}

// Whether row r of `draws` follows a match of the pattern on the positions in `positions` (1-based).
inline bool follows(const std::vector<TestDraw> &draws, int r, const SearchState &s,
                    const std::vector<int> &positions)
{
    if (positions.empty())
        return true;
    const int back = s.bolSq ? 1 : s.intPreQi;
    if (s.bolZyw) {
        if (r < back)
            return false;
        const std::array<qint16, 3> values = kindValues(draws[size_t(r - back)].numbers, s.intLei);
        std::vector<qint16> held(values.begin(), values.end());
        for (int p : positions) {
            const auto it = std::find(held.begin(), held.end(), s.intPattern[size_t(p - 1)]);
            if (it == held.end())
                return false;
            held.erase(it);
        }
        return true;
    }
    if (r == 0)
        return false; // the oldest draw has no previous draw
    for (int p : positions) {
        // Rows with no draw that far back compare as 0.
        const qint16 v = r >= back ? kindValues(draws[size_t(r - back)].numbers, s.intLei)[size_t(p - 1)] : 0;
        if (v != s.intPattern[size_t(p - 1)])
            return false;
    }
    return true;
}

inline std::vector<qint32> followSearch(const std::vector<TestDraw> &draws, const SearchState &s,
                                        const Positions &chosen)
{
    std::vector<int> positions;
    for (int p = 1; p <= 3; ++p)
        if (chosen[size_t(p - 1)])
            positions.push_back(p);
    std::vector<qint32> issues;
    for (int r = 0; r < int(draws.size()); ++r)
        if (follows(draws, r, s, positions))
            issues.push_back(draws[size_t(r)].issue);
    return issues;
}

inline std::vector<qint32> combinationSearch(const std::vector<TestDraw> &draws, const SearchState &s, int k)
{
    std::vector<qint32> issues;
    for (int r = 0; r < int(draws.size()); ++r) {
        for (const std::vector<int> &combination : CombinationSearch::combinations(k)) {
            if (follows(draws, r, s, combination)) {
                issues.push_back(draws[size_t(r)].issue);
                break;
            }
        }
    }
    return issues;
}

} // namespace SearchOracle
