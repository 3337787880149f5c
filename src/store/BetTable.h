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

} // namespace BetTable
