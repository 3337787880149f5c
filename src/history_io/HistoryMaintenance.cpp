#include "HistoryMaintenance.h"

#include "GridModel.h"
#include "HistoryText.h"

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
    for (int i = 0; i < snapshot.count() && snapshot.issue(i) <= lastIssue; ++i)
        kept.push_back(textDraw(snapshot.at(i)));
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

std::vector<TextDraw> upToStored(const HistorySnapshot &snapshot, qint64 lastIssue, QString *refusal)
{
    const int at = snapshot.lowerBound(lastIssue);
    if (at >= snapshot.count() || snapshot.at(at).sqqh != lastIssue) {
        *refusal = QStringLiteral("第 %1 期不在历史号码中，没有删除任何一期").arg(lastIssue);
        return {};
    }
    return upTo(snapshot, lastIssue);
}

std::vector<TextDraw> allButLastGuarded(const HistorySnapshot &snapshot, qint64 count, QString *refusal)
{
    if (count > snapshot.count()) {
        *refusal = QStringLiteral("历史号码只有 %1 期，不能删除最后 %2 期").arg(snapshot.count()).arg(count);
        return {};
    }
    return allButLast(snapshot, count);
}

quint64 fingerprint(const HistorySnapshot &snapshot)
{
    quint64 hash = 14695981039346656037ull; // FNV-1a over issue and numbers
    auto mix = [&hash](quint64 value) {
        hash ^= value;
        hash *= 1099511628211ull;
    };
    for (int i = 0; i < snapshot.count(); ++i) {
        mix(quint64(quint32(snapshot.issue(i))));
        const Numbers n = snapshot.numbers(i);
        mix(quint64(n[0] * 100 + n[1] * 10 + n[2]));
    }
    mix(quint64(snapshot.count()));
    return hash;
}

QString exportFileName(const HistorySnapshot &snapshot)
{
    const QString last = snapshot.isEmpty() ? QString() : QString::number(snapshot.last().sqqh);
    return QStringLiteral("更新至%1期历史号码.txt").arg(last);
}

QByteArray gridText(GridModel &grid, const std::unordered_map<qint32, QDateTime> &times)
{
    QByteArray text;
    for (int r = 1; r < grid.rows(); ++r) {
        grid.setRow(r);
        const QString issue = grid.cellText(r, 0);
        text += issue.toUtf8() + ' ' + grid.cellText(r, 1).toUtf8() + grid.cellText(r, 2).toUtf8() +
                grid.cellText(r, 3).toUtf8();
        if (const auto time = times.find(issue.toInt()); time != times.end())
            text += HistoryText::timeTail(time->second);
        text += "\r\n";
    }
    grid.setCol(3);
    return text;
}

} // namespace HistoryMaintenance
