#pragma once

#include "SearchResult.h"
#include "SearchState.h"

#include <QString>
#include <QVariant>
#include <vector>

class Database;

// The steps the follow search and the combination search share. Each one is a statement over
// Lishi that is skipped when it fails; the search goes on with the next one.
namespace SearchSteps {

// The text column that free positions match: the kind's previous-draw occurrence text in 上期
// mode, its N-back twin in 前N期 mode.
QString matchColumn(const SearchState &state);

// 前N期: give every row the digits text (and, with free positions, the match text) of the draw
// N before it; rows without one get empty texts.
void rebuildEarlierTexts(Database &db, const SearchState &state);

// The per-position column fixed positions compare: L<p><k>S in 上期 mode, L<p><k>P in 前N期 mode.
QString targetColumn(int position, const SearchState &state);

// Fixed positions: fill the target columns of the given positions with the value one (or N)
// draws before; rows without such a draw get 0.
void rebuildTargets(Database &db, const SearchState &state, const Positions &positions);

// Whether v has an occurrence counter in the kind (values outside match nothing).
bool hasCounter(int kind, int value);

// One match condition on a row, with the value bound to its single '?' (if any).
struct Condition
{
    QString sql;
    QVariant value;
};
// The occurrence token "<count>X<value>" in a text column.
Condition token(const QString &column, int count, int value);
// The row has a previous draw and `target` equals `value`.
Condition equals(const QString &target, int value);
// Matches no row (a pattern value the kind does not have).
Condition never();

// An SQL expression for how many of the conditions a row meets; their values are appended to
// `values` in the order of the expression's placeholders.
QString matchCount(const std::vector<Condition> &conditions, QVariantList &values);
// intTh := how many of the conditions the row meets.
void countMatches(Database &db, const std::vector<Condition> &conditions);

// Reads the rows in `range` that satisfy `condition` (a fixed fragment, its integer bound to the
// single '?' it holds), lists them and tallies them through Carcu.
SearchResult collect(Database &db, const SearchState &state, const IssueRange &range,
                     const QString &condition, qint64 conditionValue);

} // namespace SearchSteps
