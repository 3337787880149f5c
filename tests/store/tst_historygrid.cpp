#include "Derivation.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "HistoryGrid.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QTest>

class TestHistoryGrid : public QObject
{
    Q_OBJECT
private slots:
    void fillsHeaderAndRows();
    void scrollsOnlyAboveThirtyNineDraws_data();
    void scrollsOnlyAboveThirtyNineDraws();
    void emptyHistoryLeavesHeader();
    void sampleHistoryFillsCompletely();
};

void TestHistoryGrid::fillsHeaderAndRows()
{
    const auto first = Derivation::makeRow(161212001, {1, 4, 6}, nullptr, 1);
    const auto second = Derivation::makeRow(161212002, {6, 2, 3}, &*first, 1);
    GridModel grid;
    HistoryGrid::fill(grid, HistorySnapshot({*first, *second}));
    QCOMPARE(grid.rows(), 3);
    QCOMPARE(grid.cols(), 4);
    const QStringList expected[] = {
        {"期号", "第1位", "第2位", "第3位"}, {"161212001", "1", "4", "6"}, {"161212002", "6", "2", "3"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            QCOMPARE(grid.cellText(r, c), expected[r][c]);
    QCOMPARE(grid.colWidth(0), 1200);
    QCOMPARE(grid.colWidth(3), 620);
    QVERIFY(grid.isVisible());
}

void TestHistoryGrid::scrollsOnlyAboveThirtyNineDraws_data()
{
    QTest::addColumn<int>("draws");
    QTest::addColumn<int>("topRow");
    QTest::newRow("39 draws") << 39 << 1;
    QTest::newRow("40 draws") << 40 << 40;
    QTest::newRow("200 draws") << 200 << 200;
}

void TestHistoryGrid::scrollsOnlyAboveThirtyNineDraws()
{
    QFETCH(int, draws);
    std::vector<DrawCore> rows;
    for (const TestDraw &d : TestHistory::consecutive(161212001, draws))
        rows.push_back(*Derivation::makeRow(d.issue, d.numbers, nullptr, 1));
    GridModel grid;
    HistoryGrid::fill(grid, HistorySnapshot(rows));
    QCOMPARE(grid.rows(), draws + 1);
    QTEST(grid.topRow(), "topRow");
}

void TestHistoryGrid::emptyHistoryLeavesHeader()
{
    GridModel grid;
    grid.setRows(5);
    grid.setCols(4);
    grid.setCellText(3, 0, "stale");
    HistoryGrid::fill(grid, HistorySnapshot());
    QCOMPARE(grid.rows(), 1);
    QCOMPARE(grid.cellText(0, 0), QStringLiteral("期号"));
}

void TestHistoryGrid::sampleHistoryFillsCompletely()
{
    TestFolder folder;
    const std::vector<TestDraw> sample = TestHistory::sample();
    QCOMPARE(int(sample.size()), 4778);
    QVERIFY(TestHistory::createIn(folder.path(), sample));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    GridModel grid;
    HistoryGrid::fill(grid, *db.snapshot());
    QCOMPARE(grid.rows(), 4779);
    QCOMPARE(grid.cellText(1, 0), QStringLiteral("130529001"));
    QCOMPARE(grid.cellText(4778, 0), QStringLiteral("130731078"));
    QCOMPARE(grid.cellText(4778, 1) + grid.cellText(4778, 2) + grid.cellText(4778, 3),
             QString::number(sample.back().numbers[0]) + QString::number(sample.back().numbers[1]) +
                 QString::number(sample.back().numbers[2]));
}

QTEST_GUILESS_MAIN(TestHistoryGrid)
#include "tst_historygrid.moc"
