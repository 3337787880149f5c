#include "Derivation.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "HistoryGrid.h"
#include "HistoryMaintenance.h"
#include "HistoryWriter.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>

using Draws = std::vector<TextDraw>;
using Issues = QList<qint32>;

namespace {
Issues issuesOf(const Draws &draws)
{
    Issues issues;
    for (const TextDraw &d : draws)
        issues << d.issue;
    return issues;
}

// The end of one day (78 draws) and the start of the next.
const Draws aroundMidnight{{161212076, {1, 1, 1}},
                           {161212077, {2, 2, 2}},
                           {161212078, {3, 3, 3}},
                           {161213001, {4, 4, 4}},
                           {161213002, {5, 5, 5}}};
} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT
private slots:
    void keepUpTo_data();
    void keepUpTo();
    void deleteLastCount_data();
    void deleteLastCount();
    void rebuildCarriesEarlierTexts();
    void replaceIsAllOrNothing();
    void deleteLastRow();
    void compactKeepsHistory();
    void failedCompactionKeepsHistory();
    void exportText();
};

void TestMaintenance::keepUpTo_data()
{
    QTest::addColumn<qint64>("answer");
    QTest::addColumn<Issues>("kept");
    QTest::newRow("below the first: nothing") << qint64(161212001) << Issues{};
    QTest::newRow("inside") << qint64(161212078) << Issues{161212076, 161212077, 161212078};
    QTest::newRow("between two issues") << qint64(161212100) << Issues{161212076, 161212077, 161212078};
    QTest::newRow("at the last: all") << qint64(161213002) << issuesOf(aroundMidnight);
    QTest::newRow("above the last: all") << qint64(999999999) << issuesOf(aroundMidnight);
}

void TestMaintenance::keepUpTo()
{
    QFETCH(qint64, answer);
    QTEST(issuesOf(HistoryMaintenance::upTo(TestHistory::snapshotOf(aroundMidnight), answer)), "kept");
}

void TestMaintenance::deleteLastCount_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<Issues>("kept");
    QTest::newRow("3 across the day boundary") << qint64(3) << Issues{161212076, 161212077};
    QTest::newRow("1") << qint64(1) << Issues{161212076, 161212077, 161212078, 161213001};
    QTest::newRow("all") << qint64(5) << Issues{};
    QTest::newRow("more than all") << qint64(5000000000) << Issues{};
}

void TestMaintenance::deleteLastCount()
{
    QFETCH(qint64, count);
    QTEST(issuesOf(HistoryMaintenance::allButLast(TestHistory::snapshotOf(aroundMidnight), count)), "kept");
}

void TestMaintenance::rebuildCarriesEarlierTexts()
{
    const std::vector<DrawRecord> rows = HistoryWriter::rowsFor(
        {{161212001, {1, 4, 6}}, {161212002, {3, 3, 5}}, {161212003, {2, 5, 2}}, {161212004, {6, 6, 6}}}, 1,
        true);
    QCOMPARE(rows.size(), size_t(4));
    QVERIFY(rows[0].earlier && rows[0].earlier->digits.isEmpty());
    QVERIFY(rows[1].earlier->digits.isEmpty()); // no draw two rows back
    QCOMPARE(rows[1].txtHisLst, QStringLiteral("146"));
    QCOMPARE(rows[2].earlier->digits, QStringLiteral("146"));
    QCOMPARE(rows[2].earlier->occurrence[KindA], QStringLiteral("1X1 1X4 1X6 "));
    QCOMPARE(rows[3].earlier->digits, QStringLiteral("335"));
    QCOMPARE(rows[3].earlier->occurrence[KindB], QStringLiteral("1X1 2X1 3X1 "));
    // The first row is the first of a history: no previous values.
    QCOMPARE(rows[0].prev[0][KindA], 0);
    QCOMPARE(rows[0].txtHisLst, QString());
    // Without them (the import) the group stays unset.
    QVERIFY(!HistoryWriter::rowsFor({{161212001, {1, 4, 6}}}, 1, false)[0].earlier);
}

void TestMaintenance::replaceIsAllOrNothing()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 10)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.database().exec("CREATE TRIGGER refuse BEFORE INSERT ON Lishi WHEN NEW.SQQH = 170101500 "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    QVERIFY(!HistoryWriter::replace(db, TestHistory::consecutive(170101001, 1000), 1, false));
    const auto kept = db.snapshot();
    QCOMPARE(kept->count(), 10);
    QCOMPARE(kept->first().sqqh, 161212001);
    QVERIFY(HistoryWriter::replace(db, TestHistory::consecutive(170101001, 400), 1, false));
    QCOMPARE(db.snapshot()->count(), 400);
}

void TestMaintenance::deleteLastRow()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.deleteLast()); // empty: nothing to do
    QVERIFY(
        TestHistory::append(db, {{161212003, {1, 1, 1}}, {161212001, {2, 2, 2}}, {161212002, {3, 3, 3}}}));
    QVERIFY(db.deleteLast());
    const auto left = db.snapshot();
    QCOMPARE(left->count(), 2);
    QCOMPARE(left->last().sqqh, 161212002); // the last in issue order, not in storing order
    // Of two rows with the same issue, the one stored last goes.
    QVERIFY(TestHistory::append(db, {{161212002, {6, 6, 6}}}));
    QVERIFY(db.deleteLast());
    QCOMPARE(db.snapshot()->last().numbers(), (Numbers{3, 3, 3}));
    QVERIFY(TestHistory::append(db, {{161212002, {6, 6, 6}}, {161212002, {5, 5, 5}}}));
    QVERIFY(db.deleteLast());
    QCOMPARE(db.snapshot()->last().numbers(), (Numbers{6, 6, 6}));
}

void TestMaintenance::compactKeepsHistory()
{
    TestFolder folder;
    const Draws draws = TestHistory::sample();
    QVERIFY(TestHistory::createIn(folder.path(), draws));
    HistoryDb db;
    const QString path = folder.filePath(HistoryDb::fileName());
    QCOMPARE(db.open(path), HistoryDb::OpenStatus::Ok);
    QVERIFY(HistoryWriter::replace(db, Draws(draws.begin(), draws.begin() + 100), 1, true));
    auto freePages = [&db] {
        QSqlQuery q = db.database().select("PRAGMA freelist_count");
        return q.next() ? q.value(0).toInt() : -1;
    };
    QVERIFY(freePages() > 0);

    QVERIFY2(db.compact(), qPrintable(db.lastError()));
    QCOMPARE(freePages(), 0);
    QVERIFY(db.isOpen());
    const auto snapshot = db.snapshot();
    QCOMPARE(snapshot->count(), 100);
    QCOMPARE(snapshot->last().sqqh, draws[99].issue);
    QSqlQuery q = db.database().select("SELECT txtHisPreLst FROM Lishi ORDER BY SQQH LIMIT 1 OFFSET 2");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), Derivation::digitsText(draws[0].numbers));
    QVERIFY(TestHistory::append(db, {{170101001, {1, 2, 3}}}));
}

// An index that points at the wrong column still copies, but the file is not sound: compaction
// refuses and leaves it byte for byte as it was.
void TestMaintenance::failedCompactionKeepsHistory()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 50)));
    const QString path = folder.filePath(HistoryDb::fileName());
    {
        HistoryDb db;
        QCOMPARE(db.open(path), HistoryDb::OpenStatus::Ok);
        QVERIFY(db.database().exec("PRAGMA writable_schema = ON"));
        QVERIFY(db.database().exec("UPDATE sqlite_master SET sql = 'CREATE INDEX LishiSQQH ON Lishi (QQH)' "
                                   "WHERE name = 'LishiSQQH'"));
    }
    auto bytes = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    {
        HistoryDb db;
        QCOMPARE(db.open(path), HistoryDb::OpenStatus::Ok);
        QVERIFY(!db.compact());
        QVERIFY(db.lastError().contains(QStringLiteral("完整性")));
        QVERIFY(db.isOpen());
    }
    QCOMPARE(bytes(), before);
}

void TestMaintenance::exportText()
{
    GridModel grid;
    HistoryGrid::fill(grid, TestHistory::snapshotOf(aroundMidnight));
    const QByteArray text = HistoryMaintenance::gridText(grid);
    QCOMPARE(text.left(30), QByteArray("161212076 111\r\n161212077 222\r\n"));
    QCOMPARE(HistoryText::read(text, 0).draws, aroundMidnight);
    QCOMPARE(grid.row(), 5);
    QCOMPARE(grid.col(), 3);
    QCOMPARE(HistoryMaintenance::exportFileName(TestHistory::snapshotOf(aroundMidnight)),
             QStringLiteral("更新至161213002期历史号码.txt"));
    GridModel empty;
    HistoryGrid::fill(empty, HistorySnapshot());
    QCOMPARE(HistoryMaintenance::gridText(empty), QByteArray());
}

QTEST_GUILESS_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
