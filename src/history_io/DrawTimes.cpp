#include "DrawTimes.h"

#include "Database.h"
#include "DrawClock.h"
#include "HistoryDb.h"

#include <set>

namespace DrawTimes {

namespace {

// The whole number of `count` digits at `at` of `text`; -1 when they are not all digits.
int digitsAt(QStringView text, qsizetype at, int count)
{
    if (at < 0 || at + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (!text[i].isDigit() || text[i].unicode() > '9')
            return -1;
        value = value * 10 + (text[i].unicode() - '0');
    }
    return value;
}

bool digitAt(QStringView text, qsizetype at)
{
    return at >= 0 && at < text.size() && text[at].unicode() >= '0' && text[at].unicode() <= '9';
}

const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QDateTime fromStored(const QString &text)
{
    const QDateTime wall = QDateTime::fromString(text, format);
    return wall.isValid() ? DrawClock::beijing(wall.date(), wall.time()) : QDateTime();
}

} // namespace

std::optional<QDateTime> onLine(QStringView line, qint32 issue)
{
    // The first "H:MM" or "HH:MM" (":SS" optional) standing alone.
    for (qsizetype colon = line.indexOf(u':'); colon >= 0; colon = line.indexOf(u':', colon + 1)) {
        const qsizetype start = digitAt(line, colon - 2) ? colon - 2 : colon - 1;
        const int hour = digitsAt(line, start, int(colon - start));
        const int minute = digitsAt(line, colon + 1, 2);
        if (hour < 0 || minute < 0 || digitAt(line, start - 1) || digitAt(line, colon + 3))
            continue;
        int second = 0;
        qsizetype end = colon + 3;
        if (end < line.size() && line[end] == u':') {
            second = digitsAt(line, end + 1, 2);
            if (second < 0 || digitAt(line, end + 3))
                continue;
            end += 3;
        }
        const QTime time(hour, minute, second);
        if (!time.isValid())
            continue;
        // A date just before it ("2026-12-08 " or "2026/12/08T"); else the dated issue's own.
        QDate date;
        const qsizetype d = start - 11;
        if (d >= 0 && !digitAt(line, d - 1) && (line[d + 4] == u'-' || line[d + 4] == u'/') && line[d + 7] == line[d + 4] &&
            (line[start - 1] == u' ' || line[start - 1] == u'T'))
            date = QDate(digitsAt(line, d, 4), digitsAt(line, d + 5, 2), digitsAt(line, d + 8, 2));
        else if (issue >= 100'000'000)
            date = QDate(2000 + issue / 10'000'000, issue / 100'000 % 100, issue / 1000 % 100);
        if (!date.isValid())
            return std::nullopt;
        return DrawClock::beijing(date, time);
    }
    return std::nullopt;
}

bool store(HistoryDb &db, const std::vector<Timed> &times)
{
    return times.empty() || db.write([&] { return put(db, times); });
}

bool put(HistoryDb &db, const std::vector<Timed> &times)
{
    if (times.empty())
        return true;
    Database &d = db.database();
    if (!d.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Kaijiang (SQQH INTEGER PRIMARY KEY, Shijian TEXT)")))
        return false;
    FastStatement insert(d, QStringLiteral("INSERT OR REPLACE INTO Kaijiang (SQQH, Shijian) VALUES (?, ?)"));
    for (const auto &[issue, time] : times) {
        insert.bind(1, issue);
        insert.bindText(2, DrawClock::inBeijing(time).toString(format).toUtf8());
        if (!insert.execute())
            return db.refuse(insert.error());
    }
    return true;
}

bool forget(HistoryDb &db, std::optional<qint32> issue)
{
    if (!db.database().hasTable(QStringLiteral("Kaijiang")))
        return true;
    if (!issue)
        return db.database().exec(QStringLiteral("DELETE FROM Kaijiang")) || db.refuse(db.database().lastError());
    FastStatement remove(db.database(), QStringLiteral("DELETE FROM Kaijiang WHERE SQQH = ?1 AND "
                                                       "NOT EXISTS (SELECT 1 FROM Lishi WHERE SQQH = ?1)"));
    remove.bind(1, *issue);
    return remove.execute() || db.refuse(remove.error());
}

std::unordered_map<qint32, QDateTime> all(HistoryDb &db)
{
    std::unordered_map<qint32, QDateTime> out;
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Kaijiang")))
        return out;
    FastStatement q(db.database(), QStringLiteral("SELECT SQQH, Shijian FROM Kaijiang"));
    while (q.next())
        if (const QDateTime time = fromStored(QString::fromUtf8(q.utf8Value(1))); time.isValid())
            out.emplace(q.intValue(0), time);
    return out;
}

std::vector<Timed> recent(HistoryDb &db, int days)
{
    std::vector<Timed> out;
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Kaijiang")))
        return out;
    // At most 120 draws a day: the newest rows hold the last days.
    FastStatement q(db.database(), QStringLiteral("SELECT SQQH, Shijian FROM Kaijiang ORDER BY SQQH DESC LIMIT %1")
                                       .arg(days * 120));
    std::set<qint32> dates;
    while (q.next()) {
        const qint32 issue = q.intValue(0);
        dates.insert(issue / 1000);
        if (int(dates.size()) > days)
            break;
        const QDateTime time = fromStored(QString::fromUtf8(q.utf8Value(1)));
        if (time.isValid())
            out.push_back({issue, time});
    }
    std::reverse(out.begin(), out.end());
    return out;
}

std::optional<QDateTime> of(HistoryDb &db, qint32 issue)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Kaijiang")))
        return std::nullopt;
    FastStatement q(db.database(), QStringLiteral("SELECT Shijian FROM Kaijiang WHERE SQQH = ?"));
    q.bind(1, issue);
    if (!q.next())
        return std::nullopt;
    const QDateTime time = fromStored(QString::fromUtf8(q.utf8Value(0)));
    return time.isValid() ? std::optional(time) : std::nullopt;
}

std::optional<QDateTime> expected(HistoryDb &db, qint32 issue, qint32 lastStored, const DrawClock::Schedule &schedule,
                                  int drawsPerDay, bool running)
{
    std::optional<std::pair<qint32, QDateTime>> last;
    if (running)
        if (const std::optional<QDateTime> time = of(db, lastStored))
            last = {lastStored, *time};
    return DrawClock::expected(issue, schedule, drawsPerDay, running, last);
}

} // namespace DrawTimes
