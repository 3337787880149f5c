#pragma once

#include "FairDice.h"
#include "SearchResult.h"
#include "SearchState.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class GridModel;
class GridView;
class QLabel;
struct SearchQuery;
class TallyChartDialog;

// The results area: what followed the pattern (MSFlexGrid2), its tally (MSFlexGrid3) and the
// line that compares the tally with fair dice. It keeps the last search for the tally chart.
class ResultsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget *parent = nullptr);

    GridModel *resultGrid() const { return m_grid2; }
    GridModel *tallyGrid() const { return m_grid3; }
    GridView *resultView() const { return m_view2; }
    GridView *tallyView() const { return m_view3; }

    // The headers before the first search, so that a new user sees what comes.
    void showHeaders(bool previousDraw);
    // Both grids, the fair-dice line and the chart's data, from one search; its `conditions`
    // go with the result workbooks.
    void show(SearchResult result, const SearchState &state, const FairDice::Order &order,
              QList<QPair<QString, QString>> conditions = {});
    const QList<QPair<QString, QString>> &conditions() const { return m_conditions; }
    // What a workbook of the statistics keeps under its rows: the fair-dice line.
    QStringList notes() const;
    // The history (or, with `options`, the search options) changed after the last search: its
    // answers are marked as of the old history or options until the next search (the chart too).
    void markStale(bool options = false);
    bool isStale() const;
    QString staleNote() const;
    static QString staleText();
    static QString optionsChangedText();
    // On the verify tab: the verified issue's own draw, when it is stored, against the last
    // search's tally, its rows marked (nothing hides it).
    void showVerified(const HistorySnapshot &history, std::optional<qint32> issue, const SearchState &state);
    QString verifiedText() const;
    // While a search fills the list, the list is not painted row by row.
    void hideList();
    // Runs the follow search the query asks for (the combination search of `size` numbers when
    // it is not 0) on `history` and shows it, on the verify tab with the `verified` issue's own
    // draw; what the status bar says of it.
    QString search(const HistorySnapshot &history, const SearchQuery &q, int size, std::optional<qint32> verified);

    std::shared_ptr<const SearchResult> lastResult() const { return m_lastResult; }
    // The tally chart of the last search; false when there was none.
    bool openTallyChart();
    const FairDice::Fairness &lastFairness() const { return m_lastFairness; }

private:
    GridModel *m_grid2 = nullptr;
    GridModel *m_grid3 = nullptr;
    GridView *m_view2 = nullptr;
    GridView *m_view3 = nullptr;
    QLabel *m_fairness = nullptr;
    QLabel *m_stale = nullptr;
    QLabel *m_verified = nullptr;
    std::shared_ptr<const SearchResult> m_lastResult;
    QList<QPair<QString, QString>> m_conditions;
    FairDice::Fairness m_lastFairness;
    QPointer<TallyChartDialog> m_tallyChart; // open, or gone
};
