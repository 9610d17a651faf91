// The main window's quote fetchers: one request through Inet1, the reply read by its source's rules, the
// results written to the quote buffers.

#include "app/Seams.h"
#include "app/frmMain.h"
#include "quotes/FundQuotes.h"
#include "quotes/Services.h"
#include "quotes/StockQuotes.h"

#include <algorithm>
#include <functional>

namespace tv {

namespace {

int listLength(int n)
{
    return std::clamp(n, 0, kWatchSize - 1);
}

// What a fetch is about to write starts empty, so an entry without a quote never shows the texts of
// whatever was fetched at its position before.
void clearResults(frmMain &m, int n)
{
    for (int i = 1; i <= n; ++i) {
        g_WatchChange[i].clear();
        m.quoteName[i].clear();
        m.quoteLink[i].clear();
    }
}

void storeResults(frmMain &m, const QuoteReading &reading)
{
    for (int i = 1; i <= int(reading.entries.size()); ++i) {
        g_WatchPrice[i] = reading[i].price;
        g_WatchChange[i] = reading[i].change;
        m.quoteName[i] = reading[i].name;
        m.quoteLink[i] = reading[i].link;
    }
}

// Clears, fetches one page and reads it; a page that does not come is the failure of every entry.
QuoteReading fetch(frmMain &m, int n, const std::function<QuoteReading()> &fetchAndRead)
{
    clearResults(m, n);
    QuoteReading reading(n);
    try {
        reading = fetchAndRead();
    } catch (const InetError &e) {
        reading.fail(0, e.description());
    }
    storeResults(m, reading);
    return reading;
}

void fetchStocks(frmMain &m, QuoteSource source, const QStringList &codes, int n)
{
    n = listLength(n);
    fetch(m, n, [&] {
        const QString key = source == QuoteSource::Sina   ? services::sina
                            : source == QuoteSource::Sohu ? services::sohu
                                                          : services::star;
        const QString base = services::Required(key);
        const QString detail = source == QuoteSource::Star ? services::Required(services::starDetail)
                                                           : services::Address(services::stockPage);
        const QString reply = m.Inet1.OpenURL(StockRequestAddress(source, base, codes, n));
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

// A fund page that fails is reported once, naming the fund being read (none when no page came).
void reportFundFailure(const QuoteReading &reading, const QStringList &codes)
{
    if (!reading.failed())
        return;
    const QString code = reading.failedEntry > 0 ? codes.value(reading.failedEntry) : QString();
    MsgBox(QStringLiteral("原因为") + reading.error, 0,
           QStringLiteral("查询") + code + QStringLiteral("打开URL时出错"));
}

} // namespace

void frmMain::FetchQuotes(const QStringList &codes, int n)
{
    switch (QuoteSourceOf(g_QuoteSource)) {
    case QuoteSource::Sina:
        FetchQuotesSina(codes, n);
        break;
    case QuoteSource::Sohu:
        FetchQuotesSohu(codes, n);
        break;
    default:
        FetchQuotesStar(codes, n);
        break;
    }
}

void frmMain::FetchQuotesStar(const QStringList &codes, int n)
{
    fetchStocks(*this, QuoteSource::Star, codes, n);
}
void frmMain::FetchQuotesSina(const QStringList &codes, int n)
{
    fetchStocks(*this, QuoteSource::Sina, codes, n);
}
void frmMain::FetchQuotesSohu(const QStringList &codes, int n)
{
    fetchStocks(*this, QuoteSource::Sohu, codes, n);
}

void frmMain::kjprice(const QStringList &codes, int n)
{
    n = listLength(n);
    const QuoteReading reading = fetch(*this, n, [&] {
        const QString address = FundPriceAddress(services::Required(services::fund));
        const QString pageBase = services::Required(services::fundPage);
        return ReadFundPrices(Inet1.OpenURL(address), codes, n, pageBase,
                              services::Address(services::fundProfile));
    });
    reportFundFailure(reading, codes);
}

void frmMain::kjsina(const QStringList &codes, int n)
{
    n = listLength(n);
    const QuoteReading reading = fetch(*this, n, [&] {
        const QString address = FundSinaAddress(services::Required(services::fundSina));
        const QString lookupBase = services::Required(services::fundLookup);
        return ReadFundSina(Inet1.OpenURL(address), codes, n, lookupBase);
    });
    reportFundFailure(reading, codes);
}

} // namespace tv
