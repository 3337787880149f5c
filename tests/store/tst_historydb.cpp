#include "BetTable.h"
#include "Derivation.h"
#include "HistoryDb.h"
#include "LishiColumns.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include "AppPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTest>

class TestHistoryDb : public QObject
{
    Q_OBJECT
private slots:
    void createsExactlyTheTables();
    void emptyFileGetsTables();
    void garbageFileIsLeftAlone_data();
    void garbageFileIsLeftAlone();
    void snapshotDoesNotSeeNewRows();
    void snapshotIsOrderedByIssue();
    void snapshotColumnsGiveBackEveryRow();
    void appendStoresEveryColumn();
    void appendAllIsAllOrNothing();
    void delrecEmptiesTheTable();
    void carcuSortsByCountDescending();
    void unwritableProgramFolder();
    void outsideWriteSeenOnce();
    void packedCopyDroppedWhileOpen();
    void newestOutOfOrderDraw_data();
    void newestOutOfOrderDraw();
};

namespace {
QStringList columnsOf(Database &db, const QString &table)
{
    QStringList names;
    QSqlQuery q = db.select(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (q.next())
        names << q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString();
    return names;
}
} // namespace

void TestHistoryDb::createsExactlyTheTables()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);

    QStringList expected{"SQQH INTEGER", "QQH INTEGER"};
    for (const char *suffix : {"", "S", "P"})
        for (int p = 1; p <= 3; ++p)
            for (const char *k : {"A", "B", "E", "F"})
                expected << QStringLiteral("L%1%2%3 INTEGER").arg(p).arg(k, suffix);
    expected << "txtHisLst TEXT"
             << "txtHisLstHm TEXT"
             << "txtHisLstDx TEXT"
             << "txtHisLstDs TEXT"
             << "txtHisLstDuan TEXT"
             << "txtHisPreLst TEXT"
             << "txtHisPreLstHm TEXT"
             << "txtHisPreLstDx TEXT"
             << "txtHisPreLstDs TEXT"
             << "txtHisPreLstDuan TEXT"
             << "intTh INTEGER"
             << "bolOk INTEGER"
             << "txtHisP6 TEXT"
             << "strQQH TEXT"
             << "NF INTEGER"
             << "YF INTEGER"
             << "RQ INTEGER";
    QCOMPARE(columnsOf(db.database(), "Lishi"), expected);
    QCOMPARE(columnsOf(db.database(), "Carcu"), (QStringList{"Nmb INTEGER", "Count INTEGER"}));

    QSqlQuery tables =
        db.database().select("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    // LishiPack is the packed copy beside the rows, derived from them.
    QCOMPARE(names, (QStringList{"Carcu", "Lishi", "LishiPack"}));
}

void TestHistoryDb::emptyFileGetsTables()
{
    TestFolder folder;
    const QString path = folder.filePath(HistoryDb::fileName());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    HistoryDb db;
    QCOMPARE(db.open(path), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.database().hasTable("Lishi"));
    QVERIFY(db.database().hasTable("Carcu"));
}

void TestHistoryDb::garbageFileIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text") << QByteArray("this is not a database\r\n161212001 123\r\n");
    QTest::newRow("binary") << QByteArray(8192, '\xAB');
    QByteArray damaged("SQLite format 3");
    damaged.append('\0');
    damaged.append(QByteArray(4000, '\x07'));
    QTest::newRow("damaged header") << damaged;
}

void TestHistoryDb::garbageFileIsLeftAlone()
{
    QFETCH(QByteArray, content);
    TestFolder folder;
    const QString path = folder.filePath(HistoryDb::fileName());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    HistoryDb db;
    QCOMPARE(db.open(path), HistoryDb::OpenStatus::NotADatabase);
    QVERIFY(!db.isOpen());
    QVERIFY(!db.lastError().isEmpty());
    QVERIFY(!db.snapshot());
    QVERIFY(!db.append(*Derivation::makeRow(161212001, {1, 2, 3}, nullptr, 1)));
    QVERIFY(!db.delrec());
    db.close();

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestHistoryDb::snapshotDoesNotSeeNewRows()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    const auto empty = db.snapshot();
    QVERIFY(empty);
    QVERIFY(empty->isEmpty());
    QVERIFY(!empty->fromLast(0));

    QVERIFY(TestHistory::append(db, TestHistory::consecutive(161212001, 5)));
    const auto opened = db.snapshot();
    QVERIFY(TestHistory::append(db, TestHistory::consecutive(161212006, 2)));
    QCOMPARE(empty->count(), 0);
    QCOMPARE(opened->count(), 5);
    QCOMPARE(opened->last().sqqh, 161212005);

    const auto reopened = db.snapshot();
    QCOMPARE(reopened->count(), 7);
    QCOMPARE(reopened->last().sqqh, 161212007);
}

void TestHistoryDb::snapshotIsOrderedByIssue()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(
        TestHistory::append(db, {{161212003, {1, 1, 1}}, {161212001, {2, 2, 2}}, {161212002, {3, 3, 3}}}));
    const auto snapshot = db.snapshot();
    QCOMPARE(snapshot->count(), 3);
    QCOMPARE(snapshot->at(0).sqqh, 161212001);
    QCOMPARE(snapshot->at(0).value[0][KindA], 2);
    QCOMPARE(snapshot->at(2).sqqh, 161212003);
    QCOMPARE(snapshot->fromLast(1)->sqqh, 161212002);
}

// The in-memory copy keeps bytes; a row a hand edit left with values no byte holds, or with 大小
// and 单双 that do not follow its numbers, must still come back exactly as it was read.
void TestHistoryDb::snapshotColumnsGiveBackEveryRow()
{
    std::vector<DrawCore> rows;
    for (const Numbers &n : std::vector<Numbers>{{3, 2, 1}, {6, 5, 4}, {2, 2, 6}, {3, 3, 3}, {1, 1, 2}, {4, 5, 6}})
        rows.push_back(*Derivation::makeRow(161212001 + int(rows.size()), n, rows.empty() ? nullptr : &rows.back(), 1));
    rows[1].value[0][KindA] = 300;  // no byte holds it
    rows[2].prev[2][KindF] = -128;  // the byte that marks a wide row
    rows[3].value[1][KindB] = 7;    // 大小 not following the number
    rows[4].prev[0][KindA] = 256;   // a previous number whose low byte is 0
    const HistorySnapshot snapshot(rows);
    QCOMPARE(snapshot.count(), int(rows.size()));
    for (int prefix : {0, 3, 4, int(rows.size())}) {
        const HistorySnapshot part = prefix == snapshot.count() ? snapshot : snapshot.prefix(prefix);
        QCOMPARE(part.count(), prefix);
        for (int i = 0; i < prefix; ++i) {
            const DrawCore back = part.at(i);
            QCOMPARE(back.sqqh, rows[size_t(i)].sqqh);
            QCOMPARE(back.qqh, rows[size_t(i)].qqh);
            QVERIFY2(back.value == rows[size_t(i)].value && back.prev == rows[size_t(i)].prev, qPrintable(QString::number(i)));
            QCOMPARE(part.numbers(i), rows[size_t(i)].numbers());
            QCOMPARE(part.issue(i), rows[size_t(i)].sqqh);
            QCOMPARE(part.hasPrevious(i), i > 0);
        }
        // 3 2 1 (row 0) and 300·5·4 (row 1) are the draws out of ascending order.
        QCOMPARE(part.outOfOrder(), std::min(prefix, 2));
        QCOMPARE(part.lastOutOfOrder(), std::min(prefix, 2) - 1);
    }
    QCOMPARE(snapshot.valueCodes(KindA)[1], quint16(HistorySnapshot::OtherCode));
    QCOMPARE(snapshot.previousCodes(KindA)[4], quint16(HistorySnapshot::OtherCode));
    QCOMPARE(snapshot.previousCodes(KindA)[0], quint16(HistorySnapshot::NoPreviousCode));
    QCOMPARE(snapshot.valueCodes(KindA)[5], HistorySnapshot::code({4, 5, 6}));
    QCOMPARE(snapshot.fromLast(5)->sqqh, 161212001);
    QVERIFY(!snapshot.fromLast(6));
}

void TestHistoryDb::appendStoresEveryColumn()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(
        TestHistory::append(db, {{161212001, {3, 3, 5}}, {161212002, {1, 4, 6}}, {161212003, {2, 5, 2}}}));

    QSqlQuery q = db.database().select("SELECT * FROM Lishi WHERE SQQH = 161212003");
    QVERIFY(q.next());
    const QSqlRecord r = q.record();
    QCOMPARE(r.value("QQH").toInt(), 161212004);
    QCOMPARE(r.value("L1A").toInt(), 2);
    QCOMPARE(r.value("L2B").toInt(), 1);
    QCOMPARE(r.value("L3F").toInt(), 1);
    QCOMPARE(r.value("L2AS").toInt(), 4);
    QCOMPARE(r.value("L3BS").toInt(), 1);
    QCOMPARE(r.value("L1AP").toInt(), 3);
    QCOMPARE(r.value("L3AP").toInt(), 5);
    QCOMPARE(r.value("txtHisLst").toString(), QStringLiteral("146"));
    QCOMPARE(r.value("txtHisLstHm").toString(), QStringLiteral("1X1 1X4 1X6 "));
    QCOMPARE(r.value("txtHisLstDuan").toString(), QStringLiteral("1X1 1X2 1X3 "));
    QVERIFY(r.value("txtHisPreLst").isNull());
    QVERIFY(r.value("intTh").isNull());
    QVERIFY(r.value("strQQH").isNull());
}

void TestHistoryDb::appendAllIsAllOrNothing()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(TestHistory::append(db, TestHistory::consecutive(161212001, 3)));
    // A trigger makes the third new row fail, as a full disk would.
    QVERIFY(db.database().exec("CREATE TRIGGER refuse BEFORE INSERT ON Lishi WHEN NEW.SQQH = 161212006 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QVERIFY(!TestHistory::append(db, TestHistory::consecutive(161212004, 5)));
    QVERIFY(db.lastError().contains("refused"));
    QCOMPARE(db.snapshot()->count(), 3);
}

void TestHistoryDb::delrecEmptiesTheTable()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.delrec()); // on an empty table too
    QVERIFY(TestHistory::append(db, TestHistory::consecutive(161212001, 10)));
    QVERIFY(db.delrec());
    QVERIFY(db.snapshot()->isEmpty());
    // The table stays usable.
    QVERIFY(TestHistory::append(db, TestHistory::consecutive(161213001, 2)));
    QCOMPARE(db.snapshot()->count(), 2);
}

void TestHistoryDb::carcuSortsByCountDescending()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    for (auto [nmb, count] : {std::pair{1, 3}, {2, 9}, {3, 0}, {4, 5}})
        QVERIFY(db.database().exec("INSERT INTO Carcu (Nmb, Count) VALUES (?, ?)", {nmb, count}));
    QSqlQuery q = db.database().select("SELECT * FROM Carcu ORDER BY Count DESC");
    QList<int> order;
    while (q.next())
        order << q.value("Nmb").toInt();
    QCOMPARE(order, (QList<int>{2, 4, 1, 3}));
}

void TestHistoryDb::unwritableProgramFolder()
{
    QStandardPaths::setTestModeEnabled(true);
    TestFolder folder;
    QCOMPARE(AppPaths::programFolderFor(folder.path()), folder.path());
    // A folder the program cannot write to: the per-user data folder, made when missing.
    const QString data = AppPaths::programFolderFor(folder.filePath("missing"));
    QCOMPARE(data, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QVERIFY(QFileInfo(data).isDir());
    // Its own folder: the user's files beside the database; else in the documents folder.
    QCOMPARE(AppPaths::documentsFolderFor(folder.path()), folder.path());
    const QString documents = AppPaths::documentsFolderFor(folder.filePath("missing"));
    QCOMPARE(documents,
             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/快3跟号分析"));
    QVERIFY(QFileInfo(documents).isDir());
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(folder.path()).isWritable()) {
        QCOMPARE(AppPaths::programFolderFor(folder.path()), data);
        QCOMPARE(AppPaths::documentsFolderFor(folder.path()), documents);
    }
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Another connection's commit is reported once; the next checks are quiet until the next write.
void TestHistoryDb::outsideWriteSeenOnce()
{
    TestFolder folder;
    const QString path = folder.filePath(HistoryDb::fileName());
    HistoryDb window, script;
    QCOMPARE(window.open(path), HistoryDb::OpenStatus::Ok);
    QCOMPARE(script.open(path), HistoryDb::OpenStatus::Ok);
    QVERIFY(!window.changedElsewhere());
    QVERIFY(TestHistory::append(script, TestHistory::consecutive(161212001, 3)));
    QVERIFY(window.changedElsewhere());
    QVERIFY(!window.changedElsewhere());
    QVERIFY(!window.changedElsewhere());
    // Its own writes are no outside change.
    QVERIFY(TestHistory::append(window, TestHistory::consecutive(161212004, 1)));
    QVERIFY(!window.changedElsewhere());
    QVERIFY(TestHistory::append(script, TestHistory::consecutive(161212005, 1)));
    QVERIFY(window.changedElsewhere());
    QVERIFY(!window.changedElsewhere());
}

namespace {
// What another tool (a database browser, a script) does to the file, on a connection of its own.
bool byAnotherTool(const QString &path, const QStringList &statements)
{
    Database tool;
    if (!tool.open(path))
        return false;
    for (const QString &sql : statements)
        if (!tool.exec(sql))
            return false;
    return true;
}
} // namespace

// Another tool drops the packed copy while this program has the file open: its next write makes
// and builds the copy again instead of failing on the triggers left behind.
void TestHistoryDb::packedCopyDroppedWhileOpen()
{
    TestFolder folder;
    const QString path = folder.filePath(HistoryDb::fileName());
    HistoryDb window;
    QCOMPARE(window.open(path), HistoryDb::OpenStatus::Ok);
    QVERIFY(TestHistory::append(window, TestHistory::consecutive(161212001, 5)));
    QVERIFY(window.packIsCurrent());
    QVERIFY(byAnotherTool(path, {"DROP TABLE LishiPack"}));
    QVERIFY2(TestHistory::append(window, TestHistory::consecutive(161212006, 2)), qPrintable(window.lastError()));
    QVERIFY(window.packIsCurrent());
    QCOMPARE(window.snapshot()->count(), 7);
    // So does a write that changes no draw (a bet).
    QVERIFY(byAnotherTool(path, {"DROP TABLE LishiPack"}));
    QVERIFY(BetTable::add(window, {0, 161212008, QStringLiteral("和值"), QStringLiteral("10"), 1, std::nullopt, {}}));
    QVERIFY(window.packIsCurrent());
    // A trigger that keeps the copy honest dropped, then a row changed: the rows are read, never
    // the copy it can no longer trust.
    QVERIFY(byAnotherTool(path, {"DROP TRIGGER LishiPackOnUpdate",
                                 "UPDATE Lishi SET L1A = 6, L2A = 6, L3A = 6 WHERE SQQH = 161212003"}));
    QVERIFY(window.changedElsewhere());
    QCOMPARE(window.snapshot()->numbers(2), (Numbers{6, 6, 6}));
}

void TestHistoryDb::newestOutOfOrderDraw_data()
{
    QTest::addColumn<int>("unsorted"); // the one draw out of order, or -1
    QTest::newRow("none") << -1;
    QTest::newRow("the first") << 0;
    QTest::newRow("the last") << 4;
}

// The newest draw out of order is found from the end when asked, the first draw included.
void TestHistoryDb::newestOutOfOrderDraw()
{
    QFETCH(int, unsorted);
    std::vector<TestDraw> draws;
    for (int i = 0; i < 5; ++i)
        draws.push_back({161212001 + i, i == unsorted ? Numbers{3, 1, 2} : Numbers{1, 2, 3}});
    const HistorySnapshot history = TestHistory::snapshotOf(draws);
    QCOMPARE(history.lastOutOfOrder(), unsorted);
    QCOMPARE(history.outOfOrder(), unsorted < 0 ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestHistoryDb)
#include "tst_historydb.moc"
