#include "FollowSearch.h"
#include "HistoryDb.h"
#include "TestHistory.h"
#include "WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabBar>
#include <QTest>

namespace {
// 1 4 6, 3 3 5, 2 5 1, 6 6 2, 3 5 3, 1 4 6 at 161212001..006.
const std::vector<TestDraw> small = {{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161212003, {2, 5, 1}},
                                     {161212004, {6, 6, 2}}, {161212005, {3, 5, 3}}, {161212006, {1, 4, 6}}};

QString pattern(const Harness &h, int first)
{
    return h.text(QStringLiteral("Text2(%1)").arg(first)) +
           h.text(QStringLiteral("Text2(%1)").arg(first + 1)) +
           h.text(QStringLiteral("Text2(%1)").arg(first + 2));
}

QStringList column(const GridModel &grid, int col)
{
    QStringList cells;
    for (int r = 1; r < grid.rows(); ++r)
        cells << grid.cellText(r, col);
    return cells;
}
} // namespace

class TestSearchControls : public QObject
{
    Q_OBJECT
private slots:
    void searchButtonFillsBothGrids();
    void altSStartsTheSearch();
    void untickedPositionsTakeNoPart();
    void searchKindChangesTabOnePattern();
    void tabSwitchRestoresPatterns();
    void typedPatternKeepsOnlyNumberKeys();
    void verifyTabSetsPatternAndRangeEnd();
    void verifyTabRefusesWithoutPredecessor();
    void emptyManualBoxIsNamed();
    void displayKindWaitsForNextSearch();
    void combinationSearchTakesEditedSize();
    void rangeBoxWithSqlTextChangesNothing();
    void enterRunsTheSearch();
    void queryOfThePanel_data();
    void queryOfThePanel();
};

void TestSearchControls::searchButtonFillsBothGrids()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    h.start();
    QCOMPARE(pattern(h, 1), QStringLiteral("146"));
    // The headers show before the first search.
    QCOMPARE(h.grid(2).cellText(0, 4), QStringLiteral("上期开奖"));
    QCOMPARE(h.grid(3).cellText(0, 4), QStringLiteral("期望次数"));
    h.find<QPushButton>("Command1")->click();
    // 161212002 follows 1 4 6 (161212001); 161212006's successor does not exist yet.
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212002"}));
    QCOMPARE(h.grid(2).cellText(1, 4), QStringLiteral("146"));
    QCOMPARE(h.grid(2).cellText(0, 4), QStringLiteral("上期开奖"));
    QCOMPARE(h.grid(3).rows(), 7);
    QCOMPARE(h.grid(3).cellText(1, 1), QStringLiteral("3")); // 3 3 5: the 3 twice
    QCOMPARE(h.grid(3).cellText(1, 3), QStringLiteral("66.667%"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QCOMPARE(h.window->statusText(), QStringLiteral("找到 1 期，统计 3 个号码"));
    // Every search says what it found, or why nothing.
    h.find<QLineEdit>("Text3(0)")->setText("161212006");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.window->statusText(), QStringLiteral("没有找到符合条件的历史号码"));
    h.find<QLineEdit>("Text3(0)")->setText("abc");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.window->statusText(), QStringLiteral("检索起止期数无效"));
}

void TestSearchControls::altSStartsTheSearch()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(h.grid(2).rows(), 2);
}

void TestSearchControls::untickedPositionsTakeNoPart()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    h.start();
    h.find<QRadioButton>("Option1(0)")->click(); // 固定位
    h.find<QCheckBox>("Check1(2)")->setChecked(false);
    h.find<QCheckBox>("Check1(3)")->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    // Previous draw with 1 at position 1: 161212001 and (none after 006).
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212002"}));
    h.find<QCheckBox>("Check1(1)")->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(column(h.grid(2), 0).size(), 5); // no position: every draw from the range start
}

void TestSearchControls::searchKindChangesTabOnePattern()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.find<QRadioButton>("Option3(1)")->click();
    QCOMPARE(pattern(h, 1), QStringLiteral("小大大"));
    QCOMPARE(h.folder.readSetting("intLei"), QStringLiteral("1"));
    QCOMPARE(w.searchOptions().state().intPattern, (std::array<qint16, 3>{0, 1, 1}));
}

void TestSearchControls::tabSwitchRestoresPatterns()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    auto *tabs = h.find<QTabBar>("TabStrip1");
    tabs->setCurrentIndex(1);
    QVERIFY(w.searchOptions().state().bolManual);
    QVERIFY(h.find("TabFrame(2)")->isVisibleTo(&w));
    QVERIFY(!h.find("TabFrame(1)")->isVisibleTo(&w));
    QVERIFY(!h.find("Text4")->isVisibleTo(&w));
    h.find<QLineEdit>("Text22(1)")->setText("5");
    h.find<QLineEdit>("Text22(2)")->setText("2");
    h.find<QLineEdit>("Text22(3)")->setText("x");
    tabs->setCurrentIndex(0);
    QCOMPARE(w.searchOptions().state().intPattern, (std::array<qint16, 3>{1, 4, 6}));
    QVERIFY(!w.searchOptions().state().bolManual);
    tabs->setCurrentIndex(1);
    // A box that holds no number keeps that position's value.
    QCOMPARE(w.searchOptions().state().intPattern, (std::array<qint16, 3>{5, 2, 6}));
    h.find<QCheckBox>("Check11(3)")->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    // Typed 5 2 free on positions 1, 2: 3 5 1? no 2; 6 6 2 no 5; 2 5 1 has both -> 161212004.
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212004"}));
}

void TestSearchControls::typedPatternKeepsOnlyNumberKeys()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(1);
    auto *box = h.find<QLineEdit>("Text22(2)");
    box->setFocus();
    QTest::keyClicks(box, "a-1b 2");
    QCOMPARE(box->text(), QStringLiteral("-12"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, "x4");
    QCOMPARE(box->text(), QStringLiteral("4"));
    h.find<QLineEdit>("Text22(1)")->setFocus();
    QTRY_COMPARE(w.searchOptions().state().intPattern[1], 4);
    // The words of 大小 pass the filter and are taken as 1 and 0.
    h.find<QRadioButton>("Option3(1)")->click();
    box->clear();
    box->setFocus();
    QKeyEvent word(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("小"));
    QApplication::sendEvent(box, &word);
    QCOMPARE(box->text(), QStringLiteral("小"));
    h.find<QLineEdit>("Text22(1)")->setFocus();
    QTRY_COMPARE(w.searchOptions().state().intPattern[1], 0);
}

void TestSearchControls::verifyTabSetsPatternAndRangeEnd()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QCOMPARE(h.text("Text4"), QStringLiteral("161212007"));
    h.find<QLineEdit>("Text4")->setText("161212005");
    h.find<QCheckBox>("Check4")->click();
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212004")); // computed, not looked up
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);
    QVERIFY(h.find("Text4")->isVisibleTo(&w));
    QCOMPARE(pattern(h, 11), QStringLiteral("662"));
    QCOMPARE(w.searchOptions().state().intPattern, (std::array<qint16, 3>{6, 6, 2}));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212004"));
    h.find<QPushButton>("Command1")->click();
    // Only history before 161212005: nothing followed 6 6 2 there.
    QCOMPARE(h.grid(2).rows(), 1);
    // The tally lists every value, none found: 3 and 5 in value order.
    QCOMPARE(w.results().verifiedText(), QStringLiteral("161212005 期开出 3 5 3：3 在统计中排第 3，5 在统计中排第 5"));

    h.find<QCheckBox>("Check4")->click(); // unticked: the range ends at the latest draw again
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212006"));
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212005"}));
    // The verified draw is the one found: first in the tally, its row marked.
    const QString verified = w.results().verifiedText();
    QVERIFY2(verified.startsWith(QStringLiteral("161212005 期开出 3 5 3：")) &&
                 verified.contains(QStringLiteral("在统计中排第 1")) && !verified.contains(QStringLiteral("不在")),
             qPrintable(verified));
    const std::vector<int> marked = h.grid(3).markedRows();
    QVERIFY(!marked.empty());
    // Drawn bold on a light fill.
    auto *tally = h.find<GridView>("MSFlexGrid3");
    const QModelIndex markedCell = tally->model()->index(marked.front() - 1, 0);
    const QRect cell = tally->visualRect(markedCell);
    const QImage drawn = tally->viewport()->grab().toImage();
    QCOMPARE(drawn.pixelColor(cell.left() + 2, cell.top() + 2), QColor(0xff, 0xf1, 0xb8));
    const int boldWidth = tally->itemDelegate()->sizeHint(QStyleOptionViewItem(), markedCell).width();
    h.grid(3).setMarkedRows({});
    QVERIFY(tally->itemDelegate()->sizeHint(QStyleOptionViewItem(), markedCell).width() < boldWidth);
    QVERIFY(tally->viewport()->grab().toImage().pixelColor(cell.left() + 2, cell.top() + 2) != QColor(0xff, 0xf1, 0xb8));
    h.grid(3).setMarkedRows(marked);
    for (int r = 1; r < h.grid(3).rows(); ++r)
        QCOMPARE(h.grid(3).index(r - 1, 1).data(GridModel::MarkedRole).toBool(),
                 std::find(marked.begin(), marked.end(), r) != marked.end());
    // Another tab's search says nothing of it.
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(0);
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(w.results().verifiedText(), QString());
    QVERIFY(h.grid(3).markedRows().empty());
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);

    // 前2期 on tab 3: one draw further back.
    h.find<QRadioButton>("Option1(2)")->click();
    QCOMPARE(pattern(h, 11), QStringLiteral("251"));
    // Tab 3's own boxes choose the positions.
    h.find<QCheckBox>("Check1(11)")->setChecked(false);
    h.find<QCheckBox>("Check1(12)")->setChecked(false);
    h.find<QCheckBox>("Check1(13)")->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 5); // 161212003..006
}

// The typed issue's predecessor is the stored draw before it, whatever the day arithmetic says;
// an issue that is neither stored nor next gives no pattern and no search.
void TestSearchControls::verifyTabRefusesWithoutPredecessor()
{
    Harness h;
    // A short day: 161212 ends at its third draw.
    QVERIFY(TestHistory::createIn(h.folder.path(), {{161212001, {1, 4, 6}},
                                                    {161212002, {3, 3, 5}},
                                                    {161212003, {6, 6, 2}},
                                                    {161213001, {2, 5, 1}},
                                                    {161213002, {3, 5, 3}}}));
    h.start();
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);
    h.find<QCheckBox>("Check4")->click();
    auto *issue = h.find<QLineEdit>("Text4");
    issue->setText("161213001");
    QTest::keyClick(issue, Qt::Key_Return);
    QCOMPARE(pattern(h, 11), QStringLiteral("662"));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212003"));

    issue->setText("130731099");
    QTest::keyClick(issue, Qt::Key_Return);
    QCOMPARE(pattern(h, 11), QString());
    QCOMPARE(h.window->statusText(), QStringLiteral("期号 130731099 不在历史号码中"));
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 1);
    QCOMPARE(h.window->statusText(), QStringLiteral("期号 130731099 不在历史号码中"));

    // The next issue has the latest draw before it; leaving the tab gives the range end back.
    issue->setText("161213003");
    QTest::keyClick(issue, Qt::Key_Return);
    QCOMPARE(pattern(h, 11), QStringLiteral("353"));
    h.find<QPushButton>("Command1")->click();
    QVERIFY(h.window->statusText().startsWith(QStringLiteral("找到")));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161213002"));
    issue->setText("161212002");
    QTest::keyClick(issue, Qt::Key_Return);
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212001"));
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(0);
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161213002"));
}

void TestSearchControls::emptyManualBoxIsNamed()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    h.start();
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.find<QLineEdit>("Text22(1)")->setText("3");
    h.find<QLineEdit>("Text22(2)")->clear();
    h.find<QLineEdit>("Text22(3)")->setText("5");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.window->statusText(), QStringLiteral("手动输入号的第2位是空的，请输入号码或取消勾选该位"));
    QCOMPARE(h.grid(2).rows(), 1);
    h.find<QCheckBox>("Check11(2)")->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    QVERIFY(h.window->statusText().startsWith(QStringLiteral("找到")));
}

void TestSearchControls::displayKindWaitsForNextSearch()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    h.start();
    h.find<QPushButton>("Command1")->click();
    const QString before = h.grid(3).cellText(1, 1);
    h.find<QRadioButton>("Option4(2)")->click();
    h.find<QRadioButton>("Option2(4)")->click();
    h.find<QRadioButton>("Option5(1)")->click();
    QCOMPARE(h.grid(3).cellText(1, 1), before);
    h.find<QPushButton>("Command1")->click();
    // 单双 straight at position 1 of 3 3 5: one 单.
    QCOMPARE(h.grid(3).cellText(1, 1), QStringLiteral("单"));
    QCOMPARE(h.grid(3).cellText(1, 3), QStringLiteral("100.000%"));
}

void TestSearchControls::combinationSearchTakesEditedSize()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    // k = 1 on 1,4,6: any previous draw holding a 1, a 4 or a 6.
    h.find<QComboBox>("Combo1")->setEditText("1");
    h.find<QPushButton>("Command2")->click();
    QCOMPARE(w.searchOptions().combinationSize(), 1);
    QCOMPARE(h.folder.readSetting("intZhWSetup"), QStringLiteral("1"));
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212002", "161212004", "161212005"}));
    // Only 1 to 3: a 4 is not taken, the size in force is shown again and searched.
    h.find<QComboBox>("Combo1")->setEditText("4");
    h.find<QPushButton>("Command2")->click();
    QCOMPARE(w.searchOptions().combinationSize(), 1);
    QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("1"));
    QCOMPARE(column(h.grid(2), 0), (QStringList{"161212002", "161212004", "161212005"}));
}

void TestSearchControls::rangeBoxWithSqlTextChangesNothing()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.find<QLineEdit>("Text3(0)")->setText("0; DELETE FROM Lishi");
    h.find<QLineEdit>("Text3(1)")->setText("999999999 OR 1=1");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 1);
    // Issues beyond 32 bits are no issues either.
    h.find<QLineEdit>("Text3(0)")->setText("161212001");
    h.find<QLineEdit>("Text3(1)")->setText("20161212001");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 1);
    h.find<QLineEdit>("Text3(1)")->setText("161212006");
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(2).rows(), 2);
    QCOMPARE(w.history().snapshot()->count(), int(small.size()));
}

// Enter in a pattern box, a range box or the N box runs the search; Tab leaves a grid.
void TestSearchControls::enterRunsTheSearch()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    h.start();
    for (const char *box : {"Text3(0)", "Text3(1)", "MaskEdBox2"}) {
        h.grid(2).setRows(1);
        QTest::keyClick(h.find<QLineEdit>(box), Qt::Key_Return);
        QVERIFY2(h.grid(2).rows() > 1, box);
    }
    // The verify tab's issue box: Enter takes the issue and searches with its pattern.
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);
    auto *issue = h.find<QLineEdit>("Text4");
    issue->setText("161212004");
    const auto before = h.window->results().lastResult();
    QTest::keyClick(issue, Qt::Key_Return);
    QVERIFY(h.window->results().lastResult() != before);
    QCOMPARE(h.window->searchOptions().state().intPattern, (std::array<qint16, 3>{2, 5, 1}));
    QVERIFY(!h.find<GridView>("MSFlexGrid1")->tabKeyNavigation());
}

// What the options panel answers for "what would a search use now", on its own over a history.
void TestSearchControls::queryOfThePanel_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("edits"); // "name=text" typed into boxes, "-name" unticks a box
    QTest::addColumn<QString>("positions"); // the chosen positions as 1/0, or the problem
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("range");
    QTest::newRow("tab 1: the latest draw, the whole history")
        << 0 << QStringList{} << "111" << "146" << "161212002-161212006";
    QTest::newRow("tab 1: position 2 unticked") << 0 << QStringList{"-Check1(2)"} << "101" << "146"
                                                << "161212002-161212006";
    QTest::newRow("tab 2: typed pattern, its own boxes")
        << 1 << QStringList{"Text22(1)=3", "Text22(2)=3", "Text22(3)=5", "-Check11(3)", "-Check1(1)"} << "110"
        << "335" << "161212002-161212006";
    QTest::newRow("tab 2: an empty ticked box is named")
        << 1 << QStringList{"Text22(1)=3", "Text22(3)=5"} << "手动输入号的第2位是空的，请输入号码或取消勾选该位"
        << "" << "";
    QTest::newRow("tab 3: the draw before 161212005, range up to it")
        << 2 << QStringList{"Text4=161212005", "+Check4"} << "111" << "662" << "161212002-161212004";
    // Toggled without a click (a screen reader's action): the range end follows the box.
    QTest::newRow("tab 3: 仅检索该期前 toggled and untoggled")
        << 2 << QStringList{"Text4=161212005", "+Check4", "-Check4"} << "111" << "662" << "161212002-161212006";
    QTest::newRow("tab 3: no draw before the first")
        << 2 << QStringList{"Text4=161212001"} << "期号 161212001 之前没有历史号码" << "" << "";
    // 大小 chosen on the verify tab, then back to tab 1: the latest draw (1 4 6) in 大小, not the
    // numbers the boxes showed before.
    QTest::newRow("kind changed on tab 3, back to tab 1")
        << 2 << QStringList{"Text4=161212005", "*Option3(1)", "tab=0"} << "111" << "011" << "161212002-161212006";
    QTest::newRow("a range whose start is after its end")
        << 0 << QStringList{"Text3(0)=161212006", "Text3(1)=161212003"} << "起始期号 161212006 在结束期号 161212003 之后"
        << "" << "";
    // The manual boxes take the words of 大小 and 单双 and refuse what is outside the kind's range.
    QTest::newRow("tab 2: 大 小 and a digit for 大小")
        << 1 << QStringList{"*Option3(1)", "Text22(1)=大", "Text22(2)=1", "Text22(3)=小"} << "111" << "110"
        << "161212002-161212006";
    QTest::newRow("tab 2: 70 for 号码 names the box")
        << 1 << QStringList{"Text22(1)=70", "Text22(2)=1", "Text22(3)=1"} << "手动输入号的第1位“70”不是号码的值，应为 1~6"
        << "" << "";
    QTest::newRow("tab 2: 7 for 号码") << 1 << QStringList{"Text22(1)=1", "Text22(2)=7", "Text22(3)=1"}
                                       << "第2位“7”不是号码的值" << "" << "";
    QTest::newRow("tab 2: 2 for 单双") << 1 << QStringList{"*Option3(2)", "Text22(1)=单", "Text22(2)=双", "Text22(3)=2"}
                                       << "第3位“2”不是单双的值，应为 单 或 双" << "" << "";
    QTest::newRow("tab 2: 4 for 段数 1~3") << 1 << QStringList{"*Option3(3)", "Text22(1)=1", "Text22(2)=4", "Text22(3)=3"}
                                          << "第2位“4”不是段数的值，应为 1~3" << "" << "";
    QTest::newRow("tab 2: an unticked box is not checked")
        << 1 << QStringList{"Text22(1)=2", "Text22(2)=9", "Text22(3)=3", "-Check11(2)"} << "101" << "243"
        << "161212002-161212006";
    // Checked without a click (the keyboard, a screen reader): the kind follows the button.
    QTest::newRow("tab 1: 单双 chosen without a click")
        << 0 << QStringList{"~Option3(2)"} << "111" << "100" << "161212002-161212006";
    QTest::newRow("a range that is no number") << 0 << QStringList{"Text3(0)=abc"} << "111" << "146"
                                               << "none-161212006";
}

void TestSearchControls::queryOfThePanel()
{
    QFETCH(int, tab);
    QFETCH(QStringList, edits);
    QFETCH(QString, positions);
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(TestHistory::append(db, small));
    const HistorySnapshot history = *db.snapshot();
    SearchOptionsPanel panel;
    panel.loadSettings();
    panel.historyChanged(history, 78, 161212007, std::nullopt);
    panel.findChild<QTabBar *>("TabStrip1")->setCurrentIndex(tab);
    for (const QString &edit : edits) {
        if (edit.startsWith("tab=")) {
            panel.findChild<QTabBar *>("TabStrip1")->setCurrentIndex(edit.mid(4).toInt());
            continue;
        }
        if (edit.startsWith('*')) {
            panel.findChild<QRadioButton *>(edit.mid(1))->click();
            continue;
        }
        if (edit.startsWith('~')) {
            panel.findChild<QRadioButton *>(edit.mid(1))->setChecked(true);
            continue;
        }
        if (edit.startsWith('-') || edit.startsWith('+')) {
            panel.findChild<QCheckBox *>(edit.mid(1))->setChecked(edit.startsWith('+'));
            continue;
        }
        const QStringList parts = edit.split('=');
        auto *box = panel.findChild<QLineEdit *>(parts[0]);
        box->setText(parts[1]);
        emit box->editingFinished();
    }
    const SearchQuery q = panel.query();
    if (!q.problem.isEmpty()) {
        QVERIFY2(q.problem.contains(positions), qPrintable(q.problem));
        return;
    }
    QString chosen;
    for (bool p : q.positions)
        chosen += p ? '1' : '0';
    QCOMPARE(chosen, positions);
    QTEST(QStringLiteral("%1%2%3").arg(q.state.intPattern[0]).arg(q.state.intPattern[1]).arg(q.state.intPattern[2]),
          "pattern");
    auto bound = [](std::optional<qint32> v) { return v ? QString::number(*v) : QStringLiteral("none"); };
    QTEST(bound(q.range.from) + '-' + bound(q.range.to), "range");
}

QTEST_MAIN(TestSearchControls)
#include "tst_searchcontrols.moc"
