#include "TestHistory.h"

#include "Derivation.h"
#include "HistoryDb.h"
#include "HistoryWriter.h"

#include <QDir>

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

std::vector<TestDraw> sample()
{
    QString error;
    const auto reading = HistoryText::readFile(QStringLiteral(VK3_SAMPLE_DATA "/gx-k3-2013-05-29_07-31.txt"),
                                               0, false, &error);
    return reading ? reading->draws : std::vector<TestDraw>{};
}

} // namespace TestHistory
