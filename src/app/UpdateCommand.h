#pragma once

#include "AppServices.h"
#include "HistoryCommands.h"
#include "Settings.h"

#include <QObject>

// "历史号在线更新" and its settings: the results host and the days of history to keep.
class UpdateCommand : public QObject
{
    Q_OBJECT
public:
    UpdateCommand(const AppServices &services, HistoryCommands &commands, QWidget *dialogParent);

    int daysToKeep() const { return m_daysToKeep; }
    // Asks the results page for the draws after the last stored one and stores them.
    CommandOutcome run();
    // "开奖网址": asks for the results host and saves it; false when nothing was saved.
    bool askUpdateHost();
    void askDaysToKeep();

signals:
    // The page is loading: no other command may start, but the load can be cancelled.
    void loading(bool busy);
    void statusMessage(const QString &text);

private:
    AppServices m_services;
    HistoryCommands &m_commands;
    QWidget *m_parent;
    Settings m_settings;
    int m_daysToKeep = 3;
};
