#pragma once

#include "DrawRecord.h"

#include <QString>
#include <QStringView>
#include <optional>

// Issue numbers of the games whose issues are a date and the day's sequence, in the forms results
// sites and spreadsheets print them: 20130801-02, 20130801-002, 20130801002, 2013080102,
// 130801-002, 130801_02, 20130801 002, 2013-08-01 第002期. Each is read whole into the stored
// YYMMDDNNN, or refused with what was not understood; never a part of one as a shorter issue.
namespace IssueForms {

struct Issue
{
    qint32 issue = 0;    // YYMMDDNNN; 0 when refused
    qsizetype length = 0; // characters the issue takes
    QString refusal;     // why the issue cannot be read, when it cannot
};

// The issue that starts at the first character of `text` (a digit; full-width digits and marks
// already made ASCII). Nothing when no issue form starts there: a plain date, another number.
std::optional<Issue> readAt(QStringView text);

// Three numbers 1..6 and nothing else, separated by blanks, commas, "+", "|" or nothing, after
// any blanks, commas or a colon that part them from the issue.
std::optional<Numbers> numbersOf(QStringView text);

// Why a number that stands where an issue should cannot be one of a date-based game.
QString notUnderstood(QStringView digits);

} // namespace IssueForms
