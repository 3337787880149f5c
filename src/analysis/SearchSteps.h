#pragma once

#include "SearchResult.h"
#include "SearchState.h"

#include <QString>

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

void resetCounters(Database &db);
// intTh + 1 where `column` holds the occurrence token "<count>X<value>".
void countToken(Database &db, const QString &column, int count, int value);
// intTh + 1 where the row has a previous draw and `target` equals `value`.
void countValue(Database &db, const QString &target, int value);

// Reads the rows in `range` that satisfy `condition` (a fixed fragment, its integer bound to the
// single '?' it holds), lists them and tallies them through Carcu.
SearchResult collect(Database &db, const SearchState &state, const IssueRange &range, const QString &condition,
                     qint64 conditionValue);

} // namespace SearchSteps
