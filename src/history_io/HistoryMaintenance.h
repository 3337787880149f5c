#pragma once

#include "HistorySnapshot.h"
#include "HistoryText.h"

#include <QString>

class GridModel;

// What the trimming commands keep, and the files the history commands write.
namespace HistoryMaintenance {

inline QString backupFileName()
{
    return QStringLiteral("lsbf.txt");
}

// The draws from the first up to the first one whose issue is above `lastIssue`.
std::vector<TextDraw> upTo(const HistorySnapshot &snapshot, qint64 lastIssue);
// Every draw but the last `count` ones.
std::vector<TextDraw> allButLast(const HistorySnapshot &snapshot, qint64 count);

// The trimming commands' guards: keep up to an issue that is stored; delete at most every draw.
// Nothing, with `refusal` set, otherwise.
std::vector<TextDraw> upToStored(const HistorySnapshot &snapshot, qint64 lastIssue, QString *refusal);
std::vector<TextDraw> allButLastGuarded(const HistorySnapshot &snapshot, qint64 count, QString *refusal);

// A short value that changes when any stored draw does: a command compares the history it
// showed with the one it is about to change.
quint64 fingerprint(const HistorySnapshot &snapshot);

// "更新至<last issue>期历史号码.txt".
QString exportFileName(const HistorySnapshot &snapshot);
// The history grid's rows in the history text format (column 0, a blank, columns 1-3); leaves
// the grid's current cell on its last row, column 3.
// Each draw's stored time (`times`) ends its line, as the history text format allows.
QByteArray gridText(GridModel &grid, const std::unordered_map<qint32, QDateTime> &times = {});

} // namespace HistoryMaintenance
