#include "Ledger.h"
#include "Plays.h"
#include "TestHistory.h"

#include <QTest>
#include <cmath>
#include <map>

using Plays::Play;

class TestPlays : public QObject
{
    Q_OBJECT
private slots:
    void everyChoiceAgainstAllOutcomes_data();
    void everyChoiceAgainstAllOutcomes();
    void badChoices_data();
    void badChoices();
    void prizeTables();
    void settlementFollowsTheDraws();
};

void TestPlays::everyChoiceAgainstAllOutcomes_data()
{
    QTest::addColumn<int>("play");
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<int>("winning"); // of the 216 outcomes
    QTest::addColumn<int>("prize");
    const int sumWins[] = {1, 3, 6, 10, 15, 21, 25, 27};
    const int sumPrizes[] = {240, 80, 40, 25, 16, 12, 10, 9};
    for (int s = 3; s <= 18; ++s) {
        const int k = s <= 10 ? s - 3 : 18 - s;
        QTest::addRow("和值 %d", s) << int(Play::Sum) << QString::number(s) << sumWins[k] << sumPrizes[k];
    }
    QTest::newRow("三同号通选") << int(Play::TripleAny) << QString() << 6 << 40;
    QTest::newRow("三连号通选") << int(Play::RunAny) << QString() << 24 << 10;
    for (int a = 1; a <= 6; ++a) {
        QTest::addRow("三同号单选 %d", a) << int(Play::TripleOne) << QString(3, QChar('0' + a)) << 1 << 240;
        QTest::addRow("二同号复选 %d", a) << int(Play::PairAny) << QString(2, QChar('0' + a)) << 16 << 15;
        for (int b = 1; b <= 6; ++b) {
            if (b == a)
                continue;
            QTest::addRow("二同号单选 %d%d", a, b) << int(Play::PairOne) << QStringLiteral("%1%1%2").arg(a).arg(b) << 3 << 80;
            if (b > a)
                QTest::addRow("二不同号 %d%d", a, b) << int(Play::TwoDifferent) << QStringLiteral("%1%2").arg(a).arg(b) << 30 << 8;
            for (int c = b + 1; c <= 6 && b > a; ++c)
                QTest::addRow("三不同号 %d%d%d", a, b, c)
                    << int(Play::ThreeDifferent) << QStringLiteral("%1%2%3").arg(a).arg(b).arg(c) << 6 << 40;
        }
    }
}

// The settlement rule against all 216 outcomes of three dice: each choice wins exactly as many
// as the prize table says, in any order of the dice, and returns chance × prize ÷ 2 元.
void TestPlays::everyChoiceAgainstAllOutcomes()
{
    QFETCH(int, play);
    QFETCH(QString, numbers);
    QFETCH(int, winning);
    QFETCH(int, prize);
    QString why;
    const std::optional<Plays::Choice> choice = Plays::choice(Play(play), numbers, &why);
    QVERIFY2(choice, qPrintable(why));
    QCOMPARE(choice->numbers, numbers);
    QCOMPARE(choice->winningOutcomes(), winning);
    const Plays::PrizeTable national;
    QCOMPARE(national.prize(*choice), prize);
    QCOMPARE(national.fairReturn(*choice), winning / 216.0 * prize / 2);
    // The order the dice fell in never matters; the player's order neither.
    for (qint16 a = 1; a <= 6; ++a)
        for (qint16 b = 1; b <= 6; ++b)
            for (qint16 c = 1; c <= 6; ++c)
                QCOMPARE(choice->wins({a, b, c}), choice->wins({c, a, b}));
    if (play != int(Play::Sum)) {
        std::reverse(numbers.begin(), numbers.end());
        QCOMPARE(Plays::choice(Play(play), numbers, nullptr), choice);
    }
}

void TestPlays::badChoices_data()
{
    QTest::addColumn<int>("play");
    QTest::addColumn<QString>("numbers");
    QTest::newRow("sum 2") << int(Play::Sum) << "2";
    QTest::newRow("sum 19") << int(Play::Sum) << "19";
    QTest::newRow("sum none") << int(Play::Sum) << "";
    QTest::newRow("三不同号 122") << int(Play::ThreeDifferent) << "122";
    QTest::newRow("三不同号 127") << int(Play::ThreeDifferent) << "127";
    QTest::newRow("三不同号 1234") << int(Play::ThreeDifferent) << "1234";
    QTest::newRow("二不同号 11") << int(Play::TwoDifferent) << "11";
    QTest::newRow("二同号复选 12") << int(Play::PairAny) << "12";
    QTest::newRow("二同号单选 111") << int(Play::PairOne) << "111";
    QTest::newRow("二同号单选 123") << int(Play::PairOne) << "123";
    QTest::newRow("三同号单选 0") << int(Play::TripleOne) << "000";
    QTest::newRow("通选 with numbers") << int(Play::TripleAny) << "111";
    QTest::newRow("not digits") << int(Play::TwoDifferent) << "1a";
}

void TestPlays::badChoices()
{
    QFETCH(int, play);
    QFETCH(QString, numbers);
    QString why;
    QVERIFY(!Plays::choice(Play(play), numbers, &why));
    QVERIFY(!why.isEmpty());
}

void TestPlays::prizeTables()
{
    const Plays::PrizeTable national;
    QCOMPARE(national.returnRange().first, 240 / 432.0);
    QCOMPARE(national.returnRange().second, 21 * 12 / 432.0);
    // Saved and read back; a province's own prizes where it gives them.
    QCOMPARE(Plays::PrizeTable::fromJson(national.toJson(), nullptr), national);
    const auto own = Plays::PrizeTable::fromJson(R"({"和值": {"18": 200}, "二不同号": 7})", nullptr);
    QVERIFY(own);
    QCOMPARE(own->sumPrize(18), 200);
    QCOMPARE(own->sumPrize(17), 80);
    QCOMPARE(own->playPrize(Play::TwoDifferent), 7);
    for (const char *bad : {R"({"二不同号": 0})", R"({"二不同号": 7.5})", R"({"二不同号": "7"})", R"({"和值": {"2": 9}})",
                            R"({"大小": 2})", R"({"和值": 9})", "[1]"}) {
        QString why;
        QVERIFY2(!Plays::PrizeTable::fromJson(bad, &why), bad);
        QVERIFY(!why.isEmpty());
    }
}

// A bet is settled by the stored draw of its issue, whatever happens to it later; the totals
// and fair dice's expectation cover only the settled bets.
void TestPlays::settlementFollowsTheDraws()
{
    const std::vector<TestDraw> draws{{130801001, {1, 2, 3}}, {130801002, {5, 5, 6}}, {130801003, {6, 6, 6}}};
    const auto bet = [](qint64 id, qint32 issue, Play play, const QString &numbers, int multiple) {
        return Ledger::Bet{id, issue, *Plays::choice(play, numbers, nullptr), multiple};
    };
    const std::vector<Ledger::Bet> bets{bet(1, 130801001, Play::RunAny, {}, 2), bet(2, 130801002, Play::PairOne, "556", 1),
                                        bet(3, 130801003, Play::PairOne, "665", 1), bet(4, 130801003, Play::PairAny, "66", 3),
                                        bet(5, 130801004, Play::Sum, "18", 1)};
    const Plays::PrizeTable prizes;
    const auto settled = Ledger::settle(bets, TestHistory::snapshotOf(draws), prizes);
    const std::vector<Ledger::State> states{Ledger::State::Won, Ledger::State::Won, Ledger::State::Lost,
                                            Ledger::State::Won, Ledger::State::Pending};
    for (size_t i = 0; i < bets.size(); ++i)
        QCOMPARE(settled[i].state, states[i]);
    QCOMPARE(settled[0].prize, 20);
    QCOMPARE(settled[3].prize, 45);
    const Ledger::Totals t = Ledger::totals(settled);
    QCOMPARE(t.count, 5);
    QCOMPARE(t.settled, 4);
    QCOMPARE(t.spent, 16);
    QCOMPARE(t.won, 20 + 80 + 45);
    QCOMPARE(t.net(), 145 - 16);
    QCOMPARE(Ledger::totalsLine(t), QStringLiteral("共 5 注（已开奖 4 注），投注 16 元，中奖 145 元，净 129 元，回报 906.3%"));
    QCOMPARE(Ledger::totalsLine(Ledger::totals({})), QStringLiteral("共 0 注（已开奖 0 注），投注 0 元，中奖 0 元，净 0 元，回报 0.0%"));
    const double expected = 24 / 216.0 * 20 + 3 / 216.0 * 80 * 2 + 16 / 216.0 * 45;
    QCOMPARE(t.expected, expected);
    const auto spread = [](double p, double payout) { return p * (1 - p) * payout * payout; };
    QCOMPARE(t.sd, std::sqrt(spread(24 / 216.0, 20) + 2 * spread(3 / 216.0, 80) + spread(16 / 216.0, 45)));
    QCOMPARE(Ledger::fairSentence(t), QStringLiteral("按公平开奖，这些投注平均应回报 %1 元（± %2），实际回报 145 元")
                                          .arg(QString::number(expected, 'f', 2), Ledger::money(t.sd)));
    // The draw corrected: the same bets settle the other way.
    const auto after = Ledger::settle(bets, TestHistory::snapshotOf({{130801001, {1, 2, 4}}}), prizes);
    QCOMPARE(after[0].state, Ledger::State::Lost);
    QCOMPARE(after[1].state, Ledger::State::Pending);

    // Bets in any order meet their own draw: forward by a row or by many, back to an earlier
    // issue, before the first draw, on a missing issue, after the last.
    std::vector<TestDraw> longer = TestHistory::consecutive(130801001, 80);
    longer.erase(longer.begin() + 40);
    for (size_t i = 0; i < longer.size(); ++i)
        longer[i].numbers = {qint16(1 + i % 6), qint16(1 + i / 6 % 6), 6};
    const HistorySnapshot history = TestHistory::snapshotOf(longer);
    std::vector<Ledger::Bet> scattered;
    for (const qint32 issue : {130801001, 130801002, 130801003, 130801079, 130801005, 130801041, 130801040,
                               130801042, 130800999, 130801080, 130801081, 130801050, 130801049, 130801017})
        scattered.push_back(bet(qint64(scattered.size()), issue, Play::Sum, "10", 1));
    std::map<Ledger::State, int> seen;
    for (const Ledger::Settled &s : Ledger::settle(scattered, history, prizes)) {
        const auto drawn = std::find_if(longer.begin(), longer.end(), [&](const TestDraw &d) { return d.issue == s.bet.issue; });
        const Ledger::State truth = drawn == longer.end() ? Ledger::State::Pending
                                    : drawn->numbers[0] + drawn->numbers[1] + drawn->numbers[2] == 10 ? Ledger::State::Won
                                                                                                     : Ledger::State::Lost;
        QCOMPARE(s.state, truth);
        ++seen[truth];
    }
    QCOMPARE(seen.size(), size_t(3));
}

QTEST_GUILESS_MAIN(TestPlays)
#include "tst_plays.moc"
