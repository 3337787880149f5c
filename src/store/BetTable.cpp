#include "BetTable.h"

#include "HistoryDb.h"

#include <QSqlQuery>
#include <limits>

namespace BetTable {

namespace {

const QString columns = QStringLiteral("(Id INTEGER PRIMARY KEY AUTOINCREMENT, QH INTEGER, Wanfa TEXT, Haoma TEXT, Beishu INTEGER)");

// The table made, or one of an older release (whose ids come back after the newest bet is
// removed) rebuilt with the same rows and ids, inside the running write.
bool prepare(HistoryDb &db)
{
    Database &d = db.database();
    QSqlQuery q = d.select(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'Touzhu'"));
    if (!q.isActive())
        return false;
    if (!q.next())
        return d.exec(QStringLiteral("CREATE TABLE Touzhu ") + columns);
    if (q.value(0).toString().contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive))
        return true;
    q = QSqlQuery();
    return d.exec(QStringLiteral("CREATE TABLE TouzhuNew ") + columns) &&
           d.exec(QStringLiteral("INSERT INTO TouzhuNew (Id, QH, Wanfa, Haoma, Beishu) "
                                 "SELECT Id, QH, Wanfa, Haoma, Beishu FROM Touzhu ORDER BY Id")) &&
           d.exec(QStringLiteral("DROP TABLE Touzhu")) && d.exec(QStringLiteral("ALTER TABLE TouzhuNew RENAME TO Touzhu"));
}

QString shown(const FastStatement &q, int column)
{
    if (q.type(column) == FastStatement::Type::Null)
        return QStringLiteral("空");
    return QStringLiteral("“%1”").arg(QString::fromUtf8(q.utf8Value(column)).left(20));
}

// Why a stored row is no bet as its columns go; empty when it may be one.
QString problemOf(const FastStatement &q)
{
    using Type = FastStatement::Type;
    const auto wholeIn = [&](int column, qint64 low, qint64 high) {
        return q.type(column) == Type::Integer && q.int64Value(column) >= low && q.int64Value(column) <= high;
    };
    if (!wholeIn(1, 1, std::numeric_limits<qint32>::max()))
        return QStringLiteral("期号 %1 不是期号").arg(shown(q, 1));
    if (q.type(2) != Type::Text)
        return QStringLiteral("玩法 %1 不是文字").arg(shown(q, 2));
    if (q.type(3) != Type::Text && q.type(3) != Type::Null)
        return QStringLiteral("号码 %1 不是文字").arg(shown(q, 3));
    if (!wholeIn(4, 1, maxMultiple))
        return QStringLiteral("倍数 %1 不是 1 到 %2 的整数").arg(shown(q, 4)).arg(maxMultiple);
    return {};
}

} // namespace

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
    BetRow row;
    while (q.next()) {
        row.id = q.int64Value(0);
        row.problem = problemOf(q);
        if (row.problem.isEmpty()) {
            row.issue = qint32(q.int64Value(1));
            row.play = q.utf8Value(2);
            row.numbers = q.utf8Value(3);
            row.multiple = int(q.int64Value(4));
        }
        each(row);
    }
    return q.error().isEmpty() || db.refuse(q.error());
}

std::optional<qint64> add(HistoryDb &db, const StoredBet &bet)
{
    qint64 id = 0;
    const bool written = db.write([&] {
        Database &d = db.database();
        if (!prepare(db))
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
        if (!prepare(db))
            return false;
        FastStatement q(d, QStringLiteral("DELETE FROM Touzhu WHERE Id = ? RETURNING Id"));
        q.bind(1, id);
        if (!q.next())
            return db.refuse(q.error().isEmpty() ? QStringLiteral("没有编号为 %1 的投注").arg(id) : q.error());
        return true;
    });
}

} // namespace BetTable
