#include "PatternRefresh.h"

#include "Derivation.h"

#include <limits>

namespace PatternRefresh {

const DrawCore *patternDraw(const HistorySnapshot &snapshot, const SearchState &state)
{
    return snapshot.fromLast(state.bolSq ? 0 : state.intPreQi - 1);
}

std::optional<std::array<qint16, 3>> latestPattern(const HistorySnapshot &snapshot, const SearchState &state)
{
    const DrawCore *draw = patternDraw(snapshot, state);
    if (!draw || state.intLei < 0 || state.intLei >= KindCount)
        return std::nullopt;
    return Derivation::kindValues(draw->value, state.intLei);
}

std::optional<qint32> rangeStart(const HistorySnapshot &snapshot, bool bolSq, int n)
{
    if (snapshot.isEmpty())
        return std::nullopt;
    const qint64 start = qint64(snapshot.first().sqqh) + (bolSq ? 1 : n);
    if (start > std::numeric_limits<qint32>::max() || start < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return qint32(start);
}

} // namespace PatternRefresh
