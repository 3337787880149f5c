#include "BetTable.h"

#include "HistoryDb.h"

#include <QSqlQuery>
#include <cctype>
#include <limits>

namespace BetTable {

namespace {

const QString columns = QStringLiteral("(Id INTEGER PRIMARY KEY AUTOINCREMENT, QH INTEGER, Wanfa TEXT, Haoma TEXT, "
                                        "Beishu INTEGER, Zhuihao INTEGER, Shijian TEXT)");
const QString planColumns = QStringLiteral("(Id INTEGER PRIMARY KEY AUTOINCREMENT, Wanfa TEXT, Haoma TEXT, Guize TEXT, "
                                            "Beishu INTEGER, Lirunlv INTEGER, Zuida INTEGER, Yusuan INTEGER, "
                                            "Zhongting INTEGER, Qishu INTEGER, Shijian TEXT)");

QString tableSql(Database &d, const QString &table)
{
    QSqlQuery q = d.select(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = '%1'").arg(table));
    return q.next() ? q.value(0).toString() : QString();
}

// The tables made, or those of an older release brought up to date inside the running write: a
// ledger whose ids come back after the newest bet is removed is rebuilt with the same rows and
// ids; one without plans gets their columns (its bets are single bets placed at no known time).
bool prepare(HistoryDb &db)
{
    Database &d = db.database();
    const QString sql = tableSql(d, QStringLiteral("Touzhu"));
    if (!d.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Zhuihao ") + planColumns))
        return false;
    if (sql.isEmpty())
        return d.exec(QStringLiteral("CREATE TABLE Touzhu ") + columns);
    if (!sql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive))
        return d.exec(QStringLiteral("CREATE TABLE TouzhuNew ") + columns) &&
               d.exec(QStringLiteral("INSERT INTO TouzhuNew (Id, QH, Wanfa, Haoma, Beishu) "
                                     "SELECT Id, QH, Wanfa, Haoma, Beishu FROM Touzhu ORDER BY Id")) &&
               d.exec(QStringLiteral("DROP TABLE Touzhu")) && d.exec(QStringLiteral("ALTER TABLE TouzhuNew RENAME TO Touzhu"));
    if (sql.contains(QLatin1String("Zhuihao")))
        return true;
    return d.exec(QStringLiteral("ALTER TABLE Touzhu ADD COLUMN Zhuihao INTEGER")) &&
           d.exec(QStringLiteral("ALTER TABLE Touzhu ADD COLUMN Shijian TEXT"));
}

// The bet columns as read: a ledger of an older release has no plan or time.
QString selectBets(Database &d)
{
    return tableSql(d, QStringLiteral("Touzhu")).contains(QLatin1String("Zhuihao"))
               ? QStringLiteral("SELECT Id, QH, Wanfa, Haoma, Beishu, Zhuihao, Shijian FROM Touzhu")
               : QStringLiteral("SELECT Id, QH, Wanfa, Haoma, Beishu, NULL, NULL FROM Touzhu");
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
    const FastStatement::Cell issue = q.cell(1), play = q.cell(2), numbers = q.cell(3), multiple = q.cell(4),
                              plan = q.cell(5), placed = q.cell(6);
    row.id = q.int64Value(0);
    if (issue.type != Type::Integer || issue.integer < 1 || issue.integer > std::numeric_limits<qint32>::max())
        row.problem = QStringLiteral("期号 %1 不是期号").arg(shown(q, 1));
    else if (play.type != Type::Text)
        row.problem = QStringLiteral("玩法 %1 不是文字").arg(shown(q, 2));
    else if (numbers.type != Type::Text && numbers.type != Type::Null)
        row.problem = QStringLiteral("号码 %1 不是文字").arg(shown(q, 3));
    else if (multiple.type != Type::Integer || multiple.integer < 1 || multiple.integer > maxMultiple)
        row.problem = QStringLiteral("倍数 %1 不是 1 到 %2 的整数").arg(shown(q, 4)).arg(maxMultiple);
    else if (plan.type != Type::Null && (plan.type != Type::Integer || plan.integer < 1))
        row.problem = QStringLiteral("追号计划 %1 不是编号").arg(shown(q, 5));
    else if (placed.type != Type::Null && (placed.type != Type::Text || !isPlacedTime(placed.text)))
        row.problem = QStringLiteral("下单时间 %1 不是时间").arg(shown(q, 6));
    else {
        row.problem.clear();
        row.issue = qint32(issue.integer);
        row.play = play.text;
        row.numbers = numbers.text;
        row.multiple = int(multiple.integer);
        row.plan = plan.type == Type::Integer ? std::optional<qint64>(plan.integer) : std::nullopt;
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
    FastStatement q(db.database(), selectBets(db.database()) + QStringLiteral(" ORDER BY Id"));
    BetRow row;
    while (q.next()) {
        readRow(q, row);
        each(row);
    }
    return q.error().isEmpty() || db.refuse(q.error());
}

namespace {

std::optional<qint64> lastId(HistoryDb &db)
{
    FastStatement last(db.database(), QStringLiteral("SELECT last_insert_rowid()"));
    if (!last.next()) {
        db.refuse(last.error());
        return std::nullopt;
    }
    return last.int64Value(0);
}

// One bet into the running write; its new id, or nothing (the error kept by `db`).
std::optional<qint64> insertBet(HistoryDb &db, FastStatement &insert, const StoredBet &bet, std::optional<qint64> plan)
{
    insert.bind(1, bet.issue);
    insert.bindText(2, bet.play.toUtf8());
    insert.bindText(3, bet.numbers.toUtf8());
    insert.bind(4, bet.multiple);
    plan ? insert.bind(5, *plan) : insert.bindNull(5);
    bet.placed.isEmpty() ? insert.bindNull(6) : insert.bindText(6, bet.placed.toUtf8());
    if (!insert.execute()) {
        db.refuse(insert.error());
        return std::nullopt;
    }
    return lastId(db);
}

const QString insertSql =
    QStringLiteral("INSERT INTO Touzhu (QH, Wanfa, Haoma, Beishu, Zhuihao, Shijian) VALUES (?, ?, ?, ?, ?, ?)");

} // namespace

std::optional<qint64> add(HistoryDb &db, const StoredBet &bet)
{
    std::optional<qint64> id;
    const bool written = db.write([&] {
        if (!prepare(db))
            return false;
        FastStatement insert(db.database(), insertSql);
        id = insertBet(db, insert, bet, bet.plan);
        return id.has_value();
    });
    return written ? id : std::nullopt;
}

std::optional<qint64> addPlan(HistoryDb &db, const StoredPlan &plan, const std::vector<StoredBet> &bets)
{
    std::optional<qint64> id;
    const bool written = db.write([&] {
        Database &d = db.database();
        if (!prepare(db))
            return false;
        FastStatement made(d, QStringLiteral("INSERT INTO Zhuihao (Wanfa, Haoma, Guize, Beishu, Lirunlv, Zuida, Yusuan, "
                                             "Zhongting, Qishu, Shijian) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        made.bindText(1, plan.play.toUtf8());
        made.bindText(2, plan.numbers.toUtf8());
        made.bindText(3, plan.rule.toUtf8());
        made.bind(4, plan.multiple);
        plan.rate ? made.bind(5, *plan.rate) : made.bindNull(5);
        made.bind(6, plan.maxMultiple);
        plan.budget ? made.bind(7, *plan.budget) : made.bindNull(7);
        made.bind(8, plan.stopsAfterWin ? 1 : 0);
        made.bind(9, plan.issues);
        made.bindText(10, plan.placed.toUtf8());
        if (!made.execute())
            return db.refuse(made.error());
        id = lastId(db);
        if (!id)
            return false;
        FastStatement insert(d, insertSql);
        for (const StoredBet &bet : bets)
            if (!insertBet(db, insert, bet, id))
                return false;
        return true;
    });
    return written ? id : std::nullopt;
}

bool readPlans(HistoryDb &db, const std::function<void(const StoredPlan &, const QString &why)> &each)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Zhuihao")))
        return true;
    FastStatement q(db.database(), QStringLiteral("SELECT Id, Wanfa, Haoma, Guize, Beishu, Lirunlv, Zuida, Yusuan, "
                                                  "Zhongting, Qishu, Shijian FROM Zhuihao ORDER BY Id"));
    using Type = FastStatement::Type;
    while (q.next()) {
        StoredPlan plan;
        plan.id = q.int64Value(0);
        const auto text = [&q](int column) { return QString::fromUtf8(q.utf8Value(column)); };
        const auto whole = [&q](int column, qint64 low, qint64 high) {
            const FastStatement::Cell c = q.cell(column);
            return c.type == Type::Integer && c.integer >= low && c.integer <= high ? std::optional<qint64>(c.integer)
                                                                                   : std::nullopt;
        };
        const std::optional<qint64> multiple = whole(4, 1, maxMultiple), largest = whole(6, 1, maxMultiple),
                                    stops = whole(8, 0, 1), issues = whole(9, 1, 100000);
        plan.play = text(1);
        plan.numbers = text(2);
        plan.rule = text(3);
        plan.rate = q.type(5) == Type::Null ? std::nullopt : std::optional<int>(int(whole(5, 0, 1000).value_or(-1)));
        plan.budget = q.type(7) == Type::Null ? std::nullopt : whole(7, 1, std::numeric_limits<qint64>::max());
        plan.placed = text(10);
        QString why;
        if (!multiple || !largest || !stops || !issues || (plan.rate && *plan.rate < 0) ||
            (q.type(7) != Type::Null && !plan.budget))
            why = QStringLiteral("追号计划 %1 的倍数、利润率、预算、期数或中奖后停止不对").arg(plan.id);
        plan.multiple = int(multiple.value_or(1));
        plan.maxMultiple = int(largest.value_or(maxMultiple));
        plan.stopsAfterWin = stops.value_or(1) == 1;
        plan.issues = int(issues.value_or(0));
        each(plan, why);
    }
    return q.error().isEmpty() || db.refuse(q.error());
}

std::optional<int> cancelPlan(HistoryDb &db, qint64 plan, qint32 fromIssue)
{
    int removed = 0;
    const bool written = db.write([&] {
        Database &d = db.database();
        if (!d.hasTable(QStringLiteral("Zhuihao")))
            return db.refuse(QStringLiteral("没有编号为 %1 的追号计划").arg(plan));
        FastStatement known(d, QStringLiteral("SELECT 1 FROM Zhuihao WHERE Id = ?"));
        known.bind(1, plan);
        if (!known.next())
            return db.refuse(known.error().isEmpty() ? QStringLiteral("没有编号为 %1 的追号计划").arg(plan) : known.error());
        FastStatement q(d, QStringLiteral("DELETE FROM Touzhu WHERE Zhuihao = ? AND QH >= ? RETURNING Id"));
        q.bind(1, plan);
        q.bind(2, fromIssue);
        while (q.next())
            ++removed;
        return q.error().isEmpty() || db.refuse(q.error());
    });
    return written ? std::optional(removed) : std::nullopt;
}

std::optional<qint64> placedOn(HistoryDb &db, const QString &date)
{
    if (!db.isOpen() || !db.database().hasTable(QStringLiteral("Touzhu")) ||
        !tableSql(db.database(), QStringLiteral("Touzhu")).contains(QLatin1String("Zhuihao")))
        return 0;
    // Each at its full cost as placed: a plan's bets withdrawn after a win still count for the day.
    FastStatement q(db.database(), QStringLiteral("SELECT coalesce(sum(2 * Beishu), 0) FROM Touzhu "
                                                  "WHERE substr(Shijian, 1, 10) = ? AND typeof(Beishu) = 'integer' "
                                                  "AND Beishu BETWEEN 1 AND %1").arg(maxMultiple));
    q.bindText(1, date.toUtf8());
    if (!q.next()) {
        db.refuse(q.error());
        return std::nullopt;
    }
    return q.int64Value(0);
}

bool isPlacedTime(QByteArrayView t)
{
    // 2026-12-09T14:20:05+08:00 or …05Z; the digits where they belong, checked without a parser
    // (a ledger is read whole at every look).
    static constexpr char shape[] = "dddd-dd-ddTdd:dd:dd";
    constexpr qsizetype stem = sizeof(shape) - 1;
    if (t.size() != stem + 1 && t.size() != stem + 6)
        return false;
    for (qsizetype i = 0; i < stem; ++i)
        if (shape[i] == 'd' ? (t[i] < '0' || t[i] > '9') : t[i] != shape[i])
            return false;
    if (t.size() == stem + 1)
        return t[stem] == 'Z';
    const QByteArrayView zone = t.sliced(stem);
    return (zone[0] == '+' || zone[0] == '-') && zone[3] == ':' && std::isdigit(uchar(zone[1])) &&
           std::isdigit(uchar(zone[2])) && std::isdigit(uchar(zone[4])) && std::isdigit(uchar(zone[5]));
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
