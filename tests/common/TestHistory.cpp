#include "TestHistory.h"

#include "Derivation.h"
#include "HistoryDb.h"
#include "HistoryWriter.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>

namespace TestHistory {

std::vector<TestDraw> consecutive(qint32 firstIssue, int count)
{
    std::vector<TestDraw> draws;
    for (int i = 0; i < count; ++i)
        draws.push_back(
            {firstIssue + i, {qint16(1 + i % 6), qint16(1 + (i * 5 + 2) % 6), qint16(1 + (i * 7 + 4) % 6)}});
    return draws;
}

bool append(HistoryDb &db, const std::vector<TestDraw> &draws, int segmentBase)
{
    const auto snapshot = db.snapshot();
    if (!snapshot)
        return false;
    std::optional<DrawCore> previous;
    if (!snapshot->isEmpty())
        previous = snapshot->last();
    std::vector<DrawRecord> rows;
    for (const TestDraw &draw : draws) {
        const auto row =
            Derivation::makeRow(draw.issue, draw.numbers, previous ? &*previous : nullptr, segmentBase);
        if (!row)
            return false;
        rows.push_back(*row);
        previous = *row;
    }
    return db.appendAll(rows);
}

bool createIn(const QString &folder, const std::vector<TestDraw> &draws, int segmentBase)
{
    HistoryDb db;
    return db.open(QDir(folder).filePath(HistoryDb::fileName())) == HistoryDb::OpenStatus::Ok &&
           HistoryWriter::replace(db, draws, segmentBase, false);
}

HistorySnapshot snapshotOf(const std::vector<TestDraw> &draws)
{
    std::vector<DrawCore> rows;
    for (const DrawRecord &row : HistoryWriter::rowsFor(draws, 1, false))
        rows.push_back(row);
    return HistorySnapshot(rows);
}

bool chainIsIntact(HistoryDb &db, QString *why)
{
    QSqlQuery q = db.database().select("SELECT SQQH, txtHisLst, L1A, L2A, L3A, L1AS, L2AS, L3AS FROM Lishi "
                                       "ORDER BY SQQH, rowid");
    QString before;
    Numbers previous{};
    while (q.next()) {
        const QString text = q.value(1).toString();
        const Numbers stored{qint16(q.value(5).toInt()), qint16(q.value(6).toInt()),
                             qint16(q.value(7).toInt())};
        if (text != before || stored != previous) {
            *why = QStringLiteral("row %1 follows %2, not %3").arg(q.value(0).toString(), text, before);
            return false;
        }
        previous = {qint16(q.value(2).toInt()), qint16(q.value(3).toInt()), qint16(q.value(4).toInt())};
        before = Derivation::digitsText(previous);
    }
    return q.isActive();
}

QStringList rowsOf(HistoryDb &db)
{
    QStringList rows;
    QSqlQuery q = db.database().select("SELECT * FROM Lishi ORDER BY SQQH, rowid");
    while (q.next()) {
        QStringList values;
        for (int c = 0; c < q.record().count(); ++c)
            values << (q.isNull(c) ? QStringLiteral("NULL") : q.value(c).toString());
        rows << values.join('|');
    }
    return rows;
}

std::vector<TestDraw> sample()
{
    QString error;
    const auto reading = HistoryText::readFile(QStringLiteral(VK3_SAMPLE_DATA "/gx-k3-2013-05-29_07-31.txt"),
                                               0, false, &error);
    return reading ? reading->draws : std::vector<TestDraw>{};
}

} // namespace TestHistory
