#include "LoopbackHttpServer.h"
#include "ResultsPage.h"
#include "TestHistory.h"
#include "WindowHarness.h"
#include "AutoUpdate.h"
#include "BetTable.h"
#include "Notifier.h"
#include "DrawClock.h"
#include "DrawClockIndicator.h"
#include "Settings.h"
#include "SettingsDialogs.h"
#include "HistoryDb.h"

#include <QElapsedTimer>
#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {
std::vector<TestDraw> day(int yymmdd, int first, int last)
{
    std::vector<TestDraw> draws;
    for (int n = first; n <= last; ++n)
        draws.push_back(
            {yymmdd * 1000 + n, {qint16(1 + n % 6), qint16(1 + (n + 1) % 6), qint16(1 + (n + 3) % 6)}});
    return draws;
}
std::vector<TestDraw> operator+(std::vector<TestDraw> a, const std::vector<TestDraw> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// A notification service of the test's own on the session bus: it records what it is shown.
class RecordingNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;

public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received << app + QLatin1Char('|') + summary + QLatin1Char('|') + body;
        return uint(received.size());
    }
};

} // namespace

// The update command against a results server on the loopback interface.
class TestUpdate : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void appendsAndRefreshes();
    void cancelDoesNothing();
    void failedPagesKeepHistory_data();
    void failedPagesKeepHistory();
    void commandsDisabledWhileWaiting();
    void firstUpdateAsksForTheHost();
    void loadingCanBeCancelled();
    void nothingNewIsToldApart();
    void automaticUpdate();
    void followedGamesKeptCurrent();
    void drawClock();
    void severalHosts();
    void desktopNotices();
    void timedToTheDraws();

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
};

void TestUpdate::init()
{
    m_server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(m_server->isListening());
    m_server->becomeApplicationProxy();
}

void TestUpdate::appendsAndRefreshes()
{
    Harness h; // today is 2016-12-12
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161211, 1, 70)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    MainWindow &w = h.start();
    m_server->body = resultsPage(day(161211, 60, 78) + day(161212, 1, 30), true);
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(m_server->requests, QStringList{"GET http://fj.results.test/?n=78 HTTP/1.1"});
    QCOMPARE(h.dialogs.count("message"), 0);
    QCOMPARE(w.snapshot().count(), 70 + 8 + 30);
    QCOMPARE(h.grid(1).rows(), 109);
    QCOMPARE(h.text("Text1"), QStringLiteral("161212031"));
    QCOMPARE(h.text("Text3(1)"), QStringLiteral("161212030"));
    const Numbers latest = day(161212, 30, 30)[0].numbers;
    QCOMPARE(h.text("Text2(1)"), QString::number(latest[0]));
    QVERIFY(w.statusText().contains("38"));
    QVERIFY(h.find<QPushButton>("Command1")->isEnabled());
}

void TestUpdate::cancelDoesNothing()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161211, 1, 5)));
    MainWindow &w = h.start();
    h.dialogs.questionAnswers = {false};
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(h.dialogs.shown.first().title, QStringLiteral("历史号在线更新"));
    QCOMPARE(m_server->requests.size(), 0);
    QCOMPARE(w.snapshot().count(), 5);
    QCOMPARE(h.dialogs.count("message"), 0);
}

void TestUpdate::failedPagesKeepHistory_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("silent");
    QTest::newRow("404") << 404 << QByteArray("<h1>Not Found</h1>") << false;
    QTest::newRow("empty page") << 200 << QByteArray() << false;
    QTest::newRow("garbage") << 200 << QByteArray("\x01\x02<<<>>>&&&161212 xx \xff\xfe") << false;
    QTest::newRow("never answers") << 200 << QByteArray() << true;
}

void TestUpdate::failedPagesKeepHistory()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, silent);
    Harness h;
    // Older than the days to keep: it would be replaced, but only by draws that were found.
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161201, 1, 20)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    MainWindow &w = h.start();
    m_server->status = status;
    m_server->body = body;
    m_server->silent = silent;
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(m_server->requests, QStringList{"GET http://fj.results.test/?n=234 HTTP/1.1"});
    QCOMPARE(h.dialogs.count("message"), 1);
    QVERIFY(h.dialogs.shown.last().text.contains("历史号码保持不变"));
    QCOMPARE(w.history().snapshot()->count(), 20);
    QCOMPARE(h.grid(1).rows(), 21);
}

void TestUpdate::commandsDisabledWhileWaiting()
{
    Harness h;
    h.folder.writeSetting("UpdateHost", ".results.test");
    MainWindow &w = h.start();
    m_server->silent = true;
    bool sawDisabled = false;
    // While the page is awaited the window handles events: look at it then.
    QTimer::singleShot(300, &w, [&] {
        sawDisabled = !h.find<QPushButton>("Command1")->isEnabled() &&
                      !h.find<QPushButton>("cmdRdLst")->isEnabled() && !w.menuBar()->isEnabled() &&
                      !h.find<QLineEdit>("MaskEdBox1(1)")->isEnabled() &&
                      !h.find<GridView>("MSFlexGrid1")->isEnabled();
    });
    h.find<QPushButton>("Command21")->click();
    QVERIFY(sawDisabled);
    QVERIFY(h.find<QPushButton>("Command1")->isEnabled());
    QVERIFY(w.menuBar()->isEnabled());
}

// With the never-resolving default host the user is asked for the real one, which is checked,
// saved and used at once.
void TestUpdate::firstUpdateAsksForTheHost()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161211, 1, 70)));
    MainWindow &w = h.start();
    m_server->body = resultsPage(day(161211, 60, 78), true);
    h.dialogs.inputAnswers = {QStringLiteral("not a host/!")};
    h.find<QPushButton>("Command21")->click();
    // The host first, with where it is set; no question about the update before it.
    QVERIFY(h.dialogs.shown.at(0).text.contains(QStringLiteral("还没有设置开奖网址")));
    QVERIFY(h.dialogs.shown.at(0).text.contains(QStringLiteral("设置 → 开奖网址")));
    QCOMPARE(h.dialogs.shown.at(1).defaultAnswer, QStringLiteral(".vendrix-k3.invalid"));
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("不是主机名")));
    QCOMPARE(m_server->requests.size(), 0);

    h.dialogs.inputAnswers = {QStringLiteral(".results.test")};
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(h.folder.readSetting("UpdateHost"), QStringLiteral(".results.test"));
    QCOMPARE(m_server->requests, QStringList{"GET http://fj.results.test/?n=78 HTTP/1.1"});
    QCOMPARE(w.snapshot().count(), 78);
    // The menu entry shows the host in force.
    h.dialogs.inputAnswers = {};
    h.action("mnuUpdateHost")->trigger();
    QCOMPARE(h.dialogs.shown.last().defaultAnswer, QStringLiteral(".results.test"));

    // A history the update would replace: still the host first, and no word of replacing before
    // there is one; declining leaves everything as it was and says so.
    Harness old;
    QVERIFY(TestHistory::createIn(old.folder.path(), day(161120, 1, 78)));
    MainWindow &o = old.start();
    old.dialogs.questionAnswers = {false};
    old.find<QPushButton>("Command21")->click();
    QCOMPARE(old.dialogs.shown.size(), 1);
    QVERIFY(old.dialogs.shown[0].text.contains(QStringLiteral("还没有设置开奖网址")));
    QVERIFY(!old.dialogs.shown[0].text.contains(QStringLiteral("替换")));
    QCOMPARE(o.statusText(), QStringLiteral("没有设置开奖网址，历史号码没有改变。"));
    QCOMPARE(o.snapshot().count(), 78);
    // With a host, the warning comes as before.
    Harness again;
    QVERIFY(TestHistory::createIn(again.folder.path(), day(161120, 1, 78)));
    again.folder.writeSetting("UpdateHost", ".results.test");
    again.start();
    again.dialogs.questionAnswers = {false};
    again.find<QPushButton>("Command21")->click();
    QCOMPARE(again.dialogs.shown.size(), 1);
    QVERIFY(again.dialogs.shown[0].text.contains(QStringLiteral("替换")));
}

void TestUpdate::loadingCanBeCancelled()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161211, 1, 70)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    MainWindow &w = h.start();
    m_server->silent = true;
    bool sawProgress = false;
    QTimer::singleShot(300, &w, [&] {
        sawProgress = h.find<QWidget>("prgUpdate")->isVisibleTo(&w);
        h.find<QPushButton>("cmdUpdateCancel")->click();
    });
    QElapsedTimer clock;
    clock.start();
    h.find<QPushButton>("Command21")->click();
    QVERIFY(sawProgress);
    QVERIFY(clock.elapsed() < 2500); // not the loader's time limit
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("已取消")));
    QVERIFY(!h.find<QWidget>("prgUpdate")->isVisibleTo(&w));
    QCOMPARE(w.snapshot().count(), 70);
}

void TestUpdate::nothingNewIsToldApart()
{
    Harness h;
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161211, 1, 70)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    h.start();
    m_server->body = resultsPage(day(161211, 60, 70), true);
    h.find<QPushButton>("Command21")->click();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("还没有第 161211070 期之后的开奖号码")));
    m_server->body = "<html><body>维护中</body></html>";
    h.find<QPushButton>("Command21")->click();
    QVERIFY(h.dialogs.shown.last().text.contains(QStringLiteral("没有找到开奖号码")));
}

// 设置 → 自动更新 (a wait of a second here): new draws appear without a click or a dialog, a
// failing server makes the wait double and a success brings it back, a history the page would
// replace is left alone.
void TestUpdate::automaticUpdate()
{
    Harness h; // today is 2016-12-12
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    h.folder.writeSetting("AutoUpdate", "10");
    h.folder.writeSetting("AutoUpdateSeconds", "1");
    MainWindow &w = h.start();
    QVERIFY(w.autoUpdate().isActive());
    QCOMPARE(h.action("mnuZidong10")->isChecked(), true);
    m_server->body = resultsPage(day(161212, 1, 22), true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 22, 10000);
    QVERIFY2(w.statusText().startsWith(QStringLiteral("自动更新：新增 2 期（161212022），下次 ")), qPrintable(w.statusText()));
    QCOMPARE(h.text("Text1"), QStringLiteral("161212023"));
    m_server->status = 500;
    QTRY_VERIFY_WITH_TIMEOUT(w.statusText().startsWith(QStringLiteral("自动更新失败：")), 10000);
    QCOMPARE(w.autoUpdate().intervalMs(), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(w.autoUpdate().intervalMs(), 4000, 10000);
    m_server->status = 200;
    m_server->body = resultsPage(day(161212, 1, 23), true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 23, 15000);
    QCOMPARE(w.autoUpdate().intervalMs(), 1000);
    QCOMPARE(h.dialogs.shown.size(), 0);
    // A server that accepts and never answers holds nothing up: the status says so while the page
    // is awaited, digits typed meanwhile are stored at once, and the wait ends in a failure.
    m_server->silent = true;
    QString saidWhileWaiting;
    int storedWhileWaiting = 0;
    const QMetaObject::Connection watch = connect(&w.autoUpdate(), &AutoUpdate::statusMessage, &w, [&](const QString &text) {
        if (text != QStringLiteral("自动更新：正在连接…") || !saidWhileWaiting.isEmpty())
            return;
        saidWhileWaiting = w.statusText();
        QTimer::singleShot(200, &w, [&] {
            for (int p = 1; p <= 3; ++p)
                QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_5);
            storedWhileWaiting = w.snapshot().count();
        });
    });
    h.action("mnuZidong10")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(storedWhileWaiting, 24, 10000);
    disconnect(watch);
    QCOMPARE(saidWhileWaiting, QStringLiteral("自动更新：正在连接…"));
    QTRY_VERIFY_WITH_TIMEOUT(w.statusText().startsWith(QStringLiteral("自动更新失败：开奖网页 3 秒内没有响应")), 10000);
    QCOMPARE(w.snapshot().last().sqqh, 161212024);
    m_server->silent = false;
    // Failures double the wait up to an hour and never past it; "nothing new" after them brings it
    // back to the setting.
    m_server->status = 500;
    for (int i = 0; i < 14; ++i)
        w.autoUpdate().runNow();
    QCOMPARE(w.autoUpdate().intervalMs(), AutoUpdate::longestMinutes * 60 * 1000);
    m_server->status = 200;
    m_server->body = resultsPage(day(161212, 20, 24), true);
    w.autoUpdate().runNow();
    QVERIFY2(w.statusText().startsWith(QStringLiteral("自动更新：没有新的开奖号码")), qPrintable(w.statusText()));
    QCOMPARE(w.autoUpdate().intervalMs(), 1000);
    // 关 stops it.
    h.action("mnuZidong0")->trigger();
    QVERIFY(!w.autoUpdate().isActive());

    // Draws older than the days to keep: the update would replace them, so it is left to the user.
    Harness old;
    QVERIFY(TestHistory::createIn(old.folder.path(), day(161201, 1, 20)));
    old.folder.writeSetting("UpdateHost", ".results.test");
    old.folder.writeSetting("AutoUpdate", "5");
    old.folder.writeSetting("AutoUpdateSeconds", "1");
    m_server->requests.clear();
    MainWindow &kept = old.start();
    QTRY_VERIFY_WITH_TIMEOUT(kept.statusText().startsWith(QStringLiteral("自动更新：历史号码需要替换")), 10000);
    QCOMPARE(m_server->requests, QStringList());
    QCOMPARE(kept.snapshot().count(), 20);
}

// Two followed games, each with its own results server: both become current while only one is
// selected, each into its own file; a failing one backs off alone, its wait capped at an hour,
// and "nothing new" brings it back to the setting.
void TestUpdate::followedGamesKeptCurrent()
{
    Harness h; // today is 2016-12-12; 福建快3 selected, its draws in the main file
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    const auto jsHistory = [&h] {
        HistoryDb js;
        return js.openGame(h.folder.path(), 3, 0) == HistoryDb::OpenStatus::Ok ? js.snapshot() : std::nullopt;
    };
    {
        HistoryDb js;
        QVERIFY(js.openGame(h.folder.path(), 3, 0) == HistoryDb::OpenStatus::Ok);
        QVERIFY(TestHistory::append(js, day(161211, 1, 80))); // 江苏快3 draws 82 a day
    }
    h.folder.writeSetting("UpdateHost", ".results.test");
    h.folder.writeSetting("AutoUpdate", "10");
    h.folder.writeSetting("AutoUpdateSeconds", "1");
    LoopbackHttpServer jsServer;
    m_server->routes.insert("js.", &jsServer);
    m_server->body = resultsPage(day(161212, 1, 22), true);
    jsServer.body = resultsPage(day(161211, 1, 82) + day(161212, 1, 2), true);
    MainWindow &w = h.start();
    QVERIFY(w.autoUpdate().isActive(0) && w.autoUpdate().isActive(3)); // both have a history: followed
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 22, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(jsHistory().value_or(HistorySnapshot()).count(), 84, 10000);
    QCOMPARE(jsHistory()->last().sqqh, 161212002);
    QCOMPARE(w.snapshot().last().sqqh, 161212022);
    QCOMPARE(w.commands().game().index, 0);
    QVERIFY(!jsServer.requests.isEmpty() && !m_server->requests.filter("js.").size());
    const QString tip = w.autoUpdate().indicator()->toolTip();
    QVERIFY2(tip.contains(QStringLiteral("福建快3：新增 2 期（161212022），下次 ")) &&
                 tip.contains(QStringLiteral("江苏快3：新增 4 期（161212002），下次 ")),
             qPrintable(tip));
    QVERIFY2(!w.statusText().startsWith(QStringLiteral("自动更新：新增 4 期")), qPrintable(w.statusText()));

    // 江苏快3's server fails: its wait doubles up to an hour, 福建快3's stays at the setting.
    jsServer.status = 500;
    QTRY_COMPARE_WITH_TIMEOUT(w.autoUpdate().intervalMs(3), 4000, 10000);
    QCOMPARE(w.autoUpdate().intervalMs(0), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(w.autoUpdate().indicator()->toolTip().contains(QStringLiteral("江苏快3：更新失败：")), 10000);
    for (int i = 0; i < 14; ++i)
        w.autoUpdate().runNow(3);
    QCOMPARE(w.autoUpdate().intervalMs(3), AutoUpdate::longestMinutes * 60 * 1000);
    QCOMPARE(w.autoUpdate().intervalMs(0), 1000);
    jsServer.status = 200;
    w.autoUpdate().runNow(3);
    QCOMPARE(w.autoUpdate().intervalMs(3), 1000);
    QVERIFY(w.autoUpdate().indicator()->toolTip().contains(QStringLiteral("江苏快3：没有新的开奖号码")));
    // One page at a time: while 福建快3's page is awaited, 江苏快3's turn waits for it.
    m_server->silent = true;
    qsizetype before = -1, after = -1;
    const QMetaObject::Connection watch = connect(&w.autoUpdate(), &AutoUpdate::statusMessage, &w, [&](const QString &text) {
        if (text == QStringLiteral("自动更新：正在连接…"))
            before = jsServer.requests.size();
        else if (before >= 0 && after < 0)
            after = jsServer.requests.size();
    });
    w.autoUpdate().runNow();
    disconnect(watch);
    QVERIFY(before >= 0);
    QCOMPARE(after, before);
    m_server->silent = false;
    // Unfollowed, it is left alone; the selected game is always kept.
    h.action("mnuGuanzhu(3)")->setChecked(false);
    h.action("mnuGuanzhu(0)")->setChecked(false);
    QVERIFY(!w.autoUpdate().isActive(3));
    QVERIFY(w.autoUpdate().isActive(0));
}

// The draw clock in the status bar, from the schedule set in 设置 → 开奖时间…: the next draw's time
// and the minutes left, a late draw named; for a game whose schedule is unknown, how to set it, once.
void TestUpdate::drawClock()
{
    Harness h; // today is 2016-12-12
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    MainWindow &w = h.start();
    auto *clock = w.findChild<DrawClockIndicator *>();
    QVERIFY(clock);
    QCOMPARE(clock->label()->text(), QStringLiteral("福建快3的开奖时间未知（可在“设置 → 开奖时间…”中设置）"));
    h.action("mnuKaijiang")->trigger();
    auto *dialog = w.findChild<ScheduleDialog *>();
    QVERIFY(dialog);
    QVERIFY(!dialog->findChild<QCheckBox *>("chkKaijiang0")->isChecked());
    dialog->findChild<QCheckBox *>("chkKaijiang0")->setChecked(true);
    dialog->findChild<QTimeEdit *>("tmeKaijiang0")->setTime(QTime(8, 30));
    dialog->findChild<QSpinBox *>("spnKaijiang0")->setValue(10);
    h.clock.moment = DrawClock::beijing(QDate(2016, 12, 12), QTime(11, 38, 30)).toUTC();
    dialog->accept();
    QCOMPARE(Settings().schedule(0), (DrawClock::Schedule{QTime(8, 30), 10}));
    QCOMPARE(Settings().schedule(3), std::nullopt);
    // Opened again, it shows what is set.
    h.action("mnuKaijiang")->trigger();
    QTRY_VERIFY(w.findChildren<ScheduleDialog *>().size() == 1);
    auto *again = w.findChild<ScheduleDialog *>();
    QVERIFY(again->findChild<QCheckBox *>("chkKaijiang0")->isChecked());
    QCOMPARE(again->findChild<QTimeEdit *>("tmeKaijiang0")->time(), QTime(8, 30));
    QVERIFY(!again->findChild<QCheckBox *>("chkKaijiang3")->isChecked());
    again->reject();
    // 161212021 is due at 08:30 + 20 × 10 minutes.
    QCOMPARE(clock->label()->text(), QStringLiteral("下一期 161212021 约 11:50 开奖（还有 12 分）"));
    QVERIFY(!clock->label()->isHidden());
    h.clock.moment = h.clock.moment.addSecs(20 * 60);
    clock->refresh();
    QCOMPARE(clock->label()->text(), QStringLiteral("161212021 期应在 11:50 开奖，已晚 8 分钟（来源可能未更新）"));
    // The draw is typed: at once the next one's time.
    for (int p = 1; p <= 3; ++p)
        QTest::keyClick(h.find<QLineEdit>(QStringLiteral("MaskEdBox1(%1)").arg(p)), Qt::Key_3);
    QCOMPARE(clock->label()->text(), QStringLiteral("下一期 161212022 约 12:00 开奖（还有 2 分）"));
}

// Several results hosts, set in 开奖网址 and tried in order: one whose page has only older draws is
// named as stale and the next is asked; the status bar says which one answered.
void TestUpdate::severalHosts()
{
    Harness h; // today is 2016-12-12
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    MainWindow &w = h.start();
    h.dialogs.inputAnswers = {QStringLiteral(".a.test, http://fj.b.test:8080/?n=3")};
    h.action("mnuUpdateHost")->trigger();
    QCOMPARE(Settings().updateHosts(), (QStringList{".a.test", ".b.test:8080"}));
    QCOMPARE(Settings().updateHost(), QStringLiteral(".a.test")); // what an older release reads
    LoopbackHttpServer stale, fresh;
    m_server->routes.insert("fj.a.", &stale);
    m_server->routes.insert("fj.b.", &fresh);
    stale.body = resultsPage(day(161212, 1, 20), true);
    fresh.body = resultsPage(day(161212, 1, 22), true);
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(w.snapshot().count(), 22);
    QCOMPARE(stale.requests.size(), 1);
    QCOMPARE(fresh.requests.size(), 1);
    QVERIFY2(w.statusText().contains(QStringLiteral("（来自 fj.b.test:8080；fj.a.test 未更新到 161212021 期）")),
             qPrintable(w.statusText()));
    // The first host current again: the second is not asked.
    stale.body = resultsPage(day(161212, 1, 23), true);
    h.find<QPushButton>("Command21")->click();
    QCOMPARE(w.snapshot().count(), 23);
    QCOMPARE(fresh.requests.size(), 1);
}

// New draws brought in by the automatic update and the bets they settled, as desktop notices on a
// real session bus (the test's own service records them); none of a kind turned off; with no
// service, the status bar says the same and nothing fails.
void TestUpdate::desktopNotices()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "the test runs under dbus-run-session");
    RecordingNotifications service;
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    DesktopNotifier notifier;
    Harness h; // today is 2016-12-12
    h.notifier = &notifier;
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    h.folder.writeSetting("UpdateHost", ".results.test");
    h.folder.writeSetting("AutoUpdate", "10");
    h.folder.writeSetting("AutoUpdateSeconds", "1");
    MainWindow &w = h.start();
    // A 二不同号 bet on the next issue, which the page brings.
    const std::vector<TestDraw> page = day(161212, 1, 21);
    const Numbers n = page.back().numbers;
    {
        HistoryDb ledger;
        QVERIFY(ledger.openGame(h.folder.path(), 0, 0) == HistoryDb::OpenStatus::Ok);
        QVERIFY(BetTable::add(ledger, {0, 161212021, QStringLiteral("二不同号"),
                                       QStringLiteral("%1%2").arg(std::min(n[0], n[1])).arg(std::max(n[0], n[1])), 2,
                                       std::nullopt, {}}));
    }
    // And an omission alert the new draw brings to its mark.
    Settings().setOmissionAlerts(0, {{QStringLiteral("形态"), QStringLiteral("三同号"), 21, false}});
    m_server->body = resultsPage(page, true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 21, 10000);
    const QString drawn = QStringLiteral("Vendrix K3|Vendrix K3|福建快3 161212021 期：%1 %2 %3").arg(n[0]).arg(n[1]).arg(n[2]);
    QTRY_COMPARE_WITH_TIMEOUT(service.received,
                              (QStringList{drawn, "Vendrix K3|Vendrix K3|福建快3 投注结算：中奖 16 元",
                                           "Vendrix K3|Vendrix K3|福建快3 遗漏提醒：形态 三同号 已遗漏 21 期（提醒：≥ 21）"}),
                              5000);
    // Notices of new draws turned off: only the bets' (none here) would come.
    h.action("mnuTongzhiKaijiang")->setChecked(false);
    QVERIFY(!Settings().notifyDraws());
    service.received.clear();
    m_server->body = resultsPage(day(161212, 1, 22), true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 22, 10000);
    QTest::qWait(300);
    QCOMPARE(service.received, QStringList());
    // No service: the status bar carries the notice.
    h.action("mnuTongzhiKaijiang")->setChecked(true);
    QVERIFY(bus.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
    m_server->body = resultsPage(day(161212, 1, 23), true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 23, 10000);
    QVERIFY2(w.statusText().contains(QStringLiteral("；福建快3 161212023 期：")), qPrintable(w.statusText()));
    QCOMPARE(service.received, QStringList());
    // The window looked at: no notice of the draws, an alert all the same.
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    Settings().setOmissionAlerts(0, {{QStringLiteral("形态"), QStringLiteral("三同号"), 24, false}});
    m_server->body = resultsPage(day(161212, 1, 24), true);
    QTRY_COMPARE_WITH_TIMEOUT(w.snapshot().count(), 24, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(service.received,
                              QStringList{"Vendrix K3|Vendrix K3|福建快3 遗漏提醒：形态 三同号 已遗漏 24 期（提醒：≥ 24）"}, 5000);
}

// With the draws' times known, the automatic update fetches a minute after each draw is due (a
// timer going off before then fetches nothing), then every minute while the draw is late, saying
// so, at most ten times before it waits as after failures; each followed game by its own schedule.
void TestUpdate::timedToTheDraws()
{
    Harness h; // today is 2016-12-12
    QVERIFY(TestHistory::createIn(h.folder.path(), day(161212, 1, 20)));
    {
        HistoryDb js;
        QVERIFY(js.openGame(h.folder.path(), 3, 0) == HistoryDb::OpenStatus::Ok);
        QVERIFY(TestHistory::append(js, day(161212, 1, 30)));
    }
    h.folder.writeSetting("UpdateHost", ".results.test");
    h.folder.writeSetting("AutoUpdate", "10");
    h.folder.writeSetting("DrawsPerDay", "30"); // 福建快3's; 江苏快3 keeps its 82
    Settings().setSchedule(0, DrawClock::Schedule{QTime(8, 30), 10});
    Settings().setSchedule(3, DrawClock::Schedule{QTime(6, 40), 4});
    LoopbackHttpServer jsServer;
    m_server->routes.insert("js.", &jsServer);
    m_server->body = resultsPage(day(161212, 1, 20), true);
    // 161212021 is due at 11:50 Beijing time; 江苏快3's 161212031 was at 08:40 (by its own 82 a
    // day; at 30 it would be tomorrow's first).
    const auto at = [](int hour, int minute, int second = 0) {
        return DrawClock::beijing(QDate(2016, 12, 12), QTime(hour, minute, second)).toUTC();
    };
    h.clock.moment = at(11, 38, 30);
    MainWindow &w = h.start();
    AutoUpdate &update = w.autoUpdate();
    QCOMPARE(update.waitMs(0), (12 * 60 + 30) * 1000);
    QCOMPARE(update.waitMs(3), AutoUpdate::afterDrawMs); // due and not there: soon
    const auto fire = [&](int game) {
        update.findChild<QTimer *>(QStringLiteral("tmrZidong%1").arg(game))->start(0);
        QTest::qWait(50);
    };
    fire(0);
    QCOMPARE(m_server->requests.size(), 0);
    QCOMPARE(update.waitMs(0), (12 * 60 + 30) * 1000);
    // Due, but not yet the minute after: still nothing asked.
    h.clock.moment = at(11, 50, 30);
    fire(0);
    QCOMPARE(m_server->requests.size(), 0);
    QCOMPARE(update.waitMs(0), 30 * 1000);
    // A minute after its time: asked, not there yet, asked again a minute later.
    h.clock.moment = at(11, 51);
    fire(0);
    QCOMPARE(m_server->requests.size(), 1);
    QVERIFY2(w.statusText().startsWith(QStringLiteral("自动更新：没有新的开奖号码")), qPrintable(w.statusText()));
    QCOMPARE(update.waitMs(0), AutoUpdate::afterDrawMs);
    QCOMPARE(update.tries(0), 1);
    // Late: said so.
    h.clock.moment = at(11, 58);
    fire(0);
    QVERIFY2(w.statusText().startsWith(QStringLiteral("自动更新：161212021 期应在 11:50 开奖，已晚 8 分钟（来源可能未更新），下次 ")),
             qPrintable(w.statusText()));
    QCOMPARE(update.waitMs(0), AutoUpdate::afterDrawMs);
    // The tenth try in vain: the wait doubles from the setting, then again.
    for (int i = 2; i < AutoUpdate::maxTries - 1; ++i)
        update.runNow(0);
    QCOMPARE(update.waitMs(0), AutoUpdate::afterDrawMs);
    update.runNow(0);
    QCOMPARE(update.tries(0), AutoUpdate::maxTries);
    QCOMPARE(update.waitMs(0), 2 * 10 * 60 * 1000);
    update.runNow(0);
    QCOMPARE(update.waitMs(0), 4 * 10 * 60 * 1000);
    QCOMPARE(m_server->requests.size(), AutoUpdate::maxTries + 1);
    // It comes: the next draw's time, a minute after 12:00.
    m_server->body = resultsPage(day(161212, 1, 21), true);
    fire(0);
    QCOMPARE(w.snapshot().last().sqqh, 161212021);
    QCOMPARE(update.tries(0), 0);
    QCOMPARE(update.waitMs(0), 3 * 60 * 1000);
    QCOMPARE(jsServer.requests.size(), 0);
    // A draw hours away is looked at again an hour later (a sleeping computer's timer runs late).
    h.clock.moment = at(9, 0);
    update.restartGame(0);
    QCOMPARE(update.waitMs(0), AutoUpdate::longestMinutes * 60 * 1000);
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
