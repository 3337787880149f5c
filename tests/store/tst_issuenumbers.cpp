#include "DrawClock.h"
#include "IssueNumbers.h"
#include "HistorySnapshot.h"
#include "ProvinceTable.h"

#include <QTest>
#include <limits>

class TestIssueNumbers : public QObject
{
    Q_OBJECT
private slots:
    void next_data();
    void next();
    void drawsPerDayFromTheHistory_data();
    void drawsPerDayFromTheHistory();
    void savedDrawsPerDay();
    void notNextQuestion_data();
    void notNextQuestion();
    void missingIssues();
    void expectedTimes_data();
    void expectedTimes();
    void scheduleFromStoredTimes();
    void nextDrawLine();
};

void TestIssueNumbers::next_data()
{
    QTest::addColumn<qint32>("last");
    QTest::addColumn<int>("drawsPerDay");
    QTest::addColumn<qint64>("expected"); // -1: no next issue

    QTest::newRow("78: day end") << 161212078 << 78 << qint64(161213001);
    QTest::newRow("78: inside the day") << 161212077 << 78 << qint64(161212078);
    QTest::newRow("82: year end") << 161231082 << 82 << qint64(170101001);
    QTest::newRow("82: 078 is no day end") << 161212078 << 82 << qint64(161212079);
    QTest::newRow("73: day end") << 161212073 << 73 << qint64(161213001);
    QTest::newRow("73: before day end") << 161212072 << 73 << qint64(161212073);
    QTest::newRow("87: 吉林 day end") << 161212087 << 87 << qint64(161213001);
    QTest::newRow("87: 078 goes on") << 161212078 << 87 << qint64(161212079);
    QTest::newRow("41: day end") << 161212041 << 41 << qint64(161213001);
    QTest::newRow("41: inside the day") << 161212040 << 41 << qint64(161212041);
    QTest::newRow("leap year Feb 28") << 160228078 << 78 << qint64(160229001);
    QTest::newRow("leap day") << 160229078 << 78 << qint64(160301001);
    QTest::newRow("common year Feb 28") << 170228078 << 78 << qint64(170301001);
    QTest::newRow("month of 30 days") << 160430078 << 78 << qint64(160501001);
    QTest::newRow("month of 31 days") << 160131078 << 78 << qint64(160201001);
    QTest::newRow("six digits that are no date") << 228078 << 78 << qint64(-1);
    QTest::newRow("invalid date at day end") << 161332078 << 78 << qint64(-1);
    QTest::newRow("short issue, plain successor") << 2007001 << 78 << qint64(2007002);
    QTest::newRow("no 32-bit successor") << std::numeric_limits<qint32>::max() << 78 << qint64(-1);
}

void TestIssueNumbers::next()
{
    QFETCH(qint32, last);
    QFETCH(int, drawsPerDay);
    QFETCH(qint64, expected);
    const std::optional<qint32> next = IssueNumbers::next(last, drawsPerDay);
    QCOMPARE(next ? qint64(*next) : qint64(-1), expected);
}

void TestIssueNumbers::drawsPerDayFromTheHistory_data()
{
    QTest::addColumn<QList<int>>("dayEnds"); // the last sequence of each stored day, oldest first
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("hint");
    const QString hint41 = QStringLiteral("最近三天每天开奖 41 期，设置为 78 期（设置 → 每天期数）");
    QTest::newRow("three days of 41, then today") << QList<int>{78, 41, 41, 41, 5} << 78 << hint41;
    QTest::newRow("as set") << QList<int>{41, 41, 41, 5} << 41 << QString();
    QTest::newRow("only two complete days") << QList<int>{41, 41, 5} << 78 << QString();
    QTest::newRow("days that differ") << QList<int>{41, 40, 41, 5} << 78 << QString();
    QTest::newRow("today's end does not count") << QList<int>{78, 78, 78, 41} << 78 << QString();
}

// Whether the history says the draws per day setting is wrong: only the last three complete days
// (each followed by a stored day), all ending at one sequence.
void TestIssueNumbers::drawsPerDayFromTheHistory()
{
    QFETCH(QList<int>, dayEnds);
    QFETCH(int, setting);
    QFETCH(QString, hint);
    HistorySnapshot history;
    QDate day(2016, 12, 1);
    for (int end : dayEnds) {
        for (int k = 1; k <= end; ++k) {
            DrawCore row{};
            row.sqqh = qint32(day.toString("yyMMdd").toInt() * 1000 + k);
            history.append(row);
        }
        day = day.addDays(1);
    }
    QCOMPARE(IssueNumbers::drawsPerDayHint(history, setting), hint);
}

void TestIssueNumbers::savedDrawsPerDay()
{
    std::array<int, ProvinceTable::Count> perDay = ProvinceTable::drawsPerDayFrom(QString());
    QCOMPARE(perDay[0], int(ProvinceTable::at(0).drawsPerDay));
    perDay[3] = 41;
    QCOMPARE(ProvinceTable::drawsPerDayFrom(ProvinceTable::drawsPerDayText(perDay)), perDay);
    // A wrong number keeps the table's: 0, 121, not a number.
    const auto read = ProvinceTable::drawsPerDayFrom(QStringLiteral("0,121,x,40"));
    QCOMPARE(read[0], int(ProvinceTable::at(0).drawsPerDay));
    QCOMPARE(read[1], int(ProvinceTable::at(1).drawsPerDay));
    QCOMPARE(read[2], int(ProvinceTable::at(2).drawsPerDay));
    QCOMPARE(read[3], 40);
}

void TestIssueNumbers::notNextQuestion_data()
{
    QTest::addColumn<qint32>("typed");
    QTest::addColumn<qint32>("next");
    QTest::addColumn<int>("drawsPerDay");
    QTest::addColumn<QString>("question");
    QTest::newRow("the next one") << 261209032 << 261209032 << 78 << QString();
    QTest::newRow("three left out") << 261209035 << 261209032 << 78
                                    << QStringLiteral("261209035 期不是下一期（261209032），中间缺 3 期。仍然录入？");
    QTest::newRow("one left out") << 261209033 << 261209032 << 78
                                  << QStringLiteral("261209033 期不是下一期（261209032），中间缺 1 期。仍然录入？");
    QTest::newRow("over midnight") << 261210002 << 261209078 << 78
                                   << QStringLiteral("261210002 期不是下一期（261209078），中间缺 2 期。仍然录入？");
    QTest::newRow("another game's, years later") << 261209021 << 130801001 << 78
        << QStringLiteral("261209021 期比下一期（130801001）晚 4878 天。现在的彩种是广西快3。仍然录入？");
    QTest::newRow("two days later") << 261211001 << 261209032 << 78
                                    << QStringLiteral("261211001 期比下一期（261209032）晚 2 天。现在的彩种是广西快3。仍然录入？");
    QTest::newRow("years earlier") << 130801001 << 261209032 << 78
                                   << QStringLiteral("130801001 期比下一期（261209032）早 4878 天。现在的彩种是广西快3。仍然录入？");
    QTest::newRow("earlier the same day") << 261209030 << 261209032 << 78 << QString();
    QTest::newRow("yesterday") << 261208077 << 261209032 << 78 << QString();
    QTest::newRow("running numbers") << 1234570 << 1234567 << 179
                                     << QStringLiteral("1234570 期不是下一期（1234567），中间缺 3 期。仍然录入？");
}

// Before a typed draw is stored under an issue that is not the next one.
void TestIssueNumbers::notNextQuestion()
{
    QFETCH(qint32, typed);
    QFETCH(qint32, next);
    QFETCH(int, drawsPerDay);
    QFETCH(QString, question);
    QCOMPARE(IssueNumbers::notNextQuestion(typed, next, drawsPerDay, QStringLiteral("广西快3")), question);
}

// 缺期: within each stored day, from 1 to its highest stored sequence; days without draws and
// running numbers have none.
void TestIssueNumbers::missingIssues()
{
    HistorySnapshot history;
    for (qint32 issue : {1234567, 161211077, 161211079, 161212001, 161212002, 161212005, 161212005, 161213003, 161215001, 161215002}) {
        DrawCore row{};
        row.sqqh = issue;
        history.append(row);
    }
    QCOMPARE(IssueNumbers::missing(history), (std::vector<qint32>{161211078, 161212003, 161212004, 161213001, 161213002}));
}

void TestIssueNumbers::expectedTimes_data()
{
    QTest::addColumn<qint32>("issue");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("utc"); // the moment due, in UTC
    // 08:30 Beijing is 00:30 UTC, whatever the computer's zone.
    QTest::newRow("first of the day") << 161212001 << false << "2016-12-12T00:30:00Z";
    QTest::newRow("26th") << 161212026 << false << "2016-12-12T04:40:00Z";
    QTest::newRow("a sequence that is none") << 161212000 << false << "";
    QTest::newRow("no date") << 161313001 << false << "";
    // 北京快3 from its last stored draw (3010010 at 21:30:40): one interval an issue, seconds
    // dropped; after the day's last draw (80 a day from 08:30: 21:40) the next day's first.
    QTest::newRow("北京 next, the day's last") << 3010011 << true << "2016-12-12T13:40:00Z";
    QTest::newRow("北京 across midnight") << 3010012 << true << "2016-12-13T00:30:00Z";
    QTest::newRow("北京 the day after") << 3010013 << true << "2016-12-13T00:40:00Z";
    QTest::newRow("北京 a stored one") << 3010010 << true << "";
}

void TestIssueNumbers::expectedTimes()
{
    QFETCH(qint32, issue);
    QFETCH(bool, running);
    QFETCH(QString, utc);
    const DrawClock::Schedule schedule{QTime(8, 30), 10};
    const std::pair<qint32, QDateTime> last{3010010, DrawClock::beijing(QDate(2016, 12, 12), QTime(21, 30, 40))};
    const std::optional<QDateTime> due = DrawClock::expected(issue, schedule, 80, running, last);
    QCOMPARE(due ? due->toUTC().toString(Qt::ISODate) : QString(), utc);
}

// A schedule from the stored times: the last three days with times, one draw very late and one a
// little late, seconds dropped.
void TestIssueNumbers::scheduleFromStoredTimes()
{
    std::vector<std::pair<qint32, QDateTime>> times;
    const auto day = [&](int yymmdd, QTime first, int interval, int count) {
        const QDate date(2000 + yymmdd / 10000, yymmdd / 100 % 100, yymmdd % 100);
        for (int n = 1; n <= count; ++n)
            times.push_back({yymmdd * 1000 + n, DrawClock::beijing(date, first).addSecs(qint64(n - 1) * interval * 60 + 40)});
    };
    day(161201, QTime(9, 0), 20, 80); // older than the last three days: no say, however many
    day(161210, QTime(8, 30), 10, 20);
    day(161211, QTime(8, 30), 10, 20);
    day(161212, QTime(8, 30), 10, 20);
    times[100 + 11].second = times[100 + 11].second.addSecs(7 * 60); // 7 minutes late
    times[100 + 12].second = times[100 + 12].second.addSecs(2 * 60); // 2 minutes late
    std::optional<DrawClock::Schedule> schedule = DrawClock::infer(times);
    QVERIFY(schedule);
    QCOMPARE(*schedule, (DrawClock::Schedule{QTime(8, 30), 10}));
    // Times read in another zone are the same moments.
    for (auto &[issue, time] : times)
        time = time.toOffsetFromUtc(-5 * 3600);
    QCOMPARE(DrawClock::infer(times), schedule);
    QCOMPARE(DrawClock::infer({}), std::nullopt);
    // As the settings keep it.
    QCOMPARE(DrawClock::fromText(DrawClock::toText(*schedule)), schedule);
    QCOMPARE(DrawClock::toText(*schedule), QStringLiteral("08:30,10"));
    for (const char *bad : {"8:30", "08:30,0", "25:00,10", "08:30,x", ""})
        QCOMPARE(DrawClock::fromText(QString::fromLatin1(bad)), std::nullopt);
}

void TestIssueNumbers::nextDrawLine()
{
    const QDateTime due = DrawClock::beijing(QDate(2026, 12, 9), QTime(17, 10));
    const auto at = [](int h, int m, int s) { return DrawClock::beijing(QDate(2026, 12, 9), QTime(h, m, s)).toUTC(); };
    QCOMPARE(DrawClock::nextDrawLine(261209026, due, at(16, 58, 30)), QStringLiteral("下一期 261209026 约 17:10 开奖（还有 12 分）"));
    QCOMPARE(DrawClock::nextDrawLine(261209026, due, at(17, 9, 0)), QStringLiteral("下一期 261209026 约 17:10 开奖（还有 1 分）"));
    QCOMPARE(DrawClock::nextDrawLine(261209026, due, at(17, 13, 0)), QStringLiteral("下一期 261209026 约 17:10 开奖（还有 0 分）"));
    QCOMPARE(DrawClock::nextDrawLine(261209026, due, at(17, 18, 0)),
             QStringLiteral("261209026 期应在 17:10 开奖，已晚 8 分钟（来源可能未更新）"));
    // Days behind: the history is not up to date; nothing is said.
    QCOMPARE(DrawClock::nextDrawLine(261209026, due, at(17, 9, 0).addDays(2)), QString());
}

QTEST_GUILESS_MAIN(TestIssueNumbers)
#include "tst_issuenumbers.moc"
