#include "DrawClock.h"

#include <QTimeZone>
#include <algorithm>
#include <map>

namespace DrawClock {

QDateTime inBeijing(const QDateTime &time)
{
    return time.toOffsetFromUtc(beijingOffsetSeconds);
}

QDateTime beijing(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::OffsetFromUTC, beijingOffsetSeconds);
}

namespace {

std::optional<QDate> dateOf(qint32 issue)
{
    const int day = issue / 1000;
    const QDate date(2000 + day / 10000, day / 100 % 100, day % 100);
    return issue >= 100'000'000 && date.isValid() ? std::optional(date) : std::nullopt;
}

} // namespace

std::optional<QDateTime> expected(qint32 issue, const Schedule &schedule, int drawsPerDay, bool runningIssues,
                                  std::optional<std::pair<qint32, QDateTime>> last)
{
    if (!schedule.firstDraw.isValid() || schedule.intervalMinutes < 1 || drawsPerDay < 1)
        return std::nullopt;
    const qint64 step = qint64(schedule.intervalMinutes) * 60;
    if (!runningIssues) {
        const std::optional<QDate> date = dateOf(issue);
        const int sequence = issue % 1000;
        if (!date || sequence < 1)
            return std::nullopt;
        return beijing(*date, schedule.firstDraw).addSecs(step * (sequence - 1));
    }
    if (!last || issue <= last->first || issue - last->first > 10'000)
        return std::nullopt;
    // From the last stored draw, one interval an issue; after the day's last draw, the next day's
    // first.
    QDateTime at = inBeijing(last->second);
    at = beijing(at.date(), QTime(at.time().hour(), at.time().minute()));
    for (qint32 n = last->first; n < issue; ++n) {
        const QDateTime dayLast = beijing(at.date(), schedule.firstDraw).addSecs(step * (drawsPerDay - 1));
        at = at.addSecs(step) > dayLast.addSecs(step / 2) ? beijing(at.date().addDays(1), schedule.firstDraw)
                                                           : at.addSecs(step);
    }
    return at;
}

std::optional<Schedule> infer(const std::vector<std::pair<qint32, QDateTime>> &times)
{
    // Each dated draw's Beijing wall-clock minute, by day and sequence.
    std::map<QDate, std::map<int, QTime>> days;
    for (const auto &[issue, time] : times) {
        const std::optional<QDate> date = dateOf(issue);
        if (!date || !time.isValid())
            continue;
        const QTime wall = inBeijing(time).time();
        days[*date][issue % 1000] = QTime(wall.hour(), wall.minute());
    }
    while (days.size() > 3)
        days.erase(days.begin());
    std::map<int, int> gaps;
    for (const auto &[date, draws] : days)
        for (auto it = draws.begin(); std::next(it) != draws.end(); ++it)
            if (std::next(it)->first == it->first + 1)
                ++gaps[it->second.secsTo(std::next(it)->second) / 60];
    // The most common gap; of equally common ones the shorter.
    int interval = 0, seen = 0;
    for (const auto &[gap, count] : gaps)
        if (gap > 0 && count > seen) {
            interval = gap;
            seen = count;
        }
    if (interval == 0)
        return std::nullopt;
    // Every time a draw would put the first draw at (0 to lateMinutes before its own time less its
    // sequence's intervals); the one most draws fit wins, of equal ones the latest.
    std::map<int, int> fits; // minutes of the day → draws that fit
    for (const auto &[date, draws] : days)
        for (const auto &[sequence, time] : draws)
            for (int late = 0; late <= lateMinutes; ++late) {
                const int minute = (time.hour() * 60 + time.minute() - (sequence - 1) * interval - late) % 1440;
                ++fits[(minute + 1440) % 1440];
            }
    int first = -1, best = 0;
    for (const auto &[minute, count] : fits)
        if (count >= best) {
            first = minute;
            best = count;
        }
    return Schedule{QTime(first / 60, first % 60), interval};
}

std::optional<Schedule> fromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    const QTime first = QTime::fromString(parts[0].trimmed(), QStringLiteral("HH:mm"));
    bool ok = false;
    const int interval = parts[1].trimmed().toInt(&ok);
    if (!first.isValid() || !ok || interval < 1 || interval > 120)
        return std::nullopt;
    return Schedule{first, interval};
}

QString toText(const Schedule &schedule)
{
    return QStringLiteral("%1,%2").arg(schedule.firstDraw.toString(QStringLiteral("HH:mm"))).arg(schedule.intervalMinutes);
}

std::optional<qint64> minutesLate(const QDateTime &due, const QDateTime &now)
{
    const qint64 seconds = due.secsTo(now);
    if (seconds > lateMinutes * 60 && seconds <= 24 * 3600)
        return seconds / 60;
    return std::nullopt;
}

QString nextDrawLine(qint32 issue, const QDateTime &due, const QDateTime &now)
{
    const qint64 seconds = now.secsTo(due);
    const QString at = inBeijing(due).toString(QStringLiteral("HH:mm"));
    if (const std::optional<qint64> late = minutesLate(due, now))
        return QStringLiteral("%1 期应在 %2 开奖，已晚 %3 分钟（来源可能未更新）").arg(issue).arg(at).arg(*late);
    // A day behind, the history is simply not up to date: no clock to speak of.
    if (seconds < -lateMinutes * 60)
        return {};
    return QStringLiteral("下一期 %1 约 %2 开奖（还有 %3 分）").arg(issue).arg(at).arg(std::max<qint64>(0, (seconds + 59) / 60));
}

} // namespace DrawClock
