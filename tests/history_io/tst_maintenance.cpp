#include "Backups.h"
#include "Derivation.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "HistoryGrid.h"
#include "HistoryMaintenance.h"
#include "HistoryWriter.h"
#include "TestDoubles.h"
#include "TestHistory.h"
#include "Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>
#include <random>

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
    void importOrderDoesNotMatter_data();
    void importOrderDoesNotMatter();
    void gapFillRechains_data();
    void gapFillRechains();
    void storedIssueIsRefused();
    void backupsKeepTheNewest();
    void replaceIsAllOrNothing();
    void deleteLastRow();
    void compactKeepsHistory();
    void failedCompactionKeepsHistory();
    void exportText();
    void packedCopyFollowsEveryWriter_data();
    void packedCopyFollowsEveryWriter();
    void changesBehindTheProgramAreSeen();
    void olderDatabaseGetsItsCopy();
    void damagedCopyIsNeverBelieved_data();
    void damagedCopyIsNeverBelieved();
    void olderDrawsMergedKeepChunksSmall();
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
    // A long history is stored a few thousand rows at a time: the rows across a boundary
    // carry the same texts.
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    const Draws many = TestHistory::consecutive(170101001, 9000);
    QVERIFY(HistoryWriter::replace(db, many, 1, true));
    QSqlQuery q = db.database().select("SELECT txtHisLst, txtHisPreLst, L1AP FROM Lishi ORDER BY SQQH LIMIT 3 OFFSET 8191");
    for (int r = 8191; r < 8194; ++r) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), Derivation::digitsText(many[size_t(r - 1)].numbers));
        QCOMPARE(q.value(1).toString(), Derivation::digitsText(many[size_t(r - 2)].numbers));
        QCOMPARE(q.value(2).toInt(), many[size_t(r - 2)].numbers[0]);
    }
    // Without them (the import) the group stays unset.
    QVERIFY(!HistoryWriter::rowsFor({{161212001, {1, 4, 6}}}, 1, false)[0].earlier);
}

namespace {
// A history of `count` random draws over several days of 78 (so that the day boundary is in it).
Draws randomDraws(unsigned seed, int count)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> die(1, 6);
    Draws draws;
    for (int i = 0; i < count; ++i)
        draws.push_back({qint32(130529000 + (i / 78) * 1000 + i % 78 + 1),
                         {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
    return draws;
}

// Imports `draws` in the given order into a new history and gives its rows.
QStringList importedRows(const Draws &draws, bool rebuildTexts = false)
{
    TestFolder folder;
    HistoryDb db;
    if (db.open(folder.filePath(HistoryDb::fileName())) != HistoryDb::OpenStatus::Ok)
        return {};
    if (rebuildTexts) {
        if (!HistoryWriter::replace(db, draws, 1, true))
            return {};
    } else if (!HistoryWriter::import(db, HistoryText::format(draws), 0, 1, nullptr)) {
        return {};
    }
    return TestHistory::rowsOf(db);
}
} // namespace

void TestMaintenance::importOrderDoesNotMatter_data()
{
    QTest::addColumn<Draws>("draws");
    const Draws sample = TestHistory::sample();
    QTest::newRow("the sample's first 500 lines") << Draws(sample.begin(), sample.begin() + 500);
    for (unsigned seed : {1u, 2u, 3u})
        QTest::addRow("random %u", seed) << randomDraws(seed, 60 + int(seed) * 97);
}

// A file and the same file reversed or shuffled give the same rows (searches and backtests are
// functions of the rows).
void TestMaintenance::importOrderDoesNotMatter()
{
    QFETCH(Draws, draws);
    const QStringList ascending = importedRows(draws);
    QCOMPARE(ascending.size(), qsizetype(draws.size()));
    Draws reversed(draws.rbegin(), draws.rend());
    QCOMPARE(importedRows(reversed), ascending);
    Draws shuffled = draws;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    QCOMPARE(importedRows(shuffled), ascending);
    // The rebuild's rows (with the texts of the draw two back) do not depend on the order either.
    QCOMPARE(importedRows(shuffled, true), importedRows(draws, true));
}

void TestMaintenance::gapFillRechains_data()
{
    QTest::addColumn<int>("removed"); // index of the draw left out, then added back
    QTest::addColumn<bool>("byUpdate"); // stored as an update stores the draws of a page
    for (bool byUpdate : {false, true}) {
        const char *how = byUpdate ? "update" : "add";
        QTest::addRow("%s: the first", how) << 0 << byUpdate;
        QTest::addRow("%s: the second", how) << 1 << byUpdate;
        QTest::addRow("%s: one in the middle", how) << 100 << byUpdate;
        QTest::addRow("%s: the last but one", how) << 198 << byUpdate;
        QTest::addRow("%s: the last", how) << 199 << byUpdate;
    }
}

void TestMaintenance::gapFillRechains()
{
    QFETCH(int, removed);
    QFETCH(bool, byUpdate);
    const Draws draws = randomDraws(11, 200);
    const QStringList whole = importedRows(draws);
    Draws gap = draws;
    gap.erase(gap.begin() + removed);
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(HistoryWriter::import(db, HistoryText::format(gap), 0, 1, nullptr));
    const TextDraw missing = draws[size_t(removed)];
    if (byUpdate) {
        // A page lists the stored draws around it too; only the missing one is stored.
        const Draws page(draws.begin() + std::max(0, removed - 3), draws.begin() + std::min(200, removed + 3));
        QCOMPARE(HistoryWriter::storeMissing(db, page, 1), std::optional<int>(1));
    } else {
        const auto row = HistoryWriter::addDraw(db, missing.issue, missing.numbers, 1, 78, 0);
        QVERIFY2(row, qPrintable(db.userError()));
        QCOMPARE(row->sqqh, missing.issue);
    }
    QCOMPARE(TestHistory::rowsOf(db), whole);
    QString why;
    QVERIFY2(TestHistory::chainIsIntact(db, &why), qPrintable(why));
    QCOMPARE(size_t(db.snapshot()->count()), draws.size());
}

// Every writer refuses an issue that is already stored, and the history stays as it was.
void TestMaintenance::storedIssueIsRefused()
{
    TestFolder folder;
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    const Draws draws = randomDraws(5, 30);
    QVERIFY(HistoryWriter::import(db, HistoryText::format(draws), 0, 1, nullptr));
    const QStringList before = TestHistory::rowsOf(db);
    QVERIFY(!HistoryWriter::addDraw(db, draws[10].issue, {6, 6, 6}, 1, 78, 0));
    QVERIFY(db.userError().contains(QString::number(draws[10].issue)));
    QCOMPARE(HistoryWriter::storeMissing(db, {draws[3], {draws[4].issue, {1, 1, 1}}}, 1), std::optional<int>(0));
    QCOMPARE(TestHistory::rowsOf(db), before);
    // A file listing one issue with two draws replaces nothing.
    QByteArray twice = HistoryText::format(TestHistory::consecutive(170101001, 5));
    twice += "170101003 666\r\n";
    QString error;
    QVERIFY(!HistoryWriter::import(db, twice, 0, 1, &error));
    QVERIFY(error.contains(QStringLiteral("170101003")));
    QCOMPARE(TestHistory::rowsOf(db), before);
    // Lines with blanks after them are the same draws.
    QVERIFY2(HistoryWriter::import(db, "170101001 135 \r\n170101002 246\t\r\n", 0, 1, &error), qPrintable(error));
    QCOMPARE(db.snapshot()->count(), 2);
    QCOMPARE(db.snapshot()->last().sqqh, 170101002);
}

// The newest backups stay, newest first; the oldest beyond the limit go.
void TestMaintenance::backupsKeepTheNewest()
{
    TestFolder folder;
    for (int i = 0; i < Backups::kept + 2; ++i) {
        const auto written = Backups::write(folder.path(), QStringLiteral("删除最后1期"),
                                            TestHistory::consecutive(161212001, i + 1), std::nullopt, nullptr);
        QVERIFY(written);
        // Writing prunes nothing: that waits for the change to commit.
        QCOMPARE(int(Backups::list(folder.path()).size()), std::min(i + 1, Backups::kept + 1));
        Backups::prune(folder.path(), *written);
    }
    const std::vector<Backups::Entry> list = Backups::list(folder.path());
    QCOMPARE(int(list.size()), Backups::kept);
    QCOMPARE(list.front().draws, Backups::kept + 2);
    QCOMPARE(list.back().draws, 3);
    QCOMPARE(list.front().last, 161212001 + Backups::kept + 1);
    QCOMPARE(Backups::find(folder.path(), "1")->name, list.front().name);
    QVERIFY(!Backups::find(folder.path(), QString::number(Backups::kept + 1)));
    // A list a user chooses from names the reason in words.
    QVERIFY2(Backups::describe(list.front()).contains(QStringLiteral("  删除最后1期之前  %1 期  161212001 – ").arg(Backups::kept + 2)),
             qPrintable(Backups::describe(list.front())));
    const std::pair<const char *, const char *> words[] = {
        {"读入", "读入文本之前"}, {"撤销前", "撤销上次删除之前"}, {"恢复前", "恢复备份之前"}, {"清空", "清空之前"}};
    for (const auto &[reason, text] : words)
        QCOMPARE(Backups::reasonText(QString::fromUtf8(reason)), QString::fromUtf8(text));
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

namespace {

// The packed copy is current and gives exactly what the rows give, row for row.
void verifyPackIsTheRows(HistoryDb &db)
{
    QVERIFY(db.packIsCurrent());
    const std::optional<HistorySnapshot> packed = db.snapshot();
    const std::optional<HistorySnapshot> rows = db.snapshotFromRows();
    QVERIFY(packed && rows);
    QCOMPARE(packed->count(), rows->count());
    for (int i = 0; i < rows->count(); ++i) {
        const DrawCore &a = packed->at(i), &b = rows->at(i);
        QVERIFY2(a.sqqh == b.sqqh && a.qqh == b.qqh && a.value == b.value && a.prev == b.prev,
                 qPrintable(QStringLiteral("row %1: %2 / %3").arg(i).arg(a.sqqh).arg(b.sqqh)));
        QCOMPARE(packed->hasPrevious(i), rows->hasPrevious(i));
    }
    // Another program opening the file reads the same from the copy.
    HistoryDb other;
    QCOMPARE(other.open(db.database().path()), HistoryDb::OpenStatus::Ok);
    QVERIFY(other.packIsCurrent());
    const std::optional<HistorySnapshot> seen = other.snapshot();
    QCOMPARE(seen->count(), rows->count());
    for (int i = 0; i < rows->count(); i += 97)
        QVERIFY(seen->at(i).sqqh == rows->at(i).sqqh && seen->at(i).prev == rows->at(i).prev);
}

using Writer = std::function<bool(HistoryDb &, const QString &folder)>;

} // namespace

Q_DECLARE_METATYPE(Writer)

// Every kind of write keeps the packed copy equal to the rows, in the same transaction.
void TestMaintenance::packedCopyFollowsEveryWriter_data()
{
    QTest::addColumn<Writer>("writer");
    const auto text = [](const std::vector<TestDraw> &draws) { return HistoryText::format(draws); };
    QTest::newRow("typed draw") << Writer([](HistoryDb &db, const QString &) {
        return HistoryWriter::addDraw(db, std::nullopt, {1, 2, 3}, 1, 78, 0).has_value();
    });
    QTest::newRow("gap fill near the start") << Writer([](HistoryDb &db, const QString &) {
        return HistoryWriter::addDraw(db, 161212011, {6, 6, 6}, 1, 78, 0).has_value();
    });
    QTest::newRow("gap fill in the last chunk") << Writer([](HistoryDb &db, const QString &) {
        return HistoryWriter::addDraw(db, 161212000 + 9001, {4, 5, 6}, 1, 78, 0).has_value();
    });
    QTest::newRow("merge: gaps and new draws") << Writer([](HistoryDb &db, const QString &) {
        const std::vector<TextDraw> draws{{161212011, {1, 1, 2}}, {161212000 + 9001, {2, 2, 3}}, {161212000 + 10001, {3, 4, 5}}};
        const auto merged = HistoryWriter::merge(db, draws, 1, false);
        return merged && merged->added == 3;
    });
    QTest::newRow("import") << Writer([text](HistoryDb &db, const QString &) {
        return HistoryWriter::import(db, text(TestHistory::consecutive(170101001, 9000)), 0, 1, nullptr).has_value();
    });
    QTest::newRow("replace") << Writer([](HistoryDb &db, const QString &) {
        return HistoryWriter::replace(db, TestHistory::consecutive(170101001, 5000), 1, false);
    });
    QTest::newRow("rebuild: keep up to") << Writer([](HistoryDb &db, const QString &folder) {
        return HistoryWriter::rebuild(db, folder + "/lsbf.txt",
                                      [](const HistorySnapshot &stored, QString *refusal) {
                                          return HistoryMaintenance::upToStored(stored, 161212000 + 5000, refusal);
                                      },
                                      0, 1, nullptr)
            .has_value();
    });
    QTest::newRow("delete last") << Writer([](HistoryDb &db, const QString &) { return HistoryWriter::deleteLast(db, nullptr); });
    QTest::newRow("clear") << Writer([](HistoryDb &db, const QString &) { return HistoryWriter::clear(db, nullptr); });
    QTest::newRow("restore") << Writer([](HistoryDb &db, const QString &folder) {
        const auto entry = Backups::write(folder, QStringLiteral("清空"), TestHistory::consecutive(170101001, 300), 0, nullptr);
        return entry && HistoryWriter::restore(db, *entry, 1, nullptr, nullptr) == 300;
    });
    QTest::newRow("compaction") << Writer([](HistoryDb &db, const QString &) { return db.compact(); });
}

void TestMaintenance::packedCopyFollowsEveryWriter()
{
    QFETCH(Writer, writer);
    TestFolder folder;
    // Two gaps, one in the first chunk and one in the last; 9,998 draws, three chunks.
    std::vector<TestDraw> draws = TestHistory::consecutive(161212001, 10000);
    draws.erase(draws.begin() + 9000);
    draws.erase(draws.begin() + 10);
    QVERIFY(TestHistory::createIn(folder.path(), draws));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    verifyPackIsTheRows(db);
    QVERIFY2(writer(db, folder.path()), qPrintable(db.userError()));
    verifyPackIsTheRows(db);
    // A second write of the same kind, on the copy the first one left.
    QVERIFY(HistoryWriter::addDraw(db, std::nullopt, {2, 5, 6}, 1, 78, 161212001).has_value());
    verifyPackIsTheRows(db);
}

// A row deleted or changed with plain SQL by another program is never shown from the copy.
void TestMaintenance::changesBehindTheProgramAreSeen()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 6000)));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(db.packIsCurrent());
    {
        Database tool; // as the sqlite3 tool would
        QVERIFY(tool.open(folder.filePath(HistoryDb::fileName())));
        QVERIFY(tool.exec("DELETE FROM Lishi WHERE SQQH = 161212040"));
        QVERIFY(tool.exec("UPDATE Lishi SET L1A = 6, L2A = 6, L3A = 6 WHERE SQQH = 161212050"));
    }
    QVERIFY(!db.packIsCurrent());
    const std::optional<HistorySnapshot> seen = db.snapshot();
    QVERIFY(seen);
    QCOMPARE(seen->count(), 5999);
    QCOMPARE(seen->at(seen->lowerBound(161212050)).numbers(), (Numbers{6, 6, 6}));
    QVERIFY(seen->at(seen->lowerBound(161212040)).sqqh != 161212040);
    // Read from the rows, then built again: current and equal to them.
    verifyPackIsTheRows(db);
    // A read-only connection never builds it, and reads the rows while it is stale.
    {
        Database tool;
        QVERIFY(tool.open(folder.filePath(HistoryDb::fileName())));
        QVERIFY(tool.exec("DELETE FROM Lishi WHERE SQQH = 161212060"));
    }
    QFile::setPermissions(folder.filePath(HistoryDb::fileName()), QFileDevice::ReadOwner);
    HistoryDb reader;
    QCOMPARE(reader.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    if (reader.isReadOnly()) {
        QCOMPARE(reader.snapshot()->count(), 5998);
        QVERIFY(!reader.packIsCurrent());
    }
    QFile::setPermissions(folder.filePath(HistoryDb::fileName()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// A file the previous release wrote (no copy, no triggers) opens, gets them and is read right.
void TestMaintenance::olderDatabaseGetsItsCopy()
{
    TestFolder folder;
    QVERIFY(TestHistory::createIn(folder.path(), TestHistory::consecutive(161212001, 5000)));
    {
        Database tool;
        QVERIFY(tool.open(folder.filePath(HistoryDb::fileName())));
        for (const char *sql : {"DROP TRIGGER LishiPackOnInsert", "DROP TRIGGER LishiPackOnUpdate",
                                "DROP TRIGGER LishiPackOnDelete", "DROP TABLE LishiPack",
                                "UPDATE Lishi SET L1A = 5 WHERE SQQH = 161212100"})
            QVERIFY2(tool.exec(sql), sql);
    }
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    QVERIFY(!db.packIsCurrent());
    const std::optional<HistorySnapshot> first = db.snapshot();
    QCOMPARE(first->at(99).numbers()[0], qint16(5));
    verifyPackIsTheRows(db);
}

void TestMaintenance::damagedCopyIsNeverBelieved_data()
{
    QTest::addColumn<QStringList>("damage");
    // The real history: 4,778 draws, five chunks; record 5 of chunk 2 starts at byte 100.
    QTest::newRow("a chunk deleted") << QStringList{"DELETE FROM LishiPack WHERE Id = 3"};
    QTest::newRow("a chunk deleted, the count made to fit")
        << QStringList{"UPDATE LishiPack SET Lo = Lo - (SELECT N FROM LishiPack WHERE Id = 3) WHERE Id = 0",
                       "DELETE FROM LishiPack WHERE Id = 3"};
    QTest::newRow("a number byte of the last chunk") << QStringList{
        "UPDATE LishiPack SET Data = CAST(substr(Data, 1, 108) || X'7f' || substr(Data, 110) AS BLOB) WHERE Id = 5"};
    QTest::newRow("an issue byte") << QStringList{
        "UPDATE LishiPack SET Data = CAST(substr(Data, 1, 100) || X'01' || substr(Data, 102) AS BLOB) WHERE Id = 2"};
    QTest::newRow("a chunk one draw shorter")
        << QStringList{"UPDATE LishiPack SET Data = substr(Data, 1, length(Data) - 20), N = N - 1 WHERE Id = 2"};
    QTest::newRow("the state row deleted") << QStringList{"DELETE FROM LishiPack WHERE Id = 0"};
    QTest::newRow("the state row's count") << QStringList{"UPDATE LishiPack SET Lo = Lo + 1 WHERE Id = 0"};
    QTest::newRow("a checksum") << QStringList{"UPDATE LishiPack SET Crc = Crc + 1 WHERE Id = 4"};
    QTest::newRow("an older version's chunk") << QStringList{"UPDATE LishiPack SET Crc = NULL WHERE Id = 5"};
    QTest::newRow("chunks out of order") << QStringList{"UPDATE LishiPack SET Id = 9 WHERE Id = 2"};
    QTest::newRow("a chunk's range") << QStringList{"UPDATE LishiPack SET Lo = Lo - 5 WHERE Id = 3"};
}

// A packed copy damaged behind the program's back is never read, nor written into the rows or a
// backup: reads give the rows, every writer stores and backs up the rows, the copy is rebuilt.
void TestMaintenance::damagedCopyIsNeverBelieved()
{
    QFETCH(QStringList, damage);
    const Draws truth = TestHistory::sample();
    const qint32 keptTo = truth[4000].issue;
    using Backup = HistoryWriter::Backup;
    using Check = std::function<std::optional<Draws>(HistoryDb &, Backup &)>; // the rows it leaves
    const auto drawsOf = [](const HistorySnapshot &stored) {
        Draws draws;
        for (int i = 0; i < stored.count(); ++i)
            draws.push_back({stored.issue(i), stored.numbers(i)});
        return draws;
    };
    const std::vector<std::pair<QString, Check>> uses{
        {"read", [&](HistoryDb &db, Backup &) -> std::optional<Draws> {
             const std::optional<HistorySnapshot> seen = db.snapshot();
             return seen ? std::optional(drawsOf(*seen)) : std::nullopt;
         }},
        {"add", [&](HistoryDb &db, Backup &) -> std::optional<Draws> {
             const std::optional<DrawRecord> added = HistoryWriter::addDraw(db, std::nullopt, {2, 5, 6}, 1, 78, 0);
             if (!added)
                 return std::nullopt;
             Draws after = truth;
             after.push_back({added->sqqh, {2, 5, 6}});
             return after;
         }},
        {"delete last", [&](HistoryDb &db, Backup &backup) -> std::optional<Draws> {
             if (!HistoryWriter::deleteLast(db, &backup))
                 return std::nullopt;
             return Draws(truth.begin(), truth.end() - 1);
         }},
        {"keep up to", [&](HistoryDb &db, Backup &backup) -> std::optional<Draws> {
             const auto kept = HistoryWriter::rebuild(db, backup.folder + "/lsbf.txt",
                 [&](const HistorySnapshot &stored, QString *refusal) {
                     return HistoryMaintenance::upToStored(stored, keptTo, refusal);
                 }, 0, 1, nullptr, &backup);
             return kept ? std::optional(kept->draws) : std::nullopt;
         }},
        {"import", [&](HistoryDb &db, Backup &backup) -> std::optional<Draws> {
             const Draws other = TestHistory::consecutive(170101001, 50);
             if (!HistoryWriter::import(db, HistoryText::format(other), 0, 1, nullptr, &backup))
                 return std::nullopt;
             return other;
         }},
        {"restore", [&](HistoryDb &db, Backup &backup) -> std::optional<Draws> {
             const Draws other = TestHistory::consecutive(170101001, 40);
             const auto entry = Backups::write(backup.folder + "/other", QStringLiteral("清空"), other, 0, nullptr);
             if (!entry || !HistoryWriter::restore(db, *entry, 1, &backup, nullptr))
                 return std::nullopt;
             return other;
         }},
    };
    for (const auto &[name, use] : uses) {
        TestFolder folder;
        QVERIFY(TestHistory::createIn(folder.path(), truth));
        HistoryDb db;
        QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
        QVERIFY(db.packIsCurrent());
        {
            Database tool; // as the sqlite3 tool would
            QVERIFY(tool.open(folder.filePath(HistoryDb::fileName())));
            for (const QString &sql : damage)
                QVERIFY2(tool.exec(sql), qPrintable(sql));
        }
        QVERIFY2(!db.packIsCurrent(), qPrintable(name));
        Backup backup{folder.path(), QStringLiteral("删除"), {}};
        const std::optional<Draws> expected = use(db, backup);
        QVERIFY2(expected, qPrintable(name + ": " + db.userError()));
        QVERIFY2(drawsOf(*db.snapshotFromRows()) == *expected, qPrintable(name));
        // Every writer that removes draws backs up the true rows.
        QCOMPARE(backup.written.has_value(), name != "read" && name != "add");
        if (backup.written) {
            const auto saved = HistoryText::readFile(backup.written->path, 0, true, nullptr);
            QVERIFY2(saved && saved->draws == truth, qPrintable(name));
        }
        // The next read (or the write itself) has rebuilt the copy.
        QVERIFY(db.snapshot());
        verifyPackIsTheRows(db);
    }
}

// Older draws merged in front of a history: no chunk holds more than twice a chunk's draws.
void TestMaintenance::olderDrawsMergedKeepChunksSmall()
{
    TestFolder folder;
    const Draws all = TestHistory::consecutive(161212001, 12000);
    QVERIFY(TestHistory::createIn(folder.path(), Draws(all.end() - 2000, all.end())));
    HistoryDb db;
    QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    const auto merged = HistoryWriter::merge(db, Draws(all.begin(), all.end() - 2000), 1, false);
    QVERIFY(merged && merged->added == 10000);
    QSqlQuery largest(db.database().connection());
    QVERIFY(largest.exec("SELECT max(N), count(*) FROM LishiPack WHERE Id > 0") && largest.next());
    QVERIFY2(largest.value(0).toInt() <= 2 * 1024, qPrintable(largest.value(0).toString()));
    QCOMPARE(largest.value(1).toInt(), 12); // cut again: 1,024 a chunk
    largest.finish();
    verifyPackIsTheRows(db);
    // Two rows of one issue (a script wrote them) where a chunk ends stay in one chunk.
    {
        Database tool;
        QVERIFY(tool.open(folder.filePath(HistoryDb::fileName())));
        QVERIFY(tool.exec(QStringLiteral("INSERT INTO Lishi SELECT * FROM Lishi WHERE SQQH = %1").arg(all[1023].issue)));
    }
    QCOMPARE(db.snapshot()->count(), 12001);
    QVERIFY(db.packIsCurrent());
}

#include "tst_maintenance.moc"
