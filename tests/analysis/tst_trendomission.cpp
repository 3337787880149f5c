#include "Derivation.h"
#include "FairDice.h"
#include "OmissionAlerts.h"
#include "TestHistory.h"
#include "TrendOmission.h"

#include <QTest>
#include <cmath>
#include <random>

// 走势与遗漏 on small histories checked by hand, and the independence tables at the boundary of
// the chi-square rule.
class TestTrendOmission : public QObject
{
    Q_OBJECT
private slots:
    void omissionOfSmallHistories_data();
    void omissionOfSmallHistories();
    void groupsInOrder();
    void trendCountsAcrossTheRowsShown_data();
    void trendCountsAcrossTheRowsShown();
    void independenceMethod_data();
    void independenceMethod();
    void independenceIgnoresTheOrderOfTheDice();
    void numbersNoDieShows();
    void alertsFireOnceAndRearm();
};

namespace {

std::vector<TestDraw> drawsOf(const QStringList &digits)
{
    std::vector<TestDraw> draws;
    for (const QString &d : digits)
        draws.push_back({161212001 + qint32(draws.size()),
                         {qint16(d[0].digitValue()), qint16(d[1].digitValue()), qint16(d[2].digitValue())}});
    return draws;
}

HistorySnapshot historyOf(const QStringList &digits)
{
    return TestHistory::snapshotOf(drawsOf(digits));
}

const TrendOmission::ValueStats *valueIn(const TrendOmission::Omission &o, const QString &group, const QString &value)
{
    for (const TrendOmission::Group &g : o.groups)
        if (g.name == group)
            for (const TrendOmission::ValueStats &v : g.values)
                if (v.value == value)
                    return &v;
    return nullptr;
}

// The five draws of the help page's example: all ascending, so the history counts as sorted.
const QStringList example{"123", "225", "456", "111", "346"};

} // namespace

void TestTrendOmission::omissionOfSmallHistories_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("longest");
    QTest::addColumn<double>("meanGap");
    QTest::addColumn<int>("longestRun");
    QTest::addColumn<int>("ways"); // of the 216 outcomes
    const QStringList unsorted{"123", "225", "456", "111", "643"};
    QTest::newRow("号码 2: the help page's example") << example << "号码" << "2" << 2 << 3 << 3 << 1.0 << 2 << 91;
    QTest::newRow("号码 4: the run before its first draw") << example << "号码" << "4" << 2 << 0 << 2 << 1.0 << 1 << 91;
    QTest::newRow("号码 3: two draws apart") << example << "号码" << "3" << 2 << 0 << 3 << 1.0 << 1 << 91;
    QTest::newRow("三不同号 counts the 三连号") << example << "形态" << "三不同号" << 3 << 0 << 1 << 0.5 << 1 << 120;
    QTest::newRow("三连号") << example << "形态" << "三连号" << 2 << 2 << 2 << 1.0 << 1 << 24;
    QTest::newRow("二同号") << example << "形态" << "二同号" << 1 << 3 << 3 << 2.0 << 1 << 90;
    QTest::newRow("三同号 in the middle") << example << "形态" << "三同号" << 1 << 1 << 3 << 2.0 << 1 << 6;
    QTest::newRow("三同号 runs at both ends") << QStringList{"111", "234", "111", "111"} << "形态" << "三同号" << 3 << 0
                                        << 1 << 0.25 << 2 << 6;
    QTest::newRow("three equal numbers count one draw") << QStringList{"555", "555", "123"} << "号码" << "5" << 2 << 1
                                                      << 1 << 1.0 / 3 << 2 << 91;
    QTest::newRow("a value that never came") << QStringList{"111", "222"} << "号码" << "6" << 0 << 2 << 2 << 2.0 << 0
                                           << 91;
    QTest::newRow("sorted: 第1位 is the smallest die") << example << "第1位" << "1" << 2 << 1 << 2 << 1.0 << 1 << 91;
    QTest::newRow("sorted: 第3位 is the largest die") << example << "第3位" << "3" << 1 << 4 << 4 << 2.0 << 1 << 19;
    QTest::newRow("unsorted: 第1位 is one die") << unsorted << "第1位" << "1" << 2 << 1 << 2 << 1.0 << 1 << 36;
    QTest::newRow("unsorted: 第3位 as stored") << unsorted << "第3位" << "3" << 2 << 0 << 3 << 1.0 << 1 << 36;
    QTest::newRow("和值 3") << example << "和值" << "3" << 1 << 1 << 3 << 2.0 << 1 << 1;
    QTest::newRow("和值 10 never") << example << "和值" << "10" << 0 << 5 << 5 << 5.0 << 0 << 27;
    QTest::newRow("大 is 11-18") << example << "和值大小" << "大" << 2 << 0 << 2 << 1.0 << 1 << 108;
    QTest::newRow("小 is 3-10") << example << "和值大小" << "小" << 3 << 1 << 1 << 0.5 << 2 << 108;
    QTest::newRow("单: a run of four") << example << "和值单双" << "单" << 4 << 0 << 1 << 0.2 << 4 << 108;
    QTest::newRow("双") << example << "和值单双" << "双" << 1 << 4 << 4 << 2.0 << 1 << 108;
}

void TestTrendOmission::omissionOfSmallHistories()
{
    QFETCH(QStringList, history);
    QFETCH(QString, group);
    QFETCH(QString, value);
    QFETCH(int, current);
    QFETCH(int, ways);
    const HistorySnapshot h = historyOf(history);
    const TrendOmission::Omission o = TrendOmission::omission(h, 0, h.count());
    QCOMPARE(o.draws, qint64(history.size()));
    QCOMPARE(o.from, 161212001);
    QCOMPARE(o.to, 161212000 + int(history.size()));
    const TrendOmission::ValueStats *v = valueIn(o, group, value);
    QVERIFY(v);
    QTEST(int(v->count), "count");
    QCOMPARE(int(v->current), current);
    QTEST(int(v->longest), "longest");
    QTEST(v->meanGap, "meanGap");
    QTEST(int(v->longestRun), "longestRun");
    QCOMPARE(v->chance, ways / 216.0);
    QCOMPARE(v->expected, history.size() * ways / 216.0);
    QCOMPARE(v->pCurrent, std::pow(1 - ways / 216.0, current));
}

void TestTrendOmission::groupsInOrder()
{
    const HistorySnapshot h = historyOf(example);
    const TrendOmission::Omission o = TrendOmission::omission(h, 1, 4);
    QVERIFY(o.sorted);
    QCOMPARE(o.draws, 3);
    QCOMPARE(o.from, 161212002);
    QCOMPARE(o.to, 161212004);
    QStringList names, firsts;
    QList<int> sizes;
    for (const TrendOmission::Group &g : o.groups) {
        names << g.name;
        sizes << int(g.values.size());
        firsts << g.values.front().value;
    }
    QCOMPARE(names, (QStringList{"号码", "第1位", "第2位", "第3位", "和值", "形态", "和值大小", "和值单双"}));
    QCOMPARE(sizes, (QList<int>{6, 6, 6, 6, 16, 4, 2, 2}));
    QCOMPARE(firsts, (QStringList{"1", "1", "1", "1", "3", "三同号", "大", "单"}));
    // Only the range's draws count: 225, 456, 111.
    QCOMPARE(valueIn(o, "号码", "3")->count, 0);
    QCOMPARE(valueIn(o, "号码", "3")->current, 3);
    QCOMPARE(valueIn(o, "形态", "三连号")->current, 1);
    // The forms of consecutive pairs: 二同号 → 三连号 → 三同号.
    QCOMPARE(o.independence[0].of, QStringLiteral("形态"));
    QCOMPARE(o.independence[0].classes, (QStringList{"三同号", "二同号", "三连号", "其他三不同号"}));
    QCOMPARE(o.independence[0].table[1][2], 1);
    QCOMPARE(o.independence[0].table[2][0], 1);
    qint64 pairs = 0;
    for (const auto &row : o.independence[1].table)
        for (qint64 n : row)
            pairs += n;
    QCOMPARE(pairs, 2);
    QCOMPARE(o.independence[1].classes, (QStringList{"小单", "小双", "大单", "大双"}));
    QCOMPARE(o.independence[1].table[0][2], 1); // 9 小单 → 15 大单
    QCOMPARE(o.independence[1].table[2][0], 1); // 15 大单 → 3 小单
}

void TestTrendOmission::trendCountsAcrossTheRowsShown_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("rows"); // issue's last digit, form, sum, span, then omissions
    QTest::newRow("omissions carried in from before the rows shown")
        << QStringList{"111", "222", "333", "444", "555", "666", "123", "145"} << 2
        << QStringList{"7 三连号 6 2: 0 0 0 3 2 1", "8 三不同号 10 4: 0 1 1 0 0 2"};
    QTest::newRow("numbers not drawn yet count every draw so far")
        << QStringList{"111", "112", "222"} << 2 << QStringList{"2 二同号 4 1: 0 0 2 2 2 2", "3 三同号 6 0: 1 0 3 3 3 3"};
    QTest::newRow("more rows asked than stored") << QStringList{"665"} << 30 << QStringList{"1 二同号 17 1: 1 1 1 1 0 0"};
}

void TestTrendOmission::trendCountsAcrossTheRowsShown()
{
    QFETCH(QStringList, history);
    QFETCH(int, last);
    QFETCH(QStringList, rows);
    const std::vector<TrendOmission::TrendRow> trend = TrendOmission::trend(historyOf(history), last);
    QStringList shown;
    for (const TrendOmission::TrendRow &row : trend) {
        QStringList omissions;
        for (qint64 n : row.omission)
            omissions << QString::number(n);
        shown << QStringLiteral("%1 %2 %3 %4: %5")
                     .arg(row.issue % 10)
                     .arg(row.form)
                     .arg(row.sum)
                     .arg(row.span)
                     .arg(omissions.join(' '));
    }
    QCOMPARE(shown, rows);
    // The summary under the rows: counted over the rows shown only.
    const auto summary = TrendOmission::summarize(trend);
    for (size_t k = 0; k < 6; ++k) {
        int count = 0, longest = 0, run = 0, longestRun = 0;
        for (const TrendOmission::TrendRow &row : trend) {
            count += row.hits[k] > 0 ? 1 : 0;
            longest = std::max(longest, int(row.omission[k]));
            run = row.hits[k] > 0 ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
        QCOMPARE(summary[k].count, count);
        QCOMPARE(summary[k].longestOmission, longest);
        QCOMPARE(summary[k].longestRun, longestRun);
        QCOMPARE(summary[k].meanGap, double(int(trend.size()) - count) / (count + 1));
    }
}

void TestTrendOmission::independenceMethod_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("significant");
    // 112 (二同号, 小双) and 135 (其他三不同号, 小单): every pair of the two occurs five times
    // among 20 pairs, so every expected count is exactly 5.
    QStringList exact;
    for (const char *block : {"PPPPPP", "DDDDDD", "PDPDPDPDP"})
        for (const char *c = block; *c; ++c)
            exact << (*c == 'P' ? "112" : "135");
    QTest::newRow("expected counts exactly 5: the curve") << exact << "chi2" << false;
    QTest::newRow("one draw fewer: simulated") << exact.mid(0, 20) << "simulation" << false;
    QStringList alternating;
    for (int i = 0; i < 40; ++i)
        alternating << (i % 2 ? "135" : "112");
    QTest::newRow("alternating forms: the curve, and not independent") << alternating << "chi2" << true;
    QStringList small;
    for (int i = 0; i < 20; ++i)
        small << (i % 2 ? "135" : "112");
    QTest::newRow("alternating forms over 20 draws: simulated, and not independent") << small << "simulation" << true;
}

void TestTrendOmission::independenceMethod()
{
    QFETCH(QStringList, history);
    QFETCH(QString, method);
    QFETCH(bool, significant);
    const HistorySnapshot h = historyOf(history);
    const TrendOmission::Omission o = TrendOmission::omission(h, 0, h.count());
    for (const TrendOmission::Independence &i : o.independence) {
        QCOMPARE(i.method, method);
        QCOMPARE(i.df, 1);
        QCOMPARE(i.p < 0.05, significant);
        if (method == "simulation")
            QVERIFY(i.p >= 1.0 / (1 + FairDice::simulationRuns) && i.p <= 1);
        const QString line = TrendOmission::independenceLine(i);
        QVERIFY2(line.startsWith(QStringLiteral("χ² = %1，自由度 1，").arg(i.chi2, 0, 'f', 2)), qPrintable(line));
        QCOMPARE(line.contains(QStringLiteral("—— 有显著差异")), significant);
        QCOMPARE(line.contains(QStringLiteral("部分格子的期望次数小于 5，p 由 2000 次模拟公平开奖得到")), method == "simulation");
    }
    if (history.size() == 40)
        QCOMPARE(o.independence[0].chi2, 39.0); // a perfect dependence: χ² = pairs
    // At p = 0.05 itself there is no significant difference; just below it there is.
    TrendOmission::Independence edge = o.independence[0];
    edge.of = QStringLiteral("形态");
    edge.p = 0.05;
    QVERIFY(TrendOmission::independenceSentence(edge).startsWith(QStringLiteral("上一期的形态对下一期的形态：χ² = ")));
    QVERIFY(TrendOmission::independenceLine(edge).contains(QStringLiteral("—— 没有显著差异")));
    edge.p = 0.0499;
    QVERIFY(TrendOmission::independenceLine(edge).contains(QStringLiteral("—— 有显著差异")));
}

// The classes of a draw do not depend on the order of its dice: a history and its sorted copy
// give the same tables, the same test and the same simulated p. Over 10,000 draws the rarest
// pair (三同号 twice) is expected 7.7 times: the curve.
void TestTrendOmission::independenceIgnoresTheOrderOfTheDice()
{
    std::mt19937 random(17);
    std::uniform_int_distribution<int> die(1, 6);
    for (int draws : {60, 10000}) {
        std::vector<TestDraw> plain, sorted;
        for (int i = 0; i < draws; ++i) {
            const Numbers n{qint16(die(random)), qint16(die(random)), qint16(die(random))};
            plain.push_back({161212001 + i, n});
            Numbers s = n;
            std::sort(s.begin(), s.end());
            sorted.push_back({161212001 + i, s});
        }
        const HistorySnapshot a = TestHistory::snapshotOf(plain), b = TestHistory::snapshotOf(sorted);
        const TrendOmission::Omission x = TrendOmission::omission(a, 0, draws), y = TrendOmission::omission(b, 0, draws);
        QVERIFY(!x.sorted && y.sorted);
        for (size_t t = 0; t < 2; ++t) {
            QCOMPARE(x.independence[t].table, y.independence[t].table);
            QCOMPARE(x.independence[t].method, y.independence[t].method);
            QCOMPARE(x.independence[t].method, QString(draws == 60 ? "simulation" : "chi2"));
            QCOMPARE(x.independence[t].p, y.independence[t].p);
            QCOMPARE(x.independence[t].df, y.independence[t].df);
            if (draws == 10000)
                QCOMPARE(x.independence[t].df, 9);
        }
        // Numbers and forms do not depend on the order either; positions do.
        QCOMPARE(valueIn(x, "号码", "6")->chance, valueIn(y, "号码", "6")->chance);
        QCOMPARE(valueIn(x, "第1位", "6")->chance, 1 / 6.0);
        QCOMPARE(valueIn(y, "第1位", "6")->chance, 1 / 216.0);
    }
}

// A row a hand edit left with numbers no die shows: it counts as a draw, matches no number,
// position, sum or 大小单双, takes its form from equal numbers, and pairs with it are left out of
// the 和值大小单双 table.
void TestTrendOmission::numbersNoDieShows()
{
    std::vector<DrawCore> rows;
    for (const Numbers &n : std::vector<Numbers>{{1, 2, 3}, {2, 2, 2}, {4, 5, 6}}) {
        const DrawCore *previous = rows.empty() ? nullptr : &rows.back();
        rows.push_back(*Derivation::makeRow(161212001 + qint32(rows.size()), n, previous, 1));
    }
    for (size_t p = 0; p < PositionCount; ++p)
        rows[1].value[p][KindA] = 7;
    const HistorySnapshot h(rows);
    const TrendOmission::Omission o = TrendOmission::omission(h, 0, h.count());
    QCOMPARE(o.draws, 3);
    for (const char *number : {"1", "4"})
        QCOMPARE(valueIn(o, "号码", number)->count, 1);
    QCOMPARE(valueIn(o, "号码", "2")->count, 1);
    QCOMPARE(valueIn(o, "号码", "2")->longest, 2);
    QCOMPARE(valueIn(o, "第1位", "2")->count, 0);
    QCOMPARE(valueIn(o, "形态", "三同号")->count, 1);
    QCOMPARE(valueIn(o, "和值大小", "大")->count + valueIn(o, "和值大小", "小")->count, 2);
    qint64 sumCounts = 0;
    for (const TrendOmission::ValueStats &v : o.groups[4].values)
        sumCounts += v.count;
    QCOMPARE(sumCounts, 2);
    qint64 formPairs = 0, sizePairs = 0;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 4; ++c) {
            formPairs += o.independence[0].table[r][c];
            sizePairs += o.independence[1].table[r][c];
        }
    QCOMPARE(formPairs, 2);
    QCOMPARE(sizePairs, 0);
    const std::vector<TrendOmission::TrendRow> trend = TrendOmission::trend(h, 2);
    QCOMPARE(trend[0].sum, 21);
    QCOMPARE(trend[0].form, QStringLiteral("三同号"));
    QCOMPARE(trend[0].hits, (std::array<int, 6>{}));
    QCOMPARE(trend[0].omission, (std::array<qint64, 6>{1, 1, 1, 2, 2, 2}));
}

// Omission alerts over a growing history: each fires when its value's omission reaches the mark,
// not again while it stays there, and again after the value came; kept as the settings keep them.
void TestTrendOmission::alertsFireOnceAndRearm()
{
    std::vector<OmissionAlerts::Alert> alerts{{"形态", "三同号", 3, false}, {"和值", "4", 2, false}, {"和值", "19", 1, false}};
    const std::pair<QString, QStringList> steps[] = {
        {"123", {}},
        {"124", {"和值 4 已遗漏 2 期（提醒：≥ 2）"}},
        {"112", {"形态 三同号 已遗漏 3 期（提醒：≥ 3）"}}, // 和值 4 came: armed again
        {"135", {}},
        {"222", {"和值 4 已遗漏 2 期（提醒：≥ 2）"}},
        {"123", {}},
    };
    QStringList drawn;
    for (const auto &[draw, fired] : steps) {
        drawn << draw;
        const HistorySnapshot h = historyOf(drawn);
        QCOMPARE(OmissionAlerts::check(alerts, TrendOmission::omission(h, 0, h.count())), fired);
        // The states survive a save and a read.
        alerts = OmissionAlerts::fromJson(OmissionAlerts::toJson(alerts));
        QCOMPARE(alerts.size(), size_t(3));
    }
    QCOMPARE(OmissionAlerts::describe(alerts), QStringLiteral("形态 三同号 ≥ 3；和值 4 ≥ 2（已提醒）；和值 19 ≥ 1"));
    QCOMPARE(OmissionAlerts::fromJson(R"([{"group":"形态","value":"三同号","at":0},{"group":"","value":"4","at":5},7])").size(),
             size_t(0));
}

QTEST_APPLESS_MAIN(TestTrendOmission)
#include "tst_trendomission.moc"
