#include "quotes/WatchRules.h"

#include "app/VbCompat.h"

namespace tv {

Trend TrendOf(const QString &change)
{
    return change.startsWith(u'-') ? Trend::Falling : Trend::Rising;
}

unsigned int TrendTextColour(Trend trend)
{
    return trend == Trend::Falling ? 0x00C000 : 0x8080FF;
}

unsigned int AlertBackColour(Trend trend)
{
    return trend == Trend::Falling ? 0x80FF80 : 0x0000FF;
}

bool IsAlert(Trend trend, double price, double target, double stop)
{
    return trend == Trend::Falling ? price < stop : price > target;
}

bool WatchListFits(int holdings)
{
    return holdings >= 0 && holdings <= kMaxWatchHoldings;
}

QString WatchLimitText(int holdings)
{
    return QStringLiteral("实时监控最多只能监控%1个持仓证券，现在列出了%2个，不能打开监控窗口。")
        .arg(kMaxWatchHoldings)
        .arg(holdings);
}

QList<WatchRow> CurrentWatchRows(int holdings, const NumberArray &openPrices)
{
    QList<WatchRow> rows;
    const int last = std::min(holdings, kMaxWatchHoldings) + 1;
    for (int i = 1; i <= last; ++i)
        rows.append({g_WatchCode[i], g_WatchName[i], g_WatchPrice[i], g_WatchChange[i], g_WatchQty[i],
                     g_WatchTarget[i], g_WatchStop[i], openPrices[i]});
    return rows;
}

WatchRefresh RefreshWatch(const QList<WatchRow> &rows, double cash)
{
    WatchRefresh out;
    Sum marketValue;
    for (const WatchRow &r : rows) {
        ShownRow s;
        const std::optional<double> quoted = QuotedPrice(r.price);
        const double price = quoted.value_or(r.openPrice);
        s.price = DoubleText(price);
        s.change = quoted ? r.change : QStringLiteral("0");
        s.fetched = quoted.has_value() && !IsFundCode(r.code);
        s.trend = TrendOf(s.change);
        s.alert = IsAlert(s.trend, price, r.target, r.stop);
        marketValue.add(r.qty * price);
        out.rows << s;
    }
    out.marketValue = marketValue.value();
    out.totalAssets = cash + out.marketValue;
    return out;
}

QList<PriceWrite> FetchedPriceWrites(const QList<WatchRow> &rows, const FlagArray &fetched)
{
    QList<PriceWrite> writes;
    for (int k = 0; k < rows.size() && k + 1 < kWatchSize; ++k)
        if (fetched[k + 1] && HasQuote(rows[k].price))
            writes << PriceWriteOf(rows[k].code, {rows[k].price, rows[k].change, {}, {}});
    return writes;
}

} // namespace tv
