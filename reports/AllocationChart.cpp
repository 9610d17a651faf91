#include "reports/AllocationChart.h"

#include "app/VbCompat.h"

#include <cmath>

namespace tv {

namespace {

constexpr int kNameColumn = 0;
constexpr int kCashColumn = 8;
constexpr int kMarketValueColumn = 15;

double sliceValue(const QString &cell)
{
    const double v = Val(cell);
    return std::isfinite(v) && v > 0 ? v : 0;
}

} // namespace

QList<PieSlice> AllocationSlices(const TextGrid &grid, int totalsRow)
{
    QList<PieSlice> slices;
    for (int r = 1; r < totalsRow; ++r)
        slices << PieSlice{grid.text(r, kNameColumn), sliceValue(grid.text(r, kMarketValueColumn)),
                           QString()};
    slices << PieSlice{kCashSlice, sliceValue(grid.text(totalsRow, kCashColumn)), QString()};

    Sum whole;
    for (const PieSlice &s : slices)
        whole.add(s.value);
    if (!(whole.value() > 0) || !std::isfinite(whole.value()))
        return {};
    for (PieSlice &s : slices)
        s.percent = Format(s.value / whole.value(), QStringLiteral("0.0%"));
    return slices;
}

} // namespace tv
