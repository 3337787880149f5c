#pragma once

#include "ProvinceTable.h"

#include "Backups.h"
#include "HistorySnapshot.h"
#include "HistoryText.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>
#include <vector>

class HistoryDb;
class PageLoader;

// Bringing the history up to date from a results page.
namespace OnlineUpdate {

// The game whose 北京快3 issues are plain numbers, not dates.
constexpr int plainIssueGame = ProvinceTable::runningIssueGame;

// The results host name that follows the game code until the user sets a real source: the
// reserved ".invalid" domain never resolves.
inline QString defaultHost()
{
    return QStringLiteral(".vendrix-k3.invalid");
}

struct Game
{
    int index = 0;
    QString code;
    int drawsPerDay = 78;
};

// What the page is asked for and where the search starts.
struct Plan
{
    bool replaceHistory = false; // the oldest draw is older than the days to keep
    int daysToFetch = 0;
    std::optional<qint32> startIssue; // unset for 北京快3 with no history: read from the page
    QString error;                    // the stored issues are no dates: nothing can be planned
};

Plan plan(const HistorySnapshot &snapshot, const Game &game, QDate today, int daysToKeep);

// "http://" + code + host + "/?n=" + days × draws per day; at least one day's draws, so that a
// history whose last draw is from today still asks for today's later draws.
QUrl address(const Game &game, const QString &host, int daysToFetch);
// The host part the user means by `typed` (as set in 设置 → 开奖网址): a pasted address gives its
// host and port without the scheme, the path and the leading game code `code`
// ("http://fj.example.test:8080/?n=78" → ".example.test:8080"); anything else is kept as typed.
QString hostFrom(const QString &typed, const QString &code);

// The draws the page text shows, from the plan's start issue to today's last draw: each issue's
// digits, then its three numbers at offsets K+2, K+4 and K+6 from the issue's first digit
// (counting that digit as 1; K = 7, or 3 for 北京快3). Issues that are missing or whose numbers
// are not three digits 1..6 are skipped.
std::vector<TextDraw> findDraws(const QString &text, const Plan &plan, const Game &game, QDate today);

struct Outcome
{
    bool loaded = false;
    int added = 0;
    int outOfOrder = 0; // of the draws found, those whose numbers are not ascending (kept as read)
    bool replaced = false;
    bool lastStoredOnPage = false; // nothing added, but the page shows the last stored issue
    QString error;                 // the page did not load, or the history could not be written
    std::optional<Backups::Entry> backup; // the replaced history, when it was replaced
    QString answeredBy;  // of several hosts, the one whose page brought the draws
    QStringList stale;   // hosts whose pages had only older draws ("fj.a.test 未更新到 261209026 期")
};

// The whole update: plan, load, find, then append the draws after the last stored one (or,
// for a history older than the days to keep, replace it, but only when draws were found).
// `otherGame`: the stored draws belong to another game; they are replaced by this game's, as an
// outdated history is (and still only when the page brought draws).
// A replaced history is backed up first in `backupFolder`'s 备份 (none without a folder).
Outcome run(HistoryDb &db, const HistorySnapshot &snapshot, PageLoader &loader, const Game &game,
            const QString &host, QDate today, int daysToKeep, int segmentBase, bool otherGame = false,
            const QString &backupFolder = {}, int limitMs = 0);

// The same over several results hosts, tried in order until one brings draws after the last
// stored one; a host whose page holds only older draws is noted as stale and the next is tried.
// When none brings any: a stale host's outcome (nothing new), else the last failure.
Outcome runHosts(HistoryDb &db, const HistorySnapshot &snapshot, PageLoader &loader, const Game &game,
                 const QStringList &hosts, QDate today, int daysToKeep, int segmentBase, bool otherGame = false,
                 const QString &backupFolder = {}, int limitMs = 0);

// "自动更新：…（来自 fj.b.test；fj.a.test 未更新到 261209026 期）": which host answered and which were
// stale, when there were several; empty otherwise.
QString hostsNote(const Outcome &outcome, const QString &code, int hostCount);

} // namespace OnlineUpdate
