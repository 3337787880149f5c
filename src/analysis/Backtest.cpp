#include "Backtest.h"

#include "Derivation.h"
#include "FairDice.h"
#include "FollowSearch.h"
#include "Matching.h"
#include "ResultGrids.h"

#include <algorithm>
#include <unordered_map>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <map>

namespace Backtest {

double twoSidedP(double z)
{
    return 2 * boost::math::cdf(boost::math::complement(boost::math::normal(), std::abs(z)));
}

QString summaryText(const Summary &s)
{
    const QString note = FairDice::orderNote(s.order);
    return QStringLiteral("回测 %1 期至 %2 期，推荐前 %3 个：%4 期有推荐%5，"
                          "命中 %6 期，命中率 %7%；公平骰子的期望命中 %8 期。z = %9，%10 —— %11。"
                          "最长连续不中 %12 期。")
        .arg(s.from.value_or(0))
        .arg(s.to.value_or(0))
        .arg(s.top)
        .arg(s.played)
        .arg(s.skipped > 0 ? QStringLiteral("（最前面的 %1 期之前没有可统计的历史，跳过）").arg(s.skipped) : QString())
        .arg(s.hits)
        .arg(s.played ? 100.0 * s.hits / s.played : 0.0, 0, 'f', 1)
        .arg(s.expectedHits, 0, 'f', 1)
        .arg(s.z, 0, 'f', 2)
        .arg(FairDice::pText(s.p))
        .arg(s.p < 0.05 ? QStringLiteral("与纯随机有显著差异") : QStringLiteral("与纯随机没有显著差异"))
        .arg(s.longestMissStreak) +
           (note.isEmpty() ? QString() : note + QStringLiteral("。"));
}

QStringList issueHeader()
{
    return {QStringLiteral("期号"), QStringLiteral("模式"), QStringLiteral("推荐"),
            QStringLiteral("开奖"), QStringLiteral("命中"), QStringLiteral("命中概率")};
}

QStringList issueCells(const Issue &i, int kind)
{
    QStringList picks;
    for (qint16 v : i.picks)
        picks << ResultGrids::valueLabel(kind, v);
    return {QString::number(i.issue),
            QStringLiteral("%1 %2 %3").arg(i.pattern[0]).arg(i.pattern[1]).arg(i.pattern[2]),
            picks.join(QLatin1Char(' ')),
            QStringLiteral("%1%2%3").arg(i.drawn[0]).arg(i.drawn[1]).arg(i.drawn[2]),
            i.hit ? QStringLiteral("中") : QStringLiteral("不中"),
            QString::number(i.pHit, 'f', 4)};
}

int listedCount(const SearchState &state)
{
    return int(Matching::listedValues(state.intXianshiLei, state.DsIni).size());
}

namespace {

// The shared last steps: what a draw's tally picks, whether the draw hit, how likely that was.
class Scorer
{
public:
    Scorer(const HistorySnapshot &history, const SearchState &state, int top)
        : m_history(history)
        , m_state(state)
        , m_top(top)
        , m_listed(Matching::listedValues(state.intXianshiLei, state.DsIni))
        , m_positions(FairDice::tallyPositions(state))
    {
        m_summary.top = top;
        m_summary.order = FairDice::orderOf(history);
        m_summary.sorted = m_summary.order.ascending;
    }

    // The first K values by count (highest first, ties by ascending value), as the grid lists them.
    std::vector<qint16> picks(const std::vector<qint64> &countsByListed) const
    {
        std::vector<int> order(m_listed.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = int(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return countsByListed[size_t(a)] > countsByListed[size_t(b)]; });
        std::vector<qint16> picked;
        for (int i = 0; i < std::min<int>(m_top, int(order.size())); ++i)
            picked.push_back(m_listed[size_t(order[size_t(i)])]);
        return picked;
    }

    void score(int row, const std::array<qint16, 3> &pattern, std::optional<std::vector<qint16>> picked)
    {
        if (!picked) {
            ++m_summary.skipped;
            return;
        }
        const DrawCore &draw = m_history.at(row);
        Issue issue;
        issue.issue = draw.sqqh;
        issue.pattern = pattern;
        issue.drawn = draw.numbers();
        issue.picks = std::move(*picked);
        const auto holds = [&](const auto &valueAt) {
            for (int q = m_positions.first; q <= m_positions.second; ++q)
                if (std::find(issue.picks.begin(), issue.picks.end(), valueAt(q)) != issue.picks.end())
                    return true;
            return false;
        };
        issue.hit = holds([&](int q) { return draw.value[size_t(q - 1)][size_t(m_state.intXianshiLei)]; });
        // The picks repeat from issue to issue: the chance of each set is worked out once.
        quint64 set = 0;
        for (qint16 v : issue.picks)
            set |= quint64(1) << std::clamp(listedIndex(v), 0, 63);
        auto known = m_ways.find(set);
        if (known == m_ways.end()) {
            int ways = 0;
            for (const Numbers &n : FairDice::outcomes(m_summary.sorted))
                ways += holds([&](int q) {
                    return FairDice::valueOf(m_state.intXianshiLei, n[size_t(q - 1)], m_state.DsIni);
                })
                            ? 1
                            : 0;
            known = m_ways.emplace(set, ways).first;
        }
        issue.pHit = known->second / 216.0;
        m_summary.issues.push_back(std::move(issue));
    }

    Summary finish(qint32 from, qint32 to)
    {
        Summary &s = m_summary;
        s.from = from;
        s.to = to;
        int misses = 0;
        for (const Issue &issue : s.issues) {
            ++s.played;
            s.hits += issue.hit ? 1 : 0;
            s.expectedHits += issue.pHit;
            s.variance += issue.pHit * (1 - issue.pHit);
            misses = issue.hit ? 0 : misses + 1;
            s.longestMissStreak = std::max(s.longestMissStreak, misses);
        }
        if (s.variance > 0) {
            s.z = (s.hits - s.expectedHits) / std::sqrt(s.variance);
            s.p = twoSidedP(s.z);
        }
        return std::move(s);
    }

    int listedIndex(qint16 value) const
    {
        const auto at = std::find(m_listed.begin(), m_listed.end(), value);
        return at == m_listed.end() ? -1 : int(at - m_listed.begin());
    }
    std::pair<int, int> positions() const { return m_positions; }
    size_t listedSize() const { return m_listed.size(); }

private:
    const HistorySnapshot &m_history;
    const SearchState &m_state;
    int m_top;
    std::vector<qint16> m_listed;
    std::pair<int, int> m_positions;
    Summary m_summary;
    std::unordered_map<quint64, int> m_ways; // fair outcomes that hit, by the set of picks
};

int back(const SearchState &state)
{
    return state.bolSq ? 1 : state.intPreQi;
}

std::array<qint16, 3> patternFor(const HistorySnapshot &history, const SearchState &state, int row)
{
    return Derivation::kindValues(history.at(row - back(state)).value, state.intLei);
}

} // namespace

std::optional<Summary> run(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                           qint32 from, qint32 to, int top, const Progress &progress)
{
    Scorer scorer(history, state, top);
    const int begin = history.lowerBound(from), end = history.upperBound(to);
    const int first = std::max(begin, back(state));
    std::vector<int> positions;
    for (int p = 1; p <= 3; ++p)
        if (chosen[size_t(p - 1)])
            positions.push_back(p);

    // Running tallies of the rows passed so far, by the code their predecessor is matched by.
    const size_t width = scorer.listedSize();
    std::vector<qint64> byCode(size_t(HistorySnapshot::CodeCount) * width, 0);
    std::vector<qint64> rowsByCode(HistorySnapshot::CodeCount, 0);
    std::vector<qint64> allRows(width, 0);
    qint64 rowsSoFar = 0;
    const auto [start, last] = scorer.positions();
    const auto add = [&](int row) {
        const int code = positions.empty() ? -1 : Matching::sourceCode(history, state, row);
        ++rowsSoFar;
        if (code >= 0)
            ++rowsByCode[size_t(code)];
        for (int q = start; q <= last; ++q) {
            const int v =
                scorer.listedIndex(history.at(row).value[size_t(q - 1)][size_t(state.intXianshiLei)]);
            if (v < 0)
                continue;
            ++allRows[size_t(v)];
            if (code >= 0)
                ++byCode[size_t(code) * width + size_t(v)];
        }
    };
    // The codes each pattern matches, worked out once a pattern.
    std::map<int, std::vector<int>> matchingCodes;
    SearchState patterned = state;
    std::vector<qint64> counts(width);
    for (int row = 0; row < first && row < end; ++row)
        add(row);
    for (int row = first; row < end; ++row) {
        if (progress && (row - first) % 1024 == 0 && !progress(row - first, end - first))
            return std::nullopt;
        const std::array<qint16, 3> pattern = patternFor(history, state, row);
        qint64 matched = 0;
        if (positions.empty()) {
            counts = allRows;
            matched = rowsSoFar;
        } else {
            const int key = HistorySnapshot::code(pattern);
            auto it = matchingCodes.find(key);
            if (it == matchingCodes.end() || key == HistorySnapshot::OtherCode) {
                patterned.intPattern = pattern;
                const Matching::Table table = Matching::table(patterned, positions);
                std::vector<int> codes;
                for (int c = 0; c < HistorySnapshot::CodeCount; ++c)
                    if (table[size_t(c)])
                        codes.push_back(c);
                it = matchingCodes.insert_or_assign(key, std::move(codes)).first;
            }
            std::fill(counts.begin(), counts.end(), 0);
            for (int c : it->second) {
                matched += rowsByCode[size_t(c)];
                for (size_t v = 0; v < width; ++v)
                    counts[v] += byCode[size_t(c) * width + v];
            }
        }
        scorer.score(row, pattern, matched > 0 ? std::optional(scorer.picks(counts)) : std::nullopt);
        add(row);
    }
    if (progress)
        progress(end - first, end - first);
    return scorer.finish(from, to);
}

Summary runLiterally(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                     qint32 from, qint32 to, int top)
{
    Scorer scorer(history, state, top);
    const int begin = history.lowerBound(from), end = history.upperBound(to);
    for (int row = std::max(begin, back(state)); row < end; ++row) {
        const HistorySnapshot before = history.prefix(row);
        SearchState s = state;
        s.intPattern = patternFor(history, state, row);
        const SearchResult result =
            FollowSearch::run(before, s, chosen, {before.first().sqqh, before.last().sqqh});
        std::optional<std::vector<qint16>> picked;
        if (result.total > 0) {
            picked.emplace();
            for (int i = 0; i < std::min<int>(top, int(result.tally.size())); ++i)
                picked->push_back(result.tally[size_t(i)].value);
        }
        scorer.score(row, s.intPattern, picked);
    }
    return scorer.finish(from, to);
}

} // namespace Backtest
