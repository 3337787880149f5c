#include "CombinationSearch.h"
#include "FollowSearch.h"
#include "HistoryDb.h"
#include "SearchFixture.h"
#include "SearchOracle.h"
#include "TestDoubles.h"

#include <QSqlQuery>
#include <QTest>
#include <random>

using Pattern = std::array<qint16, 3>;
Q_DECLARE_METATYPE(Issues)

namespace {

SearchState state(bool free, bool previous, int n, Pattern pattern)
{
    SearchState s;
    s.bolZyw = free;
    s.bolSq = previous;
    s.intPreQi = qint16(n);
    s.intPattern = pattern;
    return s;
}

// Each draw k (1-based) is issue 161212000 + k; the comment says what it follows.
const std::vector<TestDraw> handMade = {
    {161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, // 1 4 6
    {161212003, {2, 2, 2}},                         // 3 3 5
    {161212004, {3, 2, 1}},                         // 2 2 2
    {161212005, {1, 4, 2}},                         // 3 2 1
    {161212006, {5, 6, 6}},                         // 1 4 2
    {161212007, {6, 4, 6}},                         // 5 6 6
    {161212008, {3, 1, 1}},                         // 6 4 6
    {161212009, {4, 4, 4}},                         // 3 1 1
};

} // namespace

class TestCombinationSearch : public QObject
{
    Q_OBJECT
private slots:
    void handMadeCases_data();
    void handMadeCases();
    void sizeThreeEqualsFollowSearch();
    void matchedTwiceCountedOnce();
    void matchesStoredTexts();
    void matchesDirectComputation();
};

void TestCombinationSearch::handMadeCases_data()
{
    QTest::addColumn<bool>("free");
    QTest::addColumn<Pattern>("pattern");
    QTest::addColumn<int>("size");
    QTest::addColumn<Issues>("expected");
    // Free 3,3,5: k=1 a 3 or a 5; k=2 two 3s, or a 3 and a 5; k=3 two 3s and a 5.
    QTest::newRow("free 3,3,5 k=1") << true << Pattern{3, 3, 5} << 1
                                    << Issues{161212003, 161212005, 161212007, 161212009};
    QTest::newRow("free 3,3,5 k=2") << true << Pattern{3, 3, 5} << 2 << Issues{161212003};
    QTest::newRow("free 3,3,5 k=3") << true << Pattern{3, 3, 5} << 3 << Issues{161212003};
    QTest::newRow("free 3,3,5 k=4") << true << Pattern{3, 3, 5} << 4 << Issues{};
    QTest::newRow("free 3,3,5 k=0") << true << Pattern{3, 3, 5} << 0 << Issues{};
    // Fixed 1,4,6: k=2 agrees at two positions at least; the oldest row never matches.
    QTest::newRow("fixed 1,4,6 k=1") << false << Pattern{1, 4, 6} << 1
                                     << Issues{161212002, 161212006, 161212007, 161212008};
    QTest::newRow("fixed 1,4,6 k=2") << false << Pattern{1, 4, 6} << 2
                                     << Issues{161212002, 161212006, 161212008};
    QTest::newRow("fixed 1,4,6 k=3") << false << Pattern{1, 4, 6} << 3 << Issues{161212002};
    QTest::newRow("fixed 1,4,6 k=-1") << false << Pattern{1, 4, 6} << -1 << Issues{};
}

void TestCombinationSearch::handMadeCases()
{
    QFETCH(bool, free);
    QFETCH(Pattern, pattern);
    QFETCH(int, size);
    History h(handMade);
    const SearchResult result =
        CombinationSearch::run(h.snapshot(), state(free, true, 2, pattern), size, h.all());
    QTEST(issuesOf(result), "expected");
    if (result.rows.empty()) {
        for (const TallyLine &line : result.tally)
            QCOMPARE(line.count, 0);
    }
}

void TestCombinationSearch::sizeThreeEqualsFollowSearch()
{
    std::vector<TestDraw> draws = TestHistory::sample();
    draws.resize(1000);
    History h(draws);
    for (bool free : {true, false})
        for (bool previous : {true, false}) {
            const SearchState s = state(free, previous, 3, SearchOracle::kindValues(draws[500].numbers, 0));
            const SearchResult follow = FollowSearch::run(h.snapshot(), s, {true, true, true}, h.all());
            const SearchResult combination = CombinationSearch::run(h.snapshot(), s, 3, h.all());
            QVERIFY(!follow.rows.empty());
            QCOMPARE(issuesOf(combination), issuesOf(follow));
        }
}

void TestCombinationSearch::matchedTwiceCountedOnce()
{
    History h(handMade);
    // 161212002 follows 1 4 6, which agrees with 1,4,6 on all three pairs of positions.
    SearchState s = state(false, true, 2, {1, 4, 6});
    s.bolZuxuan = false;
    s.intConsqSort = 1;
    const SearchResult result = CombinationSearch::run(h.snapshot(), s, 2, {161212002, 161212002});
    QCOMPARE(issuesOf(result), Issues{161212002});
    QCOMPARE(result.total, 1);
    qint64 counted = 0;
    for (const TallyLine &line : result.tally)
        counted += line.count;
    QCOMPARE(counted, 1);
}

void TestCombinationSearch::matchesStoredTexts()
{
    History h(handMade);
    // Size 2 of 3, 3, 5: the previous draw holds two 3s, or a 3 and a 5.
    const SearchResult result =
        CombinationSearch::run(h.snapshot(), state(true, true, 2, {3, 3, 5}), 2, h.all());
    QSqlQuery q =
        h.db.database().select("SELECT SQQH FROM Lishi WHERE txtHisLstHm LIKE '%1X3%' AND "
                               "(txtHisLstHm LIKE '%2X3%' OR txtHisLstHm LIKE '%1X5%') ORDER BY SQQH");
    Issues expected;
    while (q.next())
        expected.push_back(q.value(0).toInt());
    QVERIFY(!expected.empty());
    QCOMPARE(issuesOf(result), expected);
    // A size with no combination matches nothing.
    QVERIFY(CombinationSearch::run(h.snapshot(), state(true, true, 2, {3, 3, 5}), 4, h.all()).rows.empty());
}

void TestCombinationSearch::matchesDirectComputation()
{
    std::mt19937 random(815);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<TestDraw> draws;
    for (int i = 0; i < 200; ++i)
        draws.push_back({170301001 + i, {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
    History h(draws);
    for (int kind = 0; kind < 4; ++kind)
        for (bool free : {true, false})
            for (int back = 0; back <= 3; ++back)
                for (int k = 1; k <= 3; ++k) {
                    SearchState s =
                        state(free, back == 0, std::max(back, 1),
                              SearchOracle::kindValues(draws[size_t(die(random) * 25)].numbers, kind));
                    s.intLei = qint16(kind);
                    QVERIFY2(issuesOf(CombinationSearch::run(h.snapshot(), s, k, h.all())) ==
                                 SearchOracle::combinationSearch(draws, s, k),
                             qPrintable(QStringLiteral("kind %1 free %2 back %3 k %4")
                                            .arg(kind)
                                            .arg(free)
                                            .arg(back)
                                            .arg(k)));
                }
}

QTEST_GUILESS_MAIN(TestCombinationSearch)
#include "tst_combinationsearch.moc"
