#pragma once

#include "HistorySnapshot.h"
#include "HistoryText.h"

#include <QString>
#include <QStringList>
#include <vector>

class HistoryDb;

using TestDraw = TextDraw;

namespace TestHistory {
// Consecutive issues from `firstIssue`, numbers cycling through a fixed pattern.
std::vector<TestDraw> consecutive(qint32 firstIssue, int count);
// Appends draws through the shared derivation, continuing from the table's last row.
bool append(HistoryDb &db, const std::vector<TestDraw> &draws, int segmentBase = 1);
// Makes vendrixK3.db in `folder` hold exactly `draws`.
bool createIn(const QString &folder, const std::vector<TestDraw> &draws, int segmentBase = 1);
// The ordered snapshot a history of exactly `draws` would give (segment base 1).
HistorySnapshot snapshotOf(const std::vector<TestDraw> &draws);
// Whether every stored row, in history order, carries the row before it as its previous draw
// (and the first row none); `why` names the first row that does not.
bool chainIsIntact(HistoryDb &db, QString *why);
// Every column of every stored row, one line a row, in history order: two histories with the
// same lines hold the same rows.
QStringList rowsOf(HistoryDb &db);
// The draws of the real sample file (issue, numbers).
std::vector<TestDraw> sample();
} // namespace TestHistory
