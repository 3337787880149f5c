#pragma once

#include "HistoryText.h"

#include <QByteArray>

// A results page in the layout the update reads: each issue's digits directly followed by its
// three numbers, separated by commas, one draw a table row.
inline QByteArray resultsPage(const std::vector<TextDraw> &draws, bool newestFirst = false)
{
    QByteArray rows;
    for (const TextDraw &d : draws) {
        const QByteArray row =
            "<tr><td>" + QByteArray::number(d.issue) + "<b>" + QByteArray::number(d.numbers[0]) + "</b>,<b>" +
            QByteArray::number(d.numbers[1]) + "</b>,<b>" + QByteArray::number(d.numbers[2]) +
            "</b></td><td>&nbsp;和值 " + QByteArray::number(d.numbers[0] + d.numbers[1] + d.numbers[2]) +
            "</td></tr>\n";
        rows = newestFirst ? row + rows : rows + row;
    }
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>快3开奖结果</title>"
           "<script>var latest = '" +
           (draws.empty() ? QByteArray() : QByteArray::number(draws.back().issue)) +
           "';</script><style>td { color: red }</style></head><body><h1>快3开奖结果</h1>"
           "<table><tr><th>期号 开奖号码</th><th>和值</th></tr>\n" +
           rows + "</table></body></html>";
}
