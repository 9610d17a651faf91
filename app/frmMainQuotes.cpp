// The main window's quote fetchers, its entry points for other windows (every, severy, newone), the
// batch update of every security's price and the wake-up of a connection through the system's settings.
// The rules live in quotes/; what is here reads and writes the window and the quote buffers.

#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "journal/frmNewForm.h"
#include "quotes/QuoteFetch.h"
#include "quotes/Services.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>

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

// A file held by another workstation has the notice every window shows for it.
void showDbFailure(const DbError &e)
{
    if (!ShowDatabaseTrouble(e))
        MsgBox(e.message(), 16, QStringLiteral("错误"));
}

// The prices a command writes; once it is done with them, the journal is shown what was written, however
// the command ended.
class WrittenPrices
{
public:
    WrittenPrices() = default;
    WrittenPrices(const WrittenPrices &) = delete;
    WrittenPrices &operator=(const WrittenPrices &) = delete;
    ~WrittenPrices()
    {
        if (m_any)
            frmMain::PricesWritten();
    }
    void store(const QList<PriceWrite> &writes)
    {
        StorePrices(g_DbPath, g_DbConnect, writes, Today());
        m_any = m_any || !writes.isEmpty();
    }

private:
    bool m_any = false;
};

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

bool frmMain::every(const QStringList &codes, int n)
{
    if (!QuoteListFits(n))
        return false;
    QPointer<frmMain> self(this);
    showCaption(true);
    if (g_WakeBrowser)
        WakeConnection();
    if (!self)
        return false;
    WrittenPrices written;
    try {
        // A database that cannot be opened is found before anything is fetched.
        {
            Database check(g_DbPath, g_DbConnect);
        }
        const QuoteListSplit split = SplitQuoteList(codes, n);
        if (split.stockCount() > 0) {
            fetchStockEntries(split);
            if (!self)
                return false;
            QStringList stored;
            for (int p : split.stockPositions)
                stored << codes.value(p);
            const QList<PriceWrite> writes = reportQuotes(split.stockPositions, stored, false);
            if (!self)
                return false;
            written.store(writes);
        }
        if (split.fundCount() > 0) {
            fetchFunds(split.fundCodes, split.fundCount());
            if (!self)
                return false;
            QList<int> positions;
            QStringList stored;
            for (int j = 1; j <= split.fundCount(); ++j) {
                positions << j;
                stored << QStringLiteral("k") + split.fundCodes[j];
            }
            const QList<PriceWrite> writes = reportQuotes(positions, stored, true);
            if (!self)
                return false;
            written.store(writes);
        }
    } catch (const DbError &e) {
        showDbFailure(e);
        if (self)
            showCaption(false);
        return false;
    }
    showCaption(false);
    return true;
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

void frmMain::PricesWritten()
{
    if (frmManager::isLoaded())
        frmManager::existing()->reloadLoadedSecurity();
}

void frmMain::showCaption(bool updating)
{
    setWindowTitle(updating ? UpdatingCaption(m_CaptionBracket) : MainCaption(m_CaptionBracket));
}

void frmMain::restoreBatchState()
{
    showCaption(false);
    toolbarButton(10)->setText(kDownCaption);
    m_BatchStop = true;
}

void frmMain::endBatch(const BatchCounts &counts)
{
    QPointer<frmMain> self(this);
    MsgBox(BatchSummary(counts), 0, QString());
    if (!self)
        return;
    SetStatusText(kUpdateDoneText);
    restoreBatchState();
}

// The whole batch, the wake-up of the connection included, is one fetch: g_Idle stays false from the
// wake-up to the summary, so a second click is this batch's stop request, and a close or an exit asked
// for meanwhile is carried out once the batch has returned.
void frmMain::UpdateAllPrices()
{
    QPointer<frmMain> self(this);
    showCaption(true);
    m_BatchStop = !m_BatchStop;
    if (m_BatchStop) {
        // A click while the batch waits for a reply: it stops once the reply is in, and what it has
        // counted so far is shown now. That batch carries out an exit asked for meanwhile.
        toolbarButton(10)->setText(kDownCaption);
        endBatch(m_Batch ? m_Batch->counts() : BatchCounts());
        return;
    }
    toolbarButton(10)->setText(kStopCaption);

    PriceBatch batch;
    PriceBatch *const outer = m_Batch;
    m_Batch = &batch;
    {
        IdleGuard fetch; // started while another fetch waits, it visits no row
        const bool finished = runBatch(batch, fetch.owns());
        if (!self)
            return;
        m_Batch = outer;
        if (finished)
            endBatch(batch.counts());
        else
            restoreBatchState();
    }
    if (self)
        UnloadIfExitPending();
}

// The passes and the funds; false when the batch was stopped or left while a reply was awaited (nothing
// of that fetch is written, no summary follows), when the database failed, or when the window is gone.
bool frmMain::runBatch(PriceBatch &batch, bool visitRows)
{
    QPointer<frmMain> self(this);
    WrittenPrices written;
    try {
        if (visitRows) {
            if (g_WakeBrowser)
                WakeConnection();
            if (!self || m_BatchStop)
                return false;
            Database db(g_DbPath, g_DbConnect);
            batch = PriceBatch(ReadDetailRows(db));
        }
        while (!batch.atEnd() && !m_BatchStop) {
            SetStatusText(kReachingNetworkText);
            const QList<DetailRow> stocks = batch.nextPass();
            if (stocks.isEmpty())
                continue;
            const QuoteReading reading =
                FetchStockQuotes(Inet1, currentSource(), PriceBatch::CodesOf(stocks), int(stocks.size()));
            if (!self || m_BatchStop)
                return false;
            written.store(batch.takeStockResults(stocks, reading));
        }
        if (!batch.funds().isEmpty()) {
            const QStringList funds = batch.fundCodes();
            const QuoteReading reading =
                FetchFundQuotes(Inet1, currentSource(), funds, int(batch.funds().size()));
            if (!self)
                return false;
            ReportFundFailure(reading, funds);
            if (!self)
                return false;
            written.store(batch.takeFundResults(reading));
        }
    } catch (const DbError &e) {
        showDbFailure(e);
        return false;
    }
    return true;
}

} // namespace tv
