#pragma once

#include "AppServices.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <array>
#include <functional>

class GridView;
class QMainWindow;

// Opens a file the program wrote with the desktop's application; the status line that says so,
// or where the file is when nothing could open it.
QString openOrSayWhere(Launcher &launcher, const QString &path, const QString &what);

// Export files keep their fixed names (people and scripts rely on them): one last written for
// another game is replaced only when the user says so. False when the user said no.
bool mayWriteExport(Dialogs &dialogs, QWidget *parent, const QString &path, int game);
// After an export was written: which game it holds now.
void exportWritten(const QString &path, int game);
// The workbook's title: its game and what it holds ("福建快3 历史号码").
QString exportTitle(int game, const QString &what);

// What the mouse does on the three grids: a double click copies a grid into a workbook and opens
// it; a wheel turn that no control under the mouse took scrolls the grid with the focus.
class GridActions : public QObject
{
    Q_OBJECT
public:
    GridActions(QMainWindow *window, const AppServices &services, std::array<GridView *, 3> views);

    // Writes grid n (1..3) to its workbook; from the menu, the history grid is not painted meanwhile.
    void exportGrid(int n, bool fromMenu);
    // Called before the history grid is exported (the window takes in other programs' writes).
    std::function<void()> beforeHistoryExport;
    // The last search's conditions, for the result workbooks' second sheet.
    std::function<QList<QPair<QString, QString>>()> searchConditions;
    // What goes under the statistics grid's rows (the fair-dice line).
    std::function<QStringList()> statisticsNotes;
    // The selected game, which every export names.
    std::function<int()> game;

signals:
    void statusMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow *m_window;
    AppServices m_services;
    std::array<GridView *, 3> m_views;
};
