#pragma once

#include "DrawRecord.h"

// Everything stored in a history row follows from its three numbers and the row before it.
// Every writer of history rows goes through here.
namespace Derivation {

// A, B, E, F of one number: 大 is "greater than 2", segments (n-1)/2 + base.
Classes classify(qint16 number, int segmentBase);

// One token per position, "<k>X<v> ", where k counts the occurrences of v so far.
QString occurrenceText(const std::array<qint16, PositionCount> &values);

// The three numbers as digits, in drawn order.
QString digitsText(const Numbers &numbers);

// A complete row for issue `issue` after `previous` (none for the first row ever stored).
// Nothing when the issue has no 32-bit successor for QQH.
std::optional<DrawRecord> makeRow(qint32 issue, const Numbers &numbers, const DrawCore *previous,
                                  int segmentBase);

// The values of one kind across the three positions.
std::array<qint16, PositionCount> kindValues(const DrawValues &values, int kind);

} // namespace Derivation
