#include "AnalysisWindows.h"

#include "ChartScale.h"
#include "ResultGrids.h"
#include "ResultsPanel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

TallyChartDialog::TallyChartDialog(const SearchResult &result, const FairDice::Fairness &fairness,
                                   QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TallyChart"));
    setWindowTitle(QStringLiteral("统计图表"));
    resize(640, 460);
    m_view = new QChartView;
    m_view->setObjectName(QStringLiteral("chtTally"));
    m_view->setRenderHint(QPainter::Antialiasing);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close);
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);
    m_stale = new QLabel(ResultsPanel::staleText());
    m_stale->setObjectName(QStringLiteral("lblStale"));
    m_stale->setStyleSheet(QStringLiteral("color: #a0400a; font-weight: bold"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_stale);
    layout->addWidget(m_view);
    layout->addWidget(close);
    show(result, fairness);
}

void TallyChartDialog::setStale(bool stale)
{
    m_stale->setVisible(stale);
}

void TallyChartDialog::show(const SearchResult &result, const FairDice::Fairness &fairness)
{
    setStale(false);
    auto *observed = new QBarSet(QStringLiteral("出现次数"));
    auto *expected = new QBarSet(QStringLiteral("期望次数"));
    std::vector<QLineSeries *> whiskers;
    QStringList labels;
    // In value order, so that the bars read left to right.
    std::vector<size_t> order(result.tally.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return result.tally[a].value < result.tally[b].value; });
    double total = 0;
    for (const auto &line : result.tally)
        total += double(line.count);
    auto *series = new QBarSeries;
    // Each category holds two bars; the expected one is the right half's middle.
    const double offset = series->barWidth() / 4;
    double high = 0;
    for (size_t i : order) {
        labels << ResultGrids::valueLabel(result.displayKind, result.tally[i].value);
        const double e = i < fairness.expected.size() ? fairness.expected[i] : 0.0;
        *observed << double(result.tally[i].count);
        *expected << e;
        // Fair dice put the count within about two standard deviations of what is expected.
        const double sigma = total > 0 ? std::sqrt(std::max(0.0, e * (1 - e / total))) : 0.0;
        const double x = double(labels.size() - 1) + offset;
        auto *whisker = new QLineSeries;
        whisker->setName(QStringLiteral("期望 ±2σ"));
        whisker->append(x, std::max(0.0, e - 2 * sigma));
        whisker->append(x, e + 2 * sigma);
        whiskers.push_back(whisker);
        high = std::max({high, double(result.tally[i].count), e + 2 * sigma});
    }
    series->append(observed);
    series->append(expected);
    auto *chart = new QChart;
    chart->addSeries(series);
    for (QLineSeries *whisker : whiskers) {
        chart->addSeries(whisker);
        whisker->setColor(Qt::black);
    }
    auto *categories = new QBarCategoryAxis;
    categories->append(labels);
    categories->setTitleText(QStringLiteral("结果"));
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    const ChartScale scale = ChartScale::around(0, high);
    auto *values = new QValueAxis;
    values->setRange(scale.min, scale.max);
    values->setTickCount(scale.ticks);
    values->setLabelFormat(QStringLiteral("%d"));
    values->setTitleText(QStringLiteral("次数"));
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    for (QLineSeries *whisker : whiskers) {
        whisker->attachAxis(categories);
        whisker->attachAxis(values);
    }
    // One legend entry says what all the whiskers are.
    for (size_t i = 1; i < whiskers.size(); ++i)
        for (QLegendMarker *marker : chart->legend()->markers(whiskers[i]))
            marker->setVisible(false);
    chart->setTitle(FairDice::summaryLine(fairness));
    connect(chart, &QChart::plotAreaChanged, this, [chart, high] { fitValueAxis(chart, {0, high}); });
    QChart *shown = m_view->chart();
    m_view->setChart(chart);
    delete shown;
}
