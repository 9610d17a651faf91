#pragma once

// The shares of the allocation pie: one slice per holding of the analysis grid (its market value) and
// one for the cash of its totals row, each with its share of the whole as "0.0%".

#include "reports/QueryGrid.h"

namespace tv {

struct PieSlice
{
    QString name; // the security's name, or "资金余额"
    double value = 0;
    QString percent; // the share, "0.0%"
};

inline const QString kCashSlice = QStringLiteral("资金余额");

// The holdings are grid rows 1 to totalsRow - 1 (column 0 the name, 15 the market value); the cash is
// column 8 of the totals row. A value that is negative or not a number counts as 0. Nothing when every
// value is 0: there is no whole to take shares of.
QList<PieSlice> AllocationSlices(const TextGrid &grid, int totalsRow);

} // namespace tv
