#pragma once

#include <QString>
#include <functional>

// A new spreadsheet workbook (Office Open XML, written with libxlsxwriter) whose first sheet,
// "Sheet1", holds text cells.
namespace Workbook {

// Asks for the text of every cell, row by row (rows × cols, from 0), and writes the workbook to
// `path`. An existing file there is only replaced by a complete new one. False, with `error`
// set, when the file could not be written.
bool writeTextSheet(const QString &path, int rows, int cols, const std::function<QString(int, int)> &text,
                    QString *error);

} // namespace Workbook
