#include "HistoryMaintenance.h"

#include "GridModel.h"

namespace HistoryMaintenance {

namespace {
TextDraw textDraw(const DrawCore &row)
{
    return {row.sqqh, row.numbers()};
}
} // namespace

std::vector<TextDraw> upTo(const HistorySnapshot &snapshot, qint64 lastIssue)
{
    std::vector<TextDraw> kept;
    for (const DrawCore &row : snapshot.rows()) {
        if (row.sqqh > lastIssue)
            break;
        kept.push_back(textDraw(row));
    }
    return kept;
}

std::vector<TextDraw> allButLast(const HistorySnapshot &snapshot, qint64 count)
{
    std::vector<TextDraw> kept;
    const qint64 keep = std::max<qint64>(0, snapshot.count() - count);
    for (qint64 i = 0; i < keep; ++i)
        kept.push_back(textDraw(snapshot.at(int(i))));
    return kept;
}

QString exportFileName(const HistorySnapshot &snapshot)
{
    const QString last = snapshot.isEmpty() ? QString() : QString::number(snapshot.last().sqqh);
    return QStringLiteral("更新至%1期历史号码.txt").arg(last);
}

QByteArray gridText(GridModel &grid)
{
    QByteArray text;
    for (int r = 1; r < grid.rows(); ++r) {
        grid.setRow(r);
        text += grid.cellText(r, 0).toUtf8() + ' ' + grid.cellText(r, 1).toUtf8() +
                grid.cellText(r, 2).toUtf8() + grid.cellText(r, 3).toUtf8() + "\r\n";
    }
    grid.setCol(3);
    return text;
}

} // namespace HistoryMaintenance
