#pragma once

#include "HistoryText.h"

#include <vector>

class HistoryDb;

namespace HistoryWriter {

// The rows of a whole history written in this order, each derived from the row before it; the
// first row has no previous draw. With `earlierTexts` every row also carries the texts of the
// draw two rows back (the rebuild writes them).
std::vector<DrawRecord> rowsFor(const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts);

// Replaces the stored history with `draws`, in one transaction: afterwards the table holds
// either the old history or the new one.
bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts);

} // namespace HistoryWriter
