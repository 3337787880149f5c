#include "Derivation.h"
#include "PatternRefresh.h"

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

QTEST_GUILESS_MAIN(TestPatternRefresh)
#include "tst_patternrefresh.moc"
