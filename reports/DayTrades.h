#pragma once

// The trades of one settlement day: every rep row of the day with its security's name and latest price,
// a " 合计" row, and the day's result valued at the latest prices.

#include "reports/QueryGrid.h"

#include <QDate>

namespace tv {

class Database;

TextGrid DayLayout(); // the 16 columns of the day grid, header only

struct DayTrades
{
    TextGrid grid; // header, the day's rows, " 合计", one empty row
    double result = 0;
};

DayTrades TradesOfDay(Database &db, const QDate &day);

// The result of the data rows 1 to rows of a day grid: each row adds 收支金额 + 最新行情 × the row's change
// of holding (HoldingChange of its 交易类别 and 成交数量), all read from the cells' texts. A row without a
// code adds nothing; a row whose security has no latest price only its 收支金额.
double DayResult(const TextGrid &grid, int rows);

} // namespace tv
