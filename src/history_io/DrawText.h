#pragma once

#include "DrawTimes.h"
#include "HistoryText.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

// Draws read from whatever a player has at hand: a copied results table, a saved results page, a
// CSV file or a history text file. A draw is an issue followed, on the same line or table row, by
// three numbers 1..6; dates, times, week days, labels, sums and form words around them are passed
// over. A row that could be read in more than one way is skipped with its reason, never guessed.
namespace DrawText {

struct Found
{
    int line = 0; // from 1, in the text as read (a page's visible text: one table row a line)
    TextDraw draw;
    std::optional<QDateTime> time; // when it was drawn, printed on its line (Beijing time)
};

struct Skipped
{
    int line = 0;
    QString text; // the line, shortened
    QString reason;
};

struct Reading
{
    std::vector<Found> draws; // in the order of the text, one per issue
    std::vector<Skipped> skipped; // the first MaxSkipped of them
    int skippedCount = 0;         // all of them

    static constexpr size_t MaxSkipped = 1000;
};

// How a game numbers its draws: a date and the day's sequence (read in every common form, see
// IssueForms), or running numbers (北京快3) taken as they stand.
enum class IssueStyle { Dated, Running };

// Text, HTML (by its tags) or CSV, already decoded.
Reading read(const QString &text, IssueStyle style = IssueStyle::Dated);
// The same from bytes in UTF-8, a declared character set or GB18030.
Reading readBytes(const QByteArray &bytes, IssueStyle style = IssueStyle::Dated);

// Draws whose issues no draw of a game with `drawsPerDay` can have (sequence 000, or past the
// day's last draw) move to the skipped lines with their reason.
void dropUnsound(Reading &reading, int drawsPerDay);

// The times read with the draws that were stored as read (`stored`).
std::vector<DrawTimes::Timed> timesOf(const Reading &reading, const std::vector<TextDraw> &stored);

// "20130529001" (and "2013052901") as the program stores issues, "130529001"; other issues as
// they stand. Nothing for a number that can be no issue.
std::optional<qint32> issueOf(QStringView digits);

} // namespace DrawText
