#include "Derivation.h"

#include <limits>

namespace Derivation {

Classes classify(qint16 number, int segmentBase)
{
    return {number, qint16(number > 2 ? 1 : 0), qint16(number % 2), qint16((number - 1) / 2 + segmentBase)};
}

QString occurrenceText(const std::array<qint16, PositionCount> &values)
{
    QString text;
    text.reserve(12);
    for (int p = 0; p < PositionCount; ++p) {
        int count = 1;
        for (int earlier = 0; earlier < p; ++earlier)
            count += values[earlier] == values[p] ? 1 : 0;
        text += QChar(u'0' + count);
        text += QLatin1Char('X');
        if (values[p] >= 0 && values[p] <= 9)
            text += QChar(u'0' + values[p]);
        else
            text += QString::number(values[p]);
        text += QLatin1Char(' ');
    }
    return text;
}

QString digitsText(const Numbers &numbers)
{
    QString text;
    text.reserve(3);
    for (qint16 n : numbers) {
        if (n >= 0 && n <= 9)
            text += QChar(u'0' + n);
        else
            text += QString::number(n);
    }
    return text;
}

std::array<qint16, PositionCount> kindValues(const DrawValues &values, int kind)
{
    return {values[0][kind], values[1][kind], values[2][kind]};
}

std::optional<DrawRecord> makeRow(qint32 issue, const Numbers &numbers, const DrawCore *previous,
                                  int segmentBase)
{
    if (issue == std::numeric_limits<qint32>::max())
        return std::nullopt;
    DrawRecord row;
    row.sqqh = issue;
    row.qqh = issue + 1;
    for (int p = 0; p < PositionCount; ++p)
        row.value[p] = classify(numbers[p], segmentBase);
    if (previous) {
        row.prev = previous->value;
        row.prevPrev = previous->prev;
        // Taken from the stored columns: a changed segment base leaves older rows as they were.
        row.txtHisLst = digitsText(previous->numbers());
        for (int k = 0; k < KindCount; ++k)
            row.occurrence[k] = occurrenceText(kindValues(previous->value, k));
    }
    return row;
}

} // namespace Derivation
