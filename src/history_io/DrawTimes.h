#pragma once

#include "DrawClock.h"

#include <QDateTime>
#include <QStringView>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

class HistoryDb;

// When each draw was drawn, as results pages and CSV files print it beside the issue, kept with
// the history (table Kaijiang of the game's file; the draws' own rows are unchanged, and a file
// of an older release simply has no times). Always Beijing time.
namespace DrawTimes {

using Timed = std::pair<qint32, QDateTime>;

// The time printed on a draw's line ("2026-12-08 09:10:00", "2026/12/08 09:10", or "09:10:40"
// alone, on a page of one day, with the date of the dated issue `issue`), read as Beijing time.
std::optional<QDateTime> onLine(QStringView line, qint32 issue);

// Keeps the times (a later reading of an issue's time replaces the earlier), in one transaction.
bool store(HistoryDb &db, const std::vector<Timed> &times);
// The same inside a write already running (the draws' own).
bool put(HistoryDb &db, const std::vector<Timed> &times);
// Inside a write that removes draws: the times of the issues no longer stored go with them (a
// draw typed again for such an issue has none). Only `issue`'s when given, else every time.
bool forget(HistoryDb &db, std::optional<qint32> issue = std::nullopt);
// Every stored time.
std::unordered_map<qint32, QDateTime> all(HistoryDb &db);
// The stored times of the last `days` days (by the issues' dates) that have any, oldest first.
std::vector<Timed> recent(HistoryDb &db, int days = 3);
// The stored time of one draw.
std::optional<QDateTime> of(HistoryDb &db, qint32 issue);
// When `issue`, awaited after the stored `lastStored`, is due by `schedule`: a dated issue by its
// date; 北京快3's running numbers (`running`) counted from the stored time of `lastStored`.
std::optional<QDateTime> expected(HistoryDb &db, qint32 issue, qint32 lastStored, const DrawClock::Schedule &schedule,
                                  int drawsPerDay, bool running);

} // namespace DrawTimes
