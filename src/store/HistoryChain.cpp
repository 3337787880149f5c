// The rows a write chains to (the last one, the one before an issue, those after it), and storing
// a draw where its issue belongs: the draws after it are chained to it.
#include "HistoryDb.h"

#include "Derivation.h"
#include "HistoryDbSql.h"
#include "LishiColumns.h"

using namespace HistoryDbSql;

namespace {

// "col = ?" for the per-position columns with `suffix`, and the texts of an earlier draw, which
// only a rebuilt row carries (a row without them keeps none).
QStringList perPositionAssignments(const char *suffix)
{
    QStringList set;
    for (int p = 1; p <= PositionCount; ++p)
        for (int k = 0; k < KindCount; ++k)
            set << LishiColumns::perPosition(p, k, suffix) + QStringLiteral(" = ?");
    return set;
}

QStringList earlierTextAssignments()
{
    QStringList set;
    QStringList names{QStringLiteral("txtHisPreLst")};
    for (int k = 0; k < KindCount; ++k)
        names << LishiColumns::earlierText(k);
    for (const QString &name : names)
        set << QStringLiteral("%1 = CASE WHEN %1 IS NULL THEN NULL ELSE ? END").arg(name);
    return set;
}

void bindValues(FastStatement &statement, int &i, const DrawValues &values)
{
    for (int p = 0; p < PositionCount; ++p)
        for (int k = 0; k < KindCount; ++k)
            statement.bind(i++, values[p][k]);
}

void bindTextsOf(FastStatement &statement, int &i, const QString &digits,
                 const std::array<QString, KindCount> &occurrence)
{
    bindString(statement, i++, digits);
    for (int k = 0; k < KindCount; ++k)
        bindString(statement, i++, occurrence[k]);
}

void bindTextsOf(FastStatement &statement, int &i, const DrawValues &values)
{
    std::array<QString, KindCount> occurrence;
    for (int k = 0; k < KindCount; ++k)
        occurrence[k] = Derivation::occurrenceText(Derivation::kindValues(values, k));
    bindTextsOf(statement, i,
                Derivation::digitsText({values[0][KindA], values[1][KindA], values[2][KindA]}), occurrence);
}

} // namespace

bool HistoryDb::lastRow(std::optional<DrawCore> &row)
{
    row.reset();
    if (isPending()) // no file yet: nothing stored
        return true;
    FastStatement q(
        m_db,
        QStringLiteral("SELECT %1 FROM Lishi ORDER BY SQQH DESC, rowid DESC LIMIT 1").arg(snapshotColumns()));
    if (q.next()) {
        row.emplace();
        readCore(q, *row);
    }
    if (q.error().isEmpty())
        return true;
    m_error = q.error();
    return false;
}

std::optional<bool> HistoryDb::storesIssue(qint32 issue)
{
    if (isPending()) // no file yet: nothing stored
        return false;
    FastStatement q(m_db, QStringLiteral("SELECT 1 FROM Lishi WHERE SQQH = ? LIMIT 1"));
    q.bind(1, issue);
    const bool found = q.next();
    if (!q.error().isEmpty()) {
        m_error = q.error();
        return std::nullopt;
    }
    return found;
}

bool HistoryDb::numbersOf(qint32 issue, std::optional<Numbers> &numbers)
{
    numbers.reset();
    if (isPending()) // no file yet: nothing stored
        return true;
    FastStatement q(m_db, QStringLiteral("SELECT L1A, L2A, L3A FROM Lishi WHERE SQQH = ? LIMIT 1"));
    q.bind(1, issue);
    if (q.next())
        numbers = Numbers{qint16(q.intValue(0)), qint16(q.intValue(1)), qint16(q.intValue(2))};
    if (q.error().isEmpty())
        return true;
    m_error = q.error();
    return false;
}

bool HistoryDb::rowBefore(qint32 issue, std::optional<DrawCore> &row)
{
    row.reset();
    if (isPending()) // no file yet: nothing stored
        return true;
    FastStatement q(m_db, QStringLiteral("SELECT %1 FROM Lishi WHERE SQQH < ? ORDER BY SQQH DESC, rowid DESC LIMIT 1")
                              .arg(snapshotColumns()));
    q.bind(1, issue);
    if (q.next()) {
        row.emplace();
        readCore(q, *row);
    }
    if (q.error().isEmpty())
        return true;
    m_error = q.error();
    return false;
}

bool HistoryDb::rowsAfter(qint32 issue, std::vector<DrawCore> &rows)
{
    rows.clear();
    FastStatement q(m_db, QStringLiteral("SELECT %1 FROM Lishi WHERE SQQH > ? ORDER BY SQQH, rowid LIMIT 2")
                              .arg(snapshotColumns()));
    q.bind(1, issue);
    while (q.next())
        readCore(q, rows.emplace_back());
    if (q.error().isEmpty())
        return true;
    m_error = q.error();
    return false;
}

bool HistoryDb::runUpdate(const QString &sql, const std::function<void(FastStatement &, int &)> &bindAll)
{
    FastStatement update(m_db, sql);
    int i = 1;
    bindAll(update, i);
    if (update.execute())
        return true;
    m_error = update.error();
    return false;
}

std::optional<DrawRecord> HistoryDb::insertInPlace(qint32 issue, const Numbers &numbers,
                                                   const std::optional<DrawCore> &previous, int segmentBase)
{
    std::optional<DrawRecord> row = Derivation::makeRow(issue, numbers, previous ? &*previous : nullptr, segmentBase);
    if (!row) {
        m_error = QStringLiteral("期号 %1 太大").arg(issue);
        return std::nullopt;
    }
    std::vector<DrawCore> after;
    if (!bindAndRun(*row) || !rowsAfter(issue, after))
        return std::nullopt;
    // The new row and the one after it (now chained to it) change in the packed copy.
    packTouched(issue, after.empty() ? issue : after[0].sqqh);
    m_packCollected.reset();
    // The draw after it now follows this one, and the draw after that has it two back.
    if (!after.empty()) {
        QStringList set = perPositionAssignments("S") + perPositionAssignments("P");
        set << QStringLiteral("txtHisLst = ?");
        for (int k = 0; k < KindCount; ++k)
            set << LishiColumns::previousText(k) + QStringLiteral(" = ?");
        set += earlierTextAssignments();
        const bool done = runUpdate(QStringLiteral("UPDATE Lishi SET %1 WHERE SQQH = ?").arg(set.join(',')),
                                    [&](FastStatement &u, int &i) {
                                        bindValues(u, i, row->value);
                                        bindValues(u, i, row->prev);
                                        bindTextsOf(u, i, row->value);
                                        bindTextsOf(u, i, row->txtHisLst, row->occurrence);
                                        u.bind(i++, after[0].sqqh);
                                    });
        if (!done)
            return std::nullopt;
    }
    if (after.size() > 1) {
        const QStringList set = perPositionAssignments("P") + earlierTextAssignments();
        const bool done = runUpdate(QStringLiteral("UPDATE Lishi SET %1 WHERE SQQH = ?").arg(set.join(',')),
                                    [&](FastStatement &u, int &i) {
                                        bindValues(u, i, row->value);
                                        bindTextsOf(u, i, row->value);
                                        u.bind(i++, after[1].sqqh);
                                    });
        if (!done)
            return std::nullopt;
    }
    return row;
}

