#pragma once

class GridModel;
class HistorySnapshot;
struct DrawCore;

namespace HistoryGrid {

// Draw counts above this scroll the grid to its last row after filling.
constexpr int ScrollAfterDraws = 39;

// AddHaoma's filling of the history grid: header, one row per draw oldest first, the latest
// draws in view. The grid keeps its own compact copy of the issues and numbers.
void fill(GridModel &grid, const HistorySnapshot &snapshot);

// One draw stored after the others: the grid grows by a row, as fill() would show it. False
// when the grid does not show a history filled by fill() (then fill it).
bool append(GridModel &grid, const DrawCore &draw);

} // namespace HistoryGrid
