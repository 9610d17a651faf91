#include "quotes/QuoteFetch.h"

#include "app/Seams.h"
#include "quotes/FundQuotes.h"
#include "quotes/Inet.h"
#include "quotes/Services.h"

#include <functional>

namespace tv {

namespace {

QuoteReading fetchPage(int n, const std::function<QuoteReading()> &fetchAndRead)
{
    try {
        return fetchAndRead();
    } catch (const InetError &e) {
        QuoteReading reading(n);
        reading.fail(0, e.description());
        return reading;
    }
}

} // namespace

QuoteReading FetchStockQuotes(Inet &inet, QuoteSource source, const QStringList &codes, int n)
{
    return fetchPage(n, [&] {
        const QString key = source == QuoteSource::Sina   ? services::sina
                            : source == QuoteSource::Sohu ? services::sohu
                                                          : services::star;
        const QString base = services::Required(key);
        const QString detail = source == QuoteSource::Star ? services::Required(services::starDetail)
                                                           : services::Address(services::stockPage);
        const QString reply = inet.OpenURL(StockRequestAddress(source, base, codes, n));
        switch (source) {
        case QuoteSource::Sina:
            return ReadSinaReply(reply, codes, n, detail);
        case QuoteSource::Sohu:
            return ReadSohuReply(reply, codes, n, detail);
        default:
            return ReadStarReply(reply, codes, n, detail);
        }
    });
}

QuoteReading FetchFundPrices(Inet &inet, const QStringList &codes, int n)
{
    return fetchPage(n, [&] {
        const QString address = FundPriceAddress(services::Required(services::fund));
        const QString pageBase = services::Required(services::fundPage);
        return ReadFundPrices(inet.OpenURL(address), codes, n, pageBase,
                              services::Address(services::fundProfile));
    });
}

QuoteReading FetchFundSina(Inet &inet, const QStringList &codes, int n)
{
    return fetchPage(n, [&] {
        const QString address = FundSinaAddress(services::Required(services::fundSina));
        const QString lookupBase = services::Required(services::fundLookup);
        return ReadFundSina(inet.OpenURL(address), codes, n, lookupBase);
    });
}

QuoteReading FetchFundQuotes(Inet &inet, QuoteSource source, const QStringList &codes, int n)
{
    return source == QuoteSource::Sina ? FetchFundSina(inet, codes, n) : FetchFundPrices(inet, codes, n);
}

void ReportFundFailure(const QuoteReading &reading, const QStringList &codes)
{
    if (!reading.failed())
        return;
    const QString code = reading.failedEntry > 0 ? codes.value(reading.failedEntry) : QString();
    MsgBox(QStringLiteral("原因为") + reading.error, 0,
           QStringLiteral("查询") + code + QStringLiteral("打开URL时出错"));
}

} // namespace tv
