#pragma once

#include <QDate>

class HistorySnapshot;
#include <QString>
#include <optional>
#include <vector>

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

// Missing issues (缺期) of a date-based history: within each stored day, the sequences from 1 to
// that day's highest stored one that are not stored. Days without any draw are not counted (some
// days have none), nor the draws before the history's first (it may begin within a day); running
// issue numbers have no days and nothing missing.
std::vector<qint32> missing(const HistorySnapshot &history);

// What to ask before a typed draw is stored under `typed` when the next issue is `next`: how many
// issues it leaves missing, or, when its date is more than a day from the next issue's, how far
// it is, before or after, and which game is selected (`gameCaption`). Empty for the next issue and
// for an earlier one of about the same date (it fills a missing issue or corrects a stored one).
QString notNextQuestion(qint32 typed, qint32 next, int drawsPerDay, const QString &gameCaption);

} // namespace IssueNumbers
