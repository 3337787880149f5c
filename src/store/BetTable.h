#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class HistoryDb;

// The player's bets as stored beside the draws (table Touzhu), one row a bet, in the history's
// own file: a backup or a restore of the draws never touches them, and a bet never changes a
// draw. Nothing a draw decides is stored here. Ids are never given twice (AUTOINCREMENT), so
// that a stale id never removes another bet.
struct StoredBet
{
    qint64 id = 0;
    qint32 issue = 0;
    QString play;
    QString numbers;
    int multiple = 1;
    std::optional<qint64> plan; // the chase plan it belongs to (Zhuihao); none for a single bet
    QString placed;             // when it was placed, ISO 8601 with the computer's offset (Shijian)
};

// A chase plan (table Zhuihao): how its bets were made and whether it stops after a win.
struct StoredPlan
{
    qint64 id = 0;
    QString play;
    QString numbers;
    QString rule;    // 同倍, 翻倍, 利润率
    int multiple = 1; // the first issue's
    std::optional<int> rate; // 利润率 R%
    int maxMultiple = 10000;
    std::optional<qint64> budget;
    bool stopsAfterWin = true;
    int issues = 0; // asked for
    QString placed;
};

// One stored row as read: the texts are valid only while it is being looked at. A row another
// tool wrote whose columns do not hold what they promise (an issue that is no 32-bit whole
// number, a multiple outside 1..10000, a play or numbers that are not text) says why in
// `problem`; its other values are then meaningless.
struct BetRow
{
    qint64 id = 0;
    qint32 issue = 0;
    QByteArrayView play; // UTF-8, not checked here
    QByteArrayView numbers;
    int multiple = 1;
    std::optional<qint64> plan;
    QString problem;
};

namespace BetTable {

constexpr int maxMultiple = 10000;

// How many bets are stored (a reader's first guess at its size).
qint64 count(HistoryDb &db);
// Hands every stored row to `each` in the order they were placed (none when the table is not
// there yet). False when they cannot be read (db.userError() says why).
bool read(HistoryDb &db, const std::function<void(const BetRow &)> &each);
// Stores a bet (its id is ignored) in its own transaction; the new id, or nothing.
std::optional<qint64> add(HistoryDb &db, const StoredBet &bet);
// Removes one bet; refused when no bet has that id.
bool remove(HistoryDb &db, qint64 id);

// Stores a plan and its bets (each taking the plan's id) in one transaction: all or nothing.
// The plan's new id, or nothing.
std::optional<qint64> addPlan(HistoryDb &db, const StoredPlan &plan, const std::vector<StoredBet> &bets);
// Every stored plan in the order made; false when they cannot be read. A row whose columns do not
// hold what they promise is handed on with its id and `why` set.
bool readPlans(HistoryDb &db, const std::function<void(const StoredPlan &, const QString &why)> &each);
// Removes the plan's bets from `fromIssue` on; how many went, or nothing when it failed
// (refused when there is no such plan).
std::optional<int> cancelPlan(HistoryDb &db, qint64 plan, qint32 fromIssue);
// What the bets placed on `date` (the computer's local date, "2026-12-09") cost as placed.
std::optional<qint64> placedOn(HistoryDb &db, const QString &date);
// Whether `text` is a time as bets store it: "2026-12-09T14:20:05+08:00" (or "Z").
bool isPlacedTime(QByteArrayView text);

} // namespace BetTable
