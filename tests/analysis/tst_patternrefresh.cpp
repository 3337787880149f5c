#include "Derivation.h"
#include "PatternRefresh.h"
#include "TestHistory.h"

#include <QTest>

using Pattern = std::array<qint16, 3>;
Q_DECLARE_METATYPE(Pattern)

class TestPatternRefresh : public QObject
{
    Q_OBJECT
private slots:
    void latestPattern_data();
    void latestPattern();
    void emptyHistoryHasNoPattern();
    void rangeStart_data();
    void rangeStart();
    void predecessorIssue_data();
    void predecessorIssue();
    void verify_data();
    void verify();
    void verifyFollowsStoredOrder();
};

namespace {
// Draws 1 4 6, 3 3 5, 2 5 1, 6 6 2 at issues 161212001..004.
HistorySnapshot history()
{
    const Numbers draws[] = {{1, 4, 6}, {3, 3, 5}, {2, 5, 1}, {6, 6, 2}};
    std::vector<DrawCore> rows;
    for (int i = 0; i < 4; ++i) {
        const auto row =
            Derivation::makeRow(161212001 + i, draws[i], rows.empty() ? nullptr : &rows.back(), 1);
        rows.push_back(*row);
    }
    return HistorySnapshot(rows);
}
} // namespace

void TestPatternRefresh::latestPattern_data()
{
    QTest::addColumn<bool>("bolSq");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("kind");
    QTest::addColumn<Pattern>("pattern");
    QTest::newRow("上期, 号码") << true << 5 << 0 << Pattern{6, 6, 2};
    QTest::newRow("上期, 大小") << true << 2 << 1 << Pattern{1, 1, 0};
    QTest::newRow("前1期 is the latest") << false << 1 << 0 << Pattern{6, 6, 2};
    QTest::newRow("前2期, 单双") << false << 2 << 2 << Pattern{0, 1, 1};
    QTest::newRow("前3期, 号码: two before the latest") << false << 3 << 0 << Pattern{3, 3, 5};
    QTest::newRow("前4期, 段数") << false << 4 << 3 << Pattern{1, 2, 3};
}

void TestPatternRefresh::latestPattern()
{
    QFETCH(bool, bolSq);
    QFETCH(int, n);
    QFETCH(int, kind);
    SearchState state;
    state.bolSq = bolSq;
    state.intPreQi = qint16(n);
    state.intLei = qint16(kind);
    const auto pattern = PatternRefresh::latestPattern(history(), state);
    QVERIFY(pattern);
    QTEST(*pattern, "pattern");
}

void TestPatternRefresh::emptyHistoryHasNoPattern()
{
    SearchState state;
    QVERIFY(!PatternRefresh::latestPattern(HistorySnapshot(), state));
    state.bolSq = false;
    state.intPreQi = 5; // more than the history holds
    QVERIFY(!PatternRefresh::latestPattern(history(), state));
    QVERIFY(!PatternRefresh::rangeStart(HistorySnapshot(), true, 1));
}

void TestPatternRefresh::rangeStart_data()
{
    QTest::addColumn<bool>("bolSq");
    QTest::addColumn<int>("n");
    QTest::addColumn<qint32>("start");
    QTest::newRow("上期 ignores N") << true << 7 << 161212002;
    QTest::newRow("前2期") << false << 2 << 161212003;
    QTest::newRow("前9期: plain sum") << false << 9 << 161212010;
}

void TestPatternRefresh::rangeStart()
{
    QFETCH(bool, bolSq);
    QFETCH(int, n);
    QTEST(*PatternRefresh::rangeStart(history(), bolSq, n), "start");
}

void TestPatternRefresh::predecessorIssue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("drawsPerDay");
    QTest::addColumn<qint64>("issue"); // -1: none
    QTest::newRow("inside the day") << "161212005" << 78 << qint64(161212004);
    QTest::newRow("first of the day, 82 a day") << "161201001" << 82 << qint64(161130082);
    QTest::newRow("first of the year") << "170101001" << 78 << qint64(161231078);
    QTest::newRow("first of March, leap year") << "160301001" << 87 << qint64(160229087);
    QTest::newRow("last nine characters") << "20161212005" << 78 << qint64(161212004);
    QTest::newRow("day that does not exist") << "161232001" << 78 << qint64(-1);
    QTest::newRow("not digits") << "abc" << 78 << qint64(-1);
    QTest::newRow("empty") << "" << 78 << qint64(-1);
}

void TestPatternRefresh::predecessorIssue()
{
    QFETCH(QString, text);
    QFETCH(int, drawsPerDay);
    const auto q = PatternRefresh::predecessorIssue(text, drawsPerDay);
    QTEST(q ? qint64(*q) : qint64(-1), "issue");
}

void TestPatternRefresh::verify_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("beforeOnly");
    QTest::addColumn<int>("n");              // 0: 上期
    QTest::addColumn<qint64>("rangeEnd");    // -1: unchanged
    QTest::addColumn<QList<int>>("pattern"); // empty: unchanged
    // The history: 1 4 6, 3 3 5, 2 5 1, 6 6 2 at 161212001..004.
    QTest::newRow("before only") << "161212003" << true << 0 << qint64(161212002) << QList<int>{3, 3, 5};
    QTest::newRow("whole range") << "161212003" << false << 0 << qint64(161212004) << QList<int>{3, 3, 5};
    QTest::newRow("前2期 moves one further back")
        << "161212004" << true << 2 << qint64(161212003) << QList<int>{3, 3, 5};
    QTest::newRow("前3期 past the first draw")
        << "161212003" << true << 3 << qint64(161212002) << QList<int>{};
    QTest::newRow("issue not stored, before only") << "161212009" << true << 0 << qint64(-1) << QList<int>{};
    QTest::newRow("issue not stored, whole range")
        << "161212009" << false << 0 << qint64(161212004) << QList<int>{};
    QTest::newRow("no issue can be formed") << "x" << false << 0 << qint64(161212004) << QList<int>{};
    QTest::newRow("the next issue") << "161212005" << true << 0 << qint64(161212004) << QList<int>{6, 6, 2};
    QTest::newRow("the first stored draw has none before it")
        << "161212001" << true << 0 << qint64(-1) << QList<int>{};
    QTest::newRow("eleven digits") << "20161212003" << true << 0 << qint64(161212002) << QList<int>{3, 3, 5};
}

// A short day: the stored draw before the next day's first is the day's last one stored, wherever
// the day arithmetic would look.
void TestPatternRefresh::verifyFollowsStoredOrder()
{
    const HistorySnapshot stored =
        TestHistory::snapshotOf({{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161213001, {2, 5, 1}}});
    SearchState state;
    const auto outcome = PatternRefresh::verify(stored, state, "161213001", true, 78);
    QCOMPARE(outcome.rangeEnd, std::optional<qint32>(161212002));
    QCOMPARE(outcome.pattern, (std::optional<std::array<qint16, 3>>{{3, 3, 5}}));
    QVERIFY(outcome.problem.isEmpty());
    const auto missing = PatternRefresh::verify(stored, state, "130731099", false, 78);
    QCOMPARE(missing.problem, QStringLiteral("期号 130731099 不在历史号码中"));
    QVERIFY(!missing.pattern);
}

void TestPatternRefresh::verify()
{
    QFETCH(QString, text);
    QFETCH(bool, beforeOnly);
    QFETCH(int, n);
    SearchState state;
    state.bolSq = n == 0;
    state.intPreQi = qint16(std::max(n, 1));
    const PatternRefresh::Verification outcome =
        PatternRefresh::verify(history(), state, text, beforeOnly, 78);
    QTEST(outcome.rangeEnd ? qint64(*outcome.rangeEnd) : qint64(-1), "rangeEnd");
    QList<int> pattern;
    if (outcome.pattern)
        pattern = {(*outcome.pattern)[0], (*outcome.pattern)[1], (*outcome.pattern)[2]};
    QTEST(pattern, "pattern");
    // No pattern always comes with its reason.
    QCOMPARE(outcome.problem.isEmpty(), bool(outcome.pattern));
}

QTEST_GUILESS_MAIN(TestPatternRefresh)
#include "tst_patternrefresh.moc"
