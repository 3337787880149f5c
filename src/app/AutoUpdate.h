#pragma once

#include "AppServices.h"
#include "DrawClockIndicator.h"
#include "HistoryCommands.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QStatusBar;
class QMenu;

// 设置 → 自动更新: while the window is open, every followed game (and the selected one) is brought
// up to date from the results page, one game after another, each with its own timer and its own
// wait after failures, without a dialog and without holding the window up. A game whose draw
// schedule is known is fetched a minute after each draw is due, then every minute until it comes
// (at most maxTries times, then the failures' wait); any other every few minutes (the setting).
// The status bar says what came of the selected game's; its indicator's tooltip lists every game's.
class AutoUpdate : public QObject
{
    Q_OBJECT
public:
    static constexpr int choices[] = {0, 5, 10, 20, 30}; // minutes; 0: 关
    static constexpr int longestMinutes = 60;
    // A page the automatic update waits for no longer than this: it never holds anything up.
    static constexpr int waitLimitMs = 10'000;
    // A known schedule: the first fetch this long after a draw is due, and again as often until it
    // is stored, at most maxTries times.
    static constexpr int afterDrawMs = 60'000;
    static constexpr int maxTries = 10;

    // `busy` says when a command, a dialog or a search is running: the update waits for it.
    // `followed` gives the followed games.
    AutoUpdate(const AppServices &services, HistoryCommands &commands, std::function<bool()> busy,
               std::function<std::vector<int>()> followed, QObject *parent = nullptr);

    // Fills the submenu (关 and the intervals), disabled while no results host is set.
    void fillMenu(QMenu *menu);
    // The setting or the results host changed: every game's wait starts again.
    void restart();
    // The game was updated by hand: its wait starts again.
    void restartGame(int game);
    // The followed games or the selected one changed: games are added or dropped, the others'
    // timers and waits kept.
    void syncGames();
    // The selected game's history changed: a draw awaited by the schedule may have come.
    void historyChanged();
    // Runs one automatic update of the selected game (or of `game`) now (the timer's work).
    void runNow();
    void runNow(int game);
    bool isActive() const { return isActive(m_commands.game().index); }
    bool isActive(int game) const;
    // The wait before the next run; doubled after each failure, up to an hour.
    int intervalMs() const { return intervalMs(m_commands.game().index); }
    int intervalMs(int game) const;
    // The wait the game's timer was last given.
    int waitMs(int game) const;
    // The fetches for the awaited draw since it was due (a known schedule only).
    int tries(int game) const;
    // The status bar's indicator: the selected game's last result, every game's in its tooltip
    // ("江苏快3：新增 1 期（261209026），下次 17:31").
    QLabel *indicator() const { return m_indicator; }
    // Puts the indicator at the status bar's right end.
    void showIn(QStatusBar *bar);

signals:
    // New draws were stored in the selected game's history: the window follows them.
    void changed(const CommandOutcome &outcome);
    void statusMessage(const QString &text);

private:
    struct Game
    {
        std::unique_ptr<QTimer> timer;
        int intervalMs = 0;
        QString last;   // what came of the last run ("新增 1 期（261209026）", "更新失败：…")
        QDateTime lastAt; // when it ran
        QDateTime next;   // when the next one runs
        int waitMs = 0;   // the timer's last wait
        std::optional<qint32> awaited; // the issue the schedule says comes next
        int tries = 0;                 // fetches since it was due
    };
    struct Result
    {
        QString said; // "新增 2 期（161212022）", or why it failed
        bool failed = false;
        QString notices; // desktop notices no service showed ("；福建快3 161212022 期：5 6 2")
        int added = 0;
        bool skipped = false; // nothing fetched (the history needs replacing)
    };

    int baseIntervalMs() const;
    Game &gameState(int game);
    void scheduleNext(int game, int ms, const Result &result);
    // The game's timer went off: a fetch, unless its draw is not yet due (a long wait is set an hour
    // at a time, as a sleeping computer's timer runs late).
    void timerFired(int game);
    // The wait before the game's next run, after `ran` (or when its timer is set anew); a draw
    // awaited and late is said in `ran`.
    int plan(int game, Result *ran);
    std::optional<NextDraw> awaitedDraw(int game);
    void startTimer(int game, int ms);
    // The selected game's update, over the window's history.
    Result updateSelected();
    // Another game's, over its own history file.
    Result updateOther(int game);
    void showIndicator();
    // Desktop notices of the draws after `before` now in `after` and of the bets they settled, unless
    // the window is being looked at; what could not be shown so is returned for the status bar.
    QString announce(int game, HistoryDb &db, const HistorySnapshot &after, qint32 before);
    // The game's omission alerts that its history now reaches, as notices (each fired once, armed
    // again below its mark; the states saved).
    QStringList reachedAlerts(int game, const HistorySnapshot &history);
    // Shows the notices on the desktop; what could not be shown so is returned for the status bar.
    QString deliver(const QStringList &notices);

    AppServices m_services;
    HistoryCommands &m_commands;
    std::function<bool()> m_busy;
    std::function<std::vector<int>()> m_followed;
    std::map<int, Game> m_games;
    bool m_running = false; // a page is awaited
    QMenu *m_menu = nullptr;
    QLabel *m_indicator = nullptr;
};
