#pragma once

#include <QDate>

class HistorySnapshot;
#include <QString>
#include <optional>

// Issue numbers are YYMMDDNNN held as 32-bit integers.
namespace IssueNumbers {

// The date of the first six digits of an issue text (2000 + YY), if they form a real date.
std::optional<QDate> dateOf(const QString &issueText);

// The issue expected after `last`: the next day's 001 when `last` closed its day (its last two
// digits equal the draws per day), else last + 1. Nothing when no such issue can be formed.
std::optional<qint32> next(qint32 last, int drawsPerDay);

// Why a typed issue of a date-based game cannot be a draw: its sequence is 0 or above the day's
// draws. Empty when it can be (issues that are no 9-digit date are not judged).
QString unsoundSequence(qint32 issue, int drawsPerDay);

// The sequence the last three complete days of a date-based history ended at (days followed by
// a stored day), when all three ended at the same one; nothing otherwise.
std::optional<int> lastDaysEnd(const HistorySnapshot &history);
// "最近三天每天开奖 K 期，设置为 M 期（设置 → 每天期数）" when the history says the setting is wrong;
// empty otherwise.
QString drawsPerDayHint(const HistorySnapshot &history, int drawsPerDay);

} // namespace IssueNumbers
