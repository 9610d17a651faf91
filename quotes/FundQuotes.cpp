#include "quotes/FundQuotes.h"

namespace tv {

namespace {
const QString kCell = QStringLiteral("</td><td");
const QString kProfileCell = QStringLiteral("档案</span></a></nobr></td>");

// The change: from the value's end, `cells` cell separators, each search going on `step` past the last,
// then the text after the next ">" beyond the last separator.
QString changeCell(const PageScanner &scan, int from, int cells, int step)
{
    int h = 0;
    for (int cell = 0; cell < cells; ++cell, from = h + step)
        h = scan.findNext(from, kCell);
    return scan.take(scan.seek(h + 9, u'>') + 1, u'<').text;
}
} // namespace

QString FundPriceAddress(const QString &base)
{
    return base + QStringLiteral("/fund.html");
}

QString FundSinaAddress(const QString &base)
{
    return base + QStringLiteral("/fund/fund_ranks/open/netvalue_ranks0_0.html");
}

QuoteReading ReadFundPrices(const QString &page, const QStringList &codes, int n, const QString &pageBase,
                            const QString &profileBase)
{
    const PageScanner scan(page);
    const QString rowHead = QStringLiteral("</td><td><nobr><a href=\"") + pageBase + u'/';
    // Any fund's marker, where a row starts; the profile link after it has a path, not a code.
    const QRegularExpression nextRow(QRegularExpression::escape(rowHead) +
                                     QStringLiteral("[0-9A-Za-z]+\\.htm"));
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const QString marker = rowHead + code + QStringLiteral(".htm");
        const int f = scan.find(20000, marker);
        if (f == 0)
            return;
        // The fund's row ends where the next fund's marker stands: a cell it lacks is not taken from there.
        const PageScanner row = scan.before(scan.find(f + int(marker.size()), nextRow));
        const auto name = row.take(f + int(marker.size()) + 3, u'&');
        entry.name = name.text;
        if (!profileBase.isEmpty())
            entry.link = profileBase + QStringLiteral("/openfund/jbgk_") + code + QStringLiteral(".htm");
        const int g = row.findNext(name.stop + 13, kProfileCell);
        const auto value = row.take(row.seek(g + 27, u'>') + 1, u'<');
        if (value.text == QLatin1String("---"))
            return;
        entry.price = value.text;
        entry.change = changeCell(row, value.stop, 6, 5);
    });
}

QuoteReading ReadFundSina(const QString &page, const QStringList &codes, int n, const QString &lookupBase)
{
    const PageScanner scan(page);
    const QString linkHead = lookupBase + QStringLiteral("/suggest/lookup_n.php?q=");
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const QString marker = linkHead + code + QStringLiteral("&country=fund");
        const int length = int(marker.size());
        const int f = scan.find(10000, marker);
        if (f == 0)
            return;
        // The name is at the row's second look-up link, the very next link on the page; the row ends at
        // the next fund's link, so neither is ever taken from a neighbour.
        const int f2 = scan.find(f + length + 2, linkHead);
        if (f2 == 0 || !scan.startsAt(f2, marker))
            throw ScanError();
        const PageScanner row = scan.before(scan.find(f2 + length, linkHead));
        const auto name = row.take(f2 + length + 2, u'<');
        entry.name = name.text;
        entry.link = marker;
        const int h1 = row.findNext(name.stop + 1, kCell);
        const int h2 = row.findNext(h1 + 6, kCell);
        const auto value = row.take(row.seek(h2 + 6, u'>') + 1, u'<');
        if (value.text == QLatin1String("--"))
            return;
        entry.price = value.text;
        entry.change = changeCell(row, value.stop, 3, 6);
    });
}

} // namespace tv
