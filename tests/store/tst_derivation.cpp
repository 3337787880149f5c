#include "Derivation.h"

#include <QTest>

using Values3 = Numbers; // the same array type
Q_DECLARE_METATYPE(Numbers)

class TestDerivation : public QObject
{
    Q_OBJECT
private slots:
    void classify_data();
    void classify();
    void occurrenceText_data();
    void occurrenceText();
    void digitsText_data();
    void digitsText();
    void sameTokensDifferentOrder();
    void firstRowHasNoPrevious();
    void rowCarriesPreviousDraws();
    void storedSegmentsOutliveBaseChange();
    void dayEndIssueStillPlusOne();
    void lastIssueHasNoSuccessor();
};

void TestDerivation::classify_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("big");
    QTest::addColumn<int>("odd");
    QTest::addColumn<int>("segment");
    // 大 means "greater than 2": 3 is big, 2 is small.
    QTest::newRow("1 base0") << 1 << 0 << 0 << 1 << 0;
    QTest::newRow("2 base0") << 2 << 0 << 0 << 0 << 0;
    QTest::newRow("3 base0") << 3 << 0 << 1 << 1 << 1;
    QTest::newRow("4 base0") << 4 << 0 << 1 << 0 << 1;
    QTest::newRow("5 base0") << 5 << 0 << 1 << 1 << 2;
    QTest::newRow("6 base0") << 6 << 0 << 1 << 0 << 2;
    QTest::newRow("1 base1") << 1 << 1 << 0 << 1 << 1;
    QTest::newRow("3 base1") << 3 << 1 << 1 << 1 << 2;
    QTest::newRow("6 base1") << 6 << 1 << 1 << 0 << 3;
}

void TestDerivation::classify()
{
    QFETCH(int, number);
    QFETCH(int, base);
    const Classes c = Derivation::classify(qint16(number), base);
    QCOMPARE(c[KindA], number);
    QTEST(int(c[KindB]), "big");
    QTEST(int(c[KindE]), "odd");
    QTEST(int(c[KindF]), "segment");
}

void TestDerivation::occurrenceText_data()
{
    QTest::addColumn<Values3>("values");
    QTest::addColumn<QString>("text");
    QTest::newRow("3 3 5 numbers") << Values3{3, 3, 5} << "1X3 2X3 1X5 ";
    QTest::newRow("3 3 5 big/small") << Values3{1, 1, 1} << "1X1 2X1 3X1 ";
    QTest::newRow("3 3 5 segments base 0") << Values3{1, 1, 2} << "1X1 2X1 1X2 ";
    QTest::newRow("6 1 6") << Values3{6, 1, 6} << "1X6 1X1 2X6 ";
    QTest::newRow("3 3 3") << Values3{3, 3, 3} << "1X3 2X3 3X3 ";
    QTest::newRow("all different") << Values3{1, 2, 3} << "1X1 1X2 1X3 ";
    QTest::newRow("odd/even 0 1 0") << Values3{0, 1, 0} << "1X0 1X1 2X0 ";
}

void TestDerivation::occurrenceText()
{
    QFETCH(Values3, values);
    const QString text = Derivation::occurrenceText(values);
    QTEST(text, "text");
    QCOMPARE(text.size(), 12);
}

void TestDerivation::digitsText_data()
{
    QTest::addColumn<Numbers>("numbers");
    QTest::addColumn<QString>("text");
    QTest::newRow("335") << Numbers{3, 3, 5} << "335";
    QTest::newRow("252") << Numbers{2, 5, 2} << "252";
    QTest::newRow("225") << Numbers{2, 2, 5} << "225";
}

void TestDerivation::digitsText()
{
    QFETCH(Numbers, numbers);
    QTEST(Derivation::digitsText(numbers), "text");
}

void TestDerivation::sameTokensDifferentOrder()
{
    const QString a = Derivation::occurrenceText({2, 5, 2});
    const QString b = Derivation::occurrenceText({2, 2, 5});
    QCOMPARE(a, QStringLiteral("1X2 1X5 2X2 "));
    QCOMPARE(b, QStringLiteral("1X2 2X2 1X5 "));
    auto tokens = [](const QString &t) {
        QStringList list = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        list.sort();
        return list;
    };
    QCOMPARE(tokens(a), tokens(b));
}

void TestDerivation::firstRowHasNoPrevious()
{
    const auto row = Derivation::makeRow(161212001, {1, 4, 6}, nullptr, 1);
    QVERIFY(row);
    QCOMPARE(row->sqqh, 161212001);
    QCOMPARE(row->qqh, 161212002);
    QCOMPARE(row->txtHisLst, QString());
    for (const QString &t : row->occurrence)
        QCOMPARE(t, QString());
    for (int p = 0; p < 3; ++p)
        for (int k = 0; k < KindCount; ++k) {
            QCOMPARE(row->prev[p][k], 0);
            QCOMPARE(row->prevPrev[p][k], 0);
        }
    QVERIFY(!row->earlier);
}

void TestDerivation::rowCarriesPreviousDraws()
{
    const auto first = Derivation::makeRow(161212001, {3, 3, 5}, nullptr, 0);
    const auto second = Derivation::makeRow(161212002, {1, 4, 6}, &*first, 1);
    const auto third = Derivation::makeRow(161212003, {2, 2, 2}, &*second, 1);
    QVERIFY(third);

    // Values of the draw itself, with base 1 segments.
    QCOMPARE(second->value[0], (Classes{1, 0, 1, 1}));
    QCOMPARE(second->value[1], (Classes{4, 1, 0, 2}));
    QCOMPARE(second->value[2], (Classes{6, 1, 0, 3}));

    // The row after 1 4 6 describes 1 4 6 as its previous draw.
    QCOMPARE(third->txtHisLst, QStringLiteral("146"));
    QCOMPARE(third->prev[0][KindA], 1);
    QCOMPARE(third->prev[1][KindA], 4);
    QCOMPARE(third->prev[2][KindA], 6);
    QCOMPARE(third->prev[0][KindB], 0);
    QCOMPARE(third->prev[1][KindB], 1);
    QCOMPARE(third->prev[2][KindB], 1);
    QCOMPARE(third->occurrence[KindA], QStringLiteral("1X1 1X4 1X6 "));
    QCOMPARE(third->occurrence[KindB], QStringLiteral("1X0 1X1 2X1 "));
    QCOMPARE(third->occurrence[KindE], QStringLiteral("1X1 1X0 2X0 "));
    QCOMPARE(third->occurrence[KindF], QStringLiteral("1X1 1X2 1X3 "));
    // P columns: the draw two before, 3 3 5 with its base-0 segments.
    QCOMPARE(third->prevPrev[0], (Classes{3, 1, 1, 1}));
    QCOMPARE(third->prevPrev[2], (Classes{5, 1, 1, 2}));
}

void TestDerivation::storedSegmentsOutliveBaseChange()
{
    // The previous row was stored with base 0; the new row reads its stored segments.
    const auto previous = Derivation::makeRow(161212001, {1, 6, 3}, nullptr, 0);
    const auto row = Derivation::makeRow(161212002, {1, 1, 1}, &*previous, 1);
    QCOMPARE(row->occurrence[KindF], QStringLiteral("1X0 1X2 1X1 "));
    QCOMPARE(row->value[0][KindF], 1);
}

void TestDerivation::dayEndIssueStillPlusOne()
{
    const auto row = Derivation::makeRow(161212078, {1, 2, 3}, nullptr, 1);
    QCOMPARE(row->qqh, 161212079);
}

void TestDerivation::lastIssueHasNoSuccessor()
{
    QVERIFY(!Derivation::makeRow(std::numeric_limits<qint32>::max(), {1, 2, 3}, nullptr, 1));
    QVERIFY(Derivation::makeRow(std::numeric_limits<qint32>::max() - 1, {1, 2, 3}, nullptr, 1));
}

QTEST_GUILESS_MAIN(TestDerivation)
#include "tst_derivation.moc"
