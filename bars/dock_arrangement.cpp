#include "bars/dock_arrangement.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace {

constexpr int PositionLimit = 1 << 24;

// Rows in use keep their order and are renumbered 0, 1, 2, ...: a row number from saved data,
// however large, costs nothing.
void RemoveBlankRows(std::vector<TDockBarRecord>& bars)
{
    std::vector<int> rows;
    rows.reserve(bars.size());
    for (TDockBarRecord& b : bars) {
        b.DockRow = std::max(b.DockRow, 0);
        // Positions far beyond any dock behave like the far end and cannot overflow sums.
        b.DockPos = std::clamp(b.DockPos, -PositionLimit, PositionLimit);
        rows.push_back(b.DockRow);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (TDockBarRecord& b : bars)
        b.DockRow = int(std::lower_bound(rows.begin(), rows.end(), b.DockRow) - rows.begin());
}

int HighestRow(const std::vector<TDockBarRecord>& bars)
{
    int highest = -1;
    for (const TDockBarRecord& b : bars)
        highest = std::max(highest, b.DockRow);
    return highest;
}

// Record indexes by (row, position).
std::vector<size_t> SortedOrder(const std::vector<TDockBarRecord>& bars)
{
    std::vector<size_t> order(bars.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (bars[a].DockRow != bars[b].DockRow)
            return bars[a].DockRow < bars[b].DockRow;
        return bars[a].DockPos < bars[b].DockPos;
    });
    return order;
}

} // namespace

std::vector<int> DockRowSizes(const std::vector<TDockBarRecord>& bars)
{
    // Only shown bars size rows: a floating bar that keeps the dock may still carry a row number
    // from saved data, which no arrangement has renumbered yet.
    int highest = -1;
    for (const TDockBarRecord& b : bars)
        if (b.Visible)
            highest = std::max(highest, b.DockRow);
    std::vector<int> sizes(highest < 0 ? 0 : size_t(highest) + 1, 0);
    std::vector<bool> used(sizes.size(), false);
    for (const TDockBarRecord& b : bars) {
        if (!b.Visible || b.DockRow < 0)
            continue;
        sizes[size_t(b.DockRow)] = std::max(sizes[size_t(b.DockRow)], b.BarSize);
        used[size_t(b.DockRow)] = true;
    }
    for (size_t r = 0; r < sizes.size(); ++r)
        if (used[r] && sizes[r] < 8)
            sizes[r] = 8;
    return sizes;
}

TDockArrangement ArrangeDockBars(std::vector<TDockBarRecord>& bars, const TDockArrangementInput& input)
{
    TDockArrangement result;
    result.Bounds.assign(bars.size(), TRect());
    const bool anyVisible =
        std::any_of(bars.begin(), bars.end(), [](const TDockBarRecord& b) { return b.Visible; });
    if (!anyVisible) {
        result.Thickness = input.FixAlign ? 1 : 0;
        return result;
    }
    const int freeLength = std::max(input.FreeLength, 0);

    if (input.LimitToOneRow)
        for (TDockBarRecord& b : bars)
            b.DockRow = 0;
    RemoveBlankRows(bars);
    std::vector<size_t> order = SortedOrder(bars);

    // A full-size bar that shares its row pushes the others of that row, and all later rows, down.
    for (int row = 0; row <= HighestRow(bars); ++row) {
        for (size_t i : order) {
            if (bars[i].DockRow != row || !bars[i].FullSize)
                continue;
            const bool shared = std::any_of(bars.begin(), bars.end(), [&](const TDockBarRecord& o) {
                return &o != &bars[i] && o.DockRow == row;
            });
            if (!shared)
                continue;
            for (TDockBarRecord& o : bars)
                if (&o != &bars[i] && o.DockRow >= row)
                    ++o.DockRow;
        }
    }
    order = SortedOrder(bars);
    result.RowSizes = DockRowSizes(bars);
    const int rows = int(result.RowSizes.size());

    // Bars of a row one after the other, from their own positions on.
    for (int row = 0; row < rows; ++row) {
        int end = 0;
        for (size_t i : order) {
            TDockBarRecord& b = bars[i];
            if (b.DockRow != row || !b.Visible)
                continue;
            if (b.FullSize)
                b.DockPos = 0;
            else if (b.DockPos < end)
                b.DockPos = end;
            else
                end = b.DockPos;
            end += b.Length;
        }
    }

    // Inside the dock where they fit; when they do not, the first ones win.
    std::vector<int> working(bars.size());
    for (size_t i = 0; i < bars.size(); ++i)
        working[i] = bars[i].DockPos;
    for (int row = 0; row < rows; ++row) {
        std::vector<size_t> onRow;
        for (size_t i : order)
            if (bars[i].DockRow == row && bars[i].Visible && !bars[i].FullSize)
                onRow.push_back(i);
        int limit = freeLength;
        for (auto it = onRow.rbegin(); it != onRow.rend(); ++it) {
            if (working[*it] > limit - bars[*it].Length)
                working[*it] = limit - bars[*it].Length;
            limit = working[*it];
        }
        int end = 0;
        for (size_t i : onRow) {
            if (working[i] < end)
                working[i] = end;
            end = working[i] + bars[i].Length;
        }
    }
    if (input.CommitPositions)
        for (size_t i = 0; i < bars.size(); ++i)
            if (bars[i].Visible)
                bars[i].DockPos = working[i];

    int offset = 0;
    for (int row = 0; row < rows; ++row) {
        const int size = result.RowSizes[size_t(row)];
        const int thickness = size != 0 ? size + 4 : 0;
        for (size_t i : order) {
            const TDockBarRecord& b = bars[i];
            if (b.DockRow != row || !b.Visible)
                continue;
            const int length = b.FullSize ? freeLength : b.Length;
            result.Bounds[i] = input.LeftRight ? Bounds(offset, working[i], thickness, length)
                                               : Bounds(working[i], offset, length, thickness);
        }
        offset += thickness;
    }
    result.Thickness = offset;
    return result;
}

TDockRowHit DockRowOf(const std::vector<int>& rowSizes, int coord)
{
    const int highest = int(rowSizes.size()) - 1;
    long long start = 0;
    for (int row = 0; row <= highest + 1; ++row) {
        const bool virtualRow = row == highest + 1;
        const int size = virtualRow ? 0 : rowSizes[size_t(row)];
        if (!virtualRow && size == 0)
            continue;
        const long long end = virtualRow ? LLONG_MAX : start + size + 4;
        if (coord < start + 5)
            return {row, true};
        if (coord < end - 5)
            return {row, false};
        start = end;
    }
    return {0, false};
}
