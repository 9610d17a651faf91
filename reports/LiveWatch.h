#pragma once

// The query window's side of the live watch, read from the holdings analysis's grid (row 0 the header,
// rows 1 up the holdings: column 0 the name, 1 the code, 6 the holding, 14 the latest price).

#include "reports/QueryGrid.h"

#include <QList>
#include <QStringList>

namespace tv {

// The price update's code lists: the index, then the code of each listed holding, cut into lists of at
// most 30 entries (the most one update takes), each 1-based.
QList<QStringList> PriceUpdateLists(const TextGrid &grid, int listRows);

// Writes watch element 1 (the index: name, code, quantity 0) and, from the grid, the name, code, price
// and quantity of elements 2 on, for as many holdings as the watch list holds.
void PublishWatchList(const TextGrid &grid, int listRows);

} // namespace tv
