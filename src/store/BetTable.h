#pragma once

#include <QString>
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

namespace BetTable {

// Every stored bet in the order they were placed; none when the table is not there yet.
// Nothing when it cannot be read (db.userError() says why).
std::optional<std::vector<StoredBet>> read(HistoryDb &db);
// Stores a bet (its id is ignored) in its own transaction; the new id, or nothing.
std::optional<qint64> add(HistoryDb &db, const StoredBet &bet);
// Removes one bet; refused when no bet has that id.
bool remove(HistoryDb &db, qint64 id);

} // namespace BetTable
