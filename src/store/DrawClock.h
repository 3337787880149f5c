#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>
#include <utility>
#include <vector>

// When draws are due: each game's schedule (the first draw of the day and the minutes between
// draws) and the time an issue is expected, always in Beijing time (UTC+8) whatever the
// computer's zone.
namespace DrawClock {

constexpr int beijingOffsetSeconds = 8 * 3600;
// A draw more than this many minutes past its time, and not stored, is late.
constexpr int lateMinutes = 3;

struct Schedule
{
    QTime firstDraw;      // HH:MM, Beijing time
    int intervalMinutes = 10;
    bool operator==(const Schedule &) const = default;
};

// A time in Beijing, from any zone.
QDateTime inBeijing(const QDateTime &time);
// A Beijing wall-clock date and time as a moment.
QDateTime beijing(const QDate &date, const QTime &time);

// The time `issue` is due. Dated issues (YYMMDDNNN): their date + the first draw + (sequence − 1)
// × interval. 北京快3's running numbers (`runningIssues`): the last stored draw's time
// (`lastTime`, of issue `lastIssue`) + interval per issue after it, moving to the next day's first
// draw after the day's last (`drawsPerDay`). Nothing when it cannot be worked out.
std::optional<QDateTime> expected(qint32 issue, const Schedule &schedule, int drawsPerDay, bool runningIssues,
                                  std::optional<std::pair<qint32, QDateTime>> last = std::nullopt);

// The schedule the stored times give: from the last three days that have times (seconds
// dropped), the most common gap in whole minutes between consecutive sequences of a day is the
// interval; the first draw's time is the one most of those draws fit, a draw fitting when it
// came 0 to lateMinutes after its scheduled time. `times`: dated issues and when they were drawn.
std::optional<Schedule> infer(const std::vector<std::pair<qint32, QDateTime>> &times);

// "09:10,20" as the settings keep it; nothing when it does not read.
std::optional<Schedule> fromText(const QString &text);
QString toText(const Schedule &schedule);

// How many whole minutes a draw due at `due` is late at `now`: set only when it is more than
// lateMinutes and less than a day (a day behind, the history is behind, not the source).
std::optional<qint64> minutesLate(const QDateTime &due, const QDateTime &now);

// The status bar's line about the next issue at `now`: "下一期 261209026 约 17:10 开奖（还有 12 分）"
// (whole minutes, rounded up), or, more than lateMinutes past its time,
// "261209026 期应在 17:10 开奖，已晚 8 分钟（来源可能未更新）"; nothing more than a day late (the
// history is behind, not the source).
QString nextDrawLine(qint32 issue, const QDateTime &due, const QDateTime &now);

} // namespace DrawClock
