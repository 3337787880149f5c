#pragma once

class GridModel;
class HistorySnapshot;

namespace HistoryGrid {

// Draw counts above this scroll the grid to its last row after filling.
constexpr int ScrollAfterDraws = 39;

// AddHaoma's filling of the history grid: header, one row per draw oldest first, the latest
// draws in view.
void fill(GridModel &grid, const HistorySnapshot &snapshot);

} // namespace HistoryGrid
