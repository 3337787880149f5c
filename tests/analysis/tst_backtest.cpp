#include "Backtest.h"
#include "ChartScale.h"
#include "CombinationSearch.h"
#include "FairDice.h"
#include "FollowSearch.h"
#include "PatternRefresh.h"
#include "TrendOmission.h"
#include "TestHistory.h"

#include <QTest>
#include <boost/math/distributions/chi_squared.hpp>
#include <random>

namespace {

std::vector<TestDraw> randomDraws(quint32 seed, int count, bool sorted)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<TestDraw> draws;
    for (int i = 0; i < count; ++i) {
        Numbers n{qint16(die(random)), qint16(die(random)), qint16(die(random))};
        if (sorted)
            std::sort(n.begin(), n.end());
        draws.push_back({170101001 + i, n});
    }
    return draws;
}

QString describe(const Backtest::Summary &s)
{
    QStringList lines{
        QStringLiteral("played %1 skipped %2 hits %3").arg(s.played).arg(s.skipped).arg(s.hits)};
    for (const Backtest::Issue &i : s.issues) {
        QStringList picks;
        for (qint16 v : i.picks)
            picks << QString::number(v);
        lines << QStringLiteral("%1 %2 %3 %4").arg(i.issue).arg(picks.join(',')).arg(i.hit).arg(i.pHit);
    }
    return lines.join('\n');
}

} // namespace

class TestBacktest : public QObject
{
    Q_OBJECT
private slots:
    void walkForwardEqualsOneSearchPerIssue();
    void handWorkedShares_data();
    void handWorkedShares();
    void fairHistoryIsNotFlagged();
    void dependentHistoryIsFlagged();
    void fairnessOfATally();
    void fewDrawsOutOfOrderKeepTheModel_data();
    void fewDrawsOutOfOrderKeepTheModel();
    void smallTalliesAreSimulated_data();
    void smallTalliesAreSimulated();
    void methodFollowsTheRule_data();
    void methodFollowsTheRule();
    void pIsShownWithTwoDigits_data();
    void pIsShownWithTwoDigits();
    void chartAxesAreNice_data();
    void chartAxesAreNice();
    void twoSidedP_data();
    void twoSidedP();
};

// Every option combination, on an unsorted and a sorted random history: the running tallies give
// what one whole search per issue gives.
void TestBacktest::walkForwardEqualsOneSearchPerIssue()
{
    int compared = 0, played = 0;
    for (bool sorted : {false, true}) {
        const HistorySnapshot history = TestHistory::snapshotOf(randomDraws(sorted ? 7 : 5, 90, sorted));
        std::mt19937 random(11);
        for (int kind = 0; kind < 4; ++kind)
            for (bool free : {true, false})
                for (int back = 0; back <= 3; ++back)
                    for (int subset : {0, 1, 5, 7}) {
                        SearchState s;
                        s.intLei = qint16(kind);
                        s.intXianshiLei = qint16(random() % 4);
                        s.bolZyw = free;
                        s.bolSq = back == 0;
                        s.intPreQi = qint16(std::max(back, 1));
                        s.bolZuxuan = random() % 2;
                        s.intConsqSort = qint16(1 + random() % 3);
                        s.DsIni = qint16(random() % 2);
                        const int top = 1 + int(random() % uint(Backtest::listedCount(s) - 1));
                        const Positions chosen{bool(subset & 1), bool(subset & 2), bool(subset & 4)};
                        const qint32 from = 170101001 + int(random() % 20),
                                     to = 170101090 - int(random() % 20);
                        const auto fast = Backtest::run(history, s, chosen, from, to, top);
                        const Backtest::Summary slow =
                            Backtest::runLiterally(history, s, chosen, from, to, top);
                        QVERIFY(fast);
                        QCOMPARE(describe(*fast), describe(slow));
                        QCOMPARE(fast->expectedHits, slow.expectedHits);
                        QCOMPARE(fast->longestMissStreak, slow.longestMissStreak);
                        ++compared;
                        played += fast->played;
                    }
    }
    QCOMPARE(compared, 256);
    QVERIFY(played > 10000);
}

void TestBacktest::handWorkedShares_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("ways"); // of 216
    // The smallest of three dice is 1 unless all three are above 1: 216 - 125.
    QTest::newRow("number, sorted, position 1, 1") << 0 << true << 1 << 1 << 91;
    QTest::newRow("number, sorted, position 3, 6") << 0 << true << 3 << 6 << 91;
    QTest::newRow("number, sorted, middle 3") << 0 << true << 2 << 3 << 52;
    QTest::newRow("number, unsorted, position 1, 1") << 0 << false << 1 << 1 << 36;
    QTest::newRow("size, sorted, position 1, big") << 1 << true << 1 << 1 << 64;
    QTest::newRow("parity, unsorted, position 2, odd") << 2 << false << 2 << 1 << 108;
}

void TestBacktest::handWorkedShares()
{
    QFETCH(int, kind);
    QFETCH(bool, sorted);
    QFETCH(int, position);
    QFETCH(int, value);
    QFETCH(int, ways);
    SearchState s;
    s.intXianshiLei = qint16(kind);
    QCOMPARE(FairDice::share(s, sorted, position, qint16(value)), ways / 216.0);
    // A backtest that always picks this value at this position hits with exactly that chance.
    s.bolZuxuan = false;
    s.intConsqSort = qint16(position);
    std::vector<TestDraw> draws;
    for (int i = 0; i < 30; ++i)
        draws.push_back({170101001 + i, sorted ? Numbers{1, 1, 1} : Numbers{1, 6, 1}});
    // Every draw starts with 1: that is the pick, and its chance is the share above.
    if (kind == 0 && value == 1 && position == 1) {
        const auto summary =
            Backtest::run(TestHistory::snapshotOf(draws), s, {false, false, false}, 170101001, 170101030, 1);
        QCOMPARE(summary->played, 29);
        QCOMPARE(summary->issues.front().pHit, (sorted ? 91 : 36) / 216.0);
    }
}

void TestBacktest::fairHistoryIsNotFlagged()
{
    const HistorySnapshot history = TestHistory::snapshotOf(randomDraws(2024, 3000, false));
    for (int kind = 0; kind < 4; ++kind) {
        SearchState s;
        s.intLei = qint16(kind);
        s.intXianshiLei = qint16(kind);
        const auto summary = Backtest::run(history, s, {true, true, true}, 170101001, 170104000, 1);
        QVERIFY(summary->played > 1000);
        QVERIFY2(std::abs(summary->z) < 4, qPrintable(QString::number(summary->z)));
    }
}

// Each draw's first number is one more than the previous draw's (6 → 1): following shows it.
void TestBacktest::dependentHistoryIsFlagged()
{
    std::vector<TestDraw> draws = randomDraws(3, 2000, false);
    for (size_t i = 1; i < draws.size(); ++i)
        draws[i].numbers[0] = qint16(draws[i - 1].numbers[0] % 6 + 1);
    SearchState s;
    s.bolZyw = false;
    s.bolZuxuan = false;
    s.intConsqSort = 1;
    const auto summary =
        Backtest::run(TestHistory::snapshotOf(draws), s, {true, false, false}, 170101001, 170103000, 1);
    QVERIFY(summary->p < 1e-6);
    QVERIFY(summary->hits > summary->expectedHits);
}

// A history published in ascending order stays so when a few draws are typed as the dice fell:
// the model, the expected counts and the backtest's expected hits do not move.
void TestBacktest::fewDrawsOutOfOrderKeepTheModel_data()
{
    QTest::addColumn<int>("outOfOrder"); // of 1,000 ascending draws, the last ones reversed
    QTest::addColumn<bool>("ascending");
    QTest::addRow("none") << 0 << true;
    QTest::addRow("one typed") << 1 << true;
    QTest::newRow("10 percent") << 100 << true;
    QTest::newRow("just over 10 percent") << 101 << false;
    QTest::addRow("all in drawn order") << -1 << false;
}

void TestBacktest::fewDrawsOutOfOrderKeepTheModel()
{
    QFETCH(int, outOfOrder);
    QFETCH(bool, ascending);
    std::vector<TestDraw> draws = randomDraws(5, 1000, outOfOrder >= 0);
    // Reverse only draws of three different numbers, so that each one counts.
    int reversed = 0;
    for (auto d = draws.rbegin(); d != draws.rend() && reversed < outOfOrder; ++d)
        if (d->numbers[0] < d->numbers[1] && d->numbers[1] < d->numbers[2]) {
            std::reverse(d->numbers.begin(), d->numbers.end());
            ++reversed;
        }
    QCOMPARE(reversed, std::max(outOfOrder, 0));
    const HistorySnapshot history = TestHistory::snapshotOf(draws);
    const FairDice::Order order = FairDice::orderOf(history);
    QCOMPARE(order.ascending, ascending);
    QCOMPARE(FairDice::isSorted(history), ascending);
    const QString note = FairDice::orderNote(order);
    QCOMPARE(!note.isEmpty(), ascending && outOfOrder > 0);
    if (!note.isEmpty()) {
        // The newest draw out of order is the example.
        const auto newest = std::find_if(draws.rbegin(), draws.rend(), [](const TestDraw &d) {
            return d.numbers[0] > d.numbers[1];
        });
        QCOMPARE(note, QStringLiteral("有 %1 期号码不是从小到大（如 %2：%3 %4 %5），按从小到大计算")
                           .arg(outOfOrder)
                           .arg(newest->issue)
                           .arg(newest->numbers[0])
                           .arg(newest->numbers[1])
                           .arg(newest->numbers[2]));
    }

    SearchState s;
    s.bolZyw = false;
    const IssueRange all{history.first().sqqh, history.last().sqqh};
    const SearchResult result = FollowSearch::run(history, s, {true, false, false}, all);
    const FairDice::Fairness f = FairDice::of(result, s, order);
    QCOMPARE(f.sorted, ascending);
    QCOMPARE(f.outOfOrder, history.outOfOrder());
    QCOMPARE(f.expected, FairDice::of(result, s, ascending).expected);
    QCOMPARE(FairDice::summaryLine(f).contains(note), true);

    const auto summary = Backtest::run(history, s, {true, false, false}, draws[900].issue, draws.back().issue, 2);
    QCOMPARE(summary->sorted, ascending);
    QCOMPARE(summary->order.outOfOrder, history.outOfOrder());
    QCOMPARE(Backtest::summaryText(*summary).endsWith(note.isEmpty() ? QStringLiteral("期。") : note + "。"), true);
    QVERIFY(!Backtest::summaryText(*summary).contains(QStringLiteral("跳过")));
    // From the first issue: it has no history before it.
    const auto fromFirst = Backtest::run(history, s, {true, false, false}, draws.front().issue, draws[20].issue, 2);
    QVERIFY(fromFirst->skipped >= 1);
    QVERIFY(Backtest::summaryText(*fromFirst).contains(
        QStringLiteral("期有推荐（最前面的 %1 期之前没有可统计的历史，跳过），").arg(fromFirst->skipped)));

    const TrendOmission::Omission omission = TrendOmission::omission(history, 0, history.count());
    QCOMPARE(omission.sorted, ascending);
    QCOMPARE(TrendOmission::rangeText(omission).endsWith(note.isEmpty() ? QStringLiteral("）") : note),
             ascending);
    // The chance of a value follows the model alone: a 1 first is 91/216 when position 1 is the
    // smallest die, 36/216 in drawn order.
    const auto first = std::find_if(omission.groups.begin(), omission.groups.end(),
                                    [](const TrendOmission::Group &g) { return g.name.contains(QStringLiteral("第1位")); });
    QVERIFY(first != omission.groups.end());
    QCOMPARE(first->values.front().chance, ascending ? 91.0 / 216 : 36.0 / 216);
}

void TestBacktest::fairnessOfATally()
{
    const HistorySnapshot history = TestHistory::snapshotOf(randomDraws(9, 3000, true));
    QVERIFY(FairDice::isSorted(history));
    QVERIFY(!FairDice::isSorted(TestHistory::snapshotOf(randomDraws(9, 50, false))));
    SearchState s;
    const IssueRange all{history.first().sqqh, history.last().sqqh};
    // Group tally of a sorted history over all positions: the chi-square distribution applies.
    SearchResult result = FollowSearch::run(history, s, {false, false, false}, all);
    FairDice::Fairness f = FairDice::of(result, s, true);
    QCOMPARE(f.method, QStringLiteral("chi2"));
    QCOMPARE(f.df, 5);
    QCOMPARE(int(f.expected.size()), 6);
    QCOMPARE(f.expected[0], 3000 * 3 / 6.0);
    QVERIFY(f.p > 1e-4);
    // Two positions of a sorted draw are not independent: simulated, and still unremarkable.
    s.intConsqSort = 2;
    s.bolZuxuan = true;
    result = FollowSearch::run(history, s, {false, false, false}, all);
    f = FairDice::of(result, s, true);
    QCOMPARE(f.method, QStringLiteral("simulation"));
    QVERIFY(f.p > 1e-3 && f.p <= 1);
    QVERIFY(f.p >= 1.0 / 2001);
    // Straight position 1 of a sorted history: a plain χ² test against 91/216, 61/216, …
    s.bolZuxuan = false;
    s.intConsqSort = 1;
    result = FollowSearch::run(history, s, {false, false, false}, all);
    f = FairDice::of(result, s, true);
    double expectedOfOne = 0;
    for (size_t i = 0; i < result.tally.size(); ++i)
        if (result.tally[i].value == 1)
            expectedOfOne = f.expected[i];
    QCOMPARE(expectedOfOne, 3000 * 91 / 216.0);
    // The same tally taken as unsorted is far off.
    QVERIFY(FairDice::of(result, s, false).p < 1e-6);
    // No results: nothing to test.
    result = FollowSearch::run(history, s, {false, false, false}, {1, 0});
    f = FairDice::of(result, s, true);
    QCOMPARE(f.chi2, 0.0);
    QCOMPARE(f.p, 1.0);
    QVERIFY(
        FairDice::summaryLine(f).startsWith(QStringLiteral("与公平骰子比较：χ² = 0.00，自由度 5，p = 1.0 —— ")));
}

void TestBacktest::smallTalliesAreSimulated_data()
{
    QTest::addColumn<int>("draws");
    QTest::addColumn<bool>("combination");
    QTest::addColumn<QString>("method");
    // Straight tally of one position of an unsorted history: six values, expected draws / 6.
    QTest::newRow("8 results: expected 1.3") << 8 << false << "simulation";
    QTest::newRow("24 results: expected 4") << 24 << false << "simulation";
    QTest::newRow("29 results: expected 4.83") << 29 << false << "simulation";
    QTest::newRow("30 results: expected exactly 5") << 30 << false << "chi2";
    QTest::newRow("3000 results") << 3000 << false << "chi2";
    QTest::newRow("combination over 40 draws: tiny expected counts") << 40 << true << "simulation";
}

// The chi-square curve only where every expected count is at least 5; a seeded simulation of
// fair draws elsewhere, which agrees with the curve where both hold.
void TestBacktest::smallTalliesAreSimulated()
{
    QFETCH(int, draws);
    QFETCH(bool, combination);
    const HistorySnapshot history = TestHistory::snapshotOf(randomDraws(3, draws, false));
    SearchState s;
    s.bolZuxuan = false;
    s.intConsqSort = 1;
    s.intPattern = *PatternRefresh::latestPattern(history, s);
    const IssueRange all{history.first().sqqh, history.last().sqqh};
    SearchResult result = combination ? CombinationSearch::run(history, s, 2, all)
                                      : FollowSearch::run(history, s, {false, false, false}, all);
    const FairDice::Fairness f = FairDice::of(result, s, false);
    // Each row's expected counts are what its name says: the boundary is hit exactly.
    QVERIFY(!result.rows.empty());
    for (double e : f.expected)
        QCOMPARE(e, combination ? result.total / 6.0 : draws / 6.0);
    QTEST(f.method, "method");
    QCOMPARE(f.smallSample, f.method == QLatin1String("simulation"));
    QVERIFY(f.p >= 1.0 / (1 + FairDice::simulationRuns) && f.p <= 1);
    if (f.method == QLatin1String("simulation"))
        QVERIFY(FairDice::summaryLine(f).contains(QStringLiteral("样本较小，p 由 2000 次模拟公平开奖得到")));
    if (draws == 24) {
        // Counts of 4 are close enough to compare: the simulation and the curve agree within its error.
        const double curve = boost::math::cdf(
            boost::math::complement(boost::math::chi_squared_distribution<double>(f.df), f.chi2));
        QVERIFY2(std::abs(f.p - curve) < 0.06, qPrintable(QStringLiteral("%1 vs %2").arg(f.p).arg(curve)));
    }
}

void TestBacktest::methodFollowsTheRule_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<bool>("group");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("method");
    // Positions of one draw are independent unless it was sorted and only some are tallied.
    QTest::newRow("unsorted, one position") << false << false << 2 << "chi2";
    QTest::newRow("unsorted, positions 1-2") << false << true << 2 << "chi2";
    QTest::newRow("unsorted, all positions") << false << true << 3 << "chi2";
    QTest::newRow("sorted, one position") << true << false << 2 << "chi2";
    QTest::newRow("sorted, positions 1-2") << true << true << 2 << "simulation";
    QTest::newRow("sorted, all positions") << true << true << 3 << "chi2";
}

// Over 3,000 draws every expected count is large: only the dependence of sorted positions
// leaves the chi-square curve.
void TestBacktest::methodFollowsTheRule()
{
    QFETCH(bool, sorted);
    QFETCH(bool, group);
    QFETCH(int, position);
    const HistorySnapshot history = TestHistory::snapshotOf(randomDraws(11, 3000, sorted));
    SearchState s;
    s.bolZuxuan = group;
    s.intConsqSort = qint16(position);
    const SearchResult result =
        FollowSearch::run(history, s, {false, false, false}, {history.first().sqqh, history.last().sqqh});
    const FairDice::Fairness f = FairDice::of(result, s, sorted);
    QVERIFY(!f.smallSample);
    QTEST(f.method, "method");
}

void TestBacktest::pIsShownWithTwoDigits_data()
{
    QTest::addColumn<double>("p");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.0475 stays below 0.05") << 0.0475 << "p = 0.048";
    QTest::newRow("0.0498: a third digit rather than 0.050") << 0.0498 << "p = 0.0498";
    QTest::newRow("0.0504") << 0.0504 << "p = 0.050";
    QTest::newRow("0.53") << 0.53 << "p = 0.53";
    QTest::newRow("0.6 keeps its zero") << 0.6 << "p = 0.60";
    QTest::newRow("0.00834") << 0.00834 << "p = 0.0083";
    QTest::newRow("0.0996 rounds to 0.10") << 0.0996 << "p = 0.10";
    QTest::newRow("1") << 1.0 << "p = 1.0";
    QTest::newRow("0.0012") << 0.0012 << "p = 0.0012";
    QTest::newRow("0.001 itself") << 0.001 << "p = 0.0010";
    QTest::newRow("below 0.001") << 0.0004 << "p < 0.001";
}

void TestBacktest::pIsShownWithTwoDigits()
{
    QFETCH(double, p);
    QTEST(FairDice::pText(p), "text");
    Backtest::Summary s;
    s.played = 10;
    s.p = p;
    QVERIFY(Backtest::summaryText(s).contains(FairDice::pText(p) + QStringLiteral(" —— ")));
    QCOMPARE(Backtest::summaryText(s).contains(QStringLiteral("有显著差异")) &&
                 !Backtest::summaryText(s).contains(QStringLiteral("没有显著差异")),
             p < 0.05);
}

void TestBacktest::twoSidedP_data()
{
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("p");
    QTest::newRow("0") << 0.0 << 1.0;
    QTest::newRow("1.96") << 1.96 << 0.0499958;
    QTest::newRow("-1.96: fewer hits count too") << -1.96 << 0.0499958;
    QTest::newRow("1.81: p = 0.07, no difference") << 1.81 << 0.0702958;
    QTest::newRow("3") << 3.0 << 0.0026998;
}

// Both tails: a one-sided p would turn p = 0.07 into 0.035 and "没有显著差异" into "有显著差异".
void TestBacktest::twoSidedP()
{
    QFETCH(double, z);
    QFETCH(double, p);
    QVERIFY2(std::abs(Backtest::twoSidedP(z) - p) < 1e-6, qPrintable(QString::number(Backtest::twoSidedP(z))));
}

// The charts' axes: whole-number ticks at 1, 2 or 5 times a power of ten, covering the data.
void TestBacktest::chartAxesAreNice_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::newRow("nothing") << 0.0 << 0.0 << 0.0 << 1.0 << 1.0;
    QTest::newRow("below one") << 0.2 << 0.3 << 0.0 << 1.0 << 1.0;
    QTest::newRow("eight ticks of one") << 0.0 << 7.0 << 0.0 << 7.0 << 1.0;
    QTest::newRow("nine is too many for one") << 0.0 << 9.0 << 0.0 << 10.0 << 2.0;
    QTest::newRow("a walk of 1000") << 0.0 << 1000.0 << 0.0 << 1000.0 << 200.0;
    QTest::newRow("a walk of 4777") << 0.0 << 4777.0 << 0.0 << 5000.0 << 1000.0;
    QTest::newRow("around zero") << -37.5 << 42.1 << -40.0 << 60.0 << 20.0;
    QTest::newRow("all below zero") << -12.0 << -3.0 << -12.0 << -2.0 << 2.0;
    QTest::newRow("reversed") << 50.0 << 0.0 << 0.0 << 50.0 << 10.0;
}

void TestBacktest::chartAxesAreNice()
{
    QFETCH(double, low);
    QFETCH(double, high);
    const ChartScale scale = ChartScale::around(low, high);
    QTEST(scale.min, "min");
    QTEST(scale.max, "max");
    QTEST(scale.step, "step");
    QCOMPARE(scale.ticks, int((scale.max - scale.min) / scale.step) + 1);
    QVERIFY(scale.ticks <= 9);
}

QTEST_GUILESS_MAIN(TestBacktest)
#include "tst_backtest.moc"
