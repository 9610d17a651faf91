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
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const QString marker =
            QStringLiteral("</td><td><nobr><a href=\"") + pageBase + u'/' + code + QStringLiteral(".htm");
        const int f = scan.find(20000, marker);
        if (f == 0)
            return;
        const auto name = scan.take(f + int(marker.size()) + 3, u'&');
        entry.name = name.text;
        if (!profileBase.isEmpty())
            entry.link = profileBase + QStringLiteral("/openfund/jbgk_") + code + QStringLiteral(".htm");
        const int g = scan.findNext(name.stop + 13, kProfileCell);
        const auto value = scan.take(scan.seek(g + 27, u'>') + 1, u'<');
        if (value.text == QLatin1String("---"))
            return;
        entry.price = value.text;
        entry.change = changeCell(scan, value.stop, 6, 5);
    });
}

QuoteReading ReadFundSina(const QString &page, const QStringList &codes, int n, const QString &lookupBase)
{
    const PageScanner scan(page);
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const QString marker =
            lookupBase + QStringLiteral("/suggest/lookup_n.php?q=") + code + QStringLiteral("&country=fund");
        const int length = int(marker.size());
        const int f = scan.find(10000, marker);
        if (f == 0)
            return;
        const int f2 = scan.findNext(f + length + 2, marker);
        const auto name = scan.take(f2 + length + 2, u'<');
        entry.name = name.text;
        entry.link = marker;
        const int h1 = scan.findNext(name.stop + 1, kCell);
        const int h2 = scan.findNext(h1 + 6, kCell);
        const auto value = scan.take(scan.seek(h2 + 6, u'>') + 1, u'<');
        if (value.text == QLatin1String("--"))
            return;
        entry.price = value.text;
        entry.change = changeCell(scan, value.stop, 3, 6);
    });
}

} // namespace tv
