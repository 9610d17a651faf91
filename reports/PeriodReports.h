#pragma once

// The period reports of the query window: the daily report is the trade list of one day; the monthly
// and yearly reports give one row per settlement day (month) with the number of rep rows and the sums of
// quantity, amount, the four fees and the cash flow, and a " 合计" row.

#include "reports/QueryGrid.h"

#include <QDate>

namespace tv {

class Database;

TextGrid PeriodLayout(); // the 9 columns of the monthly and yearly reports, header only

QueryDisplay DailyReport(Database &db, const QDate &day);
QueryDisplay MonthlyReport(Database &db, const QDate &date); // the month of the date, one row a day
QueryDisplay YearlyReport(Database &db, const QDate &date);  // the year of the date, one row a month

} // namespace tv
