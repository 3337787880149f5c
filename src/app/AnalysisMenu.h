#pragma once

#include "AppServices.h"

#include <QObject>
#include <QPointer>
#include <functional>

class HistoryCommands;
class QMainWindow;
class ResultsPanel;
class SearchOptionsPanel;
class TrendWindow;
class BetWindow;
struct MainWindowUi;

// The 分析 menu: the backtest, the 走势与遗漏 and 投注记录 windows and the tally chart, each opened on the
// history as it is (`sync` takes in another program's change first).
class AnalysisMenu : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        HistoryCommands *commands;
        SearchOptionsPanel *options;
        ResultsPanel *results;
        QWidget *historySide; // what the trend window may cover when there is no room beside
    };
    AnalysisMenu(QMainWindow *window, const MainWindowUi &ui, const AppServices &services, Parts parts,
                 std::function<void()> sync);

    TrendWindow *trendWindow() const;
    BetWindow *betWindow() const;
    // The open trend window follows the history.
    void refresh();
    void openBacktest();
    // 走势与遗漏: one window beside the main one, raised when open.
    void openTrend();
    // 投注记录: one window, raised when open.
    void openBets();
    // 设置 → 奖金表…: the province's prizes, saved in the settings.
    void editPrizes();

signals:
    void statusMessage(const QString &text);

private:
    void placeBeside(QWidget *window);

protected:
    // Where the user leaves a window is kept for the next time it opens.
    bool eventFilter(QObject *watched, QEvent *event) override;

    QMainWindow *m_window;
    AppServices m_services;
    Parts m_parts;
    std::function<void()> m_sync;
    QPointer<TrendWindow> m_trend; // open, or gone
    QPointer<BetWindow> m_bets;
};
