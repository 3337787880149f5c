#pragma once

#include "DrawRecord.h"

#include <QDate>
#include <QString>
#include <vector>

struct GeneratedDraw
{
    qint32 issue;
    Numbers numbers;
};

// Realistic histories for benchmarks: consecutive days, every draw of each day, fair dice.
namespace HistoryGenerator {

std::vector<GeneratedDraw> generate(int count, int drawsPerDay, quint32 seed = 20161212,
                                    QDate firstDay = QDate(2016, 1, 1));

// The history text format: issue, one blank, three digits, CR LF.
bool writeText(const QString &path, const std::vector<GeneratedDraw> &draws);

// vendrixK3.db in `folder`, replaced by the given draws (rows made by the shared derivation).
bool writeDatabase(const QString &folder, const std::vector<GeneratedDraw> &draws, int segmentBase = 1);

} // namespace HistoryGenerator
