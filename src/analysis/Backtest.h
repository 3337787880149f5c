#pragma once

#include "FairDice.h"
#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// Walk-forward backtest of the follow analysis: for each draw in a range, search with the
// current options on the pattern of the draw before it (or N before), using only the draws
// before it, pick the tally's top K values, and see whether the draw hit one of them.
namespace Backtest {

struct Issue
{
    qint32 issue = 0;
    std::array<qint16, 3> pattern{}; // in the search kind
    std::vector<qint16> picks;       // values of the display kind, in tally order
    Numbers drawn{};
    bool hit = false;
    double pHit = 0; // the chance of a hit with these picks for fair dice
};

struct Summary
{
    std::optional<qint32> from, to;
    int top = 1;
    bool sorted = false;
    FairDice::Order order; // of the whole history
    int played = 0;
    int skipped = 0;
    int hits = 0;
    double expectedHits = 0;
    double variance = 0;
    double z = 0;
    double p = 1;
    int longestMissStreak = 0;
    std::vector<Issue> issues; // the played ones, in issue order
};

// The chance, for fair dice, of a walk at least |z| standard deviations from the expected hits
// either way (two-sided: more hits and fewer hits both count as a difference).
double twoSidedP(double z);

// The summary in one Chinese sentence, as the window and the command-line tool show it.
QString summaryText(const Summary &summary);
// An issue as the table shows it: 期号, 模式, 推荐, 开奖, 命中, 命中概率 (`kind`: the display kind).
QStringList issueCells(const Issue &issue, int kind);
QStringList issueHeader();

// How many values the display kind lists: K must be at least 1 and below this.
int listedCount(const SearchState &state);

// Called now and then with the issues done and the issues in range; false cancels the run.
using Progress = std::function<bool(int done, int total)>;

// The backtest of the stored draws whose issues lie in [from, to]. Running tallies move forward
// with the walk, so an issue costs about the number of pattern classes, not the history.
// Nothing when cancelled.
std::optional<Summary> run(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                           qint32 from, qint32 to, int top, const Progress &progress = {});

// The same by the definition taken literally: one whole follow search per issue (slow; a check).
Summary runLiterally(const HistorySnapshot &history, const SearchState &state, const Positions &chosen,
                     qint32 from, qint32 to, int top);

} // namespace Backtest
