#include "ChasePlan.h"
#include "Ledger.h"
#include "Plays.h"
#include "ProvinceTable.h"
#include "TestHistory.h"

#include <QTest>
#include <cmath>
#include <map>

Q_DECLARE_METATYPE(Chase::Request)

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
    void chasePlans_data();
    void chasePlans();
    void chaseRefusals_data();
    void chaseRefusals();
    void planStopsAfterItsFirstWin();
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
        return Ledger::Bet{id, issue, *Plays::choice(play, numbers, nullptr), multiple, std::nullopt, true};
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

namespace {
Chase::Request chase(Play play, const QString &numbers, int issues, Chase::Rule rule, int multiple = 1, int rate = 0)
{
    Chase::Request r;
    r.choice = *Plays::choice(play, numbers, nullptr);
    r.firstIssue = 130801001;
    r.issues = issues;
    r.rule = rule;
    r.multiple = multiple;
    r.rate = rate;
    return r;
}
} // namespace

void TestPlays::chasePlans_data()
{
    QTest::addColumn<Chase::Request>("request");
    QTest::addColumn<QList<qint64>>("multiples");
    QTest::addColumn<int>("stoppedBy");
    using Rule = Chase::Rule;
    QTest::newRow("同倍 2× over 3") << chase(Play::Sum, "10", 3, Rule::Same, 2) << QList<qint64>{2, 2, 2} << 0;
    QTest::newRow("翻倍 from 1× over 10") << chase(Play::TwoDifferent, "25", 10, Rule::Double)
                                          << QList<qint64>{1, 2, 4, 8, 16, 32, 64, 128, 256, 512} << 0;
    QTest::newRow("翻倍 from 3×") << chase(Play::TwoDifferent, "25", 4, Rule::Double, 3) << QList<qint64>{3, 6, 12, 24} << 0;
    // 二不同号 pays 8: a win of m keeps 30% when 100·(8m − S − 2m) ≥ 30·(S + 2m).
    QTest::newRow("利润率 30%") << chase(Play::TwoDifferent, "25", 8, Rule::Profit, 1, 30)
                               << QList<qint64>{1, 1, 1, 2, 3, 4, 6, 9} << 0;
    QTest::newRow("利润率 0% from 2×") << chase(Play::TwoDifferent, "25", 5, Rule::Profit, 2, 0)
                                       << QList<qint64>{2, 2, 2, 2, 3} << 0;
    Chase::Request capped = chase(Play::TwoDifferent, "25", 10, Rule::Double);
    capped.maxMultiple = 64;
    QTest::newRow("翻倍 ends at the largest multiple, never clipped")
        << capped << QList<qint64>{1, 2, 4, 8, 16, 32, 64} << int(Chase::StoppedBy::MaxMultiple);
    Chase::Request budget = chase(Play::Sum, "10", 20, Rule::Same, 5);
    budget.budget = 100;
    QTest::newRow("同倍 ends within the budget") << budget << QList<qint64>(10, 5) << int(Chase::StoppedBy::Budget);
    budget.budget = 99;
    QTest::newRow("a budget one short") << budget << QList<qint64>(9, 5) << int(Chase::StoppedBy::Budget);
    Chase::Request keep = chase(Play::Sum, "10", 5, Rule::Same, 2);
    keep.keepAfterWin = true;
    QTest::newRow("keeps going after a win") << keep << QList<qint64>(5, 2) << 0;
}

// Each plan's multiples, and its rows and honest figures as the formulas give them for fair dice.
void TestPlays::chasePlans()
{
    QFETCH(Chase::Request, request);
    QFETCH(QList<qint64>, multiples);
    QFETCH(int, stoppedBy);
    const Plays::PrizeTable prizes;
    QString why;
    const std::optional<Chase::Plan> plan = Chase::make(request, prizes, &why);
    QVERIFY2(plan, qPrintable(why));
    QCOMPARE(int(plan->stoppedBy), stoppedBy);
    QList<qint64> made;
    qint64 spent = 0;
    double expected = 0, alive = 1;
    const double p = request.choice.chance();
    const qint64 prize = prizes.prize(request.choice);
    for (const Chase::Row &row : plan->rows) {
        made << row.multiple;
        spent += 2 * row.multiple;
        QCOMPARE(row.cost, 2 * row.multiple);
        QCOMPARE(row.spent, spent);
        QCOMPARE(row.win, prize * row.multiple);
        QCOMPARE(row.netIfWin, prize * row.multiple - spent);
        expected += (request.keepAfterWin ? 1 : alive) * (p * double(row.win) - double(row.cost));
        alive *= 1 - p;
    }
    QCOMPARE(made, multiples);
    QCOMPARE(plan->worstCase, spent);
    QCOMPARE(plan->loseAll, std::pow(1 - p, double(multiples.size())));
    QVERIFY(std::abs(plan->expectedNet - expected) < 1e-9);
    // Consecutive issues of a 78-a-day game.
    QCOMPARE(plan->rows.back().issue, 130801000 + qint32(multiples.size()));
}

void TestPlays::chaseRefusals_data()
{
    QTest::addColumn<Chase::Request>("request");
    QTest::addColumn<QString>("reason");
    using Rule = Chase::Rule;
    // 100 · 8 ≤ 2 · (100 + 300): no multiple keeps 300% on 二不同号.
    QTest::newRow("impossible rate") << chase(Play::TwoDifferent, "25", 10, Rule::Profit, 1, 300) << QStringLiteral("做不到");
    QTest::newRow("a rate that just fits") << chase(Play::TwoDifferent, "25", 3, Rule::Profit, 1, 299) << QString();
    QTest::newRow("no issue") << chase(Play::Sum, "10", 0, Rule::Same) << QStringLiteral("期数");
    QTest::newRow("too many issues") << chase(Play::Sum, "10", Chase::maxIssues + 1, Rule::Same) << QStringLiteral("期数");
    Chase::Request high = chase(Play::Sum, "10", 3, Rule::Same, 200);
    high.maxMultiple = 100;
    QTest::newRow("first multiple above the cap") << high << QStringLiteral("起始倍数");
    Chase::Request poor = chase(Play::Sum, "10", 3, Rule::Same, 5);
    poor.budget = 9;
    QTest::newRow("first issue past the budget") << poor << QStringLiteral("预算 9 元");
    QTest::newRow("rate past 1000") << chase(Play::Sum, "3", 3, Rule::Profit, 1, 1001) << QStringLiteral("利润率");
}

void TestPlays::chaseRefusals()
{
    QFETCH(Chase::Request, request);
    QFETCH(QString, reason);
    QString why;
    const std::optional<Chase::Plan> plan = Chase::make(request, Plays::PrizeTable(), &why);
    QCOMPARE(plan.has_value(), reason.isEmpty());
    QVERIFY2(why.contains(reason), qPrintable(why));
}

// The example a player meets first: 二不同号 25 doubled over 10 issues; 利润率 30% over 20; issues
// across midnight and 北京快3's running numbers.
void TestPlays::planStopsAfterItsFirstWin()
{
    const std::optional<Chase::Plan> doubled =
        Chase::make(chase(Play::TwoDifferent, "25", 10, Chase::Rule::Double), Plays::PrizeTable(), nullptr);
    QCOMPARE(Chase::honestLine(*doubled), QStringLiteral("最坏情况：全部不中，花 2,046 元（概率 22.4%）；按公平开奖平均净 −281 元"));
    const std::optional<Chase::Plan> profit =
        Chase::make(chase(Play::TwoDifferent, "25", 20, Chase::Rule::Profit, 1, 30), Plays::PrizeTable(), nullptr);
    QCOMPARE(profit->worstCase, 6172);
    Chase::Request late = chase(Play::Sum, "10", 4, Chase::Rule::Same);
    late.firstIssue = 161212077;
    const auto issuesOf = [](const Chase::Request &r) {
        QList<qint32> issues;
        const std::optional<Chase::Plan> plan = Chase::make(r, Plays::PrizeTable(), nullptr);
        for (const Chase::Row &row : plan->rows)
            issues << row.issue;
        return issues;
    };
    QCOMPARE(issuesOf(late), (QList<qint32>{161212077, 161212078, 161213001, 161213002}));
    late.game = ProvinceTable::runningIssueGame;
    late.firstIssue = 3010077;
    QCOMPARE(issuesOf(late), (QList<qint32>{3010077, 3010078, 3010079, 3010080}));

    // A placed 翻倍 plan whose third issue wins: 未中, 未中, 中奖, then 已撤 (bought never, counted
    // nowhere); without the winning draw the rest are bought again; a single bet is never withdrawn.
    const auto bet = [](qint64 id, qint32 issue, int multiple, std::optional<qint64> plan) {
        return Ledger::Bet{id, issue, *Plays::choice(Play::TwoDifferent, "25", nullptr), multiple, plan, true};
    };
    std::vector<Ledger::Bet> bets;
    for (int k = 0; k < 5; ++k)
        bets.push_back(bet(k + 1, 130801001 + k, 1 << k, 7));
    bets.push_back(bet(6, 130801005, 1, std::nullopt));
    std::vector<TestDraw> draws{{130801001, {1, 1, 1}}, {130801002, {2, 2, 2}}, {130801003, {2, 5, 6}},
                                {130801004, {2, 5, 5}}, {130801005, {1, 2, 5}}};
    const auto states = [&](const std::vector<TestDraw> &stored, Ledger::Totals *totals) {
        QStringList all;
        const auto settled = Ledger::settle(bets, TestHistory::snapshotOf(stored), Plays::PrizeTable());
        for (const Ledger::Settled &s : settled)
            all << Ledger::stateName(s.state);
        *totals = Ledger::totals(settled);
        return all;
    };
    Ledger::Totals t;
    QCOMPARE(states(draws, &t), (QStringList{"未中", "未中", "中奖", "已撤", "已撤", "中奖"}));
    QCOMPARE(t.spent, 2 + 4 + 8 + 2);
    QCOMPARE(t.count, 4);
    QCOMPARE(t.withdrawn, 2);
    QCOMPARE(t.won, 8 * 4 + 8);
    QCOMPARE(t.expected, 30 / 216.0 * 8 * (1 + 2 + 4 + 1));
    // Bets are stamped with the computer's offset, written out even at UTC.
    const QDate day(2026, 12, 9);
    const QTime noon(12, 0, 5);
    QCOMPARE(Ledger::placedText(QDateTime(day, noon, Qt::OffsetFromUTC, 8 * 3600)), QStringLiteral("2026-12-09T12:00:05+08:00"));
    QCOMPARE(Ledger::placedText(QDateTime(day, noon, Qt::OffsetFromUTC, 0)), QStringLiteral("2026-12-09T12:00:05+00:00"));
    QCOMPARE(Ledger::placedText(QDateTime(day, noon, Qt::OffsetFromUTC, -(5 * 3600 + 30 * 60))),
             QStringLiteral("2026-12-09T12:00:05-05:30"));
    draws[2].numbers = {1, 1, 6};
    QCOMPARE(states(draws, &t), (QStringList{"未中", "未中", "未中", "中奖", "已撤", "中奖"}));
    draws.resize(2);
    QCOMPARE(states(draws, &t), (QStringList{"未中", "未中", "待开奖", "待开奖", "待开奖", "待开奖"}));
    // A plan that keeps going: nothing withdrawn.
    for (Ledger::Bet &b : bets)
        b.stopsAfterWin = false;
    draws = {{130801001, {2, 5, 1}}, {130801002, {2, 5, 1}}};
    QCOMPARE(states(draws, &t), (QStringList{"中奖", "中奖", "待开奖", "待开奖", "待开奖", "待开奖"}));
}

QTEST_GUILESS_MAIN(TestPlays)
#include "tst_plays.moc"
