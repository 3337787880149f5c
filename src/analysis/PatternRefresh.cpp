#include "PatternRefresh.h"

#include "Derivation.h"
#include "IssueNumbers.h"

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

std::optional<qint32> predecessorIssue(const QString &text, int drawsPerDay)
{
    bool ok = false;
    if (!text.endsWith(QLatin1String("001"))) {
        const qint64 issue = text.right(9).toLongLong(&ok);
        if (!ok || issue - 1 < std::numeric_limits<qint32>::min() ||
            issue - 1 > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return qint32(issue - 1);
    }
    const std::optional<QDate> day = IssueNumbers::dateOf(text);
    if (!day)
        return std::nullopt;
    const qint64 issue =
        qint64(day->addDays(-1).toString(QStringLiteral("yyMMdd")).toInt(&ok)) * 1000 + drawsPerDay;
    if (!ok || issue > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(issue);
}

Verification verify(const HistorySnapshot &snapshot, const SearchState &state, const QString &issueText,
                    bool beforeOnly, int drawsPerDay)
{
    Verification outcome;
    if (snapshot.isEmpty())
        return outcome;
    const std::optional<qint32> q = predecessorIssue(issueText, drawsPerDay);
    if (!q)
        return outcome;
    if (!beforeOnly)
        outcome.rangeEnd = snapshot.last().sqqh;
    int at = snapshot.count() - 1;
    while (at >= 0 && snapshot.at(at).sqqh != *q)
        --at;
    if (at < 0)
        return outcome;
    if (beforeOnly)
        outcome.rangeEnd = snapshot.at(at).sqqh;
    if (!state.bolSq)
        at -= state.intPreQi - 1;
    if (at < 0 || at >= snapshot.count() || state.intLei < 0 || state.intLei >= KindCount)
        return outcome;
    outcome.pattern = Derivation::kindValues(snapshot.at(at).value, state.intLei);
    return outcome;
}

} // namespace PatternRefresh
