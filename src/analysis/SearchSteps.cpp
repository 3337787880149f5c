#include "SearchSteps.h"

#include "Database.h"
#include "LishiColumns.h"

#include <QSqlQuery>
#include <deque>

namespace SearchSteps {

namespace {

// How one column kind is read from and written to a row.
template<typename Value> struct Cells;

template<> struct Cells<qint64>
{
    static std::optional<qint64> read(const FastStatement &row, int column)
    {
        return row.isNull(column) ? std::nullopt : std::optional<qint64>(row.intValue(column));
    }
    static void bind(FastStatement &update, int index, const std::optional<qint64> &value)
    {
        value ? update.bind(index, *value) : update.bindNull(index);
    }
};

template<> struct Cells<QByteArray>
{
    static std::optional<QByteArray> read(const FastStatement &row, int column)
    {
        return row.isNull(column) ? std::nullopt
                                  : std::optional<QByteArray>(row.utf8Value(column).toByteArray());
    }
    static void bind(FastStatement &update, int index, const std::optional<QByteArray> &value)
    {
        value ? update.bindText(index, *value) : update.bindNull(index);
    }
};

// Walks the history in ascending SQQH order (equal issues as the ordered snapshot reads them) and
// gives each row's `targets` the values of `sources` in the row `back` places earlier, or
// `fallback` where there is none. Only the last `back` rows are held; only rows whose values
// change are written.
template<typename Value>
void copyFromEarlierRows(Database &db, const QStringList &targets, const QStringList &sources, int back,
                         const Value &fallback)
{
    if (back < 0 || targets.isEmpty())
        return;
    using Tuple = std::vector<std::optional<Value>>;
    const int width = int(targets.size());
    const size_t cells = size_t(width);
    QStringList columns{QStringLiteral("rowid")};
    for (const QString &name : sources + targets)
        columns << QLatin1Char('[') + name + QLatin1Char(']');
    FastStatement rows(db,
                       QStringLiteral("SELECT %1 FROM [Lishi] ORDER BY SQQH, rowid").arg(columns.join(',')));
    std::deque<Tuple> earlier;
    std::vector<std::pair<qint64, Tuple>> changes;
    while (rows.next()) {
        Tuple source(cells), current(cells);
        for (int i = 0; i < width; ++i) {
            source[size_t(i)] = Cells<Value>::read(rows, 1 + i);
            current[size_t(i)] = Cells<Value>::read(rows, 1 + width + i);
        }
        const Tuple wanted = back == 0                     ? source
                             : int(earlier.size()) == back ? earlier.front()
                                                           : Tuple(cells, fallback);
        if (wanted != current)
            changes.emplace_back(qint64(rows.intValue(0)), wanted);
        if (back > 0) {
            earlier.push_back(std::move(source));
            if (int(earlier.size()) > back)
                earlier.pop_front();
        }
    }
    QStringList assignments;
    for (const QString &name : targets)
        assignments << QStringLiteral("[%1] = ?").arg(name);
    FastStatement update(db,
                         QStringLiteral("UPDATE [Lishi] SET %1 WHERE rowid = ?").arg(assignments.join(',')));
    for (const auto &[rowid, values] : changes) {
        for (int i = 0; i < width; ++i)
            Cells<Value>::bind(update, i + 1, values[size_t(i)]);
        update.bind(width + 1, rowid);
        update.execute();
    }
}

} // namespace

QString matchColumn(const SearchState &state)
{
    return state.bolSq ? LishiColumns::previousText(state.intLei) : LishiColumns::earlierText(state.intLei);
}

void rebuildEarlierTexts(Database &db, const SearchState &state)
{
    QStringList targets{QStringLiteral("txtHisPreLst")};
    QStringList sources{QStringLiteral("txtHisLst")};
    if (state.bolZyw) {
        targets << LishiColumns::earlierText(state.intLei);
        sources << LishiColumns::previousText(state.intLei);
    }
    // The row N-1 before holds, in its previous-draw texts, the draw N before this one.
    copyFromEarlierRows(db, targets, sources, state.intPreQi - 1, QByteArray(""));
}

QString targetColumn(int position, const SearchState &state)
{
    return LishiColumns::perPosition(position, state.intLei, state.bolSq ? "S" : "P");
}

void rebuildTargets(Database &db, const SearchState &state, const Positions &positions)
{
    QStringList targets, sources;
    for (int p = 1; p <= 3; ++p) {
        if (!positions[p - 1])
            continue;
        targets << targetColumn(p, state);
        sources << LishiColumns::perPosition(p, state.intLei);
    }
    if (!targets.isEmpty())
        copyFromEarlierRows(db, targets, sources, state.bolSq ? 1 : state.intPreQi, qint64(0));
}

bool hasCounter(int kind, int value)
{
    static const int highest[KindCount] = {9, 1, 1, 3};
    return kind >= 0 && kind < KindCount && value >= 0 && value <= highest[kind];
}

Condition token(const QString &column, int count, int value)
{
    return {QStringLiteral("[%1] LIKE ?").arg(column), QLatin1Char('%') + QString::number(count) +
                                                           QLatin1Char('X') + QString::number(value) +
                                                           QLatin1Char('%')};
}

Condition equals(const QString &target, int value)
{
    return {QStringLiteral("(LENGTH(TRIM([txtHisLst])) > 0) AND [%1] = ?").arg(target), value};
}

Condition never()
{
    return {QStringLiteral("0"), {}};
}

QString matchCount(const std::vector<Condition> &conditions, QVariantList &values)
{
    QStringList terms;
    for (const Condition &c : conditions) {
        terms << QStringLiteral("(CASE WHEN %1 THEN 1 ELSE 0 END)").arg(c.sql);
        if (c.value.isValid())
            values << c.value;
    }
    return terms.isEmpty() ? QStringLiteral("0") : terms.join(QStringLiteral(" + "));
}

void countMatches(Database &db, const std::vector<Condition> &conditions)
{
    // The same intTh as a reset to 0 followed by "intTh + 1 where it matches" for each condition,
    // in one pass that writes only the rows whose count changes.
    QVariantList values;
    const QString sum = matchCount(conditions, values);
    db.exec(QStringLiteral("UPDATE [Lishi] SET [intTh] = %1 WHERE [intTh] IS NOT (%1)").arg(sum),
            values + values);
}

namespace {

// Counters of the display kind, indexed by value: 号码 0..6, 大小 and 单双 0..1, 段数 0..3.
std::vector<qint64> emptyCounters(int kind)
{
    static const int sizes[KindCount] = {7, 2, 2, 4};
    return std::vector<qint64>(size_t(sizes[kind]), 0);
}

// The values the statistics grid lists, ascending.
std::vector<qint16> listedValues(int kind, int segmentBase)
{
    switch (kind) {
    case KindA:
        return {1, 2, 3, 4, 5, 6};
    case KindF:
        return {qint16(segmentBase), qint16(segmentBase + 1), qint16(segmentBase + 2)};
    default:
        return {0, 1};
    }
}

} // namespace

SearchResult collect(Database &db, const SearchState &state, const IssueRange &range,
                     const QString &condition, qint64 conditionValue)
{
    SearchResult result;
    result.bolSq = state.bolSq;
    result.displayKind = state.intXianshiLei;
    const int kind = state.intXianshiLei;
    const int start = state.bolZuxuan ? 1 : state.intConsqSort;
    const int end = state.intConsqSort;
    std::vector<qint64> counters = emptyCounters(kind);

    if (range.from && range.to) {
        FastStatement rows(db,
                           QStringLiteral("SELECT SQQH, [%1], [%2], [%3], [%4] FROM [Lishi] "
                                          "WHERE [SQQH] >= ? AND [SQQH] <= ? AND %5 ORDER BY SQQH")
                               .arg(LishiColumns::perPosition(1, kind), LishiColumns::perPosition(2, kind),
                                    LishiColumns::perPosition(3, kind),
                                    QLatin1String(state.bolSq ? "txtHisLst" : "txtHisPreLst"), condition));
        rows.bind(1, *range.from);
        rows.bind(2, *range.to);
        rows.bind(3, conditionValue);
        while (rows.next()) {
            ResultRow row;
            row.sqqh = rows.intValue(0);
            for (int p = 0; p < 3; ++p)
                row.values[p] = qint16(rows.intValue(p + 1));
            row.followed = rows.utf8Value(4).toByteArray();
            for (int q = start; q <= end; ++q) {
                const qint16 v = row.values[q - 1];
                if (v >= 0 && size_t(v) < counters.size())
                    ++counters[size_t(v)];
            }
            result.rows.push_back(std::move(row));
        }
    }
    result.total = qint64(end + 1 - start) * qint64(result.rows.size());

    // The tally goes through Carcu, which the database sorts.
    db.exec(QStringLiteral("DELETE FROM [Carcu]"));
    for (qint16 v : listedValues(kind, state.DsIni)) {
        const qint64 count = v >= 0 && size_t(v) < counters.size() ? counters[size_t(v)] : 0;
        db.exec(QStringLiteral("INSERT INTO [Carcu] ([Nmb], [Count]) VALUES (?, ?)"), {v, count});
    }
    QSqlQuery sorted =
        db.select(QStringLiteral("SELECT [Nmb], [Count] FROM [Carcu] ORDER BY [Count] DESC, [Nmb]"));
    while (sorted.next())
        result.tally.push_back({qint16(sorted.value(0).toInt()), sorted.value(1).toLongLong()});
    return result;
}

} // namespace SearchSteps
