#include "TrendOmission.h"

#include "FairDice.h"

#include <algorithm>
#include <bit>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <random>

namespace TrendOmission {

namespace {

// Every value of every group is one bit of a draw's mask, in the order of the groups.
constexpr int NumberBase = 0;    // 号码 1..6
constexpr int PositionBase = 6;  // 第1位..第3位, 1..6 each
constexpr int SumBase = 24;      // 和值 3..18
constexpr int FormBase = 40;     // 三同号, 二同号, 三不同号, 三连号
constexpr int SizeBase = 44;     // 大, 小
constexpr int ParityBase = 46;   // 单, 双
constexpr int ValueCount = 48;

// The classes of the independence tables.
enum FormClass { Triple, Pair, Straight, OtherDistinct };

int formClass(const Numbers &n)
{
    if (n[0] == n[1] && n[1] == n[2])
        return Triple;
    if (n[0] == n[1] || n[1] == n[2] || n[0] == n[2])
        return Pair;
    Numbers s = n;
    std::sort(s.begin(), s.end());
    return s[1] == s[0] + 1 && s[2] == s[1] + 1 ? Straight : OtherDistinct;
}

int sumOf(const Numbers &n)
{
    return n[0] + n[1] + n[2];
}

// 小单, 小双, 大单, 大双; none for a sum no three dice make.
int sumClass(const Numbers &n)
{
    const int sum = sumOf(n);
    if (sum < 3 || sum > 18)
        return -1;
    return (sum >= 11 ? 2 : 0) + (sum % 2 ? 0 : 1);
}

quint64 maskOf(const Numbers &n)
{
    quint64 mask = 0;
    const auto set = [&mask](int bit) { mask |= quint64(1) << bit; };
    for (int p = 0; p < PositionCount; ++p) {
        if (n[size_t(p)] >= 1 && n[size_t(p)] <= 6) {
            set(NumberBase + n[size_t(p)] - 1);
            set(PositionBase + p * 6 + n[size_t(p)] - 1);
        }
    }
    const int sum = sumOf(n);
    if (sum >= 3 && sum <= 18) {
        set(SumBase + sum - 3);
        set(sum >= 11 ? SizeBase : SizeBase + 1);
        set(sum % 2 ? ParityBase : ParityBase + 1);
    }
    switch (formClass(n)) {
    case Triple:
        set(FormBase);
        break;
    case Pair:
        set(FormBase + 1);
        break;
    case Straight: // a 三连号 is a 三不同号 too, as on a bet slip
        set(FormBase + 3);
        [[fallthrough]];
    default:
        set(FormBase + 2);
    }
    return mask;
}

// Draws of 1..6 by their outcome index (n1−1)·36 + (n2−1)·6 + (n3−1), or −1.
int outcomeIndex(const Numbers &n)
{
    for (qint16 v : n)
        if (v < 1 || v > 6)
            return -1;
    return (n[0] - 1) * 36 + (n[1] - 1) * 6 + (n[2] - 1);
}

struct Outcomes
{
    std::array<quint64, 216> mask{};
    std::array<qint8, 216> form{};
    std::array<qint8, 216> sum{};
};

const Outcomes &outcomeTables()
{
    static const Outcomes tables = [] {
        Outcomes t;
        for (const Numbers &n : FairDice::outcomes(false)) {
            const int i = outcomeIndex(n);
            t.mask[size_t(i)] = maskOf(n);
            t.form[size_t(i)] = qint8(formClass(n));
            t.sum[size_t(i)] = qint8(sumClass(n));
        }
        return t;
    }();
    return tables;
}

QStringList valueLabels()
{
    QStringList labels;
    for (int g = 0; g < 4; ++g)
        for (int n = 1; n <= 6; ++n)
            labels << QString::number(n);
    for (int s = 3; s <= 18; ++s)
        labels << QString::number(s);
    labels << QStringLiteral("三同号") << QStringLiteral("二同号") << QStringLiteral("三不同号") << QStringLiteral("三连号")
           << QStringLiteral("大") << QStringLiteral("小") << QStringLiteral("单") << QStringLiteral("双");
    return labels;
}

using Table = std::array<std::array<qint64, 4>, 4>;

struct TableTest
{
    double chi2 = 0;
    int df = 0;
    bool small = false; // some expected count below 5
};

// χ² of independence over the classes that occur: expected = row total × column total / pairs.
TableTest chiSquare(const Table &table)
{
    std::array<qint64, 4> rows{}, cols{};
    qint64 pairs = 0;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c) {
            rows[r] += table[r][c];
            cols[c] += table[r][c];
            pairs += table[r][c];
        }
    TableTest t;
    if (pairs == 0)
        return t;
    int usedRows = 0, usedCols = 0;
    for (size_t i = 0; i < 4; ++i) {
        usedRows += rows[i] > 0 ? 1 : 0;
        usedCols += cols[i] > 0 ? 1 : 0;
    }
    t.df = (usedRows - 1) * (usedCols - 1);
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c) {
            if (rows[r] == 0 || cols[c] == 0)
                continue;
            const double e = double(rows[r]) * double(cols[c]) / double(pairs);
            t.small = t.small || e < 5;
            t.chi2 += (double(table[r][c]) - e) * (double(table[r][c]) - e) / e;
        }
    return t;
}

// The p-values of both tables by simulation: as many fair draws as the range has, 2,000 times;
// p = (1 + runs with a χ² at least the observed) / (1 + runs). Only the tables asked for count.
// 128 bits for a 64 × 64-bit product (GCC and Clang; the extension keeps -Wpedantic quiet).
__extension__ using Wide = unsigned __int128;

void simulate(std::array<Independence *, 2> tests, qint64 draws)
{
    const Outcomes &o = outcomeTables();
    // A draw's two classes as one number, form · 4 + 大小单双.
    std::array<quint8, 216> classes{};
    for (size_t i = 0; i < classes.size(); ++i)
        classes[i] = quint8(o.form[i] * 4 + o.sum[i]);
    std::mt19937_64 random(20161212);
    auto outcome = [&random, bits = quint64(0), left = 0]() mutable {
        // Four draws from each 64-bit number, as its first four digits in base 216: each is the
        // whole part of the fraction left times 216 (a bias below 216 / 2^33).
        if (left == 0) {
            bits = random();
            left = 4;
        }
        const Wide scaled = Wide(bits) * 216;
        bits = quint64(scaled);
        --left;
        return size_t(scaled >> 64);
    };
    std::array<int, 2> asLarge{};
    constexpr int runs = FairDice::simulationRuns;
    for (int run = 0; run < runs; ++run) {
        // Pairs of both classings at once, split into the two tables afterwards.
        std::array<qint32, 256> pairs{};
        unsigned previous = classes[outcome()];
        for (qint64 k = 1; k < draws; ++k) {
            const unsigned next = classes[outcome()];
            ++pairs[previous * 16 + next];
            previous = next;
        }
        std::array<Table, 2> tables{};
        for (unsigned from = 0; from < 16; ++from)
            for (unsigned to = 0; to < 16; ++to) {
                tables[0][from / 4][to / 4] += pairs[from * 16 + to];
                tables[1][from % 4][to % 4] += pairs[from * 16 + to];
            }
        for (size_t t = 0; t < 2; ++t)
            if (tests[t])
                asLarge[t] += chiSquare(tables[t]).chi2 >= tests[t]->chi2 - 1e-9 ? 1 : 0;
    }
    for (size_t t = 0; t < 2; ++t)
        if (tests[t])
            tests[t]->p = double(1 + asLarge[t]) / (1 + runs);
}

Independence independenceOf(const QString &of, const QStringList &classes, const Table &table)
{
    Independence i;
    i.of = of;
    i.classes = classes;
    i.table = table;
    const TableTest t = chiSquare(table);
    i.chi2 = t.chi2;
    i.df = t.df;
    i.method = t.small ? QStringLiteral("simulation") : QStringLiteral("chi2");
    if (!t.small && t.df > 0)
        i.p = boost::math::cdf(boost::math::complement(boost::math::chi_squared_distribution<double>(t.df), t.chi2));
    return i;
}

} // namespace

QString formOf(const Numbers &numbers)
{
    static const QString names[] = {QStringLiteral("三同号"), QStringLiteral("二同号"), QStringLiteral("三连号"),
                                    QStringLiteral("三不同号")};
    return names[formClass(numbers)];
}

Omission omission(const HistorySnapshot &history, int begin, int end)
{
    Omission result;
    result.from = history.issue(begin);
    result.to = history.issue(end - 1);
    result.draws = end - begin;
    result.order = FairDice::orderOf(history);
    result.sorted = result.order.ascending;

    const Outcomes &o = outcomeTables();
    // Each value's state in one place: the pass touches one small record a value it meets.
    struct Track
    {
        qint32 last, longest, run, longestRun;
    };
    std::array<Track, ValueCount> tracks;
    tracks.fill({begin - 1, 0, 0, 0});
    // Counts come from how often each outcome was drawn; draws of other numbers count apart.
    std::array<qint32, 216> drawn{};
    std::array<qint64, ValueCount> count{};
    Table forms{}, sums{};
    int previousForm = -1, previousSum = -1;
    for (int i = begin; i < end; ++i) {
        const Numbers n = history.numbers(i);
        const int index = outcomeIndex(n);
        quint64 mask = 0;
        if (index >= 0) {
            mask = o.mask[size_t(index)];
            ++drawn[size_t(index)];
        } else {
            mask = maskOf(n);
            for (quint64 m = mask; m; m &= m - 1)
                ++count[size_t(std::countr_zero(m))];
        }
        const int form = index >= 0 ? o.form[size_t(index)] : formClass(n);
        const int sum = index >= 0 ? o.sum[size_t(index)] : sumClass(n);
        // No branch on the data: a gap of 0 continues the run (the first draw of the range
        // "continues" a run of 0).
        for (; mask; mask &= mask - 1) {
            Track &t = tracks[size_t(std::countr_zero(mask))];
            const qint32 gap = i - t.last - 1;
            t.longest = std::max(t.longest, gap);
            t.run = 1 + t.run * qint32(gap == 0); // arithmetic: a branch here is mispredicted often
            t.longestRun = std::max(t.longestRun, t.run);
            t.last = i;
        }
        if (previousForm >= 0)
            ++forms[size_t(previousForm)][size_t(form)];
        if (previousSum >= 0 && sum >= 0)
            ++sums[size_t(previousSum)][size_t(sum)];
        previousForm = form;
        previousSum = sum;
    }

    for (size_t index = 0; index < drawn.size(); ++index)
        for (quint64 mask = o.mask[index]; mask; mask &= mask - 1)
            count[size_t(std::countr_zero(mask))] += drawn[index];

    std::array<int, ValueCount> ways{};
    for (const Numbers &n : FairDice::outcomes(result.sorted))
        for (quint64 mask = maskOf(n); mask; mask &= mask - 1)
            ++ways[size_t(std::countr_zero(mask))];

    static const QStringList labels = valueLabels();
    const std::pair<QString, int> groups[] = {
        {QStringLiteral("号码"), NumberBase},          {QStringLiteral("第1位"), PositionBase},
        {QStringLiteral("第2位"), PositionBase + 6},   {QStringLiteral("第3位"), PositionBase + 12},
        {QStringLiteral("和值"), SumBase},             {QStringLiteral("形态"), FormBase},
        {QStringLiteral("和值大小"), SizeBase},        {QStringLiteral("和值单双"), ParityBase},
        {QString(), ValueCount}};
    for (size_t g = 0; g + 1 < std::size(groups); ++g) {
        Group &group = result.groups.emplace_back();
        group.name = groups[g].first;
        for (int v = groups[g].second; v < groups[g + 1].second; ++v) {
            ValueStats &s = group.values.emplace_back();
            s.value = labels[v];
            s.chance = ways[size_t(v)] / 216.0;
            const Track &t = tracks[size_t(v)];
            s.count = count[size_t(v)];
            s.expected = double(result.draws) * s.chance;
            s.current = end - 1 - t.last;
            s.longest = std::max<qint64>(t.longest, s.current);
            s.meanGap = double(result.draws - s.count) / double(s.count + 1);
            s.longestRun = t.longestRun;
            s.pCurrent = std::pow(1 - s.chance, double(s.current));
        }
    }

    result.independence.push_back(independenceOf(
        QStringLiteral("形态"),
        {QStringLiteral("三同号"), QStringLiteral("二同号"), QStringLiteral("三连号"), QStringLiteral("其他三不同号")},
        forms));
    result.independence.push_back(independenceOf(
        QStringLiteral("和值大小单双"),
        {QStringLiteral("小单"), QStringLiteral("小双"), QStringLiteral("大单"), QStringLiteral("大双")}, sums));
    std::array<Independence *, 2> simulated{};
    for (size_t t = 0; t < 2; ++t) {
        Independence &i = result.independence[t];
        // A χ² of 0 is matched by every simulated run: p = 1 without them.
        if (i.method == QLatin1String("simulation") && i.chi2 > 0)
            simulated[t] = &i;
    }
    if (simulated[0] || simulated[1])
        simulate(simulated, result.draws);
    return result;
}

std::vector<TrendRow> trend(const HistorySnapshot &history, int last)
{
    const int end = history.count(), first = std::max(0, end - std::max(last, 0));
    // Where each number last appeared before the first row shown: a walk back that stops as
    // soon as all six are found (−1: not yet).
    std::array<qint64, 6> seen;
    seen.fill(-1);
    int missing = 6;
    for (int i = first - 1; i >= 0 && missing > 0; --i)
        for (qint16 n : history.numbers(i))
            if (n >= 1 && n <= 6 && seen[size_t(n - 1)] < 0) {
                seen[size_t(n - 1)] = i;
                --missing;
            }
    std::vector<TrendRow> rows;
    rows.reserve(size_t(end - first));
    for (int i = first; i < end; ++i) {
        TrendRow &row = rows.emplace_back();
        row.issue = history.issue(i);
        row.numbers = history.numbers(i);
        row.sum = sumOf(row.numbers);
        row.form = formOf(row.numbers);
        const auto [low, high] = std::minmax_element(row.numbers.begin(), row.numbers.end());
        row.span = *high - *low;
        for (qint16 n : row.numbers)
            if (n >= 1 && n <= 6)
                ++row.hits[size_t(n - 1)];
        for (size_t k = 0; k < 6; ++k) {
            if (row.hits[k] > 0)
                seen[k] = i;
            row.omission[k] = i - seen[k];
        }
    }
    return rows;
}

std::array<ColumnSummary, 6> summarize(const std::vector<TrendRow> &rows)
{
    std::array<ColumnSummary, 6> columns{};
    std::array<qint64, 6> run{};
    // One pass over the rows, all six columns at once: a window of 100,000 rows is read once.
    for (const TrendRow &row : rows)
        for (size_t k = 0; k < 6; ++k) {
            ColumnSummary &c = columns[k];
            run[k] = row.hits[k] > 0 ? run[k] + 1 : 0;
            c.count += row.hits[k] > 0 ? 1 : 0;
            c.longestRun = std::max(c.longestRun, run[k]);
            c.longestOmission = std::max(c.longestOmission, row.omission[k]);
        }
    for (ColumnSummary &c : columns)
        c.meanGap = double(qint64(rows.size()) - c.count) / double(c.count + 1);
    return columns;
}

void addPrizes(Omission &omission, const Plays::PrizeTable &prizes)
{
    for (Group &group : omission.groups) {
        for (ValueStats &v : group.values) {
            std::optional<Plays::Choice> play;
            if (group.name == QStringLiteral("和值"))
                play = Plays::Choice{Plays::Play::Sum, v.value};
            else if (group.name == QStringLiteral("形态") && v.value == QStringLiteral("三同号"))
                play = Plays::Choice{Plays::Play::TripleAny, {}};
            else if (group.name == QStringLiteral("形态") && v.value == QStringLiteral("三连号"))
                play = Plays::Choice{Plays::Play::RunAny, {}};
            if (!play)
                continue;
            v.prize = prizes.prize(*play);
            v.fairReturn = prizes.fairReturn(*play);
        }
    }
}

QString prizeNote(const Plays::PrizeTable &prizes)
{
    const auto [low, high] = prizes.returnRange();
    return QStringLiteral("每注 %1 元，公平开奖时每种玩法平均只回报 %2%～%3%，遗漏多久都一样")
        .arg(Plays::betCost)
        .arg(QString::number(low * 100, 'f', 1), QString::number(high * 100, 'f', 1));
}

} // namespace TrendOmission
