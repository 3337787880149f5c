#include "PatternRefresh.h"

#include "Derivation.h"
#include "IssueNumbers.h"

#include <limits>

namespace PatternRefresh {

std::optional<DrawCore> patternDraw(const HistorySnapshot &snapshot, const SearchState &state)
{
    return snapshot.fromLast(state.bolSq ? 0 : state.intPreQi - 1);
}

std::optional<std::array<qint16, 3>> latestPattern(const HistorySnapshot &snapshot, const SearchState &state)
{
    const std::optional<DrawCore> draw = patternDraw(snapshot, state);
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
    const QString text = issueText.trimmed();
    if (snapshot.isEmpty()) {
        outcome.problem = QStringLiteral("历史号码是空的，无法验证");
        return outcome;
    }
    if (!beforeOnly)
        outcome.rangeEnd = snapshot.last().sqqh;
    bool ok = false;
    qint64 typed = text.toLongLong(&ok);
    if (ok && typed > std::numeric_limits<qint32>::max())
        typed = text.right(9).toLongLong(&ok); // "20161212005": the issue is its last nine digits
    if (!ok || typed < 1 || typed > std::numeric_limits<qint32>::max()) {
        outcome.problem = QStringLiteral("“%1”不是期号").arg(text);
        return outcome;
    }
    int before = -1;
    const int at = snapshot.lowerBound(typed);
    if (at < snapshot.count() && snapshot.at(at).sqqh == typed)
        before = at - 1;
    else if (IssueNumbers::next(snapshot.last().sqqh, drawsPerDay) == typed)
        before = snapshot.count() - 1;
    else {
        outcome.problem = QStringLiteral("期号 %1 不在历史号码中").arg(typed);
        return outcome;
    }
    if (before < 0) {
        outcome.problem = QStringLiteral("期号 %1 之前没有历史号码").arg(typed);
        return outcome;
    }
    if (beforeOnly)
        outcome.rangeEnd = snapshot.at(before).sqqh;
    const int source = before - (state.bolSq ? 0 : state.intPreQi - 1);
    if (source < 0 || state.intLei < 0 || state.intLei >= KindCount) {
        outcome.problem = QStringLiteral("期号 %1 之前不足 %2 期历史号码").arg(typed).arg(state.intPreQi);
        return outcome;
    }
    outcome.pattern = Derivation::kindValues(snapshot.at(source).value, state.intLei);
    return outcome;
}

namespace {

// 大小 and 单双 values are 1 and 0: the word for 1 comes first.
const QString &words(int kind)
{
    static const QString big = QStringLiteral("大小"), odd = QStringLiteral("单双"), none;
    return kind == 1 ? big : kind == 2 ? odd : none;
}

std::pair<int, int> bounds(int kind, int segmentBase)
{
    switch (kind) {
    case 1:
    case 2:
        return {0, 1};
    case 3:
        return {segmentBase, segmentBase + 2};
    default:
        return {1, 6};
    }
}

} // namespace

QString kindName(int kind)
{
    static const QString names[] = {QStringLiteral("号码"), QStringLiteral("大小"), QStringLiteral("单双"),
                                    QStringLiteral("段数")};
    return names[std::clamp(kind, 0, 3)];
}

QString valueText(int kind, qint16 value)
{
    const QString &w = words(kind);
    if (!w.isEmpty() && (value == 0 || value == 1))
        return QString(w[value == 1 ? 0 : 1]);
    return QString::number(value);
}

std::optional<qint16> parseValue(int kind, const QString &text, int segmentBase)
{
    const QString t = text.trimmed();
    const QString &w = words(kind);
    if (t.size() == 1 && !w.isEmpty() && w.contains(t[0]))
        return qint16(t[0] == w[0] ? 1 : 0);
    bool ok = false;
    const int value = t.toInt(&ok);
    const auto [low, high] = bounds(kind, segmentBase);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return qint16(value);
}

QString valueRange(int kind, int segmentBase)
{
    const QString &w = words(kind);
    if (!w.isEmpty())
        return QStringLiteral("%1 或 %2（也可输入 1 或 0）").arg(w[0]).arg(w[1]);
    const auto [low, high] = bounds(kind, segmentBase);
    return QStringLiteral("%1~%2").arg(low).arg(high);
}

} // namespace PatternRefresh
