#pragma once

// The holdings analysis: for every security its last journal row on or before a date; each still held
// becomes a row with its latest price and market value, under a " 合计" row with the cash of that date.
// It also gives the total assets and the index row's and the holdings' entries of the watch list.

#include "app/Globals.h"
#include "journal/Securities.h"
#include "reports/QueryGrid.h"

#include <QDate>

namespace tv {

class Database;


TextGrid AnalysisLayout(); // the 16 columns of the analysis, header only

// One watch element as the analysis fills it: the index row's price, change, target and stop, or a
// holding's code, change, target and stop.
struct WatchEntry
{
    QString code;
    QString price;
    QString change;
    double target = 0;
    double stop = 0;
};

struct HoldingsAnalysis
{
    QDate date; // the day analysed
    QueryDisplay display;
    QString totalText;  // cash plus market value, the total-assets box
    double cash = 0;    // as of the date; 0 when the journal has no row on or before it
    double marketValue = 0;
    double totalAssets = 0;
    WatchEntry index;         // watch element 1
    QList<WatchEntry> watch;  // elements 2 up: the first kMaxWatchHoldings holdings
    int holdings = 0;         // every holding listed
};

// Throws DbError when the index row is missing.
HoldingsAnalysis AnalyseHoldings(Database &db, const QDate &date);

// The module state of an analysis: the query state, g_Cash, g_MarketValue, g_TotalAssets and the
// watch elements it fills (elements above the holdings keep what they held).
void PublishAnalysis(const HoldingsAnalysis &a);

} // namespace tv
