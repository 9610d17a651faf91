#include "quotes/PriceUpdate.h"

#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

namespace {
const QString kCaptionHead = QStringLiteral("证券交易记录 [ ");
const QString kCaptionTail = QStringLiteral(" ]");
const QString kUpdatingTail = QStringLiteral(" ][股价更新]");
} // namespace

bool QuoteListFits(int n)
{
    return n >= 0 && n <= kMaxQuoteList;
}

bool IsFundCode(const QString &code)
{
    return code.startsWith(u'k');
}

QuoteListSplit SplitQuoteList(const QStringList &codes, int n)
{
    QuoteListSplit split;
    for (int i = 1; i <= n; ++i) {
        const QString code = codes.value(i);
        if (IsFundCode(code)) {
            split.fundCodes << code.mid(1);
        } else {
            split.stockCodes << code;
            split.stockPositions << i;
        }
    }
    return split;
}

QString MainCaption(const QString &bracket)
{
    return kCaptionHead + bracket + kCaptionTail;
}

QString UpdatingCaption(const QString &bracket)
{
    return kCaptionHead + bracket + kUpdatingTail;
}

QString NotFoundText(const QString &code)
{
    return QStringLiteral("没找到！") + code;
}

QString UpdatingText(const QString &name, const QString &code)
{
    return QStringLiteral("正在更新") + name + code;
}

std::optional<double> QuotedPrice(const QString &price)
{
    const std::optional<double> v = DecimalNumber(price);
    if (!v || !(*v > 0))
        return std::nullopt;
    return v;
}

bool HasQuote(const QString &price)
{
    return QuotedPrice(price).has_value();
}

QString QuotedChange(const QString &change)
{
    const QString t = Trim(change);
    const QString number = t.endsWith(u'%') ? t.chopped(1) : t;
    // "1.25 %" is no change: the blank before the sign is inside the text.
    if (number.endsWith(u' ') || !DecimalNumber(number))
        return QString();
    return t;
}

PriceWrite PriceWriteOf(const QString &code, const QuoteEntry &entry)
{
    const std::optional<double> price = QuotedPrice(entry.price);
    if (!price)
        return {code, 0, QString()};
    return {code, *price, QuotedChange(entry.change)};
}

void StorePrices(const QString &path, const QString &connect, const QList<PriceWrite> &writes,
                 const QDate &today)
{
    if (writes.isEmpty())
        return;
    Database db(path, connect);
    Transaction tx(db);
    const QString date = FormatDate(today);
    for (const PriceWrite &w : writes) {
        if (!(w.price > 0))
            continue;
        db.execute(
            QStringLiteral("UPDATE Detail SET 更新日期 = ?, 市场价格 = ?, 涨跌幅 = ? WHERE 证券代码 = ?"),
            {date, w.price, w.change.isNull() ? QStringLiteral("") : w.change, w.code}); // text, never NULL
    }
    tx.commit();
}

QList<DetailRow> ReadDetailRows(Database &db)
{
    const RowSet set =
        db.openQuery(QStringLiteral("SELECT 股东账号, 证券名称, 证券代码 FROM Detail ORDER BY rowid"));
    QList<DetailRow> rows;
    rows.reserve(set.recordCount());
    for (int r = 0; r < set.recordCount(); ++r)
        rows.append({set.text(r, 0), set.text(r, 1), set.text(r, 2)});
    return rows;
}

RowClass ClassOfRow(const QString &account)
{
    if (account == QLatin1String("yh"))
        return RowClass::Skipped;
    if (account == QLatin1String("kj"))
        return RowClass::Fund;
    return RowClass::Stock;
}

QString BatchSummary(const BatchCounts &c)
{
    return QStringLiteral("扫描%1，更新%2，未更新%3").arg(c.scanned).arg(c.updated).arg(c.notUpdated);
}

PriceBatch::PriceBatch(QList<DetailRow> rows) : m_rows(std::move(rows)) {}

QList<DetailRow> PriceBatch::nextPass()
{
    QList<DetailRow> stocks;
    for (int k = 0; k < kBatchPassSize && !atEnd(); ++k) {
        const DetailRow &row = m_rows[m_next++];
        ++m_counts.scanned;
        switch (ClassOfRow(row.account)) {
        case RowClass::Skipped:
            ++m_counts.notUpdated;
            break;
        case RowClass::Fund:
            m_funds << row;
            break;
        case RowClass::Stock:
            stocks << row;
            break;
        }
    }
    return stocks;
}

QList<PriceWrite> PriceBatch::takeResults(const QList<DetailRow> &rows, const QuoteReading &reading,
                                          bool funds)
{
    QList<PriceWrite> writes;
    for (int k = 1; k <= rows.size(); ++k) {
        const QuoteEntry entry = k <= reading.entries.size() ? reading[k] : QuoteEntry();
        if (!HasQuote(entry.price)) {
            ++m_counts.notUpdated;
            continue;
        }
        const DetailRow &row = rows[k - 1];
        // A fund is named by the page, a stock by its own row.
        SetStatusText(funds ? UpdatingText(entry.name) : UpdatingText(row.name, row.code));
        writes << PriceWriteOf(row.code, entry);
        ++m_counts.updated;
    }
    return writes;
}

QList<PriceWrite> PriceBatch::takeStockResults(const QList<DetailRow> &rows, const QuoteReading &reading)
{
    return takeResults(rows, reading, false);
}

QList<PriceWrite> PriceBatch::takeFundResults(const QuoteReading &reading)
{
    return takeResults(m_funds, reading, true);
}

QStringList PriceBatch::fundCodes() const
{
    QStringList codes{QString()};
    for (const DetailRow &row : m_funds)
        codes << row.code.mid(1);
    return codes;
}

QStringList PriceBatch::CodesOf(const QList<DetailRow> &rows)
{
    QStringList codes{QString()};
    for (const DetailRow &row : rows)
        codes << row.code;
    return codes;
}

} // namespace tv
