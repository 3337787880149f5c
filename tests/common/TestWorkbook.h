#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A workbook as an independent reader (openpyxl) sees it: every sheet's name and cells, each cell
// as text (a whole number without ".0") and as its kind ("n" a number, "p" a number shown as a
// percentage, "s" text, "" no cell), after an "m" when the cell is coloured (a marked cell).
struct Sheet
{
    QString name;
    QList<QStringList> rows;
    QList<QStringList> kinds;
    QString title; // the workbook's, from its document properties
};

QList<Sheet> readWorkbookSheets(const QString &path);
// The first sheet alone.
Sheet readWorkbook(const QString &path);
