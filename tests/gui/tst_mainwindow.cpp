#include "GridModel.h"
#include "GridView.h"
#include "HistoryDb.h"
#include "Dialogs.h"
#include "HelpMenu.h"
#include "HistoryPanel.h"
#include "AnalysisWindows.h"
#include "MainWindow.h"
#include "PatternRefresh.h"
#include "Database.h"
#include "TestHistory.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// The controls as a first run sets them.
void verifyFirstRunControls(const Harness &h)
{
    for (int i = 0; i < 15; ++i)
        QCOMPARE(h.action(QStringLiteral("mnuK3(%1)").arg(i))->isChecked(), i == 0);
    for (const char *button :
         {"Option1(1)", "Option1(3)", "Option2(5)", "Option5(3)", "Option4(0)", "Option3(0)", "Option6(0)"})
        QVERIFY2(h.checked(button), button);
    QVERIFY(!h.action("mnuDscs(0)")->isChecked());
    QVERIFY(h.action("mnuDscs(1)")->isChecked());
    QCOMPARE(h.text("MaskEdBox2"), QStringLiteral("2"));
    QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("2"));
    QCOMPARE(h.window->commands().game().drawsPerDay, 78);
    QCOMPARE(h.window->update().daysToKeep(), 3);
}

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void controlsCarryTheirCaptions_data();
    void controlsCarryTheirCaptions();
    void menusHoldEveryEntry();
    void firstRunState();
    void garbageSettingsStartLikeFirstRun();
    void storedSettingsSelectControls();
    void startUpWithHistory_data();
    void startUpWithHistory();
    void historyGridScrollsAboveThirtyNine_data();
    void historyGridScrollsAboveThirtyNine();
    void nextIssueFollowsTheGame_data();
    void nextIssueFollowsTheGame();
    void optionClicksPersist_data();
    void optionClicksPersist();
    void preQiBoxMovesPatternAndRange();
    void combinationSizeSavedOnFocusLoss();
    void gameMenuSwitchesTheHistory();
    void followedGamesInTheMenu();
    void newcomersFirstDrawAndDamagedRecord();
    void typedIssueNotNextAsksFirst();
    void segmentMenuTicksOneEntry();
    void daysDialogRepeatsUntilValid();
    void daysDialogCancelStoresNothing();
    void settingsButtonPopsUpTheMenu();
    void helpEntriesOpenShippedPages();
    void unreadableDatabaseIsReportedAndKept();
    void delrecEmptiesHistory();
    void windowFitsSmallScreen();
    void accessibleNames_data();
    void accessibleNames();
    void tabOrderFollowsLayout();
    void emptyHistorySaysHowToAddDraws();
    void helpMenuAndF1();
    void yesNoBoxAnswersThreeWays();
    void statisticsGridShowsEveryRow_data();
    void statisticsGridShowsEveryRow();
};

void TestMainWindow::controlsCarryTheirCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    const QString exportTip = "鼠标双击列表可以将列表导出到EXCEL";
    QTest::newRow("Label12") << "Label12"
                             << "在下面输入第一期的期号和号码:"
                             << "";
    QTest::newRow("Command1") << "Command1"
                              << "检索(&S)"
                              << "";
    QTest::newRow("Command2") << "Command2"
                              << "组合检索(&G)"
                              << "";
    QTest::newRow("Command3") << "Command3"
                              << "删除最后历史(&D)"
                              << "";
    QTest::newRow("Command4") << "Command4"
                              << "历史号码导出文本文件(&X)"
                              << "";
    QTest::newRow("Command21") << "Command21"
                               << "历史号在线更新(&O)"
                               << "从官方服务器更新历史号码";
    QTest::newRow("cmdRdLst") << "cmdRdLst"
                              << "读取历史号文本(&W)"
                              << "从历史号码文本文件中读取历史号中最后一期之后的新的历史号码";
    QTest::newRow("Command9") << "Command9"
                              << "软件设置(&T)"
                              << "";
    QTest::newRow("Option1(1)") << "Option1(1)"
                                << "自由位"
                                << "";
    QTest::newRow("Option1(0)") << "Option1(0)"
                                << "固定位"
                                << "";
    QTest::newRow("Option1(3)") << "Option1(3)"
                                << "上期"
                                << "";
    QTest::newRow("Option1(2)") << "Option1(2)"
                                << "前    期"
                                << "";
    const char *kinds[] = {"号码", "大小", "单双", "段数"};
    // How 大小 and 段数 class a number, on both kinds' buttons.
    const QString tips[] = {"", "本软件：3~6 为大，1~2 为小", "",
                            "本软件：1、2 为第一段，3、4 为第二段，5、6 为第三段（段数参数见“设置”菜单）"};
    for (int i = 0; i < 4; ++i) {
        QTest::addRow("Option3(%d)", i) << QStringLiteral("Option3(%1)").arg(i) << kinds[i] << tips[i];
        QTest::addRow("Option4(%d)", i) << QStringLiteral("Option4(%1)").arg(i) << kinds[i] << tips[i];
    }
    QTest::newRow("Option2(5)") << "Option2(5)"
                                << "组选"
                                << "";
    QTest::newRow("Option2(4)") << "Option2(4)"
                                << "直选"
                                << "";
    for (int p = 1; p <= 3; ++p) {
        QTest::addRow("Option5(%d)", p)
            << QStringLiteral("Option5(%1)").arg(p) << QStringLiteral("第%1位").arg(p) << "";
        QTest::addRow("Check1(%d)", p)
            << QStringLiteral("Check1(%1)").arg(p) << QStringLiteral("第%1位").arg(p) << "";
        QTest::addRow("Check11(%d)", p)
            << QStringLiteral("Check11(%1)").arg(p) << QStringLiteral("第%1位").arg(p) << "";
        QTest::addRow("Check1(%d)", p + 10)
            << QStringLiteral("Check1(%1)").arg(p + 10) << QStringLiteral("第%1位").arg(p) << "";
        QTest::addRow("MaskEdBox1(%d)", p) << QStringLiteral("MaskEdBox1(%1)").arg(p) << ""
                                           << "在此补充输入最新历史号码";
        QTest::addRow("Text2(%d)", p) << QStringLiteral("Text2(%1)").arg(p) << ""
                                      << "";
        QTest::addRow("Text2(%d)", p + 10) << QStringLiteral("Text2(%1)").arg(p + 10) << ""
                                           << "";
        QTest::addRow("Text22(%d)", p) << QStringLiteral("Text22(%1)").arg(p) << ""
                                       << QStringLiteral("手动第%1位：1~6").arg(p);
    }
    QTest::newRow("Option6(0)") << "Option6(0)"
                                << "红蓝"
                                << "红蓝、红球只记下您的选择，不改变组合检索的结果（检索只看“组合位数”）";
    QTest::newRow("Option6(1)") << "Option6(1)"
                                << "红球"
                                << "红蓝、红球只记下您的选择，不改变组合检索的结果（检索只看“组合位数”）";
    QTest::newRow("Check4") << "Check4"
                            << "仅检索该期前"
                            << "";
    QTest::newRow("Label1") << "Label1"
                            << "组合位数"
                            << "";
    QTest::newRow("Frame5") << "Frame5"
                            << "组合组位检索"
                            << "";
    // An empty history has no next issue: the box is empty and asks for one.
    QTest::newRow("Text1") << "Text1"
                           << ""
                           << "";
    QTest::newRow("Text4") << "Text4"
                           << "20161212001"
                           << "";
    // An empty history offers no range.
    QTest::newRow("Text3(0)") << "Text3(0)"
                              << ""
                              << "";
    QTest::newRow("Text3(1)") << "Text3(1)"
                              << ""
                              << "";
    QTest::newRow("MaskEdBox2") << "MaskEdBox2"
                                << "2"
                                << "";
    QTest::newRow("MSFlexGrid1") << "MSFlexGrid1"
                                 << "" << exportTip;
    QTest::newRow("MSFlexGrid2") << "MSFlexGrid2"
                                 << "" << exportTip;
    QTest::newRow("MSFlexGrid3") << "MSFlexGrid3"
                                 << ""
                                 << "";
}

void TestMainWindow::controlsCarryTheirCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    Harness h;
    h.start();
    QWidget *w = h.find(name);
    QVERIFY2(w, qPrintable(name));
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(w))
        QCOMPARE(label->text(), caption);
    else if (auto *edit = qobject_cast<QLineEdit *>(w))
        QCOMPARE(edit->text(), caption);
    else if (auto *box = qobject_cast<QGroupBox *>(w))
        QCOMPARE(box->title(), caption);
    QCOMPARE(w->toolTip(), toolTip);
}

void TestMainWindow::menusHoldEveryEntry()
{
    Harness h;
    h.start();
    auto captions = [](QMenu *menu) {
        QStringList list;
        for (QAction *a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    };
    QStringList bar;
    for (QAction *a : h.window->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"历史管理(&H)", "设置(&Z)", "分析(&F)", "彩种选择(&C)", "帮助(&B)"}));
    // One Alt key, one control: the window's buttons and the menu bar share no mnemonic, nor do
    // the entries of one menu.
    auto mnemonic = [](const QString &text) {
        const qsizetype at = text.indexOf('&');
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toUpper() : QChar();
    };
    auto distinct = [&](const QStringList &texts, const QString &where) {
        QHash<QChar, QString> seen;
        for (const QString &text : texts) {
            const QChar key = mnemonic(text);
            if (key.isNull())
                continue;
            QVERIFY2(!seen.contains(key), qPrintable(where + ": " + seen.value(key) + " / " + text));
            seen.insert(key, text);
        }
    };
    QStringList windowKeys = bar;
    for (const QAbstractButton *button : h.window->findChildren<QAbstractButton *>())
        windowKeys << button->text();
    distinct(windowKeys, QStringLiteral("window"));
    for (const QMenu *menu : h.window->findChildren<QMenu *>()) {
        QStringList entries;
        for (const QAction *a : menu->actions())
            entries << a->text();
        distinct(entries, menu->objectName());
    }
    QCOMPARE(captions(h.find<QMenu>("mnuFenxi")),
             (QStringList{"跟号回测(&B)…", "统计图表(&C)…", "走势与遗漏(&T)…", "投注记录(&L)…", "-", "回测与统计说明(&H)"}));
    QCOMPARE(captions(h.find<QMenu>("mnuLsgl")),
             (QStringList{"导出历史号码(&O)", "删除最后历史(&E)", "清空历史号码(&C)", "删除到选定期(&D)",
                          "删除最后指定数量期历史(&N)", "-", "粘贴开奖号码(&P)…", "撤销上次删除(&U)", "恢复备份(&B)…", "-", "缺期(&Q)…"}));
    QCOMPARE(captions(h.find<QMenu>("mnuSetup")),
             (QStringList{"段数参数设置(&A)", "-", "历史号码更新检索天(&Y)", "开奖网址(&U)…", "奖金表(&J)…", "每日投注限额(&L)…", "每天期数(&M)…", "开奖时间(&T)…", "通知(&N)", "自动更新(&Z)（先设置开奖网址）",
                          "软件介绍服务主页(&P)", "软件介绍说明页面(&R)", "软件使用说明(&D)", "-"}));
    QCOMPARE(captions(h.find<QMenu>("mnuHelp")), (QStringList{"使用说明(&U)", "跟号回测与统计(&B)", "走势与遗漏(&T)",
                                                                  "玩法、奖金与投注记录(&P)", "追号(&C)", "-", "关于(&A)…"}));
    QCOMPARE(captions(h.find<QMenu>("mnuDscsSetup")), (QStringList{"段数参数0~2", "段数参数1~3"}));
    QCOMPARE(
        captions(h.find<QMenu>("mnuCaizhong")),
        (QStringList{"福建快3", "广西快3", "上海快3", "江苏快3", "安徽快3", "江西快3", "湖北快3", "贵州快3",
                     "吉林快3", "北京快3", "河北快3", "河南快3", "甘肃快3", "青海快3", "内蒙快3", "-", "关注(&G)"}));
    for (int i = 0; i < 15; ++i)
        QVERIFY(h.action(QStringLiteral("mnuK3(%1)").arg(i)));
    QCOMPARE(h.find<QTabBar>("TabStrip1")->tabText(0), QStringLiteral("自动历史位"));
    QCOMPARE(h.find<QTabBar>("TabStrip1")->tabText(1), QStringLiteral("手动输入号"));
    QCOMPARE(h.find<QTabBar>("TabStrip1")->tabText(2), QStringLiteral("验证指定期"));
    QStringList frames;
    for (QGroupBox *box : h.window->findChildren<QGroupBox *>())
        if (!box->title().isEmpty())
            frames << box->title();
    frames.sort();
    QStringList expected{"检索位选择", "检索期选择",   "搜索类型选择", "结果类型选择",
                         "号码组选择", "结果统计选择", "检索起止期数", "组合组位检索"};
    expected.sort();
    QCOMPARE(frames, expected);
}

void TestMainWindow::firstRunState()
{
    Harness h;
    MainWindow &w = h.start();
    // Nothing is written before the first draw: the history file comes with it.
    QVERIFY(w.history().isPending());
    QVERIFY(!QFile::exists(h.folder.filePath("vendrixK3.db")));
    QCOMPARE(h.dialogs.shown.size(), 0);

    verifyFirstRunControls(h);
    QCOMPARE(w.commands().game().code, QStringLiteral("fj"));
    QCOMPARE(w.searchOptions().state().intXianshiLei, 0); // A: 号码
    QCOMPARE(w.searchOptions().state().DsIni, 1);

    // Empty history: no range, grids are empty.
    QCOMPARE(h.text("Text3(0)"), QString());
    QCOMPARE(h.text("Text3(1)"), QString());
    QCOMPARE(h.text("Text1"), QString());
    QCOMPARE(h.find<QLineEdit>("Text1")->placeholderText(), QStringLiteral("请先输入期号"));
    // The caption names no issue until one is typed, then that one.
    QCOMPARE(h.find<QLabel>("Label12")->text(), QStringLiteral("在下面输入第一期的期号和号码:"));
    h.find<QLineEdit>("Text1")->setFocus();
    QTest::keyClicks(h.find<QLineEdit>("Text1"), "161212001");
    QCOMPARE(h.find<QLabel>("Label12")->text(), QStringLiteral("在下面输入 161212001 期历史号码:"));
    h.find<QLineEdit>("Text1")->clear();
    QCOMPARE(h.grid(1).rows(), 1);
    QCOMPARE(h.grid(1).cellText(0, 0), QStringLiteral("期号"));
    QCOMPARE(h.grid(2).rowCount(), 0);
    QCOMPARE(h.grid(3).rowCount(), 0);
    const int widths[] = {480, 680, 800, 880};
    for (int c = 0; c < 4; ++c)
        QCOMPARE(h.grid(3).colWidth(c), widths[c]);

    // Nothing is written at start-up: every key is written when its control changes.
    QVERIFY(!QFile::exists(h.folder.settingsFile()));
}

void TestMainWindow::garbageSettingsStartLikeFirstRun()
{
    Harness h;
    for (const char *key : {"GsZl", "bolZyw", "bolSq", "intPreQi", "intLei", "intXianshiLei", "intConsqSort",
                            "bolZuxuan", "DsIni", "bolZhpm", "intZhWSetup", "IniSerchDay"})
        h.folder.writeSetting(key, "#garbage#");
    h.start();
    verifyFirstRunControls(h);
}

void TestMainWindow::storedSettingsSelectControls()
{
    Harness h;
    const std::pair<const char *, const char *> stored[] = {
        {"GsZl", "14"},  {"bolZyw", "False"},    {"bolSq", "False"},    {"intPreQi", "4"},
        {"intLei", "3"}, {"intXianshiLei", "2"}, {"intConsqSort", "1"}, {"bolZuxuan", "False"},
        {"DsIni", "0"},  {"bolZhpm", "True"},    {"intZhWSetup", "3"},  {"IniSerchDay", "9"}};
    for (auto [key, value] : stored)
        h.folder.writeSetting(key, value);
    MainWindow &w = h.start();
    QVERIFY(h.action("mnuK3(14)")->isChecked());
    QVERIFY(!h.action("mnuK3(0)")->isChecked());
    QCOMPARE(w.commands().game().drawsPerDay, 73);
    QVERIFY(h.checked("Option1(0)"));
    QVERIFY(h.checked("Option1(2)"));
    QCOMPARE(h.text("MaskEdBox2"), QStringLiteral("4"));
    QVERIFY(h.checked("Option3(3)"));
    QVERIFY(h.checked("Option4(2)"));
    QCOMPARE(w.searchOptions().state().intXianshiLei, 2); // E: 单双
    QVERIFY(h.checked("Option5(1)"));
    QVERIFY(h.checked("Option2(4)"));
    QVERIFY(h.action("mnuDscs(0)")->isChecked());
    QVERIFY(!h.action("mnuDscs(1)")->isChecked());
    QVERIFY(h.checked("Option6(1)"));
    QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("3"));
    QCOMPARE(w.update().daysToKeep(), 9);
}

void TestMainWindow::startUpWithHistory_data()
{
    QTest::addColumn<QString>("bolSq");
    QTest::addColumn<QString>("n");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("rangeStart");
    QTest::addColumn<QStringList>("pattern");
    // The history: 1 4 6, 3 3 5, 2 5 1, 6 6 2 at 161212001..004.
    QTest::newRow("上期 号码") << "True"
                               << "2"
                               << "0"
                               << "161212002" << QStringList{"6", "6", "2"};
    QTest::newRow("上期 大小") << "True"
                               << "2"
                               << "1"
                               << "161212002" << QStringList{"大", "大", "小"};
    QTest::newRow("前3期 号码") << "False"
                                << "3"
                                << "0"
                                << "161212004" << QStringList{"3", "3", "5"};
    QTest::newRow("前2期 单双") << "False"
                                << "2"
                                << "2"
                                << "161212003" << QStringList{"双", "单", "单"};
}

void TestMainWindow::startUpWithHistory()
{
    QFETCH(QString, bolSq);
    QFETCH(QString, n);
    QFETCH(QString, kind);
    Harness h;
    QVERIFY(TestHistory::createIn(
        h.folder.path(),
        {{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161212003, {2, 5, 1}}, {161212004, {6, 6, 2}}}));
    h.folder.writeSetting("bolSq", bolSq);
    h.folder.writeSetting("intPreQi", n);
    h.folder.writeSetting("intLei", kind);
    MainWindow &w = h.start();
    QTEST(h.text("Text3(0)"), "rangeStart");
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212004"));
    QStringList shown;
    for (int p = 1; p <= 3; ++p)
        shown << h.text(QStringLiteral("Text2(%1)").arg(p));
    QTEST(shown, "pattern");
    QFETCH(QStringList, pattern);
    for (int p = 0; p < 3; ++p)
        QCOMPARE(PatternRefresh::valueText(kind.toInt(), w.searchOptions().state().intPattern[p]), pattern[p]);
    QVERIFY(!w.searchOptions().state().bolManual);
    QCOMPARE(h.text("Text1"), QStringLiteral("161212005"));
    QCOMPARE(h.text("Text4"), QStringLiteral("161212005"));
    QCOMPARE(w.commands().currentIssue(), 161212005);
    QCOMPARE(h.grid(1).rows(), 5);
    QCOMPARE(h.grid(1).cellText(4, 0), QStringLiteral("161212004"));
}

void TestMainWindow::historyGridScrollsAboveThirtyNine_data()
{
    QTest::addColumn<int>("draws");
    QTest::addColumn<bool>("scrolled");
    // The window's grid shows fewer than 39 rows: the newest is brought into view below that too.
    QTest::newRow("10") << 10 << false;
    QTest::newRow("39") << 39 << true;
    QTest::newRow("40") << 40 << true;
    QTest::newRow("sample") << -1 << true;
}

void TestMainWindow::historyGridScrollsAboveThirtyNine()
{
    QFETCH(int, draws);
    QFETCH(bool, scrolled);
    Harness h;
    const std::vector<TestDraw> history =
        draws < 0 ? TestHistory::sample() : TestHistory::consecutive(161212001, draws);
    QVERIFY(TestHistory::createIn(h.folder.path(), history));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(h.grid(1).rows(), int(history.size()) + 1);
    auto *view = h.find<GridView>("MSFlexGrid1");
    const QScrollBar *bar = view->verticalScrollBar();
    if (scrolled) {
        // Scrolled as far as it goes: the last draw is in view.
        QTRY_COMPARE(bar->value(), bar->maximum());
        QCOMPARE(h.grid(1).topRow(), bar->maximum() + 1);
        QVERIFY(bar->maximum() > 0);
        // Grid row 10 on top: the view's row 9, the header being grid row 0.
        h.grid(1).setTopRow(10);
        QCOMPARE(bar->value(), 9);
        QCOMPARE(view->rowAt(0), 9);
        h.grid(1).setTopRow(h.grid(1).rows() - 1);
    } else {
        QCOMPARE(bar->maximum(), 0);
        QCOMPARE(bar->value(), 0);
    }
    const QModelIndex newest = view->model()->index(view->model()->rowCount() - 1, 0);
    QVERIFY(view->viewport()->rect().contains(view->visualRect(newest)));
    // A change of many rows at once (an import, an update) brings the newest draw into view too.
    const QString file = h.folder.filePath("more.txt");
    QVERIFY(
        HistoryText::writeFile(file, HistoryText::format(TestHistory::consecutive(170101001, 300)), nullptr));
    h.dialogs.fileAnswers = {file};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.grid(1).rows(), 301);
    QTRY_VERIFY(bar->maximum() > 200);
    QTRY_COMPARE(bar->value(), bar->maximum());
    // Every trimming command leaves the newest draw in view and says what it did.
    const struct
    {
        const char *action;
        const char *answer;
        const char *status;
    } trims[] = {{"mnuEszhzd", "12", "已删除 12 期"},
                 {"Command3", "", "已删除 170101288 期，可用 撤销上次删除 恢复"},
                 {"mnuDlzd", "170101200", "保留 200 期"},
                 {"mnuDlzd", "170101030", "保留 30 期"}};
    for (const auto &trim : trims) {
        view->scrollToTop();
        QCOMPARE(bar->value(), 0);
        // The row a user picks for 删除到选定期 sits near the top; it leaves no mark on the view.
        view->selectRow(3);
        if (*trim.answer)
            h.dialogs.inputAnswers = {QString::fromUtf8(trim.answer)};
        if (QByteArray(trim.action).startsWith("mnu"))
            h.action(trim.action)->trigger();
        else
            h.find<QPushButton>(trim.action)->click();
        QVERIFY2(h.find<QLabel>("lblStatus")->text().contains(QString::fromUtf8(trim.status)), qPrintable(h.find<QLabel>("lblStatus")->text()));
        QTRY_VERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
    }
}

void TestMainWindow::nextIssueFollowsTheGame_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<qint32>("last");
    QTest::addColumn<QString>("next");
    QTest::newRow("福建 day end") << "0" << 161212078 << "161213001";
    QTest::newRow("吉林 078 goes on") << "8" << 161212078 << "161212079";
    QTest::newRow("吉林 day end") << "8" << 161212087 << "161213001";
    QTest::newRow("内蒙 day end") << "14" << 161212073 << "161213001";
    QTest::newRow("上海 year end") << "2" << 161231082 << "170101001";
    QTest::newRow("leap year") << "0" << 160228078 << "160229001";
    QTest::newRow("no date: none to show") << "0" << 161340078 << "";
}

void TestMainWindow::nextIssueFollowsTheGame()
{
    QFETCH(QString, game);
    QFETCH(qint32, last);
    Harness h;
    h.folder.writeSetting("GsZl", game);
    QVERIFY(TestHistory::createIn(h.folder.path(), {{last - 1, {1, 2, 3}}, {last, {4, 5, 6}}}));
    MainWindow &w = h.start();
    QTEST(h.text("Text1"), "next");
    QCOMPARE(h.text("Text4"),
             game == "0" && last == 161340078 ? QStringLiteral("20161212001") : h.text("Text1"));
    QCOMPARE(w.commands().currentIssue(), last + 1);
}

void TestMainWindow::optionClicksPersist_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::newRow("固定位") << "Option1(0)"
                            << "bolZyw"
                            << "False";
    QTest::newRow("前N期") << "Option1(2)"
                           << "bolSq"
                           << "False";
    QTest::newRow("直选") << "Option2(4)"
                          << "bolZuxuan"
                          << "False";
    QTest::newRow("search kind 段数") << "Option3(3)"
                                      << "intLei"
                                      << "3";
    QTest::newRow("display kind 单双") << "Option4(2)"
                                       << "intXianshiLei"
                                       << "2";
    QTest::newRow("第1位") << "Option5(1)"
                           << "intConsqSort"
                           << "1";
    QTest::newRow("红球") << "Option6(1)"
                          << "bolZhpm"
                          << "True";
}

void TestMainWindow::optionClicksPersist()
{
    QFETCH(QString, control);
    QFETCH(QString, key);
    Harness h;
    h.start();
    h.find<QRadioButton>(control)->click();
    QTEST(h.folder.readSetting(key), "stored");
    h.start();
    QVERIFY2(h.checked(control), "a restart selects the same button");
}

void TestMainWindow::preQiBoxMovesPatternAndRange()
{
    Harness h;
    QVERIFY(TestHistory::createIn(
        h.folder.path(),
        {{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161212003, {2, 5, 1}}, {161212004, {6, 6, 2}}}));
    MainWindow &w = h.start();
    h.find<QRadioButton>("Option1(2)")->click();
    QCOMPARE(h.folder.readSetting("bolSq"), QStringLiteral("False"));
    QCOMPARE(h.text("Text3(0)"), QStringLiteral("161212003")); // N = 2
    QCOMPARE(h.text("Text2(1)"), QStringLiteral("2"));

    auto *box = h.find<QLineEdit>("MaskEdBox2");
    // A digit typed into the full box replaces the one there.
    box->setCursorPosition(1);
    QTest::keyClicks(box, "3");
    QCOMPARE(box->text(), QStringLiteral("3"));
    emit box->editingFinished();
    QCOMPARE(w.searchOptions().state().intPreQi, 3);
    QCOMPARE(h.folder.readSetting("intPreQi"), QStringLiteral("3"));
    QCOMPARE(h.text("Text3(0)"), QStringLiteral("161212004"));
    QCOMPARE(h.text("Text2(1)") + h.text("Text2(2)") + h.text("Text2(3)"), QStringLiteral("335"));

    // The box takes one digit 1..9: 0 and letters never reach N.
    box->clear();
    QTest::keyClicks(box, "0x");
    QCOMPARE(box->text(), QString());
    emit box->editingFinished();
    QCOMPARE(w.searchOptions().state().intPreQi, 3);
    QCOMPARE(w.statusText(), QStringLiteral("前N期 为 1~9"));

    // "10" is no N: the second digit is refused out loud, the first stays.
    w.showStatus(QString());
    box->clear();
    QFocusEvent in(QEvent::FocusIn); // as the box gets when the user clicks into it
    QApplication::sendEvent(box, &in);
    QTest::keyClicks(box, "10");
    QCOMPARE(box->text(), QStringLiteral("1"));
    QCOMPARE(w.statusText(), QStringLiteral("前N期 为 1~9"));
    // "12" too: the 2 does not take the 1's place.
    w.showStatus(QString());
    QTest::keyClicks(box, "2");
    QCOMPARE(box->text(), QStringLiteral("1"));
    QCOMPARE(w.statusText(), QStringLiteral("前N期 为 1~9"));
    // Leaving and coming back, a new digit takes the place of the old one.
    QApplication::sendEvent(box, &in);
    QTest::keyClicks(box, "4");
    QCOMPARE(box->text(), QStringLiteral("4"));
    // Selected and deleted, the box takes the next digit; Backspace likewise.
    for (Qt::Key erase : {Qt::Key_Delete, Qt::Key_Backspace}) {
        w.showStatus(QString());
        box->selectAll();
        // With the text a keyboard sends for each.
        QTest::sendKeyEvent(QTest::Click, box, erase, erase == Qt::Key_Delete ? QStringLiteral("\x7f") : QStringLiteral("\b"),
                            Qt::NoModifier);
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, "5");
        QCOMPARE(box->text(), QStringLiteral("5"));
        QCOMPARE(w.statusText(), QString());
    }
    // Wide enough to read its digit, inside the blank of "前    期".
    QVERIFY2(box->contentsRect().width() >= box->fontMetrics().horizontalAdvance(QStringLiteral("00")),
             qPrintable(QString::number(box->width())));
    auto *option = h.find<QRadioButton>("Option1(2)");
    QCOMPARE(option->text(), QStringLiteral("前    期"));
    QVERIFY(option->fontMetrics().horizontalAdvance(QStringLiteral("    ")) >= box->width());
}

void TestMainWindow::combinationSizeSavedOnFocusLoss()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *combo = h.find<QComboBox>("Combo1");
    auto *other = h.find<QLineEdit>("Text3(0)");
    combo->setFocus();
    QTRY_VERIFY(combo->hasFocus());
    combo->setEditText("3");
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(w.searchOptions().combinationSize(), 3);
    QCOMPARE(h.folder.readSetting("intZhWSetup"), QStringLiteral("3"));

    combo->setFocus();
    QTRY_VERIFY(combo->hasFocus());
    combo->setEditText("zwei");
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(w.searchOptions().combinationSize(), 3);
    QCOMPARE(combo->currentText(), QStringLiteral("3"));
    QCOMPARE(h.folder.readSetting("intZhWSetup"), QStringLiteral("3"));
}

void TestMainWindow::gameMenuSwitchesTheHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212041, 38))); // ends 078
    MainWindow &w = h.start();
    // A file of an older release that says no game is the selected game's from now on.
    QCOMPARE(w.history().storedGame(), std::optional<int>(0));
    QCOMPARE(h.text("Text1"), QStringLiteral("161213001"));
    QCOMPARE(w.statusText(), QStringLiteral("福建快3的历史号码：38 期"));
    const QString jilin = h.folder.filePath("vendrixK3_jl.db");

    h.action("mnuK3(8)")->trigger();
    for (int i = 0; i < 15; ++i)
        QCOMPARE(h.action(QStringLiteral("mnuK3(%1)").arg(i))->isChecked(), i == 8);
    QCOMPARE(h.folder.readSetting("GsZl"), QStringLiteral("8"));
    QCOMPARE(w.commands().game().drawsPerDay, 87);
    QCOMPARE(w.commands().game().code, QStringLiteral("jl"));
    // 吉林快3's own history: none yet, and no file until its first draw.
    QCOMPARE(h.grid(1).rows(), 1); // the empty history's blank row
    QCOMPARE(w.snapshot().count(), 0);
    QVERIFY(!QFile::exists(jilin));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("吉林快3")));
    QCOMPARE(h.find<QLabel>("lblGame")->text(), QStringLiteral("吉林快3"));
    QCOMPARE(w.statusText(), QStringLiteral("吉林快3的历史号码：0 期"));
    QCOMPARE(h.text("Text1"), QString()); // 福建快3's next issue is none of 吉林快3's

    h.find<QLineEdit>("Text1")->setText("161212079");
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_2);
    QVERIFY(QFile::exists(jilin));
    QCOMPARE(w.history().storedGame(), std::optional<int>(8));
    QCOMPARE(w.snapshot().count(), 1);
    QCOMPARE(w.history().snapshotFromRows()->last().sqqh, 161212079);
    // Its next issue follows its 87 draws a day.
    QCOMPARE(h.text("Text1"), QStringLiteral("161212080"));

    h.action("mnuK3(0)")->trigger();
    QCOMPARE(w.snapshot().count(), 38);
    QCOMPARE(w.snapshot().last().sqqh, 161212078);
    QCOMPARE(h.grid(1).rows(), 39);
    QCOMPARE(h.text("Text1"), QStringLiteral("161213001"));
    QCOMPARE(w.statusText(), QStringLiteral("福建快3的历史号码：38 期"));
    QCOMPARE(w.history().storedGame(), std::optional<int>(0));
    h.action("mnuK3(8)")->trigger();
    QCOMPARE(w.snapshot().count(), 1);
    QCOMPARE(w.snapshot().last().sqqh, 161212079);
}

// 关注: the games with a history until the player ticks; each followed game's draws and last issue
// in the menu, Ctrl+1… on the followed ones in menu order.
void TestMainWindow::followedGamesInTheMenu()
{
    TestFolder other; // made first: the settings are the last folder's
    QVERIFY(TestHistory::createIn(other.path(), TestHistory::consecutive(161212001, 5)));
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample())); // 福建快3's, ends 130731078
    QVERIFY(QFile::copy(other.filePath("vendrixK3.db"), h.folder.filePath("vendrixK3_jl.db")));
    {
        HistoryDb jilin;
        QCOMPARE(jilin.open(h.folder.filePath("vendrixK3_jl.db")), HistoryDb::OpenStatus::Ok);
        QVERIFY(jilin.recordGame(8));
    }
    h.start();
    QCOMPARE(h.action("mnuK3(0)")->shortcut(), QKeySequence("Ctrl+1"));
    QCOMPARE(h.action("mnuK3(8)")->shortcut(), QKeySequence("Ctrl+2"));
    QCOMPARE(h.action("mnuK3(1)")->shortcut(), QKeySequence());
    emit h.find<QMenu>("mnuCaizhong")->aboutToShow();
    QCOMPARE(h.action("mnuK3(0)")->text(), QStringLiteral("福建快3 — 4778 期，至 130731078"));
    QCOMPARE(h.action("mnuK3(8)")->text(), QStringLiteral("吉林快3 — 5 期，至 161212005"));
    QCOMPARE(h.action("mnuK3(1)")->text(), QStringLiteral("广西快3"));
    QVERIFY(h.action("mnuGuanzhu(8)")->isChecked());
    // Ticked off: saved, and the entry is a plain one again; another ticked on comes in order.
    h.action("mnuGuanzhu(8)")->trigger();
    h.action("mnuGuanzhu(3)")->trigger();
    QCOMPARE(h.folder.readSetting("Guanzhu"), QStringLiteral("0,3"));
    QCOMPARE(h.action("mnuK3(8)")->text(), QStringLiteral("吉林快3"));
    QCOMPARE(h.action("mnuK3(8)")->shortcut(), QKeySequence());
    QCOMPARE(h.action("mnuK3(3)")->text(), QStringLiteral("江苏快3 — 没有历史号码"));
    QCOMPARE(h.action("mnuK3(3)")->shortcut(), QKeySequence("Ctrl+2"));
}

// A fresh folder: the game picked takes its first typed draw. A file whose record of its game is
// damaged is named, and the player may say whose it is (after a backup).
// A typed issue that is not the next one asks first: another game's issue years later is kept
// out on 取消; one that leaves issues missing is stored on yes, and the missing ones are named
// (status bar, 历史管理 → 缺期…).
void TestMainWindow::typedIssueNotNextAsksFirst()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample())); // ends with 130731078
    MainWindow &w = h.start();
    h.action("mnuQueqi")->trigger();
    QVERIFY(h.dialogs.shown.last().text.startsWith(QStringLiteral("没有缺期")));
    const auto type = [&](const QString &issue) {
        h.find<QLineEdit>("Text1")->setText(issue);
        for (int p = 1; p <= 3; ++p) {
            h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p))->clear();
            QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_3);
        }
    };
    h.dialogs.questionAnswers = {false, true};
    type("261209021");
    QCOMPARE(h.dialogs.count("question"), 1);
    QVERIFY2(h.dialogs.shown.last().text.contains(QStringLiteral("261209021 期比下一期（130801001）晚 4878 天。现在的彩种是")),
             qPrintable(h.dialogs.shown.last().text));
    QCOMPARE(w.snapshot().count(), 4778);
    type("130801004");
    QCOMPARE(h.dialogs.count("question"), 2);
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("中间缺 3 期")));
    QCOMPARE(w.snapshot().count(), 4779);
    QVERIFY2(w.statusText().contains(QStringLiteral("缺 3 期")), qPrintable(w.statusText()));
    h.action("mnuQueqi")->trigger();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("130801001、130801002、130801003")));
    // The next issue itself asks nothing.
    type("130801005");
    QCOMPARE(h.dialogs.count("question"), 2);
    QCOMPARE(w.snapshot().count(), 4780);
}

void TestMainWindow::newcomersFirstDrawAndDamagedRecord()
{
    Harness h;
    MainWindow &w = h.start(); // 福建快3, no history at all
    h.action("mnuK3(3)")->trigger(); // 江苏快3
    h.find<QLineEdit>("Text1")->setText("161212001");
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_3);
    QCOMPARE(h.dialogs.count("message"), 0);
    QCOMPARE(w.snapshot().count(), 1);
    QCOMPARE(w.history().storedGame(), std::optional<int>(3));
    h.action("mnuK3(0)")->trigger();
    QCOMPARE(w.snapshot().count(), 0);

    Harness damaged;
    QVERIFY(TestHistory::createIn(damaged.folder.path(), TestHistory::consecutive(161212001, 5)));
    {
        Database tool;
        QVERIFY(tool.open(damaged.folder.filePath("vendrixK3.db")));
        QVERIFY(tool.exec("CREATE TABLE Caizhong (GsZl INTEGER)"));
        QVERIFY(tool.exec("INSERT INTO Caizhong VALUES (99)"));
    }
    damaged.dialogs.questionAnswers = {false};
    MainWindow &first = damaged.start();
    QCOMPARE(damaged.dialogs.count("question"), 1);
    QVERIFY(damaged.dialogs.shown.first().text.contains(QStringLiteral("vendrixK3.db 记录的彩种 99 无法识别")));
    QCOMPARE(first.snapshot().count(), 5); // read, not written
    QVERIFY(first.statusText().contains(QStringLiteral("记录的彩种 99 无法识别")));
    QCOMPARE(first.history().storedGame(), std::nullopt);
    damaged.dialogs.questionAnswers = {true};
    MainWindow &second = damaged.start();
    QCOMPARE(second.history().storedGame(), std::optional<int>(0));
    QCOMPARE(second.snapshot().count(), 5);
    QCOMPARE(QDir(damaged.folder.filePath("备份")).entryList({"*.txt"}).size(), 1);
}

void TestMainWindow::segmentMenuTicksOneEntry()
{
    Harness h;
    MainWindow &w = h.start();
    h.action("mnuDscs(0)")->trigger();
    QVERIFY(h.action("mnuDscs(0)")->isChecked());
    QVERIFY(!h.action("mnuDscs(1)")->isChecked());
    QCOMPARE(w.searchOptions().state().DsIni, 0);
    QCOMPARE(h.folder.readSetting("DsIni"), QStringLiteral("0"));
    h.start();
    QVERIFY(h.action("mnuDscs(0)")->isChecked());
    QVERIFY(!h.action("mnuDscs(1)")->isChecked());
    h.action("mnuDscs(1)")->trigger();
    QVERIFY(!h.action("mnuDscs(0)")->isChecked());
    QCOMPARE(h.folder.readSetting("DsIni"), QStringLiteral("1"));
}

void TestMainWindow::daysDialogRepeatsUntilValid()
{
    Harness h;
    MainWindow &w = h.start();
    h.dialogs.inputAnswers = {QStringLiteral("1"), QStringLiteral("17"), QStringLiteral("abc"),
                              QStringLiteral("16")};
    h.action("mnuSetDay")->trigger();
    QCOMPARE(h.dialogs.count("input"), 4);
    QCOMPARE(h.dialogs.count("message"), 3);
    const auto &ask = h.dialogs.shown.first();
    QCOMPARE(ask.title, QStringLiteral("设置天数"));
    QCOMPARE(ask.text, QStringLiteral("请输入更新需要保留的历史号码的天数（2~16中的任意自然数），"
                                      "如果超过天数将删除最早的一天的历史号码"));
    QCOMPARE(ask.defaultAnswer, QStringLiteral("6")); // first run: 6 here, while start-up used 3
    const auto &refusal = h.dialogs.shown.at(1);
    QCOMPARE(refusal.title, QStringLiteral("输入有误"));
    QCOMPARE(refusal.text, QStringLiteral("为了保证时效性和提高计算效率，软件只能统计16天以内的数据，"
                                          "请输入2到16中的自然数。"));
    QCOMPARE(w.update().daysToKeep(), 16);
    QCOMPARE(h.folder.readSetting("IniSerchDay"), QStringLiteral("16"));

    h.dialogs.shown.clear();
    h.dialogs.inputAnswers = {QStringLiteral("2")};
    h.action("mnuSetDay")->trigger();
    QCOMPARE(h.dialogs.shown.first().defaultAnswer, QStringLiteral("16"));
    QCOMPARE(h.folder.readSetting("IniSerchDay"), QStringLiteral("2"));
}

void TestMainWindow::daysDialogCancelStoresNothing()
{
    Harness h;
    MainWindow &w = h.start();
    h.dialogs.inputAnswers = {std::nullopt};
    h.action("mnuSetDay")->trigger();
    QCOMPARE(h.dialogs.count("message"), 0);
    QCOMPARE(h.folder.readSetting("IniSerchDay"), QString());
    QCOMPARE(w.update().daysToKeep(), 6); // re-read before asking, even when cancelled
    h.dialogs.inputAnswers = {QString()};
    h.action("mnuSetDay")->trigger();
    QCOMPARE(h.folder.readSetting("IniSerchDay"), QString());
}

void TestMainWindow::settingsButtonPopsUpTheMenu()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *menu = h.find<QMenu>("mnuSetup");
    QVERIFY(!menu->isVisible());
    h.find<QPushButton>("Command9")->click();
    QTRY_VERIFY(menu->isVisible());
    menu->close();
}

void TestMainWindow::helpEntriesOpenShippedPages()
{
    Harness h;
    h.start();
    for (const char *entry : {"mnuHomePage", "mnuIntroPage", "mnuDemoPage"})
        h.action(entry)->trigger();
    QCOMPARE(h.launcher.opened.size(), 3);
    for (const QString &page : h.launcher.opened) {
        QVERIFY2(QFile::exists(page), qPrintable(page));
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("<title>Vendrix K3")));
    }
}

void TestMainWindow::unreadableDatabaseIsReportedAndKept()
{
    Harness h;
    const QString path = h.folder.filePath("vendrixK3.db");
    const QByteArray garbage("not a database at all, but the user's file");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    MainWindow &w = h.start();
    QCOMPARE(h.dialogs.count("message"), 1);
    QVERIFY(h.dialogs.shown.first().text.contains(QDir::toNativeSeparators(path)));
    QVERIFY(!w.history().isOpen());
    // Over the empty grid the reason, not the first start's ways in.
    QVERIFY(h.find<QLabel>("lblFirstStart")->text().contains(QStringLiteral("无法读取历史号码")));
    QVERIFY(h.find<QLabel>("lblFirstStart")->text().contains(QStringLiteral("vendrixK3.db")));
    QCOMPARE(h.grid(1).rows(), 1);
    QCOMPARE(h.text("Text3(0)"), QString());
    QVERIFY(!w.history().delrec());
    w.commands().reload(), w.refresh();
    // It may hold 福建快3's draws: another game's history is its own file, and 福建快3's stays it.
    h.action("mnuK3(8)")->trigger();
    QCOMPARE(h.dialogs.count("message"), 1);
    QVERIFY(w.history().isPending());
    h.action("mnuK3(0)")->trigger();
    QCOMPARE(h.dialogs.count("message"), 2);
    QVERIFY(!w.history().isOpen());
    h.window.reset();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void TestMainWindow::delrecEmptiesHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 45)));
    MainWindow &w = h.start();
    QVERIFY(w.history().delrec());
    QCOMPARE(w.snapshot().count(), 45); // the snapshot is reopened by AddHaoma only
    w.commands().reload(), w.refresh();
    QCOMPARE(w.snapshot().count(), 0);
    QCOMPARE(h.grid(1).rows(), 1);
}

void TestMainWindow::windowFitsSmallScreen()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 100)));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // 1366×768 less a task bar and the window frame.
    QVERIFY2(w.minimumSizeHint().width() <= 1000, qPrintable(QString::number(w.minimumSizeHint().width())));
    QVERIFY2(w.minimumSizeHint().height() <= 700, qPrintable(QString::number(w.minimumSizeHint().height())));
    QVERIFY(w.width() <= 1366);
    QVERIFY(w.height() <= 700);
    // Every control is inside the window.
    for (const char *name : {"Command1", "Command2", "Command9", "Command4", "Text3(1)", "MSFlexGrid3"}) {
        QWidget *c = h.find(name);
        const QRect inWindow(c->mapTo(&w, QPoint(0, 0)), c->size());
        QVERIFY2(w.rect().contains(inWindow), name);
    }
    // Tab 3 shows its issue row without moving the panel below it or growing the window.
    const QPoint search = h.find("Command1")->mapTo(&w, QPoint(0, 0));
    const QSize size = w.size();
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);
    QCoreApplication::processEvents();
    QTest::qWait(20);
    QCOMPARE(h.find("Command1")->mapTo(&w, QPoint(0, 0)), search);
    QCOMPARE(w.size(), size);
    for (int tab : {1, 2, 0}) {
        h.find<QTabBar>("TabStrip1")->setCurrentIndex(tab);
        QTest::qWait(20);
        QCOMPARE(w.size(), size);
    }
    // On a 1024×768 screen every result column is still in view.
    h.find<QPushButton>("Command1")->click();
    w.resize(1010, 700);
    QTRY_COMPARE(w.width(), 1010);
    for (const char *grid : {"MSFlexGrid2", "MSFlexGrid3"})
        QTRY_COMPARE(h.find<GridView>(grid)->horizontalScrollBar()->maximum(), 0);
    // Narrower still, an issue is never cut: the list scrolls sideways instead.
    auto *list = h.find<GridView>("MSFlexGrid2");
    list->resize(160, list->height());
    QTRY_VERIFY(list->columnWidth(0) >= list->fontMetrics().horizontalAdvance(h.grid(2).cellText(1, 0)));
    QVERIFY(list->horizontalScrollBar()->maximum() > 0);
    // A long status line wraps, whole in its tooltip.
    const QString longLine = QString(QStringLiteral("很长的状态")).repeated(60);
    w.showStatus(longLine);
    QCOMPARE(h.find<QLabel>("lblStatus")->toolTip(), longLine);
    QVERIFY2(w.minimumSizeHint().width() <= 1010, qPrintable(QString::number(w.minimumSizeHint().width())));
    // Larger, the result columns stretch to the grid's width.
    w.resize(1600, 900);
    QTRY_COMPARE(w.width(), 1600);
    for (const char *grid : {"MSFlexGrid2", "MSFlexGrid3"}) {
        auto *view = h.find<GridView>(grid);
        auto columnsWidth = [view] {
            int sum = 0;
            for (int c = 0; c < view->model()->columnCount(); ++c)
                sum += view->columnWidth(c);
            return sum;
        };
        QTRY_COMPARE(columnsWidth(), view->viewport()->width());
    }
}

void TestMainWindow::accessibleNames_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name");
    const QList<QPair<QString, QString>> names{
        {"Text1", "下一期期号"},      {"MaskEdBox1(1)", "第1位号码"}, {"MaskEdBox1(3)", "第3位号码"},
        {"MSFlexGrid1", "历史号码"},  {"MSFlexGrid2", "检索结果"},    {"MSFlexGrid3", "结果统计"},
        {"Text3(0)", "检索起始期号"}, {"Text3(1)", "检索结束期号"},   {"MaskEdBox2", "前N期"},
        {"Text4", "验证期号"},        {"Text2(1)", "自动第1位"},      {"Text2(3)", "自动第3位"},
        {"Text22(2)", "手动第2位"},   {"Text2(11)", "验证第1位"},     {"Text2(13)", "验证第3位"},
        {"lblStatus", "状态"}};
    for (const auto &[object, name] : names)
        QTest::newRow(qPrintable(object)) << object << name;
}

// Read through Qt's accessibility interface, which is what AT-SPI hands to a screen reader.
void TestMainWindow::accessibleNames()
{
    QFETCH(QString, object);
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 20)));
    h.start();
    QWidget *widget = h.find(object);
    QVERIFY(widget);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QTEST(accessible->text(QAccessible::Name), "name");
    if (object == QLatin1String("lblStatus")) {
        h.find<QPushButton>("Command1")->click();
        // The message itself is the label's description, beside its name.
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("状态"));
        QVERIFY(accessible->text(QAccessible::Description).startsWith(QStringLiteral("找到")));
    }
}

// Tab walks the window as it is laid out: the entry, the history commands, the options, the
// range, the search buttons.
void TestMainWindow::tabOrderFollowsLayout()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList chain;
    QWidget *first = h.find("Text1");
    for (QWidget *at = first->nextInFocusChain(); at != first && chain.size() < 200;
         at = at->nextInFocusChain())
        chain << at->objectName();
    const QStringList expected{"MaskEdBox1(1)", "MaskEdBox1(2)", "MaskEdBox1(3)", "cmdRdLst",
                               "Option1(1)",    "Option3(0)",    "Text3(0)",      "Text3(1)",
                               "Command1",      "Combo1",        "Command2"};
    qsizetype last = -1;
    for (const QString &name : expected) {
        const qsizetype at = chain.indexOf(name);
        QVERIFY2(at > last, qPrintable(name + QStringLiteral(" out of order: ") + chain.join(' ')));
        last = at;
    }
}

QTEST_MAIN(TestMainWindow)

// 检索 on an empty history says so and how to add draws; no made-up range, no zero rows.
void TestMainWindow::emptyHistorySaysHowToAddDraws()
{
    Harness h;
    MainWindow &w = h.start();
    h.find<QPushButton>("Command1")->click();
    const QString status = w.statusText();
    QVERIFY2(status.startsWith(QStringLiteral("还没有历史号码")), qPrintable(status));
    for (const char *way : {"读入历史号码文本", "粘贴复制的开奖号码", "设置开奖网址"})
        QVERIFY2(status.contains(QString::fromUtf8(way)), way);
    QCOMPARE(h.grid(2).rows(), 1);
    QCOMPARE(h.grid(3).rows(), 1);
    QVERIFY(!w.results().lastResult());
    QCOMPARE(h.text("Text3(0)"), QString());
    QCOMPARE(h.text("Text3(1)"), QString());
    // Emptied later (清空): the range boxes are emptied too.
    QVERIFY(TestHistory::append(w.history(), TestHistory::consecutive(161212001, 5)));
    w.commands().reload(), w.refresh();
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212005"));
    h.action("mnuClear")->trigger();
    QCOMPARE(w.snapshot().count(), 0);
    QCOMPARE(h.text("Text3(0)"), QString());
    QCOMPARE(h.text("Text3(1)"), QString());
}

// 帮助 lists the pages; F1 opens the page of what has the focus, the index otherwise.
void TestMainWindow::helpMenuAndF1()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 50)));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QString help = QStringLiteral(VK3_HELP_SOURCE);
    auto page = [&](const char *name) { return QDir(help).filePath(QString::fromLatin1(name)); };
    h.action("mnuHelp_guide")->trigger();
    h.action("mnuHelp_backtest")->trigger();
    h.action("mnuHelp_trend")->trigger();
    h.action("mnuHelp_plays")->trigger();
    QCOMPARE(h.launcher.opened,
             (QStringList{page("guide.html"), page("backtest.html"), page("trend.html"), page("plays.html")}));
    QVERIFY(QFileInfo::exists(page("plays.html")));
    h.action("mnuAbout")->trigger();
    QCOMPARE(h.dialogs.shown.last().title, QStringLiteral("关于"));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral(VK3_VERSION)));
    QVERIFY(h.dialogs.shown.last().text.contains(QDir::toNativeSeparators(h.folder.path())));

    const struct
    {
        const char *focus;
        const char *page;
    } cases[] = {{"MSFlexGrid1", "guide.html"}, {"Text2(1)", "guide.html"}, {"MSFlexGrid3", "guide.html"}};
    for (const auto &c : cases) {
        h.find(c.focus)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), h.find(c.focus));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY2(h.launcher.opened.last() == page(c.page), c.focus);
    }
    QCOMPARE(HelpMenu::pageFor(nullptr), QStringLiteral("index.html"));
    QCOMPARE(HelpMenu::pageFor(&w), QStringLiteral("index.html"));
    // In the backtest window, its page.
    h.action("mnuHuice")->trigger();
    auto *backtest = w.findChild<BacktestDialog *>();
    QVERIFY(backtest);
    backtest->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), backtest);
    backtest->findChild<QLineEdit *>("txtHuiceFrom")->setFocus();
    QTest::keyClick(backtest->findChild<QLineEdit *>("txtHuiceFrom"), Qt::Key_F1);
    QCOMPARE(h.launcher.opened.last(), page("backtest.html"));
    // The tally chart is explained on the same page.
    backtest->close();
    h.find<QPushButton>("Command1")->click();
    h.action("mnuTubiao")->trigger();
    auto *chart = w.findChild<TallyChartDialog *>();
    QVERIFY(chart);
    QCOMPARE(HelpMenu::pageFor(chart), QStringLiteral("backtest.html"));
    // With nothing to open it, the status says where the page is, not that it was saved.
    h.launcher.answer = false;
    h.action("mnuHelp_guide")->trigger();
    QCOMPARE(w.statusText(), QStringLiteral("帮助页面在 %1（桌面没有可以打开它的程序）").arg(QDir::toNativeSeparators(page("guide.html"))));
    for (const QString &opened : std::as_const(h.launcher.opened))
        QVERIFY2(QFile::exists(opened), qPrintable(opened));
}

// The desktop's own question box for 是/否/Esc, answered by the keyboard.
void TestMainWindow::yesNoBoxAnswersThreeWays()
{
    QtDialogs dialogs;
    const struct
    {
        int key;
        std::optional<bool> answer;
    } cases[] = {{Qt::Key_Return, true}, {Qt::Key_N, false}, {Qt::Key_Escape, std::nullopt}};
    for (const auto &c : cases) {
        // Answered once the box is up.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible()) {
                    answer.stop();
                    QTest::keyClick(box, Qt::Key(c.key), c.key == Qt::Key_N ? Qt::AltModifier : Qt::NoModifier);
                }
        });
        answer.start(10);
        QCOMPARE(dialogs.yesNo(nullptr, QStringLiteral("输入号码"), QStringLiteral("按从小到大存放为 1 2 3 吗？")), c.answer);
    }
}

void TestMainWindow::statisticsGridShowsEveryRow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("default") << QSize(1120, 690);
    QTest::newRow("1024x768") << QSize(1024, 768);
}

// The statistics grid's last row is in view even when the fair-dice line takes two lines.
void TestMainWindow::statisticsGridShowsEveryRow()
{
    QFETCH(QSize, size);
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    MainWindow &w = h.start();
    // It opens within the screen's room, whatever the screen.
    const QRect room = w.screen()->availableGeometry();
    QVERIFY2(w.width() <= room.width() && w.height() <= room.height(),
             qPrintable(QStringLiteral("%1×%2 on %3×%4").arg(w.width()).arg(w.height()).arg(room.width()).arg(room.height())));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The history grid shows its newest draw, and keeps showing it after a resize.
    auto *history = h.find<GridView>("MSFlexGrid1");
    auto newestInView = [&] {
        const QRect newest = history->visualRect(history->model()->index(history->model()->rowCount() - 1, 0));
        return history->viewport()->rect().contains(newest);
    };
    QTRY_VERIFY(newestInView());
    w.resize(size - QSize(0, 200));
    QTRY_VERIFY(newestInView());
    w.resize(size);
    QTRY_VERIFY(newestInView());
    h.find<QPushButton>("Command1")->click();
    QCOMPARE(h.grid(3).rows(), 7);
    // However many lines the fair-dice line takes in this desktop's font: three, here.
    auto *fairness = h.find<QLabel>("lblFairness");
    fairness->setText(fairness->text() + "\n" + fairness->text() + "\n" + fairness->text());
    auto *view = h.find<GridView>("MSFlexGrid3");
    QTRY_VERIFY(fairness->height() >= 3 * fairness->fontMetrics().height());
    const QRect last = view->visualRect(view->model()->index(5, 0));
    QVERIFY2(view->viewport()->rect().contains(last), qPrintable(QStringLiteral("%1 in %2").arg(last.bottom()).arg(view->viewport()->height())));
    QVERIFY(!view->verticalScrollBar()->isVisible());
    // The list keeps most of the height.
    QVERIFY(h.find<GridView>("MSFlexGrid2")->height() > view->height());
}

#include "tst_mainwindow.moc"
