#pragma once

#include "AppServices.h"
#include "MainWindowUi.h"
#include "Settings.h"

#include <QObject>
#include <functional>

class AutoUpdate;
class DrawClockIndicator;
class Dialogs;
class FollowedGames;
class HistoryCommands;
class SearchOptionsPanel;
class UpdateCommand;

// The 设置 menu's own entries: 段数设置, the results host, the days to keep, the draws a day of
// each game and the automatic update (which it keeps).
class SettingsMenu : public QObject
{
    Q_OBJECT
public:
    // `busy` says when a command, a dialog or a search holds the window: the automatic update waits.
    SettingsMenu(QWidget *window, MainWindowUi &ui, const AppServices &services, HistoryCommands &commands,
                 UpdateCommand &update, SearchOptionsPanel &options, std::function<bool()> busy,
                 FollowedGames &followed);

    AutoUpdate &autoUpdate() const { return *m_autoUpdate; }
    DrawClockIndicator &drawClock() const { return *m_clock; }

    // 设置 → 每日投注限额…: asks for the limit in 元 (0 or nothing: none) and saves it.
    void askDailyLimit(Dialogs &dialogs);

signals:
    // The draws a day were set: the selected game is taken again with its new number.
    void drawsPerDayChanged();
    void statusMessage(const QString &text);

private:
    QWidget *m_window;
    MainWindowUi &m_ui;
    Settings m_settings;
    AutoUpdate *m_autoUpdate = nullptr;
    DrawClockIndicator *m_clock = nullptr;
};
