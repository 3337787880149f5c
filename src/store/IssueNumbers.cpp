#include "IssueNumbers.h"

#include "HistorySnapshot.h"

#include <vector>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace IssueNumbers {

std::optional<QDate> dateOf(const QString &issueText)
{
    if (issueText.size() < 6)
        return std::nullopt;
    bool okY = false, okM = false, okD = false;
    const int year = issueText.mid(0, 2).toInt(&okY);
    const int month = issueText.mid(2, 2).toInt(&okM);
    const int day = issueText.mid(4, 2).toInt(&okD);
    if (!okY || !okM || !okD || year < 0)
        return std::nullopt;
    const QDate date(2000 + year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<qint32> next(qint32 last, int drawsPerDay)
{
    const QString text = QString::number(last);
    bool ok = false;
    const int sequence = text.right(2).toInt(&ok);
    if (ok && text.size() >= 2 && sequence == drawsPerDay) {
        const std::optional<QDate> date = dateOf(text);
        if (!date)
            return std::nullopt;
        const QString nextDay = date->addDays(1).toString(QStringLiteral("yyMMdd")) + QStringLiteral("001");
        const qint32 issue = nextDay.toInt(&ok);
        return ok ? std::optional<qint32>(issue) : std::nullopt;
    }
    if (last == std::numeric_limits<qint32>::max())
        return std::nullopt;
    return last + 1;
}

} // namespace IssueNumbers

namespace IssueNumbers {

QString unsoundSequence(qint32 issue, int drawsPerDay)
{
    const QString text = QString::number(issue);
    if (text.size() != 9 || !dateOf(text))
        return {};
    const int sequence = issue % 1000;
    if (sequence >= 1 && sequence <= drawsPerDay)
        return {};
    return QStringLiteral("期号 %1 的序号 %2 不对：本彩种每天开奖 %3 期，序号应为 001 到 %4")
        .arg(issue)
        .arg(sequence, 3, 10, QLatin1Char('0'))
        .arg(drawsPerDay)
        .arg(drawsPerDay, 3, 10, QLatin1Char('0'));
}

std::optional<int> lastDaysEnd(const HistorySnapshot &history)
{
    std::vector<int> ends; // of the days before the newest, newest first
    for (int i = history.count() - 1; i > 0 && ends.size() < 3; --i) {
        const qint32 issue = history.issue(i), before = history.issue(i - 1);
        if (issue < 100'000'000 || before < 100'000'000)
            return std::nullopt; // not date-based
        if (before / 1000 != issue / 1000)
            ends.push_back(before % 1000);
    }
    if (ends.size() < 3 || ends[0] != ends[1] || ends[1] != ends[2])
        return std::nullopt;
    return ends[0];
}

QString drawsPerDayHint(const HistorySnapshot &history, int drawsPerDay)
{
    const std::optional<int> end = lastDaysEnd(history);
    if (!end || *end == drawsPerDay)
        return {};
    return QStringLiteral("最近三天每天开奖 %1 期，设置为 %2 期（设置 → 每天期数）").arg(*end).arg(drawsPerDay);
}

} // namespace IssueNumbers

namespace IssueNumbers {

std::vector<qint32> missing(const HistorySnapshot &history)
{
    std::vector<qint32> out;
    qint32 day = -1;
    int highest = 0;
    bool first = true;
    for (int i = 0; i < history.count(); ++i) {
        const qint32 issue = history.issue(i);
        if (issue < 100'000'000)
            continue; // a running number, no day
        if (issue / 1000 != day) {
            day = issue / 1000;
            // The history may begin within a day: what was drawn before it is not missing.
            highest = first ? issue % 1000 : 0;
            first = false;
        }
        for (int sequence = highest + 1; sequence < issue % 1000; ++sequence)
            out.push_back(day * 1000 + sequence);
        highest = std::max(highest, issue % 1000);
    }
    return out;
}

QString notNextQuestion(qint32 typed, qint32 next, int drawsPerDay, const QString &gameCaption)
{
    const std::optional<QDate> typedDate = dateOf(QString::number(typed)), nextDate = dateOf(QString::number(next));
    const bool dated = typed >= 100'000'000 && next >= 100'000'000 && typedDate && nextDate;
    const qint64 days = dated ? nextDate->daysTo(*typedDate) : 0;
    if (days > 1 || days < -1)
        return QStringLiteral("%1 期比下一期（%2）%3 %4 天。现在的彩种是%5。仍然录入？")
            .arg(typed)
            .arg(next)
            .arg(days > 0 ? QStringLiteral("晚") : QStringLiteral("早"))
            .arg(std::abs(days))
            .arg(gameCaption);
    if (typed <= next)
        return {};
    // Issue by issue from the next one (at most two days of them); running numbers simply subtract.
    qint64 gap = qint64(typed) - next;
    if (dated) {
        gap = 0;
        for (std::optional<qint32> at = next; at && *at < typed && gap <= 1000; at = IssueNumbers::next(*at, drawsPerDay))
            ++gap;
    }
    return QStringLiteral("%1 期不是下一期（%2），中间缺 %3 期。仍然录入？").arg(typed).arg(next).arg(gap);
}

} // namespace IssueNumbers
