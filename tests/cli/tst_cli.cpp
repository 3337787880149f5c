#include "Backtest.h"
#include "Database.h"
#include "HistoryDb.h"
#include "HistoryText.h"
#include "LoopbackHttpServer.h"
#include "ResultsPage.h"
#include "TestHistory.h"
#include "WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTabBar>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QSettings>
#include <QTest>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <random>

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run cli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli", arguments);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    process.waitForFinished(300000); // the sanitizer build reads two million lines slowly
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// What the window's two grids show, in the CLI's JSON shape.
void compareWithGrids(const QJsonObject &json, const Harness &h)
{
    const QJsonArray results = json.value("results").toArray();
    const GridModel &list = h.grid(2);
    QCOMPARE(results.size(), list.rows() - 1);
    for (int r = 1; r < list.rows(); ++r) {
        const QJsonObject row = results.at(r - 1).toObject();
        QCOMPARE(QString::number(row.value("issue").toInteger()), list.cellText(r, 0));
        for (int p = 0; p < 3; ++p)
            QCOMPARE(QString::number(row.value("values").toArray().at(p).toInteger()),
                     list.cellText(r, p + 1));
        QCOMPARE(row.value("before").toString(), list.cellText(r, 4));
    }
    const QJsonArray tally = json.value("tally").toArray();
    const GridModel &stats = h.grid(3);
    QCOMPARE(tally.size(), stats.rows() - 1);
    for (int r = 1; r < stats.rows(); ++r) {
        const QJsonObject line = tally.at(r - 1).toObject();
        QCOMPARE(QString::number(line.value("rank").toInteger()), stats.cellText(r, 0));
        QCOMPARE(line.value("value").toString(), stats.cellText(r, 1));
        QCOMPARE(QString::number(line.value("count").toInteger()), stats.cellText(r, 2));
        QCOMPARE(line.value("percent").toString(), stats.cellText(r, 3));
    }
}

QJsonObject jsonOf(const Run &run)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not JSON: %s", run.out.left(200).constData());
    return document.object();
}

QString sampleFile()
{
    return QStringLiteral(VK3_SAMPLE_DATA "/gx-k3-2013-05-29_07-31.txt");
}

// The names in the folder's 备份, newest first as `backups` lists them.
QStringList backupNames(const QString &folder)
{
    QStringList names;
    for (const QJsonValue &b : QJsonDocument::fromJson(cli({"--dir", folder, "backups", "--json"}).out).array())
        names << b.toObject().value("name").toString();
    return names;
}

// Small backups left by another run: `count` files named `stem` with a number in place of %1.
void plantBackups(const QString &folder, const QString &stem, int count)
{
    QDir().mkpath(folder + "/备份");
    for (int i = 0; i < count; ++i)
        QVERIFY(HistoryText::writeFile(folder + "/备份/" + stem.arg(i, 2, 10, QLatin1Char('0')),
                                       HistoryText::format(TestHistory::consecutive(161212001, 2)), nullptr));
}

// A small file system of its own at `path` (root only: a tmpfs mount), unmounted at the end.
bool mountSmallDisk(const QString &path, const char *size)
{
    QDir().mkpath(path);
    return geteuid() == 0 && QProcess::execute("mount", {"-t", "tmpfs", "-o", QStringLiteral("size=%1").arg(size), "tmpfs", path}) == 0;
}

// Fills the disk at `path` until `freeKb` remain.
void fillDisk(const QString &path, qint64 freeKb)
{
    const qint64 available = QStorageInfo(path).bytesAvailable() / 1024;
    QFile fill(path + "/fill");
    QVERIFY(fill.open(QIODevice::WriteOnly));
    const QByteArray block(1024, 'x');
    for (qint64 k = 0; k < available - freeKb; ++k)
        fill.write(block);
    fill.close();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void searchMatchesTheWindow_data();
    void searchMatchesTheWindow();
    void combinationMatchesTheWindow();
    void typedAndVerifiedPatterns();
    void textOutputIsTheGrids();
    void addContinuesTheChain();
    void orderOfLinesDoesNotMatter_data();
    void orderOfLinesDoesNotMatter();
    void importCountsEveryLine();
    void listAndExportRoundTrip();
    void updateThroughProxy();
    void backtestAndFairness();
    void mergeAddsOnlyNewDraws_data();
    void mergeAddsOnlyNewDraws();
    void removalsLeaveBackups_data();
    void removalsLeaveBackups();
    void addRefusesOtherGameAndMissingIssue();
    void readOnlyFolder();
    void badUsage_data();
    void badUsage();
    void unreadableDatabase();
    void backupsOrderedByWriting_data();
    void backupsOrderedByWriting();
    void fullDiskLeavesBackupsAsTheyWere();
    void restoreReadsTheBackupFirst();
    void mergeIsBoundedLikeImport();
    void emptyReadOnlyFolderListsNothing();
    void readOnlyLogIsNeverSkipped();
    void damagedCopyReadsTheRows();
    void betLedger();
    void drawsPerDayAsDrawnToday();
    void folderReadOnlyForAnotherUser();
    void backtestGoldenOutput_data();
    void backtestGoldenOutput();
    void omissionAndTrend();
    void damagedBetRowsAreNamed_data();
    void damagedBetRowsAreNamed();
    void betIdsNeverReused();
    void ledgerOverAllGames();
    void chasePlanPlacedAndFollowed();
    void drawTimesFromAMergedFile();
    void dailyLimit();
    void historiesThatCannotBeReadAreNamed();
    void derivedDataRebuiltNotFatal();
};

void TestCli::searchMatchesTheWindow_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("clicks"); // option buttons clicked in the window
    QTest::addColumn<QStringList>("unticked");
    QTest::newRow("defaults") << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("fixed 前3期 大小, 单双 straight at 2")
        << QStringList{"--fixed",   "--back", "3",          "--kind",      "size",
                       "--display", "parity", "--straight", "--tally-pos", "2"}
        << QStringList{"Option1(0)", "Option1(2)", "Option3(1)", "Option4(2)", "Option2(4)", "Option5(2)"}
        << QStringList{};
    QTest::newRow("free 段数 positions 1 and 3")
        << QStringList{"--kind", "segment", "--display", "segment", "--positions", "13"}
        << QStringList{"Option3(3)", "Option4(3)"} << QStringList{"Check1(2)"};
    QTest::newRow("no position") << QStringList{"--positions", ""} << QStringList{}
                                 << QStringList{"Check1(1)", "Check1(2)", "Check1(3)"};
}

void TestCli::searchMatchesTheWindow()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, unticked);
    Harness h;
    QCOMPARE(cli({"--dir", h.folder.path(), "import", sampleFile()}).status, 0);
    const Run run = cli(QStringList{"--dir", h.folder.path(), "search", "--json"} + options);
    QCOMPARE(run.status, 0);

    h.start();
    for (const QString &button : clicks) {
        if (button == "Option1(2)") {
            h.find<QLineEdit>("MaskEdBox2")->setText("3");
            emit h.find<QLineEdit>("MaskEdBox2")->editingFinished();
        }
        h.find<QRadioButton>(button)->click();
    }
    for (const QString &box : unticked)
        h.find<QCheckBox>(box)->setChecked(false);
    h.find<QPushButton>("Command1")->click();
    const QJsonObject json = jsonOf(run);
    QCOMPARE(QString::number(json.value("from").toInteger()), h.text("Text3(0)"));
    QCOMPARE(QString::number(json.value("to").toInteger()), h.text("Text3(1)"));
    // 大小 and 单双 boxes show words for 1 and 0.
    QString shown = h.text("Text2(1)");
    shown.replace(QRegularExpression(QStringLiteral("[大单]")), QStringLiteral("1"))
        .replace(QRegularExpression(QStringLiteral("[小双]")), QStringLiteral("0"));
    QCOMPARE(QString::number(json.value("pattern").toArray().at(0).toInteger()), shown);
    compareWithGrids(json, h);
}

void TestCli::combinationMatchesTheWindow()
{
    Harness h;
    QCOMPARE(cli({"--dir", h.folder.path(), "import", sampleFile()}).status, 0);
    const Run run = cli({"--dir", h.folder.path(), "combo", "--size", "2", "--positions", "1", "--json"});
    QCOMPARE(run.status, 0);
    h.start();
    h.find<QCheckBox>("Check1(2)")->setChecked(false); // the check boxes play no part
    h.find<QPushButton>("Command2")->click();
    compareWithGrids(jsonOf(run), h);
    QVERIFY(h.grid(2).rows() > 100);
    QCOMPARE(jsonOf(run).value("positions").toArray().size(), 3);
}

void TestCli::typedAndVerifiedPatterns()
{
    Harness h;
    QCOMPARE(cli({"--dir", h.folder.path(), "import", sampleFile()}).status, 0);
    const Run typed = cli({"--dir", h.folder.path(), "search", "--pattern", "3,3,5", "--json"});
    const Run verified =
        cli({"--dir", h.folder.path(), "search", "--verify", "130731005", "--before-only", "--json"});
    QCOMPARE(typed.status, 0);
    QCOMPARE(verified.status, 0);

    h.start();
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.find<QLineEdit>("Text22(1)")->setText("3");
    h.find<QLineEdit>("Text22(2)")->setText("3");
    h.find<QLineEdit>("Text22(3)")->setText("5");
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(0);
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.find<QPushButton>("Command1")->click();
    compareWithGrids(jsonOf(typed), h);
    QCOMPARE(jsonOf(typed).value("pattern").toArray(), (QJsonArray{3, 3, 5}));

    h.find<QLineEdit>("Text4")->setText("130731005");
    h.find<QCheckBox>("Check4")->click();
    h.find<QTabBar>("TabStrip1")->setCurrentIndex(2);
    h.find<QPushButton>("Command1")->click();
    compareWithGrids(jsonOf(verified), h);
    QCOMPARE(jsonOf(verified).value("to").toInteger(), 130731004);
}

void TestCli::textOutputIsTheGrids()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), {{161212001, {1, 4, 6}},
                                                  {161212002, {3, 3, 5}},
                                                  {161212003, {1, 4, 6}},
                                                  {161212004, {2, 2, 1}},
                                                  {161212005, {1, 4, 6}}}));
    const Run run = cli({"--dir", folder.path(), "search", "--display", "size"});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("期号\t第1位\t第2位\t第3位\t上期开奖\n"
                                                        "161212002\t1\t1\t1\t146\n"
                                                        "161212004\t0\t0\t0\t146\n"
                                                        "\n"
                                                        "序号\t结果\t出现次数\t百分比\n"
                                                        "1\t小\t3\t50.000%\n"
                                                        "2\t大\t3\t50.000%\n"));
}

void TestCli::addContinuesTheChain()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), {{161212077, {1, 4, 6}}, {161212078, {3, 3, 5}}}));
    Run run = cli({"--dir", folder.path(), "next-issue"});
    QCOMPARE(run.out, QByteArray("161213001\n"));
    // A file that records no game is the tool's default game's: another game named never reads it as its own.
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "next-issue"}).out, QByteArray("2007001\n"));
    // Another game's first draw goes to a file of its own, never into these draws.
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "add", "222", "--issue", "161212078"}).status, 0);
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "list"}).out, QByteArray("161212078 222\n"));
    run = cli({"--dir", folder.path(), "add", "251"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray("161213001 251\n"));
    QCOMPARE(cli({"--dir", folder.path(), "add", "666", "--issue", "161213005"}).status, 0);

    HistoryDb db;
    QCOMPARE(db.open(folder.filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
    QSqlQuery q = db.database().select("SELECT SQQH, txtHisLst, L1AS, L1AP, L3F FROM Lishi ORDER BY SQQH");
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString(), q.value(4).toString());
    QCOMPARE(rows.mid(2), (QStringList{"161213001 335 3 1 1", "161213005 251 2 3 3"}));
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out.count('\n'), 4);
    QCOMPARE(cli({"--dir", folder.path(), "--segment-base", "0", "add", "666"}).status, 0);
    QSqlQuery last = db.database().select("SELECT L1F FROM Lishi ORDER BY SQQH DESC LIMIT 1");
    QVERIFY(last.next());
    QCOMPARE(last.value(0).toInt(), 2);
}

void TestCli::orderOfLinesDoesNotMatter_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<bool>("sample"); // the sample's first 500 lines, else a random history
    QTest::newRow("sample") << 1u << true;
    QTest::newRow("random 2") << 2u << false;
    QTest::newRow("random 3") << 3u << false;
}

// A file, the same file reversed and shuffled: the same list, searches and backtest.
void TestCli::orderOfLinesDoesNotMatter()
{
    QFETCH(unsigned, seed);
    QFETCH(bool, sample);
    std::mt19937 random(seed);
    std::vector<TestDraw> draws;
    if (sample) {
        const std::vector<TestDraw> all = TestHistory::sample();
        draws.assign(all.begin(), all.begin() + 500);
    } else {
        std::uniform_int_distribution<int> die(1, 6);
        for (int i = 0; i < 300; ++i)
            draws.push_back({qint32(161212001 + (i / 78) * 1000 + i % 78),
                             {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
    }
    std::vector<TestDraw> reversed(draws.rbegin(), draws.rend()), shuffled = draws;
    std::shuffle(shuffled.begin(), shuffled.end(), random);

    // Random search options, the same for every order.
    const QStringList kinds{"number", "size", "parity", "segment"};
    std::vector<QStringList> commands{{"list"}, {"search", "--pattern", "1,1,1", "--json"}};
    for (int i = 0; i < 4; ++i) {
        QStringList options{"--kind", kinds[int(random() % 4)], "--back", QString::number(1 + random() % 4)};
        if (random() % 2)
            options << "--fixed";
        commands.push_back(QStringList{"search", "--json"} + options);
        if (i < 2)
            commands.push_back(QStringList{"backtest", "--json"} + options);
    }
    std::vector<std::vector<QByteArray>> outputs;
    for (const std::vector<TestDraw> *order : {&draws, &reversed, &shuffled}) {
        TestFolder folder;
        const QString file = folder.filePath("draws.txt");
        QVERIFY(HistoryText::writeFile(file, HistoryText::format(*order), nullptr));
        const Run imported = cli({"--dir", folder.path(), "import", file});
        QCOMPARE(imported.status, 0);
        QCOMPARE(imported.out, QStringLiteral("读入 %1 期，跳过 0 行\n").arg(draws.size()).toUtf8());
        std::vector<QByteArray> out;
        for (const QStringList &command : commands) {
            const Run run = cli(QStringList{"--dir", folder.path()} + command);
            QVERIFY2(run.status == 0, qPrintable(command.join(' ') + ": " + QString::fromUtf8(run.err)));
            out.push_back(run.out);
        }
        outputs.push_back(out);
    }
    for (size_t c = 0; c < commands.size(); ++c) {
        QCOMPARE(outputs[1][c], outputs[0][c]);
        QCOMPARE(outputs[2][c], outputs[0][c]);
    }
    QVERIFY(jsonOf({0, outputs[0][3], {}}).value("played").toInt() > 0);
}

// Every line is either stored or skipped, and the reasons name the lines.
void TestCli::importCountsEveryLine()
{
    TestFolder folder;
    const QString file = folder.filePath("draws.txt");
    QVERIFY(HistoryText::writeFile(file,
                                   "130529003 613\r\n2147483647 135\r\n130529001 134\r\n"
                                   "130529003 613\r\nhello\r\n\r\n130529002 225\r\n",
                                   nullptr));
    const Run run = cli({"--dir", folder.path(), "import", file});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("读入 3 期，跳过 4 行\n"));
    QCOMPARE(QString::fromUtf8(run.err), QStringLiteral("第 2 行：期号“2147483647”看不懂：应为日期加序号，如 130801001 或 "
                                                        "20130801-001\n第 4 行：与第 1 行重复\n第 5 行：不是“期号 三个号码”\n"));
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out,
             QByteArray("130529001 134\n130529002 225\n130529003 613\n"));
    // Filling a gap: the draw after it follows it.
    QCOMPARE(cli({"--dir", folder.path(), "add", "666", "--issue", "130529004"}).status, 0);
    QCOMPARE(cli({"--dir", folder.path(), "add", "555", "--issue", "130528078"}).status, 0);
    const Run again = cli({"--dir", folder.path(), "add", "111", "--issue", "130529002"});
    QCOMPARE(again.status, 2);
    QVERIFY(QString::fromUtf8(again.err).contains(QStringLiteral("130529002")));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
}

void TestCli::listAndExportRoundTrip()
{
    TestFolder folder;
    QCOMPARE(cli({"--dir", folder.path(), "import", sampleFile()}).status, 0);
    const QString exported = folder.filePath("out.txt");
    QCOMPARE(cli({"--dir", folder.path(), "export", exported}).status, 0);
    QFile original(sampleFile()), written(exported);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QCOMPARE(text, original.readAll());
    const Run list = cli({"--dir", folder.path(), "list"});
    QCOMPARE(list.out, QByteArray(text).replace("\r\n", "\n"));

    TestFolder other;
    const Run again = cli({"--dir", other.path(), "import", exported});
    QCOMPARE(QString::fromUtf8(again.out), QStringLiteral("读入 4778 期，跳过 0 行\n"));
    QCOMPARE(cli({"--dir", other.path(), "list"}).out, list.out);
}

void TestCli::updateThroughProxy()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    const QDate today = QDate::currentDate();
    std::vector<TestDraw> page;
    for (int back = 2; back >= 0; --back)
        for (int n = 1; n <= 78; ++n)
            page.push_back(
                {today.addDays(-back).toString("yyMMdd").toInt() * 1000 + n, {1, qint16(1 + n % 6), 6}});
    server.body = resultsPage(page);

    TestFolder folder;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    environment.remove("no_proxy");
    environment.remove("NO_PROXY");
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli",
                  {"--dir", folder.path(), "update", "--host", ".results.test", "--days", "2"});
    // The server answers from this process's event loop.
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 30000);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(server.requests, QStringList{"GET http://fj.results.test/?n=156 HTTP/1.1"});
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QStringLiteral("新增 234 期\n"));
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out.count('\n'), 234);

    // A source that cannot be reached (a proxy on a closed port: no name is looked up, so nothing
    // is left running when the tool ends): status 2, nothing changed.
    const QByteArray proxy = qgetenv("http_proxy");
    qputenv("http_proxy", "http://127.0.0.1:1");
    const Run failed = cli({"--dir", folder.path(), "update", "--host", ".results.test"});
    proxy.isNull() ? qunsetenv("http_proxy") : qputenv("http_proxy", proxy);
    QVERIFY2(failed.status == 2, failed.err.constData());
    QVERIFY(QString::fromUtf8(failed.err).contains(QStringLiteral("历史号码没有改变")));
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out.count('\n'), 234);
}

// The backtest's JSON is the library's walk for the same options; a search's JSON carries the
// fair-dice statistics after every key it had.
void TestCli::backtestAndFairness()
{
    TestFolder folder;
    const std::vector<TestDraw> draws = TestHistory::sample();
    QVERIFY(TestHistory::createIn(folder.path(), draws));
    const Run search = cli({"--dir", folder.path(), "search", "--kind", "size", "--json"});
    QCOMPARE(search.status, 0);
    QVERIFY(search.out.contains("],\"tally\":[{"));
    QVERIFY(search.out.contains(
        "}],\"fairness\":{\"sorted\":true,\"out_of_order\":0,\"expected\":[")); // the sample is published sorted
    const QJsonObject fairness = QJsonDocument::fromJson(search.out).object().value("fairness").toObject();
    QCOMPARE(fairness.value("df").toInt(), 5);
    QCOMPARE(fairness.value("method").toString(), QStringLiteral("chi2"));
    QCOMPARE(fairness.value("expected").toArray().size(), 6);
    QVERIFY(fairness.value("p").toDouble() > 0 && fairness.value("p").toDouble() <= 1);

    const qint32 from = draws[4000].issue, to = draws[4500].issue;
    const Run run =
        cli({"--dir", folder.path(), "backtest", "--from", QString::number(from), "--to", QString::number(to),
             "--top", "2", "--kind", "size", "--fixed", "--positions", "12", "--json"});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("{\"from\":%1,\"to\":%2,\"top\":2,\"sorted\":true,\"out_of_order\":0,\"played\":")
                                   .arg(from)
                                   .arg(to)
                                   .toLatin1()));
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    SearchState s;
    s.intLei = 1;
    s.bolZyw = false;
    const auto direct = Backtest::run(TestHistory::snapshotOf(draws), s, {true, true, false}, from, to, 2);
    QCOMPARE(json.value("played").toInt(), direct->played);
    QCOMPARE(json.value("hits").toInt(), direct->hits);
    QCOMPARE(json.value("longest_miss_streak").toInt(), direct->longestMissStreak);
    QCOMPARE(json.value("expected_hits").toDouble(), direct->expectedHits);
    const QJsonArray issues = json.value("issues").toArray();
    QCOMPARE(issues.size(), direct->played);
    const QJsonObject first = issues.first().toObject();
    QCOMPARE(first.keys(), (QStringList{"drawn", "hit", "issue", "p_hit", "pattern", "picks"}));
    QCOMPARE(first.value("issue").toInt(), direct->issues.front().issue);
    QCOMPARE(first.value("picks").toArray().size(), 2);
    // Without --json: the summary line, then the issues under a header.
    const Run text =
        cli({"--dir", folder.path(), "backtest", "--from", QString::number(from), "--to", QString::number(to),
             "--top", "2", "--kind", "size", "--fixed", "--positions", "12"});
    const QStringList lines = QString::fromUtf8(text.out).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines[0].startsWith(QStringLiteral("回测 %1 期至 %2 期").arg(from).arg(to)));
    QCOMPARE(lines[1], QStringLiteral("期号\t模式\t推荐\t开奖\t命中\t命中概率"));
    QCOMPARE(lines.size(), 2 + direct->played);

    // One draw typed as the dice fell is stored as given, with a note; the model stays ascending
    // and names it.
    const Run add = cli({"--dir", folder.path(), "add", "312"});
    QCOMPARE(add.status, 0);
    const qint32 typed = QString::fromUtf8(add.out).section(' ', 0, 0).toInt();
    QCOMPARE(QString::fromUtf8(add.err), QStringLiteral("注意：历史号码都是从小到大存放的，第 %1 期按输入存放为 312（从小到大为 1 2 3）\n").arg(typed));
    const Run again = cli({"--dir", folder.path(), "search", "--kind", "size", "--json"});
    const QJsonObject after = QJsonDocument::fromJson(again.out).object().value("fairness").toObject();
    QCOMPARE(after.value("sorted").toBool(), true);
    QCOMPARE(after.value("out_of_order").toInt(), 1);
    QCOMPARE(cli({"--dir", folder.path(), "add", "123"}).err, QByteArray());
    const Run omission = cli({"--dir", folder.path(), "omission", "--json"});
    QCOMPARE(QJsonDocument::fromJson(omission.out).object().value("out_of_order").toInt(), 1);
    QVERIFY(QString::fromUtf8(cli({"--dir", folder.path(), "omission"}).out)
                .contains(QStringLiteral("有 1 期号码不是从小到大（如 %1：3 1 2），按从小到大计算").arg(typed)));
}

void TestCli::removalsLeaveBackups_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("left"); // draws stored afterwards
    QTest::newRow("delete-last") << QStringList{"delete-last"} << "删除最后1期" << 29;
    QTest::newRow("delete-last 30: all") << QStringList{"delete-last", "30"} << "删除最后30期" << 0;
    QTest::newRow("keep-up-to") << QStringList{"keep-up-to", "161212010"} << "删除到161212010期" << 10;
    QTest::newRow("import") << QStringList{"import", "FILE"} << "读入" << 5;
}

// Every command that removes or replaces draws backs them up first; the backup restores the
// exact history, and the restore is itself backed up.
// merge against a stored history: only what is not stored goes in, chained where it belongs; a
// draw that disagrees with a stored one, or a dry run, leaves every row as it was.
void TestCli::mergeAddsOnlyNewDraws_data()
{
    QTest::addColumn<QString>("text");    // %N: the stored numbers of issue N (1..12), %X: other ones
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<int>>("counts"); // new, same, conflicting, skipped
    QTest::addColumn<bool>("changes");
    QTest::newRow("after the last, a csv newest first")
        << "期号,号码1,号码2,号码3\n161212012,%12\n161212011,%11\n161212010,%10\n" << QStringList{} << 0
        << QList<int>{2, 1, 0, 0} << true;
    QTest::newRow("gaps filled from a results table")
        << "<table><tr><td>161212005</td><td>2016-12-12</td><td>%5</td></tr><tr><td>161212002</td><td>09:20</td><td>%2</td></tr></table>"
        << QStringList{} << 0 << QList<int>{2, 0, 0, 0} << true;
    QTest::newRow("from standard input") << "161212011 %11\n161212012 %12" << QStringList{"-"} << 0 << QList<int>{2, 0, 0, 0}
                                         << true;
    QTest::newRow("a dry run changes nothing") << "161212011 %11\n161212005 %5\n161212001 %1" << QStringList{"--dry-run"} << 0
                                               << QList<int>{2, 1, 0, 0} << false;
    QTest::newRow("one conflict refuses the whole merge")
        << "161212011 %11\n161212005 %5\n161212003 %X" << QStringList{} << 2 << QList<int>{2, 0, 1, 0} << false;
    QTest::newRow("skipped lines are named, the rest merged")
        << "161212011 %11\n161212012 1 3 5 2\n161212079 %12\n161212000 %12" << QStringList{} << 0
        << QList<int>{1, 0, 0, 3} << true;
}

void TestCli::mergeAddsOnlyNewDraws()
{
    QFETCH(QString, text);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QList<int>, counts);
    QFETCH(bool, changes);
    const std::vector<TestDraw> all = TestHistory::consecutive(161212001, 12);
    // Stored: 001..010 without 002 and 005.
    std::vector<TestDraw> stored;
    for (const TestDraw &d : all)
        if (d.issue <= 161212010 && d.issue != 161212002 && d.issue != 161212005)
            stored.push_back(d);
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), stored));
    auto rowsIn = [](const QString &path) {
        HistoryDb db;
        return db.open(QDir(path).filePath("vendrixK3.db")) == HistoryDb::OpenStatus::Ok ? TestHistory::rowsOf(db) : QStringList();
    };
    const QStringList before = rowsIn(folder.path());
    auto digits = [](const TestDraw &d) { return QStringLiteral("%1,%2,%3").arg(d.numbers[0]).arg(d.numbers[1]).arg(d.numbers[2]); };
    for (int n = 12; n >= 1; --n)
        text.replace(QStringLiteral("%%1").arg(n), digits(all[size_t(n - 1)]));
    const TestDraw &third = all[2];
    text.replace("%X", QStringLiteral("%1,%2,%3").arg(7 - third.numbers[0]).arg(third.numbers[1]).arg(third.numbers[2]));
    QStringList arguments{"--dir", folder.path(), "merge"};
    QByteArray input;
    if (options.startsWith("-")) {
        arguments << options.takeFirst();
        input = text.toUtf8();
    } else {
        const QString file = folder.filePath("draws.txt");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        f.close();
        arguments << file;
    }
    const Run run = cli(arguments + options + QStringList{"--json"}, input);
    QCOMPARE(run.status, status);
    const QJsonObject json = jsonOf(run);
    QList<int> found;
    for (const char *key : {"new", "same", "conflicting", "skipped"})
        found << json.value(key).toArray().size();
    QCOMPARE(found, counts);
    // New draws before the last stored one fill gaps.
    int gaps = 0;
    for (const QJsonValue &fresh : json.value("new").toArray())
        gaps += fresh.toObject().value("issue").toInt() < 161212010 ? 1 : 0;
    QCOMPARE(json.value("gap_fills").toInt(), gaps);
    for (const QJsonValue &skipped : json.value("skipped").toArray())
        QVERIFY(!skipped.toObject().value("reason").toString().isEmpty() && skipped.toObject().value("line").toInt() > 0);
    if (status != 0)
        QVERIFY(run.err.contains("没有合并任何号码"));
    if (!changes) {
        QCOMPARE(rowsIn(folder.path()), before);
        QCOMPARE(json.value("merged").toInt(), 0);
        return;
    }
    // The rows of a history that held the merged draws from the start.
    std::vector<TestDraw> expected = stored;
    for (const QJsonValue &fresh : json.value("new").toArray())
        expected.push_back(all[size_t(fresh.toObject().value("issue").toInt() - 161212001)]);
    std::sort(expected.begin(), expected.end(), [](const TestDraw &a, const TestDraw &b) { return a.issue < b.issue; });
    TestFolder whole;
    QVERIFY(TestHistory::createIn(whole.path(), expected));
    QCOMPARE(rowsIn(folder.path()), rowsIn(whole.path()));
    QCOMPARE(json.value("merged").toInt(), counts[0]);
}

void TestCli::removalsLeaveBackups()
{
    QFETCH(QStringList, command);
    QFETCH(int, left);
    TestFolder folder;
    const std::vector<TestDraw> draws = TestHistory::consecutive(161212001, 30);
    QVERIFY(TestHistory::createIn(folder.path(), draws));
    QStringList before;
    {
        HistoryDb db;
        QCOMPARE(db.open(folder.filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
        before = TestHistory::rowsOf(db);
    }
    const QString file = folder.filePath("other.txt");
    QVERIFY(HistoryText::writeFile(file, HistoryText::format(TestHistory::consecutive(170101001, 5)), nullptr));
    command.replaceInStrings("FILE", file);
    const Run run = cli(QStringList{"--dir", folder.path()} + command);
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.contains(folder.filePath("备份").toUtf8()), run.err.constData());
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out.count('\n'), left);

    const QJsonArray list = QJsonDocument::fromJson(cli({"--dir", folder.path(), "backups", "--json"}).out).array();
    QCOMPARE(list.size(), 1);
    const QJsonObject backup = list.at(0).toObject();
    QTEST(backup.value("reason").toString(), "reason");
    QCOMPARE(backup.value("draws").toInt(), 30);
    QCOMPARE(backup.value("first").toInt(), 161212001);
    QCOMPARE(backup.value("last").toInt(), 161212030);
    QVERIFY(QDateTime::fromString(backup.value("time").toString(), Qt::ISODateWithMs).isValid());

    const Run restored = cli({"--dir", folder.path(), "restore", backup.value("name").toString()});
    QVERIFY2(restored.status == 0, restored.err.constData());
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
    QCOMPARE(TestHistory::rowsOf(db), before);
    // What the restore replaced is the newest backup (none when the history was empty).
    const QJsonArray after = QJsonDocument::fromJson(cli({"--dir", folder.path(), "backups", "--json"}).out).array();
    QCOMPARE(after.size(), left > 0 ? 2 : 1);
    if (left > 0) {
        QCOMPARE(after.at(0).toObject().value("reason").toString(), QStringLiteral("恢复前"));
        QCOMPARE(after.at(0).toObject().value("draws").toInt(), left);
    }
}

void TestCli::addRefusesOtherGameAndMissingIssue()
{
    TestFolder folder;
    // An empty history: the first draw needs its issue.
    Run run = cli({"--dir", folder.path(), "add", "123"});
    QCOMPARE(run.status, 2);
    QVERIFY(QString::fromUtf8(run.err).contains(QStringLiteral("请先输入期号")));
    QCOMPARE(cli({"--dir", folder.path(), "add", "123", "--issue", "161212001"}).status, 0);
    // 吉林快3 has a history of its own, empty until its first draw, in a file of its own.
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "list"}).out, QByteArray());
    QVERIFY(!QFile::exists(folder.filePath("vendrixK3_jl.db")));
    run = cli({"--dir", folder.path(), "--game", "8", "add", "456"});
    QCOMPARE(run.status, 2);
    QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("请先输入期号")), run.err.constData());
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "add", "456", "--issue", "161212079"}).status, 0);
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "list"}).out, QByteArray("161212079 456\n"));
    QCOMPARE(cli({"--dir", folder.path(), "list"}).out, QByteArray("161212001 123\n"));
    QCOMPARE(cli({"--dir", folder.path(), "--game", "0", "list"}).out, QByteArray("161212001 123\n"));
    // games: a line each, the games without draws too.
    const QStringList games = QString::fromUtf8(cli({"--dir", folder.path(), "games"}).out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(games.size(), 16);
    QCOMPARE(games.at(9).split(' ', Qt::SkipEmptyParts), (QStringList{"8", "吉林快3", "jl", "87", "1", "161212079"}));
    QCOMPARE(games.at(2).split(' ', Qt::SkipEmptyParts), (QStringList{"1", "广西快3", "gx", "78", "0", "—"}));
    QCOMPARE(cli({"--dir", folder.path(), "games", "--all"}).status, 2);
    // A file that holds another game's draws (copied by hand) refuses them, naming both.
    QVERIFY(QFile::copy(folder.filePath("vendrixK3.db"), folder.filePath("vendrixK3_sh.db")));
    run = cli({"--dir", folder.path(), "--game", "2", "add", "456"});
    QCOMPARE(run.status, 2);
    QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("历史号码属于福建快3")), run.err.constData());
    QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("上海快3")), run.err.constData());
    QCOMPARE(cli({"--dir", folder.path(), "--game", "2", "bet", "add", "161212001", "和值", "10"}).status, 2);
    // Listed as no draws of its game; --draws-per-day is the named game's alone.
    const QJsonArray listed =
        QJsonDocument::fromJson(cli({"--dir", folder.path(), "--game", "8", "--draws-per-day", "41", "games", "--json"}).out).array();
    QCOMPARE(listed.at(2).toObject().value("draws").toInt(-1), 0);
    QVERIFY(listed.at(2).toObject().value("last").isNull());
    QCOMPARE(listed.at(8).toObject().value("draws_per_day").toInt(), 41);
    QCOMPARE(listed.at(0).toObject().value("draws_per_day").toInt(), 78);
    // Each game's backups in a folder of their own, out of an older release's pruning; listed and
    // restored from there.
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "delete-last"}).status, 0);
    QCOMPARE(QDir(folder.filePath("备份/jl")).entryList({"*_g8.txt"}).size(), 1);
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "restore", "1"}).status, 0);
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "list"}).out, QByteArray("161212079 456\n"));
    // A game's own file is its history whatever the main file holds, or without one.
    QVERIFY(QFile::rename(folder.filePath("vendrixK3.db"), folder.filePath("moved.db")));
    QCOMPARE(cli({"--dir", folder.path(), "--game", "8", "list"}).out, QByteArray("161212079 456\n"));
    QVERIFY(QFile::rename(folder.filePath("moved.db"), folder.filePath("vendrixK3.db")));
    // 79 is a sequence 吉林快3 has (87 a day) and 福建快3 has not (78).
    QCOMPARE(cli({"--dir", folder.path(), "add", "456", "--issue", "161212079"}).status, 2);
}

// A history the user may read but not write (a read-only mount; for other users, permissions):
// listing, searching and the window work, writers are refused, nothing beside it changes.
void TestCli::readOnlyFolder()
{
    Harness h;
    const QString folder = h.folder.path();
    QCOMPARE(cli({"--dir", folder, "import", sampleFile()}).status, 0);
    const QByteArray listed = cli({"--dir", folder, "list"}).out;
    const QByteArray searched = cli({"--dir", folder, "search", "--json"}).out;
    const QStringList filesBefore = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const bool root = geteuid() == 0;
    if (root) {
        if (QProcess::execute("mount", {"--bind", folder, folder}) != 0 ||
            QProcess::execute("mount", {"-o", "remount,bind,ro", folder}) != 0)
            QSKIP("no bind mounts here");
    } else {
        QFile::setPermissions(folder + "/vendrixK3.db", QFileDevice::ReadOwner);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const auto restore = qScopeGuard([&] {
        if (root)
            QProcess::execute("umount", {folder});
        else
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    QCOMPARE(cli({"--dir", folder, "list"}).out, listed);
    const Run search = cli({"--dir", folder, "search", "--json"});
    QVERIFY2(search.status == 0, search.err.constData());
    QCOMPARE(search.out, searched);
    QCOMPARE(cli({"--dir", folder, "backtest", "--from", "130731001", "--json"}).status, 0);
    const Run add = cli({"--dir", folder, "add", "123"});
    QCOMPARE(add.status, 2);
    QVERIFY2(QString::fromUtf8(add.err).contains(QStringLiteral("只读")), add.err.constData());

    MainWindow &w = h.start();
    QVERIFY(w.history().isReadOnly());
    QVERIFY(w.statusText().contains(QStringLiteral("只读")));
    QVERIFY(!h.find<QPushButton>("Command3")->isEnabled());
    QVERIFY(!h.find<QLineEdit>("MaskEdBox1(1)")->isEnabled());
    h.find<QPushButton>("Command1")->click();
    QVERIFY(h.grid(2).rows() > 100);
    h.window.reset();
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), filesBefore);
}

void TestCli::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frobnicate"};
    QTest::newRow("unknown option") << QStringList{"search", "--colour"};
    QTest::newRow("pattern of two") << QStringList{"search", "--pattern", "1,2"};
    QTest::newRow("pattern not integers") << QStringList{"search", "--pattern", "1,b,3"};
    QTest::newRow("malformed from") << QStringList{"search", "--from", "abc"};
    QTest::newRow("issue beyond 32 bits") << QStringList{"search", "--to", "20161212001"};
    QTest::newRow("malformed verify") << QStringList{"search", "--verify", "xyz"};
    QTest::newRow("verify not in the history") << QStringList{"search", "--verify", "170101005"};
    QTest::newRow("back 0") << QStringList{"search", "--back", "0"};
    QTest::newRow("bad kind") << QStringList{"search", "--kind", "colour"};
    QTest::newRow("bad positions") << QStringList{"search", "--positions", "4"};
    QTest::newRow("combo without size") << QStringList{"combo"};
    QTest::newRow("add 7") << QStringList{"add", "167"};
    QTest::newRow("add two digits") << QStringList{"add", "16"};
    QTest::newRow("add bad issue") << QStringList{"add", "123", "--issue", "0"};
    QTest::newRow("missing file") << QStringList{"import", "/no/such/file.txt"};
    QTest::newRow("game 15") << QStringList{"--game", "15", "list"};
    QTest::newRow("segment base 2") << QStringList{"--segment-base", "2", "list"};
    QTest::newRow("list with an option") << QStringList{"list", "--json"};
    QTest::newRow("add an issue already stored") << QStringList{"add", "123", "--issue", "161212005"};
    QTest::newRow("add with no successor issue") << QStringList{"add", "123", "--issue", "2147483647"};
    QTest::newRow("import of a file without draws") << QStringList{"import", "/dev/null"};
    QTest::newRow("delete-last 0") << QStringList{"delete-last", "0"};
    QTest::newRow("keep-up-to no issue") << QStringList{"keep-up-to", "abc"};
    QTest::newRow("compact with an option") << QStringList{"compact", "--now"};
    QTest::newRow("backtest top 6 of six values") << QStringList{"backtest", "--top", "6"};
    QTest::newRow("backtest top 2 of two values")
        << QStringList{"backtest", "--display", "size", "--top", "2"};
    QTest::newRow("backtest with a pattern") << QStringList{"backtest", "--pattern", "1,2,3"};
    // Trimming guards: an issue one digit short, more draws than stored.
    QTest::newRow("keep-up-to an issue not stored") << QStringList{"keep-up-to", "16121200"};
    // Only regular files are read: a device or a pipe could hang or never end.
    QTest::newRow("import /dev/zero") << QStringList{"import", "/dev/zero"};
    QTest::newRow("import a folder") << QStringList{"import", "/tmp"};
    QTest::newRow("import a pipe") << QStringList{"import", "FIFO"};
    QTest::newRow("search from after to") << QStringList{"search", "--from", "161212010", "--to", "161212005"};
    QTest::newRow("backtest from after to") << QStringList{"backtest", "--from", "161212010", "--to", "161212005"};
    QTest::newRow("delete-last above the count") << QStringList{"delete-last", "31"};
    QTest::newRow("add a sequence beyond the day") << QStringList{"add", "123", "--issue", "161213079"};
    QTest::newRow("add sequence 000") << QStringList{"add", "123", "--issue", "161213000"};
    QTest::newRow("restore without backups") << QStringList{"restore", "1"};
    QTest::newRow("backups with an option") << QStringList{"backups", "--all"};
    QTest::newRow("omission of a range without draws") << QStringList{"omission", "--from", "170101001", "--to", "170101009"};
    QTest::newRow("omission from after to") << QStringList{"omission", "--from", "161212010", "--to", "161212005"};
    QTest::newRow("omission --last with --to") << QStringList{"omission", "--to", "161212005", "--last", "5"};
    QTest::newRow("omission --last 0") << QStringList{"omission", "--last", "0"};
    QTest::newRow("trend has no issue range") << QStringList{"trend", "--from", "161212001"};
    QTest::newRow("trend --last of no number") << QStringList{"trend", "--last", "x"};
    // Whole numbers are digits only, and an option is given once.
    QTest::newRow("multiple with a blank") << QStringList{"bet", "add", "161212031", "和值", "10", "--multiple", " 5"};
    QTest::newRow("multiple with a plus") << QStringList{"bet", "add", "161212031", "和值", "10", "--multiple", "+5"};
    QTest::newRow("multiple with a letter") << QStringList{"bet", "add", "161212031", "和值", "10", "--multiple", "5x"};
    QTest::newRow("delete-last +1") << QStringList{"delete-last", "+1"};
    QTest::newRow("option given twice") << QStringList{"search", "--kind", "number", "--kind", "size"};
    QTest::newRow("game given twice") << QStringList{"--game", "1", "--game", "2", "list"};
}

void TestCli::badUsage()
{
    QFETCH(QStringList, arguments);
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 30)));
    QFile db(folder.filePath("vendrixK3.db"));
    QVERIFY(db.open(QIODevice::ReadOnly));
    const QByteArray before = db.readAll();
    db.close();

    if (arguments.contains("FIFO")) {
        const QString fifo = folder.filePath("fifo");
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        arguments.replaceInStrings("FIFO", fifo);
    }
    const Run run = cli(QStringList{"--dir", folder.path()} + arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.startsWith("vendrix-k3-cli: "));
    // Said in Chinese, whatever went wrong.
    QVERIFY2(QString::fromUtf8(run.err).contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))),
             run.err.constData());
    QVERIFY(db.open(QIODevice::ReadOnly));
    QVERIFY2(db.readAll() == before, "a failed command changed nothing");
}

void TestCli::unreadableDatabase()
{
    TestFolder folder;
    QFile db(folder.filePath("vendrixK3.db"));
    QVERIFY(db.open(QIODevice::WriteOnly));
    db.write("garbage, not a database");
    db.close();
    const Run run = cli({"--dir", folder.path(), "list"});
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains("vendrixK3.db"));
    // A missing folder is made, with an empty history.
    const QString fresh = folder.filePath("new/place");
    QCOMPARE(cli({"--dir", fresh, "next-issue"}).out, QByteArray("2007001\n"));
    QVERIFY(QFileInfo(fresh).isDir());
    // A read makes no history file: the first write does.
    QVERIFY(!QFile::exists(fresh + "/vendrixK3.db"));
}

void TestCli::backupsOrderedByWriting_data()
{
    QTest::addColumn<QString>("planted"); // 30 backups another clock or machine left
    QTest::newRow("named in the future") << "29991231-2359590%1_删除最后1期_2期_161212001-161212002_g0.txt";
    QTest::newRow("copied, later in order") << "29991231-235959000-0000%1_清空_2期_161212001-161212002_g0.txt";
}

// A command's own backup is never pruned by it, whatever names the others have: "the newest 30"
// are the 30 written last.
void TestCli::backupsOrderedByWriting()
{
    QFETCH(QString, planted);
    TestFolder folder;
    QCOMPARE(cli({"--dir", folder.path(), "import", sampleFile()}).status, 0);
    for (const QString &name : backupNames(folder.path()))
        QFile::remove(folder.path() + "/备份/" + name);
    plantBackups(folder.path(), planted, 30);
    const Run run = cli({"--dir", folder.path(), "delete-last", "100"});
    QVERIFY2(run.status == 0, run.err.constData());
    const QString said = QString::fromUtf8(run.err).section(QStringLiteral("已备份："), 1).trimmed();
    QVERIFY2(QFile::exists(said), qPrintable(said));
    // It holds the history as it was: the 100 removed draws with the rest.
    const auto reading = HistoryText::readFile(said, 0, true, nullptr);
    QVERIFY(reading);
    QCOMPARE(reading->draws.size(), size_t(4778));
    const QStringList names = backupNames(folder.path());
    QCOMPARE(names.size(), 30);
    QCOMPARE(names.first(), QFileInfo(said).fileName());
    // The oldest planted one went; the next command's backup comes before this one.
    QCOMPARE(cli({"--dir", folder.path(), "delete-last", "1"}).status, 0);
    QCOMPARE(backupNames(folder.path()).at(1), names.first());
}

// On a full disk a command that fails removes its own backup and prunes nothing; the message
// says the disk is full, names the file and says once that nothing changed. A trim whose
// compaction fails afterwards exits 0 with a warning: the change was made.
void TestCli::fullDiskLeavesBackupsAsTheyWere()
{
    TestFolder folder;
    const QString disk = folder.filePath("disk");
    if (!mountSmallDisk(disk, "8m"))
        QSKIP("a small file system needs root (tmpfs): not run");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk}); });
    QCOMPARE(cli({"--dir", disk, "import", sampleFile()}).status, 0);
    plantBackups(disk, QStringLiteral("20200101-0000000%1_删除最后1期_2期_161212001-161212002.txt"), 30);
    const QStringList before = backupNames(disk);
    QCOMPARE(before.size(), 30);
    const QByteArray history = cli({"--dir", disk, "list"}).out;

    // Room for the backup, not for the database's change; then not even for the backup.
    for (const qint64 room : {900, 60}) {
        QFile::remove(disk + "/fill");
        fillDisk(disk, room);
        for (int i = 0; i < 3; ++i) {
            const Run run = cli({"--dir", disk, "delete-last", "1"});
            const QString err = QString::fromUtf8(run.err);
            QCOMPARE(run.status, 2);
            QCOMPARE(err.count(QStringLiteral("历史号码没有改变")), 1);
            QVERIFY2(err.contains(QStringLiteral("磁盘")), run.err.constData());
            if (room < 100)
                QVERIFY2(err.contains(QStringLiteral("磁盘已满")) && err.contains(disk + "/"), run.err.constData());
            QCOMPARE(backupNames(disk), before);
            QCOMPARE(cli({"--dir", disk, "list"}).out, history);
        }
    }
    // Room for the change, not for compacting afterwards.
    QFile::remove(disk + "/fill");
    fillDisk(disk, 1500);
    const Run trimmed = cli({"--dir", disk, "delete-last", "1"});
    QVERIFY2(trimmed.status == 0, trimmed.err.constData());
    QVERIFY2(QString::fromUtf8(trimmed.err).contains(QStringLiteral("警告：已删除并保留 4777 期，但压缩数据库没有成功")),
             trimmed.err.constData());
    QCOMPARE(cli({"--dir", disk, "list"}).out.count('\n'), 4777);
    const QStringList after = backupNames(disk);
    QCOMPARE(after.size(), 30);
    QCOMPARE(after.mid(1), before.mid(0, 29));
}

// restore reads the whole backup before it replaces anything, counts what it stored, gives the
// history the backup's game and takes only regular files.
void TestCli::restoreReadsTheBackupFirst()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "--game", "1", "import", sampleFile()}).status, 0);
    QCOMPARE(cli({"--dir", dir, "--game", "1", "delete-last", "3"}).status, 0);
    const QJsonObject written = QJsonDocument::fromJson(cli({"--dir", dir, "backups", "--json"}).out).array().at(0).toObject();
    QCOMPARE(written.value("game").toInt(-1), 1);
    // Without --game the history stays 广西快3's: the next 广西快3 draw is taken.
    Run run = cli({"--dir", dir, "restore", "1"});
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(run.out, QByteArray("已恢复 4778 期（" + written.value("name").toString().toUtf8() + "）\n"));
    QCOMPARE(cli({"--dir", dir, "--game", "1", "add", "123"}).status, 0);
    const QByteArray history = cli({"--dir", dir, "list"}).out;

    // A backup cut short with garbage after it (two bad lines, or one), its name claiming the
    // whole history.
    const QStringList lines = QString::fromUtf8(history).split('\n');
    const QString cut = dir + "/备份/20261208-120000000-000099_删除最后1期_4778期_130529001-130731078_g1.txt";
    for (const QByteArray tail : {"\n13073", ""}) {
        const QByteArray damaged = lines.mid(0, 5).join('\n').toUtf8() + "\n\x01\x02garbage\xff" + tail;
        QVERIFY(HistoryText::writeFile(cut, damaged, nullptr));
        run = cli({"--dir", dir, "restore", QFileInfo(cut).fileName()});
        QCOMPARE(run.status, 2);
        QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("第 6 行")), run.err.constData());
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(cli({"--dir", dir, "list"}).out, history);
    }

    // A link named like a backup is neither listed nor restored.
    const QString link = dir + "/备份/20261208-130000000-000100_清空_5期_130529001-130529005_g1.txt";
    QVERIFY(QFile::link(dir + "/备份/" + written.value("name").toString(), link));
    QVERIFY(!backupNames(dir).contains(QFileInfo(link).fileName()));
    QCOMPARE(cli({"--dir", dir, "restore", QFileInfo(link).fileName()}).status, 2);
    // A backup of an older version names no game: the history keeps its own. The count said is
    // the draws stored, whatever the name claims.
    const QString old = dir + "/备份/20200101-000000000_清空_4778期_130529001-130529005.txt";
    QVERIFY(HistoryText::writeFile(old, lines.mid(0, 5).join('\n').toUtf8() + '\n', nullptr));
    run = cli({"--dir", dir, "restore", QFileInfo(old).fileName()});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith(QStringLiteral("已恢复 5 期").toUtf8()), run.out.constData());
    QCOMPARE(cli({"--dir", dir, "--game", "1", "add", "456"}).status, 0);
    // 福建快3's draws go to its own history, which lists none of 广西快3's backups.
    const QByteArray guangxi = cli({"--dir", dir, "list"}).out;
    QCOMPARE(cli({"--dir", dir, "--game", "0", "add", "456", "--issue", "161212001"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "list"}).out, guangxi);
    QCOMPARE(cli({"--dir", dir, "--game", "0", "list"}).out, QByteArray("161212001 456\n"));
    QCOMPARE(cli({"--dir", dir, "--game", "0", "backups"}).out, QByteArray());
    QCOMPARE(cli({"--dir", dir, "--game", "0", "restore", "1"}).status, 2);
}

// merge takes the options before or after the file and refuses what import refuses.
void TestCli::mergeIsBoundedLikeImport()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    const QByteArray before = cli({"--dir", dir, "list"}).out;
    QByteArray page;
    for (int d = 0; d < 3; ++d)
        page += QByteArray::number(130801001 + d) + " 1 2 3\n";
    QFile::remove(dir + "/page.txt");
    QVERIFY(HistoryText::writeFile(dir + "/page.txt", page, nullptr));
    for (const QStringList &order : {QStringList{"--dry-run", dir + "/page.txt"}, QStringList{dir + "/page.txt", "--dry-run"}}) {
        const Run run = cli(QStringList{"--dir", dir, "merge"} + order);
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY(run.out.contains("试运行"));
    }
    QCOMPARE(cli({"--dir", dir, "merge", "--json"}).status, 2); // no file
    // --help says what each exit status means.
    const QString help = QString::fromUtf8(cli({"--help"}).out);
    QVERIFY2(help.contains(QStringLiteral("\n  0  命令完成；改变历史号码的命令已经保存了改变")), qPrintable(help.right(400)));
    QVERIFY2(help.contains(QStringLiteral("\n  2  参数有误、输入读不出或命令没有完成")), qPrintable(help.right(400)));
    // More draws than import takes: refused, nothing stored.
    QByteArray many;
    many.reserve(31 * 1000 * 1000);
    qint64 n = 0;
    for (int day = 0; n <= qint64(HistoryText::maxDraws); ++day) {
        const QByteArray date = QDate(2020, 1, 1).addDays(day).toString("yyMMdd").toLatin1();
        for (int k = 1; k <= 78 && n <= qint64(HistoryText::maxDraws); ++k, ++n)
            many += date + QByteArray::number(k).rightJustified(3, '0') + " 1 2 3\n";
    }
    const Run tooMany = cli({"--dir", dir, "merge", "-"}, many);
    QCOMPARE(tooMany.status, 2);
    QVERIFY2(QString::fromUtf8(tooMany.err).contains(QStringLiteral("超过 2000000 期")), tooMany.err.constData());
    QCOMPARE(cli({"--dir", dir, "list"}).out, before);
}

// A folder nobody may write to and no database yet: an empty history to list, writers refused.
void TestCli::emptyReadOnlyFolderListsNothing()
{
    TestFolder folder;
    const QString dir = folder.filePath("empty");
    QDir().mkpath(dir);
    const bool root = geteuid() == 0;
    if (root) {
        if (QProcess::execute("mount", {"--bind", dir, dir}) != 0 || QProcess::execute("mount", {"-o", "remount,bind,ro", dir}) != 0)
            QSKIP("no bind mounts here");
    } else {
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const auto restore = qScopeGuard([&] {
        if (root)
            QProcess::execute("umount", {dir});
        else
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    const Run list = cli({"--dir", dir, "list"});
    QVERIFY2(list.status == 0, list.err.constData());
    QCOMPARE(list.out, QByteArray());
    const Run add = cli({"--dir", dir, "add", "123", "--issue", "161212001"});
    QCOMPARE(add.status, 2);
    QVERIFY2(QString::fromUtf8(add.err).contains(QStringLiteral("只读")), add.err.constData());
    const Run bet = cli({"--dir", dir, "bet", "add", "161212001", "和值", "10"});
    QCOMPARE(bet.status, 2);
    QVERIFY2(QString::fromUtf8(bet.err).contains(QStringLiteral("只读")), bet.err.constData());
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A read-only folder whose log holds changes not yet in the database (a reader killed while
// another program wrote, the files then copied without the log's index): refused, never the
// older history shown as if it were current.
void TestCli::readOnlyLogIsNeverSkipped()
{
    TestFolder folder;
    const QString dir = folder.path(), copy = folder.filePath("copied");
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    QDir().mkpath(copy);
    {
        Database writer; // open: its changes stay in the log
        QVERIFY(writer.open(dir + "/" + HistoryDb::fileName()));
        QVERIFY(writer.exec("PRAGMA wal_autocheckpoint = 0"));
        QVERIFY(writer.exec("DELETE FROM Lishi WHERE SQQH > 130731000"));
        for (const QString &name : {HistoryDb::fileName(), HistoryDb::fileName() + "-wal"})
            QVERIFY(QFile::copy(dir + "/" + name, copy + "/" + name));
    }
    QVERIFY(QFileInfo(copy + "/" + HistoryDb::fileName() + "-wal").size() > 0);
    const auto refused = [](const Run &run) {
        QCOMPARE(run.status, 2);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(QString::fromUtf8(run.err).contains(HistoryDb::unreadableLogMessage()), run.err.constData());
    };
    const bool root = geteuid() == 0;
    if (root && QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "true"}) == 0) {
        QFile::setPermissions(folder.path(), QFile::permissions(folder.path()) | QFileDevice::ExeOther);
        QProcess process; // another user, who may read the folder but not write to it
        process.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                  QCoreApplication::applicationDirPath() + "/vendrix-k3-cli", "--dir", copy, "list"});
        process.waitForFinished(60000);
        refused(Run{process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()});
    }
    if (root) {
        if (QProcess::execute("mount", {"--bind", copy, copy}) != 0 ||
            QProcess::execute("mount", {"-o", "remount,bind,ro", copy}) != 0)
            QSKIP("no bind mounts here");
    } else {
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const auto writable = qScopeGuard([&] {
        if (root)
            QProcess::execute("umount", {copy});
        else
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    refused(cli({"--dir", copy, "list"}));
    refused(cli({"--dir", copy, "next-issue"}));
}

// A packed copy damaged with plain SQL: every read gives what the rows hold, and the reader
// (any command, in a writable folder) rebuilds the copy.
void TestCli::damagedCopyReadsTheRows()
{
    TestFolder folder;
    const QString dir = folder.path(), file = dir + "/" + HistoryDb::fileName();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    const std::vector<QStringList> reads{{"list"}, {"search", "--pattern", "1,2,3", "--json"}, {"omission", "--json"}};
    std::vector<QByteArray> truth;
    for (const QStringList &read : reads)
        truth.push_back(cli(QStringList{"--dir", dir} + read).out);
    for (const char *damage : {"UPDATE LishiPack SET Crc = Crc + 1 WHERE Id = 2", "DELETE FROM LishiPack WHERE Id = 3",
                               "DELETE FROM LishiPack WHERE Id = 0"}) {
        for (size_t r = 0; r < reads.size(); ++r) {
            {
                Database tool;
                QVERIFY(tool.open(file));
                QVERIFY2(tool.exec(damage), damage);
            }
            QCOMPARE(cli(QStringList{"--dir", dir} + reads[r]).out, truth[r]);
            HistoryDb db;
            QCOMPARE(db.open(file), HistoryDb::OpenStatus::Ok);
            QVERIFY2(db.packIsCurrent(), damage);
        }
    }
}

// The next issue after a day's last draw follows the draws a day given, else the window's saved
// setting, else the table's.
void TestCli::drawsPerDayAsDrawnToday()
{
    TestFolder folder;
    const QString dir = folder.path();
    QByteArray text;
    for (const TestDraw &d : TestHistory::consecutive(161212001, 41))
        text += QByteArray::number(d.issue) + " 1 2 3\n";
    QVERIFY(HistoryText::writeFile(dir + "/draws.txt", text, nullptr));
    QCOMPARE(cli({"--dir", dir, "import", dir + "/draws.txt"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "next-issue"}).out, QByteArray("161212042\n"));
    QCOMPARE(cli({"--dir", dir, "--draws-per-day", "41", "next-issue"}).out, QByteArray("161213001\n"));
    QCOMPARE(cli({"--dir", dir, "--draws-per-day", "121", "next-issue"}).status, 2);
    // When it is due, in Beijing time whatever the computer's zone: the plain output stays the issue.
    QCOMPARE(cli({"--dir", dir, "next-issue", "--json"}).out, QByteArray("{\"issue\":161212042,\"expected\":null}\n"));
    for (const char *zone : {"UTC", "America/New_York", "Asia/Tokyo"}) {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TZ", zone);
        tool.setProcessEnvironment(env);
        tool.start(QCoreApplication::applicationDirPath() + "/vendrix-k3-cli",
                   {"--dir", dir, "--first-draw", "08:30:40", "--interval", "10", "next-issue", "--json"});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.readAllStandardOutput(), QByteArray("{\"issue\":161212042,\"expected\":\"2016-12-12T15:20:00+08:00\"}\n"));
    }
    QCOMPARE(cli({"--dir", dir, "--first-draw", "08:30", "next-issue", "--json"}).status, 2);
    QCOMPARE(cli({"--dir", dir, "--first-draw", "8.30", "--interval", "10", "next-issue"}).status, 2);
    QCOMPARE(cli({"--dir", dir, "--first-draw", "08:30", "--interval", "0", "next-issue"}).status, 2);
    QCOMPARE(cli({"--dir", dir, "--first-draw", "08:30", "--interval", "121", "next-issue"}).status, 2);
    // The window's saved setting (福建快3 at 41).
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    const auto restore = qScopeGuard([&] { home.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", home); });
    QDir().mkpath(folder.filePath("config"));
    QVERIFY(HistoryText::writeFile(folder.filePath("config/Pelomarix.ini"),
                                   "[IniSetting]\nDrawsPerDay=\"41,78\"\n\n[Kaijiang]\n0=\"09:00,20\"\n", nullptr));
    QCOMPARE(cli({"--dir", dir, "next-issue"}).out, QByteArray("161213001\n"));
    QCOMPARE(cli({"--dir", dir, "next-issue", "--json"}).out,
             QByteArray("{\"issue\":161213001,\"expected\":\"2016-12-13T09:00:00+08:00\"}\n"));
    const Run added = cli({"--dir", dir, "add", "456"});
    QCOMPARE(added.status, 0);
    QCOMPARE(cli({"--dir", dir, "list"}).out.right(14), QByteArray("161213001 456\n"));
}

// Bets placed with the tool are settled by whatever draw is stored for their issue at each read.
void TestCli::betLedger()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0); // ends with 130731078 1 2 6
    const auto bets = [&](const QStringList &more = {}) {
        return QJsonDocument::fromJson(cli(QStringList{"--dir", dir, "bet", "list", "--json"} + more).out).object();
    };
    const auto states = [&] {
        QStringList all;
        for (const QJsonValue &b : bets().value("bets").toArray())
            all << b.toObject().value("state").toString() + b.toObject().value("prize").toVariant().toString();
        return all;
    };
    const Run none = cli({"--dir", dir, "bet", "list", "--json"}); // no bet yet: an empty ledger
    QCOMPARE(none.status, 0);
    QCOMPARE(QJsonDocument::fromJson(none.out).object().value("count").toInt(-1), 0);
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130731078", "二不同号", "61", "--multiple", "3"}).out, QByteArray("1\n"));
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130801001", "和值", "10"}).out, QByteArray("2\n"));
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130801001", "三同号通选"}).out, QByteArray("3\n"));
    QCOMPARE(states(), (QStringList{"中奖24", "待开奖0", "待开奖0"}));
    // Bad bets: one line, exit 2, nothing stored.
    for (const QStringList &bad : {QStringList{"130801001", "和值", "2"}, {"130801001", "和值", "19"},
                                   {"130801001", "三不同号", "122"}, {"130801001", "二不同号", "11"},
                                   {"130801001", "二不同号", "17"}, {"130801001", "三同号通选", "111"},
                                   {"130801001", "大小", "1"}, {"130801001", "和值", "10", "--multiple", "0"},
                                   {"130801001", "和值", "10", "--multiple", "10001"}, {"130801099", "和值", "10"},
                                   {"130231001", "和值", "10"}, {"130801001"}}) {
        const Run refused = cli(QStringList{"--dir", dir, "bet", "add"} + bad);
        QCOMPARE(refused.status, 2);
        QCOMPARE(refused.err.count('\n'), 1);
    }
    QCOMPARE(bets().value("count").toInt(), 3);
    // The draw comes (from another process), is corrected, then removed.
    QCOMPARE(cli({"--dir", dir, "add", "334"}).status, 0);
    QCOMPARE(states(), (QStringList{"中奖24", "中奖9", "未中0"}));
    QCOMPARE(cli({"--dir", dir, "delete-last"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "add", "555"}).status, 0);
    QCOMPARE(states(), (QStringList{"中奖24", "未中0", "中奖40"}));
    const QJsonObject totals = bets();
    QCOMPARE(totals.value("spent").toInt(), 10);
    QCOMPARE(totals.value("won").toInt(), 64);
    QCOMPARE(totals.value("net").toInt(), 54);
    QCOMPARE(totals.value("expected").toDouble(), 30 / 216.0 * 24 + 27 / 216.0 * 9 + 6 / 216.0 * 40);
    QCOMPARE(cli({"--dir", dir, "delete-last"}).status, 0);
    QCOMPARE(states(), (QStringList{"中奖24", "待开奖0", "待开奖0"}));
    // A restore of the draws keeps the ledger; the province's own prizes apply when given.
    QCOMPARE(cli({"--dir", dir, "restore", "1"}).status, 0);
    QCOMPARE(states(), (QStringList{"中奖24", "未中0", "中奖40"}));
    QVERIFY(HistoryText::writeFile(dir + "/prizes.json", R"({"三同号通选": 30})", nullptr));
    QCOMPARE(bets({"--prizes", dir + "/prizes.json"}).value("won").toInt(), 24 + 30);
    QCOMPARE(bets({"--from", "130801001", "--to", "130801001"}).value("count").toInt(), 2);
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "2"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "2"}).status, 2);
    QCOMPARE(states(), (QStringList{"中奖24", "中奖40"}));
    // Placed after bets on later issues, still settled; the same digits in two plays settle apart
    // (1 2 6: 二不同号 12 wins, 和值 12 does not); a 3× bet costs 6.
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130731078", "二不同号", "12", "--multiple", "3"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130731078", "和值", "12"}).status, 0);
    QCOMPARE(states(), (QStringList{"中奖24", "中奖40", "中奖24", "未中0"}));
    const QJsonObject third = bets().value("bets").toArray().at(2).toObject();
    QCOMPARE(third.value("multiple").toInt(), 3);
    QCOMPARE(third.value("cost").toInt(), 6);
    // Prize tables: 和值 19 is none, a file over 1 MB is refused as such, the limit is named.
    const auto prizesRefused = [&](const QByteArray &content, const QString &why) {
        QVERIFY(HistoryText::writeFile(dir + "/bad.json", content, nullptr));
        const Run run = cli({"--dir", dir, "bet", "list", "--prizes", dir + "/bad.json"});
        QCOMPARE(run.status, 2);
        QVERIFY2(QString::fromUtf8(run.err).contains(why), run.err.constData());
    };
    prizesRefused(R"({"和值": {"19": 5}})", QStringLiteral("和值 19 不对"));
    prizesRefused(R"({"三连号通选": 100000001})", QStringLiteral("1 到 100000000"));
    prizesRefused("{\"三连号通选\": 10" + QByteArray(1 << 20, ' ') + "}", QStringLiteral("太大"));
    // The day's draws as drawn today decide a bet's sequence; 北京快3's bets take its running numbers.
    QCOMPARE(cli({"--dir", dir, "--draws-per-day", "41", "bet", "add", "161212050", "和值", "10"}).status, 2);
    QCOMPARE(cli({"--dir", dir, "--draws-per-day", "50", "bet", "add", "161212050", "和值", "10"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "--game", "9", "bet", "add", "3010002", "和值", "10"}).out, QByteArray("1\n"));
    QCOMPARE(cli({"--dir", dir, "--game", "9", "bet", "add", "161212050", "和值", "10"}).status, 0);
    // 120 a day is the most: such a bet is read back as one.
    QCOMPARE(cli({"--dir", dir, "--draws-per-day", "120", "bet", "add", "161212120", "和值", "10"}).status, 0);
    QCOMPARE(bets().value("count").toInt(), 6);
    QCOMPARE(bets().value("unreadable").toArray().size(), 0);
}

// Only the folder is closed to the user (another user's history): reading works, writing says 只读.
void TestCli::folderReadOnlyForAnotherUser()
{
    if (geteuid() != 0 || QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "true"}) != 0)
        QSKIP("running as another user needs root and setpriv: not run");
    TestFolder folder;
    const QString dir = folder.filePath("theirs");
    QDir().mkpath(dir);
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    QCOMPARE(cli({"--dir", dir, "compact"}).status, 0); // no -wal or -shm left beside it
    const QByteArray listed = cli({"--dir", dir, "list"}).out;
    for (const QString &path : {folder.path(), dir})
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadOther | QFileDevice::ExeOther);
    auto asNobody = [](const QStringList &arguments) {
        QProcess process;
        process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                              QCoreApplication::applicationDirPath() + "/vendrix-k3-cli"} + arguments);
        process.waitForFinished(60000);
        return Run{process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    };
    const Run list = asNobody({"--dir", dir, "list"});
    QVERIFY2(list.status == 0, list.err.constData());
    QCOMPARE(list.out, listed);
    const Run add = asNobody({"--dir", dir, "add", "123"});
    QCOMPARE(add.status, 2);
    QVERIFY2(QString::fromUtf8(add.err).contains(QStringLiteral("只读")), add.err.constData());
    QCOMPARE(cli({"--dir", dir, "list"}).out, listed);
}

void TestCli::backtestGoldenOutput_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("golden");
    QTest::newRow("json") << QStringList{"--json", "--from", "130701001", "--kind", "segment", "--display", "number", "--top", "2"}
                          << "backtest-sample.json";
    QTest::newRow("text") << QStringList{"--display", "size", "--back", "2", "--fixed", "--positions", "13", "--top", "1",
                                         "--from", "130701001"}
                          << "backtest-sample-size.txt";
}

// The backtest's output over the real draws is byte for byte what an earlier release wrote.
void TestCli::backtestGoldenOutput()
{
    QFETCH(QStringList, options);
    QFETCH(QString, golden);
    TestFolder folder;
    QCOMPARE(cli({"--dir", folder.path(), "import", sampleFile()}).status, 0);
    const Run run = cli(QStringList{"--dir", folder.path(), "backtest"} + options);
    QCOMPARE(run.status, 0);
    QFile expected(QStringLiteral(VK3_SAMPLE_DATA "/") + golden);
    QVERIFY(expected.open(QIODevice::ReadOnly));
    const QByteArray want = expected.readAll();
    QCOMPARE(run.out.size(), want.size());
    QVERIFY(run.out == want);
}

// omission and trend on the real public history: the documented keys in order, each count as a
// plain walk over the draws gives it, the ranges, the tables, an empty history refused.
void TestCli::omissionAndTrend()
{
    TestFolder folder;
    QCOMPARE(cli({"--dir", folder.path(), "import", sampleFile()}).status, 0);
    const std::vector<TestDraw> draws = TestHistory::sample();
    const qint64 n = qint64(draws.size());

    const Run whole = cli({"--dir", folder.path(), "omission", "--json"});
    QCOMPARE(whole.status, 0);
    QVERIFY(whole.out.startsWith(QStringLiteral("{\"from\":%1,\"to\":%2,\"draws\":%3,\"sorted\":")
                                     .arg(draws.front().issue)
                                     .arg(draws.back().issue)
                                     .arg(n)
                                     .toUtf8()));
    const QJsonObject json = QJsonDocument::fromJson(whole.out).object();
    const QJsonArray groups = json.value("groups").toArray();
    QCOMPARE(groups.size(), 8);
    QCOMPARE(groups[5].toObject().value("group").toString(), QStringLiteral("形态"));
    for (int number = 1; number <= 6; ++number) {
        qint64 count = 0, since = 0;
        for (const TestDraw &d : draws) {
            const bool in = std::find(d.numbers.begin(), d.numbers.end(), number) != d.numbers.end();
            count += in ? 1 : 0;
            since = in ? 0 : since + 1;
        }
        const QJsonObject v = groups[0].toObject().value("values").toArray()[number - 1].toObject();
        QCOMPARE(v.keys().size(), 8);
        QCOMPARE(v.value("value").toString(), QString::number(number));
        QCOMPARE(v.value("count").toInteger(), count);
        QCOMPARE(v.value("current").toInteger(), since);
        QCOMPARE(v.value("mean_gap").toDouble(), double(n - count) / double(count + 1));
    }
    const QJsonArray independence = json.value("independence").toArray();
    QCOMPARE(independence.size(), 2);
    QCOMPARE(independence[1].toObject().value("of").toString(), QStringLiteral("和值大小单双"));
    qint64 pairs = 0;
    for (const QJsonValue &row : independence[0].toObject().value("table").toArray())
        for (const QJsonValue &cell : row.toArray())
            pairs += cell.toInteger();
    QCOMPARE(pairs, n - 1);
    QVERIFY(QStringList({"chi2", "simulation"}).contains(independence[0].toObject().value("method").toString()));

    // The newest 100, and an issue range, as the same range.
    const Run last = cli({"--dir", folder.path(), "omission", "--last", "100", "--json"});
    const QJsonObject lastJson = QJsonDocument::fromJson(last.out).object();
    QCOMPARE(lastJson.value("draws").toInteger(), 100);
    QCOMPARE(lastJson.value("from").toInteger(), draws[draws.size() - 100].issue);
    const Run range = cli({"--dir", folder.path(), "omission", "--json", "--from",
                           QString::number(draws[draws.size() - 100].issue), "--to", QString::number(draws.back().issue)});
    QCOMPARE(range.out, last.out);
    const QString one = QString::number(draws[10].issue);
    const Run single = cli({"--dir", folder.path(), "omission", "--json", "--from", one, "--to", one});
    QCOMPARE(QJsonDocument::fromJson(single.out).object().value("draws").toInteger(), 1);
    // Every object has exactly the keys the README names.
    const auto keysOf = [](const QJsonValue &v) { return v.toObject().keys(); };
    QCOMPARE(json.keys(), (QStringList{"draws", "from", "groups", "independence", "out_of_order", "sorted", "to"}));
    for (const QJsonValue &group : groups) {
        QCOMPARE(keysOf(group), (QStringList{"group", "values"}));
        for (const QJsonValue &v : group.toObject().value("values").toArray()) {
            // The values that are plays (each sum, 三同号 and 三连号) add their prize and return.
            const QString value = v.toObject().value("value").toString();
            const bool play = group.toObject().value("group") == QStringLiteral("和值") || value == QStringLiteral("三同号") ||
                              value == QStringLiteral("三连号");
            QStringList keys{"count", "current", "expected", "longest", "longest_run", "mean_gap", "p_current"};
            keys << (play ? QStringList{"prize", "return", "value"} : QStringList{"value"});
            QCOMPARE(keysOf(v), keys);
        }
    }
    for (const QJsonValue &table : independence)
        QCOMPARE(keysOf(table), (QStringList{"chi2", "classes", "df", "method", "of", "p", "table"}));
    const Run text = cli({"--dir", folder.path(), "omission", "--last", "100"});
    QCOMPARE(text.status, 0);
    const QStringList lines = QString::fromUtf8(text.out).split('\n');
    QVERIFY(lines[2].startsWith(QStringLiteral("分组")) && lines[2].endsWith(QStringLiteral("奖金  每注回报")));
    QVERIFY(lines.contains(QStringLiteral("每注 2 元，公平开奖时每种玩法平均只回报 55.6%～58.3%，遗漏多久都一样")));
    QCOMPARE(lines.filter(QStringLiteral("上一期的")).size(), 2);

    // trend: the newest rows oldest first, each number's omission over the whole history.
    const Run trend = cli({"--dir", folder.path(), "trend", "--last", "5", "--json"});
    QCOMPARE(trend.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(trend.out).array();
    QCOMPARE(rows.size(), 5);
    for (int r = 0; r < 5; ++r) {
        const size_t at = draws.size() - 5 + size_t(r);
        const QJsonObject row = rows[r].toObject();
        QCOMPARE(row.value("issue").toInteger(), draws[at].issue);
        QCOMPARE(row.value("sum").toInt(), draws[at].numbers[0] + draws[at].numbers[1] + draws[at].numbers[2]);
        for (int number = 1; number <= 6; ++number) {
            qint64 back = 0;
            while (back <= qint64(at) &&
                   std::find(draws[at - size_t(back)].numbers.begin(), draws[at - size_t(back)].numbers.end(), number) ==
                       draws[at - size_t(back)].numbers.end())
                ++back;
            QCOMPARE(row.value("omission").toObject().value(QString::number(number)).toInteger(), back);
        }
    }
    QCOMPARE(cli({"--dir", folder.path(), "trend", "--json"}).out.count("\"issue\""), 30);
    QVERIFY(cli({"--dir", folder.path(), "trend"}).out.startsWith(QStringLiteral("期号").toUtf8()));

    // Nothing stored: nothing to show, said in one line.
    TestFolder empty;
    for (const char *command : {"omission", "trend"}) {
        const Run refused = cli({"--dir", empty.path(), command});
        QCOMPARE(refused.status, 2);
        QCOMPARE(refused.out, QByteArray());
    }
    const Run help = cli({"--help"});
    QVERIFY(help.out.contains("omission [--last N | --from ISSUE --to ISSUE] [--prizes FILE] [--json]"));
    QVERIFY(help.out.contains("trend [--last N] [--json]"));
}


void TestCli::damagedBetRowsAreNamed_data()
{
    QTest::addColumn<QString>("values"); // QH, Wanfa, Haoma, Beishu as SQL
    QTest::addColumn<QString>("reason"); // what the reason names
    QTest::newRow("unknown play") << "130731078, '大小', '1', 1" << QStringLiteral("不认识的玩法");
    QTest::newRow("和值 1000") << "130731078, '和值', '1000', 1" << QStringLiteral("和值");
    QTest::newRow("multiple -5") << "130731078, '和值', '10', -5" << QStringLiteral("倍数");
    QTest::newRow("all NULL") << "NULL, NULL, NULL, NULL" << QStringLiteral("期号");
    QTest::newRow("play not UTF-8") << "130731078, CAST(X'FFFE' AS TEXT), '12', 1" << QStringLiteral("UTF-8");
    QTest::newRow("issue abc") << "'abc', '和值', '10', 1" << QStringLiteral("期号");
    QTest::newRow("multiple beyond 32 bits") << "130731078, '和值', '10', 4294967297" << QStringLiteral("倍数");
    QTest::newRow("issue beyond 32 bits") << "4425698374, '和值', '10', 1" << QStringLiteral("期号");
    QTest::newRow("multiple 2x") << "130731078, '和值', '10', '2x'" << QStringLiteral("倍数");
    QTest::newRow("multiple 2.5") << "130731078, '和值', '10', 2.5" << QStringLiteral("倍数");
    QTest::newRow("multiple 10001") << "130731078, '和值', '10', 10001" << QStringLiteral("倍数");
    QTest::newRow("numbers a blob") << "130731078, '二不同号', X'3132', 1" << QStringLiteral("号码");
    QTest::newRow("numbers 1a") << "130731078, '二不同号', '1a', 1" << QStringLiteral("号码只能是数字");
    QTest::newRow("full-width digit") << "130731078, '二不同号', '12３', 1" << QStringLiteral("号码只能是数字");
    QTest::newRow("issue of no date") << "131331078, '和值', '10', 1" << QStringLiteral("期号");
    QTest::newRow("issue of eight digits") << "90101001, '和值', '10', 1" << QStringLiteral("期号");
    QTest::newRow("sequence past 120") << "130731121, '和值', '10', 1" << QStringLiteral("期号");
    QTest::newRow("plan id text") << "130731078, '和值', '10', 1, 'x', NULL" << QStringLiteral("追号计划");
    QTest::newRow("plan id 0") << "130731078, '和值', '10', 1, 0, NULL" << QStringLiteral("追号计划 “0” 不是编号");
    QTest::newRow("plan that is not there") << "130731078, '和值', '10', 1, 99, NULL" << QStringLiteral("追号计划 99 不存在");
    QTest::newRow("time cut short") << "130731078, '和值', '10', 1, NULL, '2026-12-09T10:00'" << QStringLiteral("下单时间");
    QTest::newRow("time with a zone of one letter not Z") << "130731078, '和值', '10', 1, NULL, '2026-12-09T10:00:00X'"
                                                         << QStringLiteral("下单时间");
    QTest::newRow("time a number") << "130731078, '和值', '10', 1, NULL, 20261209" << QStringLiteral("下单时间");
    QTest::newRow("time without its offset's minutes") << "130731078, '和值', '10', 1, NULL, '2026-12-09T10:00:00+08'"
                                                       << QStringLiteral("下单时间");
    // At the edge and still a bet (no reason): listed and counted.
    QTest::newRow("multiple 10000") << "130731078, '和值', '10', 10000" << QString();
    QTest::newRow("placed at UTC") << "130731078, '和值', '10', 10000, NULL, '2026-12-09T10:00:00Z'" << QString();
}

// Rows another tool wrote into the ledger: each named with its id and a reason, none listed or
// counted in the totals.
void TestCli::damagedBetRowsAreNamed()
{
    QFETCH(QString, values);
    QFETCH(QString, reason);
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0); // ends with 130731078 1 2 6
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130731078", "二不同号", "12", "--multiple", "3"}).out, QByteArray("1\n"));
    {
        Database tool;
        QVERIFY(tool.open(dir + "/vendrixK3.db"));
        // The plan and the time NULL unless the row gives them.
        QVERIFY(tool.exec("INSERT INTO Touzhu (Id, QH, Wanfa, Haoma, Beishu, Zhuihao, Shijian) VALUES (7, " + values +
                          (values.count(',') == 3 ? ", NULL, NULL)" : ")")));
    }
    const Run run = cli({"--dir", dir, "bet", "list", "--json"});
    QCOMPARE(run.status, 0);
    const QJsonObject json = jsonOf(run);
    if (reason.isEmpty()) {
        QCOMPARE(json.value("count").toInt(), 2);
        QCOMPARE(json.value("spent").toInt(), 6 + 20000);
        QCOMPARE(json.value("unreadable").toArray().size(), 0);
        return;
    }
    QCOMPARE(json.value("count").toInt(), 1);
    QCOMPARE(json.value("spent").toInt(), 6);
    QCOMPARE(json.value("won").toInt(), 24);
    const QJsonArray unreadable = json.value("unreadable").toArray();
    QCOMPARE(unreadable.size(), 1);
    QCOMPARE(unreadable.at(0).toObject().value("id").toInt(), 7);
    QVERIFY2(unreadable.at(0).toObject().value("reason").toString().contains(reason),
             qPrintable(unreadable.at(0).toObject().value("reason").toString()));
    QVERIFY2(QString::fromUtf8(run.err).startsWith(QStringLiteral("投注 7 无法读取")), run.err.constData());
    const Run text = cli({"--dir", dir, "bet", "list"});
    QVERIFY(QString::fromUtf8(text.out).contains(QStringLiteral("另有 1 行投注记录无法读取")));
    // Still removable by its id.
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "7"}).status, 0);
    QCOMPARE(jsonOf(cli({"--dir", dir, "bet", "list", "--json"})).value("unreadable").toArray().size(), 0);
}

// A removed bet's id is never given again, so a stale `bet remove` removes nothing; a ledger of an
// older release is rebuilt with its ids kept. A long ledger's JSON (written a block at a time) is
// whole.
void TestCli::betIdsNeverReused()
{
    TestFolder folder;
    const QString dir = folder.path();
    {
        QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
        Database tool;
        QVERIFY(tool.open(dir + "/vendrixK3.db"));
        QVERIFY(tool.exec("CREATE TABLE Touzhu (Id INTEGER PRIMARY KEY AUTOINCREMENT, QH INTEGER, Wanfa TEXT, Haoma TEXT, Beishu INTEGER)"));
        QVERIFY(tool.exec("INSERT INTO Touzhu (QH, Wanfa, Haoma, Beishu) SELECT SQQH, '三同号通选', '', 1 FROM Lishi"));
        const QJsonObject json = jsonOf(cli({"--dir", dir, "bet", "list", "--json"}));
        QCOMPARE(json.value("bets").toArray().size(), 4778);
        QCOMPARE(json.value("bets").toArray().last().toObject().value("id").toInt(), 4778);
        QCOMPARE(json.value("count").toInt(), 4778);
        QVERIFY(tool.exec("DROP TABLE Touzhu"));
    }
    for (const char *expected : {"1\n", "2\n", "3\n"})
        QCOMPARE(cli({"--dir", dir, "bet", "add", "161212001", "和值", "10"}).out, QByteArray(expected));
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "3"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "bet", "add", "161212002", "和值", "11"}).out, QByteArray("4\n"));
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "3"}).status, 2);
    QCOMPARE(jsonOf(cli({"--dir", dir, "bet", "list", "--json"})).value("count").toInt(), 3);

    TestFolder older;
    QVERIFY(TestHistory::createIn(older.path(), TestHistory::consecutive(161212001, 3)));
    {
        Database tool;
        QVERIFY(tool.open(older.filePath("vendrixK3.db")));
        QVERIFY(tool.exec("CREATE TABLE Touzhu (Id INTEGER PRIMARY KEY, QH INTEGER, Wanfa TEXT, Haoma TEXT, Beishu INTEGER)"));
        QVERIFY(tool.exec("INSERT INTO Touzhu VALUES (1, 161212001, '和值', '10', 1), (5, 161212002, '和值', '9', 2)"));
    }
    QCOMPARE(cli({"--dir", older.path(), "bet", "remove", "5"}).status, 0);
    QCOMPARE(cli({"--dir", older.path(), "bet", "add", "161212003", "和值", "12"}).out, QByteArray("6\n"));
    const QJsonArray bets = jsonOf(cli({"--dir", older.path(), "bet", "list", "--json"})).value("bets").toArray();
    QCOMPARE(bets.size(), 2);
    QCOMPARE(bets.at(0).toObject().value("id").toInt(), 1);
    QCOMPARE(bets.at(0).toObject().value("numbers").toString(), QStringLiteral("10"));
}

// `bet list --all-games`: each game's bets from its own file, named by game, ordered by game and
// id; per-game totals that add up to the whole; a history that cannot be read named, not counted.
void TestCli::ledgerOverAllGames()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0); // game 0, ends 130731078 1 2 6
    QCOMPARE(cli({"--dir", dir, "--game", "8", "add", "345", "--issue", "161212001"}).status, 0);
    const std::vector<QStringList> bets{{"130731078", "二不同号", "12", "--multiple", "3"}, {"130731078", "和值", "9"},
                                        {"130801001", "三同号通选"}};
    for (const QStringList &bet : bets)
        QCOMPARE(cli(QStringList{"--dir", dir, "bet", "add"} + bet).status, 0);
    for (const QStringList &bet : {QStringList{"161212001", "三连号通选"}, QStringList{"161212001", "和值", "12", "--multiple", "2"}})
        QCOMPARE(cli(QStringList{"--dir", dir, "--game", "8", "bet", "add"} + bet).status, 0);
    QVERIFY(HistoryText::writeFile(dir + "/" + GameFiles::ownFileName(3), "not a database at all", nullptr));
    // A copy of game 0's file under game 5's name still records game 0: none of it is game 5's.
    QVERIFY(QFile::copy(dir + "/vendrixK3.db", dir + "/" + GameFiles::ownFileName(5)));
    // Game 8's province pays 三连号通选 at 20, as the window saved it; game 0 pays the national prizes.
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    const auto restore = qScopeGuard([&] { home.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", home); });
    QSettings(folder.filePath("config/Pelomarix.ini"), QSettings::IniFormat).setValue("Jiangjin/8", R"({"三连号通选": 20})");

    const Run run = cli({"--dir", dir, "bet", "list", "--all-games", "--json"});
    QCOMPARE(run.status, 0);
    const QJsonObject all = jsonOf(run);
    QStringList order;
    for (const QJsonValue &bet : all.value("bets").toArray())
        order << QStringLiteral("%1/%2").arg(bet.toObject().value("game").toInt()).arg(bet.toObject().value("id").toInt());
    QCOMPARE(order, (QStringList{"0/1", "0/2", "0/3", "8/1", "8/2"}));
    const QJsonArray games = all.value("games").toArray();
    QCOMPARE(games.size(), 2);
    qint64 spent = 0, won = 0, count = 0;
    double expected = 0;
    for (const auto &[index, options] : {std::pair{0, QStringList{}}, std::pair{8, QStringList{"--game", "8"}}}) {
        const QJsonObject one = jsonOf(cli(QStringList{"--dir", dir} + options + QStringList{"bet", "list", "--json"}));
        const QJsonObject listed = games.at(index == 0 ? 0 : 1).toObject();
        QCOMPARE(listed.value("index").toInt(), index);
        for (const char *key : {"count", "spent", "won", "net", "expected", "sd"})
            QCOMPARE(listed.value(key).toDouble(), one.value(key).toDouble());
        count += one.value("count").toInteger();
        spent += one.value("spent").toInteger();
        won += one.value("won").toInteger();
        expected += one.value("expected").toDouble();
    }
    QCOMPARE(all.value("count").toInteger(), count);
    QCOMPARE(all.value("spent").toInteger(), spent);
    QCOMPARE(all.value("won").toInteger(), won);
    QCOMPARE(all.value("net").toInteger(), won - spent);
    QCOMPARE(all.value("expected").toDouble(), expected);
    QCOMPARE(games.at(0).toObject().value("won").toInt(), 3 * 8 + 10);
    // --from and --to pick the bets of every game alike.
    const QJsonObject later = jsonOf(cli({"--dir", dir, "bet", "list", "--all-games", "--from", "130801001", "--json"}));
    QCOMPARE(later.value("count").toInt(), 3);
    QCOMPARE(later.value("games").toArray().at(0).toObject().value("count").toInt(), 1);
    QCOMPARE(games.at(1).toObject().value("won").toInt(), 20 + 2 * 10);
    // --prizes is the table of every game for one run.
    QVERIFY(HistoryText::writeFile(dir + "/prizes.json", R"({"三连号通选": 30, "二不同号": 9})", nullptr));
    const QJsonObject given = jsonOf(cli({"--dir", dir, "bet", "list", "--all-games", "--prizes", dir + "/prizes.json", "--json"}));
    QCOMPARE(given.value("won").toInt(), 3 * 9 + 10 + 30 + 2 * 10);
    const QJsonArray unreadable = all.value("unreadable").toArray();
    QCOMPARE(unreadable.size(), 1);
    QCOMPARE(unreadable.at(0).toObject().value("game").toInt(), 3);
    QVERIFY(unreadable.at(0).toObject().value("id").isNull());
    const QString text = QString::fromUtf8(cli({"--dir", dir, "bet", "list", "--all-games"}).out);
    QVERIFY2(text.contains(QStringLiteral("全部彩种：共 5 注")), qPrintable(text));
    // A main file whose record is damaged is read by every game without a file of its own: named
    // once, counted for none.
    QFile::remove(dir + "/" + GameFiles::ownFileName(5));
    {
        Database tool;
        QVERIFY(tool.open(dir + "/vendrixK3.db"));
        QVERIFY(tool.exec("UPDATE Caizhong SET GsZl = 99"));
    }
    const QJsonObject damaged = jsonOf(cli({"--dir", dir, "--game", "8", "bet", "list", "--all-games", "--json"}));
    QCOMPARE(damaged.value("count").toInt(), 2);
    QCOMPARE(damaged.value("unreadable").toArray().size(), 2); // the damaged record, game 3's file
}

// A 翻倍 plan placed with the tool: its bets in the ledger with the plan's id, followed and stopped
// by the draws (已撤 after the first win, back when that draw goes), listed and cancelled.
void TestCli::chasePlanPlacedAndFollowed()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0); // ends with 130731078 1 2 6
    const Run shown = cli({"--dir", dir, "plan", "二不同号", "25", "--issues", "10", "--double", "--json"});
    QCOMPARE(shown.status, 0);
    const QJsonObject plan = jsonOf(shown);
    QCOMPARE(plan.value("worst_case").toInt(), 2046);
    QCOMPARE(plan.value("rows").toArray().at(0).toObject().value("issue").toInt(), 130801001); // the next issue
    QCOMPARE(plan.value("rows").toArray().at(9).toObject().value("net_if_win").toInt(), 512 * 8 - 2046);
    QVERIFY(plan.value("stopped_by").isNull() && !plan.contains("plan"));
    QVERIFY(std::abs(plan.value("p_lose_all").toDouble() - std::pow(186 / 216.0, 10)) < 1e-12);
    QCOMPARE(jsonOf(cli({"--dir", dir, "bet", "list", "--json"})).value("count").toInt(), 0); // shown, not placed
    const QString text = QString::fromUtf8(cli({"--dir", dir, "plan", "二不同号", "25", "--issues", "10", "--double"}).out);
    QVERIFY2(text.startsWith(QStringLiteral("最坏情况：全部不中，花 2,046 元（概率 22.4%）；按公平开奖平均净 −281 元\n")), qPrintable(text));
    // Refused: exit 2, the reason, nothing stored.
    for (const QStringList &bad : {QStringList{"二不同号", "25", "--issues", "5", "--profit", "300", "--place"},
                                   QStringList{"二不同号", "25", "--issues", "0", "--place"},
                                   QStringList{"二不同号", "25", "--issues", "5", "--multiple", "200", "--max-multiple", "100", "--place"},
                                   QStringList{"二不同号", "25", "--issues", "5", "--double", "--profit", "10"}}) {
        const Run refused = cli(QStringList{"--dir", dir, "plan"} + bad);
        QCOMPARE(refused.status, 2);
        QVERIFY(!refused.err.isEmpty());
    }
    QCOMPARE(jsonOf(cli({"--dir", dir, "plan", "list", "--json"})).value("plans").toArray().size(), 0);

    // A bet placed and removed first: the plan's bets have ids of their own, not the plan's.
    QCOMPARE(cli({"--dir", dir, "bet", "add", "130801001", "和值", "10"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "bet", "remove", "1"}).status, 0);
    const Run placed = cli({"--dir", dir, "plan", "二不同号", "25", "--issues", "5", "--double", "--place", "--json"});
    QCOMPARE(placed.status, 0);
    const int id = jsonOf(placed).value("plan").toInt();
    QVERIFY(id > 0);
    const auto ledger = [&] {
        QStringList states;
        const QJsonObject all = jsonOf(cli({"--dir", dir, "bet", "list", "--json"}));
        for (const QJsonValue &b : all.value("bets").toArray())
            states << b.toObject().value("state").toString() + QString::number(b.toObject().value("cost").toInt());
        return std::pair{states, all};
    };
    for (const QJsonValue &b : ledger().second.value("bets").toArray())
        QCOMPARE(b.toObject().value("plan").toInt(), id);
    for (const char *draw : {"111", "222", "256"})
        QCOMPARE(cli({"--dir", dir, "add", draw}).status, 0);
    auto [states, all] = ledger();
    QCOMPARE(states, (QStringList{"未中2", "未中4", "中奖8", "已撤0", "已撤0"}));
    QCOMPARE(all.value("spent").toInt(), 14);
    QCOMPARE(all.value("count").toInt(), 3);
    QCOMPARE(all.value("won").toInt(), 32);
    // Over every game, a range holding only a withdrawn bet still names its game (with nothing bought).
    const QJsonArray games = jsonOf(cli({"--dir", dir, "bet", "list", "--all-games", "--from", "130801005", "--json"})).value("games").toArray();
    QCOMPARE(games.size(), 1);
    QCOMPARE(games.at(0).toObject().value("count").toInt(), 0);
    QVERIFY(QString::fromUtf8(cli({"--dir", dir, "plan", "list"}).out).contains(QStringLiteral("中奖停止")));
    // The winning draw removed: the later bets are bought again.
    QCOMPARE(cli({"--dir", dir, "delete-last"}).status, 0);
    QCOMPARE(ledger().first, (QStringList{"未中2", "未中4", "待开奖8", "待开奖16", "待开奖32"}));
    // Cancelled from the issues not yet drawn: the drawn ones stay.
    const Run cancelled = cli({"--dir", dir, "plan", "cancel", QString::number(id)});
    QCOMPARE(cancelled.status, 0);
    QVERIFY(QString::fromUtf8(cancelled.out).contains(QStringLiteral("3 注")));
    QCOMPARE(ledger().first, (QStringList{"未中2", "未中4"}));
    QCOMPARE(cli({"--dir", dir, "plan", "cancel", "99"}).status, 2);
    const QJsonObject listed = jsonOf(cli({"--dir", dir, "plan", "list", "--json"})).value("plans").toArray().at(0).toObject();
    QCOMPARE(listed.value("rule").toString(), QStringLiteral("翻倍"));
    QCOMPARE(listed.value("bets").toInt(), 2);
    QCOMPARE(listed.value("state").toString(), QStringLiteral("已结束"));
}

// A CSV with 开奖时间 merged: the times are kept with the history, and the next draw's time follows
// from them (one late draw does not move the schedule).
void TestCli::drawTimesFromAMergedFile()
{
    TestFolder folder;
    const QString dir = folder.path();
    QByteArray csv = "期号,开奖时间,号码1,号码2,号码3\n";
    for (const int day : {10, 11, 12})
        for (int n = 1; n <= 20; ++n) {
            QTime at = QTime(9, 0).addSecs((n - 1) * 20 * 60 + 30);
            if (day == 11 && n == 7)
                at = at.addSecs(5 * 60);
            csv += QStringLiteral("1612%1%2,2016-12-%1 %3,%4,%5,%6\n")
                       .arg(day)
                       .arg(n, 3, 10, QLatin1Char('0'))
                       .arg(at.toString("HH:mm:ss"))
                       .arg(1 + n % 6)
                       .arg(1 + (n + 2) % 6)
                       .arg(1 + (n + 4) % 6)
                       .toUtf8();
        }
    QVERIFY(HistoryText::writeFile(dir + "/draws.csv", csv, nullptr));
    QCOMPARE(cli({"--dir", dir, "merge", dir + "/draws.csv"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "next-issue", "--json"}).out,
             QByteArray("{\"issue\":161212021,\"expected\":\"2016-12-12T15:40:00+08:00\"}\n"));
    // Exported with each line's time as its tail, and imported so into another folder.
    QCOMPARE(cli({"--dir", dir, "export", dir + "/out.txt"}).status, 0);
    QString why;
    const QByteArray exported = *HistoryText::loadFile(dir + "/out.txt", &why);
    QVERIFY2(exported.contains("161212020 ") && exported.contains(" 2016-12-12 15:20:30\r\n"), exported.right(80).constData());
    TestFolder other;
    QCOMPARE(cli({"--dir", other.path(), "import", dir + "/out.txt"}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "next-issue", "--json"}).out,
             QByteArray("{\"issue\":161212021,\"expected\":\"2016-12-12T15:40:00+08:00\"}\n"));
    QCOMPARE(cli({"--dir", other.path(), "list"}).out, cli({"--dir", dir, "list"}).out);
    // A backup carries the times, and its restore brings them back.
    QCOMPARE(cli({"--dir", other.path(), "delete-last"}).status, 0);
    {
        Database tool;
        QVERIFY(tool.open(other.filePath("vendrixK3.db")) && tool.exec("DELETE FROM Kaijiang"));
    }
    QCOMPARE(cli({"--dir", other.path(), "next-issue", "--json"}).out, QByteArray("{\"issue\":161212020,\"expected\":null}\n"));
    QCOMPARE(cli({"--dir", other.path(), "restore", "1"}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "next-issue", "--json"}).out,
             QByteArray("{\"issue\":161212021,\"expected\":\"2016-12-12T15:40:00+08:00\"}\n"));
    // The times follow the draws: those kept by keep-up-to stay; a draw deleted and typed again has
    // none; a history replaced by a file without times has none.
    QCOMPARE(cli({"--dir", other.path(), "keep-up-to", "161212010"}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "delete-last"}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "add", "456"}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "export", other.filePath("kept.txt")}).status, 0);
    const QByteArray kept = HistoryText::loadFile(other.filePath("kept.txt"), &why).value_or(QByteArray());
    QVERIFY2(kept.endsWith(" 2016-12-12 11:40:30\r\n161212010 456\r\n"), kept.right(80).constData());
    QVERIFY(HistoryText::writeFile(other.filePath("plain.txt"), "161212001 123\r\n161212002 456\r\n", nullptr));
    QCOMPARE(cli({"--dir", other.path(), "import", other.filePath("plain.txt")}).status, 0);
    QCOMPARE(cli({"--dir", other.path(), "next-issue", "--json"}).out, QByteArray("{\"issue\":161212003,\"expected\":null}\n"));
    // A schedule given for the run holds over the stored times.
    QCOMPARE(cli({"--dir", dir, "--first-draw", "08:00", "--interval", "10", "next-issue", "--json"}).out,
             QByteArray("{\"issue\":161212021,\"expected\":\"2016-12-12T11:20:00+08:00\"}\n"));
}

// The daily limit: over every game, each bet at its full cost as placed; a bet or a plan past it is
// refused whole with the limit and today's total named.
void TestCli::dailyLimit()
{
    TestFolder folder;
    const QString dir = folder.path();
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    QCOMPARE(cli({"--dir", dir, "--game", "3", "add", "345", "--issue", "161212001"}).status, 0);
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "19", "bet", "add", "130801001", "和值", "10", "--multiple", "4"}).status, 0);
    {
        // A bet placed on another day of the month counts for that day only.
        const QDate today = QDate::currentDate();
        const QDate other = today.day() > 1 ? today.addDays(-1) : today.addDays(1);
        Database tool;
        QVERIFY(tool.open(dir + "/vendrixK3.db"));
        QVERIFY(tool.exec("INSERT INTO Touzhu (QH, Wanfa, Haoma, Beishu, Shijian) VALUES (130731078, '和值', '10', 100, '" +
                          other.toString(Qt::ISODate) + "T10:00:00+08:00')"));
    }
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "19", "--game", "3", "bet", "add", "161212002", "和值", "10", "--multiple", "5"}).status, 0);
    const Run over = cli({"--dir", dir, "--daily-limit", "19", "bet", "add", "130801002", "和值", "10"});
    QCOMPARE(over.status, 2);
    QVERIFY2(QString::fromUtf8(over.err).contains(QStringLiteral("每日投注限额 19 元：今天已投注 18 元，再投注 2 元")), over.err.constData());
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "20", "bet", "add", "130801002", "和值", "10"}).status, 0);
    // A plan is refused whole: none of its bets stored.
    const Run plan = cli({"--dir", dir, "--daily-limit", "29", "plan", "和值", "10", "--issues", "5", "--place"});
    QCOMPARE(plan.status, 2);
    QCOMPARE(jsonOf(cli({"--dir", dir, "bet", "list", "--json"})).value("count").toInt(), 3);
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "30", "plan", "和值", "10", "--issues", "5", "--from", "130801003", "--place"}).status, 0);
    // 已撤 gives nothing back to the day: stopped after its first win, the plan still counts whole.
    QCOMPARE(cli({"--dir", dir, "add", "136", "--issue", "130801003"}).status, 0);
    QCOMPARE(jsonOf(cli({"--dir", dir, "bet", "list", "--json"})).value("spent").toInt(), 8 + 200 + 2 + 2);
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "30", "bet", "add", "130801009", "和值", "10"}).status, 2);
    QCOMPARE(cli({"--dir", dir, "--daily-limit", "0", "bet", "add", "130801009", "和值", "10"}).status, 0);
}

// A file that is no database and a damaged game record are named, never shown as empty; a
// damaged record is read with --game, written by nobody until set-game mends it.
void TestCli::historiesThatCannotBeReadAreNamed()
{
    TestFolder folder;
    const QString dir = folder.path();
    {
        QFile garbage(folder.filePath("vendrixK3.db"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a database at all");
    }
    QCOMPARE(cli({"--dir", dir, "--game", "8", "add", "123", "--issue", "161212001"}).status, 0);
    Run games = cli({"--dir", dir, "games", "--json"});
    QCOMPARE(games.status, 2);
    QJsonArray list = QJsonDocument::fromJson(games.out).array();
    QCOMPARE(list.size(), 15);
    QVERIFY(list.at(0).toObject().value("draws").isNull());
    QVERIFY(list.at(0).toObject().value("error").toString().contains("vendrixK3.db"));
    QCOMPARE(list.at(8).toObject().value("draws").toInt(), 1);
    QVERIFY(!list.at(8).toObject().contains("error"));
    QCOMPARE(list.at(3).toObject().value("draws").toInt(), 0);

    for (const char *record : {"99", "15", "-1", "'abc'", "X'34'", "NULL"}) {
        TestFolder damaged;
        const QString d = damaged.path();
        QVERIFY(TestHistory::createIn(d, TestHistory::consecutive(161212001, 5)));
        {
            Database tool;
            QVERIFY(tool.open(damaged.filePath("vendrixK3.db")));
            QVERIFY(tool.exec("CREATE TABLE Caizhong (GsZl INTEGER)"));
            QVERIFY(tool.exec(QStringLiteral("INSERT INTO Caizhong VALUES (%1)").arg(record)));
        }
        games = cli({"--dir", d, "games", "--json"});
        QCOMPARE(games.status, 2);
        list = QJsonDocument::fromJson(games.out).array();
        QVERIFY(list.at(4).toObject().value("last").isNull());
        QVERIFY2(list.at(4).toObject().value("error").toString().contains(QStringLiteral("记录的彩种")), games.out.constData());
        const Run refused = cli({"--dir", d, "list"});
        QCOMPARE(refused.status, 2);
        QVERIFY2(QString::fromUtf8(refused.err).contains(QStringLiteral("vendrixK3.db 记录的彩种")), refused.err.constData());
        QCOMPARE(cli({"--dir", d, "--game", "4", "list"}).out.count('\n'), 5);
        // Nothing written to it, nor a new file for any game.
        QCOMPARE(cli({"--dir", d, "--game", "4", "add", "123"}).status, 2);
        QCOMPARE(cli({"--dir", d, "--game", "6", "bet", "add", "161212006", "和值", "10"}).status, 2);
        QCOMPARE(QDir(d).entryList({"*.db"}), QStringList{"vendrixK3.db"});
        const Run mended = cli({"--dir", d, "set-game", "4"});
        QCOMPARE(mended.status, 0);
        QVERIFY(mended.err.contains("备份"));
        QCOMPARE(cli({"--dir", d, "list"}).out.count('\n'), 5);
        QCOMPARE(cli({"--dir", d, "add", "123"}).out, QByteArray("161212006 123\n"));
        QCOMPARE(cli({"--dir", d, "set-game", "5"}).status, 2); // recorded now: not changed
    }
}

// Derived data gone or rows without dice: a writer rebuilds the packed copy, a row whose dice are
// NULL is named and never listed or searched.
void TestCli::derivedDataRebuiltNotFatal()
{
    TestFolder folder;
    const QString dir = folder.path(), file = dir + "/vendrixK3.db";
    QCOMPARE(cli({"--dir", dir, "import", sampleFile()}).status, 0);
    const QByteArray listed = cli({"--dir", dir, "list"}).out;
    for (const char *damage : {"DROP TABLE LishiPack", "DELETE FROM LishiPack WHERE Id = 0"}) {
        {
            Database tool;
            QVERIFY(tool.open(file));
            QVERIFY(tool.exec(damage));
        }
        QCOMPARE(cli({"--dir", dir, "list"}).out, listed);
        {
            HistoryDb db; // the reader in a writable folder built it again
            QCOMPARE(db.open(file), HistoryDb::OpenStatus::Ok);
            QVERIFY2(db.packIsCurrent(), damage);
        }
        QCOMPARE(cli({"--dir", dir, "delete-last"}).status, 0);
        QCOMPARE(cli({"--dir", dir, "add", "126", "--issue", "130731078"}).status, 0);
        QCOMPARE(cli({"--dir", dir, "list"}).out, listed);
        HistoryDb db;
        QCOMPARE(db.open(file), HistoryDb::OpenStatus::Ok);
        QVERIFY2(db.packIsCurrent(), damage);
    }
    // compact builds it again too.
    {
        Database tool;
        QVERIFY(tool.open(file));
        QVERIFY(tool.exec("DROP TABLE LishiPack"));
    }
    QCOMPARE(cli({"--dir", dir, "compact"}).status, 0);
    {
        HistoryDb db;
        QCOMPARE(db.open(file), HistoryDb::OpenStatus::Ok);
        QVERIFY(db.packIsCurrent());
    }
    {
        Database tool;
        QVERIFY(tool.open(file));
        QVERIFY(tool.exec("UPDATE Lishi SET L2A = NULL WHERE SQQH = 130731070"));
        QVERIFY(tool.exec("UPDATE Lishi SET L3A = 7 WHERE SQQH = 130731071"));
    }
    const Run list = cli({"--dir", dir, "list"});
    QCOMPARE(list.out.count('\n'), listed.count('\n') - 2);
    QVERIFY(!list.out.contains("130731071"));
    QCOMPARE(cli({"--dir", dir, "list"}).out, list.out); // from the packed copy, as from the rows
    QVERIFY(!list.out.contains("130731070"));
    QVERIFY2(QString::fromUtf8(list.err).contains(QStringLiteral("第 130731070、130731071 期存的号码无法读取")), list.err.constData());
    const QJsonObject search = jsonOf(cli({"--dir", dir, "search", "--pattern", "1,2,6", "--json"}));
    for (const QJsonValue &row : search.value("results").toArray())
        QVERIFY(row.toObject().value("issue").toInteger() != 130731070);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
