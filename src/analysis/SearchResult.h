#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

// The issue range of a search, both ends inclusive. A bound that is missing (its box held no
// 32-bit whole number) leaves the search without results.
struct IssueRange
{
    std::optional<qint32> from;
    std::optional<qint32> to;
};

// Which of positions 1..3 take part in a follow search.
using Positions = std::array<bool, 3>;

// One draw that followed a match.
struct ResultRow
{
    qint32 sqqh = 0;
    std::array<qint16, 3> values{};   // positions 1..3 in the display kind, as stored
    std::array<qint16, 3> followed{}; // numbers of the draw it followed (or of the draw N before);
                                      // zeros when the history holds none

    // The followed draw's digits as the result list shows them; empty when there is none.
    QByteArray followedText() const
    {
        QByteArray text;
        if (followed[0] != 0)
            for (qint16 n : followed)
                text += QByteArray::number(n);
        return text;
    }
};

// One value of the display kind and how often it was tallied.
struct TallyLine
{
    qint16 value = 0;
    qint64 count = 0;
};

struct SearchResult
{
    bool bolSq = true;
    int displayKind = 0;
    std::vector<ResultRow> rows;  // ascending SQQH
    std::vector<TallyLine> tally; // by count, highest first; equal counts by value
    qint64 total = 0;             // tallied values: the divisor of the percentages
};
