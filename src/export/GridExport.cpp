#include "GridExport.h"

#include "GridModel.h"
#include "Workbook.h"

namespace GridExport {

QString fileName(int grid)
{
    switch (grid) {
    case 1:
        return QStringLiteral("lishi.xlsx");
    case 2:
        return QStringLiteral("Jiansuo.xlsx");
    default:
        return QStringLiteral("Jieguo.xlsx");
    }
}

bool write(GridModel &grid, const QString &path, QString *error)
{
    const bool written = Workbook::writeTextSheet(
        path, grid.rows(), grid.cols(), [&grid](int r, int c) { return grid.cellText(r, c); }, error);
    grid.setRow(grid.rows() - 1);
    grid.setCol(grid.cols() - 1);
    return written;
}

} // namespace GridExport
