#include "HistoryDb.h"
#include "HistoryText.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <random>

// A killed process or a full disk leaves the old history or the new one, never a mix, and a
// database that opens and passes its integrity check.
class TestCrashSafety : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void killedImport();
    void killedTrim();
    void diskFullImport();
    void diskFullExports();

private:
    // Kills `arguments` at random moments (after `prepare`) and checks what is left each time.
    void killAtRandom(const QStringList &arguments, const std::function<void()> &prepare,
                      const std::vector<TestDraw> &before, const std::vector<TestDraw> &after, quint32 seed);

    QString m_child;
    TestFolder m_folder;
    std::vector<TestDraw> m_old;
    std::vector<TestDraw> m_new;
    QString m_newFile;
};

namespace {

std::vector<TestDraw> manyDays(int firstDay, int days)
{
    std::vector<TestDraw> draws;
    for (int day = 0; day < days; ++day)
        for (int n = 1; n <= 78; ++n)
            draws.push_back({QDate(2016, 1, 1).addDays(firstDay + day).toString("yyMMdd").toInt() * 1000 + n,
                             {qint16(1 + (day + n) % 6), qint16(1 + n % 6), qint16(1 + day % 6)}});
    return draws;
}

// The history in the folder is exactly one of the two, and the database is sound.
void checkOneOf(const QString &folder, const std::vector<TestDraw> &a, const std::vector<TestDraw> &b,
                int *sawA)
{
    HistoryDb db;
    QCOMPARE(db.open(QDir(folder).filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    {
        QSqlQuery check = db.database().select("PRAGMA integrity_check");
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
    }
    const HistorySnapshot snapshot = *db.snapshot();
    const bool isA = snapshot.count() == int(a.size());
    const std::vector<TestDraw> &expected = isA ? a : b;
    QCOMPARE(snapshot.count(), int(expected.size()));
    for (int i = 0; i < snapshot.count(); i += 97) {
        QCOMPARE(snapshot.at(i).sqqh, expected[size_t(i)].issue);
        QCOMPARE(snapshot.at(i).numbers(), expected[size_t(i)].numbers);
    }
    if (!snapshot.isEmpty()) {
        QCOMPARE(snapshot.last().sqqh, expected.back().issue);
    }
    *sawA += isA ? 1 : 0;
}

int runLimited(const QString &command, int kilobytes)
{
    return QProcess::execute("/bin/bash",
                             {"-c", QStringLiteral("ulimit -f %1; exec %2").arg(kilobytes).arg(command)});
}

} // namespace

void TestCrashSafety::initTestCase()
{
    m_child = QCoreApplication::applicationDirPath() + "/vk3-test-child";
    m_old = manyDays(0, 40);
    m_new = manyDays(100, 1500);
    m_newFile = m_folder.filePath("new.txt");
    QVERIFY(HistoryText::writeFile(m_newFile, HistoryText::format(m_new), nullptr));
}

void TestCrashSafety::killAtRandom(const QStringList &arguments, const std::function<void()> &prepare,
                                   const std::vector<TestDraw> &before, const std::vector<TestDraw> &after,
                                   quint32 seed)
{
    // How long an uninterrupted run takes, to spread the kills over it.
    prepare();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(QProcess::execute(m_child, arguments), 0);
    const int fullRun = std::max(20, int(timer.elapsed()));
    int sawBefore = 0;
    checkOneOf(m_folder.path(), after, after, &sawBefore);

    std::mt19937 random(seed);
    sawBefore = 0;
    const int rounds = 6;
    for (int round = 0; round < rounds; ++round) {
        prepare();
        QProcess process;
        process.start(m_child, arguments);
        QVERIFY(process.waitForStarted());
        QThread::msleep(std::uniform_int_distribution<int>(0, fullRun)(random));
        process.kill();
        QVERIFY(process.waitForFinished());
        checkOneOf(m_folder.path(), before, after, &sawBefore);
    }
    qInfo("%d kills left the history before and %d after the work (a whole run takes %d ms)", sawBefore,
          rounds - sawBefore, fullRun);
}

void TestCrashSafety::killedImport()
{
    killAtRandom(
        {"import", m_folder.path(), m_newFile},
        [this] { QVERIFY(TestHistory::createIn(m_folder.path(), m_old)); }, m_old, m_new, 20161212);
}

void TestCrashSafety::killedTrim()
{
    const std::vector<TestDraw> trimmed(m_new.begin(), m_new.end() - 1000);
    killAtRandom(
        {"trim", m_folder.path(), "1000"}, [this] { QVERIFY(TestHistory::createIn(m_folder.path(), m_new)); },
        m_new, trimmed, 4711);
}

void TestCrashSafety::diskFullImport()
{
    QVERIFY(TestHistory::createIn(m_folder.path(), m_old));
    // The old history fits; the new one does not.
    const int status =
        runLimited(QStringLiteral("'%1' import '%2' '%3'").arg(m_child, m_folder.path(), m_newFile), 4000);
    QCOMPARE(status, 1);
    int sawOld = 0;
    checkOneOf(m_folder.path(), m_old, m_old, &sawOld);
}

void TestCrashSafety::diskFullExports()
{
    // A workbook too large for the limit: the earlier file of that name stays as it was.
    const QString book = m_folder.filePath("lishi.xlsx");
    QCOMPARE(QProcess::execute(m_child, {"xlsx", book, "10"}), 0);
    QFile file(book);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QCOMPARE(runLimited(QStringLiteral("'%1' xlsx '%2' 200000").arg(m_child, book), 100), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();
    QCOMPARE(QDir(m_folder.path()).entryList({".lishi*"}, QDir::Files | QDir::Hidden), QStringList{});

    // The command-line export: status 2, the earlier text file kept.
    QVERIFY(TestHistory::createIn(m_folder.path(), m_new));
    const QString cli = QCoreApplication::applicationDirPath() + "/vendrix-k3-cli";
    const QString text = m_folder.filePath("export.txt");
    QVERIFY(HistoryText::writeFile(text, "161212001 135\r\n", nullptr));
    QCOMPARE(
        runLimited(QStringLiteral("'%1' --dir '%2' export '%3' 2>/dev/null").arg(cli, m_folder.path(), text),
                   500),
        2);
    QFile exported(text);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), QByteArray("161212001 135\r\n"));
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
