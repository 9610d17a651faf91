#include "reports/DayTrades.h"

#include "app/VbCompat.h"
#include "journal/TradeEntry.h"
#include "reports/QueryCondition.h"
#include "reports/TradeList.h"

namespace tv {

namespace {
constexpr int kType = 2, kQuantity = 5, kFlow = 13, kLatest = 15;
} // namespace

TextGrid DayLayout()
{
    // The trade list's columns, with a narrower 最新行情.
    TextGrid g = TradeListLayout();
    g.widths[kLatest] = 1200;
    return g;
}

double DayResult(const TextGrid &grid, int rows)
{
    Sum result;
    for (int r = 1; r <= rows; ++r) {
        if (r >= grid.rowCount() || grid.rows[r].join(QString()).isEmpty())
            continue; // the row of a trade without a code
        const double moved = HoldingChange(grid.text(r, kType), Val(grid.text(r, kQuantity)));
        result.add(Val(grid.text(r, kFlow)) + Val(grid.text(r, kLatest)) * moved);
    }
    return result.value();
}

DayTrades TradesOfDay(Database &db, const QDate &day)
{
    const QueryDisplay list = TradeList(db, DailyCondition(day));
    DayTrades d;
    d.grid = list.grid;
    d.grid.widths = DayLayout().widths;
    d.result = DayResult(d.grid, list.gridRow - 1);
    return d;
}

} // namespace tv
