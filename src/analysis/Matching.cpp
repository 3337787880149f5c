#include "Matching.h"

#include "Derivation.h"

#include <algorithm>

namespace Matching {

bool hasCounter(int kind, int value)
{
    static const int highest[KindCount] = {9, 1, 1, 3};
    return kind >= 0 && kind < KindCount && value >= 0 && value <= highest[kind];
}

Table table(const SearchState &state, const std::vector<int> &positions)
{
    Table table{};
    for (int code = 0; code < HistorySnapshot::OtherCode; ++code) {
        const std::array<qint16, 3> held = HistorySnapshot::values(code);
        bool matches = true;
        if (state.bolZyw) {
            // Each chosen value takes one of the predecessor's values: a multiset inclusion.
            std::array<bool, 3> used{};
            for (int p : positions) {
                const qint16 v = state.intPattern[size_t(p - 1)];
                int found = -1;
                for (int i = 0; i < 3 && found < 0; ++i)
                    found = !used[size_t(i)] && held[size_t(i)] == v ? i : -1;
                if (!hasCounter(state.intLei, v) || found < 0) {
                    matches = false;
                    break;
                }
                used[size_t(found)] = true;
            }
        } else {
            for (int p : positions)
                matches = matches && held[size_t(p - 1)] == state.intPattern[size_t(p - 1)];
        }
        table[size_t(code)] = matches;
    }
    if (positions.empty())
        table.fill(true);
    return table;
}

Table either(const std::vector<Table> &tables)
{
    Table table{};
    for (const Table &t : tables)
        for (size_t i = 0; i < t.size(); ++i)
            table[i] = table[i] || t[i];
    return table;
}

std::vector<qint16> listedValues(int kind, int segmentBase)
{
    switch (kind) {
    case KindA:
        return {1, 2, 3, 4, 5, 6};
    case KindF:
        return {qint16(segmentBase), qint16(segmentBase + 1), qint16(segmentBase + 2)};
    default:
        return {0, 1};
    }
}

int sourceCode(const HistorySnapshot &history, const SearchState &state, int row)
{
    const int n = state.bolSq ? 1 : state.intPreQi;
    if (state.bolZyw) {
        const int from = row - (n - 1);
        const int code = from >= 0 ? history.previousCodes(state.intLei)[size_t(from)] : -1;
        return code == HistorySnapshot::NoPreviousCode ? -1 : code;
    }
    if (!history.hasPrevious(row))
        return -1;
    return row >= n ? history.valueCodes(state.intLei)[size_t(row - n)] : 0;
}

namespace {

// The rows of [begin, end) that pass, as indexes into the history.
std::vector<int> matchingRows(const HistorySnapshot &history, const SearchState &state, const Table &table,
                              bool anyRow, int begin, int end)
{
    std::vector<int> rows;
    if (anyRow) {
        rows.resize(size_t(std::max(end - begin, 0)));
        for (int r = begin; r < end; ++r)
            rows[size_t(r - begin)] = r;
        return rows;
    }
    const int n = state.bolSq ? 1 : state.intPreQi;
    const quint16 *own = history.previousCodes(KindA).data();
    if (state.bolZyw) {
        // The row N-1 back holds, as its previous draw, the draw N before this one.
        const quint16 *previous = history.previousCodes(state.intLei).data();
        for (int r = std::max(begin, n - 1); r < end; ++r) {
            if (table[previous[r - (n - 1)]])
                rows.push_back(r);
        }
    } else {
        // Fixed positions compare the draw N back in issue order; rows without one compare zeros.
        const quint16 *values = history.valueCodes(state.intLei).data();
        for (int r = std::max(begin, 0); r < end; ++r) {
            if (own[r] != HistorySnapshot::NoPreviousCode && table[r >= n ? values[r - n] : 0])
                rows.push_back(r);
        }
    }
    return rows;
}

} // namespace

SearchResult collect(const HistorySnapshot &history, const SearchState &state, const IssueRange &range,
                     const Table &table, bool anyRow)
{
    SearchResult result;
    result.bolSq = state.bolSq;
    result.displayKind = state.intXianshiLei;
    const int kind = std::clamp<int>(state.intXianshiLei, 0, KindCount - 1);
    const int start = state.bolZuxuan ? 1 : state.intConsqSort;
    const int end = state.intConsqSort;
    std::array<qint64, 8> counters{};

    if (range.from && range.to && state.intLei >= 0 && state.intLei < KindCount &&
        (state.bolSq || state.intPreQi >= 1)) {
        const int back = state.bolSq ? 0 : state.intPreQi - 1;
        const std::vector<int> rows = matchingRows(
            history, state, table, anyRow, history.lowerBound(*range.from), history.upperBound(*range.to));
        result.rows.reserve(rows.size());
        for (int r : rows) {
            const DrawCore &draw = history.at(r);
            ResultRow &row = result.rows.emplace_back();
            row.sqqh = draw.sqqh;
            row.values = Derivation::kindValues(draw.value, kind);
            if (r - back >= 0)
                row.followed = Derivation::kindValues(history.at(r - back).prev, KindA);
            for (int q = start; q <= end; ++q) {
                const qint16 v = row.values[size_t(q - 1)];
                if (v >= 0 && size_t(v) < counters.size())
                    ++counters[size_t(v)];
            }
        }
    }
    result.total = qint64(std::max(end + 1 - start, 0)) * qint64(result.rows.size());

    for (qint16 v : listedValues(kind, state.DsIni))
        result.tally.push_back({v, v >= 0 && size_t(v) < counters.size() ? counters[size_t(v)] : 0});
    std::stable_sort(result.tally.begin(), result.tally.end(),
                     [](const TallyLine &a, const TallyLine &b) { return a.count > b.count; });
    return result;
}

} // namespace Matching
