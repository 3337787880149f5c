#include "ResultsPanel.h"

#include "AnalysisWindows.h"
#include "BusyCursor.h"
#include "CombinationSearch.h"
#include "FollowSearch.h"
#include "GridModel.h"
#include "GridView.h"
#include "ResultGrids.h"
#include "SearchOptionsPanel.h"
#include "Widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

using Widgets::named;

ResultsPanel::ResultsPanel(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Answers of an earlier history stay in view, but never unmarked.
    m_stale = named(new QLabel(staleText()), QStringLiteral("lblStale"));
    m_stale->setWordWrap(true);
    m_stale->setStyleSheet(QStringLiteral("color: #a0400a; font-weight: bold"));
    m_stale->setVisible(false);
    layout->addWidget(m_stale);
    m_verified = named(new QLabel, QStringLiteral("lblYanzheng"));
    m_verified->setWordWrap(true);
    m_verified->setAccessibleName(QStringLiteral("验证结果"));
    m_verified->setVisible(false);
    layout->addWidget(m_verified);
    m_grid2 = new GridModel(this);
    m_view2 = named(new GridView(m_grid2), QStringLiteral("MSFlexGrid2"));
    m_view2->setToolTip(QStringLiteral("鼠标双击列表可以将列表导出到EXCEL"));
    m_view2->setAccessibleName(QStringLiteral("检索结果"));
    layout->addWidget(m_view2, 3);
    m_grid3 = new GridModel(this);
    m_view3 = named(new GridView(m_grid3), QStringLiteral("MSFlexGrid3"));
    m_view3->setAccessibleName(QStringLiteral("结果统计"));
    for (GridView *view : {m_view2, m_view3})
        view->setStretchToWidth(true);
    layout->addWidget(m_view3, 0);
    m_fairness = named(new QLabel, QStringLiteral("lblFairness"));
    m_fairness->setWordWrap(true);
    m_fairness->setAccessibleName(QStringLiteral("公平骰子比较"));
    layout->addWidget(m_fairness);

    m_grid2->setCols(5);
    m_grid2->setRows(1);
    const int resultWidths[] = {1200, 680, 680, 680, 1800};
    for (int c = 0; c < 5; ++c)
        m_grid2->setColWidth(c, resultWidths[c]);
    m_grid3->setCols(5);
    m_grid3->setRows(1);
    const int tallyWidths[] = {480, 680, 800, 880, 880};
    for (int c = 0; c < 5; ++c)
        m_grid3->setColWidth(c, tallyWidths[c]);
    showHeaders(true);
    // The statistics grid shows its header and six rows (the most a tally of one number has) at
    // any window size; the list takes the rest of the height.
    m_view3->setFixedHeight(m_view3->verticalHeader()->defaultSectionSize() * 6 +
                            m_view3->horizontalHeader()->sizeHint().height() + 2 * m_view3->frameWidth());
}

void ResultsPanel::showHeaders(bool previousDraw)
{
    const QString resultHeader[] = {QStringLiteral("期号"), QStringLiteral("第1位"), QStringLiteral("第2位"),
                                    QStringLiteral("第3位"),
                                    previousDraw ? QStringLiteral("上期开奖") : QStringLiteral("前期开奖")};
    for (int c = 0; c < 5; ++c)
        m_grid2->setCellText(0, c, resultHeader[c]);
    const QString tallyHeader[] = {QStringLiteral("序号"), QStringLiteral("结果"), QStringLiteral("出现次数"),
                                   QStringLiteral("百分比"), QStringLiteral("期望次数")};
    for (int c = 0; c < 5; ++c)
        m_grid3->setCellText(0, c, tallyHeader[c]);
}

void ResultsPanel::show(SearchResult result, const SearchState &state, const FairDice::Order &order,
                        QList<QPair<QString, QString>> conditions)
{
    m_stale->setVisible(false);
    m_verified->setVisible(false);
    m_grid3->setMarkedRows({});
    m_conditions = std::move(conditions);
    m_lastResult = std::make_shared<const SearchResult>(std::move(result));
    m_lastFairness = FairDice::of(*m_lastResult, state, order);
    ResultGrids::fill(*m_grid2, *m_grid3, m_lastResult, &m_lastFairness);
    m_fairness->setText(m_lastResult->rows.empty() ? QString() : FairDice::summaryLine(m_lastFairness));
    // A screen reader reads the line by its name and the χ² and p as its description.
    m_fairness->setAccessibleDescription(m_fairness->text());
    // An open chart follows the latest search; one with nothing to show closes.
    if (m_tallyChart && m_tallyChart->isVisible()) {
        if (m_lastResult->rows.empty())
            m_tallyChart->close();
        else
            m_tallyChart->show(*m_lastResult, m_lastFairness);
    }
}

void ResultsPanel::showVerified(const HistorySnapshot &history, std::optional<qint32> issue, const SearchState &state)
{
    const int at = issue ? history.lowerBound(*issue) : history.count();
    std::vector<int> rows;
    QString line;
    if (m_lastResult && at < history.count() && history.issue(at) == *issue)
        line = ResultGrids::verifiedLine(*m_lastResult, state, *issue, history.numbers(at), &rows);
    m_verified->setText(line);
    m_verified->setVisible(!line.isEmpty());
    m_grid3->setMarkedRows(rows);
}

QString ResultsPanel::verifiedText() const
{
    return m_verified->isHidden() ? QString() : m_verified->text();
}

QStringList ResultsPanel::notes() const
{
    return m_fairness->text().isEmpty() ? QStringList() : QStringList{m_fairness->text()};
}

QString ResultsPanel::staleText()
{
    return QStringLiteral("历史号码已改变，以下是改变前的检索结果；按 检索 重新检索");
}

QString ResultsPanel::optionsChangedText()
{
    return QStringLiteral("检索条件已改变，以下是改变前的检索结果；按 检索 重新检索");
}

QString ResultsPanel::staleNote() const
{
    return isStale() ? m_stale->text() : QString();
}

void ResultsPanel::markStale(bool options)
{
    if (!m_lastResult)
        return;
    m_stale->setText(options ? optionsChangedText() : staleText());
    m_stale->setVisible(true);
    if (m_tallyChart)
        m_tallyChart->setStale(true);
}

bool ResultsPanel::isStale() const
{
    return !m_stale->isHidden();
}

void ResultsPanel::hideList()
{
    m_grid2->setVisible(false);
}

bool ResultsPanel::openTallyChart()
{
    if (!m_lastResult)
        return false;
    if (m_tallyChart && m_tallyChart->isVisible()) {
        m_tallyChart->raise();
        m_tallyChart->activateWindow();
        return true;
    }
    auto *dialog = new TallyChartDialog(*m_lastResult, m_lastFairness, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_tallyChart = dialog;
    dialog->show();
    return true;
}

QString ResultsPanel::search(const HistorySnapshot &history, const SearchQuery &q, int size,
                             std::optional<qint32> verified)
{
    const BusyCursor busy;
    hideList();
    SearchResult found = size ? CombinationSearch::run(history, q.state, size, q.range)
                              : FollowSearch::run(history, q.state, q.positions, q.range);
    auto conditions = ResultGrids::conditions(q.state, q.positions, q.range, size, found);
    show(std::move(found), q.state, FairDice::orderOf(history), std::move(conditions));
    const SearchResult &result = *m_lastResult;
    if (!size)
        showVerified(history, verified, q.state);
    if (!q.range.from || !q.range.to)
        return QStringLiteral("检索起止期数无效");
    if (result.rows.empty())
        return QStringLiteral("没有找到符合条件的历史号码");
    return QStringLiteral("找到 %1 期，统计 %2 个号码").arg(result.rows.size()).arg(result.total);
}
