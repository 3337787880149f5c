#include "FollowSearch.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "ResultGrids.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QSqlQuery>
#include <QTest>

class TestResultTally : public QObject
{
    Q_OBJECT
private slots:
    void percentText_data();
    void percentText();
    void straightTallyOfBigSmall();
    void groupTallyCountsEveryPosition();
    void segmentsListTheBase();
    void largeTalliesAreNotCapped();
    void gridsShowTheResult();
    void emptyResultShowsZeroCounts();
    void verifiedLineNamesThePlace_data();
    void verifiedLineNamesThePlace();
};

namespace {

struct History
{
    explicit History(const std::vector<TestDraw> &draws)
    {
        QVERIFY(TestHistory::createIn(folder.path(), draws));
        QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    }
    TestFolder folder;
    HistoryDb db;
};

QList<QPair<int, qint64>> tallyOf(const SearchResult &result)
{
    QList<QPair<int, qint64>> lines;
    for (const TallyLine &line : result.tally)
        lines.append({line.value, line.count});
    return lines;
}

// No position chosen: every draw in the range is a result.
SearchResult everything(HistoryDb &db, const SearchState &s, IssueRange range)
{
    return FollowSearch::run(*db.snapshot(), s, {false, false, false}, range);
}

} // namespace

void TestResultTally::percentText_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("5 of 12") << qint64(5) << qint64(12) << "41.667%";
    QTest::newRow("0 of 12") << qint64(0) << qint64(12) << "0.000%";
    QTest::newRow("1 of 64: half rounds away") << qint64(1) << qint64(64) << "1.563%";
    QTest::newRow("2 of 3") << qint64(2) << qint64(3) << "66.667%";
    QTest::newRow("1 of 3") << qint64(1) << qint64(3) << "33.333%";
    QTest::newRow("all") << qint64(7) << qint64(7) << "100.000%";
    QTest::newRow("1 of 8") << qint64(1) << qint64(8) << "12.500%";
    QTest::newRow("above 16 bits") << qint64(40000) << qint64(90000) << "44.444%";
    QTest::newRow("nothing tallied") << qint64(0) << qint64(0) << "";
}

void TestResultTally::percentText()
{
    QFETCH(qint64, count);
    QFETCH(qint64, total);
    QTEST(ResultGrids::percentText(count, total), "text");
}

void TestResultTally::straightTallyOfBigSmall()
{
    // Position-2 values 1, 1, 0 in 大小: 4, 5 and 2.
    History h({{161212001, {1, 4, 1}}, {161212002, {2, 5, 2}}, {161212003, {3, 2, 3}}});
    SearchState s;
    s.intXianshiLei = 1;
    s.bolZuxuan = false;
    s.intConsqSort = 2;
    const SearchResult result = everything(h.db, s, {161212001, 161212003});
    QCOMPARE(result.total, 3);
    QCOMPARE(tallyOf(result), (QList<QPair<int, qint64>>{{1, 2}, {0, 1}}));

    GridModel list, stats;
    ResultGrids::fill(list, stats, result);
    QCOMPARE(stats.cellText(1, 1), QStringLiteral("大"));
    QCOMPARE(stats.cellText(1, 2), QStringLiteral("2"));
    QCOMPARE(stats.cellText(1, 3), QStringLiteral("66.667%"));
    QCOMPARE(stats.cellText(2, 1), QStringLiteral("小"));
    QCOMPARE(stats.cellText(2, 3), QStringLiteral("33.333%"));
    // The list shows stored values, not words.
    QCOMPARE(list.cellText(1, 2) + list.cellText(2, 2) + list.cellText(3, 2), QStringLiteral("110"));
}

void TestResultTally::groupTallyCountsEveryPosition()
{
    History h(TestHistory::consecutive(161212001, 4));
    SearchState s; // 组选, 第3位, 号码
    const SearchResult result = everything(h.db, s, {161212001, 161212004});
    QCOMPARE(result.total, 12);
    qint64 sum = 0;
    for (const TallyLine &line : result.tally)
        sum += line.count;
    QCOMPARE(sum, 12);
    QCOMPARE(result.tally.size(), size_t(6));
    // Sorted by count, equal counts by value.
    for (size_t i = 1; i < result.tally.size(); ++i) {
        const TallyLine &a = result.tally[i - 1], &b = result.tally[i];
        QVERIFY(a.count > b.count || (a.count == b.count && a.value < b.value));
    }
    // Group tally up to 第2位 counts positions 1 and 2.
    s.intConsqSort = 2;
    QCOMPARE(everything(h.db, s, {161212001, 161212004}).total, 8);
}

void TestResultTally::segmentsListTheBase()
{
    // Two draws stored with base 0, two with base 1: segment 0 is counted but not listed.
    History h({});
    QVERIFY(TestHistory::append(h.db, {{161212001, {1, 1, 1}}, {161212002, {2, 3, 5}}}, 0));
    QVERIFY(TestHistory::append(h.db, {{161212003, {1, 6, 6}}, {161212004, {2, 2, 2}}}, 1));
    SearchState s;
    s.intXianshiLei = 3;
    s.DsIni = 1;
    const SearchResult result = everything(h.db, s, {161212001, 161212004});
    QCOMPARE(result.total, 12);
    QCOMPARE(tallyOf(result), (QList<QPair<int, qint64>>{{1, 5}, {3, 2}, {2, 1}}));
    s.DsIni = 0;
    QCOMPARE(tallyOf(everything(h.db, s, {161212001, 161212004})),
             (QList<QPair<int, qint64>>{{1, 5}, {0, 4}, {2, 1}}));
}

void TestResultTally::largeTalliesAreNotCapped()
{
    std::vector<TestDraw> draws = TestHistory::sample(); // 4,778 draws
    History h(draws);
    SearchState s;
    const SearchResult result = everything(h.db, s, {draws.front().issue, draws.back().issue});
    QCOMPARE(result.rows.size(), draws.size());
    QCOMPARE(result.total, qint64(3 * draws.size()));
    qint64 sum = 0;
    for (const TallyLine &line : result.tally)
        sum += line.count;
    QCOMPARE(sum, result.total);
    GridModel list, stats;
    ResultGrids::fill(list, stats, result);
    QCOMPARE(list.rows(), int(draws.size()) + 1);
    QVERIFY(stats.cellText(1, 3).endsWith('%'));
}

void TestResultTally::gridsShowTheResult()
{
    History h({{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161212003, {2, 5, 1}}});
    SearchState s;
    s.bolSq = false;
    s.intPreQi = 1;
    const SearchResult result = everything(h.db, s, {161212002, 161212003});
    GridModel list, stats;
    ResultGrids::fill(list, stats, result);
    const QStringList header{"期号", "第1位", "第2位", "第3位", "前期开奖"};
    for (int c = 0; c < 5; ++c)
        QCOMPARE(list.cellText(0, c), header[c]);
    QCOMPARE(list.rows(), 3);
    const QStringList second{"161212003", "2", "5", "1", "335"};
    for (int c = 0; c < 5; ++c)
        QCOMPARE(list.cellText(2, c), second[c]);
    QCOMPARE(list.colWidth(4), 1800);
    const QStringList statsHeader{"序号", "结果", "出现次数", "百分比"};
    for (int c = 0; c < 4; ++c)
        QCOMPARE(stats.cellText(0, c), statsHeader[c]);
    QCOMPARE(stats.rows(), 7);
    QCOMPARE(stats.cellText(6, 0), QStringLiteral("6"));
    QCOMPARE(stats.cellText(6, 2), QStringLiteral("0"));
    QCOMPARE(stats.cellText(6, 3), QStringLiteral("0.000%"));
    QVERIFY(list.isVisible());
    QVERIFY(stats.isVisible());

    s.bolSq = true;
    ResultGrids::fill(list, stats, everything(h.db, s, {161212002, 161212003}));
    QCOMPARE(list.cellText(0, 4), QStringLiteral("上期开奖"));
    QCOMPARE(list.cellText(1, 4), QStringLiteral("146"));
}

void TestResultTally::emptyResultShowsZeroCounts()
{
    History h(TestHistory::consecutive(161212001, 5));
    SearchState s;
    s.intXianshiLei = 2;
    const SearchResult result = everything(h.db, s, {161212009, 161212001});
    GridModel list, stats;
    list.setRows(50);
    list.setCols(5);
    ResultGrids::fill(list, stats, result);
    QCOMPARE(list.rows(), 1);
    QCOMPARE(stats.rows(), 3);
    QCOMPARE(stats.cellText(1, 1), QStringLiteral("双"));
    QCOMPARE(stats.cellText(2, 1), QStringLiteral("单"));
    QCOMPARE(stats.cellText(1, 2), QStringLiteral("0"));
    QCOMPARE(stats.cellText(1, 3), QString());
    QCOMPARE(tallyOf(result), (QList<QPair<int, qint64>>{{0, 0}, {1, 0}}));
}

// The verified draw against a tally listed 6, 2, 大 (1), 1: its place, by position or by value.
void TestResultTally::verifiedLineNamesThePlace_data()
{
    QTest::addColumn<bool>("group");
    QTest::addColumn<int>("kind"); // display kind
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::vector<int>>("rows");
    QTest::newRow("straight, position 3") << false << 0 << "130731078 期开出 1 2 6：第3位 6 在统计中排第 1" << std::vector<int>{1};
    QTest::newRow("straight, 大小") << false << 1 << "130731078 期开出 1 2 6：第3位 大 在统计中排第 3" << std::vector<int>{3};
    QTest::newRow("group: each value once")
        << true << 0 << "130731078 期开出 1 2 6：1 在统计中排第 3，2 在统计中排第 2，6 在统计中排第 1" << std::vector<int>{3, 2, 1};
    QTest::newRow("group, 大小: 小 drawn twice is named once")
        << true << 1 << "130731078 期开出 1 2 6：小 不在统计中，大 在统计中排第 3" << std::vector<int>{3};
}

void TestResultTally::verifiedLineNamesThePlace()
{
    QFETCH(bool, group);
    QFETCH(int, kind);
    SearchResult result;
    result.displayKind = qint16(kind);
    result.tally = {{6, 9}, {2, 5}, {1, 3}, {4, 1}};
    SearchState state;
    state.bolZuxuan = group;
    state.intConsqSort = 3;
    state.intXianshiLei = qint16(kind);
    std::vector<int> rows;
    QTEST(ResultGrids::verifiedLine(result, state, 130731078, {1, 2, 6}, &rows), "line");
    QTEST(rows, "rows");
}

QTEST_GUILESS_MAIN(TestResultTally)
#include "tst_resulttally.moc"
