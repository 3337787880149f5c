#pragma once

#include <QString>

class GridModel;

// Sending a grid to a spreadsheet: every cell, headers included, as the text the grid shows.
namespace GridExport {

// "lishi.xlsx", "Jiansuo.xlsx", "Jieguo.xlsx" for the history, result and statistics grids.
QString fileName(int grid);

// Writes the grid into the first sheet of a new workbook at `path`; the grid's current cell ends
// on its bottom-right cell.
bool write(GridModel &grid, const QString &path, QString *error);

} // namespace GridExport
