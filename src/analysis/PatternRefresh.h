#pragma once

#include "HistorySnapshot.h"
#include "SearchState.h"

#include <optional>

namespace PatternRefresh {

// The draw the tab-1 pattern comes from: the latest, or N-1 before it in 前N期 mode.
const DrawCore *patternDraw(const HistorySnapshot &snapshot, const SearchState &state);

// The tab-1 pattern: the pattern draw's values in the search kind, positions 1..3.
std::optional<std::array<qint16, 3>> latestPattern(const HistorySnapshot &snapshot, const SearchState &state);

// Start of the issue range: the first issue that has a draw the chosen distance before it
// (first issue + 1 in 上期 mode, + N in 前N期 mode).
std::optional<qint32> rangeStart(const HistorySnapshot &snapshot, bool bolSq, int n);

} // namespace PatternRefresh
