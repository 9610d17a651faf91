#pragma once

// What a display of the query window publishes besides its grid. The grid itself is a TextGrid; its
// totals are compensated sums (Sum, with the number helpers).

#include "app/TextGrid.h"
#include "app/VbCompat.h"

#include <QString>
#include <optional>

namespace tv {

// What one display of the query window produces: it is computed whole before anything is shown, so a
// display that fails publishes nothing.
struct QueryDisplay
{
    TextGrid grid;
    int gridRow = 1;                  // the row after the last data row, where a totals row stands
    QString count;                    // the record-count box
    QString repWhere;                 // g_RepWhere
    std::optional<QString> lastWhere; // g_LastWhere, where the display sets it
    std::optional<int> listRows;      // g_ListRows, where the display sets it
};

// Writes the module state a display sets: g_RepWhere, and g_LastWhere and g_ListRows where it sets them.
void PublishQueryState(const QueryDisplay &d);

} // namespace tv
