#pragma once

#include "AppServices.h"
#include "HistorySnapshot.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimer;
class TrendModel;

// "走势与遗漏": the trend chart of the newest draws and the omission table, with what fair dice
// say of both. It stays open beside the main window and follows every change of the history.
class TrendWindow : public QDialog
{
    Q_OBJECT
public:
    TrendWindow(std::function<const HistorySnapshot &()> history, const AppServices &services,
                QWidget *parent = nullptr);

    // Shows the history as it is now (the main window calls this after every change).
    void refresh();
    // The selected game, which the title and the exports name.
    void setGame(std::function<int()> game);

    QTabWidget *tabs() const { return m_tabs; }
    TrendModel *trendModel() const { return m_trend; }
    QStandardItemModel *omissionModel() const { return m_omission; }
    QTableView *trendView() const { return m_trendView; }
    QTableView *omissionView() const { return m_omissionView; }
    QComboBox *trendLength() const { return m_length; }
    QLabel *trendRange() const { return m_trendRange; }
    // How long a typed N waits for the next keystroke before it is applied.
    static constexpr int lengthPauseMs = 400;
    QRadioButton *recentRange() const { return m_recent; }
    QSpinBox *rangeLength() const { return m_rangeLength; }
    QRadioButton *wholeRange() const { return m_whole; }
    QLabel *independenceLine() const { return m_independence; }
    QString statusText() const;

    // Writes grid 0 (走势图) or 1 (遗漏统计) to its workbook and opens it.
    void exportGrid(int grid);
    static QString fileName(int grid);
    // 遗漏提醒…: asks at what omission the selected value of the omission table is to be told
    // (0: no longer), for the game shown.
    void setAlert();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<int()> m_game;
    void showGame();
    void showTrend();
    // A typed or chosen N: Enter reaches here twice (the line edit's signal and the box's own),
    // and a second time finds nothing new to show.
    void applyLength();
    void fitTrendColumns();
    void showOmission();

    std::function<const HistorySnapshot &()> m_history;
    AppServices m_services;
    QTabWidget *m_tabs;
    QComboBox *m_length;
    QTimer *m_lengthPause;
    QString m_shownLength; // the N the rows show
    QLabel *m_trendRange;
    TrendModel *m_trend;
    QTableView *m_trendView;
    QRadioButton *m_recent;
    QSpinBox *m_rangeLength;
    QRadioButton *m_whole;
    QStandardItemModel *m_omission;
    QTableView *m_omissionView;
    QLabel *m_independence;
    QLabel *m_status;
    bool m_omissionStale = false; // the history changed while the trend tab was shown
    QStringList m_omissionNotes;  // the range and independence lines of the table shown
};
