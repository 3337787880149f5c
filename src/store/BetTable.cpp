#include "BetTable.h"

#include "HistoryDb.h"


namespace BetTable {

qint64 count(HistoryDb &db)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")))
        return 0;
    FastStatement q(db.database(), QStringLiteral("SELECT count(*) FROM Touzhu"));
    return q.next() ? q.int64Value(0) : 0;
}

bool read(HistoryDb &db, const std::function<void(const BetRow &)> &each)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")))
        return true;
    FastStatement q(db.database(), QStringLiteral("SELECT Id, QH, Wanfa, Haoma, Beishu FROM Touzhu ORDER BY Id"));
    while (q.next())
        each({q.int64Value(0), qint32(q.int64Value(1)), q.utf8Value(2), q.utf8Value(3), int(q.int64Value(4))});
    return q.error().isEmpty() || db.refuse(q.error());
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
