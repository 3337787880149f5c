#include "Derivation.h"
#include "HistoryDb.h"
#include "HistoryWriter.h"
#include "HtmlText.h"
#include "LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QStringEncoder>
#include <QProcess>
#include <QRegularExpression>
#include <sys/resource.h>
#include "IssueNumbers.h"
#include "OnlineUpdate.h"
#include "DrawClock.h"
#include "DrawTimes.h"
#include "PageLoader.h"
#include "ResultsPage.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QStringEncoder>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>

using Draws = std::vector<TextDraw>;
Q_DECLARE_METATYPE(Draws)

namespace {

const OnlineUpdate::Game fujian{0, QStringLiteral("fj"), 78};
const OnlineUpdate::Game jilin{8, QStringLiteral("jl"), 87};
const OnlineUpdate::Game beijing{9, QStringLiteral("bj"), 78};
const QDate today(2016, 12, 12);

// Draws of consecutive issues of one day, numbers cycling through the dice.
Draws day(const QString &yymmdd, int first, int last)
{
    Draws draws;
    for (int n = first; n <= last; ++n)
        draws.push_back({yymmdd.toInt() * 1000 + n,
                         {qint16(1 + n % 6), qint16(1 + (n + 2) % 6), qint16(1 + (n + 4) % 6)}});
    return draws;
}

Draws operator+(Draws a, const Draws &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

QString textOf(const QByteArray &html)
{
    return HtmlText::visibleText(QString::fromUtf8(html));
}

class FakeLoader : public PageLoader
{
public:
    Page load(const QUrl &address, int) override
    {
        asked << address.toString();
        return page;
    }
    Page page;
    QStringList asked;
};

} // namespace

class TestOnlineUpdate : public QObject
{
    Q_OBJECT
private slots:
    void visibleText_data();
    void visibleText();
    void plan();
    void address();
    void findDraws_data();
    void findDraws();
    void layoutsThroughLoopback();
    void beijingIssues();
    void appendsContinuingTheChain();
    void drawTimesFromThePage();
    void nothingFoundKeepsHistory();
    void oldHistoryReplacedOnlyWithDraws();
    void largePageStaysLinear();
    void hostilePages_data();
    void hostilePages();
    void endlessPageBoundsTheProcess();
    void gb18030WithoutCharset();
};

void TestOnlineUpdate::visibleText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("table") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"
                           << "a\tb\nc";
    QTest::newRow("scripts, styles, head, comments")
        << "<head><title>t</title><script>x</script></head><body><style>p{}</style>A<!-- hidden "
           "-->B<script>y()</script></body>"
        << "AB";
    QTest::newRow("entities") << "<p>1 &lt; 2 &amp;&amp; &#51;&#x34;&nbsp;&quot;ok&quot; &bogus;</p>"
                              << "1 < 2 && 34 \"ok\" &bogus;";
    QTest::newRow("blanks collapse") << "<div>  a \n\t b  </div><div>c</div>"
                                     << "a b\nc";
    QTest::newRow("inline tags join") << "<span>16</span><b>1</b>,<i>3</i>"
                                      << "161,3";
    QTest::newRow("br") << "a<br>b<br/>c"
                        << "a\nb\nc";
    QTest::newRow("unterminated tag") << "abc<div class=\"x"
                                      << "abc";
    QTest::newRow("unterminated script") << "abc<script>var"
                                         << "abc";
    QTest::newRow("images stand for their alt text")
        << "<td><img src=a.png alt=\"1\"><img alt='3'><img alt=5><img src=x.png></td>"
        << "1 3 5";
    QTest::newRow("no markup") << "161212001 135"
                               << "161212001 135";
    QTest::newRow("blanks after a cell or line break")
        << "<table><tr><td>a</td><td> b</td></tr></table><div> c</div><br> d"
        << "a\tb\nc\nd";
}

void TestOnlineUpdate::visibleText()
{
    QFETCH(QString, html);
    QTEST(HtmlText::visibleText(html), "text");
}

void TestOnlineUpdate::plan()
{
    // Recent history: fetch from the last stored draw's day.
    OnlineUpdate::Plan p = OnlineUpdate::plan(
        TestHistory::snapshotOf(day("161210", 1, 78) + day("161211", 1, 40)), fujian, today, 3);
    QVERIFY(!p.replaceHistory);
    QCOMPARE(p.daysToFetch, 1);
    QCOMPARE(*p.startIssue, 161211041);
    // The last draw is from today: 0 days.
    p = OnlineUpdate::plan(TestHistory::snapshotOf(day("161212", 1, 5)), fujian, today, 3);
    QCOMPARE(p.daysToFetch, 0);
    // Older than the days to keep: a fresh history of that many days.
    p = OnlineUpdate::plan(TestHistory::snapshotOf(day("161201", 1, 78) + day("161211", 1, 2)), fujian, today,
                           6);
    QVERIFY(p.replaceHistory);
    QCOMPARE(p.daysToFetch, 6);
    QCOMPARE(*p.startIssue, 161206001);
    // Exactly the days to keep is not too old.
    QVERIFY(
        !OnlineUpdate::plan(TestHistory::snapshotOf(day("161209", 1, 2)), fujian, today, 3).replaceHistory);
    // Empty history.
    p = OnlineUpdate::plan(HistorySnapshot(), fujian, today, 3);
    QCOMPARE(p.daysToFetch, 3);
    QCOMPARE(*p.startIssue, 161209001);
    // Issues that are no dates cannot be planned.
    QVERIFY(!OnlineUpdate::plan(TestHistory::snapshotOf({{2007001, {1, 2, 3}}}), fujian, today, 3)
                 .error.isEmpty());
}

void TestOnlineUpdate::address()
{
    QCOMPARE(OnlineUpdate::address(fujian, ".results.example", 3).toString(),
             QStringLiteral("http://fj.results.example/?n=234"));
    // A history whose last draw is from today still asks for today's later draws.
    QCOMPARE(OnlineUpdate::address(jilin, ".results.example:8080", 0).toString(),
             QStringLiteral("http://jl.results.example:8080/?n=87"));
    QCOMPARE(OnlineUpdate::address(fujian, OnlineUpdate::defaultHost(), 2).host(),
             QStringLiteral("fj.vendrix-k3.invalid"));
    // What the user types or pastes as the host.
    const std::vector<std::pair<QString, QString>> typed{
        {"http://fj.example.test:8080/?n=78", ".example.test:8080"},
        {"  HTTPS://FJ.example.test/k3/  ", ".example.test"},
        {"fj.example.test/index.html", ".example.test"},
        {"http://www.example.test/", "www.example.test"},
        {"http://jl.example.test/", "jl.example.test"}, // another game's code stays
        {"http://fjord.example.test/", "fjord.example.test"}, // a name that only begins like the code
        {".results.example:8080", ".results.example:8080"},
        {" .results.example ", ".results.example"}};
    for (const auto &[text, host] : typed)
        QCOMPARE(OnlineUpdate::hostFrom(text, "fj"), host);
}

void TestOnlineUpdate::findDraws_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Draws>("expected");
    const Draws rollover = day("161211", 75, 78) + day("161212", 1, 4);
    QTest::newRow("oldest first, over midnight") << textOf(resultsPage(rollover)) << rollover;
    QTest::newRow("newest first: nothing lost") << textOf(resultsPage(rollover, true)) << rollover;
    Draws gaps = day("161211", 75, 76) + day("161212", 2, 3);
    QTest::newRow("missing issues skipped") << textOf(resultsPage(gaps)) << gaps;
    QTest::newRow("empty page") << QString() << Draws{};
    QTest::newRow("garbage") << QStringLiteral("我们的网站正在维护中 <<>> 161211 0 ###") << Draws{};
    QTest::newRow("numbers not 1..6")
        << QStringLiteral("1612110757,3,5 1612110761,0,5 1612110772,3,4") << Draws{{161211077, {2, 3, 4}}};
    QTest::newRow("truncated after the issue")
        << QStringLiteral("1612110751,3,5 1612110762,4") << Draws{{161211075, {1, 3, 5}}};
    QTest::newRow("issue text at the very end") << QStringLiteral("xx 161211076") << Draws{};
    QTest::newRow("beyond the day's draws never searched")
        << QStringLiteral("1612110791,1,1 1612120011,2,3") << Draws{{161212001, {1, 2, 3}}};
    QTest::newRow("inside a longer number")
        << QStringLiteral("201612110751,3,5") << Draws{{161211075, {1, 3, 5}}};
    // Other results pages.
    const Draws two{{161211075, {1, 3, 5}}, {161211076, {2, 2, 6}}};
    QTest::newRow("numbers in their own cells")
        << textOf("<table><tr><td>161211075</td><td>1</td><td>3</td><td>5</td></tr>"
                  "<tr><td>161211076</td><td> 2</td><td>2</td><td>6</td></tr></table>")
        << two;
    QTest::newRow("issue, blank, 1 3 5") << QStringLiteral("161211075 1 3 5\n161211076 2 2 6") << two;
    QTest::newRow("issue, blank, 135") << QStringLiteral("161211075 135\n161211076 226") << two;
    QTest::newRow("第…期 开奖号码：1,3,5")
        << QStringLiteral("第161211075期 开奖号码：1,3,5 第161211076期 开奖号码：2、2、6") << two;
    QTest::newRow("a headline of the first issue above the table")
        << QStringLiteral("第161211075期开奖公告\n161211075 1 3 5\n161211076 2 2 6") << two;
    QTest::newRow("first occurrence without a draw")
        << QStringLiteral("最新一期 161211076 开奖 | 161211075 1 3 5 | 161211076 2 2 6") << two;
    // A date between the issue and its numbers is passed over.
    QTest::newRow("a date after the issue")
        << QStringLiteral("161211075 2016-12-11 1,3,5") << Draws{{161211075, {1, 3, 5}}};
    QTest::newRow("a date and a time in cells, a sum after")
        << QStringLiteral("161211075\t2016-12-11\t09:10\t1\t3\t5\t9\n161211076\t2016-12-11\t09:20\t2\t2\t6\t10") << two;
    // Issues printed as a date and a sequence.
    QTest::newRow("20161211-75") << QStringLiteral("20161211-75 1 3 5\n20161211-76 2 2 6") << two;
    QTest::newRow("161211-075, numbers with commas") << QStringLiteral("161211-075 1,3,5\n161211-076 2,2,6") << two;
    QTest::newRow("2016-12-11 第075期") << QStringLiteral("2016-12-11 第075期 1 3 5\n2016-12-11 第076期 2 2 6") << two;
    QTest::newRow("next issue right after is no draw")
        << QStringLiteral("161211075 161211076 135") << Draws{{161211076, {1, 3, 5}}};
}

// Each layout served by a real HTTP server on loopback, one of them in GB18030 with no charset.
void TestOnlineUpdate::layoutsThroughLoopback()
{
    LoopbackHttpServer server;
    HttpPageLoader loader(5000);
    const QList<QByteArray> pages{
        "<table><tr><td>161211075</td><td>1</td><td>3</td><td>5</td></tr></table>",
        "<p>161211075 1 3 5</p>",
        "<p>161211075 135</p>",
        "<p>第161211075期 开奖号码：1,3,5</p>",
        // Newest first, with what stands between the issue and the numbers in most results tables.
        "<table><tr><th>期号</th><th>日期</th><th>时间</th><th>号码</th></tr>"
        "<tr><td>161211076</td><td>2016-12-11</td><td>09:20</td><td>2</td><td>2</td><td>6</td><td>10</td></tr>"
        "<tr><td>161211075</td><td>2016-12-11</td><td>09:10</td><td>1</td><td>3</td><td>5</td><td>9</td></tr></table>",
        "<table><tr><td>20161211076</td><td>星期日</td><td>2 2 6</td></tr><tr><td>20161211075</td><td>星期日</td>"
        "<td>1 3 5</td></tr></table>",
        "<div>第161211076期 12月11日 <img alt=\"2\"><img alt=\"2\"><img alt=\"6\"> 和值 10 对子</div>"
        "<div>第161211075期 12月11日 <img alt=\"1\"><img alt=\"3\"><img alt=\"5\"> 和值 9 三不同</div>",
        "<ul><li>161211076 12-11 09:20 2-2-6 大 双</li><li>161211075 12-11 09:10 1+3+5 小 单</li></ul>",
    };
    OnlineUpdate::Plan p;
    p.startIssue = 161211075;
    p.daysToFetch = 1;
    for (int i = 0; i <= pages.size(); ++i) {
        if (i < pages.size()) {
            server.body = "<html><body>" + pages[i] + "</body></html>";
        } else {
            QStringEncoder gb("GB18030");
            server.body =
                gb.encode(QStringLiteral("<html><body><p>第161211075期 开奖号码：1、3、5</p></body></html>"));
            server.contentType = "text/html";
        }
        const PageLoader::Page page =
            loader.load(QUrl(QStringLiteral("http://127.0.0.1:%1/?n=78").arg(server.port())), 0);
        QVERIFY2(page.loaded, qPrintable(page.error));
        const Draws found = OnlineUpdate::findDraws(page.text, p, fujian, today);
        QCOMPARE(found.front(), (TextDraw{161211075, {1, 3, 5}}));
        if (server.body.contains("161211076"))
            QCOMPARE(found, (Draws{{161211075, {1, 3, 5}}, {161211076, {2, 2, 6}}}));
    }
    QVERIFY(QStringEncoder("GB18030").isValid());
}

void TestOnlineUpdate::findDraws()
{
    QFETCH(QString, text);
    OnlineUpdate::Plan p;
    p.startIssue = 161211075;
    p.daysToFetch = 1;
    QTEST(OnlineUpdate::findDraws(text, p, fujian, today), "expected");
}

void TestOnlineUpdate::beijingIssues()
{
    // Its issues are short numbers: the three numbers start right after the issue's digits.
    const QString text = QStringLiteral("北京快3 第 79342 期\n793421,2,3 793434,5,6 793441,1,1");
    // No history: the first issue follows "开奖时间"; its digit run without the last digit.
    OnlineUpdate::Plan p = OnlineUpdate::plan(HistorySnapshot(), beijing, today, 3);
    QVERIFY(!p.startIssue);
    const QString page = QStringLiteral("开奖时间：793421,2,3 793434,5,6 793441,1,1");
    QCOMPARE(OnlineUpdate::findDraws(page, p, beijing, today),
             (Draws{{79342, {1, 2, 3}}, {79343, {4, 5, 6}}, {79344, {1, 1, 1}}}));
    QCOMPARE(OnlineUpdate::findDraws(QStringLiteral("no label 793421,2,3"), p, beijing, today), Draws{});
    // With history: on from the last stored issue, however old.
    p = OnlineUpdate::plan(TestHistory::snapshotOf({{79342, {1, 2, 3}}}), beijing, today, 3);
    QVERIFY(!p.replaceHistory);
    QCOMPARE(*p.startIssue, 79343);
    QCOMPARE(OnlineUpdate::findDraws(text, p, beijing, today),
             (Draws{{79343, {4, 5, 6}}, {79344, {1, 1, 1}}}));
}

// A page that prints each draw's time: the times of the draws stored are kept with the history, and
// the schedule follows from them.
void TestOnlineUpdate::drawTimesFromThePage()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), day("161211", 70, 77)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QString rows;
    for (const TestDraw &d : day("161211", 75, 78) + day("161212", 1, 3)) {
        const int sequence = d.issue % 1000;
        const QTime at = QTime(8, 30).addSecs((sequence - 1) * 10 * 60 + 35);
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3 %4 %5</td></tr>")
                    .arg(d.issue)
                    .arg(at.toString("HH:mm:ss"))
                    .arg(d.numbers[0])
                    .arg(d.numbers[1])
                    .arg(d.numbers[2]);
    }
    FakeLoader loader;
    loader.page = {true, QStringLiteral("<html><table>%1</table></html>").arg(rows), {}};
    const auto outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".results.example", today, 3, 1);
    QCOMPARE(outcome.added, 4);
    const std::vector<DrawTimes::Timed> kept = DrawTimes::recent(db);
    QCOMPARE(kept.size(), size_t(4)); // the draws the update stored
    QCOMPARE(kept.back().first, 161212003);
    QCOMPARE(kept.back().second.toUTC().toString(Qt::ISODate), QStringLiteral("2016-12-12T00:50:35Z"));
    QCOMPARE(DrawTimes::of(db, 161211078)->toUTC().toString(Qt::ISODate), QStringLiteral("2016-12-11T13:20:35Z"));
    QCOMPARE(DrawTimes::of(db, 161211077), std::nullopt);
    QCOMPARE(DrawClock::infer(kept), (DrawClock::Schedule{QTime(8, 30), 10}));
}

void TestOnlineUpdate::appendsContinuingTheChain()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), day("161211", 70, 77)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    FakeLoader loader;
    loader.page = {true, textOf(resultsPage(day("161211", 70, 78) + day("161212", 1, 3), true)), {}};
    const auto outcome =
        OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".results.example", today, 3, 1);
    QCOMPARE(loader.asked, QStringList{"http://fj.results.example/?n=78"});
    QCOMPARE(outcome.added, 4);
    QVERIFY(!outcome.replaced);
    const HistorySnapshot after = *db.snapshot();
    QCOMPARE(after.count(), 12);
    QCOMPARE(after.last().sqqh, 161212003);
    // The first new row follows the last stored one.
    QSqlQuery q = db.database().select("SELECT * FROM Lishi WHERE SQQH = 161211078");
    QVERIFY(q.next());
    const Numbers last = day("161211", 77, 77)[0].numbers, beforeLast = day("161211", 76, 76)[0].numbers;
    QCOMPARE(q.value("txtHisLst").toString(), Derivation::digitsText(last));
    QCOMPARE(q.value("L1AS").toInt(), last[0]);
    QCOMPARE(q.value("L3AP").toInt(), beforeLast[2]);
    QCOMPARE(q.value("QQH").toInt(), 161211079);
    // Every appended row follows the one just before it.
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));

    // Another program stored a draw after the snapshot was taken: it is neither stored twice nor
    // skipped by the chain.
    const HistorySnapshot stale = *db.snapshot();
    QVERIFY(TestHistory::append(db, {{161212004, {6, 6, 6}}}));
    loader.page = {true, textOf(resultsPage(day("161212", 1, 6), true)), {}};
    QCOMPARE(OnlineUpdate::run(db, stale, loader, fujian, ".results.example", today, 3, 1).added, 2);
    QCOMPARE(db.snapshot()->count(), 15);
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));

    // Issues missing from the newest stored day (a draw typed ahead) are on the page: filled.
    QVERIFY(TestHistory::append(db, {{161212009, {1, 2, 3}}}));
    QCOMPARE(IssueNumbers::missing(*db.snapshot()), (std::vector<qint32>{161212007, 161212008}));
    loader.page = {true, textOf(resultsPage(day("161212", 1, 10), true)), {}};
    QCOMPARE(OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".results.example", today, 3, 1).added, 3);
    QVERIFY(IssueNumbers::missing(*db.snapshot()).empty());
    QCOMPARE(db.snapshot()->last().sqqh, 161212010);
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
}

void TestOnlineUpdate::nothingFoundKeepsHistory()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), day("161201", 1, 10)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    FakeLoader loader;
    loader.page = {false, {}, "Host not found"};
    auto outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1);
    QCOMPARE(outcome.error, QStringLiteral("Host not found"));
    QCOMPARE(db.snapshot()->count(), 10);
    loader.page = {true, QStringLiteral("nothing here"), {}};
    outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1);
    QCOMPARE(outcome.added, 0);
    QVERIFY(outcome.error.isEmpty());
    QCOMPARE(db.snapshot()->count(), 10); // the old history stays although it is too old
}

void TestOnlineUpdate::oldHistoryReplacedOnlyWithDraws()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), day("161201", 1, 10)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    FakeLoader loader;
    const Draws fresh =
        day("161209", 1, 78) + day("161210", 1, 78) + day("161211", 1, 78) + day("161212", 1, 12);
    loader.page = {true, textOf(resultsPage(fresh)), {}};
    // A failure while writing leaves the old history.
    QVERIFY(db.database().exec("CREATE TRIGGER refuse BEFORE INSERT ON Lishi WHEN NEW.SQQH = 161211001 "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    auto outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1);
    QVERIFY(outcome.error.contains("disk full"));
    QCOMPARE(db.snapshot()->count(), 10);
    QVERIFY(db.database().exec("DROP TRIGGER refuse"));
    outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1);
    QCOMPARE(loader.asked.last(), QStringLiteral("http://fj.x/?n=234"));
    QVERIFY(outcome.replaced);
    QCOMPARE(outcome.added, int(fresh.size()));
    const HistorySnapshot after = *db.snapshot();
    QCOMPARE(after.first().sqqh, 161209001);
    QCOMPARE(after.first().prev[0][KindA], 0); // a history of its own
    QCOMPARE(after.count(), int(fresh.size()));

    // A recent history of another game is replaced, not continued; a page with nothing keeps it.
    QVERIFY(HistoryWriter::replace(db, day("161212", 1, 5), 1, false));
    loader.page = {true, textOf(resultsPage({})), {}};
    outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1, true);
    QCOMPARE(outcome.added, 0);
    QCOMPARE(db.snapshot()->count(), 5);
    loader.page = {true, textOf(resultsPage(fresh)), {}};
    outcome = OnlineUpdate::run(db, *db.snapshot(), loader, fujian, ".x", today, 3, 1, true);
    QVERIFY(outcome.replaced);
    QCOMPARE(loader.asked.last(), QStringLiteral("http://fj.x/?n=234"));
    QCOMPARE(db.snapshot()->count(), int(fresh.size()));
}

void TestOnlineUpdate::largePageStaysLinear()
{
    // 16 days of 87 draws, newest first, in a page padded to several megabytes.
    Draws draws;
    for (int d = 15; d >= 0; --d)
        draws = draws + day(today.addDays(-d).toString("yyMMdd"), 1, 87);
    // A 50 MB page whose draws stand at the very end, after digits that are no issue.
    QByteArray html = resultsPage(draws, true);
    QByteArray padding;
    padding.reserve(50'000'000);
    while (padding.size() < 50'000'000)
        padding += "<p>1612129 99 8765432101234 &amp; 2016-12-12</p>\n";
    html.insert(html.indexOf("<table>"), padding);
    const QString text = textOf(html);
    OnlineUpdate::Plan p = OnlineUpdate::plan(HistorySnapshot(), jilin, today, 15);
    QElapsedTimer timer;
    timer.start();
    const Draws found = OnlineUpdate::findDraws(text, p, jilin, today);
    QCOMPARE(found.size(), size_t(16 * 87));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

void TestOnlineUpdate::hostilePages_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("megabytes"); // the page's size; -1: a page that never ends
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("error");
    QTest::newRow("HTTP 500") << 500 << 0 << false << "开奖网页返回错误（HTTP 500 服务器内部错误）";
    QTest::newRow("HTTP 404") << 404 << 0 << false << "开奖网页返回错误（HTTP 404 网页不存在）";
    QTest::newRow("40 MB") << 200 << 40 << false << "开奖网页太大（超过 32 MB），已停止读取";
    QTest::newRow("never ends") << 200 << -1 << false << "开奖网页太大（超过 32 MB），已停止读取";
    QTest::newRow("no answer") << 200 << 0 << true << "开奖网页 2 秒内没有响应";
}

// Pages an attacker or a broken server sends: each ends within a few seconds, with a message
// in Chinese (no Qt English) that says what happened.
void TestOnlineUpdate::hostilePages()
{
    QFETCH(int, status);
    QFETCH(int, megabytes);
    LoopbackHttpServer server;
    server.status = status;
    QFETCH(bool, silent);
    server.silent = silent;
    server.endless = megabytes < 0;
    server.body = QByteArray(std::max(megabytes, 0) * 1024 * 1024, 'x');
    HttpPageLoader loader(2000);
    QElapsedTimer clock;
    clock.start();
    const PageLoader::Page page =
        loader.load(QUrl(QStringLiteral("http://127.0.0.1:%1/?n=234").arg(server.port())), 0);
    QVERIFY(!page.loaded);
    QTEST(page.error, "error");
    QVERIFY(!page.error.contains(QRegularExpression("[A-Za-z]{5,}")));
    QVERIFY(clock.elapsed() < 8000);
}

// A whole update against a page that never ends: the command-line tool stops at the cap, changes
// nothing and stays far below 400 MB.
void TestOnlineUpdate::endlessPageBoundsTheProcess()
{
    LoopbackHttpServer server;
    server.endless = true;
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), day("161201", 1, 10)));
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    cli.setProcessEnvironment(environment);
    cli.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli",
              {"--dir", folder.path(), "update", "--host", ".results.example"});
    // The server answers from this process's event loop while the child runs.
    QTRY_VERIFY_WITH_TIMEOUT(cli.state() == QProcess::NotRunning, 30000);
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY(QString::fromUtf8(cli.readAllStandardError()).contains(QStringLiteral("开奖网页太大")));
    rusage usage{};
    QCOMPARE(getrusage(RUSAGE_CHILDREN, &usage), 0);
    qInfo("peak RSS of the update: %ld MB", usage.ru_maxrss / 1024);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's shadow memory and quarantine make any figure meaningless there.
    QVERIFY2(usage.ru_maxrss < 400 * 1024, qPrintable(QString::number(usage.ru_maxrss / 1024) + " MB"));
#endif
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QCOMPARE(db.snapshot()->count(), 10);
}

// A 北京快3 page in GB18030 that declares no charset: its label "开奖时间" is found only when the
// page is decoded as GB18030 (the digits of a date-based game are ASCII either way).
void TestOnlineUpdate::gb18030WithoutCharset()
{
    const QString html = QStringLiteral("<html><body><p>北京快3 开奖时间：793421,2,3 793434,5,6</p></body></html>");
    QStringEncoder toGb("GB18030");
    const QByteArray bytes = toGb.encode(html);
    QVERIFY(!toGb.hasError());
    QVERIFY(bytes.contains("\xBF\xAA\xBD\xB1")); // 开奖 in GB18030
    QCOMPARE(HtmlText::decode(bytes, "text/html"), html);
    QCOMPARE(HtmlText::decode(html.toUtf8(), "text/html"), html);

    LoopbackHttpServer server;
    server.contentType = "text/html";
    server.body = bytes;
    server.becomeApplicationProxy();
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    HttpPageLoader loader(5000);
    const auto outcome = OnlineUpdate::run(db, HistorySnapshot(), loader, beijing, ".results.example", today, 3, 1);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
    QCOMPARE(outcome.added, 2);
    QCOMPARE(db.snapshot()->last().sqqh, 79343);
}

QTEST_GUILESS_MAIN(TestOnlineUpdate)
#include "tst_onlineupdate.moc"
