#pragma once

#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <QString>
#include <array>
#include <vector>

// What fair dice would give: the exact shares of the 216 equally likely ordered outcomes of three
// dice (each sorted ascending first when the history is published sorted), and a tally's
// departure from them.
namespace FairDice {

// How the history keeps each draw's numbers. Results sites publish every draw in ascending
// order (position 1 is then the smallest die, not a uniform one); dice in the order they fell
// give about 26% such draws. So a history is taken as ascending when at least 90% of its draws
// are, and a few typed in drawn order cannot switch the model.
struct Order
{
    bool ascending = true;
    int outOfOrder = 0;          // draws whose numbers are not ascending
    qint32 exampleIssue = 0;     // the newest of them
    Numbers exampleNumbers{};
};
Order orderOf(const HistorySnapshot &history);
bool isSorted(const HistorySnapshot &history);

// "有 K 期号码不是从小到大（如 130801001：3 1 2），按从小到大计算" for an ascending history with
// draws out of order; empty otherwise.
QString orderNote(const Order &order);

// The 216 outcomes, sorted ascending each when `sorted`.
const std::array<Numbers, 216> &outcomes(bool sorted);

// The value of a number in a kind.
qint16 valueOf(int kind, qint16 number, int segmentBase);

// The tallied positions of the options: 1..3 (group) or the tally position alone (straight).
std::pair<int, int> tallyPositions(const SearchState &state);

// P_q(v): the share of the outcomes whose position-q value in the display kind is v.
double share(const SearchState &state, bool sorted, int position, qint16 value);

struct Fairness
{
    bool sorted = false;
    int outOfOrder = 0;
    QString orderNote; // see orderNote()
    std::vector<double> expected; // one a tally line, in tally order
    double chi2 = 0;
    int df = 0;
    double p = 1;
    QString method; // "chi2" or "simulation"
    bool smallSample = false; // some expected count below 5: the chi-square curve does not hold
};

// The number of simulated fair tallies a simulated p-value counts over.
constexpr int simulationRuns = 2000;

// A p-value as the program shows it: two significant digits, "< 0.001" below that, so that the
// shown value never lands on the other side of 0.05 ("p = 0.048", "p < 0.001").
QString pText(double p);

// The expected counts of the tally and the chi-square test against them. The p-value comes from
// the chi-square distribution when the tallied values are independent and every expected count
// is at least 5, else from a seeded simulation of 2,000 tallies of as many fair draws,
// p = (1 + runs with a chi-square at least the observed) / (1 + runs).
Fairness of(const SearchResult &result, const SearchState &state, bool sorted);
// The same for a history kept in `order`: ascending or not, with its draws out of order named.
Fairness of(const SearchResult &result, const SearchState &state, const Order &order);

// "与公平骰子比较：χ² = 4.12，自由度 5，p = 0.53 —— 没有显著差异", and the order note.
QString summaryLine(const Fairness &fairness);

} // namespace FairDice
