#include "HistoryGrid.h"

#include "DrawRecord.h"
#include "GridModel.h"
#include "HistorySnapshot.h"

namespace HistoryGrid {

void fill(GridModel &grid, const HistorySnapshot &snapshot)
{
    grid.setVisible(false);
    const int n = snapshot.count();
    grid.setRows(n + 1);
    grid.setCols(4);
    grid.setCellText(0, 0, QStringLiteral("期号"));
    for (int p = 1; p <= PositionCount; ++p)
        grid.setCellText(0, p, QStringLiteral("第%1位").arg(p));
    for (int r = 0; r < n; ++r) {
        const DrawCore &draw = snapshot.at(r);
        grid.setCellNumber(r + 1, 0, draw.sqqh);
        for (int p = 0; p < PositionCount; ++p)
            grid.setCellNumber(r + 1, p + 1, draw.value[p][KindA]);
    }
    grid.setRow(n);
    if (n > ScrollAfterDraws)
        grid.setTopRow(grid.rows() - 1);
    grid.setColWidth(0, 1200);
    for (int c = 1; c <= PositionCount; ++c)
        grid.setColWidth(c, 620);
    grid.setVisible(true);
}

} // namespace HistoryGrid
