#include "ProvinceTable.h"
#include "TestHistory.h"
#include "TestWorkbook.h"
#include "AnalysisWindows.h"
#include "ResultGrids.h"
#include "WindowHarness.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QLabel>
#include <QTest>
#include <QWheelEvent>
#include <sys/stat.h>

namespace {

// The sheet holds the grid cell for cell: the header as text; below it, numbers as numbers
// (`numberColumns` lists the columns that must hold one on every row), percentages as numbers
// shown as percentages, words as text; then, after a blank row, the `notes` in its first column.
void compareWithGrid(const Sheet &sheet, const GridModel &grid, const QList<int> &numberColumns = {},
                     const QStringList &notes = {})
{
    QCOMPARE(sheet.name, QStringLiteral("Sheet1"));
    QCOMPARE(sheet.rows.size(), grid.rows() + (notes.isEmpty() ? 0 : notes.size() + 1));
    for (qsizetype n = 0; n < notes.size(); ++n)
        QCOMPARE(sheet.rows[grid.rows() + 1 + n].value(0), notes[n]);
    for (int r = 0; r < grid.rows(); ++r) {
        for (int c = 0; c < grid.cols(); ++c) {
            const QString shown = grid.cellText(r, c);
            const QString kind = sheet.kinds[r].value(c);
            if (r == 0 || kind == "s") {
                QCOMPARE(kind, QStringLiteral("s"));
                QCOMPARE(sheet.rows[r].value(c), shown);
                QVERIFY2(r == 0 || !numberColumns.contains(c), qPrintable(shown));
            } else if (kind == "p") {
                QVERIFY(shown.endsWith('%'));
                QCOMPARE(qRound(sheet.rows[r].value(c).toDouble() * 100000), qRound(shown.chopped(1).toDouble() * 1000));
            } else {
                QCOMPARE(kind, QStringLiteral("n"));
                QCOMPARE(sheet.rows[r].value(c).toDouble(), shown.toDouble());
            }
        }
    }
}

void doubleClick(GridView *view)
{
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
}

// One wheel message to `target`; true when it took it. A message that no control takes goes on
// to the window (the event system passes it up the parents).
bool wheel(QWidget *target, int delta)
{
    QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

} // namespace

class TestGridExport : public QObject
{
    Q_OBJECT
private slots:
    void resultGridsToWorkbooks();
    void historyByDoubleClickAndMenu();
    void userFilesGoToTheDocumentsFolder();
    void unwritableFolderIsReported();
    void wheelScrollsTheFocusedGrid();
    void rightClickOpensHistoryMenu();
};

void TestGridExport::resultGridsToWorkbooks()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    h.start();
    h.find<QPushButton>("Command1")->click();
    QVERIFY(h.grid(2).rows() > 10);

    doubleClick(h.find<GridView>("MSFlexGrid2"));
    const QString results = h.folder.filePath("Jiansuo.xlsx");
    QCOMPARE(h.launcher.opened, QStringList{results});
    const Sheet list = readWorkbook(results);
    QCOMPARE(list.rows.first(), (QStringList{"期号", "第1位", "第2位", "第3位", "上期开奖"}));
    compareWithGrid(list, h.grid(2), {0, 1, 2, 3});
    QCOMPARE(h.grid(2).row(), h.grid(2).rows() - 1);
    // The search's conditions go with it, on a second sheet.
    const QList<Sheet> both = readWorkbookSheets(results);
    QCOMPARE(both.size(), 2);
    QCOMPARE(both[1].name, QStringLiteral("检索条件"));
    const QList<QPair<QString, QString>> &conditions = h.window->results().conditions();
    // It names its game first, there and in its title.
    const QString caption = ProvinceTable::at(h.window->commands().game().index).caption;
    QCOMPARE(both[1].rows.size(), conditions.size() + 1);
    QCOMPARE(both[1].rows[0], (QStringList{"彩种", caption}));
    QCOMPARE(list.title, caption + QStringLiteral(" 检索结果"));
    for (int r = 0; r < conditions.size(); ++r)
        QCOMPARE(both[1].rows[r + 1].value(0), conditions[r].first);
    QCOMPARE(both[1].rows[2].value(1), ResultGrids::optionsText(h.window->searchOptions().state(), {true, true, true}));
    QCOMPARE(both[1].rows[5], (QStringList{"起始期号", h.text("Text3(0)")}));
    QCOMPARE(both[1].kinds[5].value(1), QStringLiteral("n"));
    QCOMPARE(both[1].rows[7], (QStringList{"找到期数", QString::number(h.grid(2).rows() - 1)}));
    QCOMPARE(h.grid(2).col(), 4);

    QTest::mouseDClick(h.find<GridView>("MSFlexGrid3")->horizontalHeader()->viewport(), Qt::LeftButton, {},
                       QPoint(5, 5));
    doubleClick(h.find<GridView>("MSFlexGrid3"));
    const Sheet tally = readWorkbook(h.folder.filePath("Jieguo.xlsx"));
    QCOMPARE(tally.rows.first(), (QStringList{"序号", "结果", "出现次数", "百分比", "期望次数"}));
    // The fair-dice line goes with the tally.
    QVERIFY(h.find<QLabel>("lblFairness")->text().startsWith(QStringLiteral("与公平骰子比较")));
    compareWithGrid(tally, h.grid(3), {0, 1, 2, 4}, {h.find<QLabel>("lblFairness")->text()});
    QCOMPARE(tally.kinds[1], (QStringList{"n", "n", "n", "p", "n"}));
    QVERIFY(tally.rows[1][4].toDouble() > 0);
    QCOMPARE(readWorkbookSheets(h.folder.filePath("Jieguo.xlsx")).value(1).name, QStringLiteral("检索条件"));

    // Words stay words: the 大小 tally's values.
    h.find<QAbstractButton>("Option4(1)")->click();
    h.find<QPushButton>("Command1")->click();
    doubleClick(h.find<GridView>("MSFlexGrid3"));
    const Sheet words = readWorkbook(h.folder.filePath("Jieguo.xlsx"));
    compareWithGrid(words, h.grid(3), {0, 2, 4}, {h.find<QLabel>("lblFairness")->text()});
    QCOMPARE(words.kinds[1], (QStringList{"n", "s", "n", "p", "n"}));
}

void TestGridExport::historyByDoubleClickAndMenu()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 300)));
    h.start();
    h.find<QPushButton>("Command1")->click(); // a search's conditions belong to its grids only
    h.launcher.opened.clear();
    doubleClick(h.find<GridView>("MSFlexGrid1"));
    const QString path = h.folder.filePath("lishi.xlsx");
    QCOMPARE(readWorkbookSheets(path).size(), 1);
    const Sheet first = readWorkbook(path);
    QCOMPARE(first.rows.first(), (QStringList{"期号", "第1位", "第2位", "第3位"}));
    QCOMPARE(first.rows[1][0], QStringLiteral("161212001"));
    compareWithGrid(first, h.grid(1), {0, 1, 2, 3});

    // The menu export writes the same file again, replacing it.
    QVERIFY(TestHistory::append(h.window->history(), {{161213001, {6, 6, 6}}}));
    h.window->commands().reload(), h.window->refresh();
    h.action("mnuDcls")->trigger();
    const Sheet second = readWorkbook(path);
    compareWithGrid(second, h.grid(1));
    QCOMPARE(second.rows.last(), (QStringList{"161213001", "6", "6", "6"}));
    QVERIFY(h.grid(1).isVisible());
    QCOMPARE(h.grid(1).row(), 301);
    QCOMPARE(h.grid(1).col(), 3);
    QCOMPARE(h.launcher.opened, (QStringList{path, path}));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    // No half-written files are left beside it.
    QCOMPARE(QDir(h.folder.path()).entryList({"*lishi*"}, QDir::Files | QDir::Hidden),
             QStringList{"lishi.xlsx"});
    // A new file's usual permissions, not the private ones of the work file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(QFileInfo(path).permission(QFileDevice::ReadOther), (mask & 04) == 0);
    QCOMPARE(QFileInfo(path).permission(QFileDevice::ReadGroup), (mask & 040) == 0);
    // With no application to open it, the status bar says where the workbook is.
    h.launcher.answer = false;
    h.action("mnuDcls")->trigger();
    QCOMPARE(h.window->statusText(), QStringLiteral("电子表格已保存在 %1（桌面没有可以打开它的程序）")
                                         .arg(QDir::toNativeSeparators(path)));
    const QString caption = ProvinceTable::at(h.window->commands().game().index).caption;
    QCOMPARE(second.title, caption + QStringLiteral(" 历史号码"));

    // Another game's export of the same name is replaced only when the user says so.
    h.action("mnuK3(3)")->trigger();
    h.dialogs.questionAnswers = {false, true};
    h.action("mnuDcls")->trigger();
    QCOMPARE(h.dialogs.count("question"), 1);
    QCOMPARE(h.dialogs.shown.last().text,
             QStringLiteral("lishi.xlsx 是%1的导出。替换成%2的吗？").arg(caption, ProvinceTable::at(3).caption));
    QCOMPARE(readWorkbook(path).rows.last(), (QStringList{"161213001", "6", "6", "6"}));
    h.action("mnuDcls")->trigger();
    QCOMPARE(readWorkbook(path).title, ProvinceTable::at(3).caption + QStringLiteral(" 历史号码"));
    h.action("mnuDcls")->trigger(); // its own game's: no question
    QCOMPARE(h.dialogs.count("question"), 2);
}

// Installed, what the user opens or keeps goes to a documents folder; the database and its
// backups stay in the data folder.
void TestGridExport::userFilesGoToTheDocumentsFolder()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    h.documents = h.folder.filePath("文档/快3跟号分析");
    QVERIFY(QDir().mkpath(h.documents));
    MainWindow &w = h.start();
    doubleClick(h.find<GridView>("MSFlexGrid1"));
    h.find<QPushButton>("Command4")->click();
    h.action("mnuHuice")->trigger();
    auto *backtest = w.findChild<BacktestDialog *>();
    backtest->findChild<QLineEdit *>("txtHuiceFrom")->setText(QString::number(w.snapshot().at(w.snapshot().count() - 20).sqqh));
    backtest->findChild<QPushButton *>("cmdHuiceRun")->click();
    backtest->findChild<QPushButton *>("cmdHuiceExport")->click();
    h.action("mnuClear")->trigger();
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.launcher.opened.size(), 3);
    for (const QString &opened : h.launcher.opened)
        QCOMPARE(QFileInfo(opened).absolutePath(), h.documents);
    QCOMPARE(h.dialogs.shown.last().kind, QStringLiteral("openFile"));
    QCOMPARE(h.dialogs.shown.last().text, h.documents + "/历史号码");
    QVERIFY(QFileInfo(h.documents + "/历史号码").isDir());
    QVERIFY(QFileInfo(h.folder.filePath("vendrixK3.db")).exists());
    QVERIFY(QFileInfo(h.folder.filePath("备份")).isDir());
    QVERIFY(!QFileInfo(h.documents + "/备份").exists());
}

void TestGridExport::unwritableFolderIsReported()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 5)));
    h.start();
    doubleClick(h.find<GridView>("MSFlexGrid1"));
    const QString path = h.folder.filePath("lishi.xlsx");
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // A folder that refuses new files (root writes anywhere: then a locked name stands for it).
    QFile::setPermissions(h.folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool root = QFileInfo(h.folder.path()).isWritable();
    if (!root) {
        doubleClick(h.find<GridView>("MSFlexGrid1"));
        QCOMPARE(h.dialogs.count("message"), 1);
        QCOMPARE(h.launcher.opened.size(), 1);
    }
    QFile::setPermissions(h.folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    f.close();

    // A name that cannot be replaced: a folder stands there.
    QVERIFY(QDir().mkpath(h.folder.filePath("Jieguo.xlsx/inside")));
    doubleClick(h.find<GridView>("MSFlexGrid3"));
    QCOMPARE(h.dialogs.count("message"), root ? 1 : 2);
    QVERIFY(h.dialogs.shown.last().text.contains("Jieguo.xlsx"));
    QVERIFY(QFileInfo(h.folder.filePath("Jieguo.xlsx/inside")).isDir());
    QCOMPARE(QDir(h.folder.path()).entryList({".Jieguo*"}, QDir::Files | QDir::Hidden), QStringList{});
}

void TestGridExport::wheelScrollsTheFocusedGrid()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 200)));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *view = h.find<GridView>("MSFlexGrid1");
    QScrollBar *bar = view->verticalScrollBar();
    QTRY_COMPARE(bar->value(), bar->maximum());
    bar->setValue(0);
    QWidget *elsewhere = h.find("Command1");

    // The grids and the buttons leave wheel messages to the window.
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QVERIFY(!wheel(view->viewport(), -120));
    QVERIFY(!wheel(elsewhere, -120));
    QCOMPARE(bar->value(), 0);

    // Without the focus on a grid nothing scrolls.
    h.find<QLineEdit>("Text3(0)")->setFocus();
    QTRY_VERIFY(h.find("Text3(0)")->hasFocus());
    wheel(&w, -120);
    QCOMPARE(bar->value(), 0);

    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QVERIFY(wheel(&w, -120)); // towards the user: down one row
    QCOMPARE(bar->value(), 1);
    QCOMPARE(h.grid(1).topRow(), 2);
    wheel(&w, -360); // a big turn is still one message: one row
    QCOMPARE(bar->value(), 2);
    for (int i = 0; i < 5; ++i)
        wheel(&w, 120); // away from the user: up, not past the first row
    QCOMPARE(bar->value(), 0);
    QCOMPARE(h.grid(1).topRow(), 1);
    // Another grid with the focus scrolls instead.
    h.find<GridView>("MSFlexGrid2")->setFocus();
    QTRY_VERIFY(!view->hasFocus());
    wheel(&w, -120);
    QCOMPARE(bar->value(), 0);

    h.find<QLineEdit>("Text3(0)")->setFocus();
    QTRY_VERIFY(h.find("Text3(0)")->hasFocus());
    wheel(&w, -120);
    QCOMPARE(bar->value(), 0);
}

void TestGridExport::rightClickOpensHistoryMenu()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 5)));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *menu = h.find<QMenu>("mnuLsgl");
    QWidget *viewport = h.find<GridView>("MSFlexGrid1")->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!menu->isVisible());
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, 10));
    QTRY_VERIFY(menu->isVisible());
    menu->close();
    QTest::mouseClick(h.find<GridView>("MSFlexGrid2")->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(!menu->isVisible());
}

QTEST_MAIN(TestGridExport)
#include "tst_gridexport.moc"
