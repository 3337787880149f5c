#include "HistoryDb.h"
#include "HistoryText.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <random>

// A process killed in the middle of an import leaves the old history or the new one, never a mix.
class TestCrashSafety : public QObject
{
    Q_OBJECT
private slots:
    void killedImport();
};

void TestCrashSafety::killedImport()
{
    TestFolder folder;
    const std::vector<TestDraw> oldDraws = TestHistory::consecutive(150101001, 3000);
    std::vector<TestDraw> newDraws;
    for (int day = 0; day < 1500; ++day)
        for (int n = 1; n <= 78; ++n)
            newDraws.push_back({QDate(2016, 1, 1).addDays(day).toString("yyMMdd").toInt() * 1000 + n,
                                {qint16(1 + (day + n) % 6), qint16(1 + n % 6), qint16(1 + day % 6)}});
    const QString file = folder.filePath("new.txt");
    QVERIFY(HistoryText::writeFile(file, HistoryText::format(newDraws), nullptr));
    const QString child = QCoreApplication::applicationDirPath() + "/vk3-import-child";

    // How long an uninterrupted import takes, to spread the kills over it.
    QVERIFY(TestHistory::createIn(folder.path(), oldDraws));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(QProcess::execute(child, {folder.path(), file}), 0);
    const int fullRun = int(timer.elapsed());

    std::mt19937 random(20161212);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 8; ++round) {
        QVERIFY(TestHistory::createIn(folder.path(), oldDraws));
        QProcess process;
        process.start(child, {folder.path(), file});
        QVERIFY(process.waitForStarted());
        QThread::msleep(std::uniform_int_distribution<int>(0, fullRun)(random));
        process.kill();
        QVERIFY(process.waitForFinished());

        HistoryDb db;
        QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
        QSqlQuery check = db.database().select("PRAGMA integrity_check");
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        check.finish();
        const HistorySnapshot snapshot = *db.snapshot();
        const std::vector<TestDraw> &expected =
            snapshot.count() == int(oldDraws.size()) ? oldDraws : newDraws;
        QCOMPARE(snapshot.count(), int(expected.size()));
        for (int i = 0; i < snapshot.count(); i += 97) {
            QCOMPARE(snapshot.at(i).sqqh, expected[size_t(i)].issue);
            QCOMPARE(snapshot.at(i).numbers(), expected[size_t(i)].numbers);
        }
        (&expected == &oldDraws ? sawOld : sawNew)++;
    }
    qInfo("kills left the old history %d times and the new one %d times (full run %d ms)", sawOld, sawNew,
          fullRun);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
