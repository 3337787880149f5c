#include "IssueNumbers.h"

#include <QTest>
#include <limits>

class TestIssueNumbers : public QObject
{
    Q_OBJECT
private slots:
    void next_data();
    void next();
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

QTEST_GUILESS_MAIN(TestIssueNumbers)
#include "tst_issuenumbers.moc"
