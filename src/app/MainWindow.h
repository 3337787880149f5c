#pragma once

#include "FairDice.h"
#include "HistoryDb.h"
#include "HistorySnapshot.h"
#include "HistoryText.h"
#include "HistoryWriter.h"
#include "MainWindowUi.h"
#include "SearchResult.h"
#include "SearchState.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QMainWindow>

class Clock;
class Dialogs;
class Launcher;
class PageLoader;

// What the window needs from outside; tests hand in doubles.
struct AppServices
{
    Dialogs *dialogs = nullptr;
    Launcher *launcher = nullptr;
    Clock *clock = nullptr;
    PageLoader *pageLoader = nullptr;
    QString programFolder; // holds the database and every file the program writes
    QString helpFolder;    // the help pages shipped beside the executable
};

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const AppServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    static QString productTitle();

    // State that the controls drive, readable for tests and later commands.
    const SearchState &searchState() const { return m_search; }
    int gameIndex() const { return m_gameIndex; }
    int drawsPerDay() const { return m_drawsPerDay; }
    QString gameCode() const { return m_gameCode; }
    int daysToKeep() const { return m_daysToKeep; }
    qint32 currentIssue() const { return m_currentIssue; }
    QChar displayLetter() const;
    int combinationSize() const { return m_combinationSize; }
    bool redBall() const { return m_redBall; }
    bool historyOpen() const { return m_history.isOpen(); }
    HistoryDb &history() { return m_history; }
    const HistorySnapshot &snapshot() const { return m_snapshot; }
    // The outcome of the last command, as the status bar shows it.
    QString statusText() const;
    void showStatus(const QString &text);

    // The routines every change of the history ends with.
    void addHaoma();
    void qihaoXianshi();
    bool delrec();
    void patternRefresh();

private:
    void startUp();
    void openHistory();
    void reopenSnapshot();
    bool refuseSearchOnUnreadHistory();
    void fillHistoryGrid();
    void setRangeStart();
    void setRangeBoxes();
    void showNewHistory();
    // Before a command that reads or writes the history: take in what another process changed.
    void syncWithDisk();
    void connectControls();
    template<typename Control, typename Signal, typename Handler>
    void connectEach(const QHash<int, Control *> &controls, Signal signal, Handler handler);

    void onPositionOrPeriodClicked(int index);
    void onPreQiEdited();
    void onSearchKindClicked(int index);
    void onDisplayKindClicked(int index);
    void onTallyModeClicked();
    void onTallyPositionClicked(int index);
    void onRedBallClicked(int index);
    void onCombinationSizeLeft();
    void onTabClicked(int tab);
    void onCheck4Clicked();
    void verifyPattern();
    void onSearchClicked();
    void onCombinationSearchClicked();
    // Both result grids, the line under them and the chart's data, from one search.
    void showResult(SearchResult result);
    bool refuseSearchWithoutPattern();
    void openBacktest();
    void openTallyChart();
    Positions chosenPositions() const;
    IssueRange issueRange() const;
    void takePatternFrom(const QHash<int, QLineEdit *> &boxes);
    void switchGame(int index);
    // The selected game in the title; in the status bar, whose draws the history holds if not its.
    void showGame();
    bool historyOfOtherGame();
    void setSegmentBase(int base);
    void askDaysToKeep();
    void openHelpPage(const QString &page);
    // Opens a file the program wrote with the desktop's application, or says where it is.
    void openOrSayWhere(const QString &path, const QString &what);

    // Writers of the history.
    QString programFile(const QString &name) const;
    void onEntryChanged(int position);
    void storeTypedDraw();
    void onImportClicked();
    void importFile(const QString &path);
    void onDeleteLastClicked();
    void onClearClicked();
    void onKeepUpToClicked();
    void onDeleteLastCountClicked();
    bool dqzd(const HistoryWriter::Selection &keep);
    class WriteProgress
    {
    public:
        explicit WriteProgress(MainWindow &window);
        ~WriteProgress();

    private:
        MainWindow &m_window;
        QElapsedTimer m_clock;
    };
    void compactDb();
    void onExportClicked();
    void onUpdateClicked();
    // "开奖网址": asks for the results host and saves it; false when nothing was saved.
    bool askUpdateHost();
    void setCommandsEnabled(bool enabled);

    // Grids: wheel, pop-up menu, spreadsheet export.
    GridView *gridView(int n) const;
    void exportGrid(int n, bool fromMenu);
    void wheelEvent(QWheelEvent *event) override;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

    AppServices m_services;
    MainWindowUi m_ui;
    Settings m_settings;
    HistoryDb m_history;
    HistorySnapshot m_snapshot;

    SearchState m_search;
    int m_gameIndex = 0;
    int m_drawsPerDay = 78;
    QString m_gameCode;
    int m_daysToKeep = 3;
    qint32 m_currentIssue = 0;
    int m_combinationSize = 2;
    bool m_redBall = false;
    std::shared_ptr<const SearchResult> m_lastResult;
    FairDice::Fairness m_lastFairness;
    QString m_verifyProblem; // why tab 3 has no pattern; empty when it has one
    int m_shownTab = 0;
    bool m_copyFailed = false;  // the history could not be read into memory
    bool m_entryPaused = false; // a draw was just stored: clearing the boxes is no input
};
