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

// The current row into `row`; `row.problem` says why it is no bet as its columns go. Each column is
// read once, as stored (never converted): a ledger is read whole at every look.
void readRow(const FastStatement &q, BetRow &row)
{
    using Type = FastStatement::Type;
    const FastStatement::Cell issue = q.cell(1), play = q.cell(2), numbers = q.cell(3), multiple = q.cell(4);
    row.id = q.int64Value(0);
    if (issue.type != Type::Integer || issue.integer < 1 || issue.integer > std::numeric_limits<qint32>::max())
        row.problem = QStringLiteral("期号 %1 不是期号").arg(shown(q, 1));
    else if (play.type != Type::Text)
        row.problem = QStringLiteral("玩法 %1 不是文字").arg(shown(q, 2));
    else if (numbers.type != Type::Text && numbers.type != Type::Null)
        row.problem = QStringLiteral("号码 %1 不是文字").arg(shown(q, 3));
    else if (multiple.type != Type::Integer || multiple.integer < 1 || multiple.integer > maxMultiple)
        row.problem = QStringLiteral("倍数 %1 不是 1 到 %2 的整数").arg(shown(q, 4)).arg(maxMultiple);
    else {
        row.problem.clear();
        row.issue = qint32(issue.integer);
        row.play = play.text;
        row.numbers = numbers.text;
        row.multiple = int(multiple.integer);
    }
}

} // namespace

qint64 count(HistoryDb &db)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")))
        return 0;
    // The newest id: the count when no bet was removed, found without reading the table.
    FastStatement q(db.database(), QStringLiteral("SELECT max(Id) FROM Touzhu"));
    return q.next() ? q.int64Value(0) : 0;
}

bool read(HistoryDb &db, const std::function<void(const BetRow &)> &each)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")))
        return true;
    FastStatement q(db.database(), QStringLiteral("SELECT Id, QH, Wanfa, Haoma, Beishu FROM Touzhu ORDER BY Id"));
    BetRow row;
    while (q.next()) {
        readRow(q, row);
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
