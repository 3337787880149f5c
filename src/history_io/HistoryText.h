#pragma once

#include "DrawRecord.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>
#include <QDateTime>
#include <unordered_map>
#include <utility>
#include <vector>

// A draw as the history text format carries it.
struct TextDraw
{
    qint32 issue = 0;
    Numbers numbers{};

    bool operator==(const TextDraw &) const = default;
};

// The history text format: one draw a line, "161212001 135" (issue, a blank, three digits), CR LF.
namespace HistoryText {

// A line that gave no draw, and why (blank lines are counted but not noted).
struct SkippedLine
{
    int line = 0; // from 1
    QString reason;
};

struct Reading
{
    std::vector<TextDraw> draws;
    std::vector<int> lines;        // the line (from 1) of each draw
    int skipped = 0;               // lines that gave no draw (blank lines included)
    std::vector<SkippedLine> notes; // the first of the skipped lines with their reasons
    qint32 currentIssue = 0;       // the issue in force after the last line
    std::vector<std::pair<qint32, QDateTime>> times; // a line's optional tail "YYYY-MM-DD HH:MM:SS" (Beijing)
    bool tooMany = false;          // reading stopped at maxDraws

    static constexpr size_t MaxNotes = 100;
    void skip(int line, const QString &reason);
};

// Reads every line by the reading rules. A line whose first 9 characters are digits (and that is
// longer than 10 characters) carries its own issue, which becomes the current issue; its number
// field is characters 10-14, else the whole line. The field, without surrounding blanks, must
// be three digits 1..6; lines without an issue take the current one; an issue below 1 skips the
// line. A line that gives no draw so but is 1 to 10 digits, one or two blanks and three digits
// 1..6 is a draw of that issue (the issues that are not 9 digits: 79342, 91212001, 2007001).
// `trimLines` first removes blanks around each line (the rebuild reads its backup so).
// `datedDrawsPerDay` (a date-based game's draws a day; 0: none) also reads the issue forms results
// sites print ("20130801-02 1 2 3", see IssueForms) whole, or skips the line with the reason: a
// date that is no calendar date, a sequence outside 1..the draws a day.
Reading read(QByteArrayView content, qint32 currentIssue, bool trimLines = false, int datedDrawsPerDay = 0);

// The most draws a file may hold: about 70 years of the busiest game.
constexpr size_t maxDraws = 2'000'000;

// The largest history file read; a history of every K3 game since 2009 is a few MB.
constexpr qint64 maxFileBytes = 256 * 1024 * 1024;

// A regular file's whole content, up to maxFileBytes; nothing when it cannot be read, is no
// regular file (a folder, a pipe, a device) or is larger (`error` says why, in Chinese).
std::optional<QByteArray> loadFile(const QString &path, QString *error);

// The same from a file; nothing when it cannot be read (`error` says why).
std::optional<Reading> readFile(const QString &path, qint32 currentIssue, bool trimLines, QString *error);

// The first `count` skipped lines with their reasons: "第 3 行：…；第 9 行：…".
QString firstNotes(const Reading &reading, size_t count = 3);

// Puts the draws in issue order, one per issue, whatever the order of the lines: a line that
// repeats an earlier line's draw is skipped, an issue that cannot be stored is skipped with its
// reason. False when one issue stands on two lines with other numbers (`conflict` names both).
bool toIssueOrder(Reading &reading, QString *conflict);

QByteArray format(const std::vector<TextDraw> &draws);
// The same with each draw's time, where `times` has one, as the line's tail "YYYY-MM-DD HH:MM:SS"
// (Beijing time), which older readers pass over.
QByteArray format(const std::vector<TextDraw> &draws, const std::unordered_map<qint32, QDateTime> &times);
// That tail, with its leading space.
QByteArray timeTail(const QDateTime &time);

// The draws whose numbers are not in ascending order (kept as read; a preview counts them).
int outOfOrder(const std::vector<TextDraw> &draws);

// Writes the whole file or nothing: an existing file is only replaced by a complete new one.
bool writeFile(const QString &path, const QByteArray &content, QString *error);
// Why a file could not be written, in words a player understands.
QString fileError(QFileDevice::FileError error, const QString &detail);

} // namespace HistoryText
