#include "SearchSteps.h"

#include "Database.h"
#include "LishiColumns.h"

#include <QSqlQuery>

namespace SearchSteps {

namespace {

// "ORDER BY SQQH" with the order of equal issues made explicit, as the ordered snapshot reads them.
const char *const historyOrder = "ORDER BY SQQH, rowid";

// One UPDATE … FROM a window over the history: each named column gets the value of `sources[i]`
// `back` rows earlier, or `fallback` where there is none. Only rows that change are written.
void copyFromEarlierRows(Database &db, const QStringList &targets, const QStringList &sources, int back,
                         const QString &fallback)
{
    QStringList window, assignments, changed;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        window << QStringLiteral("LAG([%1], %2, %3) OVER (%4) AS v%5")
                      .arg(sources[i])
                      .arg(back)
                      .arg(fallback, QLatin1String(historyOrder))
                      .arg(i);
        assignments << QStringLiteral("[%1] = w.v%2").arg(targets[i]).arg(i);
        changed << QStringLiteral("[Lishi].[%1] IS NOT w.v%2").arg(targets[i]).arg(i);
    }
    db.exec(QStringLiteral("UPDATE [Lishi] SET %1 FROM (SELECT rowid AS id, %2 FROM [Lishi]) AS w "
                           "WHERE [Lishi].rowid = w.id AND (%3)")
                .arg(assignments.join(QStringLiteral(", ")), window.join(QStringLiteral(", ")),
                     changed.join(QStringLiteral(" OR "))));
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
    copyFromEarlierRows(db, targets, sources, state.intPreQi - 1, QStringLiteral("''"));
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
        copyFromEarlierRows(db, targets, sources, state.bolSq ? 1 : state.intPreQi, QStringLiteral("0"));
}

bool hasCounter(int kind, int value)
{
    static const int highest[KindCount] = {9, 1, 1, 3};
    return kind >= 0 && kind < KindCount && value >= 0 && value <= highest[kind];
}

void resetCounters(Database &db)
{
    // Rows already at 0 are left as they are: after the first search that is most of them.
    db.exec(QStringLiteral("UPDATE [Lishi] SET [intTh]=0 WHERE [intTh] IS NOT 0"));
}

void countToken(Database &db, const QString &column, int count, int value)
{
    db.exec(QStringLiteral("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [%1] LIKE ?").arg(column),
            {QLatin1Char('%') + QString::number(count) + QLatin1Char('X') + QString::number(value) + QLatin1Char('%')});
}

void countValue(Database &db, const QString &target, int value)
{
    db.exec(QStringLiteral("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE (LENGTH(TRIM([txtHisLst])) > 0) "
                           "AND [%1] = ?")
                .arg(target),
            {value});
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
    case KindA: return {1, 2, 3, 4, 5, 6};
    case KindF: return {qint16(segmentBase), qint16(segmentBase + 1), qint16(segmentBase + 2)};
    default: return {0, 1};
    }
}

} // namespace

SearchResult collect(Database &db, const SearchState &state, const IssueRange &range, const QString &condition,
                     qint64 conditionValue)
{
    SearchResult result;
    result.bolSq = state.bolSq;
    result.displayKind = state.intXianshiLei;
    const int kind = state.intXianshiLei;
    const int start = state.bolZuxuan ? 1 : state.intConsqSort;
    const int end = state.intConsqSort;
    std::vector<qint64> counters = emptyCounters(kind);

    if (range.from && range.to) {
        FastQuery rows(db, QStringLiteral("SELECT SQQH, [%1], [%2], [%3], [%4] FROM [Lishi] "
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
    QSqlQuery sorted = db.select(QStringLiteral("SELECT [Nmb], [Count] FROM [Carcu] ORDER BY [Count] DESC, [Nmb]"));
    while (sorted.next())
        result.tally.push_back({qint16(sorted.value(0).toInt()), sorted.value(1).toLongLong()});
    return result;
}

} // namespace SearchSteps
