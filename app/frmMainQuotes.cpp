// The main window's quote fetchers, its entry points for other windows (every, severy, newone), the
// batch update of every security's price and the wake-up of a connection through the system's settings.
// The rules live in quotes/; what is here reads and writes the window and the quote buffers.

#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmNewForm.h"
#include "quotes/QuoteFetch.h"
#include "quotes/Services.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>

namespace tv {

namespace {

const QString kDownCaption = QStringLiteral("价格更新");
const QString kStopCaption = QStringLiteral("取消");

int listLength(int n)
{
    return std::clamp(n, 0, kWatchSize - 1);
}

QuoteSource currentSource()
{
    return QuoteSourceOf(g_QuoteSource);
}

void showDbFailure(const DbError &e)
{
    MsgBox(e.message(), 16, QStringLiteral("错误"));
}

} // namespace

void frmMain::storeReading(const QuoteReading &reading, const QList<int> &positions)
{
    for (int i = 1; i <= int(reading.entries.size()); ++i) {
        const int p = positions.isEmpty() ? i : positions.value(i - 1);
        if (p < 1 || p >= kWatchSize)
            continue;
        g_WatchPrice[p] = reading[i].price;
        g_WatchChange[p] = reading[i].change;
        quoteName[p] = reading[i].name;
        quoteLink[p] = reading[i].link;
    }
}

void frmMain::FetchQuotes(const QStringList &codes, int n)
{
    switch (currentSource()) {
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
    storeReading(FetchStockQuotes(Inet1, QuoteSource::Star, codes, listLength(n)));
}
void frmMain::FetchQuotesSina(const QStringList &codes, int n)
{
    storeReading(FetchStockQuotes(Inet1, QuoteSource::Sina, codes, listLength(n)));
}
void frmMain::FetchQuotesSohu(const QStringList &codes, int n)
{
    storeReading(FetchStockQuotes(Inet1, QuoteSource::Sohu, codes, listLength(n)));
}

void frmMain::kjprice(const QStringList &codes, int n)
{
    const QuoteReading reading = FetchFundPrices(Inet1, codes, listLength(n));
    storeReading(reading);
    ReportFundFailure(reading, codes);
}

void frmMain::kjsina(const QStringList &codes, int n)
{
    const QuoteReading reading = FetchFundSina(Inet1, codes, listLength(n));
    storeReading(reading);
    ReportFundFailure(reading, codes);
}

void frmMain::fetchFunds(const QStringList &codes, int n)
{
    if (currentSource() == QuoteSource::Sina)
        kjsina(codes, n);
    else
        kjprice(codes, n);
}

// One request for the list's stock entries; each result lands at its entry's own position, and what the
// fund positions hold stays.
void frmMain::fetchStockEntries(const QuoteListSplit &split)
{
    if (split.stockCount() == 0)
        return;
    storeReading(FetchStockQuotes(Inet1, currentSource(), split.stockCodes, split.stockCount()),
                 split.stockPositions);
}

// The results at the positions, taken before any box can let other events run: a box for each entry
// without a quote, the status line for each with one, and the writes of those.
QList<PriceWrite> frmMain::reportQuotes(const QList<int> &positions, const QStringList &codes, bool funds)
{
    QList<std::pair<QString, QuoteEntry>> results;
    for (int k = 0; k < positions.size(); ++k) {
        const int p = positions[k];
        results.append({codes.value(k), {g_WatchPrice[p], g_WatchChange[p], quoteName[p], quoteLink[p]}});
    }
    QList<PriceWrite> writes;
    for (const auto &[code, entry] : results) {
        if (!HasQuote(entry.price)) {
            MsgBox(NotFoundText(code), 0, QString());
            SetStatusText(kNotUpdatedText);
        } else {
            SetStatusText(funds ? UpdatingText(entry.name) : UpdatingText(entry.name, code));
            writes << PriceWriteOf(code, entry);
        }
    }
    return writes;
}

void frmMain::every(const QStringList &codes, int n)
{
    if (!QuoteListFits(n))
        return;
    QPointer<frmMain> self(this);
    const QString bracket = CaptionBracket(windowTitle());
    setWindowTitle(UpdatingCaption(bracket));
    if (g_WakeBrowser)
        WakeConnection();
    if (!self)
        return;
    try {
        // A database that cannot be opened is found before anything is fetched.
        {
            Database check(g_DbPath, g_DbConnect);
        }
        const QuoteListSplit split = SplitQuoteList(codes, n);
        if (split.stockCount() > 0) {
            fetchStockEntries(split);
            if (!self)
                return;
            QStringList stored;
            for (int p : split.stockPositions)
                stored << codes.value(p);
            const QList<PriceWrite> writes = reportQuotes(split.stockPositions, stored, false);
            if (!self)
                return;
            StorePrices(g_DbPath, g_DbConnect, writes, Today());
        }
        if (split.fundCount() > 0) {
            fetchFunds(split.fundCodes, split.fundCount());
            if (!self)
                return;
            QList<int> positions;
            QStringList stored;
            for (int j = 1; j <= split.fundCount(); ++j) {
                positions << j;
                stored << QStringLiteral("k") + split.fundCodes[j];
            }
            const QList<PriceWrite> writes = reportQuotes(positions, stored, true);
            if (!self)
                return;
            StorePrices(g_DbPath, g_DbConnect, writes, Today());
        }
    } catch (const DbError &e) {
        showDbFailure(e);
        if (!self)
            return;
    }
    setWindowTitle(MainCaption(bracket));
}

void frmMain::severy(const QStringList &codes, int n)
{
    if (!QuoteListFits(n))
        return;
    QPointer<frmMain> self(this);
    if (g_WakeBrowser)
        WakeConnection();
    if (self)
        fetchStockEntries(SplitQuoteList(codes, n));
}

void frmMain::newone(const QStringList &codes, int)
{
    QPointer<frmMain> self(this);
    if (g_WakeBrowser)
        WakeConnection();
    if (!self)
        return;
    g_WatchCode[1] = Trim(codes.value(1));
    if (IsFundCode(g_WatchCode[1])) {
        g_WatchCode[1] = g_WatchCode[1].mid(1);
        fetchFunds({QString(), g_WatchCode[1]}, 1);
    } else {
        FetchQuotes(codes, 1);
    }
    if (!self)
        return;
    // Taken as every takes a quote: a page's price that is not a number fills the boxes with 0.
    const PriceWrite quote = PriceWriteOf(g_WatchCode[1], {g_WatchPrice[1], g_WatchChange[1], {}, {}});
    const double price = quote.price;
    frmNewForm *dialog = frmNewForm::instance();
    dialog->txtFields[1]->setText(quoteName[1]);
    dialog->txtFields[4]->setText(DoubleText(price * 1.5));
    dialog->txtFields[5]->setText(DoubleText(price));
    dialog->txtFields[8]->setText(DoubleText(price * 0.9));
    dialog->txtFields[9]->setText(DoubleText(price * 0.7));
    dialog->txtFields[6]->setText(quote.change);
    dialog->txtFields[2]->setText(Trim(quoteLink[1]));
}

void frmMain::WakeConnection()
{
    // Through the system's settings whatever Inet1 is set to, as a browser would go.
    Inet browser;
    browser.accessType = Inet::SystemDefault;
    browser.timeoutSeconds = Inet1.timeoutSeconds;
    QString location;
    try {
        browser.OpenURL(services::Required(services::wake) + u'/');
        location = browser.location();
    } catch (const InetError &) {
        // Tried again before the next fetch.
    }
    if (location.size() > 8)
        g_WakeBrowser = false;
}

void frmMain::restoreBatchState(const QString &bracket)
{
    setWindowTitle(MainCaption(bracket));
    toolbarButton(10)->setText(kDownCaption);
    m_BatchStop = true;
}

void frmMain::endBatch(const QString &bracket, const BatchCounts &counts)
{
    QPointer<frmMain> self(this);
    MsgBox(BatchSummary(counts), 0, QString());
    if (!self)
        return;
    SetStatusText(kUpdateDoneText);
    restoreBatchState(bracket);
}

void frmMain::UpdateAllPrices()
{
    QPointer<frmMain> self(this);
    const QString bracket = CaptionBracket(windowTitle());
    setWindowTitle(UpdatingCaption(bracket));
    m_BatchStop = !m_BatchStop;
    if (m_BatchStop) {
        // A click while the batch waits for a reply: it stops once the reply is in, and what it has
        // counted so far is shown now. That batch carries out an exit asked for meanwhile.
        toolbarButton(10)->setText(kDownCaption);
        endBatch(bracket, m_Batch ? m_Batch->counts() : BatchCounts());
        return;
    }
    toolbarButton(10)->setText(kStopCaption);

    PriceBatch batch;
    PriceBatch *const outer = m_Batch;
    m_Batch = &batch;
    const auto forget = qScopeGuard([&] {
        if (self)
            m_Batch = outer;
    });
    try {
        if (g_Idle) { // started while another fetch waits, it visits no row
            Database db(g_DbPath, g_DbConnect);
            batch = PriceBatch(ReadDetailRows(db));
        }
        while (!batch.atEnd() && !m_BatchStop && g_Idle) {
            SetStatusText(kReachingNetworkText);
            const QList<DetailRow> stocks = batch.nextPass();
            if (stocks.isEmpty())
                continue;
            IdleGuard fetch;
            const QuoteReading reading =
                FetchStockQuotes(Inet1, currentSource(), PriceBatch::CodesOf(stocks), int(stocks.size()));
            if (!self)
                return;
            if (m_BatchStop) {
                // Stopped or left while the reply was awaited: nothing of this pass is written.
                fetch.release();
                restoreBatchState(bracket);
                UnloadIfExitPending();
                return;
            }
            StorePrices(g_DbPath, g_DbConnect, batch.takeStockResults(stocks, reading), Today());
        }
        if (!batch.funds().isEmpty()) {
            IdleGuard fetch;
            const QStringList funds = batch.fundCodes();
            const QuoteReading reading =
                FetchFundQuotes(Inet1, currentSource(), funds, int(batch.funds().size()));
            if (!self)
                return;
            ReportFundFailure(reading, funds);
            if (!self)
                return;
            StorePrices(g_DbPath, g_DbConnect, batch.takeFundResults(reading), Today());
        }
    } catch (const DbError &e) {
        showDbFailure(e);
        if (!self)
            return;
        restoreBatchState(bracket);
        UnloadIfExitPending();
        return;
    }
    endBatch(bracket, batch.counts());
    if (self)
        UnloadIfExitPending();
}

} // namespace tv
