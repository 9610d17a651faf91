#include "reports/LiveWatch.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "quotes/PriceUpdate.h"
#include "reports/HoldingsAnalysis.h"

namespace tv {

namespace {
constexpr int kNameColumn = 0, kCodeColumn = 1, kHoldingColumn = 6, kPriceColumn = 14;
}

QList<QStringList> PriceUpdateLists(const TextGrid &grid, int listRows)
{
    QStringList codes{kIndexCode};
    for (int i = 1; i <= listRows; ++i)
        codes << grid.text(i, kCodeColumn);
    QList<QStringList> lists;
    for (qsizetype start = 0; start < codes.size(); start += kMaxQuoteList)
        lists << QStringList{QString()} + codes.mid(start, kMaxQuoteList);
    return lists;
}

void PublishWatchList(const TextGrid &grid, int listRows)
{
    g_WatchName[1] = kIndexName;
    g_WatchCode[1] = kIndexCode;
    g_WatchQty[1] = 0;
    for (int i = 1; i <= std::min(listRows, kMaxWatchHoldings); ++i) {
        g_WatchName[i + 1] = grid.text(i, kNameColumn);
        g_WatchCode[i + 1] = grid.text(i, kCodeColumn);
        g_WatchPrice[i + 1] = grid.text(i, kPriceColumn);
        g_WatchQty[i + 1] = Val(grid.text(i, kHoldingColumn));
    }
}

} // namespace tv
