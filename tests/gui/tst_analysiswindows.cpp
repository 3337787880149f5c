#include "AnalysisWindows.h"
#include "BetWindow.h"
#include "ChaseDialog.h"
#include "HistoryDb.h"
#include "ProvinceTable.h"
#include "SettingsDialogs.h"
#include "Settings.h"
#include "ResultGrids.h"
#include "TrendOmission.h"
#include "TrendModel.h"
#include "TrendWindow.h"
#include "TestHistory.h"
#include "WindowHarness.h"

#include "TestWorkbook.h"

#include <QMenuBar>
#include <QAreaSeries>
#include <QBarSeries>
#include <QDialogButtonBox>
#include <QLineSeries>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QValueAxis>
#include <cmath>
#include <QBarSet>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QScreen>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QCheckBox>
#include <QTest>

// The fair-dice line and column after a search, the backtest dialog and the tally chart, driven
// through the real window on the real public history.
// The numbers a chart shows beside its plot on one side: its axis labels as drawn.
QStringList shownLabels(QChartView *view, Qt::Orientation side)
{
    QStringList shown;
    const QRectF plot = view->chart()->plotArea();
    for (QGraphicsItem *item : view->scene()->items()) {
        const auto *text = dynamic_cast<QGraphicsTextItem *>(item);
        if (!text || !text->isVisible())
            continue;
        const QPointF at = text->sceneBoundingRect().center();
        bool number = false;
        text->toPlainText().toInt(&number);
        // Each label is centred on its tick: the vertical axis's lie beside the plot's height.
        if (number && (side == Qt::Vertical ? at.x() < plot.left() && at.y() <= plot.bottom() + 2
                                            : at.y() > plot.bottom() && at.x() >= plot.left() - 2))
            shown << text->toPlainText();
    }
    return shown;
}

class TestAnalysisWindows : public QObject
{
    Q_OBJECT
private slots:
    void searchShowsExpectedCounts();
    void backtestDialogRunsAndExports();
    void tallyChartShowsObservedAndExpected();
    void trendWindowFollowsTheHistory();
    void betLedgerWindow();
    void chaseFromTheLedgerWindow();
    void omissionAlertFromTheTrendWindow();
};

void TestAnalysisWindows::searchShowsExpectedCounts()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    h.start();
    h.find<QPushButton>("Command1")->click();
    const GridModel &stats = h.grid(3);
    QCOMPARE(stats.cols(), 5);
    QCOMPARE(stats.cellText(0, 4), QStringLiteral("期望次数"));
    // Group tally of all three positions: three values a result, each number a sixth of them.
    const int results = h.grid(2).rows() - 1;
    QVERIFY(results > 10);
    QCOMPARE(stats.cellText(1, 4), QString::number(results * 3 / 6.0, 'f', 1));
    QVERIFY(h.find<QLabel>("lblFairness")->text().startsWith(QStringLiteral("与公平骰子比较：χ² = ")));
    QVERIFY(h.find<QLabel>("lblFairness")->text().contains(QStringLiteral("自由度 5")));
}

void TestAnalysisWindows::backtestDialogRunsAndExports()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    MainWindow &w = h.start();
    h.action("mnuHuice")->trigger();
    auto *dialog = w.findChild<BacktestDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->findChild<QLabel *>("lblHuiceOptions")->text().contains(QStringLiteral("自由位，上期")));
    const HistorySnapshot &history = w.snapshot();
    // The last 1,000 stored draws by default.
    QCOMPARE(dialog->findChild<QLineEdit *>("txtHuiceFrom")->text(),
             QString::number(history.at(history.count() - 1000).sqqh));
    QCOMPARE(dialog->findChild<QLineEdit *>("txtHuiceTo")->text(), QString::number(history.last().sqqh));
    QCOMPARE(dialog->findChild<QSpinBox *>("spnHuiceTop")->maximum(), 5);
    dialog->findChild<QSpinBox *>("spnHuiceTop")->setValue(2);
    dialog->findChild<QPushButton *>("cmdHuiceRun")->click();
    QVERIFY(dialog->summary());
    const Backtest::Summary &s = *dialog->summary();
    QCOMPARE(s.played + s.skipped, 1000);
    // What the library gives for the same options.
    const auto direct = Backtest::run(history, w.searchOptions().state(), {true, true, true},
                                      history.at(history.count() - 1000).sqqh, history.last().sqqh, 2);
    QCOMPARE(s.hits, direct->hits);
    QCOMPARE(s.expectedHits, direct->expectedHits);
    QVERIFY(dialog->findChild<QLabel *>("lblHuiceSummary")
                ->text()
                .contains(QStringLiteral("命中 %1 期").arg(s.hits)));
    auto *table = dialog->findChild<QTableView *>("grdHuice");
    QCOMPARE(table->model()->rowCount(), s.played);
    QCOMPARE(table->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("命中概率"));
    QCOMPARE(table->model()->index(0, 0).data().toString(), QString::number(s.issues.front().issue));
    // The chart: hits minus expected over the walk, inside a band of ±2σ around zero, on axes of
    // whole-number ticks at a nice step, taking at least half the dialog's height.
    dialog->resize(900, 700);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto *view = dialog->findChild<QChartView *>("chtHuice");
    QVERIFY2(view->height() * 2 >= dialog->height(), qPrintable(QString::number(view->height())));
    const QList<QAbstractSeries *> series = view->chart()->series();
    QCOMPARE(series.size(), 2);
    auto *band = qobject_cast<QAreaSeries *>(series[0]);
    auto *excess = qobject_cast<QLineSeries *>(series[1]);
    QVERIFY(band && excess);
    const double sigma = std::sqrt(s.variance);
    QCOMPARE(excess->points().last().y(), s.hits - s.expectedHits);
    QCOMPARE(band->upperSeries()->points().last().y(), 2 * sigma);
    QCOMPARE(band->lowerSeries()->points().last().y(), -2 * sigma);
    for (Qt::Orientation side : {Qt::Horizontal, Qt::Vertical}) {
        auto *axis = qobject_cast<QValueAxis *>(view->chart()->axes(side).first());
        QVERIFY(axis && !axis->titleText().isEmpty());
        const double step = (axis->max() - axis->min()) / (axis->tickCount() - 1);
        const double decade = std::pow(10.0, std::floor(std::log10(step)));
        QVERIFY2(QList<double>({1, 2, 5}).contains(step / decade), qPrintable(QString::number(step)));
        QCOMPARE(std::fmod(axis->min(), step), 0.0);
        QVERIFY(axis->tickCount() <= 9 && axis->tickCount() >= 3);
        QCOMPARE(axis->labelFormat(), QStringLiteral("%d"));
    }
    auto *vertical = qobject_cast<QValueAxis *>(view->chart()->axes(Qt::Vertical).first());
    QVERIFY(vertical->min() <= -2 * sigma && vertical->max() >= 2 * sigma);
    QVERIFY(dialog->findChild<QLabel *>("lblHuiceExplain")->text().contains(QStringLiteral("σ")));
    // Every tick of the value axis keeps its label (Qt Charts drops a label that would overlap the
    // one before it), with the chart's own font and with a large one.
    for (const int points : {0, 32}) {
        auto *values = qobject_cast<QValueAxis *>(view->chart()->axes(Qt::Vertical).first());
        if (points) {
            QFont large = values->labelsFont();
            large.setPointSize(points);
            values->setLabelsFont(large);
        }
        QTRY_COMPARE(shownLabels(view, Qt::Vertical).size(), values->tickCount());
        QVERIFY(values->tickCount() >= 3);
        QVERIFY(values->min() <= -2 * sigma && values->max() >= 2 * sigma);
    }

    // The workbook: named by its range, a sheet of conditions and summary first, numbers as numbers.
    dialog->findChild<QPushButton *>("cmdHuiceExport")->click();
    const QString path = h.folder.filePath(QStringLiteral("Huice_%1-%2.xlsx").arg(*s.from).arg(*s.to));
    QCOMPARE(h.launcher.opened, QStringList{path});
    const QList<Sheet> sheets = readWorkbookSheets(path);
    QCOMPARE(sheets.size(), 2);
    QCOMPARE(sheets[0].rows[0], (QStringList{"检索条件", ResultGrids::optionsText(w.searchOptions().state(), {true, true, true})}));
    QCOMPARE(sheets[0].rows[1], (QStringList{"起始期号", QString::number(*s.from)}));
    QCOMPARE(sheets[0].kinds[1][1], QStringLiteral("n"));
    QCOMPARE(sheets[0].rows[6], (QStringList{"命中期数", QString::number(s.hits)}));
    QCOMPARE(sheets[0].kinds[6][1], QStringLiteral("n"));
    QCOMPARE(sheets[1].rows.size(), s.played + 1);
    QCOMPARE(sheets[1].rows[0], Backtest::issueHeader());
    QCOMPARE(sheets[1].rows[1][0], QString::number(s.issues.front().issue));
    // 推荐 is a number where it is one pick; 开奖 reads as the pattern does ("2 5 5"); the chance
    // of a hit is a percentage, the expected hits a number with two places.
    const QStringList first = Backtest::issueCells(s.issues.front(), 0);
    QCOMPARE(first[2].contains(' '), true); // two picks: text
    QCOMPARE(sheets[1].kinds[1], (QStringList{"n", "s", "s", "s", "s", "p"}));
    const Numbers drawn = s.issues.front().drawn;
    QCOMPARE(sheets[1].rows[1][3], QStringLiteral("%1 %2 %3").arg(drawn[0]).arg(drawn[1]).arg(drawn[2]));
    QCOMPARE(sheets[1].rows[1][5].toDouble(), s.issues.front().pHit);
    QCOMPARE(sheets[0].rows[7][0], QStringLiteral("期望命中期数"));
    QCOMPARE(sheets[0].kinds[7][1], QStringLiteral("d"));
    QCOMPARE(sheets[0].rows[7][1].toDouble(), std::round(s.expectedHits * 100) / 100);
    QCOMPARE(dialog->findChild<QLabel *>("lblHuiceExport")->text(),
             QStringLiteral("已打开电子表格：%1").arg(QDir::toNativeSeparators(path)));

    // A range that is no range says so and keeps the last result.
    dialog->findChild<QLineEdit *>("txtHuiceFrom")->setText("abc");
    dialog->findChild<QPushButton *>("cmdHuiceRun")->click();
    QCOMPARE(dialog->findChild<QLabel *>("lblHuiceSummary")->text(), QStringLiteral("回测起止期号无效"));
    QCOMPARE(dialog->summary()->hits, s.hits);

    // Cancelled: nothing of the last run stays, and there is nothing to export.
    dialog->findChild<QLineEdit *>("txtHuiceFrom")->setText(QString::number(*s.from));
    dialog->setProgressDelay(0);
    QTimer::singleShot(0, dialog->findChild<QPushButton *>("cmdHuiceCancel"), &QPushButton::click);
    dialog->findChild<QPushButton *>("cmdHuiceRun")->click();
    QCOMPARE(dialog->findChild<QLabel *>("lblHuiceSummary")->text(), QStringLiteral("回测已取消"));
    QVERIFY(!dialog->summary());
    QCOMPARE(table->model()->rowCount(), 0);
    QVERIFY(view->chart()->series().isEmpty());
    QVERIFY(!dialog->findChild<QPushButton *>("cmdHuiceExport")->isEnabled());
}

void TestAnalysisWindows::tallyChartShowsObservedAndExpected()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    MainWindow &w = h.start();
    h.action("mnuTubiao")->trigger();
    QVERIFY(!w.findChild<TallyChartDialog *>()); // nothing searched yet
    h.find<QPushButton>("Command1")->click();
    h.action("mnuTubiao")->trigger();
    auto *chart = w.findChild<TallyChartDialog *>();
    QVERIFY(chart);
    auto *bars =
        qobject_cast<QBarSeries *>(chart->findChild<QChartView *>("chtTally")->chart()->series().first());
    QCOMPARE(bars->count(), 2);
    const QBarSet *observed = bars->barSets().at(0), *expected = bars->barSets().at(1);
    QCOMPARE(observed->count(), 6);
    double seen = 0, wanted = 0;
    for (int i = 0; i < 6; ++i) {
        seen += observed->at(i);
        wanted += expected->at(i);
    }
    QCOMPARE(seen, (h.grid(2).rows() - 1) * 3.0);
    QCOMPARE(wanted, seen);
    // A ±2σ whisker on each expected bar, titled axes of whole numbers, a close button.
    QChart *shown = chart->findChild<QChartView *>("chtTally")->chart();
    QCOMPARE(shown->series().size(), 1 + 6);
    auto *whisker = qobject_cast<QLineSeries *>(shown->series().at(1));
    const double e = expected->at(0), sigma = std::sqrt(e * (1 - e / seen));
    QCOMPARE(whisker->points().at(0).y(), e - 2 * sigma);
    QCOMPARE(whisker->points().at(1).y(), e + 2 * sigma);
    auto *values = qobject_cast<QValueAxis *>(shown->axes(Qt::Vertical).first());
    QCOMPARE(values->titleText(), QStringLiteral("次数"));
    QCOMPARE(shown->axes(Qt::Horizontal).first()->titleText(), QStringLiteral("结果"));
    QCOMPARE(std::fmod((values->max() - values->min()) / (values->tickCount() - 1), 1.0), 0.0);
    // Every tick of the value axis keeps its label, on a short chart and with a large font.
    chart->resize(640, 320);
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    for (const int points : {0, 32}) {
        if (points) {
            QFont large = values->labelsFont();
            large.setPointSize(points);
            values->setLabelsFont(large);
            chart->resize(640, 480); // a new plot size fits the axis again
        }
        QTRY_COMPARE(shownLabels(chart->findChild<QChartView *>("chtTally"), Qt::Vertical).size(), values->tickCount());
        QVERIFY(values->tickCount() >= 3);
        QVERIFY(values->min() == 0 && values->max() >= e + 2 * sigma);
    }

    // The chart follows the next search ...
    h.find<QRadioButton>("Option5(1)")->click();
    h.find<QRadioButton>("Option2(4)")->click(); // 直选第1位: a value a result
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(w.findChildren<TallyChartDialog *>().size(), 1);
    shown = chart->findChild<QChartView *>("chtTally")->chart();
    bars = qobject_cast<QBarSeries *>(shown->series().first());
    double now = 0;
    for (int i = 0; i < bars->barSets().at(0)->count(); ++i)
        now += bars->barSets().at(0)->at(i);
    QCOMPARE(now, double(h.grid(2).rows() - 1));
    // ... and closes when a search leaves nothing to show.
    QPointer<TallyChartDialog> open = chart;
    h.find<QRadioButton>("Option1(0)")->click();
    h.find<QLineEdit>("Text3(0)")->setText(h.text("Text3(1)"));
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(1);
    for (const char *box : {"Text22(1)", "Text22(2)", "Text22(3)"})
        h.find<QLineEdit>(box)->setText("6");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 1);
    QTRY_VERIFY(!open || !open->isVisible());
    // Its close button closes it.
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(0);
    h.find<QLineEdit>("Text3(0)")->setText(QString::number(w.snapshot().at(1).sqqh));
    h.find<QPushButton>("Command1")->click();
    h.action("mnuTubiao")->trigger();
    QPointer<TallyChartDialog> again;
    for (TallyChartDialog *open : w.findChildren<TallyChartDialog *>())
        if (open->isVisible())
            again = open;
    QVERIFY(again && again->isVisible());
    again->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Close)->click();
    QTRY_VERIFY(!again || !again->isVisible());
}

// An omission alert set on a value of the omission table: told once when a typed draw brings the
// omission to its mark (in the status bar, as no notification service runs here), armed again
// after the value came.
void TestAnalysisWindows::omissionAlertFromTheTrendWindow()
{
    Harness h;
    std::vector<TestDraw> draws;
    for (int n = 1; n <= 20; ++n)
        draws.push_back({161212000 + n, {1, 2, 4}});
    QVERIFY(TestHistory::createIn(h.folder.path(), draws));
    MainWindow &w = h.start();
    h.action("mnuZoushi")->trigger();
    TrendWindow *trend = w.trendWindow();
    trend->tabs()->setCurrentIndex(1);
    const QList<QStandardItem *> found = trend->omissionModel()->findItems(QStringLiteral("三同号"), Qt::MatchExactly, 1);
    QCOMPARE(found.size(), 1);
    trend->omissionView()->setCurrentIndex(found[0]->index());
    h.dialogs.inputAnswers = {QStringLiteral("22")};
    trend->findChild<QPushButton *>("cmdYilouTixing")->click();
    QCOMPARE(trend->statusText(), QStringLiteral("形态 三同号 遗漏达到 22 期时提醒"));
    QVERIFY(trend->independenceLine()->text().endsWith(QStringLiteral("遗漏提醒：形态 三同号 ≥ 22")));
    QVERIFY(Settings().omissionAlerts(3).empty()); // each game its own
    // One already reached (和值 4, not the first value of its group) is said at once and not told
    // again until 4 has come.
    const int sums = trend->omissionModel()->findItems(QStringLiteral("和值"), Qt::MatchExactly, 0).value(0)->row();
    QCOMPARE(trend->omissionModel()->item(sums + 1, 1)->text(), QStringLiteral("4"));
    trend->omissionView()->setCurrentIndex(trend->omissionModel()->index(sums + 1, 1));
    h.dialogs.inputAnswers = {QStringLiteral("10")};
    trend->findChild<QPushButton *>("cmdYilouTixing")->click();
    QCOMPARE(trend->statusText(), QStringLiteral("和值 4 现在已遗漏 20 期，已达到 10；开出后再达到时提醒"));
    const auto type = [&](const char *digits) {
        for (int p = 1; p <= 3; ++p)
            QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_0 + (digits[p - 1] - '0'));
        QTest::qWait(20);
    };
    const QString told = QStringLiteral("福建快3 遗漏提醒：形态 三同号 已遗漏 22 期（提醒：≥ 22）");
    type("124");
    QVERIFY2(!w.statusText().contains(QStringLiteral("遗漏提醒")), qPrintable(w.statusText()));
    type("124");
    QCOMPARE(w.statusText(), told);
    type("124");
    QVERIFY2(!w.statusText().contains(QStringLiteral("遗漏提醒")), qPrintable(w.statusText()));
    QVERIFY(Settings().omissionAlerts(0).front().fired);
    type("333");
    QVERIFY(!Settings().omissionAlerts(0).front().fired);
    // Turned off in 设置 → 通知: the alert is kept, nothing said.
    h.action("mnuTongzhiYilou")->setChecked(false);
    for (int i = 0; i < 22; ++i)
        type("124");
    QVERIFY(Settings().omissionAlerts(0).front().fired);
    QVERIFY2(!w.statusText().contains(QStringLiteral("遗漏提醒")), qPrintable(w.statusText()));
    // 0 removes it.
    trend->findChild<QPushButton *>("cmdYilouTixing")->click(); // the table was shown anew: no value chosen
    QCOMPARE(trend->statusText(), QStringLiteral("请先在遗漏统计中选中一个值"));
    trend->omissionView()->setCurrentIndex(
        trend->omissionModel()->findItems(QStringLiteral("三同号"), Qt::MatchExactly, 1).value(0)->index());
    h.dialogs.inputAnswers = {QStringLiteral("0")};
    trend->findChild<QPushButton *>("cmdYilouTixing")->click();
    QCOMPARE(Settings().omissionAlerts(0).size(), size_t(1));
    QCOMPARE(Settings().omissionAlerts(0).front().group, QStringLiteral("和值"));
}

QTEST_MAIN(TestAnalysisWindows)
// 走势与遗漏 beside the main window: both grids as the analysis gives them, the independence line,
// every change of the history followed, the exports read back with their cell kinds.
void TestAnalysisWindows::trendWindowFollowsTheHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    h.action("mnuZoushi")->trigger();
    TrendWindow *trend = w.trendWindow();
    QVERIFY(trend && trend->isVisible());
    h.action("mnuZoushi")->trigger();
    QCOMPARE(w.findChildren<TrendWindow *>().size(), 1); // raised, not opened twice
    // Beside the main window where there is room, else at the screen's edge: never off it.
    const QRect screen = w.screen()->availableGeometry();
    QVERIFY2(screen.contains(trend->pos()) && trend->x() + trend->width() <= screen.right() + 1,
             qPrintable(QStringLiteral("%1,%2 on %3×%4").arg(trend->x()).arg(trend->y()).arg(screen.width()).arg(screen.height())));
    // Beside the main window, or over its results side below the menu bar: the entry boxes and the
    // menus stay in view.
    const QLineEdit *lastBox = h.find<QLineEdit>("MaskEdBox1(3)");
    const int boxesRight = lastBox->mapToGlobal(QPoint(lastBox->width(), 0)).x();
    const int menuBottom = w.menuBar()->mapToGlobal(QPoint(0, w.menuBar()->height())).y();
    const QRect main = w.frameGeometry();
    QVERIFY2(trend->x() > main.right() || trend->x() + trend->width() <= main.left() ||
                 (trend->x() >= boxesRight && trend->y() >= menuBottom),
             qPrintable(QStringLiteral("%1,%2, boxes end at %3").arg(trend->x()).arg(trend->y()).arg(boxesRight)));

    // 走势图: the newest 30 by default, then 100, each cell as the analysis has it: a drawn number
    // shows itself on its fill ("2×2" when it came twice), an omission its count in grey.
    TrendModel *model = trend->trendModel();
    const auto text = [&](int r, int c) { return model->index(r, c).data().toString(); };
    auto checkTrend = [&](int length) {
        const auto rows = TrendOmission::trend(w.snapshot(), length);
        QCOMPARE(model->rowCount(), length + 4);
        QCOMPARE(text(length - 1, 0), QString::number(w.snapshot().last().sqqh));
        for (int r = 0; r < length; ++r)
            for (int k = 0; k < 6; ++k) {
                const QModelIndex cell = model->index(r, 5 + k);
                const int hits = rows[size_t(r)].hits[size_t(k)];
                QCOMPARE(cell.data().toString(), hits == 0   ? QString::number(rows[size_t(r)].omission[size_t(k)])
                                                 : hits == 1 ? QString::number(k + 1)
                                                             : QStringLiteral("%1×%2").arg(k + 1).arg(hits));
                QCOMPARE(cell.data(Qt::BackgroundRole).isValid(), hits > 0);
                QCOMPARE(cell.data(Qt::AccessibleTextRole).toString(),
                         hits == 0   ? QStringLiteral("%1 遗漏 %2 期").arg(k + 1).arg(rows[size_t(r)].omission[size_t(k)])
                         : hits == 1 ? QStringLiteral("%1 出现").arg(k + 1)
                                     : QStringLiteral("%1 出现 %2 次").arg(k + 1).arg(hits));
            }
        QCOMPARE(text(length, 0), QStringLiteral("出现次数"));
        QCOMPARE(text(length + 2, 5), QString::number(TrendOmission::summarize(rows)[0].longestOmission));
        QCOMPARE(trend->trendRange()->text(), QStringLiteral("第 %1 期至第 %2 期，共 %3 期")
                                                  .arg(rows.front().issue)
                                                  .arg(rows.back().issue)
                                                  .arg(length));
    };
    checkTrend(30);
    // A typed N waits for Enter or a pause, not every keystroke.
    trend->trendLength()->setCurrentText(QStringLiteral("100"));
    QCOMPARE(model->rowCount(), 30 + 4);
    QTest::keyClick(trend->trendLength()->lineEdit(), Qt::Key_Return);
    checkTrend(100);
    trend->trendLength()->setCurrentText(QStringLiteral("0"));
    QTRY_COMPARE(trend->trendRange()->text(), QStringLiteral("显示的期数应为 1 以上"));
    QCOMPARE(model->rowCount(), 100 + 4);
    trend->trendLength()->setCurrentText(QStringLiteral("999999"));
    QTRY_COMPARE(model->rowCount(), w.snapshot().count() + 4);
    QVERIFY(trend->trendRange()->text().endsWith(QStringLiteral("（历史只有 %1 期，已全部显示）").arg(w.snapshot().count())));
    // Six-digit counts and the summary's figures fit their cells.
    for (int c = 5; c < 11; ++c)
        for (const QString &shown : {text(w.snapshot().count(), c), QStringLiteral("999999")})
            QVERIFY2(trend->trendView()->columnWidth(c) >
                         trend->trendView()->fontMetrics().horizontalAdvance(shown),
                     qPrintable(shown));
    trend->trendLength()->setCurrentText(QStringLiteral("100"));
    QTest::keyClick(trend->trendLength()->lineEdit(), Qt::Key_Return);
    checkTrend(100);
    QCOMPARE(trend->trendView()->accessibleName(), QStringLiteral("走势图"));

    // 遗漏统计 over the whole history, then the newest 200.
    QCOMPARE(trend->omissionModel()->rowCount(), 0); // worked out when looked at
    trend->tabs()->setCurrentIndex(1);
    QStandardItemModel *omission = trend->omissionModel();
    QCOMPARE(omission->rowCount(), 6 * 4 + 16 + 4 + 2 + 2);
    QCOMPARE(omission->item(0, 0)->text(), QStringLiteral("号码"));
    const auto whole = TrendOmission::omission(w.snapshot(), 0, w.snapshot().count());
    QCOMPARE(omission->item(0, 2)->text(), QString::number(whole.groups[0].values[0].count));
    // A number just drawn has no omission to judge: "—", not a certain-looking 100%.
    for (int r = 0; r < 6; ++r)
        QCOMPARE(omission->item(r, 8)->text() == QStringLiteral("—"), whole.groups[0].values[size_t(r)].current == 0);
    QCOMPARE(trend->omissionView()->accessibleName(), QStringLiteral("遗漏统计"));
    QLabel *line = trend->independenceLine();
    QCOMPARE(line->accessibleName(), QStringLiteral("独立性检验"));
    QVERIFY(line->text().contains(QStringLiteral("共 %1 期").arg(w.snapshot().count())));
    QVERIFY(line->text().contains(QStringLiteral("上一期的形态对下一期的形态：χ² = ")));
    QVERIFY(line->text().contains(QStringLiteral("上一期的和值大小单双对下一期的和值大小单双：χ² = ")));
    trend->rangeLength()->setValue(200);
    trend->recentRange()->setChecked(true);
    QVERIFY(line->text().contains(QStringLiteral("共 200 期")));
    const auto recent = TrendOmission::omission(w.snapshot(), w.snapshot().count() - 200, w.snapshot().count());
    QCOMPARE(omission->item(40, 2)->text(), QString::number(recent.groups[5].values[0].count)); // 三同号
    QCOMPARE(line->text().contains(QStringLiteral("部分格子的期望次数小于 5")), recent.independence[0].method == "simulation");

    // Another program adds a draw: the window follows as soon as the main window looks.
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli", {"--dir", h.folder.path(), "add", "666"});
    QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
    trend->tabs()->setCurrentIndex(0);
    w.commands().syncWithDisk();
    QCOMPARE(text(99, 1), QStringLiteral("6 6 6"));
    QCOMPARE(text(99, 10), QStringLiteral("6×3"));
    checkTrend(100);
    // The omission table follows when it is looked at.
    QVERIFY(!line->text().contains(QString::number(w.snapshot().last().sqqh)));
    trend->tabs()->setCurrentIndex(1);
    QVERIFY(line->text().contains(QStringLiteral("共 200 期")));
    QVERIFY(line->text().contains(QString::number(w.snapshot().last().sqqh)));

    // The exports: numbers as numbers, chances as percentages, drawn numbers coloured.
    trend->exportGrid(0);
    const Sheet zoushi = readWorkbook(h.folder.filePath(TrendWindow::fileName(0)));
    QCOMPARE(zoushi.rows.size(), 1 + 100 + 4);
    QCOMPARE(zoushi.rows[0].mid(0, 6), (QStringList{"期号", "开奖号码", "和值", "形态", "跨度", "1"}));
    QCOMPARE(zoushi.kinds[100].mid(0, 5), (QStringList{"n", "s", "n", "s", "n"}));
    QCOMPARE(zoushi.rows[100][10], QStringLiteral("6×3"));
    QCOMPARE(zoushi.kinds[100][10], QStringLiteral("ms"));
    QCOMPARE(zoushi.kinds[100][5], QStringLiteral("n"));
    QVERIFY(h.launcher.opened.last().endsWith(QStringLiteral("Zoushi.xlsx")));
    trend->exportGrid(1);
    const Sheet yilou = readWorkbook(h.folder.filePath(TrendWindow::fileName(1)));
    // The range and both independence lines go with the table, after a blank row.
    QCOMPARE(yilou.rows.size(), 1 + 48 + 1 + 4);
    QCOMPARE(yilou.rows[50][0],
             TrendOmission::rangeText(TrendOmission::omission(w.snapshot(), w.snapshot().count() - 200, w.snapshot().count())));
    QCOMPARE(yilou.rows[51][0], QStringLiteral("每注 2 元，公平开奖时每种玩法平均只回报 55.6%～58.3%，遗漏多久都一样"));
    QVERIFY(yilou.rows[52][0].startsWith(QStringLiteral("上一期的形态对下一期的形态：χ² = ")));
    QVERIFY(yilou.rows[53][0].startsWith(QStringLiteral("上一期的和值大小单双对下一期的和值大小单双：χ² = ")));
    QCOMPARE(yilou.rows[0].mid(8), (QStringList{"遗漏至今的机会", "奖金", "每注回报"}));
    QCOMPARE(yilou.kinds[1].mid(0, 9), (QStringList{"s", "n", "n", "n", "n", "n", "n", "n", "p"}));
    // The values that are plays: their prize and what a bet returns (和值 4: 3/216 × 80 ÷ 2).
    QCOMPARE(yilou.rows[1 + 24 + 1].mid(9, 2), (QStringList{"80", "0.556"}));
    QCOMPARE(yilou.kinds[1 + 24 + 1].mid(9, 2), (QStringList{"n", "p"}));

    // F1 there opens the page that explains it.
    trend->show();
    trend->trendView()->setFocus();
    QTest::keyClick(trend->trendView(), Qt::Key_F1);
    QVERIFY(h.launcher.opened.last().endsWith(QStringLiteral("trend.html")));

    // The ledger opens clear of it (its title bar too); where the user leaves a window, it opens
    // again.
    h.action("mnuTouzhu")->trigger();
    QVERIFY(w.betWindow()->frameGeometry().topLeft() != trend->frameGeometry().topLeft());
    trend->move(trend->pos() + QPoint(-7, 11));
    const QPoint left = trend->pos();
    trend->close();
    QTRY_VERIFY(!w.trendWindow());
    h.action("mnuZoushi")->trigger();
    QCOMPARE(w.trendWindow()->pos(), left);
}

// 投注记录: bets placed in the form, settled as draws come, change and go (also from another
// program), refused when they do not fit, removed after a question, exported; the prize table
// edited in its dialog changes what a win pays.
void TestAnalysisWindows::betLedgerWindow()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample())); // ends 130731078 1 2 6
    MainWindow &w = h.start();
    h.action("mnuTouzhu")->trigger();
    BetWindow *bets = w.betWindow();
    QVERIFY(bets && bets->isVisible());
    auto *issue = bets->findChild<QLineEdit *>("txtTzQihao");
    auto *play = bets->findChild<QComboBox *>("cboTzWanfa");
    auto *numbers = bets->findChild<QLineEdit *>("txtTzHaoma");
    auto *multiple = bets->findChild<QSpinBox *>("spnTzBeishu");
    auto *note = bets->findChild<QLabel *>("lblTzNote");
    QCOMPARE(issue->text(), QStringLiteral("130801001")); // the next issue
    const auto place = [&](const QString &playName, const QString &digits, int times) {
        play->setCurrentText(playName);
        numbers->setText(digits);
        multiple->setValue(times);
        return bets->addBet();
    };
    QVERIFY(place(QStringLiteral("和值"), "10", 2));
    QCOMPARE(multiple->value(), 1); // back to 1 after each bet
    const QString caption = ProvinceTable::at(w.commands().game().index).caption;
    QCOMPARE(bets->windowTitle(), QStringLiteral("投注记录 — ") + caption);
    QVERIFY(bets->findChild<QLabel *>("lblTzHeji")->text().startsWith(caption + QStringLiteral("：共 1 注")));
    QVERIFY(place(QStringLiteral("三同号通选"), "", 1));
    QVERIFY(!numbers->isEnabled()); // a 通选 play has no numbers
    // Refused: said in the form, nothing stored.
    QVERIFY(!place(QStringLiteral("三不同号"), "122", 1));
    QVERIFY(note->text().startsWith(QStringLiteral("三不同号要选三个不同的号码")));
    issue->setText("130801099");
    QVERIFY(!place(QStringLiteral("和值"), "10", 1));
    QVERIFY(note->text().contains(QStringLiteral("序号 099 不对")));
    // A multiple above 10,000 is refused with the reason, never clipped.
    issue->setText("130801001");
    QVERIFY(!place(QStringLiteral("和值"), "10", 99999));
    QVERIFY(note->text().startsWith(QStringLiteral("倍数 99999 太大")));
    QCOMPARE(multiple->value(), 99999);
    // An issue dated before the last stored draw asks first; 取消 stores nothing.
    issue->setText("130701001");
    h.dialogs.questionAnswers = {false};
    QVERIFY(!place(QStringLiteral("和值"), "10", 1));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("不在最后一期开奖的日期（2013-07-31）")));
    // So does one after tomorrow (today is the test clock's).
    issue->setText(h.clock.date.addDays(2).toString("yyMMdd") + "001");
    h.dialogs.questionAnswers = {false};
    QVERIFY(!place(QStringLiteral("和值"), "10", 1));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("明天（%1）").arg(h.clock.date.addDays(1).toString("yyyy-MM-dd"))));
    QCOMPARE(bets->bets().size(), size_t(2));
    const auto states = [&] {
        QStringList all;
        for (int r = 1; r < bets->grid()->rows(); ++r)
            all << bets->grid()->cellText(r, 6) + bets->grid()->cellText(r, 7);
        return all;
    };
    QCOMPARE(states(), (QStringList{"待开奖0", "待开奖0"})); // newest first
    // The draw typed in the main window settles both; another program corrects it.
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_4);
    QCOMPARE(states(), (QStringList{"中奖40", "未中0"}));
    QVERIFY(bets->findChild<QLabel *>("lblTzHeji")->text().contains(QStringLiteral("实际回报 40 元")));
    QProcess cli;
    for (const QStringList &command : {QStringList{"delete-last"}, QStringList{"add", "235"}}) {
        cli.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli", QStringList{"--dir", h.folder.path()} + command);
        QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
    }
    w.commands().syncWithDisk();
    QCOMPARE(states(), (QStringList{"未中0", "中奖18"}));
    // The province pays 和值 10 at 8: the ledger follows the selected game's saved table, and
    // the table of the game looked at last in the dialog is kept with the others.
    h.action("mnuJiangjin")->trigger();
    auto *prizes = w.findChild<PrizeTableDialog *>();
    QVERIFY(prizes);
    const int game = w.commands().game().index;
    auto *which = prizes->findChild<QComboBox *>("cboJiangjinCaizhong");
    auto *national = prizes->findChild<QCheckBox *>("chkJiangjinQuanguo");
    QCOMPARE(which->currentIndex(), game);
    QCOMPARE(which->count(), ProvinceTable::Count);
    QCOMPARE(which->itemText(ProvinceTable::Count - 1), ProvinceTable::at(ProvinceTable::Count - 1).caption);
    QVERIFY(national->isChecked() && !prizes->findChild<QSpinBox *>("spnJiangjinHz10")->isEnabled());
    national->setChecked(false);
    prizes->findChild<QSpinBox *>("spnJiangjinHz10")->setValue(8);
    which->setCurrentIndex(game + 1);
    QVERIFY(national->isChecked());
    QCOMPARE(prizes->findChild<QSpinBox *>("spnJiangjinHz10")->value(), Plays::PrizeTable().sumPrize(10));
    national->setChecked(false);
    prizes->findChild<QSpinBox *>("spnJiangjinHz10")->setValue(7);
    prizes->accept();
    QCOMPARE(states(), (QStringList{"未中0", "中奖16"}));
    QCOMPARE(Settings().prizes(game).sumPrize(10), 8);
    QCOMPARE(Settings().prizes(game + 1).sumPrize(10), 7);
    QCOMPARE(Settings().prizes(game + 2), Plays::PrizeTable());
    Settings().setPrizes({});
    // Delete on a row names it and asks; 取消 keeps it.
    bets->findChild<QTableView *>("grdTouzhu")->setCurrentIndex(bets->grid()->index(1, 0));
    h.dialogs.questionAnswers = {false, true};
    QTest::keyClick(bets->findChild<QTableView *>("grdTouzhu"), Qt::Key_Delete);
    QCOMPARE(bets->bets().size(), size_t(2));
    QTest::keyClick(bets->findChild<QTableView *>("grdTouzhu"), Qt::Key_Delete);
    QCOMPARE(bets->bets().size(), size_t(1));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("第 130801001 期 和值 10，2 倍")));
    // Exported with numbers as numbers.
    bets->exportTable();
    const Sheet touzhu = readWorkbook(h.folder.filePath(BetWindow::fileName()));
    QCOMPARE(touzhu.rows[0], (QStringList{"编号", "期号", "玩法", "号码", "倍数", "投注额", "状态", "奖金", "追号"}));
    QCOMPARE(touzhu.rows[1].mid(0, 8), (QStringList{"2", "130801001", "三同号通选", "", "1", "2", "未中", "0"}));
    QCOMPARE(touzhu.kinds[1][1], QStringLiteral("n"));
    // Another game selected: the window names it, and offers its next issue (none without draws),
    // even over an issue the player typed for the other game.
    issue->clear();
    QTest::keyClicks(issue, "130801009");
    h.action("mnuK3(3)")->trigger();
    QCOMPARE(bets->windowTitle(), QStringLiteral("投注记录 — ") + ProvinceTable::at(3).caption);
    QCOMPARE(issue->text(), QString());

    // 全部彩种: every game's bets, each naming its game and settled by its own game's table; a
    // row of a game not selected is removed from that game's own history.
    cli.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli",
              {"--dir", h.folder.path(), "--game", "3", "add", "345", "--issue", "161212001"});
    QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
    w.commands().syncWithDisk();
    Settings::PrizeTables tables;
    tables[3] = Plays::PrizeTable();
    tables[3]->setPlayPrize(Plays::Play::RunAny, 30);
    tables[3]->setPlayPrize(Plays::Play::TripleAny, 50); // game 0's lost 三同号通选 still expects 40 × 6/216
    Settings().setPrizes(tables);
    issue->setText("161212001");
    QVERIFY(place(QStringLiteral("三连号通选"), "", 1));
    bets->findChild<QComboBox *>("cboTzFanwei")->setCurrentIndex(1);
    QVERIFY(bets->showsAllGames());
    QCOMPARE(bets->grid()->cellText(0, 0), QStringLiteral("彩种"));
    QCOMPARE(bets->grid()->rows(), 3);
    QCOMPARE(bets->grid()->cellText(1, 0) + bets->grid()->cellText(1, 7), ProvinceTable::at(0).caption + "未中");
    QCOMPARE(bets->grid()->cellText(2, 0) + bets->grid()->cellText(2, 7) + bets->grid()->cellText(2, 8),
             ProvinceTable::at(3).caption + "中奖30");
    const QString summary = bets->findChild<QLabel *>("lblTzHeji")->text();
    QVERIFY2(summary.contains(ProvinceTable::at(0).caption + QStringLiteral("：共 1 注")) &&
                 summary.contains(ProvinceTable::at(3).caption + QStringLiteral("：共 1 注")) &&
                 summary.contains(QStringLiteral("全部彩种：共 2 注（已开奖 2 注），投注 4 元，中奖 30 元")),
             qPrintable(summary));
    QCOMPARE(bets->totals().expected, 6 / 216.0 * 40 + 24 / 216.0 * 30);
    bets->exportTable();
    const Sheet quanbu = readWorkbook(h.folder.filePath(BetWindow::allGamesFileName()));
    QCOMPARE(quanbu.rows[0].mid(0, 2), (QStringList{"彩种", "编号"}));
    QCOMPARE(quanbu.rows[2].mid(0, 3), (QStringList{ProvinceTable::at(3).caption, "1", "161212001"}));
    bets->findChild<QTableView *>("grdTouzhu")->setCurrentIndex(bets->grid()->index(0, 0));
    h.dialogs.questionAnswers = {true};
    QTest::keyClick(bets->findChild<QTableView *>("grdTouzhu"), Qt::Key_Delete);
    QVERIFY2(h.dialogs.shown.last().text.contains(ProvinceTable::at(0).caption + QStringLiteral(" 第 130801001 期 三同号通选，1 倍")), qPrintable(h.dialogs.shown.last().text));
    QCOMPARE(bets->grid()->rows(), 2);
    HistoryDb fujian;
    QVERIFY(fujian.openGame(h.folder.path(), 0, 0) == HistoryDb::OpenStatus::Ok);
    QVERIFY(Ledger::readBets(fujian, 0)->bets.empty());
    bets->findChild<QComboBox *>("cboTzFanwei")->setCurrentIndex(0);
    QCOMPARE(bets->grid()->cellText(0, 0), QStringLiteral("编号"));
    QCOMPARE(bets->bets().size(), size_t(1));
    Settings().setPrizes({});
}

// 投注记录 → 追号…: the plan made as the inputs change, its worst case on top; 下单 stores it, the
// ledger shows each bet's plan and 已撤 after the first win; the daily limit refuses a plan whole.
void TestAnalysisWindows::chaseFromTheLedgerWindow()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample())); // ends 130731078 1 2 6
    MainWindow &w = h.start();
    h.action("mnuTouzhu")->trigger();
    BetWindow *bets = w.betWindow();
    bets->findChild<QComboBox *>("cboTzWanfa")->setCurrentText(QStringLiteral("二不同号"));
    bets->findChild<QLineEdit *>("txtTzHaoma")->setText("25");
    bets->findChild<QPushButton *>("cmdTzZhuihao")->click();
    auto *chase = bets->findChild<ChaseDialog *>();
    QVERIFY(chase);
    QCOMPARE(chase->findChild<QLineEdit *>("txtZhQihao")->text(), QStringLiteral("130801001"));
    chase->findChild<QComboBox *>("cboZhGuize")->setCurrentIndex(int(Chase::Rule::Double));
    auto *honest = chase->findChild<QLabel *>("lblZhZuihuai");
    QCOMPARE(honest->text(), QStringLiteral("最坏情况：全部不中，花 2,046 元（概率 22.4%）；按公平开奖平均净 −281 元"));
    chase->findChild<QSpinBox *>("spnZhZuida")->setValue(100);
    QVERIFY(honest->text().contains(QStringLiteral("最大倍数 100")));
    QCOMPARE(chase->plan()->rows.size(), size_t(7));
    chase->findChild<QSpinBox *>("spnZhQishu")->setValue(3);
    // Over the daily limit (14 元 for three issues): refused, nothing stored.
    h.dialogs.inputAnswers = {QStringLiteral("abc"), QStringLiteral("13")};
    h.action("mnuXiane")->trigger();
    QVERIFY(h.dialogs.shown.at(h.dialogs.shown.size() - 2).text.contains(QStringLiteral("“abc”不是")));
    QCOMPARE(Settings().dailyLimit(), std::optional<qint64>(13));
    QCOMPARE(w.statusText(), QStringLiteral("每日投注限额：13 元"));
    QVERIFY(!chase->place());
    QVERIFY2(honest->text().contains(QStringLiteral("每日投注限额 13 元")), qPrintable(honest->text()));
    QCOMPARE(bets->bets().size(), size_t(0));
    Settings().setDailyLimit(14);
    chase->findChild<QPushButton *>("cmdZhXiadan")->click();
    QTRY_VERIFY(!bets->findChild<ChaseDialog *>());
    QCOMPARE(bets->bets().size(), size_t(3));
    QCOMPARE(bets->grid()->cellText(0, 8), QStringLiteral("追号"));
    QCOMPARE(bets->grid()->cellText(1, 8), QStringLiteral("1"));
    QVERIFY(bets->findChild<QLabel *>("lblTzHeji")->text().contains(QStringLiteral("今天已投注 14 元，每日限额 14 元")));
    // The first issue wins: the two after it are withdrawn, cost nothing and count nowhere.
    const int drawn[] = {2, 5, 6};
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key(Qt::Key_0 + drawn[p - 1]));
    QCOMPARE(bets->grid()->cellText(1, 6) + bets->grid()->cellText(2, 6) + bets->grid()->cellText(3, 6),
             QStringLiteral("已撤已撤中奖"));
    QCOMPARE(bets->grid()->cellText(1, 5), QStringLiteral("0"));
    QVERIFY(bets->findChild<QLabel *>("lblTzHeji")->text().contains(QStringLiteral("共 1 注（已开奖 1 注），投注 2 元")));
    // Delete on a plan's bet cancels the plan from that issue on.
    bets->findChild<QTableView *>("grdTouzhu")->setCurrentIndex(bets->grid()->index(1, 0));
    h.dialogs.questionAnswers = {true};
    QTest::keyClick(bets->findChild<QTableView *>("grdTouzhu"), Qt::Key_Delete);
    QVERIFY(h.dialogs.shown.last().text.startsWith(QStringLiteral("这注属于追号计划 1。撤销这个计划从第 130801002 期起")));
    QCOMPARE(bets->bets().size(), size_t(1));
    QCOMPARE(bets->findChild<QLabel *>("lblTzNote")->text(), QStringLiteral("已撤销追号计划 1 从第 130801002 期起的 2 注投注"));
    // The last one removed meanwhile by another program: nothing is said to be removed.
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli", {"--dir", h.folder.path(), "bet", "remove", "1"});
    QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
    bets->findChild<QTableView *>("grdTouzhu")->setCurrentIndex(bets->grid()->index(0, 0));
    h.dialogs.questionAnswers = {true};
    QTest::keyClick(bets->findChild<QTableView *>("grdTouzhu"), Qt::Key_Delete);
    QVERIFY2(bets->findChild<QLabel *>("lblTzNote")->text().startsWith(QStringLiteral("投注没有删除")),
             qPrintable(bets->findChild<QLabel *>("lblTzNote")->text()));
    Settings().setDailyLimit(std::nullopt);
}

#include "tst_analysiswindows.moc"
