#pragma once
// Where the bars of a dock go: a pure function over bar records, so that the dock itself only
// collects the records and applies the result.
#include "platform/graphics.h"

#include <vector>

struct TDockBarRecord {
    int DockRow = 0;
    int DockPos = 0;
    int Length = 0;  // along the dock: Width on top/bottom docks, Height on left/right ones
    int BarSize = 0; // the bar's size across the dock
    bool FullSize = false;
    bool Visible = true; // shown on this dock (a floating bar that keeps the dock is not)
};

struct TDockArrangementInput {
    bool LeftRight = false; // a left or right dock: rows run top to bottom
    int FreeLength = 0;     // room along the dock (client length)
    bool LimitToOneRow = false;
    bool CommitPositions = false;
    bool FixAlign = false;
};

struct TDockArrangement {
    std::vector<TRect> Bounds; // per record, in the dock's client coordinates; empty when not shown
    std::vector<int> RowSizes; // per row, 0 for a row without shown bars
    int Thickness = 0;         // across the dock, its own frame not counted
};

// Arranges bars (rows and positions are repaired in place): rows are made 0 or more and
// numbered without gaps, full-size bars get rows of their own, bars on a row are put one after
// the other and pulled inside the dock where they fit. Stored positions take the clipped ones
// only with CommitPositions.
TDockArrangement ArrangeDockBars(std::vector<TDockBarRecord>& bars, const TDockArrangementInput& input);

// Row sizes as the arrangement makes them: the largest bar of each row, 8 at least for a row
// with a shown bar, 0 without.
std::vector<int> DockRowSizes(const std::vector<TDockBarRecord>& bars);

// The row a coordinate across the dock falls on while dragging: within 5 pixels of a row
// boundary a new row is to be inserted there (before = true).
struct TDockRowHit {
    int Row = 0;
    bool Before = false;
};
TDockRowHit DockRowOf(const std::vector<int>& rowSizes, int coord);
