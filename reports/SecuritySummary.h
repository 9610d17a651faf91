#pragma once

// The per-security summary of a date range: one row per security with journal rows in the range (its
// trade count, holding before the range and at its end, the sums of the range, the latest price and the
// floating profit or loss), then a " 合计" row.

#include "reports/QueryGrid.h"

#include <QDate>

namespace tv {

class Database;

TextGrid SummaryLayout(); // the 14 columns of the summary, header only

// Both ends of the range are included; securities in ascending 证券代码. Sets g_RepWhere to the range
// and leaves g_LastWhere and g_ListRows alone.
QueryDisplay SecuritySummary(Database &db, const QDate &from, const QDate &to);

} // namespace tv
