#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class HistoryDb;

// The player's bets as stored beside the draws (table Touzhu), one row a bet, in the history's
// own file: a backup or a restore of the draws never touches them, and a bet never changes a
// draw. Nothing a draw decides is stored here.
struct StoredBet
{
    qint64 id = 0;
    qint32 issue = 0;
    QString play;
    QString numbers;
    int multiple = 1;
};

// One stored row as read: the texts are valid only while it is being looked at.
struct BetRow
{
    qint64 id = 0;
    qint32 issue = 0;
    QByteArrayView play; // UTF-8
    QByteArrayView numbers;
    int multiple = 1;
};

namespace BetTable {

// How many bets are stored (a reader's first guess at its size).
qint64 count(HistoryDb &db);
// Hands every stored bet to `each` in the order they were placed (none when the table is not
// there yet). False when they cannot be read (db.userError() says why).
bool read(HistoryDb &db, const std::function<void(const BetRow &)> &each);
// Stores a bet (its id is ignored) in its own transaction; the new id, or nothing.
std::optional<qint64> add(HistoryDb &db, const StoredBet &bet);
// Removes one bet; refused when no bet has that id.
bool remove(HistoryDb &db, qint64 id);

} // namespace BetTable
