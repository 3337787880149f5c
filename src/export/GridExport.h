#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class GridModel;

// Sending a grid to a spreadsheet: every cell, headers included, as the text the grid shows.
namespace GridExport {

// "lishi.xlsx", "Jiansuo.xlsx", "Jieguo.xlsx" for the history, result and statistics grids.
QString fileName(int grid);

// Writes the grid into the first sheet of a new workbook at `path`, numbers as numbers and
// percentages as percentages, and `notes` under its rows after a blank row; with `conditions`, a
// second sheet 检索条件 lists them (label, value). The grid's current cell ends on its bottom-right
// cell.
bool write(GridModel &grid, const QString &path, QString *error,
           const QList<QPair<QString, QString>> &conditions = {}, const QStringList &notes = {},
           const QString &title = {});

} // namespace GridExport
