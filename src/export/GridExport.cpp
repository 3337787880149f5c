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

bool write(GridModel &grid, const QString &path, QString *error, const QList<QPair<QString, QString>> &conditions,
           const QStringList &notes, const QString &title)
{
    const int rows = grid.rows();
    const int extra = notes.isEmpty() ? 0 : int(notes.size()) + 1;
    QList<Workbook::Sheet> sheets{{QStringLiteral("Sheet1"), rows + extra, grid.cols(), [&](int r, int c) {
                                       if (r >= rows) // a blank row, then the notes in the first column
                                           return Workbook::Cell(r > rows && c == 0 ? notes[r - rows - 1] : QString());
                                       // The header row stays text even where a caption is a number.
                                       const QString text = grid.cellText(r, c);
                                       return r == 0 ? Workbook::Cell(text) : Workbook::fromText(text);
                                   }}};
    if (!conditions.isEmpty())
        sheets.append({QStringLiteral("检索条件"), int(conditions.size()), 2, [&conditions](int r, int c) {
                           const QPair<QString, QString> &row = conditions[r];
                           return c == 0 ? Workbook::Cell(row.first) : Workbook::fromText(row.second);
                       }});
    const bool written = Workbook::write(path, sheets, error, title);
    grid.setRow(grid.rows() - 1);
    grid.setCol(grid.cols() - 1);
    return written;
}

} // namespace GridExport
