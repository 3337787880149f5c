#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <variant>

// A new spreadsheet workbook (Office Open XML, written with libxlsxwriter) whose first sheet,
// "Sheet1", holds text cells.
namespace Workbook {

// Asks for the text of every cell, row by row (rows × cols, from 0), and writes the workbook to
// `path`. An existing file there is only replaced by a complete new one. False, with `error`
// set, when the file could not be written.
bool writeTextSheet(const QString &path, int rows, int cols, const std::function<QString(int, int)> &text,
                    QString *error);

// A share shown as a percentage ("12.345%" is 0.12345), computed with as a number.
struct Percent
{
    double fraction = 0;
};

// Text on a coloured cell, as a grid shows its marked cells (an empty text still colours it).
struct Marked
{
    QString text;
};

// A number shown with two decimals (31.75), kept as that number.
struct TwoPlaces
{
    double value = 0;
};

// A cell: text, or a number that a spreadsheet can compute with. An empty text is no cell.
using Cell = std::variant<QString, double, Percent, Marked, TwoPlaces>;

// The cell a grid's text stands for: whole and decimal numbers as numbers, "12.345%" as a
// percentage, anything else (words, several numbers in one cell) as the text itself.
Cell fromText(const QString &text);

struct Sheet
{
    QString name;
    int rows = 0;
    int cols = 0;
    std::function<Cell(int, int)> cell;
};

// Several sheets, in order, under the same rules as writeTextSheet; `title` goes into the document
// properties (the game and what the workbook holds).
bool write(const QString &path, const QList<Sheet> &sheets, QString *error, const QString &title = {});

} // namespace Workbook
