#pragma once

#include "AppServices.h"

#include <QObject>
#include <functional>

class QMainWindow;
class QMenu;
struct MainWindowUi;

// The 帮助 menu and F1: the help pages shipped with the program, opened in the desktop's browser.
// F1 opens the page about what has the focus, the index when nothing in particular has it.
class HelpMenu : public QObject
{
    Q_OBJECT
public:
    HelpMenu(QMainWindow *window, const MainWindowUi &ui, const AppServices &services);

    // The page (a file name in the help folder) that F1 opens for `focus`.
    static QString pageFor(const QWidget *focus);
    QMenu *menu() const { return m_menu; }

signals:
    void statusMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open(const QString &page);
    void about();

    QMainWindow *m_window;
    AppServices m_services;
    QMenu *m_menu;
};
