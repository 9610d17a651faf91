#pragma once

// The notebook's chart over a scrolling window of the list's rows: which grid rows it shows at a scroll
// position, and what one chart row holds.

#include "reports/QueryGrid.h"

#include <array>
#include <functional>

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

// Everything the chart draws for `count` grid rows from `first` on, column by column so each series takes
// its values in one piece. The category axis keeps one of equal names, so a label met again (the same
// "MM-dd" of another year) becomes its own category with zero-width spaces after it, one more each time.
struct ChartData
{
    QStringList labels;
    QStringList categories;
    std::array<QList<qreal>, 4> columns; // 资金余额, 证券市值, 资产总值, 上证指数 per chart row
    double low = 0, high = 0;            // the three money columns, and 0
    double indexLow = 0, indexHigh = 0; // the index column; both 0 for no rows
};
ChartData ChartDataOf(const TextGrid &grid, int first, int count);

// Whether the category axis names `rows` rows across a plot `plotWidth` pixels wide: it names none
// with less than 2 pixels a row.
bool ChartRowsNamed(qsizetype rows, double plotWidth);

// A row's three bars share half its width, so below 6 pixels a row they are thinner than a pixel and
// fade to nothing (10,000 rows make 30,000 bars no one sees, and take longest of all to make and paint).
// There the bar series holds one bar for every `step` rows in turn, as few as keep each bar a pixel wide:
// each the value among its rows that reaches furthest from 0, the first of equal ones, so the tallest
// of them stands as tall as it would alone. The step is 1 while every row has its 6 pixels; the index
// line keeps every row.
constexpr int kChartRowPixels = 6;
int ChartBarStep(qsizetype rows, double plotWidth);
struct ChartBars
{
    int step = 1;
    std::array<QList<qreal>, 3> values; // per money column, one per bar
    std::array<QList<int>, 3> rows;     // the chart row (from 0) whose value each bar shows
    double spanEnd = 0.5;               // the bars' axis spans -0.5 to this, in bars, as the rows span theirs
};
ChartBars ChartBarsOf(const ChartData &data, int step);

// The category the axis measures as its widest, by a width of text; the first of equal widths.
QString ChartWidestCategory(const ChartData &data, const std::function<double(const QString &)> &width);

} // namespace tv
