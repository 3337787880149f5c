// Several vendrix-k3-cli processes on one history folder at once: adding, trimming, compacting,
// importing and searching. Afterwards nothing reported stored is lost or doubled, every row
// chains to the row before it, and every search printed the answer for a history that existed.
#include "HistoryDb.h"
#include "HistoryText.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace {

QString cliPath()
{
    return QCoreApplication::applicationDirPath() + "/vendrix-k3-cli";
}

struct Finished
{
    QStringList arguments;
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs commands one after another in one lane until the deadline; lanes run side by side.
class Lane
{
public:
    Lane(std::function<QStringList(int)> next, std::function<void(const Finished &)> done)
        : m_next(std::move(next))
        , m_done(std::move(done))
    {}
    void start(qint64 deadline, const QElapsedTimer &clock)
    {
        m_deadline = deadline;
        m_clock = &clock;
        launch();
    }
    bool running() const { return m_process && m_process->state() != QProcess::NotRunning; }
    int runs() const { return m_runs; }

private:
    void launch()
    {
        if (m_clock->elapsed() > m_deadline)
            return;
        m_process = std::make_unique<QProcess>();
        const QStringList arguments = m_next(m_runs++);
        QObject::connect(m_process.get(), &QProcess::finished,
                         [this, arguments](int code, QProcess::ExitStatus how) {
                             m_done({arguments, how == QProcess::NormalExit ? code : -1,
                                     m_process->readAllStandardOutput(), m_process->readAllStandardError()});
                             m_process.release()->deleteLater();
                             launch();
                         });
        m_process->start(cliPath(), arguments);
    }

    std::function<QStringList(int)> m_next;
    std::function<void(const Finished &)> m_done;
    std::unique_ptr<QProcess> m_process;
    qint64 m_deadline = 0;
    const QElapsedTimer *m_clock = nullptr;
    int m_runs = 0;
};

void runLanes(std::vector<std::unique_ptr<Lane>> &lanes, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (auto &lane : lanes)
        lane->start(milliseconds, clock);
    QTRY_VERIFY_WITH_TIMEOUT(
        std::none_of(lanes.begin(), lanes.end(), [](const auto &l) { return l->running(); }),
        milliseconds + 60000);
}

Finished runOnce(const QStringList &arguments)
{
    QProcess process;
    process.start(cliPath(), arguments);
    process.waitForFinished(60000);
    return {arguments, process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// A search's printed answer without its range, which follows the history's first and last issue.
QByteArray answerOf(const QByteArray &json)
{
    QJsonObject object = QJsonDocument::fromJson(json).object();
    object.remove("from");
    object.remove("to");
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class TestSharedHistory : public QObject
{
    Q_OBJECT
private slots:
    void addersTrimmersAndSearches();
    void searchesWhileImporting();
    void searchWhileAnotherHoldsTheWriteLock();
    void logStaysBoundedUnderReaders();
    void twoGamesSideBySide();
    void firstWritesOfTwoGamesRace_data();
    void firstWritesOfTwoGamesRace();
};

void TestSharedHistory::addersTrimmersAndSearches()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 60)));
    const QStringList dir{"--dir", folder.path()};
    std::map<qint32, QByteArray> reported; // issue → digits, from every add that said it stored
    int duplicates = 0, failures = 0, searches = 0;
    QStringList problems;
    std::vector<std::unique_ptr<Lane>> lanes;
    for (int lane = 0; lane < 3; ++lane)
        lanes.push_back(std::make_unique<Lane>(
            [dir, lane](int run) {
                const QString digits =
                    QStringLiteral("%1%2%3").arg(1 + lane).arg(1 + run % 6).arg(1 + run / 6 % 6);
                return dir + QStringList{"add", digits};
            },
            [&](const Finished &f) {
                if (f.status != 0) {
                    ++failures;
                    problems << QString::fromUtf8(f.err);
                    return;
                }
                const QList<QByteArray> words = f.out.trimmed().split(' ');
                duplicates += reported.count(words[0].toInt()) ? 1 : 0;
                reported[words[0].toInt()] = words[1];
            }));
    // A trimming command that is refused inside its write (the issue is not stored) takes the
    // write lock and gives it back unchanged; compaction rewrites the file.
    lanes.push_back(std::make_unique<Lane>(
        [dir](int run) {
            return dir + (run % 2 ? QStringList{"compact"} : QStringList{"keep-up-to", "999999999"});
        },
        [&](const Finished &f) {
            const bool refused = f.status == 2 && QString::fromUtf8(f.err).contains(QStringLiteral("不在历史号码中"));
            if (f.status != 0 && !refused)
                problems << QString::fromUtf8(f.err);
        }));
    // A search on the latest draw: every result followed a draw holding the pattern's numbers.
    lanes.push_back(std::make_unique<Lane>(
        [dir](int) {
            return dir + QStringList{"search", "--json"};
        },
        [&](const Finished &f) {
            ++searches;
            const QJsonObject json = QJsonDocument::fromJson(f.out).object();
            QList<int> pattern;
            for (const QJsonValue &v : json.value("pattern").toArray())
                pattern << v.toInt();
            std::sort(pattern.begin(), pattern.end());
            for (const QJsonValue &row : json.value("results").toArray()) {
                QByteArray before = row.toObject().value("before").toString().toLatin1();
                std::sort(before.begin(), before.end());
                const QByteArray wanted = QByteArray::number(pattern[0]) + QByteArray::number(pattern[1]) +
                                          QByteArray::number(pattern[2]);
                if (before != wanted)
                    problems << "search result after " + before;
            }
            if (f.status != 0)
                problems << QString::fromUtf8(f.err);
        }));
    runLanes(lanes, 6000);

    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QCOMPARE(failures, 0);
    QCOMPARE(duplicates, 0);
    QVERIFY(reported.size() > 30);
    QVERIFY(searches > 5);

    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    const HistorySnapshot history = *db.snapshot();
    QCOMPARE(history.count(), 60 + int(reported.size()));
    std::map<qint32, int> seen;
    for (int i = 0; i < history.count(); ++i)
        ++seen[history.issue(i)];
    for (const auto &[issue, digits] : reported) {
        QCOMPARE(seen[issue], 1);
        const int at = history.lowerBound(issue);
        QCOMPARE(QByteArray::number(history.at(at).numbers()[0] * 100 + history.at(at).numbers()[1] * 10 +
                                    history.at(at).numbers()[2]),
                 digits);
    }
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
}

void TestSharedHistory::searchesWhileImporting()
{
    // Two histories that the importer alternates between; the answers for each, computed apart.
    TestFolder folder, first, second;
    const std::vector<TestDraw> draws = TestHistory::sample();
    const std::vector<TestDraw> a(draws.begin(), draws.begin() + 3000), b(draws.begin() + 1000, draws.end());
    const QString fileA = folder.filePath("a.txt"), fileB = folder.filePath("b.txt");
    QVERIFY(HistoryText::writeFile(fileA, HistoryText::format(a), nullptr));
    QVERIFY(HistoryText::writeFile(fileB, HistoryText::format(b), nullptr));
    QVERIFY(TestHistory::createIn(first.path(), a));
    QVERIFY(TestHistory::createIn(second.path(), b));
    QVERIFY(TestHistory::createIn(folder.path(), a));
    const QStringList search{"search", "--kind", "size", "--positions", "12", "--json"};
    const QByteArray answerA = answerOf(runOnce(QStringList{"--dir", first.path()} + search).out);
    const QByteArray answerB = answerOf(runOnce(QStringList{"--dir", second.path()} + search).out);
    QVERIFY(answerA != answerB);

    const QStringList dir{"--dir", folder.path()};
    QStringList problems;
    int searches = 0, imports = 0;
    std::vector<std::unique_ptr<Lane>> lanes;
    lanes.push_back(std::make_unique<Lane>(
        [&](int run) {
            return dir + QStringList{"import", run % 2 ? fileA : fileB};
        },
        [&](const Finished &f) {
            imports += f.status == 0 ? 1 : 0;
            if (f.status != 0)
                problems << QString::fromUtf8(f.err);
        }));
    for (int lane = 0; lane < 2; ++lane)
        lanes.push_back(
            std::make_unique<Lane>([&](int) { return dir + search; },
                                   [&](const Finished &f) {
                                       ++searches;
                                       const QByteArray answer = answerOf(f.out);
                                       if (f.status != 0 || (answer != answerA && answer != answerB))
                                           problems << "a search answered for neither history: " +
                                                           QString::fromUtf8(f.out.left(200) + f.err);
                                   }));
    runLanes(lanes, 5000);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY(imports > 3);
    QVERIFY(searches > 5);
}

void TestSharedHistory::searchWhileAnotherHoldsTheWriteLock()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 300)));
    const QStringList search{"--dir", folder.path(), "search", "--json"};
    const QByteArray before = runOnce(search).out;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.database().transaction());
    QVERIFY(db.database().exec("DELETE FROM Lishi WHERE SQQH > 161212100"));
    // The search neither waits for the writer nor sees its uncommitted change.
    QElapsedTimer clock;
    clock.start();
    const Finished during = runOnce(search);
    QCOMPARE(during.status, 0);
    QVERIFY(clock.elapsed() < 4000);
    QCOMPARE(during.out, before);
    // An add waits for the writer and then chains to what it committed.
    QProcess add;
    add.start(cliPath(), {"--dir", folder.path(), "add", "123"});
    QVERIFY(add.waitForStarted());
    QTest::qWait(300);
    QCOMPARE(add.state(), QProcess::Running);
    QVERIFY(db.database().commit());
    QVERIFY(add.waitForFinished(20000));
    QCOMPARE(add.exitCode(), 0);
    QCOMPARE(add.readAllStandardOutput(), QByteArray("161212101 123\n"));
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
}

// Two programs search in a loop while large imports follow one another: the write-ahead log is
// emptied after each large write instead of growing with every import.
void TestSharedHistory::logStaysBoundedUnderReaders()
{
    TestFolder folder;
    const QString file = folder.filePath("draws.txt");
    const std::vector<TestDraw> draws = TestHistory::consecutive(130101001, 60000);
    QVERIFY(HistoryText::writeFile(file, HistoryText::format(draws), nullptr));
    const QString program = QCoreApplication::applicationDirPath() + "/vendrix-k3-cli";
    QCOMPARE(QProcess::execute(program, {"--dir", folder.path(), "import", file}), 0);

    std::vector<std::unique_ptr<QProcess>> readers;
    bool stopping = false;
    for (int r = 0; r < 2; ++r) {
        auto reader = std::make_unique<QProcess>();
        QProcess *p = reader.get();
        QObject::connect(p, &QProcess::finished, p, [p, program, &folder, &stopping] {
            if (!stopping)
                p->start(program, {"--dir", folder.path(), "search", "--json"});
        });
        p->start(program, {"--dir", folder.path(), "search", "--json"});
        readers.push_back(std::move(reader));
    }
    // This process stays connected as the window does, and reads all the time.
    HistoryDb window;
    QCOMPARE(window.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QTimer reading;
    QObject::connect(&reading, &QTimer::timeout, &reading, [&window] { window.snapshot(); });
    reading.start(0);
    const QString log = folder.filePath("vendrixK3.db-wal");
    qint64 largest = 0;
    for (int i = 0; i < 10; ++i) {
        QProcess import;
        import.start(program, {"--dir", folder.path(), "import", file});
        QTRY_VERIFY_WITH_TIMEOUT(import.state() == QProcess::NotRunning, 60000);
        QCOMPARE(import.exitCode(), 0);
        largest = std::max(largest, QFileInfo(log).size());
    }
    reading.stop();
    stopping = true;
    for (auto &reader : readers)
        reader->waitForFinished(30000);
    // One import writes about 25 MB of pages; an unbounded log passes 64 MB within these ten.
    QVERIFY2(largest <= 64 * 1024 * 1024, qPrintable(QString::number(largest / (1024 * 1024)) + " MB"));
}

// Two games' writers at once, each in its own processes: each history holds exactly its own
// draws, a writer of one game never waits for the other's, and `games` reports both.
void TestSharedHistory::twoGamesSideBySide()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 60)));
    const QStringList dir{"--dir", folder.path()};
    // game → issue → digits, from every add that said it stored
    std::map<int, std::map<qint32, QByteArray>> reported;
    QStringList problems;
    {
        HistoryDb db;
        QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
        QVERIFY(db.recordGame(0)); // 福建快3's history
    }
    // 吉林快3's first draw names its issue; its file comes with it.
    const Finished first = runOnce(dir + QStringList{"--game", "8", "add", "222", "--issue", "161212001"});
    QCOMPARE(first.status, 0);
    reported[8][161212001] = "222";
    std::vector<std::unique_ptr<Lane>> lanes;
    for (const int game : {0, 8, 8}) {
        lanes.push_back(std::make_unique<Lane>(
            [dir, game, lanes = lanes.size()](int run) {
                // The draws of 福建快3 start with 1, 吉林快3's with 2.
                const QString digits =
                    QStringLiteral("%1%2%3").arg(game ? 2 : 1).arg(1 + run % 6).arg(1 + int(lanes) % 6);
                return dir + QStringList{"--game", QString::number(game), "add", digits};
            },
            [&, game](const Finished &f) {
                if (f.status != 0)
                    problems << QString::fromUtf8(f.err);
                if (f.status == 0) {
                    const QList<QByteArray> words = f.out.trimmed().split(' ');
                    reported[game][words[0].toInt()] = words[1];
                }
            }));
    }
    runLanes(lanes, 5000);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

    for (const auto &[game, file, before] : {std::tuple{0, QStringLiteral("vendrixK3.db"), 60},
                                             std::tuple{8, QStringLiteral("vendrixK3_jl.db"), 0}}) {
        HistoryDb db;
        QCOMPARE(db.open(folder.filePath(file)), HistoryDb::OpenStatus::Ok);
        QCOMPARE(db.storedGame(), std::optional<int>(game));
        const HistorySnapshot history = *db.snapshot();
        QVERIFY(reported[game].size() > 5);
        QCOMPARE(history.count(), before + int(reported[game].size()));
        for (int i = before; i < history.count(); ++i) {
            const auto it = reported[game].find(history.issue(i));
            QVERIFY2(it != reported[game].end(), qPrintable(QString::number(history.issue(i))));
            QCOMPARE(QByteArray::number(history.numbers(i)[0] * 100 + history.numbers(i)[1] * 10 + history.numbers(i)[2]),
                     it->second);
        }
        QString why;
        QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
    }
    const QJsonArray games = QJsonDocument::fromJson(runOnce(dir + QStringList{"games", "--json"}).out).array();
    QCOMPARE(games.size(), 15);
    QCOMPARE(games.at(8).toObject().value("name").toString(), QStringLiteral("吉林快3"));
    QCOMPARE(games.at(8).toObject().value("code").toString(), QStringLiteral("jl"));
    QCOMPARE(games.at(8).toObject().value("draws_per_day").toInt(), 87);
    QCOMPARE(games.at(8).toObject().value("draws").toInt(), int(reported[8].size()));
    QCOMPARE(games.at(8).toObject().value("last").toInt(), reported[8].rbegin()->first);
    QCOMPARE(games.at(0).toObject().value("draws").toInt(), 60 + int(reported[0].size()));
    QVERIFY(games.at(1).toObject().value("last").isNull());

    // One game's writer holding the write lock keeps the other game's writer waiting not at all.
    HistoryDb holder;
    QCOMPARE(holder.open(folder.filePath("vendrixK3.db")), HistoryDb::OpenStatus::Ok);
    QVERIFY(holder.database().transaction());
    QVERIFY(holder.database().exec("DELETE FROM Lishi WHERE SQQH > 161212050"));
    QElapsedTimer clock;
    clock.start();
    const Finished other = runOnce(dir + QStringList{"--game", "8", "add", "666"});
    QCOMPARE(other.status, 0);
    QVERIFY(clock.elapsed() < 4000);
    QVERIFY(holder.database().rollback());
}

void TestSharedHistory::firstWritesOfTwoGamesRace_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("imports") << "import";
    QTest::newRow("adds") << "add";
    QTest::newRow("bets") << "bet";
}

// Two games' first writes into an empty folder, in two processes started together: each game
// ends with exactly its own draws or bets, and a bet placed for a game without draws stays its
// own after the other game's first draw.
void TestSharedHistory::firstWritesOfTwoGamesRace()
{
    QFETCH(QString, what);
    for (int trial = 0; trial < 6; ++trial) {
        TestFolder folder;
        const QStringList dir{"--dir", folder.path()};
        std::map<int, QStringList> command;
        for (const int game : {2, 5}) {
            const QString digits = game == 2 ? "222" : "555";
            if (what == "import") {
                std::vector<TestDraw> draws = TestHistory::consecutive(161212001, 60);
                for (TestDraw &d : draws)
                    d.numbers = {qint16(game), qint16(game), qint16(game)};
                const QString file = folder.filePath(QStringLiteral("g%1.txt").arg(game));
                QVERIFY(HistoryText::writeFile(file, HistoryText::format(draws), nullptr));
                command[game] = dir + QStringList{"--game", QString::number(game), "import", file};
            } else if (what == "add") {
                command[game] = dir + QStringList{"--game", QString::number(game), "add", digits, "--issue", "161212001"};
            } else {
                command[game] = dir + QStringList{"--game", QString::number(game), "bet", "add", "161212001", "三同号单选", digits};
            }
        }
        QProcess two, five;
        two.start(cliPath(), command[2]);
        five.start(cliPath(), command[5]);
        QVERIFY(two.waitForFinished(60000) && five.waitForFinished(60000));
        QCOMPARE(two.exitCode(), 0);
        QVERIFY2(five.exitCode() == 0, five.readAllStandardError().constData());
        for (const int game : {2, 5}) {
            const QStringList asGame = dir + QStringList{"--game", QString::number(game)};
            if (what == "bet") {
                const QJsonObject bets = QJsonDocument::fromJson(runOnce(asGame + QStringList{"bet", "list", "--json"}).out).object();
                QCOMPARE(bets.value("count").toInt(), 1);
                QCOMPARE(bets.value("bets").toArray().at(0).toObject().value("numbers").toString(),
                         QString::number(game * 111));
                continue;
            }
            const QList<QByteArray> lines = runOnce(asGame + QStringList{"list"}).out.split('\n');
            QCOMPARE(lines.size() - 1, what == "import" ? 60 : 1);
            for (qsizetype i = 0; i + 1 < lines.size(); ++i)
                QVERIFY2(lines[i].endsWith(QByteArray::number(game * 111)), lines[i].constData());
        }
    }
    // A bet of a game with no draws is that game's, whoever writes draws next.
    TestFolder folder;
    const QStringList dir{"--dir", folder.path()};
    QCOMPARE(runOnce(dir + QStringList{"--game", "2", "bet", "add", "161212001", "和值", "6"}).status, 0);
    QCOMPARE(runOnce(dir + QStringList{"--game", "5", "add", "123", "--issue", "161212001"}).status, 0);
    for (const auto &[game, count] : {std::pair{2, 1}, std::pair{5, 0}}) {
        const QJsonObject bets = QJsonDocument::fromJson(
            runOnce(dir + QStringList{"--game", QString::number(game), "bet", "list", "--json"}).out).object();
        QCOMPARE(bets.value("count").toInt(), count);
    }
    // Not settled against the other game's draw of that issue.
    const QJsonObject two = QJsonDocument::fromJson(runOnce(dir + QStringList{"--game", "2", "bet", "list", "--json"}).out).object();
    QCOMPARE(two.value("bets").toArray().at(0).toObject().value("state").toString(), QStringLiteral("待开奖"));
}

QTEST_GUILESS_MAIN(TestSharedHistory)
#include "tst_sharedhistory.moc"
