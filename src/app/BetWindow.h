#pragma once

#include "AppServices.h"
#include "Ledger.h"

#include <QDialog>

class GridModel;
class HistoryCommands;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

// "投注记录": the player's own bets, settled against the stored draws every time the history
// changes, with what they spent and won and what fair dice would have given.
class BetWindow : public QDialog
{
    Q_OBJECT
public:
    BetWindow(HistoryCommands *commands, const AppServices &services, QWidget *parent = nullptr);

    // Reads the bets again and settles them on the history as it is now.
    void refresh();
    // 全部彩种: every game's bets, each naming its game, with each game's totals and the sum.
    void showAllGames(bool all);
    bool showsAllGames() const { return m_allGames; }
    // Places the bet the form describes; false (the form says why) when it cannot be.
    bool addBet();
    // Removes the bet of a table row (from 1, newest first) after asking.
    bool removeRow(int row);
    void exportTable();
    // 追号…: a chase plan made and placed in its dialog, from the form's play, numbers and issue.
    void openChase();
    static QString fileName() { return QStringLiteral("Touzhu.xlsx"); }
    static QString allGamesFileName() { return QStringLiteral("TouzhuQuanbu.xlsx"); }

    // Newest first, as the table shows them (in 全部彩种, game after game); each one's game.
    const std::vector<Ledger::Settled> &bets() const { return m_bets; }
    const std::vector<int> &betGames() const { return m_betGames; }
    const Ledger::Totals &totals() const { return m_totals; }
    GridModel *grid() const { return m_grid; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What to ask before a bet on an issue dated before the last stored draw or after tomorrow.
    QString dateQuestion(qint32 issue) const;
    void showChart();
    // What the bets placed today (over every game) cost, and "今天已投注 X 元，每日限额 Y 元"
    // under a limit.
    qint64 placedToday() const;
    QString todayLine() const;
    // Reads every game's bets into the table; the summary's lines.
    QString readAllGames();

    HistoryCommands *m_commands;
    AppServices m_services;
    std::vector<Ledger::Settled> m_bets;
    std::vector<int> m_betGames;
    bool m_allGames = false;
    QComboBox *m_scope;
    Ledger::Totals m_totals;

    QLineEdit *m_issue;
    QComboBox *m_play;
    QLineEdit *m_numbers;
    QSpinBox *m_multiple;
    QPushButton *m_add;
    QLabel *m_formNote;
    GridModel *m_grid;
    QTableView *m_table;
    QLabel *m_summary;
    QChartView *m_chart;
    bool m_issueTyped = false; // the issue box holds the user's own issue
    int m_shownGame = -1;      // the game the window shows (the issue box follows it)
};
