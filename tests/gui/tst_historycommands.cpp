#include "AnalysisWindows.h"
#include "Backups.h"
#include "Database.h"
#include "Derivation.h"
#include "DrawTimes.h"
#include "FairDice.h"
#include "ProvinceTable.h"
#include "GridView.h"
#include "HistoryText.h"
#include "MergeCommand.h"
#include "TestHistory.h"
#include "WindowHarness.h"
#include "SettingsDialogs.h"
#include <QSpinBox>
#include "Settings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTableWidget>
#include <QLabel>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>
#include <QTabBar>
#include <QInputMethodEvent>
#include <QTest>

namespace {
const std::vector<TestDraw> small = {{161212076, {1, 4, 6}}, {161212077, {3, 3, 5}}, {161212078, {2, 5, 1}}};

QString writeFile(const TestFolder &folder, const QString &name, const QByteArray &content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

QList<qint32> storedIssues(MainWindow &w)
{
    QList<qint32> issues;
    const std::optional<HistorySnapshot> snapshot = w.history().snapshot();
    for (int i = 0; i < snapshot->count(); ++i)
        issues << snapshot->issue(i);
    return issues;
}

// The command-line tool on the window's folder: another program writing the same history.
QByteArray cliAdd(const Harness &h, const QString &digits, const QStringList &game = {}, const QStringList &issue = {})
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli",
                  QStringList{"--dir", h.folder.path()} + game + QStringList{"add", digits} + issue);
    process.waitForFinished(30000);
    return process.exitCode() == 0 ? process.readAllStandardOutput().trimmed() : QByteArray();
}

QLineEdit *entry(const Harness &h, int p)
{
    return h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p));
}
} // namespace

class TestHistoryCommands : public QObject
{
    Q_OBJECT
private slots:
    void pastedDrawsMergeAfterAPreview();
    void firstStartShowsTheWaysIn();
    void typingStoresTheDraw();
    void typedDrawContinuesTheChain();
    void typedDrawOutOfOrder_data();
    void typedDrawOutOfOrder();
    void entryTakesOnlyOneToSix();
    void entryBoxesNeverTrap_data();
    void entryBoxesNeverTrap();
    void undoKeyInABoxUndoesTheTyping();
    void incompleteDrawIsRefused();
    void failedAppendKeepsDigits();
    void importReplacesHistory();
    void importCancelAndWrongNames();
    void unreadableImportKeepsHistory();
    void deleteLast();
    void clearAll();
    void keepUpToAndDeleteCount();
    void trimmingCancelChangesNothing();
    void exportRoundTrip();
    void readOnlyDatabaseLosesNothing();
    void foreignDatabaseGetsTables();
    void outsideWriterIsSeen();
    void removalsCanBeUndone();
    void undoRefusedAfterAChange();
    void trimmingBoxWhileAnotherProgramAdds();
    void keepUpToOffersTheSelectedRow();
    void typedIssueSurvivesAReload();
    void unsoundTypedDrawsAreRefused();
    void drawsPerDayAsDrawnToday();
    void eachImportRecordsItsGame();
    void trimmingKeepsEveryIssueForm_data();
    void trimmingKeepsEveryIssueForm();
    void undoKeyNeverStoresADraw();
    void answersOfAnOldHistoryAreMarked();
    void htmlOnlyClipboardIsRead();
    void rangeEndFollowsTheNewestDraw();
    void eachGameKeepsItsHistory();
};

void TestHistoryCommands::typingStoresTheDraw()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    h.find<QLineEdit>("Text1")->setText("161212001");
    entry(h, 1)->setFocus();
    QTest::keyClick(entry(h, 1), Qt::Key_1);
    QTRY_COMPARE(QApplication::focusWidget(), entry(h, 2));
    QTest::keyClick(entry(h, 2), Qt::Key_4);
    QTRY_COMPARE(QApplication::focusWidget(), entry(h, 3));
    QTest::keyClick(entry(h, 3), Qt::Key_6);

    QCOMPARE(storedIssues(w), (QList<qint32>{161212001}));
    QSqlQuery q = w.history().database().select("SELECT * FROM Lishi");
    QVERIFY(q.next());
    const QSqlRecord r = q.record();
    const std::pair<const char *, int> expected[] = {
        {"L1A", 1}, {"L2A", 4}, {"L3A", 6}, {"L1B", 0}, {"L2B", 1}, {"L3B", 1},        {"L1E", 1},
        {"L2E", 0}, {"L3E", 0}, {"L1F", 1}, {"L2F", 2}, {"L3F", 3}, {"QQH", 161212002}};
    for (auto [column, value] : expected)
        QCOMPARE(r.value(column).toInt(), value);
    QVERIFY(!q.next()); // clearing the boxes stored nothing more
    for (int p = 1; p <= 3; ++p)
        QCOMPARE(entry(h, p)->text(), QString());
    QCOMPARE(QApplication::focusWidget(), entry(h, 1));
    QCOMPARE(h.text("Text1"), QStringLiteral("161212002"));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212002"));
    QCOMPARE(h.grid(1).rows(), 2);
    QCOMPARE(h.text("Text2(1)") + h.text("Text2(2)") + h.text("Text2(3)"), QStringLiteral("146"));
}

void TestHistoryCommands::typedDrawContinuesTheChain()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QCOMPARE(h.text("Text1"), QStringLiteral("161213001")); // day rollover
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_2);
    QCOMPARE(storedIssues(w).last(), 161213001);
    QSqlQuery q = w.history().database().select("SELECT * FROM Lishi WHERE SQQH = 161213001");
    QVERIFY(q.next());
    QCOMPARE(q.value("txtHisLst").toString(), QStringLiteral("251"));
    QCOMPARE(q.value("L2AS").toInt(), 5);
    QCOMPARE(q.value("L1AP").toInt(), 3); // two draws back: 3 3 5
    QCOMPARE(q.value("L3AP").toInt(), 5);
    QCOMPARE(h.text("Text1"), QStringLiteral("161213002"));

    // With no issue in the box the draw goes under the current issue (the last one + 1).
    h.find<QLineEdit>("Text1")->setText("next");
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_3);
    QCOMPARE(storedIssues(w).last(), 161213002);
}

// Typed as the dice fell into a history kept in ascending order, a draw is asked about once.
void TestHistoryCommands::typedDrawOutOfOrder_data()
{
    QTest::addColumn<bool>("ascendingHistory");
    QTest::addColumn<int>("answer"); // 1 是, 0 否, -1 Esc
    QTest::addColumn<QString>("stored"); // the stored draw; empty: none
    QTest::newRow("是: stored ascending") << true << 1 << "123";
    QTest::newRow("否: stored as typed") << true << 0 << "312";
    QTest::newRow("Esc: nothing stored, the digits stay") << true << -1 << "";
    QTest::newRow("a history in drawn order: no question") << false << 1 << "312";
}

void TestHistoryCommands::typedDrawOutOfOrder()
{
    QFETCH(bool, ascendingHistory);
    QFETCH(int, answer);
    QFETCH(QString, stored);
    std::vector<TestDraw> draws = TestHistory::consecutive(161212001, 20);
    for (TestDraw &d : draws)
        std::sort(d.numbers.begin(), d.numbers.end());
    // In drawn order: most draws have their largest number first.
    for (TestDraw &d : draws)
        if (!ascendingHistory)
            std::reverse(d.numbers.begin(), d.numbers.end());
    QCOMPARE(FairDice::isSorted(TestHistory::snapshotOf(draws)), ascendingHistory);
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), draws));
    MainWindow &w = h.start();
    const QStringList before = TestHistory::rowsOf(w.history());
    h.dialogs.yesNoAnswers = {answer < 0 ? std::nullopt : std::optional<bool>(answer == 1)};
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), "312"[p - 1]);
    QCOMPARE(h.dialogs.count("yesNo"), ascendingHistory ? 1 : 0);
    if (ascendingHistory)
        QCOMPARE(h.dialogs.shown.last().text, QStringLiteral("历史号码都是从小到大存放的。按从小到大存放为 1 2 3 吗？"));
    const QStringList after = TestHistory::rowsOf(w.history());
    if (stored.isEmpty()) {
        QCOMPARE(after, before);
        QCOMPARE(entry(h, 1)->text() + entry(h, 2)->text() + entry(h, 3)->text(), QStringLiteral("312"));
        return;
    }
    QCOMPARE(after.size(), before.size() + 1);
    QCOMPARE(after.mid(0, before.size()), before);
    const std::optional<HistorySnapshot> snapshot = w.history().snapshot();
    const Numbers last = snapshot->numbers(snapshot->count() - 1);
    QCOMPARE(QStringLiteral("%1%2%3").arg(last[0]).arg(last[1]).arg(last[2]), stored);
}

void TestHistoryCommands::entryTakesOnlyOneToSix()
{
    Harness h;
    MainWindow &w = h.start();
    QTest::keyClicks(entry(h, 1), "0789a");
    QCOMPARE(entry(h, 1)->text(), QString());
    QCOMPARE(storedIssues(w), QList<qint32>{});
}

// Keys typed into the entry boxes of an empty history whose next issue is `issue`: a digit, B
// Backspace, x a letter, < back to the first box (its digit not selected), I the issue set right,
// P an input method's text being composed.
void TestHistoryCommands::entryBoxesNeverTrap_data()
{
    QTest::addColumn<QString>("issue");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("boxes");  // the three boxes afterwards, _ for empty
    QTest::addColumn<int>("focus");      // the box with the focus
    QTest::addColumn<QString>("stored"); // the stored draws
    QTest::addColumn<QString>("status"); // what the status bar says, in part
    QTest::newRow("refused draw: the first box ready, typing goes on")
        << "161212099" << "123I456" << "___" << 1 << "161212001:456" << "已录入 161212001 期";
    QTest::newRow("refused draw: the first digit selected")
        << "161212099" << "123" << "123" << 1 << "" << "";
    QTest::newRow("a digit replaces a full box") << "161212001" << "1<2" << "2__" << 2 << "" << "";
    QTest::newRow("the same digit again moves on") << "161212001" << "1<1" << "1__" << 2 << "" << "";
    QTest::newRow("Backspace in an empty box goes back") << "161212001" << "12B56" << "___" << 1 << "161212001:156"
                                                           << "已录入";
    QTest::newRow("Backspace clears a digit and stays") << "161212001" << "1BB" << "___" << 1 << "" << "";
    QTest::newRow("Backspace in the first empty box stays") << "161212001" << "B" << "___" << 1 << "" << "";
    QTest::newRow("a letter is said") << "161212001" << "1x" << "1__" << 2 << "" << "只能输入 1~6";
    QTest::newRow("a 7 is said") << "161212001" << "7" << "___" << 1 << "" << "只能输入 1~6";
    QTest::newRow("an input method's preedit is no typing") << "161212001" << "1<P" << "1__" << 1 << "" << "";
}

void TestHistoryCommands::entryBoxesNeverTrap()
{
    QFETCH(QString, issue);
    QFETCH(QString, keys);
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    h.find<QLineEdit>("Text1")->setText(issue);
    entry(h, 1)->setFocus();
    for (QChar key : keys) {
        QWidget *at = QApplication::focusWidget();
        if (key == u'I') {
            h.find<QLineEdit>("Text1")->setText(QStringLiteral("161212001"));
            entry(h, 1)->setFocus();
        } else if (key == u'<') {
            entry(h, 1)->setFocus();
            entry(h, 1)->deselect();
        } else if (key == u'B') {
            QTest::keyClick(at, Qt::Key_Backspace);
        } else if (key == u'P') {
            QInputMethodEvent preedit(QStringLiteral("x"), {});
            QApplication::sendEvent(at, &preedit);
        } else {
            QTest::keyClick(at, key.toLatin1());
        }
    }
    QString boxes;
    for (int p = 1; p <= 3; ++p)
        boxes += entry(h, p)->text().isEmpty() ? QStringLiteral("_") : entry(h, p)->text();
    QTEST(boxes, "boxes");
    QFETCH(int, focus);
    QCOMPARE(QApplication::focusWidget(), entry(h, focus));
    if (QTest::currentDataTag() == QLatin1String("refused draw: the first digit selected"))
        QCOMPARE(entry(h, 1)->selectedText(), QStringLiteral("1"));
    QStringList stored;
    for (const qint32 i : storedIssues(w))
        stored << QStringLiteral("%1:%2").arg(i).arg(Derivation::digitsText(w.snapshot().numbers(w.snapshot().lowerBound(i))));
    QTEST(stored.join(' '), "stored");
    QFETCH(QString, status);
    QVERIFY2(w.statusText().contains(status), qPrintable(w.statusText()));
    // Only the refused draws asked anything.
    QCOMPARE(h.dialogs.count("message"), issue.endsWith(QLatin1String("099")) ? 1 : 0);
}

// Ctrl+Z with a digit in a box takes back the typing; only with the boxes empty does it bring back
// the last removed draw. It never stores a draw.
void TestHistoryCommands::undoKeyInABoxUndoesTheTyping()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QStringList all = TestHistory::rowsOf(w.history());
    h.find<QPushButton>("Command3")->click(); // delete the last draw: there is a removal to undo
    const QStringList trimmed = TestHistory::rowsOf(w.history());
    entry(h, 1)->setFocus();
    QTest::keyClick(entry(h, 1), Qt::Key_3);
    QTest::keyClick(entry(h, 2), Qt::Key_5);
    QCOMPARE(QApplication::focusWidget(), entry(h, 3));
    QTest::keyClick(entry(h, 3), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(entry(h, 2)->text(), QString());
    QCOMPARE(QApplication::focusWidget(), entry(h, 2));
    QCOMPARE(TestHistory::rowsOf(w.history()), trimmed);
    QTest::keyClick(entry(h, 2), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(entry(h, 1)->text(), QString());
    QCOMPARE(TestHistory::rowsOf(w.history()), trimmed);
    // The boxes empty: now Ctrl+Z is 撤销上次删除.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(TestHistory::rowsOf(w.history()), all);
    // From a range box with nothing of its own to undo, too.
    h.find<QPushButton>("Command3")->click();
    h.find<QLineEdit>("Text3(1)")->setFocus();
    QTest::keyClick(h.find<QLineEdit>("Text3(1)"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(TestHistory::rowsOf(w.history()), all);
    for (int p = 1; p <= 3; ++p)
        QCOMPARE(entry(h, p)->text(), QString());
    // Nothing left to undo, typed or removed: said so.
    w.showStatus(QString());
    entry(h, 1)->setFocus();
    QTest::keyClick(entry(h, 1), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.statusText(), QStringLiteral("没有可以撤销的删除。"));
}

void TestHistoryCommands::incompleteDrawIsRefused()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    entry(h, 3)->setFocus();
    QTest::keyClick(entry(h, 3), Qt::Key_5);
    QCOMPARE(h.dialogs.count("message"), 1);
    QCOMPARE(storedIssues(w), QList<qint32>{});
    QTRY_COMPARE(QApplication::focusWidget(), entry(h, 1));
    QCOMPARE(entry(h, 3)->text(), QStringLiteral("5"));
}

void TestHistoryCommands::failedAppendKeepsDigits()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QVERIFY(w.history().database().exec("CREATE TRIGGER refuse BEFORE INSERT ON Lishi "
                                        "BEGIN SELECT RAISE(ABORT, 'disk is full'); END"));
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_4);
    QCOMPARE(h.dialogs.count("message"), 1);
    QVERIFY(h.dialogs.shown.first().text.contains("disk is full"));
    for (int p = 1; p <= 3; ++p)
        QCOMPARE(entry(h, p)->text(), QStringLiteral("4"));
    QCOMPARE(storedIssues(w).size(), 3);
}

void TestHistoryCommands::importReplacesHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.find<QRadioButton>("Option1(2)")->click(); // 前2期: the pattern is the draw before the last
    const QString path = writeFile(h.folder, "history.TXT",
                                   "130101004  456\r\n130101002 222\r\nbad line\r\n130101003 333\r\n130101001 111\r\n"
                                   "20130101-05 1 2 3\r\n130101 1,2,3\r\n20130101-00 123\r\nmore\r\n");
    h.dialogs.fileAnswers = {path};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.dialogs.shown.first().title, QStringLiteral("读入历史"));
    QCOMPARE(h.dialogs.shown.first().defaultAnswer, QStringLiteral("确认")); // the button the question names
    QCOMPARE(h.dialogs.shown.at(1).text, QDir(h.folder.path()).filePath("历史号码"));
    QVERIFY(QFileInfo(h.folder.filePath("历史号码")).isDir());
    QCOMPARE(storedIssues(w), (QList<qint32>{130101001, 130101002, 130101003, 130101004, 130101005}));
    QCOMPARE(h.text("Text3(0)"), QStringLiteral("130101003"));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("130101005"));
    QCOMPARE(h.text("Text1"), QStringLiteral("130101006"));
    QCOMPARE(h.text("Text2(1)") + h.text("Text2(2)") + h.text("Text2(3)"), QStringLiteral("456"));
    // The first three skipped lines are named with their reasons.
    QVERIFY2(w.statusText().startsWith(
                 QStringLiteral("读入 5 期历史号码，跳过 4 行。（第 3 行：不是“期号 三个号码”；第 7 行：期号“130101”看不懂：应为日期加序号，"
                                "如 130801001 或 20130801-001；第 8 行：期号 130101000 的序号 000 不对：本彩种每天开奖 78 期，"
                                "序号应为 001 到 078）原来的历史号码已备份：")),
             qPrintable(w.statusText()));
    // The first imported row starts a history of its own.
    QSqlQuery q = w.history().database().select("SELECT txtHisLst, L1AS FROM Lishi ORDER BY SQQH, rowid");
    QVERIFY(q.next());
    QVERIFY(q.value(0).toString().isEmpty());
    QCOMPARE(q.value(1).toInt(), 0);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("111"));

    // A digits-only line takes the issue above it: one issue, two draws, nothing imported.
    h.dialogs.shown.clear();
    h.dialogs.fileAnswers = {writeFile(h.folder, "twice.txt", "130101001 111\r\n333\r\n")};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.dialogs.count("message"), 1);
    QVERIFY(h.dialogs.shown.last().text.contains(
        QStringLiteral("第 1 行与第 2 行的期号都是 130101001，号码不同：没有导入任何号码")));
    QCOMPARE(storedIssues(w), (QList<qint32>{130101001, 130101002, 130101003, 130101004, 130101005}));
}

void TestHistoryCommands::importCancelAndWrongNames()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.find<QLineEdit>("Text1")->setText("typed");
    h.dialogs.questionAnswers = {false};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.dialogs.count("openFile"), 0);
    QCOMPARE(h.text("Text1"), QStringLiteral("typed")); // nothing at all, not even the display

    h.dialogs.fileAnswers = {writeFile(h.folder, "draws.csv", "130101001 111\r\n")};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(storedIssues(w).size(), 3);
    QCOMPARE(h.text("Text1"), QStringLiteral("161213001")); // the display is refreshed all the same

    h.dialogs.fileAnswers = {QString()}; // the dialog was cancelled
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(storedIssues(w).size(), 3);

    // A file that yields no draw changes nothing, and says so.
    const int messages = h.dialogs.count("message");
    h.dialogs.fileAnswers = {writeFile(h.folder, "empty.txt", "no draws here\r\n")};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(storedIssues(w).size(), 3);
    QCOMPARE(h.grid(1).rows(), 4);
    QCOMPARE(h.dialogs.count("message"), messages + 1);
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("历史号码没有改变")));
}

void TestHistoryCommands::unreadableImportKeepsHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.dialogs.fileAnswers = {h.folder.filePath("gone.txt")};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.dialogs.count("message"), 1);
    QCOMPARE(storedIssues(w).size(), 3);
    QCOMPARE(h.grid(1).rows(), 4);
}

void TestHistoryCommands::deleteLast()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.find<QPushButton>("Command3")->click();
    QCOMPARE(storedIssues(w), (QList<qint32>{161212076, 161212077}));
    QCOMPARE(h.grid(1).rows(), 3);
    QCOMPARE(h.text("Text1"), QStringLiteral("161212078"));
    QCOMPARE(h.text("Text2(1)") + h.text("Text2(2)") + h.text("Text2(3)"), QStringLiteral("335"));
    QCOMPARE(h.dialogs.count("message"), 0);
    h.action("mnuErase")->trigger();
    h.action("mnuErase")->trigger();
    h.action("mnuErase")->trigger(); // on an empty history: nothing, and no complaint
    QCOMPARE(storedIssues(w), QList<qint32>{});
    QCOMPARE(h.dialogs.count("message"), 0);
    QVERIFY(w.history().isOpen());
}

void TestHistoryCommands::clearAll()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    h.dialogs.questionAnswers = {false};
    h.action("mnuClear")->trigger();
    QCOMPARE(storedIssues(w).size(), 3);
    h.action("mnuClear")->trigger();
    QCOMPARE(h.dialogs.shown.last().title, QStringLiteral("确认清空"));
    QVERIFY(h.dialogs.shown.last().text.startsWith(QStringLiteral("确定要清空所有的历史号码吗？")));
    QCOMPARE(h.grid(1).rows(), 1);
    h.start();
    QCOMPARE(h.grid(1).rows(), 1);
}

void TestHistoryCommands::keepUpToAndDeleteCount()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    MainWindow &w = h.start();
    h.dialogs.inputAnswers = {QStringLiteral("130731010")};
    h.action("mnuDlzd")->trigger();
    const auto &ask = h.dialogs.shown.first();
    QCOMPARE(ask.title, QStringLiteral("删除期数"));
    QCOMPARE(ask.text, QStringLiteral("请输入需要删除到的期数，例如‘2014016’"));
    QCOMPARE(ask.defaultAnswer, QStringLiteral("130731078")); // the last stored issue
    QCOMPARE(storedIssues(w).last(), 130731010);
    QCOMPARE(h.text("Text1"), QStringLiteral("130731011"));
    const auto backup = HistoryText::readFile(h.folder.filePath("lsbf.txt"), 0, false, nullptr);
    QVERIFY(backup);
    QCOMPARE(qsizetype(backup->draws.size()), storedIssues(w).size());
    {
        QSqlQuery q = w.history().database().select(
            "SELECT txtHisPreLst, txtHisPreLstHm FROM Lishi ORDER BY SQQH DESC LIMIT 1");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString().size(), 3);
        QCOMPARE(q.value(1).toString().size(), 12);
    }

    h.dialogs.shown.clear();
    h.dialogs.inputAnswers = {QStringLiteral("12")};
    h.action("mnuEszhzd")->trigger();
    QCOMPARE(h.dialogs.shown.first().text,
             QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）"));
    QCOMPARE(h.dialogs.shown.first().defaultAnswer, QStringLiteral("1"));
    // 130731001..010 and the last two of the day before go.
    QCOMPARE(storedIssues(w).last(), 130730076);
    for (const auto &shown : h.dialogs.shown)
        QVERIFY2(shown.kind != "message", qPrintable(shown.text));
    QVERIFY(!QFile::exists(h.folder.filePath("vendrixK3Tmp.db")));
}

void TestHistoryCommands::trimmingCancelChangesNothing()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    for (const std::optional<QString> &answer :
         {std::optional<QString>(), std::optional<QString>("0"), std::optional<QString>("-3"),
          std::optional<QString>("abc")}) {
        h.dialogs.inputAnswers = {answer};
        h.action("mnuDlzd")->trigger();
        h.dialogs.inputAnswers = {answer};
        h.action("mnuEszhzd")->trigger();
    }
    QCOMPARE(storedIssues(w).size(), 3);
    QVERIFY(!QFile::exists(h.folder.filePath("lsbf.txt")));
}

void TestHistoryCommands::exportRoundTrip()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::sample()));
    // The draws' stored times end their lines and come back with the file.
    const QDateTime drawn = DrawClock::beijing(QDate(2013, 7, 31), QTime(22, 0, 30));
    {
        HistoryDb db;
        QVERIFY(db.open(h.folder.filePath("vendrixK3.db")) == HistoryDb::OpenStatus::Ok);
        QVERIFY(DrawTimes::store(db, {{130731078, drawn}, {130731077, drawn.addSecs(-600)}}));
    }
    MainWindow &w = h.start();
    h.find<QPushButton>("Command4")->click();
    const QString path = h.folder.filePath("更新至130731078期历史号码.txt");
    QString why;
    const QByteArray written = HistoryText::loadFile(path, &why).value_or(QByteArray());
    QVERIFY2(written.endsWith(" 2013-07-31 21:50:30\r\n130731078 126 2013-07-31 22:00:30\r\n"), written.right(80).constData());
    QCOMPARE(h.launcher.opened, QStringList{path});
    QCOMPARE(h.grid(1).row(), 4778);
    QCOMPARE(h.grid(1).col(), 3);
    h.find<QPushButton>("Command4")->click(); // again: the same file, replaced
    QCOMPARE(h.launcher.opened.size(), 2);

    {
        Database tool;
        QVERIFY(tool.open(h.folder.filePath("vendrixK3.db")) && tool.exec("DELETE FROM Kaijiang"));
    }
    h.dialogs.fileAnswers = {path};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(w.history().snapshot()->count(), 4778);
    QCOMPARE(DrawTimes::of(w.history(), 130731078), std::optional(drawn));
    // Deleted, the draw's time goes with it; the undo brings both back.
    h.find<QPushButton>("Command3")->click();
    QCOMPARE(DrawTimes::of(w.history(), 130731078), std::nullopt);
    QCOMPARE(DrawTimes::of(w.history(), 130731077), std::optional(drawn.addSecs(-600)));
    h.action("mnuUndo")->trigger();
    QCOMPARE(w.snapshot().last().sqqh, 130731078);
    QCOMPARE(DrawTimes::of(w.history(), 130731078), std::optional(drawn));
    const std::vector<TestDraw> sample = TestHistory::sample();
    const HistorySnapshot after = *w.history().snapshot();
    for (int i = 0; i < after.count(); ++i) {
        QCOMPARE(after.at(i).sqqh, sample[size_t(i)].issue);
        QCOMPARE(after.at(i).numbers(), sample[size_t(i)].numbers);
    }
}

void TestHistoryCommands::readOnlyDatabaseLosesNothing()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QCOMPARE(h.grid(1).rows(), 4); // a database that cannot be written still shows its history
    // Writes are refused from here on, as on a read-only file.
    QVERIFY(w.history().database().exec("PRAGMA query_only = 1"));
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_1);
    QCOMPARE(h.dialogs.count("message"), 1);
    QCOMPARE(entry(h, 3)->text(), QStringLiteral("1"));
    h.dialogs.fileAnswers = {writeFile(h.folder, "new.txt", "170101001 123\r\n")};
    h.find<QPushButton>("cmdRdLst")->click();
    QCOMPARE(h.dialogs.count("message"), 2);
    h.find<QPushButton>("Command3")->click();
    QCOMPARE(h.dialogs.count("message"), 3);
    h.action("mnuClear")->trigger();
    QCOMPARE(h.dialogs.count("message"), 4);
    h.dialogs.inputAnswers = {QStringLiteral("1")};
    h.action("mnuEszhzd")->trigger();
    QCOMPARE(h.dialogs.count("message"), 5);
    for (const auto &shown : h.dialogs.shown)
        if (shown.kind == "message" && shown.title != QStringLiteral("输入号码"))
            QVERIFY2(shown.text.contains("没有改变"), qPrintable(shown.text));
    QVERIFY(w.history().database().exec("PRAGMA query_only = 0"));
    QCOMPARE(storedIssues(w), (QList<qint32>{161212076, 161212077, 161212078}));
}

void TestHistoryCommands::foreignDatabaseGetsTables()
{
    Harness h;
    {
        Database other;
        QVERIFY(other.open(h.folder.filePath("vendrixK3.db")));
        QVERIFY(other.exec("CREATE TABLE notes (text TEXT)"));
        QVERIFY(other.exec("INSERT INTO notes VALUES ('keep me')"));
    }
    MainWindow &w = h.start();
    QVERIFY(w.history().isOpen());
    QCOMPARE(h.dialogs.count("message"), 0);
    QSqlQuery notes = w.history().database().select("SELECT text FROM notes");
    QVERIFY(notes.next());
    QCOMPARE(notes.value(0).toString(), QStringLiteral("keep me"));
}

void TestHistoryCommands::outsideWriterIsSeen()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QCOMPARE(h.text("Text1"), QStringLiteral("161213001"));
    QCOMPARE(cliAdd(h, "111"), QByteArray("161213001 111"));
    QCOMPARE(cliAdd(h, "222"), QByteArray("161213002 222"));
    // The typed draw comes after the other program's two, and chains to them.
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_3);
    QCOMPARE(storedIssues(w).mid(3), (QList<qint32>{161213001, 161213002, 161213003}));
    QCOMPARE(w.snapshot().count(), 6);
    QCOMPARE(h.grid(1).rows(), 7);
    QCOMPARE(h.text("Text1"), QStringLiteral("161213004"));
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(w.history(), &why), qPrintable(why));

    // Trimming works from the history as it is on disk: keeping everything keeps the new draw.
    QCOMPARE(cliAdd(h, "444"), QByteArray("161213004 444"));
    h.dialogs.inputAnswers = {QStringLiteral("161213009")};
    h.action("mnuDlzd")->trigger();
    QCOMPARE(storedIssues(w).size(), 7);
    QCOMPARE(h.grid(1).cellText(7, 0), QStringLiteral("161213004"));
}

// The trimming commands rebuild through the backup text file: every issue form comes back.
// Each removal is backed up: 撤销上次删除 brings it back, 恢复备份 restores any backup.
void TestHistoryCommands::removalsCanBeUndone()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 20)));
    MainWindow &w = h.start();
    const QStringList before = TestHistory::rowsOf(w.history());
    h.find<QPushButton>("Command3")->click();
    QCOMPARE(storedIssues(w).size(), 19);
    QVERIFY2(w.statusText().startsWith(QStringLiteral("已删除 161212020 期，可用 撤销上次删除 恢复")),
             qPrintable(w.statusText()));
    QCOMPARE(h.action("mnuUndo")->shortcut(), QKeySequence(QKeySequence::Undo));
    h.action("mnuUndo")->trigger();
    QCOMPARE(TestHistory::rowsOf(w.history()), before);
    QCOMPARE(h.grid(1).rows(), 21);
    const qsizetype boxes = h.dialogs.shown.size();
    h.action("mnuUndo")->trigger(); // nothing left to undo: said in the status bar, no box
    QCOMPARE(w.statusText(), QStringLiteral("没有可以撤销的删除。"));
    QCOMPARE(h.dialogs.shown.size(), boxes);

    h.dialogs.inputAnswers = {QStringLiteral("161212005")};
    h.action("mnuDlzd")->trigger();
    QCOMPARE(storedIssues(w).size(), 5);
    h.action("mnuClear")->trigger();
    QCOMPARE(storedIssues(w).size(), 0);
    // The newest backup first: the clear (5 draws), then the trimming (20), ...
    h.dialogs.chooseAnswers = {1};
    h.action("mnuRestore")->trigger();
    QCOMPARE(h.dialogs.lastChoices.size(), 4);
    QVERIFY2(h.dialogs.lastChoices.at(0).contains(QStringLiteral("清空之前  5 期")), qPrintable(h.dialogs.lastChoices.at(0)));
    QCOMPARE(TestHistory::rowsOf(w.history()), before);
    QCOMPARE(h.text("Text1"), QStringLiteral("161212021"));
    QVERIFY(!w.statusText().contains(QStringLiteral("历史号码属于")));
    // Another game's backups are its own: not listed here.
    QString error;
    QVERIFY(Backups::write(h.folder.path(), QStringLiteral("clear"), TestHistory::consecutive(161212001, 3), 3, &error));
    h.dialogs.chooseAnswers = {};
    h.action("mnuRestore")->trigger();
    QCOMPARE(h.dialogs.lastChoices.size(), 4);
    for (const QString &choice : std::as_const(h.dialogs.lastChoices))
        QVERIFY2(!choice.contains(QStringLiteral("clear")), qPrintable(choice));
    QCOMPARE(TestHistory::rowsOf(w.history()), before);
}

void TestHistoryCommands::undoRefusedAfterAChange()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 10)));
    MainWindow &w = h.start();
    h.find<QPushButton>("Command3")->click();
    QVERIFY(!cliAdd(h, "666").isEmpty()); // stored under the deleted issue, with other numbers
    const QStringList after = TestHistory::rowsOf(w.history());
    h.action("mnuUndo")->trigger();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("不能撤销")));
    QCOMPARE(TestHistory::rowsOf(w.history()), after);
}

// A script adds draws while the window's box is open: none of them is removed; the window shows
// the new history and asks again.
void TestHistoryCommands::trimmingBoxWhileAnotherProgramAdds()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 30)));
    MainWindow &w = h.start();
    QStringList added;
    h.dialogs.whileInputOpen = [&] {
        for (const char *digits : {"111", "222", "333"})
            added << QString::fromUtf8(cliAdd(h, digits));
    };
    h.dialogs.inputAnswers = {QStringLiteral("2"), std::nullopt};
    h.action("mnuEszhzd")->trigger();
    QCOMPARE(h.dialogs.count("input"), 2); // asked again
    QVERIFY(h.dialogs.count("message") >= 1);
    QCOMPARE(storedIssues(w).size(), 33);
    QCOMPARE(added, (QStringList{"161212031 111", "161212032 222", "161212033 333"}));
    QCOMPARE(h.grid(1).rows(), 34); // the window shows what it would remove from
    // The same for 删除到选定期 and for the single delete's last draw.
    h.dialogs.whileInputOpen = [&] { cliAdd(h, "444"); };
    h.dialogs.inputAnswers = {QStringLiteral("161212010"), std::nullopt};
    h.action("mnuDlzd")->trigger();
    QCOMPARE(h.dialogs.count("input"), 4); // asked again
    QCOMPARE(storedIssues(w).size(), 34);
}

void TestHistoryCommands::keepUpToOffersTheSelectedRow()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 10)));
    MainWindow &w = h.start();
    auto *view = h.find<GridView>("MSFlexGrid1");
    view->setCurrentIndex(view->model()->index(3, 1)); // a click on the fourth draw
    h.dialogs.inputAnswers = {QStringLiteral("16121200")}; // one digit short: not stored
    h.action("mnuDlzd")->trigger();
    QCOMPARE(h.dialogs.shown.at(h.dialogs.shown.size() - 2).defaultAnswer, QStringLiteral("161212004"));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("不在历史号码中")));
    QCOMPARE(storedIssues(w).size(), 10);
    for (const char *answer : {"abc", "11"}) {
        h.dialogs.inputAnswers = {QString::fromLatin1(answer)};
        h.action("mnuEszhzd")->trigger();
        QCOMPARE(h.dialogs.shown.last().kind, QStringLiteral("message"));
        QCOMPARE(storedIssues(w).size(), 10);
    }
}

// A next issue the user typed stays when another program adds a draw, and the typed draw is
// stored under it.
void TestHistoryCommands::typedIssueSurvivesAReload()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    auto *issue = h.find<QLineEdit>("Text1");
    issue->clear();
    QTest::keyClicks(issue, "161214005");
    // The caption names the issue the typed draw gets.
    QCOMPARE(h.find<QLabel>("Label12")->text(), QStringLiteral("在下面输入 161214005 期历史号码:"));
    QVERIFY(!cliAdd(h, "666").isEmpty()); // 161213001
    h.find<QPushButton>("Command1")->click(); // any command takes in the change
    QCOMPARE(h.grid(1).rows(), 5);
    QCOMPARE(issue->text(), QStringLiteral("161214005"));
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_2);
    QCOMPARE(storedIssues(w).last(), 161214005);
    QCOMPARE(h.text("Text1"), QStringLiteral("161214006")); // computed again after the store
    QCOMPARE(h.find<QLabel>("Label12")->text(), QStringLiteral("在下面输入 161214006 期历史号码:"));
}

void TestHistoryCommands::unsoundTypedDrawsAreRefused()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    QVERIFY(w.history().recordGame(0)); // 福建快3, 78 a day
    auto typeDraw = [&] {
        for (int p = 1; p <= 3; ++p)
            QTest::keyClick(entry(h, p), Qt::Key_3);
    };
    h.find<QLineEdit>("Text1")->setText("161213079");
    typeDraw();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("序号 079")));
    // A history file that says it holds another game's draws (copied by hand) takes none of these.
    QVERIFY(w.history().recordGame(8));
    h.find<QLineEdit>("Text1")->setText("161213001");
    for (int p = 1; p <= 3; ++p)
        entry(h, p)->clear();
    typeDraw();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("历史号码属于吉林快3")));
    QCOMPARE(storedIssues(w).size(), 3);
}

// 设置 → 每天期数: the next issue rolls over at the game's draws a day as set; a history whose last
// three complete days disagree with the setting says so, also when a typed draw is refused.
void TestHistoryCommands::drawsPerDayAsDrawnToday()
{
    Harness h;
    std::vector<TestDraw> draws;
    for (const std::vector<TestDraw> &day : {TestHistory::consecutive(161210001, 41), TestHistory::consecutive(161211001, 41),
                                             TestHistory::consecutive(161212001, 41)})
        draws.insert(draws.end(), day.begin(), day.end());
    draws.push_back({161213001, {1, 2, 3}});
    QVERIFY(TestHistory::createIn(h.folder.path(), draws));
    MainWindow &w = h.start();
    const QString hint = QStringLiteral("最近三天每天开奖 41 期，设置为 78 期（设置 → 每天期数）");
    QCOMPARE(w.statusText(), QStringLiteral("福建快3的历史号码：124 期。") + hint);
    h.find<QLineEdit>("Text1")->setText("161213079");
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_3);
    QVERIFY2(h.dialogs.shown.last().text.contains(QStringLiteral("序号 079 不对") + QStringLiteral("：本彩种每天开奖 78 期")),
             qPrintable(h.dialogs.shown.last().text));
    QVERIFY(h.dialogs.shown.last().text.contains(hint));
    // Set to 41 for 福建快3: the hint goes, and a day's last draw rolls over to the next day.
    h.action("mnuMeitian")->trigger();
    auto *dialog = w.findChild<DrawsPerDayDialog *>();
    QVERIFY(dialog);
    dialog->findChild<QSpinBox *>("spnMeitian0")->setValue(41);
    dialog->accept();
    QCOMPARE(Settings().drawsPerDay()[0], 41);
    QCOMPARE(w.statusText(), QStringLiteral("福建快3的历史号码：124 期"));
    for (int p = 1; p <= 3; ++p)
        entry(h, p)->clear();
    h.find<QLineEdit>("Text1")->setText("161213041");
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_4);
    QCOMPARE(storedIssues(w).last(), 161213041);
    QCOMPARE(h.text("Text1"), QStringLiteral("161214001"));
    // Back to 78: the next issue follows at once.
    h.action("mnuMeitian")->trigger();
    dialog = w.findChild<DrawsPerDayDialog *>();
    dialog->findChild<QSpinBox *>("spnMeitian0")->setValue(78);
    dialog->accept();
    QCOMPARE(h.text("Text1"), QStringLiteral("161213042"));
}

// The history belongs to the game it was last imported under: an update under that game then
// appends to it instead of replacing it.
void TestHistoryCommands::eachImportRecordsItsGame()
{
    Harness h;
    MainWindow &w = h.start();
    const QString path = writeFile(h.folder, "draws.txt", HistoryText::format(TestHistory::consecutive(161212001, 8)));
    for (int game : {0, 3, 8}) {
        h.action(QStringLiteral("mnuK3(%1)").arg(game))->trigger();
        h.dialogs.fileAnswers = {path};
        h.find<QPushButton>("cmdRdLst")->click();
        QCOMPARE(w.history().storedGame(), std::optional<int>(game));
        QCOMPARE(w.commands().otherGameCaption(), QString());
    }
}

void TestHistoryCommands::trimmingKeepsEveryIssueForm_data()
{
    QTest::addColumn<qint32>("first");
    QTest::newRow("北京快3 plain issues") << 79342;
    QTest::newRow("2009, eight digits") << 91212001;
    QTest::newRow("placeholder") << 2007001;
}

void TestHistoryCommands::trimmingKeepsEveryIssueForm()
{
    QFETCH(qint32, first);
    Harness h;
    const std::vector<TestDraw> draws = TestHistory::consecutive(first, 40);
    QVERIFY(TestHistory::createIn(h.folder.path(), draws));
    MainWindow &w = h.start();
    h.dialogs.inputAnswers = {QStringLiteral("1")};
    h.action("mnuEszhzd")->trigger();
    QCOMPARE(storedIssues(w).size(), 39);
    QCOMPARE(w.snapshot().last().sqqh, draws[38].issue);
    h.dialogs.inputAnswers = {QString::number(draws[9].issue)};
    h.action("mnuDlzd")->trigger();
    QCOMPARE(storedIssues(w).size(), 10);
    QCOMPARE(w.snapshot().last().numbers(), draws[9].numbers);
    QCOMPARE(h.dialogs.count("message"), 0);
}

// The window on one game and the tool on others write at once: each history holds its own draws,
// the window shows each game's as it is switched to, and backups and undo stay with their game.
void TestHistoryCommands::eachGameKeepsItsHistory()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), TestHistory::consecutive(161212001, 20)));
    MainWindow &w = h.start(); // 福建快3
    QCOMPARE(cliAdd(h, "456", {"--game", "8"}, {"--issue", "161212001"}), QByteArray("161212001 456"));
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(entry(h, p), Qt::Key_1 + p - 1);
    QCOMPARE(cliAdd(h, "455", {"--game", "8"}), QByteArray("161212002 455"));
    QCOMPARE(storedIssues(w).size(), 21);
    QCOMPARE(storedIssues(w).last(), 161212021);
    h.find<QPushButton>("Command3")->click(); // 福建快3's last draw, backed up
    QCOMPARE(storedIssues(w).size(), 20);

    h.action("mnuK3(8)")->trigger();
    QCOMPARE(storedIssues(w), (QList<qint32>{161212001, 161212002}));
    QCOMPARE(h.grid(1).rows(), 3);
    QCOMPARE(h.text("Text1"), QStringLiteral("161212003"));
    h.action("mnuUndo")->trigger(); // the removal was 福建快3's
    QCOMPARE(w.statusText(), QStringLiteral("没有可以撤销的删除。"));
    QCOMPARE(storedIssues(w).size(), 2);
    h.action("mnuRestore")->trigger();
    QVERIFY(h.dialogs.shown.last().text.startsWith(QStringLiteral("还没有备份")));
    // The tool's next 吉林快3 draw shows in the window showing 吉林快3.
    QCOMPARE(cliAdd(h, "444", {"--game", "8"}), QByteArray("161212003 444"));
    QVERIFY(w.commands().syncWithDisk());
    QCOMPARE(w.snapshot().count(), 3);

    // A game without a file yet follows the tool's first write too.
    h.action("mnuK3(2)")->trigger();
    QCOMPARE(w.snapshot().count(), 0);
    QCOMPARE(cliAdd(h, "666", {"--game", "2"}, {"--issue", "161212001"}), QByteArray("161212001 666"));
    QVERIFY(w.commands().syncWithDisk());
    QCOMPARE(storedIssues(w), QList<qint32>{161212001});

    h.action("mnuK3(0)")->trigger();
    QCOMPARE(storedIssues(w).size(), 20);
    h.action("mnuUndo")->trigger();
    QCOMPARE(storedIssues(w).size(), 21);
    QCOMPARE(storedIssues(w).last(), 161212021);
}

QTEST_MAIN(TestHistoryCommands)
// Pasted or dropped draws: the preview lists new, stored and conflicting draws and the skipped
// lines; nothing changes before 合并 N 期, and the merged history is the one a whole file gives.
void TestHistoryCommands::pastedDrawsMergeAfterAPreview()
{
    Harness h;
    const std::vector<TestDraw> all = TestHistory::consecutive(161212001, 12);
    std::vector<TestDraw> stored(all.begin(), all.begin() + 10);
    stored.erase(stored.begin() + 4); // 161212005 missing
    QVERIFY(TestHistory::createIn(h.folder.path(), stored));
    MainWindow &w = h.start();
    const QStringList before = TestHistory::rowsOf(w.history());
    auto line = [&](int n, const QString &layout) {
        const Numbers &d = all[size_t(n - 1)].numbers;
        return layout.arg(all[size_t(n - 1)].issue).arg(d[0]).arg(d[1]).arg(d[2]);
    };
    const QString pasted = QStringLiteral("期号\t日期\t号码\n") + line(11, "%1\t2016-12-12\t%2\t%3\t%4\n") +
                           line(5, "第%1期 %2+%3+%4\n") + line(3, "%1 %2%3%4\n") + "161212012 1 3 5 2\n";
    const QString conflict = QStringLiteral("161212004 %1 1 1\n").arg(all[3].numbers[0] % 6 + 1);
    QGuiApplication::clipboard()->setText(pasted + conflict);
    h.action("mnuPaste")->trigger();
    QPointer<MergePreviewDialog> preview = w.findChild<MergePreviewDialog *>();
    QVERIFY(preview && preview->isVisible());
    auto *draws = preview->findChild<QTableWidget *>("grdMergeDraws");
    QStringList states;
    for (int r = 0; r < draws->rowCount(); ++r)
        states << draws->item(r, 0)->text() + ' ' + draws->item(r, 2)->text();
    QCOMPARE(states, (QStringList{"161212003 已有", QStringLiteral("161212004 冲突：已存 %1 %2 %3").arg(all[3].numbers[0]).arg(all[3].numbers[1]).arg(all[3].numbers[2]),
                                  "161212005 新（补缺）", "161212011 新"}));
    QCOMPARE(draws->item(0, 0)->foreground().color(), QColor(Qt::gray));
    QCOMPARE(draws->item(1, 0)->foreground().color(), QColor(Qt::red));
    QVERIFY(draws->item(2, 0)->font().bold());
    auto *skipped = preview->findChild<QTableWidget *>("grdMergeSkipped");
    QCOMPARE(skipped->rowCount(), 1);
    QCOMPARE(skipped->item(0, 0)->text(), QStringLiteral("5"));
    QVERIFY(skipped->item(0, 1)->text().contains(QStringLiteral("不止一种读法")));
    // A conflict: no merge, and nothing changed by the preview or its cancel.
    auto *merge = preview->findChild<QPushButton *>("cmdMerge");
    QCOMPARE(merge->text(), QStringLiteral("合并 2 期"));
    QVERIFY(!merge->isEnabled());
    // Both new draws are 5 5 3: kept as read, and counted.
    QVERIFY(preview->findChild<QLabel *>("lblMergeSummary")->text().contains(QStringLiteral("（其中 2 期号码不是从小到大，按原样存放）")));
    preview->findChild<QPushButton *>("cmdMergeCancel")->click();
    QCOMPARE(TestHistory::rowsOf(w.history()), before);

    // Without it, Ctrl+V on the history grid, and the merge.
    QGuiApplication::clipboard()->setText(pasted);
    QTRY_VERIFY(!preview);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *grid = h.find<GridView>("MSFlexGrid1");
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    preview = w.findChild<MergePreviewDialog *>();
    QVERIFY(preview);
    merge = preview->findChild<QPushButton *>("cmdMerge");
    QVERIFY(merge->isEnabled());
    merge->click();
    QCOMPARE(w.statusText(), QStringLiteral("已合并 2 期（其中 1 期补在已有的期号之间）"));
    QCOMPARE(h.grid(1).rows(), 12);
    std::vector<TestDraw> expected(all.begin(), all.begin() + 11);
    TestFolder whole;
    QVERIFY(TestHistory::createIn(whole.path(), expected));
    HistoryDb db;
    QCOMPARE(db.open(QDir(whole.path()).filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
    QCOMPARE(TestHistory::rowsOf(w.history()), TestHistory::rowsOf(db));

    // A dropped CSV file opens the same preview.
    const QString file = h.folder.filePath("draws.csv");
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(line(12, "%1,%2,%3,%4\n").toUtf8());
    csv.close();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QTRY_VERIFY(w.findChildren<MergePreviewDialog *>().size() >= 1);
    for (MergePreviewDialog *open : w.findChildren<MergePreviewDialog *>())
        if (open->isVisible())
            preview = open;
    QVERIFY(preview && preview->isVisible());
    QCOMPARE(preview->findChild<QPushButton *>("cmdMerge")->text(), QStringLiteral("合并 1 期"));
    preview->findChild<QPushButton *>("cmdMerge")->click();
    QCOMPARE(storedIssues(w).last(), 161212012);

    // Suffixes in any case: text and pages are taken, a workbook is not.
    const struct
    {
        const char *name;
        bool taken;
    } drops[] = {{"DRAWS.TXT", true}, {"page.HTM", true}, {"Draws.Csv", true}, {"book.xlsx", false}};
    for (const auto &d : drops) {
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(writeFile(h.folder, d.name, line(12, "%1 %2%3%4\n").toUtf8()))});
        QDragEnterEvent over(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        over.ignore();
        QApplication::sendEvent(&w, &over);
        QVERIFY2(over.isAccepted() == d.taken, d.name);
    }
}

// The first start: the empty history shows its ways in; a paste through it merges the first draws.
void TestHistoryCommands::firstStartShowsTheWaysIn()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget *hint = h.find("wgtFirstStart");
    QVERIFY(hint && hint->isVisible());
    QGuiApplication::clipboard()->setText(QStringLiteral("161212001 1 3 5\n161212002 2 4 6\n"));
    h.find<QPushButton>("cmdHintPaste")->click();
    auto *preview = w.findChild<MergePreviewDialog *>();
    QVERIFY(preview);
    preview->findChild<QPushButton *>("cmdMerge")->click();
    QCOMPARE(storedIssues(w), (QList<qint32>{161212001, 161212002}));
    QVERIFY(!hint->isVisible());
    QCOMPARE(h.text("Text1"), QStringLiteral("161212003"));
    // The other two ways are the import and the update.
    h.dialogs.questionAnswers = {false};
    h.action("mnuClear")->trigger();
    h.dialogs.questionAnswers = {true, false};
    h.action("mnuClear")->trigger();
    QTRY_VERIFY(hint->isVisible());
    h.dialogs.shown.clear();
    h.find<QPushButton>("cmdHintImport")->click();
    QCOMPARE(h.dialogs.shown.first().title, QStringLiteral("读入历史"));
}


// Typed 246, typed 355, 删除最后历史 twice, Ctrl+Z three times: only the last removal comes back;
// the boxes' own undo never brings back digits that end up stored as a draw.
void TestHistoryCommands::undoKeyNeverStoresADraw()
{
    Harness h;
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    h.find<QLineEdit>("Text1")->setText("161212001");
    for (const char *draw : {"246", "355"}) {
        entry(h, 1)->setFocus();
        for (int p = 1; p <= 3; ++p)
            QTest::keyClick(QApplication::focusWidget(), draw[p - 1]);
    }
    QCOMPARE(storedIssues(w), (QList<qint32>{161212001, 161212002}));
    const QStringList typed = TestHistory::rowsOf(w.history());
    h.find<QPushButton>("Command3")->click();
    const QStringList afterFirst = TestHistory::rowsOf(w.history());
    h.find<QPushButton>("Command3")->click();
    QCOMPARE(storedIssues(w), QList<qint32>{});
    QCOMPARE(QApplication::focusWidget(), entry(h, 1));
    const qsizetype boxes = h.dialogs.shown.size();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(TestHistory::rowsOf(w.history()), afterFirst);
    QVERIFY2(w.statusText().startsWith(QStringLiteral("已撤销上次删除")), qPrintable(w.statusText()));
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.statusText(), QStringLiteral("没有可以撤销的删除。"));
    }
    QCOMPARE(TestHistory::rowsOf(w.history()), afterFirst);
    QCOMPARE(h.dialogs.shown.size(), boxes);
    for (int p = 1; p <= 3; ++p)
        QCOMPARE(entry(h, p)->text(), QString());
    // Redo, a programmatic change and a change of a box by a script store nothing either.
    entry(h, 1)->setFocus();
    QTest::keyClick(entry(h, 1), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    for (int p = 1; p <= 3; ++p)
        entry(h, p)->setText(QString::number(p));
    QCOMPARE(TestHistory::rowsOf(w.history()), afterFirst);
    QVERIFY(typed.size() == 2 && afterFirst.size() == 1 && afterFirst.first() == typed.first());
    // A text box with typing of its own to undo keeps its undo; an empty one passes Ctrl+Z on.
    auto *issue = h.find<QLineEdit>("Text1");
    issue->setFocus();
    issue->selectAll();
    QTest::keyClicks(issue, "9");
    QTest::keyClick(issue, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(issue->text(), QStringLiteral("161212002"));
    QCOMPARE(TestHistory::rowsOf(w.history()), afterFirst);
}

// After every kind of change the last search's answers stay, marked as those of the old history
// (the tally chart too), until the next search.
void TestHistoryCommands::answersOfAnOldHistoryAreMarked()
{
    Harness h;
    // Real draws: every search below finds something, so the chart stays open.
    const std::vector<TestDraw> sample = TestHistory::sample();
    QVERIFY(TestHistory::createIn(h.folder.path(), sample));
    MainWindow &w = h.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *mark = h.find<QLabel>("lblStale");
    auto search = [&] {
        h.find<QPushButton>("Command1")->click();
        QVERIFY(!mark->isVisible());
    };
    // Before any search there is nothing to mark.
    h.find<QPushButton>("Command3")->click();
    QVERIFY(!mark->isVisible());
    search();
    h.action("mnuTubiao")->trigger();
    QPointer<TallyChartDialog> chart = w.findChild<TallyChartDialog *>();
    QVERIFY(chart);
    const QString more = writeFile(h.folder, "more.txt", HistoryText::format({sample.begin(), sample.begin() + 1000}));
    const std::function<void()> changes[] = {
        [&] { h.find<QPushButton>("Command3")->click(); },
        [&] { h.action("mnuUndo")->trigger(); },
        [&] {
            h.dialogs.fileAnswers = {more};
            h.find<QPushButton>("cmdRdLst")->click();
        },
        [&] {
            h.dialogs.inputAnswers = {QStringLiteral("3")};
            h.action("mnuEszhzd")->trigger();
        },
        [&] {
            h.dialogs.chooseAnswers = {0};
            h.action("mnuRestore")->trigger();
        },
        [&] {
            entry(h, 1)->setFocus();
            for (Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_3})
                QTest::keyClick(QApplication::focusWidget(), key);
        },
        [&] {
            // Another program: the window takes it in when it is next used.
            QVERIFY(!cliAdd(h, "456").isEmpty());
            w.commands().syncWithDisk();
        },
        [&] {
            QGuiApplication::clipboard()->setText(QStringLiteral("%1 1 2 3\n").arg(sample[2000].issue));
            h.action("mnuPaste")->trigger();
            MergePreviewDialog *preview = w.findChild<MergePreviewDialog *>();
            QVERIFY(preview);
            preview->findChild<QPushButton *>("cmdMerge")->click();
        },
    };
    int n = 0;
    for (const auto &change : changes) {
        const QStringList before = TestHistory::rowsOf(w.history());
        change();
        QVERIFY2(TestHistory::rowsOf(w.history()) != before, qPrintable(QString::number(n)));
        QVERIFY2(mark->isVisible(), qPrintable(QString::number(n)));
        QCOMPARE(mark->text(), QStringLiteral("历史号码已改变，以下是改变前的检索结果；按 检索 重新检索"));
        QVERIFY(chart && chart->findChild<QLabel *>("lblStale")->isVisible());
        search();
        QVERIFY(!chart->findChild<QLabel *>("lblStale")->isVisible());
        ++n;
    }
    // A search changes nothing and marks nothing.
    search();
    QVERIFY(!mark->isVisible());

    // A change of the options the user makes marks them too, the history untouched.
    const std::function<void()> options[] = {
        [&] { h.find<QRadioButton>("Option3(3)")->click(); },          // 段数
        [&] { h.find<QRadioButton>("Option1(2)")->click(); },          // 前N期
        [&] { h.find<QRadioButton>("Option4(1)")->click(); },          // display kind
        [&] { h.find<QRadioButton>("Option5(2)")->click(); },          // tally position
        [&] { h.find<QCheckBox>("Check1(2)")->click(); },              // a position
        [&] { h.find<QTabBar>("TabStrip1")->setCurrentIndex(1); },     // another tab
        [&] { QTest::keyClicks(h.find<QLineEdit>("Text3(0)"), "1"); }, // the range
    };
    for (const auto &option : options) {
        const QStringList before = TestHistory::rowsOf(w.history());
        option();
        QCOMPARE(TestHistory::rowsOf(w.history()), before);
        QVERIFY2(mark->isVisible(), qPrintable(QString::number(n)));
        QCOMPARE(mark->text(), QStringLiteral("检索条件已改变，以下是改变前的检索结果；按 检索 重新检索"));
        QVERIFY(chart && chart->findChild<QLabel *>("lblStale")->isVisible());
        h.find<QTabBar>("TabStrip1")->setCurrentIndex(0);
        h.find<QLineEdit>("Text3(0)")->setText(QString::number(sample[1].issue));
        search();
        ++n;
    }
}

// Filling a gap keeps a range that ended at the newest draw ending there; a range end the user
// typed stays as typed through every change.
void TestHistoryCommands::rangeEndFollowsTheNewestDraw()
{
    Harness h;
    std::vector<TestDraw> sample = TestHistory::sample();
    const auto gap = std::find_if(sample.begin(), sample.end(), [](const TestDraw &d) { return d.issue == 130702076; });
    QVERIFY(gap != sample.end() && (gap + 1)->issue == 130703001); // 077 and 078 were never published
    QVERIFY(TestHistory::createIn(h.folder.path(), sample));
    MainWindow &w = h.start();
    auto *end = h.find<QLineEdit>("Text3(1)");
    const QString newest = QString::number(sample.back().issue);
    QCOMPARE(end->text(), newest);
    auto type = [&](const QString &issue, const char *digits) {
        h.find<QLineEdit>("Text1")->setText(issue);
        for (int p = 1; p <= 3; ++p)
            QTest::keyClick(entry(h, p), digits[p - 1]);
        QVERIFY(storedIssues(w).contains(issue.toInt()));
    };
    type(QStringLiteral("130702077"), "123");
    QCOMPARE(end->text(), newest);
    // After the newest draw, the end moves past it (the next issue), as before.
    type(QStringLiteral("130801001"), "456");
    QCOMPARE(end->text(), QStringLiteral("130801002"));
    // Typed by the user: it stays, a gap filled or a draw added.
    end->selectAll();
    QTest::keyClicks(end, "130720050");
    type(QStringLiteral("130702078"), "135");
    QCOMPARE(end->text(), QStringLiteral("130720050"));
    type(QStringLiteral("130801002"), "246");
    QCOMPARE(end->text(), QStringLiteral("130720050"));
}

// Some pages and programs put only HTML on the clipboard: it is read as a page.
void TestHistoryCommands::htmlOnlyClipboardIsRead()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), small));
    MainWindow &w = h.start();
    auto *data = new QMimeData;
    data->setHtml("<table><tr><td>161213001</td><td>6</td><td>4</td><td>3</td></tr>"
                  "<tr><td>161213002</td><td>1</td><td>1</td><td>2</td></tr></table>");
    QGuiApplication::clipboard()->setMimeData(data);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    h.action("mnuPaste")->trigger();
    MergePreviewDialog *preview = w.findChild<MergePreviewDialog *>();
    QVERIFY2(preview, qPrintable(w.statusText()));
    // One draw as the dice fell: counted, and kept as read.
    QCOMPARE(preview->findChild<QLabel *>("lblMergeSummary")->text(),
             QStringLiteral("剪贴板：新 2 期（其中 1 期号码不是从小到大，按原样存放），已有 0 期，冲突 0 期，跳过 0 行。"));
    preview->findChild<QPushButton *>("cmdMerge")->click();
    QCOMPARE(storedIssues(w).mid(3), (QList<qint32>{161213001, 161213002}));
    QCOMPARE(w.snapshot().numbers(3), (Numbers{6, 4, 3}));
    QPointer<MergePreviewDialog> merged = preview;
    QTRY_VERIFY(!merged);
    // Ascending draws only: no word of the order. A sequence the day cannot have (78 a day) is skipped.
    QGuiApplication::clipboard()->setText(QStringLiteral("161213003 1 2 3\n161213079 4 5 6\n"));
    h.action("mnuPaste")->trigger();
    preview = w.findChild<MergePreviewDialog *>();
    QVERIFY(preview);
    QCOMPARE(preview->findChild<QLabel *>("lblMergeSummary")->text(), QStringLiteral("剪贴板：新 1 期，已有 0 期，冲突 0 期，跳过 1 行。"));
    preview->findChild<QPushButton *>("cmdMergeCancel")->click();
    // Nothing at all on the clipboard is still said so.
    QGuiApplication::clipboard()->clear();
    h.action("mnuPaste")->trigger();
    QVERIFY(w.statusText().startsWith(QStringLiteral("剪贴板里没有文字")));
}
#include "tst_historycommands.moc"
