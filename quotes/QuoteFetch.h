#pragma once

// One request for a whole quote list through the transfer control, read by its source's rules. A page
// that does not come, or does not read, is the failure of every entry (price "0"); nothing here writes a
// buffer, so a caller keeps the results where it wants them.

#include "quotes/QuoteScan.h"
#include "quotes/StockQuotes.h"

#include <QStringList>

namespace tv {

class Inet;

// Stock entries codes[1] to codes[n] from the source's quote service.
QuoteReading FetchStockQuotes(Inet &inet, QuoteSource source, const QStringList &codes, int n);

// Fund net values of codes[1] to codes[n] (six digits, no "k"): the fund list page, or for sina its
// net-value ranking page.
QuoteReading FetchFundPrices(Inet &inet, const QStringList &codes, int n);
QuoteReading FetchFundSina(Inet &inet, const QStringList &codes, int n);
QuoteReading FetchFundQuotes(Inet &inet, QuoteSource source, const QStringList &codes, int n);

// A fund page that failed is reported once, naming the fund being read (none when no page came).
void ReportFundFailure(const QuoteReading &reading, const QStringList &codes);

} // namespace tv
