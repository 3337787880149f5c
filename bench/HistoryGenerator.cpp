#include "HistoryGenerator.h"

#include "Derivation.h"
#include "HistoryDb.h"

#include <QDir>
#include <QFile>
#include <random>

namespace HistoryGenerator {

std::vector<GeneratedDraw> generate(int count, int drawsPerDay, quint32 seed, QDate firstDay)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> die(1, 6);
    std::vector<GeneratedDraw> draws;
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

bool writeText(const QString &path, const std::vector<GeneratedDraw> &draws)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text;
    text.reserve(qsizetype(draws.size()) * 15);
    for (const GeneratedDraw &d : draws) {
        text += QByteArray::number(d.issue) + ' ' + char('0' + d.numbers[0]) + char('0' + d.numbers[1]) +
                char('0' + d.numbers[2]) + "\r\n";
    }
    return file.write(text) == text.size();
}

bool writeDatabase(const QString &folder, const std::vector<GeneratedDraw> &draws, int segmentBase)
{
    HistoryDb db;
    if (db.open(QDir(folder).filePath(HistoryDb::fileName())) != HistoryDb::OpenStatus::Ok || !db.delrec())
        return false;
    std::vector<DrawRecord> rows;
    rows.reserve(draws.size());
    for (const GeneratedDraw &d : draws) {
        const auto row =
            Derivation::makeRow(d.issue, d.numbers, rows.empty() ? nullptr : &rows.back(), segmentBase);
        if (!row)
            return false;
        rows.push_back(*row);
    }
    return db.appendAll(rows);
}

} // namespace HistoryGenerator
