#include "BetTable.h"

#include "HistoryDb.h"

#include <unordered_map>
#include <string>
#include <string_view>

namespace BetTable {

std::optional<std::vector<StoredBet>> read(HistoryDb &db)
{
    std::vector<StoredBet> bets;
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")))
        return bets;
    {
        FastStatement count(db.database(), QStringLiteral("SELECT count(*) FROM Touzhu"));
        if (count.next())
            bets.reserve(size_t(count.int64Value(0)));
    }
    FastStatement q(db.database(), QStringLiteral("SELECT Id, QH, Wanfa, Haoma, Beishu FROM Touzhu ORDER BY Id"));
    // A ledger repeats a few plays and numbers: each text is made once and shared.
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> texts;
    const auto text = [&texts](QByteArrayView utf8) {
        const std::string_view key(utf8.data(), size_t(utf8.size()));
        auto known = texts.find(key);
        if (known == texts.end())
            known = texts.emplace(std::string(key), QString::fromUtf8(utf8)).first;
        return known->second;
    };
    while (q.next())
        bets.push_back({q.int64Value(0), qint32(q.int64Value(1)), text(q.utf8Value(2)), text(q.utf8Value(3)),
                        int(q.int64Value(4))});
    if (!q.error().isEmpty()) {
        db.refuse(q.error());
        return std::nullopt;
    }
    return bets;
}

std::optional<qint64> add(HistoryDb &db, const StoredBet &bet)
{
    qint64 id = 0;
    const bool written = db.write([&] {
        Database &d = db.database();
        if (!d.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Touzhu (Id INTEGER PRIMARY KEY, QH INTEGER, "
                                   "Wanfa TEXT, Haoma TEXT, Beishu INTEGER)")))
            return false;
        FastStatement insert(d, QStringLiteral("INSERT INTO Touzhu (QH, Wanfa, Haoma, Beishu) VALUES (?, ?, ?, ?)"));
        insert.bind(1, bet.issue);
        insert.bindText(2, bet.play.toUtf8());
        insert.bindText(3, bet.numbers.toUtf8());
        insert.bind(4, bet.multiple);
        if (!insert.execute())
            return db.refuse(insert.error());
        FastStatement last(d, QStringLiteral("SELECT last_insert_rowid()"));
        if (!last.next())
            return db.refuse(last.error());
        id = last.int64Value(0);
        return true;
    });
    return written ? std::optional(id) : std::nullopt;
}

bool remove(HistoryDb &db, qint64 id)
{
    return db.write([&] {
        Database &d = db.database();
        if (!d.hasTable(QStringLiteral("Touzhu")))
            return db.refuse(QStringLiteral("没有编号为 %1 的投注").arg(id));
        FastStatement q(d, QStringLiteral("DELETE FROM Touzhu WHERE Id = ? RETURNING Id"));
        q.bind(1, id);
        if (!q.next())
            return db.refuse(q.error().isEmpty() ? QStringLiteral("没有编号为 %1 的投注").arg(id) : q.error());
        return true;
    });
}

} // namespace BetTable
