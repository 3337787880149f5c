#include "AnalysisWindows.h"

#include "ChartScale.h"
#include "Dialogs.h"
#include "GridActions.h"
#include "GridModel.h"
#include "Launcher.h"
#include "PatternRefresh.h"
#include "ResultGrids.h"
#include "Workbook.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace {

template<typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The backtest's issues as the table shows them, formatted when in view.
class BacktestRows : public GridRows
{
public:
    BacktestRows(const Backtest::Summary &summary, int kind)
        : m_summary(summary)
        , m_kind(kind)
    {}
    int count() const override { return int(m_summary.issues.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        return Backtest::issueCells(m_summary.issues[size_t(row)], m_kind).value(col);
    }

private:
    const Backtest::Summary &m_summary;
    int m_kind;
};

} // namespace

BacktestDialog::BacktestDialog(HistorySnapshot history, const SearchState &state, const Positions &chosen,
                               Dialogs *dialogs, Launcher *launcher, const QString &exportFolder,
                               QWidget *parent)
    : QDialog(parent)
    , m_history(std::move(history))
    , m_state(state)
    , m_chosen(chosen)
    , m_dialogs(dialogs)
    , m_launcher(launcher)
    , m_exportFolder(exportFolder)
{
    setObjectName(QStringLiteral("BacktestDialog"));
    setWindowTitle(QStringLiteral("跟号回测"));
    resize(900, 680);
    auto *layout = new QVBoxLayout(this);
    auto *options =
        named(new QLabel(QStringLiteral("当前检索条件：") + ResultGrids::optionsText(state, chosen)), "lblHuiceOptions");
    options->setWordWrap(true);
    layout->addWidget(options);

    auto *inputs = new QHBoxLayout;
    m_from = named(new QLineEdit, "txtHuiceFrom");
    m_to = named(new QLineEdit, "txtHuiceTo");
    for (QLineEdit *box : {m_from, m_to}) {
        box->setValidator(new QIntValidator(1, std::numeric_limits<int>::max(), box));
        box->setMaximumWidth(120);
    }
    m_from->setAccessibleName(QStringLiteral("回测起始期号"));
    m_to->setAccessibleName(QStringLiteral("回测结束期号"));
    if (!m_history.isEmpty()) {
        // The last 1,000 stored draws, or all of them.
        m_from->setText(QString::number(m_history.at(std::max(0, m_history.count() - 1000)).sqqh));
        m_to->setText(QString::number(m_history.last().sqqh));
    }
    m_top = named(new QSpinBox, "spnHuiceTop");
    m_top->setRange(1, std::max(1, Backtest::listedCount(state) - 1));
    m_top->setAccessibleName(QStringLiteral("推荐个数"));
    m_run = named(new QPushButton(QStringLiteral("开始回测(&R)")), "cmdHuiceRun");
    m_cancel = named(new QPushButton(QStringLiteral("取消")), "cmdHuiceCancel");
    m_cancel->setVisible(false);
    m_progress = named(new QProgressBar, "prgHuice");
    m_progress->setVisible(false);
    inputs->addWidget(new QLabel(QStringLiteral("起始期号")));
    inputs->addWidget(m_from);
    inputs->addWidget(new QLabel(QStringLiteral("结束期号")));
    inputs->addWidget(m_to);
    inputs->addWidget(new QLabel(QStringLiteral("推荐前")));
    inputs->addWidget(m_top);
    inputs->addWidget(new QLabel(QStringLiteral("个")));
    inputs->addWidget(m_run);
    inputs->addWidget(m_progress, 1);
    inputs->addWidget(m_cancel);
    inputs->addStretch();
    layout->addLayout(inputs);

    m_result = named(new QLabel, "lblHuiceSummary");
    m_result->setWordWrap(true);
    m_result->setAccessibleName(QStringLiteral("回测结果"));
    layout->addWidget(m_result);
    auto *explain = named(new QLabel(QStringLiteral(
                              "曲线是累计命中期数减去公平骰子的期望命中期数；σ 是纯随机时这条曲线通常的摆动幅度，"
                              "浅蓝色的带为 ±2σ，曲线留在带内就与随机无异。z 是最后偏离了几个 σ（详见“回测与统计说明”）。")),
                          "lblHuiceExplain");
    explain->setWordWrap(true);
    layout->addWidget(explain);

    m_chart = named(new QChartView, "chtHuice");
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(300);
    // The chart is what matters: it gets most of the room, the table the rest.
    layout->addWidget(m_chart, 3);

    m_grid = new GridModel(this);
    m_grid->setCols(6);
    m_grid->setRows(1);
    for (int c = 0; c < 6; ++c)
        m_grid->setCellText(0, c, Backtest::issueHeader().value(c));
    m_table = named(new QTableView, "grdHuice");
    m_table->setModel(m_grid);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setAccessibleName(QStringLiteral("回测期号"));
    m_table->setMinimumHeight(120);
    layout->addWidget(m_table, 2);

    auto *buttons = new QHBoxLayout;
    m_export = named(new QPushButton(QStringLiteral("导出到电子表格(&X)")), "cmdHuiceExport");
    m_export->setEnabled(false);
    auto *close = new QPushButton(QStringLiteral("关闭"));
    m_exported = named(new QLabel, "lblHuiceExport");
    m_exported->setAccessibleName(QStringLiteral("导出结果"));
    m_exported->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buttons->addWidget(m_exported, 1);
    buttons->addWidget(m_export);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_run, &QPushButton::clicked, this, &BacktestDialog::run);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    connect(m_export, &QPushButton::clicked, this, &BacktestDialog::exportTable);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

BacktestDialog::~BacktestDialog() = default;

void BacktestDialog::resizeEvent(QResizeEvent *event)
{
    // At least half the dialog's height for the chart, whatever the table would like.
    m_chart->setMinimumHeight(std::max(300, height() / 2));
    QDialog::resizeEvent(event);
}


void BacktestDialog::run()
{
    bool okFrom = false, okTo = false;
    const qint32 from = m_from->text().toInt(&okFrom), to = m_to->text().toInt(&okTo);
    if (!okFrom || !okTo || from > to) {
        m_result->setText(QStringLiteral("回测起止期号无效"));
        return;
    }
    m_cancelled = false;
    m_run->setEnabled(false);
    m_export->setEnabled(false);
    QElapsedTimer clock;
    clock.start();
    // A run that takes longer than a moment shows its progress and can be cancelled.
    const auto progress = [&](int done, int total) {
        if (clock.elapsed() >= m_progressAfterMs) {
            m_progress->setVisible(true);
            m_cancel->setVisible(true);
            m_progress->setRange(0, std::max(total, 1));
            m_progress->setValue(done);
            QCoreApplication::processEvents();
        }
        return !m_cancelled;
    };
    std::optional<Backtest::Summary> summary =
        Backtest::run(m_history, m_state, m_chosen, from, to, m_top->value(), progress);
    m_progress->setVisible(false);
    m_cancel->setVisible(false);
    m_run->setEnabled(true);
    // Nothing of the previous run stays beside a cancelled one.
    m_grid->setRowSource(nullptr);
    m_summary.reset();
    if (!summary) {
        clearChart();
        m_result->setText(QStringLiteral("回测已取消"));
        return;
    }
    m_summary = std::move(summary);
    showSummary();
}

void BacktestDialog::clearChart()
{
    // The view gives up the chart it showed without deleting it.
    QChart *shown = m_chart->chart();
    m_chart->setChart(new QChart);
    delete shown;
}

void BacktestDialog::showSummary()
{
    const Backtest::Summary &s = *m_summary;
    m_result->setText(Backtest::summaryText(s));

    // Hits minus expected hits as the walk goes, against the ±2σ band of fair dice around zero.
    auto *excess = new QLineSeries;
    excess->setName(QStringLiteral("命中 − 期望"));
    auto *upper = new QLineSeries, *lower = new QLineSeries;
    double e = 0, v = 0, low = 0, high = 0;
    int h = 0;
    // One point an issue, thinned to at most about 2,000 points.
    const int step = std::max<int>(1, int(s.issues.size() / 2000));
    for (size_t i = 0; i < s.issues.size(); ++i) {
        e += s.issues[i].pHit;
        v += s.issues[i].pHit * (1 - s.issues[i].pHit);
        h += s.issues[i].hit ? 1 : 0;
        const double band = 2 * std::sqrt(v);
        low = std::min({low, h - e, -band});
        high = std::max({high, h - e, band});
        if (i % size_t(step) != 0 && i + 1 != s.issues.size())
            continue;
        const double x = double(i + 1);
        excess->append(x, h - e);
        upper->append(x, band);
        lower->append(x, -band);
    }
    auto *chart = new QChart;
    chart->addSeries(sigmaBand(upper, lower));
    chart->addSeries(excess);
    addValueAxis(chart, ChartScale::around(0, double(s.issues.size())), Qt::AlignBottom, QStringLiteral("回测期数"));
    addValueAxis(chart, ChartScale::around(low, high), Qt::AlignLeft, QStringLiteral("命中 − 期望（期）"));
    m_valueSpan = {low, high};
    connect(chart, &QChart::plotAreaChanged, this, &BacktestDialog::fitValueAxis);
    chart->setTitle(QStringLiteral("累计命中比公平骰子的期望多（少）几期"));
    QChart *shown = m_chart->chart();
    m_chart->setChart(chart);
    delete shown;

    m_grid->setRowSource(std::make_shared<BacktestRows>(*m_summary, m_state.intXianshiLei));
    m_export->setEnabled(!s.issues.empty());
}

QAreaSeries *sigmaBand(QLineSeries *upper, QLineSeries *lower)
{
    auto *band = new QAreaSeries(upper, lower);
    // The band does not own its edges.
    upper->setParent(band);
    lower->setParent(band);
    band->setName(QStringLiteral("±2σ（纯随机的范围）"));
    // The colour the caption under the chart names.
    band->setColor(QColor(0x4a, 0x90, 0xd9));
    band->setBorderColor(QColor(0x4a, 0x90, 0xd9));
    band->setOpacity(0.25);
    return band;
}

void addValueAxis(QChart *chart, const ChartScale &scale, Qt::Alignment side, const QString &title)
{
    auto *values = new QValueAxis;
    values->setRange(scale.min, scale.max);
    values->setTickCount(scale.ticks);
    values->setLabelFormat(QStringLiteral("%d"));
    values->setTitleText(title);
    chart->addAxis(values, side);
    for (QAbstractSeries *series : chart->series())
        series->attachAxis(values);
}

void fitValueAxis(QChart *chart, std::pair<double, double> span)
{
    const QList<QAbstractAxis *> axes = chart->axes(Qt::Vertical);
    auto *axis = axes.isEmpty() ? nullptr : qobject_cast<QValueAxis *>(axes.first());
    const double room = chart->plotArea().height();
    if (!axis || room <= 0)
        return;
    // Qt Charts drops a label that would overlap the one before: no more ticks than labels fit.
    const double perLabel = QFontMetricsF(axis->labelsFont()).height() * 1.4;
    const ChartScale scale = ChartScale::around(span.first, span.second, std::clamp(int(room / perLabel) + 1, 3, 9));
    if (axis->tickCount() != scale.ticks || axis->min() != scale.min || axis->max() != scale.max) {
        axis->setRange(scale.min, scale.max);
        axis->setTickCount(scale.ticks);
    }
}

void BacktestDialog::fitValueAxis()
{
    ::fitValueAxis(m_chart->chart(), m_valueSpan);
}

QString BacktestDialog::exportName() const
{
    if (!m_summary)
        return {};
    const auto bound = [](std::optional<qint32> issue) { return issue ? QString::number(*issue) : QString(); };
    return QStringLiteral("Huice_%1-%2.xlsx").arg(bound(m_summary->from), bound(m_summary->to));
}

void BacktestDialog::exportTable()
{
    if (!m_summary)
        return;
    const Backtest::Summary &s = *m_summary;
    const QString path = QDir(m_exportFolder).filePath(exportName());
    // The first sheet says what was tested and how it came out; the second lists the issues.
    const QList<QPair<QString, Workbook::Cell>> conditions{
        {QStringLiteral("检索条件"), ResultGrids::optionsText(m_state, m_chosen)},
        {QStringLiteral("起始期号"), s.from ? Workbook::Cell(double(*s.from)) : Workbook::Cell(QString())},
        {QStringLiteral("结束期号"), s.to ? Workbook::Cell(double(*s.to)) : Workbook::Cell(QString())},
        {QStringLiteral("推荐个数"), double(s.top)},
        {QStringLiteral("回测期数"), double(s.played)},
        {QStringLiteral("跳过期数"), double(s.skipped)},
        {QStringLiteral("命中期数"), double(s.hits)},
        {QStringLiteral("期望命中期数"), Workbook::TwoPlaces{s.expectedHits}},
        {QStringLiteral("标准差 σ"), std::sqrt(s.variance)},
        {QStringLiteral("z"), s.z},
        {QStringLiteral("p"), s.p},
        {QStringLiteral("最长连续不中"), double(s.longestMissStreak)},
        {QStringLiteral("结论"), Backtest::summaryText(s)},
    };
    const QStringList header = Backtest::issueHeader();
    const int kind = m_state.intXianshiLei;
    const QList<Workbook::Sheet> sheets{
        {QStringLiteral("回测条件"), int(conditions.size()), 2,
         [&conditions](int r, int c) { return c == 0 ? Workbook::Cell(conditions[r].first) : conditions[r].second; }},
        {QStringLiteral("回测期号"), int(s.issues.size()) + 1, int(header.size()),
         [&](int r, int c) -> Workbook::Cell {
             if (r == 0)
                 return header.value(c);
             const Backtest::Issue &issue = s.issues[size_t(r - 1)];
             if (c == 0)
                 return double(issue.issue);
             if (c == 3) // 开奖 as the pattern column shows a draw
                 return QStringLiteral("%1 %2 %3").arg(issue.drawn[0]).arg(issue.drawn[1]).arg(issue.drawn[2]);
             if (c == 5)
                 return Workbook::Percent{issue.pHit};
             // 推荐 and 开奖 are numbers where they are one number ("3", "146").
             return Workbook::fromText(Backtest::issueCells(issue, kind).value(c));
         }},
    };
    QString error;
    if (!Workbook::write(path, sheets, &error)) {
        m_dialogs->message(
            this, QStringLiteral("导出到电子表格"),
            QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_exported->setText(openOrSayWhere(*m_launcher, path, QStringLiteral("电子表格")));
}
