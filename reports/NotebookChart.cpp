#include "reports/NotebookChart.h"

#include "app/VbCompat.h"

#include <algorithm>

namespace tv {

ChartStart ChartStartFor(int bookRows)
{
    if (bookRows <= 0)
        return {};
    if (bookRows <= kChartWholeRows)
        return {true, false, 1};
    return {true, true, bookRows - kChartWholeRows};
}

ChartSpan ChartSpanAt(int bookRows, int position, int window, bool toEnd)
{
    ChartSpan s;
    s.first = std::max(1, position);
    const int toLast = std::max(0, bookRows - s.first + 1);
    if (toEnd) {
        s.count = toLast;
        // An empty span never leaves a window of no rows behind.
        s.window = toLast > 0 ? toLast : window;
    } else {
        s.count = std::min(std::max(0, window), toLast);
        s.window = window;
    }
    return s;
}

ChartRow ChartRowOf(const TextGrid &grid, int gridRow)
{
    ChartRow row;
    row.label = grid.text(gridRow, 0).mid(5);
    for (int j = 0; j < 4; ++j)
        row.values[j] = Val(grid.text(gridRow, j + 1));
    return row;
}

} // namespace tv
