#include "FairDice.h"

#include "Derivation.h"
#include "Matching.h"

#include <algorithm>
#include <cmath>
#include <boost/math/distributions/chi_squared.hpp>
#include <map>
#include <random>

namespace FairDice {

Order orderOf(const HistorySnapshot &history)
{
    Order order;
    order.outOfOrder = history.outOfOrder();
    order.ascending = qint64(order.outOfOrder) * 10 <= history.count();
    if (const int last = history.lastOutOfOrder(); last >= 0) {
        order.exampleIssue = history.issue(last);
        order.exampleNumbers = history.numbers(last);
    }
    return order;
}

bool isSorted(const HistorySnapshot &history)
{
    return orderOf(history).ascending;
}

QString orderNote(const Order &order)
{
    if (!order.ascending || order.outOfOrder == 0)
        return {};
    const Numbers &n = order.exampleNumbers;
    return QStringLiteral("有 %1 期号码不是从小到大（如 %2：%3 %4 %5），按从小到大计算")
        .arg(order.outOfOrder)
        .arg(order.exampleIssue)
        .arg(n[0])
        .arg(n[1])
        .arg(n[2]);
}

const std::array<Numbers, 216> &outcomes(bool sorted)
{
    static const auto make = [](bool sort) {
        std::array<Numbers, 216> all{};
        int i = 0;
        for (qint16 a = 1; a <= 6; ++a)
            for (qint16 b = 1; b <= 6; ++b)
                for (qint16 c = 1; c <= 6; ++c) {
                    Numbers n{a, b, c};
                    if (sort)
                        std::sort(n.begin(), n.end());
                    all[size_t(i++)] = n;
                }
        return all;
    };
    static const std::array<Numbers, 216> plain = make(false), ascending = make(true);
    return sorted ? ascending : plain;
}

qint16 valueOf(int kind, qint16 number, int segmentBase)
{
    return Derivation::classify(number, segmentBase)[size_t(std::clamp(kind, 0, KindCount - 1))];
}

std::pair<int, int> tallyPositions(const SearchState &state)
{
    return {state.bolZuxuan ? 1 : state.intConsqSort, state.intConsqSort};
}

double share(const SearchState &state, bool sorted, int position, qint16 value)
{
    int count = 0;
    for (const Numbers &n : outcomes(sorted))
        count += valueOf(state.intXianshiLei, n[size_t(position - 1)], state.DsIni) == value ? 1 : 0;
    return count / 216.0;
}

namespace {

double chiSquare(const std::vector<qint64> &observed, const std::vector<double> &expected)
{
    double chi2 = 0;
    for (size_t i = 0; i < observed.size(); ++i)
        if (expected[i] > 0)
            chi2 += (double(observed[i]) - expected[i]) * (double(observed[i]) - expected[i]) / expected[i];
    return chi2;
}

// The p-value by simulation: tallies of `rows` fair draws. A draw adds one of few possible count
// vectors to the tally, so a simulated tally is a multinomial sample over those vectors.
double simulatedP(const std::vector<qint16> &values, const std::vector<double> &expected, qint64 rows,
                  double observed, const SearchState &state, bool sorted)
{
    const auto [start, end] = tallyPositions(state);
    std::map<std::vector<int>, int> vectors;
    for (const Numbers &n : outcomes(sorted)) {
        std::vector<int> counts(values.size(), 0);
        for (int q = start; q <= end; ++q) {
            const auto at = std::find(values.begin(), values.end(),
                                      valueOf(state.intXianshiLei, n[size_t(q - 1)], state.DsIni));
            if (at != values.end())
                ++counts[size_t(at - values.begin())];
        }
        ++vectors[counts];
    }
    constexpr int runs = simulationRuns;
    std::mt19937_64 random(20161212);
    int asLarge = 0;
    std::vector<qint64> tally(values.size());
    for (int run = 0; run < runs; ++run) {
        std::fill(tally.begin(), tally.end(), 0);
        qint64 left = rows;
        int mass = 216;
        for (const auto &[counts, ways] : vectors) {
            if (left == 0)
                break;
            const qint64 taken =
                ways == mass ? left : std::binomial_distribution<qint64>(left, double(ways) / mass)(random);
            for (size_t v = 0; v < counts.size(); ++v)
                tally[v] += taken * counts[v];
            left -= taken;
            mass -= ways;
        }
        asLarge += chiSquare(tally, expected) >= observed - 1e-9 ? 1 : 0;
    }
    return double(1 + asLarge) / (1 + runs);
}

} // namespace

Fairness of(const SearchResult &result, const SearchState &state, bool sorted)
{
    Fairness f;
    f.sorted = sorted;
    const auto [start, end] = tallyPositions(state);
    const qint64 rows = qint64(result.rows.size());
    std::vector<qint16> values;
    std::vector<qint64> observed;
    for (const TallyLine &line : result.tally) {
        double e = 0;
        for (int q = start; q <= end; ++q)
            e += double(rows) * share(state, sorted, q, line.value);
        f.expected.push_back(e);
        values.push_back(line.value);
        observed.push_back(line.count);
    }
    f.df = std::max(int(values.size()) - 1, 0);
    // Positions of one draw are independent unless the draw was sorted and only part of it is
    // tallied together.
    const bool independent = start == end || !sorted || (start == 1 && end == 3);
    // The usual rule for the chi-square curve: every expected count at least 5.
    f.smallSample = std::any_of(f.expected.begin(), f.expected.end(), [](double e) { return e < 5; });
    const bool curve = independent && !f.smallSample;
    f.method = curve ? QStringLiteral("chi2") : QStringLiteral("simulation");
    if (rows == 0 || f.df == 0)
        return f;
    f.chi2 = chiSquare(observed, f.expected);
    if (curve)
        f.p = boost::math::cdf(
            boost::math::complement(boost::math::chi_squared_distribution<double>(f.df), f.chi2));
    else
        f.p = simulatedP(values, f.expected, rows, f.chi2, state, sorted);
    return f;
}

Fairness of(const SearchResult &result, const SearchState &state, const Order &order)
{
    Fairness f = of(result, state, order.ascending);
    f.outOfOrder = order.outOfOrder;
    f.orderNote = orderNote(order);
    return f;
}

QString pText(double p)
{
    if (p < 0.001)
        return QStringLiteral("p < 0.001");
    // Significant digits, trailing zeros kept (0.60, 0.0083, 1.0); a third digit when two would
    // round a p below 0.05 up to it.
    const auto shown = [p](int digits) {
        const double rounded = QString::number(p, 'g', digits).toDouble();
        const int decimals = std::max(0, digits - 1 - int(std::floor(std::log10(rounded))));
        return QString::number(rounded, 'f', decimals);
    };
    QString text = shown(2);
    if (p < 0.05 && text.toDouble() >= 0.05)
        text = shown(3);
    return QStringLiteral("p = ") + text;
}

QString summaryLine(const Fairness &f)
{
    QString line = QStringLiteral("与公平骰子比较：χ² = %1，自由度 %2，%3 —— %4")
                       .arg(f.chi2, 0, 'f', 2)
                       .arg(f.df)
                       .arg(pText(f.p))
                       .arg(f.p < 0.05 ? QStringLiteral("有显著差异") : QStringLiteral("没有显著差异"));
    if (f.method == QLatin1String("simulation"))
        line += QStringLiteral("（%1p 由 %2 次模拟公平开奖得到）")
                    .arg(f.smallSample ? QStringLiteral("样本较小，") : QString())
                    .arg(simulationRuns);
    if (!f.orderNote.isEmpty())
        line += QStringLiteral("；") + f.orderNote;
    return line;
}

} // namespace FairDice
