#pragma once

// Price updates without any window: how a quote list splits into stock entries and funds, the main
// window's caption while prices update, which Detail rows a batch update fetches in which pass and how
// it counts them, and what a quote writes into Detail.

#include "quotes/QuoteScan.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv {

class Database;

// A quote list holds entries 1 to n, n at most 30: the result buffers have positions 1 to 30.
constexpr int kMaxQuoteList = 30;
bool QuoteListFits(int n);

// An entry whose first character is "k" is a fund; every other entry, the index included, is a stock.
bool IsFundCode(const QString &code);

struct QuoteListSplit
{
    QStringList stockCodes{QString()}; // 1-based: the stock entries in list order
    QList<int> stockPositions;         // the list position of stock entry k, at k - 1
    QStringList fundCodes{QString()};  // 1-based: the fund entries with their "k" cut off
    int stockCount() const { return int(stockPositions.size()); }
    int fundCount() const { return int(fundCodes.size()) - 1; }
};
QuoteListSplit SplitQuoteList(const QStringList &codes, int n);

// The main window's caption around its bracketed text, normally and while prices update.
QString MainCaption(const QString &bracket);
QString UpdatingCaption(const QString &bracket);

// Status line and message texts.
inline const QString kNotUpdatedText = QStringLiteral("没有更新！");
inline const QString kReachingNetworkText = QStringLiteral("正在访问网络");
inline const QString kUpdateDoneText = QStringLiteral("更新完毕！");
QString NotFoundText(const QString &code);
QString UpdatingText(const QString &name, const QString &code = QString());

// Every path that takes a quote from a page takes it here. A price is a quote only when its whole text,
// blanks around it allowed, is a plain finite number above 0 (DecimalNumber); "12abc", "1d5", "&H7FFF",
// "1,234.50" or "inf" are none, although Val would read a number out of each.
std::optional<double> QuotedPrice(const QString &price);
bool HasQuote(const QString &price);

// A change text trimmed of blanks when it is a plain number with an optional trailing "%"; anything else
// is no change and gives empty text.
QString QuotedChange(const QString &change);

// One Detail row's new price. Only an entry with a quote makes a write that is stored: without one the
// price is 0 and the change empty, which is what a dialog shows for no quote.
struct PriceWrite
{
    QString code;
    double price = 0;
    QString change;
};
PriceWrite PriceWriteOf(const QString &code, const QuoteEntry &entry);

// Writes the rows, dated today, in one transaction of their own; nothing when there are none, and never
// a row whose write has no quote. The price goes in as a number. Throws DbError, and then nothing of
// these rows is written.
void StorePrices(const QString &path, const QString &connect, const QList<PriceWrite> &writes,
                 const QDate &today);

// The batch update of every Detail row.
struct DetailRow
{
    QString account; // 股东账号
    QString name;    // 证券名称
    QString code;    // 证券代码
};
QList<DetailRow> ReadDetailRows(Database &db); // in table order

// "yh" rows are never fetched, "kj" rows are funds, every other row (the index row too) is a stock.
enum class RowClass { Skipped, Fund, Stock };
RowClass ClassOfRow(const QString &account);

struct BatchCounts
{
    int scanned = 0;
    int updated = 0;
    int notUpdated = 0;
};
QString BatchSummary(const BatchCounts &counts);

constexpr int kBatchPassSize = 10;

// The rows of one batch and its counts. Passes take the rows in table order; the funds of all passes
// are fetched together after the last one, however many there are.
class PriceBatch
{
public:
    PriceBatch() = default;
    explicit PriceBatch(QList<DetailRow> rows);

    bool atEnd() const { return m_next >= m_rows.size(); }

    // The next up to 10 rows, each counted as scanned: "yh" rows as not updated too, fund rows kept for
    // the fund fetch. Returns the pass's stock rows, which one request fetches.
    QList<DetailRow> nextPass();

    // Counts the results of rows[k - 1] at reading[k], writes the status line for each row with a
    // quote, and returns those rows' writes.
    QList<PriceWrite> takeStockResults(const QList<DetailRow> &rows, const QuoteReading &reading);
    QList<PriceWrite> takeFundResults(const QuoteReading &reading);

    const QList<DetailRow> &funds() const { return m_funds; }
    QStringList fundCodes() const; // 1-based, each code without its first character
    const BatchCounts &counts() const { return m_counts; }

    // The codes of rows as a 1-based quote list.
    static QStringList CodesOf(const QList<DetailRow> &rows);

private:
    QList<PriceWrite> takeResults(const QList<DetailRow> &rows, const QuoteReading &reading, bool funds);

    QList<DetailRow> m_rows;
    qsizetype m_next = 0;
    QList<DetailRow> m_funds;
    BatchCounts m_counts;
};

} // namespace tv
