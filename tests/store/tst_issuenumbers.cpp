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

QTEST_GUILESS_MAIN(TestIssueNumbers)
#include "tst_issuenumbers.moc"
