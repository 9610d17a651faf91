#pragma once

// The notebook's chart over a scrolling window of the list's rows: which grid rows it shows at a scroll
// position, and what one chart row holds.

#include "reports/QueryGrid.h"

#include <array>

namespace tv {

constexpr int kChartStartWindow = 21; // rows shown while scrolling, when the window opens
constexpr int kChartWholeRows = 20;   // a list this long or shorter is drawn whole, without the bar

// Where the chart starts when its page is shown for a list of bookRows snapshots: nothing to draw for an
// empty list; up to 20 rows all of them with the bar hidden at 1; more from bookRows − 20 on, bar shown.
struct ChartStart
{
    bool chart = false;
    bool bar = false;
    int position = 1;
};
ChartStart ChartStartFor(int bookRows);

// The grid rows shown from scroll position `position` on (grid rows 1 to bookRows hold the snapshots):
// `window` rows, fewer near the end; in to-end mode every row to the last, and that count becomes the
// window size from then on.
struct ChartSpan
{
    int first = 1;
    int count = 0;
    int window = kChartStartWindow;
};
ChartSpan ChartSpanAt(int bookRows, int position, int window, bool toEnd);

// Chart row k (from 1) at scroll position v shows grid row k + v − 1.
inline int ChartGridRow(int chartRow, int position)
{
    return chartRow + position - 1;
}

// One chart row from a grid row: the date without its first five characters ("MM-dd") and the numbers
// of columns 1 to 4 (资金余额, 证券市值, 资产总值, 上证指数); an empty cell is 0.
struct ChartRow
{
    QString label;
    std::array<double, 4> values{};
};
ChartRow ChartRowOf(const TextGrid &grid, int gridRow);

} // namespace tv
