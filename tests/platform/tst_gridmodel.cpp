#include "GridModel.h"

#include <QSignalSpy>
#include <QTest>

class TestGridModel : public QObject
{
    Q_OBJECT
private slots:
    void rowsOneLeavesHeader();
    void shrinkAndGrowKeepsRemainingRows();
    void changingColumnsKeepsCells();
    void currentCellAddressesText();
    void outOfRangeIsIgnored();
    void headerRowIsTheViewHeader();
    void hiddenGridResetsOnceWhenShown();
    void overwritingManyTimesKeepsTexts();
    void topRowStaysInRange();
};

namespace {
void fill(GridModel &grid, int rows, int cols)
{
    grid.setRows(rows);
    grid.setCols(cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            grid.setCellText(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
}
} // namespace

void TestGridModel::rowsOneLeavesHeader()
{
    GridModel grid;
    fill(grid, 10, 4);
    grid.setRows(1);
    QCOMPARE(grid.rows(), 1);
    QCOMPARE(grid.cellText(0, 3), QStringLiteral("0,3"));
    QCOMPARE(grid.rowCount(), 0);
}

void TestGridModel::shrinkAndGrowKeepsRemainingRows()
{
    GridModel grid;
    fill(grid, 10, 3);
    grid.setRows(5);
    grid.setRows(10);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(grid.cellText(r, c), r < 5 ? QStringLiteral("%1,%2").arg(r).arg(c) : QString());
}

void TestGridModel::changingColumnsKeepsCells()
{
    GridModel grid;
    fill(grid, 3, 4);
    grid.setCols(2);
    grid.setCols(5);
    QCOMPARE(grid.cellText(2, 1), QStringLiteral("2,1"));
    QCOMPARE(grid.cellText(2, 3), QString());
    QCOMPARE(grid.cellText(1, 4), QString());
}

void TestGridModel::currentCellAddressesText()
{
    GridModel grid;
    grid.setRows(3);
    grid.setCols(2);
    grid.setRow(2);
    grid.setCol(1);
    grid.setText(QStringLiteral("第3位"));
    QCOMPARE(grid.cellText(2, 1), QStringLiteral("第3位"));
    QCOMPARE(grid.text(), QStringLiteral("第3位"));
    grid.setRows(2); // the current row falls away with its row
    QCOMPARE(grid.row(), 1);
}

void TestGridModel::outOfRangeIsIgnored()
{
    GridModel grid;
    grid.setRows(2);
    grid.setCols(2);
    grid.setCellText(5, 0, QStringLiteral("x"));
    grid.setRow(7);
    grid.setColWidth(9, 100);
    QCOMPARE(grid.row(), 0);
    QCOMPARE(grid.cellText(5, 0), QString());
    QCOMPARE(grid.colWidth(9), -1);
}

void TestGridModel::headerRowIsTheViewHeader()
{
    GridModel grid;
    fill(grid, 4, 2);
    QCOMPARE(grid.rowCount(), 3);
    QCOMPARE(grid.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("0,1"));
    QCOMPARE(grid.data(grid.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("1,1"));
}

void TestGridModel::hiddenGridResetsOnceWhenShown()
{
    GridModel grid;
    fill(grid, 3, 2);
    QSignalSpy resets(&grid, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&grid, &QAbstractItemModel::dataChanged);
    grid.setVisible(false);
    grid.setRows(1000);
    for (int r = 0; r < 1000; ++r)
        grid.setCellText(r, 0, QString::number(r));
    QCOMPARE(grid.rowCount(), 2); // the view still sees the old shape
    QCOMPARE(resets.count(), 0);
    grid.setVisible(true);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(grid.rowCount(), 999);
}

void TestGridModel::overwritingManyTimesKeepsTexts()
{
    GridModel grid;
    fill(grid, 50, 4);
    for (int round = 0; round < 200; ++round)
        for (int r = 0; r < 50; ++r)
            grid.setCellText(r, round % 4, QStringLiteral("r%1-%2").arg(round).arg(r));
    for (int r = 0; r < 50; ++r) {
        QCOMPARE(grid.cellText(r, 3), QStringLiteral("r199-%1").arg(r));
        QCOMPARE(grid.cellText(r, 0), QStringLiteral("r196-%1").arg(r));
    }
}

void TestGridModel::topRowStaysInRange()
{
    GridModel grid;
    fill(grid, 5, 1);
    QSignalSpy spy(&grid, &GridModel::topRowChanged);
    grid.setTopRow(4);
    grid.setTopRow(5);
    grid.setTopRow(0);
    QCOMPARE(grid.topRow(), 4);
    QCOMPARE(spy.count(), 1);
}

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
