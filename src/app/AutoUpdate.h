#pragma once

#include "AppServices.h"
#include "HistoryCommands.h"

#include <QObject>
#include <QTimer>
#include <functional>

class QMenu;

// 设置 → 自动更新: while the window is open, the update's append path for the selected game every
// few minutes, without a dialog and without holding the window up. The status bar says what came
// of it and when the next one runs.
class AutoUpdate : public QObject
{
    Q_OBJECT
public:
    static constexpr int choices[] = {0, 5, 10, 20, 30}; // minutes; 0: 关
    static constexpr int longestMinutes = 60;
    // A page the automatic update waits for no longer than this: it never holds anything up.
    static constexpr int waitLimitMs = 10'000;

    // `busy` says when a command, a dialog or a search is running: the update waits for it.
    AutoUpdate(const AppServices &services, HistoryCommands &commands, std::function<bool()> busy,
               QObject *parent = nullptr);

    // Fills the submenu (关 and the intervals), disabled while no results host is set.
    void fillMenu(QMenu *menu);
    // The setting or the results host changed, or the update ran by hand: the wait starts again.
    void restart();
    // Runs one automatic update now (the timer's work).
    void runNow();
    bool isActive() const { return m_timer.isActive(); }
    // The wait before the next run; doubled after each failure, up to an hour.
    int intervalMs() const { return m_intervalMs; }

signals:
    // New draws were stored: the window follows them as after any change.
    void changed(const CommandOutcome &outcome);
    void statusMessage(const QString &text);

private:
    int baseIntervalMs() const;
    void scheduleNext(int ms, const QString &said);

    AppServices m_services;
    HistoryCommands &m_commands;
    std::function<bool()> m_busy;
    QTimer m_timer;
    int m_intervalMs = 0;
    bool m_running = false; // a page is awaited
    QMenu *m_menu = nullptr;
};
