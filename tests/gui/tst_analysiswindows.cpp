#include "AnalysisWindows.h"
#include "TestHistory.h"
#include "WindowHarness.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

// The fair-dice line and column after a search, the backtest dialog and the tally chart, driven
// through the real window on the real public history.
class TestAnalysisWindows : public QObject
{
    Q_OBJECT
private slots:
    void searchShowsExpectedCounts();
    void backtestDialogRunsAndExports();
    void tallyChartShowsObservedAndExpected();
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
    QVERIFY(dialog->findChild<QChartView *>("chtHuice")->chart()->series().size() == 3);

    dialog->findChild<QPushButton *>("cmdHuiceExport")->click();
    const QString path = h.folder.filePath("Huice.xlsx");
    QCOMPARE(h.launcher.opened, QStringList{path});
    QVERIFY(QFileInfo(path).size() > 1000);

    // A range that is no range says so and keeps the last result.
    dialog->findChild<QLineEdit *>("txtHuiceFrom")->setText("abc");
    dialog->findChild<QPushButton *>("cmdHuiceRun")->click();
    QCOMPARE(dialog->findChild<QLabel *>("lblHuiceSummary")->text(), QStringLiteral("回测起止期号无效"));
    QCOMPARE(dialog->summary()->hits, s.hits);
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
}

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
