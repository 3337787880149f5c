#include "FollowSearch.h"
#include "HistoryDb.h"
#include "HistoryWriter.h"
#include "LishiColumns.h"
#include "SearchFixture.h"
#include "SearchOracle.h"
#include "TestDoubles.h"

#include <QSqlQuery>
#include <QTest>
#include <random>

Q_DECLARE_METATYPE(Issues)
Q_DECLARE_METATYPE(Positions)
Q_DECLARE_METATYPE(std::vector<TestDraw>)

namespace {

std::vector<TestDraw> numbered(const std::vector<Numbers> &numbers)
{
    std::vector<TestDraw> draws;
    for (size_t i = 0; i < numbers.size(); ++i)
        draws.push_back({161212001 + qint32(i), numbers[i]});
    return draws;
}

SearchState state(bool free, bool previous, int n, int kind, std::array<qint16, 3> pattern)
{
    SearchState s;
    s.bolZyw = free;
    s.bolSq = previous;
    s.intPreQi = qint16(n);
    s.intLei = qint16(kind);
    s.intPattern = pattern;
    return s;
}

// Draw k (1-based) of the hand-made history below is issue 161212000 + k.
const std::vector<Numbers> handMade = {
    {3, 5, 3}, // 001
    {1, 2, 4}, // 002 follows two 3s and a 5
    {5, 3, 3}, // 003
    {6, 4, 1}, // 004 follows two 3s and a 5
    {3, 3, 3}, // 005 follows a single... no 3 (6 4 1)
    {2, 4, 6}, // 006 follows three 3s
    {3, 1, 2}, // 007 follows 2 4 6: a 4 at position 2
    {4, 4, 5}, // 008 follows a single 3
    {1, 1, 1}, // 009 follows 4 4 5: a 4 at position 2
};

} // namespace

class TestFollowSearch : public QObject
{
    Q_OBJECT
private slots:
    void handMadeCases_data();
    void handMadeCases();
    void oneBackEqualsPrevious();
    void fixedNBackMatchesZeroBeforeTheNthRow();
    void rangeBounds_data();
    void rangeBounds();
    void storedChainIsMatched_data();
    void storedChainIsMatched();
    void matchesDirectComputation();
};

void TestFollowSearch::handMadeCases_data()
{
    QTest::addColumn<bool>("free");
    QTest::addColumn<Positions>("chosen");
    QTest::addColumn<int>("kind");
    QTest::addColumn<std::array<qint16, 3>>("pattern");
    QTest::addColumn<Issues>("expected");
    QTest::newRow("free 3,3,5 all positions")
        << true << Positions{true, true, true} << 0 << std::array<qint16, 3>{3, 3, 5}
        << Issues{161212002, 161212004};
    QTest::newRow("free 3,3,3 positions 1 and 3: two or three 3s")
        << true << Positions{true, false, true} << 0 << std::array<qint16, 3>{3, 3, 3}
        << Issues{161212002, 161212004, 161212006};
    QTest::newRow("fixed position 2 value 4")
        << false << Positions{false, true, false} << 0 << std::array<qint16, 3>{9, 4, 9}
        << Issues{161212005, 161212007, 161212009};
    QTest::newRow("no position chosen: every row")
        << true << Positions{false, false, false} << 0 << std::array<qint16, 3>{1, 1, 1}
        << Issues{161212001, 161212002, 161212003, 161212004, 161212005,
                  161212006, 161212007, 161212008, 161212009};
    QTest::newRow("free 大小 1,1,1: three big")
        << true << Positions{true, true, true} << 1 << std::array<qint16, 3>{1, 1, 1}
        << Issues{161212002, 161212004, 161212006, 161212009};
    QTest::newRow("free value outside the kind matches nothing")
        << true << Positions{true, false, false} << 1 << std::array<qint16, 3>{2, 0, 0} << Issues{};
    QTest::newRow("free 号码 0 matches nothing")
        << true << Positions{true, false, false} << 0 << std::array<qint16, 3>{0, 0, 0} << Issues{};
}

void TestFollowSearch::handMadeCases()
{
    QFETCH(bool, free);
    QFETCH(Positions, chosen);
    QFETCH(int, kind);
    QFETCH(Issues, expected);
    using Pattern = std::array<qint16, 3>;
    QFETCH(Pattern, pattern);
    History h(numbered(handMade));
    const SearchResult result =
        FollowSearch::run(h.snapshot(), state(free, true, 2, kind, pattern), chosen, h.all());
    QCOMPARE(issuesOf(result), expected);
    // The result list shows the draw each result followed.
    for (const ResultRow &row : result.rows) {
        const int index = row.sqqh - 161212001;
        QCOMPARE(row.followedText(),
                 index == 0 ? QByteArray() : Derivation::digitsText(handMade[size_t(index - 1)]).toLatin1());
    }
}

void TestFollowSearch::oneBackEqualsPrevious()
{
    std::vector<TestDraw> draws = TestHistory::sample();
    draws.resize(600);
    History h(draws);
    for (bool free : {true, false}) {
        const std::array<qint16, 3> pattern = SearchOracle::kindValues(draws.back().numbers, 0);
        const SearchResult previous =
            FollowSearch::run(h.snapshot(), state(free, true, 1, 0, pattern), {true, true, true}, h.all());
        const SearchResult oneBack =
            FollowSearch::run(h.snapshot(), state(free, false, 1, 0, pattern), {true, true, true}, h.all());
        QVERIFY(!previous.rows.empty());
        QCOMPARE(issuesOf(oneBack), issuesOf(previous));
        QCOMPARE(oneBack.rows.front().followedText(), previous.rows.front().followedText());
    }
}

void TestFollowSearch::fixedNBackMatchesZeroBeforeTheNthRow()
{
    History h(numbered(handMade));
    // 单双 value 0 at position 1, N = 3: rows 2 and 3 hold the 0 of "no draw that far back".
    const SearchResult result =
        FollowSearch::run(h.snapshot(), state(false, false, 3, 2, {0, 0, 0}), {true, false, false}, h.all());
    Issues expected{161212002, 161212003};
    for (int r = 3; r < int(handMade.size()); ++r)
        if (handMade[size_t(r - 3)][0] % 2 == 0)
            expected.push_back(161212001 + r);
    QCOMPARE(issuesOf(result), expected);
    // The default range start (first issue + N) leaves them out.
    const SearchResult ranged = FollowSearch::run(h.snapshot(), state(false, false, 3, 2, {0, 0, 0}),
                                                  {true, false, false}, {161212004, 161212009});
    QCOMPARE(issuesOf(ranged), Issues(expected.begin() + 2, expected.end()));
    // The digits of the draw N before, for the result list.
    QCOMPARE(ranged.rows.back().followedText(),
             Derivation::digitsText(handMade[size_t(ranged.rows.back().sqqh - 161212001 - 3)]).toLatin1());
}

void TestFollowSearch::rangeBounds_data()
{
    QTest::addColumn<IssueRange>("range");
    QTest::addColumn<Issues>("expected");
    QTest::newRow("inner range") << IssueRange{161212003, 161212006}
                                 << Issues{161212003, 161212004, 161212005, 161212006};
    QTest::newRow("from after to") << IssueRange{161212006, 161212003} << Issues{};
    QTest::newRow("bad from") << IssueRange{std::nullopt, 161212006} << Issues{};
    QTest::newRow("bad to") << IssueRange{161212001, std::nullopt} << Issues{};
}

void TestFollowSearch::rangeBounds()
{
    QFETCH(IssueRange, range);
    History h(numbered(handMade));
    const SearchResult result =
        FollowSearch::run(h.snapshot(), state(true, true, 2, 0, {1, 1, 1}), {false, false, false}, range);
    QTEST(issuesOf(result), "expected");
    // No result still lists every value with count 0 and no percentages.
    QCOMPARE(result.tally.size(), size_t(6));
    if (result.rows.empty())
        QCOMPARE(result.total, 0);
}

// Histories whose stored previous draw is not the draw before in issue order: a newest-first
// file chains its rows in file order, and a draw added under an earlier issue chains to the last
// one. The free 上期 match reads the stored texts, so it equals a LIKE over them; the fixed match
// and the 前N期 rebuild walk issue order, as the direct computation does.
void TestFollowSearch::storedChainIsMatched_data()
{
    QTest::addColumn<bool>("newestFirst");
    QTest::newRow("newest-first file") << true;
    QTest::newRow("draw added under an earlier issue") << false;
}

void TestFollowSearch::storedChainIsMatched()
{
    QFETCH(bool, newestFirst);
    std::mt19937 random(99);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<TestDraw> draws;
    for (int i = 0; i < 120; ++i)
        draws.push_back({170101001 + i, {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    if (newestFirst) {
        QVERIFY(HistoryWriter::replace(db, std::vector<TestDraw>(draws.rbegin(), draws.rend()), 1, false));
    } else {
        QVERIFY(HistoryWriter::replace(db, draws, 1, false));
        const TestDraw early{170101000, {6, 6, 6}};
        QVERIFY(HistoryWriter::addDraw(db, early.issue, early.numbers, 1, 87, 0));
        draws.insert(draws.begin(), early);
    }
    const HistorySnapshot history = *db.snapshot();
    const IssueRange all{draws.front().issue, draws.back().issue};
    int searches = 0, nonEmpty = 0;
    for (int kind = 0; kind < 4; ++kind) {
        // The stored columns, read as text and numbers in history order.
        struct Stored
        {
            qint32 issue;
            QString text; // the previous draw's occurrence text in this kind
            std::array<int, 3> values;
        };
        std::vector<Stored> rows;
        QSqlQuery q = db.database().select(
            QStringLiteral("SELECT SQQH, %1, %2, %3, %4 FROM Lishi ORDER BY SQQH, rowid")
                .arg(LishiColumns::previousText(kind), LishiColumns::perPosition(1, kind),
                     LishiColumns::perPosition(2, kind), LishiColumns::perPosition(3, kind)));
        while (q.next())
            rows.push_back({q.value(0).toInt(),
                            q.value(1).toString(),
                            {q.value(2).toInt(), q.value(3).toInt(), q.value(4).toInt()}});
        for (bool free : {true, false})
            for (int back = 0; back <= 3; ++back)
                for (int subset = 1; subset < 8; ++subset) {
                    const Positions chosen{bool(subset & 1), bool(subset & 2), bool(subset & 4)};
                    const auto pattern =
                        SearchOracle::kindValues(draws[size_t(die(random) * 15)].numbers, kind);
                    const int n = std::max(back, 1);
                    Issues expected;
                    for (int r = 0; r < int(rows.size()); ++r) {
                        bool match = true;
                        std::array<int, 10> occurrences{};
                        for (int p = 1; p <= 3; ++p) {
                            if (!chosen[size_t(p - 1)])
                                continue;
                            const int v = pattern[size_t(p - 1)];
                            if (free) {
                                const QString token =
                                    QStringLiteral("%1X%2").arg(++occurrences[size_t(v)]).arg(v);
                                match = match && r - (n - 1) >= 0 &&
                                        rows[size_t(r - (n - 1))].text.contains(token);
                            } else {
                                const int target = r >= n ? rows[size_t(r - n)].values[size_t(p - 1)] : 0;
                                match = match && !rows[size_t(r)].text.isEmpty() && target == v;
                            }
                        }
                        if (match)
                            expected.push_back(rows[size_t(r)].issue);
                    }
                    const SearchState s = state(free, back == 0, n, kind, pattern);
                    QVERIFY2(issuesOf(FollowSearch::run(history, s, chosen, all)) == expected,
                             qPrintable(QStringLiteral("kind %1 free %2 back %3 subset %4")
                                            .arg(kind)
                                            .arg(free)
                                            .arg(back)
                                            .arg(subset)));
                    ++searches;
                    nonEmpty += expected.empty() ? 0 : 1;
                }
    }
    QCOMPARE(searches, 224);
    QVERIFY(nonEmpty > 100);
}

// Every kind, both position modes, 上期 and 前1..3期, every set of positions, on a seeded random
// history: the database's answer equals the direct computation.
void TestFollowSearch::matchesDirectComputation()
{
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<TestDraw> draws;
    for (int i = 0; i < 240; ++i)
        draws.push_back({170101001 + i, {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
    History h(draws);
    int searches = 0, nonEmpty = 0;
    for (int kind = 0; kind < 4; ++kind)
        for (bool free : {true, false})
            for (int back = 0; back <= 3; ++back)
                for (int subset = 0; subset < 8; ++subset) {
                    const Positions chosen{bool(subset & 1), bool(subset & 2), bool(subset & 4)};
                    // A pattern from a random stored draw, so that most searches find something.
                    const auto pattern =
                        SearchOracle::kindValues(draws[size_t(die(random) * 30)].numbers, kind);
                    const SearchState s = state(free, back == 0, std::max(back, 1), kind, pattern);
                    const SearchResult result = FollowSearch::run(h.snapshot(), s, chosen, h.all());
                    const Issues expected = SearchOracle::followSearch(draws, s, chosen);
                    QVERIFY2(issuesOf(result) == expected,
                             qPrintable(QStringLiteral("kind %1 free %2 back %3 subset %4")
                                            .arg(kind)
                                            .arg(free)
                                            .arg(back)
                                            .arg(subset)));
                    ++searches;
                    nonEmpty += expected.empty() ? 0 : 1;
                }
    QCOMPARE(searches, 256);
    QVERIFY(nonEmpty > 200);
}

QTEST_GUILESS_MAIN(TestFollowSearch)
#include "tst_followsearch.moc"
