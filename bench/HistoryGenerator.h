#pragma once

#include "HistoryText.h"

#include <QDate>
#include <QString>
#include <vector>

// Realistic histories for benchmarks: consecutive days, every draw of each day, fair dice.
namespace HistoryGenerator {

std::vector<TextDraw> generate(int count, int drawsPerDay, quint32 seed = 20161212,
                               QDate firstDay = QDate(2016, 1, 1));

// vendrixK3.db in `folder`, replaced by the given draws (rows made by the shared derivation).
bool writeDatabase(const QString &folder, const std::vector<TextDraw> &draws, int segmentBase = 1);

} // namespace HistoryGenerator
