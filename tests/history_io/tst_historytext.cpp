#include "DrawText.h"
#include "DrawTimes.h"
#include "HistoryText.h"

#include "TestDoubles.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

using Draws = std::vector<TextDraw>;
Q_DECLARE_METATYPE(Draws)

class TestHistoryText : public QObject
{
    Q_OBJECT
private slots:
    void readingRules_data();
    void readingRules();
    void trimmedLinesForTheRebuild();
    void issueOrder_data();
    void issueOrder();
    void formatRoundTrip();
    void realSampleFile();
    void unreadableFile();
    void writeReplacesWholeFile();
    void drawsFromAnyLayout_data();
    void drawsFromAnyLayout();
    void drawsRefused_data();
    void drawsRefused();
    void drawTimesOnTheirLines_data();
    void drawTimesOnTheirLines();
    void issueForms_data();
    void issueForms();
};

namespace {

// One draw row of a layout: %1 the issue, %2 %3 %4 the numbers, %5 their sum.
QString rowOf(const QString &layout, const TextDraw &draw)
{
    const Numbers &n = draw.numbers;
    QString issue = QString::number(draw.issue);
    return QString(layout)
        .replace(QStringLiteral("%I11"), QStringLiteral("20") + issue)
        .replace(QStringLiteral("%I10"), QStringLiteral("20") + issue.left(6) + issue.right(2))
        .replace(QStringLiteral("%I"), issue)
        .replace(QStringLiteral("%D"), QStringLiteral("%1-%2").arg(issue.mid(2, 2), issue.mid(4, 2)))
        .replace(QStringLiteral("%1"), QString::number(n[0]))
        .replace(QStringLiteral("%2"), QString::number(n[1]))
        .replace(QStringLiteral("%3"), QString::number(n[2]))
        .replace(QStringLiteral("%S"), QString::number(n[0] + n[1] + n[2]));
}

const Draws layoutDraws{{130529001, {1, 3, 5}}, {130529002, {2, 2, 6}}, {130529003, {1, 1, 1}}, {130529004, {4, 5, 6}}};

} // namespace

// The common ways results are shown: every layout gives the same draws, oldest or newest first.
void TestHistoryText::drawsFromAnyLayout_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("newestFirst");
    const struct
    {
        const char *name;
        const char *head;
        const char *row;
        const char *tail;
    } layouts[] = {
        {"history text", "", "%I %1%2%3", ""},
        {"history text run together", "", "%I%1%2%3", ""},
        {"blanks", "期号 开奖号码\n", "%I  %1 %2 %3", ""},
        {"csv", "issue,n1,n2,n3\n", "%I,%1,%2,%3", ""},
        {"csv with date, time and sum", "期号,日期,时间,号码1,号码2,号码3,和值\n", "%I,2013-05-29,09:10,%1,%2,%3,%S", ""},
        {"csv, numbers in one quoted cell", "", "\"%I\",\"%1,%2,%3\",\"2013/5/29\"", ""},
        {"dashes and a short date", "", "%D %I %1-%2-%3 大小 单双", ""},
        {"labels and pluses", "", "第%I期 开奖号码：%1+%2+%3 和值：%S 三不同", ""},
        {"chinese date and week day", "", "5月29日 星期三 %I期 %1、%2、%3 和值%S", ""},
        {"spreadsheet copy", "期号\t日期\t百位\t十位\t个位\t和值\t大小\t单双\n", "%I\t2013/5/29\t%1\t%2\t%3\t%S\t大\t单", ""},
        {"html cells with date, time and sum",
         "<html><body><h1>开奖结果</h1><table><tr><th>期号</th><th>日期</th><th>时间</th><th colspan=3>号码</th><th>和值</th></tr>",
         "<tr><td>%I</td><td>2013-05-29</td><td>09:10:00</td><td>%1</td><td>%2</td><td>%3</td><td>%S</td></tr>",
         "</table><p>客服电话 4001234567</p></body></html>"},
        {"html, eleven-digit issue, one cell", "<table>", "<tr><td>%I11</td><td>周三</td><td>%1 %2 %3</td><td>和值 %S</td></tr>",
         "</table>"},
        {"html dice as images", "<div class=list>",
         "<div class=row><span>第%I期</span> <img src=d%1.png alt=\"%1\"><img src='d%2.png' alt='%2'><img alt=%3> 和值%S 对子</div>",
         "</div>"},
        {"html list, ten-digit issue", "<ul>", "<li><b>%I10</b> 05-29 09:10 <em>%1%2%3</em> 大 单</li>", "</ul>"},
    };
    for (const auto &layout : layouts)
        for (bool newestFirst : {false, true})
            QTest::addRow("%s%s", layout.name, newestFirst ? ", newest first" : "")
                << QString::fromUtf8(layout.head) << QString::fromUtf8(layout.row) << QString::fromUtf8(layout.tail)
                << newestFirst;
}

void TestHistoryText::drawsFromAnyLayout()
{
    QFETCH(QString, head);
    QFETCH(QString, row);
    QFETCH(QString, tail);
    QFETCH(bool, newestFirst);
    Draws draws = layoutDraws;
    if (newestFirst)
        std::reverse(draws.begin(), draws.end());
    QString text = head;
    for (const TextDraw &draw : draws)
        text += rowOf(row, draw) + (row.startsWith('<') ? "" : "\n");
    text += tail;
    const DrawText::Reading reading = DrawText::read(text);
    Draws found;
    for (const DrawText::Found &f : reading.draws)
        found.push_back(f.draw);
    QCOMPARE(found, draws);
    for (const DrawText::Skipped &s : reading.skipped)
        QVERIFY2(false, qPrintable(QStringLiteral("line %1 skipped: %2 (%3)").arg(s.line).arg(s.reason, s.text)));
    // The same as bytes in GB18030, as a saved Chinese page often is.
    QStringEncoder gb("GB18030");
    const DrawText::Reading fromBytes = DrawText::readBytes(gb.encode(text));
    QCOMPARE(fromBytes.draws.size(), draws.size());
}

// Rows that could be read more than one way, or not as dice, are skipped with their reason.
void TestHistoryText::drawsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Draws>("draws");
    QTest::addColumn<QString>("reason"); // what the first skipped line's reason says; empty: none skipped
    QTest::newRow("two readings: four dice, no sum") << "130529001 1 3 5 2" << Draws{} << "不止一种读法";
    QTest::newRow("two readings: two draws after one issue") << "130529001 135 246" << Draws{} << "135 或 246";
    QTest::newRow("a sum tells the reading") << "130529001 1 2 3 6 4" << Draws{{130529001, {1, 2, 3}}} << "";
    // Result tables often go on with the span and counts of odd and even numbers after the sum.
    QTest::newRow("sum, span and counts after the draw")
        << "130529001 1 1 2 4 1 2 1" << Draws{{130529001, {1, 1, 2}}} << "";
    QTest::newRow("the same draw twice is one reading") << "130529001 135 <1 3 5>" << Draws{{130529001, {1, 3, 5}}} << "";
    QTest::newRow("a 7") << "130529001 1 3 7" << Draws{} << "“7”不是 1~6";
    QTest::newRow("a 0") << "130529001 0 3 5" << Draws{} << "“0”不是 1~6";
    QTest::newRow("an issue read two ways is not taken")
        << "130529001 135\n130529002 246\n130529001 136" << Draws{{130529002, {2, 4, 6}}} << "两处不同";
    QTest::newRow("an issue shown twice alike is one draw")
        << "第130529001期 1 3 5\n130529001 1 3 5\n" << Draws{{130529001, {1, 3, 5}}} << "";
    QTest::newRow("two draws a line") << "130529001 135 130529002 246" << Draws{{130529001, {1, 3, 5}}, {130529002, {2, 4, 6}}}
                                      << "";
    QTest::newRow("numbers before the issue are no draw") << "1 2 3 130529001 4 5 6" << Draws{{130529001, {4, 5, 6}}} << "";
    QTest::newRow("a pending draw and a phone number: not draw rows") << "130529078 开奖中\n电话 4001234567" << Draws{} << "";
    QTest::newRow("no issue, no draw") << "1 3 5\n大 小" << Draws{} << "";
}

void TestHistoryText::drawsRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const DrawText::Reading reading = DrawText::read(text);
    Draws found;
    for (const DrawText::Found &f : reading.draws)
        found.push_back(f.draw);
    QTEST(found, "draws");
    if (reason.isEmpty()) {
        QVERIFY2(reading.skipped.empty(), qPrintable(reading.skipped.empty() ? QString() : reading.skipped.front().reason));
        return;
    }
    QVERIFY(!reading.skipped.empty());
    QVERIFY2(std::any_of(reading.skipped.begin(), reading.skipped.end(),
                         [&](const DrawText::Skipped &s) { return s.reason.contains(reason); }),
             qPrintable(reading.skipped.front().reason));
}

void TestHistoryText::readingRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint32>("current");
    QTest::addColumn<Draws>("draws");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<qint32>("after");

    const Draws one{{161212001, {1, 3, 5}}};
    QTest::newRow("one space") << QByteArray("161212001 135\r\n") << 0 << one << 0 << 161212001;
    QTest::newRow("no space") << QByteArray("161212001135\r\n") << 0 << one << 0 << 161212001;
    QTest::newRow("two spaces") << QByteArray("161212001  135\r\n") << 0 << one << 0 << 161212001;
    QTest::newRow("three spaces: not 1 3 5")
        << QByteArray("161212001   135\r\n") << 0 << Draws{} << 1 << 161212001;
    QTest::newRow("text after character 14 ignored")
        << QByteArray("161212001 135 comment\r\n") << 0 << one << 0 << 161212001;
    QTest::newRow("digits only after an issue line")
        << QByteArray("161212001 246\r\n135\r\n") << 0
        << Draws{{161212001, {2, 4, 6}}, {161212001, {1, 3, 5}}} << 0 << 161212001;
    QTest::newRow("first line without issue takes the current one")
        << QByteArray("135\r\n161212009 246\r\n") << 161212008
        << Draws{{161212008, {1, 3, 5}}, {161212009, {2, 4, 6}}} << 0 << 161212009;
    QTest::newRow("no issue at all: skipped") << QByteArray("135\r\n") << 0 << Draws{} << 1 << 0;
    QTest::newRow("empty file") << QByteArray() << 5 << Draws{} << 0 << 5;
    QTest::newRow("blank and text lines skipped")
        << QByteArray("\r\nhello world\r\n161212001 135\r\n   \r\n") << 0 << one << 3 << 161212001;
    QTest::newRow("digits outside 1..6 skipped")
        << QByteArray("161212001 105\r\n161212002 175\r\n161212003 13\r\n161212004 1356\r\n") << 0 << Draws{}
        << 4 << 161212004;
    QTest::newRow("a skipped line with an issue still sets it")
        << QByteArray("161212001 105\r\n246\r\n") << 0 << Draws{{161212001, {2, 4, 6}}} << 1 << 161212001;
    QTest::newRow("LF and lone CR line ends")
        << QByteArray("161212001 135\n161212002 246\r161212003 111") << 0
        << Draws{{161212001, {1, 3, 5}}, {161212002, {2, 4, 6}}, {161212003, {1, 1, 1}}} << 0 << 161212003;
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                         "161212001 135\r\n")
                                           << 0 << one << 0 << 161212001;
    QTest::newRow("issue field needs more than 10 characters")
        << QByteArray("1612120011\r\n") << 7 << Draws{} << 1 << 7;
    QTest::newRow("issue field needs nine digits")
        << QByteArray("16121A001 135\r\n") << 7 << Draws{} << 1 << 7;
    QTest::newRow("leading blanks are not an issue field")
        << QByteArray(" 161212001 135\r\n") << 7 << Draws{} << 1 << 7;
    QTest::newRow("issue 0 skips") << QByteArray("000000000 135\r\n") << 0 << Draws{} << 1 << 0;
    const QString utf16Text = QStringLiteral("161212001 135\r\n161212002 246\r\n");
    QByteArray little("\xFF\xFE"), big("\xFE\xFF");
    for (QChar c : utf16Text) {
        little += char(c.unicode() & 0xFF);
        little += char(c.unicode() >> 8);
        big += char(c.unicode() >> 8);
        big += char(c.unicode() & 0xFF);
    }
    const Draws two{{161212001, {1, 3, 5}}, {161212002, {2, 4, 6}}};
    QTest::newRow("UTF-16 little endian") << little << 0 << two << 0 << 161212002;
    QTest::newRow("UTF-16 big endian") << big << 0 << two << 0 << 161212002;
    QTest::newRow("a 10 MB line") << (QByteArray("161212001 135 ") + QByteArray(10 << 20, '7') +
                                      "\r\n161212002 246")
                                  << 0 << two << 0 << 161212002;
    QTest::newRow("10 MB without a line end") << QByteArray(10 << 20, '1') << 0 << Draws{} << 1 << 111111111;
    QTest::newRow("NUL bytes") << QByteArray("161212001 1\0"
                                             "5\r\n161212002 246\r\n",
                                             30)
                               << 0 << Draws{{161212002, {2, 4, 6}}} << 1 << 161212002;
}

void TestHistoryText::readingRules()
{
    QFETCH(QByteArray, content);
    QFETCH(qint32, current);
    const HistoryText::Reading reading = HistoryText::read(content, current);
    QTEST(reading.draws, "draws");
    QTEST(reading.skipped, "skipped");
    QTEST(reading.currentIssue, "after");
}

void TestHistoryText::trimmedLinesForTheRebuild()
{
    const QByteArray content(" 161212001 135 \r\n\t161212002 246\r\n");
    QCOMPARE(HistoryText::read(content, 0, false).draws.size(), size_t(0));
    QCOMPARE(HistoryText::read(content, 0, true).draws,
             (Draws{{161212001, {1, 3, 5}}, {161212002, {2, 4, 6}}}));
}

void TestHistoryText::issueOrder_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Draws>("draws"); // in issue order, as stored
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QString>("notes"); // "line:reason" of the noted lines, or the refusal
    const Draws three{{130529001, {1, 3, 4}}, {130529002, {2, 2, 5}}, {130529003, {6, 1, 3}}};
    QTest::newRow("in order") << QByteArray("130529001 134\r\n130529002 225\r\n130529003 613\r\n") << three << 0
                              << QString();
    QTest::newRow("newest first") << QByteArray("130529003 613\r\n130529002 225\r\n130529001 134\r\n") << three
                                  << 0 << QString();
    QTest::newRow("shuffled, a blank line")
        << QByteArray("130529002 225\r\n\r\n130529003 613\r\n130529001 134\r\n") << three << 1 << QString();
    QTest::newRow("an issue twice with the same numbers: one draw")
        << QByteArray("130529003 613\r\n130529002 225\r\n130529003 613\r\n130529001 134\r\n") << three << 1
        << QString("3:与第 1 行重复");
    QTest::newRow("an issue twice with other numbers: refused")
        << QByteArray("130529001 134\r\n130529002 225\r\n130529003 613\r\n130529002 226\r\n") << Draws{} << 0
        << QString("第 2 行与第 4 行的期号都是 130529002，号码不同：没有导入任何号码");
    // A digits-only line takes the issue of the line above it.
    QTest::newRow("a digits-only line after an issue line: refused")
        << QByteArray("130529001 134\r\n225\r\n") << Draws{} << 0
        << QString("第 1 行与第 2 行的期号都是 130529001，号码不同：没有导入任何号码");
    QTest::newRow("an issue that cannot be stored")
        << QByteArray("2147483647 135\r\n130529002 225\r\nxyz\r\n130529001 134\r\n")
        << Draws{three[0], three[1]} << 2 << QString("1:期号 2147483647 太大;3:不是“期号 三个号码”");
}

void TestHistoryText::issueOrder()
{
    QFETCH(QByteArray, content);
    QFETCH(Draws, draws);
    QFETCH(QString, notes);
    HistoryText::Reading reading = HistoryText::read(content, 0);
    QString conflict;
    const bool ordered = HistoryText::toIssueOrder(reading, &conflict);
    QCOMPARE(ordered, !draws.empty());
    if (!ordered) {
        QCOMPARE(conflict, notes);
        return;
    }
    QCOMPARE(reading.draws, draws);
    QTEST(reading.skipped, "skipped");
    QCOMPARE(reading.lines.size(), draws.size());
    QStringList noted;
    for (const HistoryText::SkippedLine &note : reading.notes)
        noted << QStringLiteral("%1:%2").arg(note.line).arg(note.reason);
    QCOMPARE(noted.join(';'), notes);
    // Every line is either stored or skipped.
    QCOMPARE(int(reading.draws.size()) + reading.skipped, int(content.count("\r\n")));
}

// Every issue form the export writes reads back: 北京快3's plain numbers, years 2000-2009 in 8
// digits, the placeholder, 10 digits; a line that fits no form is still skipped.
void TestHistoryText::formatRoundTrip()
{
    const Draws draws{{161212001, {1, 3, 5}}, {79342, {6, 6, 6}},      {91212001, {2, 4, 6}},
                      {2007001, {1, 2, 3}},   {2147483646, {3, 3, 1}}, {5, {4, 5, 6}}};
    const QByteArray text = HistoryText::format(draws);
    QCOMPARE(text.left(34), QByteArray("161212001 135\r\n79342 666\r\n91212001"));
    const HistoryText::Reading reading = HistoryText::read(text, 0);
    QCOMPARE(reading.draws, draws);
    QCOMPARE(reading.skipped, 0);
    QCOMPARE(reading.currentIssue, 5);
    QCOMPARE(HistoryText::read(text, 0, true).draws, draws);
    // Two blanks are one form; three, an 11-digit issue, numbers outside 1..6 and issue 0 are none.
    const HistoryText::Reading odd =
        HistoryText::read("79342  135\r\n79343   135\r\n21474836470 135\r\n79344 170\r\n0 135\r\n", 0);
    QCOMPARE(odd.draws, (Draws{{79342, {1, 3, 5}}}));
    QCOMPARE(odd.skipped, 4);
}

void TestHistoryText::realSampleFile()
{
    QString error;
    const auto reading = HistoryText::readFile(QStringLiteral(VK3_SAMPLE_DATA "/gx-k3-2013-05-29_07-31.txt"),
                                               0, false, &error);
    QVERIFY2(reading, qPrintable(error));
    QCOMPARE(reading->draws.size(), size_t(4778));
    QCOMPARE(reading->skipped, 0);
    QCOMPARE(reading->draws.front(), (TextDraw{130529001, {1, 3, 4}}));
    QCOMPARE(reading->currentIssue, 130731078);
}

void TestHistoryText::unreadableFile()
{
    TestFolder folder;
    QString error;
    QVERIFY(!HistoryText::readFile(folder.filePath("missing.txt"), 0, false, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!HistoryText::readFile(folder.path(), 0, false, &error)); // a folder
}

void TestHistoryText::writeReplacesWholeFile()
{
    TestFolder folder;
    const QString path = folder.filePath("out.txt");
    QString error;
    QVERIFY(HistoryText::writeFile(path, "161212001 135\r\n", &error));
    QVERIFY(HistoryText::writeFile(path, "161212002 246\r\n", &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("161212002 246\r\n"));
    QVERIFY(!HistoryText::writeFile(folder.filePath("no/such/folder/x.txt"), "x", &error));
    QVERIFY(!error.isEmpty());
    // Without a place for the reason the failure is still a failure.
    QVERIFY(!HistoryText::writeFile(folder.filePath("no/such/folder/x.txt"), "x", nullptr));
}

void TestHistoryText::drawTimesOnTheirLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint32>("issue");
    QTest::addColumn<QString>("utc"); // the moment read, in UTC; empty: none
    QTest::newRow("date and time") << "2026-12-08 09:10:00 261208001 1 2 3" << 261208001 << "2026-12-08T01:10:00Z";
    QTest::newRow("slashes, no seconds") << "261208002,2026/12/08 09:20,1,4,5" << 261208002 << "2026-12-08T01:20:00Z";
    QTest::newRow("time alone on a page of one day") << "261208005 09:50:40 1 4 5" << 261208005 << "2026-12-08T01:50:40Z";
    QTest::newRow("a date with T") << "261208005 2026-12-09T00:05 145" << 261208005 << "2026-12-08T16:05:00Z";
    QTest::newRow("one-digit hour") << "261208001 9:10 123" << 261208001 << "2026-12-08T01:10:00Z";
    QTest::newRow("a time of no day") << "261208001 25:10 123" << 261208001 << "";
    QTest::newRow("three-digit hour") << "261208001 123:45 123" << 261208001 << "";
    QTest::newRow("a minute of one digit") << "261208001 12:3 123" << 261208001 << "";
    QTest::newRow("no time") << "261208001 1 2 3" << 261208001 << "";
    QTest::newRow("running issue, time alone") << "3010005 09:50 1 4 5" << 3010005 << "";
    QTest::newRow("running issue with its date") << "3010005 2026-12-08 09:50 1 4 5" << 3010005 << "2026-12-08T01:50:00Z";
}

// The time printed on a draw's line, read as Beijing time whatever the computer's zone; rows with
// two draws give their times to neither.
void TestHistoryText::drawTimesOnTheirLines()
{
    QFETCH(QString, line);
    QFETCH(qint32, issue);
    QFETCH(QString, utc);
    const std::optional<QDateTime> time = DrawTimes::onLine(line, issue);
    QCOMPARE(time ? time->toUTC().toString(Qt::ISODate) : QString(), utc);
    const DrawText::Reading two = DrawText::read(QStringLiteral("261208001 1 2 3 261208002 4 5 6 09:10"));
    QCOMPARE(two.draws.size(), size_t(2));
    QVERIFY(!two.draws[0].time && !two.draws[1].time);
    const DrawText::Reading csv = DrawText::read(QStringLiteral("期号,开奖时间,号码\n261208003,2026-12-08 09:30:00,\"1,2,3\"\n"));
    QCOMPARE(csv.draws.size(), size_t(1));
    QCOMPARE(csv.draws[0].time->toUTC().toString(Qt::ISODate), QStringLiteral("2026-12-08T01:30:00Z"));
}

QTEST_GUILESS_MAIN(TestHistoryText)
#include "tst_historytext.moc"

// Every form a results site or spreadsheet prints an issue in is read whole by both readers, and
// its neighbours are refused with a reason, never read as a shorter issue.
void TestHistoryText::issueForms_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint32>("issue"); // 0: refused
    QTest::addColumn<QString>("reason");
    const qint32 i = 130801002;
    QTest::newRow("YYYYMMDD-NN") << "20130801-02 1 2 3" << i << "";
    QTest::newRow("YYYYMMDD-NNN") << "20130801-002 1 2 3" << i << "";
    QTest::newRow("YYYYMMDDNNN") << "20130801002 1 2 3" << i << "";
    QTest::newRow("YYYYMMDDNN") << "2013080102 1 2 3" << i << "";
    QTest::newRow("YYMMDD-NNN, commas") << "130801-002 1,2,3" << i << "";
    QTest::newRow("YYMMDD-NN, pluses") << "130801-02 1+2+3" << i << "";
    QTest::newRow("YYMMDD_NNN, bars") << "130801_002 1|2|3" << i << "";
    QTest::newRow("YYYYMMDD/NNN, together") << "20130801/002 123" << i << "";
    QTest::newRow("YYYYMMDD NNN") << "20130801 002 1 2 3" << i << "";
    QTest::newRow("YYMMDD NN") << "130801 02 1 2 3" << i << "";
    QTest::newRow("YYYY-MM-DD 第NNN期") << "2013-08-01 第002期 1 2 3" << i << "";
    QTest::newRow("YYYY-MM-DD NNN期") << "2013-08-01 002期 1 2 3" << i << "";
    QTest::newRow("YYYY/M/D 第NNN期") << "2013/8/1 第002期 1 2 3" << i << "";
    QTest::newRow("YYYYMMDDNNN and a colon") << "20130801002: 1 2 3" << i << "";
    QTest::newRow("month 13") << "20131301-02 1 2 3" << 0 << "日期不对";
    QTest::newRow("day 32") << "20130832-002 1 2 3" << 0 << "日期不对";
    QTest::newRow("day 32, eleven digits") << "20130832002 1 2 3" << 0 << "日期不对";
    QTest::newRow("29 February of no leap year") << "130229-001 1 2 3" << 0 << "日期不对";
    QTest::newRow("YYYY-MM-DD month 13") << "2013-13-01 第002期 1 2 3" << 0 << "日期不对";
    QTest::newRow("sequence 0") << "20130801-00 1 2 3" << 0 << "序号 000 不对";
    QTest::newRow("sequence above the draws per day") << "20130801-079 1 2 3" << 0 << "序号 079 不对";
    QTest::newRow("a dash but no sequence") << "20130801- 1 2 3" << 0 << "看不懂";
    QTest::newRow("a one-digit sequence") << "130801-2 1 2 3" << 0 << "看不懂";
    QTest::newRow("six digits are no issue") << "130801 1,2,3" << 0 << "看不懂";
    QTest::newRow("six digits and a draw together") << "130801 123" << 0 << "看不懂";
    QTest::newRow("a four-digit sequence after a mark") << "20130801-0002 1 2 3" << 0 << "看不懂";
    QTest::newRow("a year before 2000") << "1999-08-01 第002期 1 2 3" << 0 << "日期不对";
}

void TestHistoryText::issueForms()
{
    QFETCH(QString, line);
    QFETCH(qint32, issue);
    QFETCH(QString, reason);
    const Draws expected = issue ? Draws{{issue, {1, 2, 3}}} : Draws{};
    // The tolerant reader (paste, merge, pages), with the sequence check its callers apply.
    DrawText::Reading pasted = DrawText::read(line);
    DrawText::dropUnsound(pasted, 78);
    Draws found;
    for (const DrawText::Found &f : pasted.draws)
        found.push_back(f.draw);
    QCOMPARE(found, expected);
    QCOMPARE(pasted.skippedCount, issue ? 0 : 1);
    if (!issue)
        QVERIFY2(pasted.skipped.front().reason.contains(reason), qPrintable(pasted.skipped.front().reason));
    // The text reader of a file to import, among canonical lines.
    // A digits-only line after it takes the issue in force: the form's when it was read, else the
    // line's before.
    const HistoryText::Reading file =
        HistoryText::read((QStringLiteral("130731078 456\r\n") + line + QStringLiteral("\r\n666\r\n")).toUtf8(), 0,
                          false, 78);
    Draws read{{130731078, {4, 5, 6}}};
    read.insert(read.end(), expected.begin(), expected.end());
    read.push_back({issue ? issue : 130731078, {6, 6, 6}});
    QCOMPARE(file.draws, read);
    QCOMPARE(file.skipped, issue ? 0 : 1);
    if (!issue)
        QVERIFY2(file.notes.front().reason.contains(reason) && file.notes.front().line == 2,
                 qPrintable(file.notes.front().reason));
    // 北京快3 numbers its draws on: six digits are its issue.
    if (line == QLatin1String("130801 1,2,3")) {
        const DrawText::Reading running = DrawText::read(line, DrawText::IssueStyle::Running);
        QCOMPARE(running.draws.size(), size_t(1));
        QCOMPARE(running.draws.front().draw.issue, 130801);
    }
}
