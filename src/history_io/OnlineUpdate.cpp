#include "OnlineUpdate.h"

#include "DrawText.h"
#include "HistoryDb.h"
#include "HistoryWriter.h"
#include "IssueNumbers.h"
#include "PageLoader.h"

#include <algorithm>
#include <unordered_map>

namespace OnlineUpdate {

namespace {

qint64 firstOfDay(QDate day)
{
    return qint64(day.toString(QStringLiteral("yyMMdd")).toInt()) * 1000 + 1;
}

// Where each issue of a range stands in the text, found in one pass so that a page of any size
// costs one scan, however many issues are looked for.
class IssueIndex
{
public:
    IssueIndex(QStringView text, qint64 low, qint64 high)
    {
        const int shortest = int(QString::number(low).size());
        const int longest = int(QString::number(high).size());
        qsizetype run = 0; // digits ending at the current position
        for (qsizetype i = 0; i < text.size(); ++i) {
            run = text[i].isDigit() && text[i].unicode() < 128 ? run + 1 : 0;
            for (int length = shortest; length <= longest && length <= run && length <= 18; ++length) {
                const qint64 value = text.sliced(i - length + 1, length).toLongLong();
                if (value >= low && value <= high && QString::number(value).size() == length)
                    m_positions[value].push_back(i - length + 1);
            }
        }
    }

    // Every place of the issue: those at or after `from` first, then the earlier ones.
    std::vector<qsizetype> find(qint64 issue, qsizetype from) const
    {
        const auto it = m_positions.find(issue);
        if (it == m_positions.end())
            return {};
        const std::vector<qsizetype> &places = it->second;
        const auto after = std::lower_bound(places.begin(), places.end(), from);
        std::vector<qsizetype> ordered(after, places.end());
        ordered.insert(ordered.end(), places.begin(), after);
        return ordered;
    }

private:
    std::unordered_map<qint64, std::vector<qsizetype>> m_positions;
};

// Other layouts: after the issue's digits, the next three digits 1..6 within a short stretch,
// separated by anything that is no digit ("期号 1 3 5", cells, "开奖号码：1,3,5", "1、3、5"), or
// written together ("期号 135"). Any other run of digits first means this is no draw.
std::optional<Numbers> numbersNear(const QString &text, qsizetype found, qsizetype issueLength)
{
    constexpr qsizetype window = 24;
    Numbers numbers{};
    int count = 0;
    qsizetype at = found + issueLength;
    const qsizetype end = std::min(text.size(), at + window);
    while (at < end && count < 3) {
        if (!text[at].isDigit()) {
            ++at;
            continue;
        }
        qsizetype run = at;
        while (run < text.size() && text[run].isDigit())
            ++run;
        const qsizetype length = run - at;
        if (!(length == 1 || (length == 3 && count == 0)))
            return std::nullopt;
        for (qsizetype i = at; i < run; ++i) {
            if (text[i] < u'1' || text[i] > u'6')
                return std::nullopt;
            numbers[size_t(count++)] = qint16(text[i].unicode() - u'0');
        }
        at = run;
    }
    return count == 3 ? std::optional<Numbers>(numbers) : std::nullopt;
}

std::optional<Numbers> numbersAt(const QString &text, qsizetype found, int k)
{
    Numbers numbers{};
    for (int j = 1; j <= 3; ++j) {
        const qsizetype at = found + k + 2 * j;
        if (at >= text.size() || text[at] < u'1' || text[at] > u'6')
            return std::nullopt;
        numbers[size_t(j - 1)] = qint16(text[at].unicode() - u'0');
    }
    return numbers;
}

} // namespace

Plan plan(const HistorySnapshot &snapshot, const Game &game, QDate today, int daysToKeep)
{
    Plan p;
    if (game.index == plainIssueGame) {
        // No dates to go by: the last stored issue is where the page is read on from.
        p.daysToFetch = daysToKeep;
        if (!snapshot.isEmpty())
            p.startIssue = snapshot.last().sqqh + 1;
        return p;
    }
    if (!snapshot.isEmpty()) {
        const auto oldest = IssueNumbers::dateOf(QString::number(snapshot.first().sqqh));
        const auto newest = IssueNumbers::dateOf(QString::number(snapshot.last().sqqh));
        if (!oldest || !newest) {
            p.error = QStringLiteral("历史号码的期号不是日期格式，无法确定要更新的期号");
            return p;
        }
        p.replaceHistory = oldest->daysTo(today) > daysToKeep;
        if (!p.replaceHistory) {
            p.daysToFetch = int(std::max<qint64>(0, newest->daysTo(today)));
            p.startIssue = snapshot.last().sqqh + 1;
            // The page starts on the newest stored day: the issues missing there are filled too.
            for (const qint32 missing : IssueNumbers::missing(snapshot))
                if (missing / 1000 == snapshot.last().sqqh / 1000) {
                    p.startIssue = missing;
                    break;
                }
            return p;
        }
    }
    p.daysToFetch = daysToKeep;
    p.startIssue = qint32(firstOfDay(today.addDays(-daysToKeep)));
    return p;
}

QUrl address(const Game &game, const QString &host, int daysToFetch)
{
    return QUrl(
        QStringLiteral("http://%1%2/?n=%3").arg(game.code, host).arg(qint64(std::max(daysToFetch, 1)) * game.drawsPerDay));
}

QString hostFrom(const QString &typed, const QString &code)
{
    const QString text = typed.trimmed();
    if (!text.contains(QLatin1String("://")) && !text.contains(QLatin1Char('/')))
        return text;
    const QUrl url = QUrl::fromUserInput(text);
    QString host = url.host();
    if (host.isEmpty())
        return text;
    if (!code.isEmpty() && host.startsWith(code + QLatin1Char('.'), Qt::CaseInsensitive))
        host = host.mid(code.size());
    return url.port() >= 0 ? host + QLatin1Char(':') + QString::number(url.port()) : host;
}

std::vector<TextDraw> findDraws(const QString &text, const Plan &plan, const Game &game, QDate today)
{
    const bool dateBased = game.index != plainIssueGame;
    const int k = dateBased ? 7 : 3;
    qint64 start = plan.startIssue.value_or(0);
    if (!plan.startIssue) {
        // 北京快3 with no history: the page's first issue follows "开奖时间"; its last digit is no part of
        // it.
        const qsizetype label = text.indexOf(QStringLiteral("开奖时间"));
        if (label < 0)
            return {};
        qsizetype digits = label;
        while (digits < text.size() && !text[digits].isDigit())
            ++digits;
        qsizetype end = digits;
        while (end < text.size() && text[end].isDigit() && end - digits < 12)
            ++end;
        bool ok = false;
        start = text.sliced(digits, std::max<qsizetype>(0, end - digits - 1)).toLongLong(&ok);
        if (!ok || start < 1)
            return {};
    }
    const qint64 end = dateBased ? firstOfDay(today) - 1 + game.drawsPerDay
                                 : start + qint64(plan.daysToFetch) * game.drawsPerDay;
    if (start > end || end > std::numeric_limits<qint32>::max())
        return {};

    const IssueIndex index(text, start, end);
    // Rows the fixed places do not read (a date and a time between the issue and its numbers,
    // dice as images): the tolerant reader's draws, one reading a row or none. Read once, and only
    // when an issue is missed.
    std::optional<std::unordered_map<qint32, Numbers>> rows;
    const auto readRow = [&](qint32 issue) -> std::optional<Numbers> {
        if (!rows) {
            rows.emplace();
            const auto style = dateBased ? DrawText::IssueStyle::Dated : DrawText::IssueStyle::Running;
            for (const DrawText::Found &found : DrawText::read(text, style).draws)
                rows->emplace(found.draw.issue, found.draw.numbers);
        }
        const auto row = rows->find(issue);
        return row == rows->end() ? std::nullopt : std::optional<Numbers>(row->second);
    };
    std::vector<TextDraw> draws;
    qsizetype position = 0;
    for (qint64 issue = start; issue <= end; ++issue) {
        if (dateBased && issue % 100 > game.drawsPerDay) {
            // Past the day's last draw: on to the next day's first.
            const auto day = IssueNumbers::dateOf(QString::number(issue));
            if (!day)
                continue;
            issue = firstOfDay(day->addDays(1));
            if (issue > end)
                break;
        }
        // The fixed layout first, then the others; a place that gives no draw gives way to the
        // issue's next place.
        const qsizetype length = QString::number(issue).size();
        const std::vector<qsizetype> places = index.find(issue, position);
        position = 0;
        bool read = false;
        for (qsizetype found : places) {
            std::optional<Numbers> numbers = numbersAt(text, found, k);
            if (!numbers)
                numbers = numbersNear(text, found, length);
            if (numbers) {
                draws.push_back({qint32(issue), *numbers});
                // The next issue is looked for after this one.
                position = found + 1;
                read = true;
                break;
            }
        }
        if (!read) {
            if (const std::optional<Numbers> row = readRow(qint32(issue)))
                draws.push_back({qint32(issue), *row});
        }
    }
    return draws;
}

Outcome run(HistoryDb &db, const HistorySnapshot &snapshot, PageLoader &loader, const Game &game,
            const QString &host, QDate today, int daysToKeep, int segmentBase, bool otherGame,
            const QString &backupFolder, int limitMs)
{
    Outcome outcome;
    Plan p = plan(otherGame ? HistorySnapshot() : snapshot, game, today, daysToKeep);
    p.replaceHistory = p.replaceHistory || otherGame;
    if (!p.error.isEmpty()) {
        outcome.error = p.error;
        return outcome;
    }
    const PageLoader::Page page = loader.load(address(game, host, p.daysToFetch), limitMs);
    outcome.loaded = page.loaded;
    if (!page.loaded) {
        outcome.error = page.error;
        return outcome;
    }
    const std::vector<TextDraw> draws = findDraws(page.text, p, game, today);
    if (draws.empty()) {
        // A page of draws that has none after the last stored one, or no page of draws at all.
        outcome.lastStoredOnPage =
            !snapshot.isEmpty() && !otherGame && page.text.contains(QString::number(snapshot.last().sqqh));
        return outcome;
    }
    // Nothing stored is given up unless the page brought draws to put in its place. Appended draws
    // chain to the last stored draw as it is when they are written.
    std::optional<int> added;
    if (p.replaceHistory) {
        HistoryWriter::Backup backup{backupFolder, QStringLiteral("在线更新替换"), {}};
        if (HistoryWriter::replace(db, draws, segmentBase, false, &backup))
            added = int(HistoryWriter::inIssueOrder(draws).size());
        outcome.backup = backup.written;
    } else {
        added = HistoryWriter::storeMissing(db, draws, segmentBase);
    }
    if (!added) {
        outcome.error = db.userError();
        return outcome;
    }
    outcome.added = *added;
    // The times the page prints beside its draws, read by the tolerant reader.
    if (page.text.contains(u':')) {
        const auto style = game.index == plainIssueGame ? DrawText::IssueStyle::Running : DrawText::IssueStyle::Dated;
        DrawTimes::store(db, DrawText::timesOf(DrawText::read(page.text, style), draws));
    }
    outcome.outOfOrder = HistoryText::outOfOrder(draws);
    outcome.replaced = p.replaceHistory;
    return outcome;
}

Outcome runHosts(HistoryDb &db, const HistorySnapshot &snapshot, PageLoader &loader, const Game &game,
                 const QStringList &hosts, QDate today, int daysToKeep, int segmentBase, bool otherGame,
                 const QString &backupFolder, int limitMs)
{
    // The issue awaited: the one after the last stored draw.
    qint32 awaited = 0; // none
    if (!snapshot.isEmpty() && !otherGame)
        awaited = game.index == plainIssueGame ? snapshot.last().sqqh + 1
                                               : IssueNumbers::next(snapshot.last().sqqh, game.drawsPerDay).value_or(0);
    QStringList stale;
    std::optional<Outcome> nothingNew, failed;
    for (const QString &host : hosts) {
        Outcome outcome = run(db, snapshot, loader, game, host, today, daysToKeep, segmentBase, otherGame, backupFolder, limitMs);
        if (outcome.added > 0) {
            outcome.answeredBy = host;
            outcome.stale = stale;
            return outcome;
        }
        if (outcome.error.isEmpty() && outcome.loaded) {
            stale << QStringLiteral("%1%2 未更新到 %3 期")
                         .arg(game.code, host, awaited > 0 ? QString::number(awaited) : QStringLiteral("最新一"));
            nothingNew = outcome;
        } else {
            failed = outcome;
        }
    }
    Outcome outcome = nothingNew ? *nothingNew : failed.value_or(Outcome());
    outcome.stale = stale;
    return outcome;
}

QString hostsNote(const Outcome &outcome, const QString &code, int hostCount)
{
    if (hostCount < 2)
        return {};
    QStringList parts;
    if (!outcome.answeredBy.isEmpty())
        parts << QStringLiteral("来自 %1%2").arg(code, outcome.answeredBy);
    parts << outcome.stale;
    return parts.isEmpty() ? QString() : QStringLiteral("（%1）").arg(parts.join(QStringLiteral("；")));
}

} // namespace OnlineUpdate
