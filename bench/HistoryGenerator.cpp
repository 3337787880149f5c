#include "HistoryGenerator.h"

#include "HistoryDb.h"
#include "HistoryWriter.h"

#include <QDir>
#include <random>

namespace HistoryGenerator {

std::vector<TextDraw> generate(int count, int drawsPerDay, quint32 seed, QDate firstDay)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<TextDraw> draws;
    draws.reserve(size_t(count));
    QDate day = firstDay;
    int sequence = 1;
    for (int i = 0; i < count; ++i) {
        const qint32 issue = day.toString(QStringLiteral("yyMMdd")).toInt() * 1000 + sequence;
        draws.push_back({issue, {qint16(die(random)), qint16(die(random)), qint16(die(random))}});
        if (++sequence > drawsPerDay) {
            sequence = 1;
            day = day.addDays(1);
        }
    }
    return draws;
}

bool writeDatabase(const QString &folder, const std::vector<TextDraw> &draws, int segmentBase)
{
    HistoryDb db;
    return db.open(QDir(folder).filePath(HistoryDb::fileName())) == HistoryDb::OpenStatus::Ok &&
           HistoryWriter::replace(db, draws, segmentBase, false);
}

} // namespace HistoryGenerator
