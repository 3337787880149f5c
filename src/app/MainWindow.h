#pragma once

#include "AnalysisMenu.h"
#include "AppServices.h"
#include "HistoryCommands.h"
#include "MainWindowUi.h"
#include "Settings.h"

#include <QMainWindow>
#include <QPointer>

class AnalysisMenu;
class GridActions;
class MergeCommand;
class HistoryPanel;
class ResultsPanel;
class SearchOptionsPanel;
class TrendWindow;
class BetWindow;
class TrimCommands;
class UpdateCommand;
class AutoUpdate;
class FollowedGames;

// The main window composes the panels (history, search options, results) and the history
// commands, holds the menus and the status label, and connects them. Every change of the
// history ends in refresh(), which brings the panels up to date in one fixed order.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const AppServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    static QString productTitle();

    HistoryPanel &historyPanel() const { return *m_historyPanel; }
    SearchOptionsPanel &searchOptions() const { return *m_options; }
    ResultsPanel &results() const { return *m_results; }
    TrendWindow *trendWindow() const { return m_analysis->trendWindow(); }
    BetWindow *betWindow() const { return m_analysis->betWindow(); }
    HistoryCommands &commands() const { return *m_commands; }
    UpdateCommand &update() const { return *m_update; }
    AutoUpdate &autoUpdate() const { return *m_autoUpdate; }
    MergeCommand &merging() const { return *m_merge; }
    TrimCommands &trimming() const { return *m_trim; }
    HistoryDb &history() const { return m_commands->history(); }
    const HistorySnapshot &snapshot() const { return m_commands->snapshot(); }
    // The outcome of the last command, as the status bar shows it.
    QString statusText() const;
    void showStatus(const QString &text);

    // The panels follow the history as it is in memory now (after a change, or a reload).
    void refresh(const CommandOutcome &change = {});

private:
    void connectControls();
    // Shows what a command did: its message box, the panels if the history changed, its status.
    void finish(const CommandOutcome &outcome);
    // Before a command that reads or writes the history: take in what another program changed.
    void syncWithDisk();
    void runSearch(bool combination);
    void switchGame(int index);
    // The selected game in the title; in the status bar, whose draws the history holds if not its.
    void showGame();
    void setCommandsEnabled(bool enabled);
    void changeEvent(QEvent *event) override;

    AppServices m_services;
    MainWindowUi m_ui;
    Settings m_settings;
    HistoryCommands *m_commands = nullptr;
    UpdateCommand *m_update = nullptr;
    AutoUpdate *m_autoUpdate = nullptr;
    FollowedGames *m_followed = nullptr;
    TrimCommands *m_trim = nullptr;
    HistoryPanel *m_historyPanel = nullptr;
    SearchOptionsPanel *m_options = nullptr;
    ResultsPanel *m_results = nullptr;
    GridActions *m_grids = nullptr;
    MergeCommand *m_merge = nullptr;
    AnalysisMenu *m_analysis = nullptr;
};
