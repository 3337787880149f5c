#pragma once

#include "HistorySnapshot.h"
#include "SearchState.h"

#include <QString>
#include <optional>

namespace PatternRefresh {

// The draw the tab-1 pattern comes from: the latest, or N-1 before it in 前N期 mode.
std::optional<DrawCore> patternDraw(const HistorySnapshot &snapshot, const SearchState &state);

// The tab-1 pattern: the pattern draw's values in the search kind, positions 1..3.
std::optional<std::array<qint16, 3>> latestPattern(const HistorySnapshot &snapshot, const SearchState &state);

// Start of the issue range: the first issue that has a draw the chosen distance before it
// (first issue + 1 in 上期 mode, + N in 前N期 mode).
std::optional<qint32> rangeStart(const HistorySnapshot &snapshot, bool bolSq, int n);

// The issue before the one typed in the tab-3 box: one less, or, for a day's first draw "…001",
// the previous day's last draw (YYMMDD × 1000 + draws per day). Nothing when it cannot be formed.
std::optional<qint32> predecessorIssue(const QString &text, int drawsPerDay);

// What the tab-3 pattern refresh ("验证指定期") changes; a part it cannot reach stays unset, and
// `problem` says why there is no pattern.
struct Verification
{
    std::optional<qint32> rangeEnd;
    std::optional<std::array<qint16, 3>> pattern;
    QString problem;
};

// The typed issue must be stored, or be the next issue; its predecessor is the stored draw just
// before it in issue order (what the day arithmetic gives for a complete history, and the right
// draw when a day is short or the draws per day changed). The pattern is that draw (or the draw
// N-1 before it in 前N期 mode). With `beforeOnly` ("仅检索该期前") the range ends at the
// predecessor, else at the latest draw.
Verification verify(const HistorySnapshot &snapshot, const SearchState &state, const QString &issueText,
                    bool beforeOnly, int drawsPerDay);

// The kind's name as the option buttons call it: 号码, 大小, 单双, 段数.
QString kindName(int kind);
// How a pattern value reads in its kind's box: 大/小 and 单/双 as words, 号码 and 段数 as digits.
QString valueText(int kind, qint16 value);
// A typed pattern value: the words above or the digits (1/0 for 大/小 and 单/双). Nothing for text
// that is neither or a value outside the kind's range.
std::optional<qint16> parseValue(int kind, const QString &text, int segmentBase);
// What a box of the kind takes, in words for a tool tip or a refusal ("1~6").
QString valueRange(int kind, int segmentBase);

} // namespace PatternRefresh
