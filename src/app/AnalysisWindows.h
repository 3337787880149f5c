#pragma once

#include "Backtest.h"
#include "FairDice.h"
#include "HistorySnapshot.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <QDialog>
#include <memory>

class Dialogs;
class GridModel;
class Launcher;
class QChartView;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

class QChart;

class QAreaSeries;
class QLineSeries;
struct ChartScale;

// The light blue ±2σ band between two edges (it takes them over), named for a reader.
QAreaSeries *sigmaBand(QLineSeries *upper, QLineSeries *lower);
// A value axis on `side` for every series of the chart.
void addValueAxis(QChart *chart, const ChartScale &scale, Qt::Alignment side, const QString &title);

// The chart's value axis over `span` with no more ticks than its plot's height can label (Qt
// Charts drops labels that would overlap); call again when the plot changes size.
void fitValueAxis(QChart *chart, std::pair<double, double> span);

// "跟号回测": the walk-forward backtest of the window's current options over a range of issues,
// its summary, a chart of hits against what fair dice give, and the issues in a table.
class BacktestDialog : public QDialog
{
    Q_OBJECT
public:
    BacktestDialog(HistorySnapshot history, const SearchState &state, const Positions &chosen,
                   Dialogs *dialogs, Launcher *launcher, const QString &exportFolder,
                   QWidget *parent = nullptr);
    ~BacktestDialog() override;

    void run();
    // How long a run goes before it shows its progress and its cancel button (tests: 0).
    void setProgressDelay(int ms) { m_progressAfterMs = ms; }
    const Backtest::Summary *summary() const { return m_summary ? &*m_summary : nullptr; }
    // "Huice_<from>-<to>.xlsx": runs over other ranges do not overwrite each other.
    QString exportName() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showSummary();
    void clearChart();
    // The value axis's ticks, as many as the chart's height can label.
    void fitValueAxis();
    void exportTable();

    HistorySnapshot m_history; // the window's copy as it was when the dialog opened
    SearchState m_state;
    Positions m_chosen;
    Dialogs *m_dialogs;
    Launcher *m_launcher;
    QString m_exportFolder;
    std::optional<Backtest::Summary> m_summary;
    bool m_cancelled = false;
    int m_progressAfterMs = 300;

    QLineEdit *m_from;
    QLineEdit *m_to;
    QSpinBox *m_top;
    QPushButton *m_run;
    QPushButton *m_cancel;
    QPushButton *m_export;
    QProgressBar *m_progress;
    QLabel *m_result;
    QLabel *m_exported = nullptr; // where the last export went
    QChartView *m_chart;
    std::pair<double, double> m_valueSpan; // lowest and highest value the chart must show
    GridModel *m_grid;
    QTableView *m_table;
};

// "统计图表": the last search's tally as bars, observed against what fair dice give, with the
// range fair dice usually stay in around each expected bar.
class TallyChartDialog : public QDialog
{
    Q_OBJECT
public:
    TallyChartDialog(const SearchResult &result, const FairDice::Fairness &fairness,
                     QWidget *parent = nullptr);
    // A new search's tally in place of the one shown.
    void show(const SearchResult &result, const FairDice::Fairness &fairness);
    using QDialog::show;
    // The history changed since the tally shown: say so until the next search.
    void setStale(bool stale);

private:
    QChartView *m_view;
    QLabel *m_stale;
};
