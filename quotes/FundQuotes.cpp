#include "quotes/FundQuotes.h"

#include <QHash>
#include <QSet>
#include <QStringMatcher>

#include <algorithm>
#include <vector>

namespace tv {

namespace {
const QString kCell = QStringLiteral("</td><td");

// Every place a fund's marker can begin (its head: the text before the code) from `start` on, found in
// one pass over the page, and where each listed fund's own marker (head, code, tail) first stands. Each
// fund is still read from its first marker after `start`, whatever the order of the page, but no search
// runs over the page once per fund: a page of a few MB that repeats the head without end, and a list of
// many funds, cost one pass together.
class MarkerIndex
{
public:
    MarkerIndex(const PageScanner &scan, QStringView page, int start, const QString &head, const QString &tail,
                const QStringList &codes, int n)
        : m_head(head), m_tail(tail)
    {
        QSet<QString> wanted;
        QSet<int> lengths;
        for (int i = 1; i <= n; ++i) {
            const QString code = codes.value(i);
            if (!code.isEmpty()) {
                wanted.insert(code);
                lengths.insert(int(code.size()));
            }
        }
        const QStringView text = page.left(scan.length());
        const QStringMatcher matcher(head);
        for (qsizetype at = matcher.indexIn(text, qMax(start - 1, 0)); at >= 0; at = matcher.indexIn(text, at + 1)) {
            const int position = int(at) + 1;
            m_heads.push_back(position);
            const QStringView after = text.mid(at + head.size());
            for (int length : lengths) {
                if (after.size() < length + tail.size() || !after.mid(length).startsWith(tail))
                    continue;
                const QString code = after.left(length).toString();
                if (wanted.contains(code) && !m_first.contains(code))
                    m_first.insert(code, position);
            }
        }
    }

    int markerLength(const QString &code) const { return int(m_head.size() + code.size() + m_tail.size()); }
    // The position of the fund's first marker; 0 when the page has none.
    int first(const QString &code) const { return m_first.value(code, 0); }
    // The first head at or after position (any fund's), as find(position, head) gives it; 0 when none.
    int headFrom(int position) const
    {
        const auto it = std::lower_bound(m_heads.begin(), m_heads.end(), position);
        return it == m_heads.end() ? 0 : *it;
    }
    // The first head at or after position that the test takes; 0 when none. Every head is tried once in
    // all the calls whose positions only grow, which those of one reading do.
    template <class Test>
    int headFrom(int position, Test test) const
    {
        for (auto it = std::lower_bound(m_heads.begin(), m_heads.end(), position); it != m_heads.end(); ++it) {
            auto known = m_taken.find(*it);
            if (known == m_taken.end())
                known = m_taken.insert(*it, test(*it));
            if (*known)
                return *it;
        }
        return 0;
    }

private:
    QString m_head, m_tail;
    std::vector<int> m_heads;
    QHash<QString, int> m_first;
    mutable QHash<int, bool> m_taken;
};
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
    const QString rowTail = QStringLiteral(".htm");
    const MarkerIndex markers(scan, page, 20000, rowHead, rowTail, codes, n);
    // Any fund's marker, where a row starts: the head, letters and digits, the tail. The profile link
    // after it has a path, not a code.
    const auto startsARow = [&](int head) {
        qsizetype at = head - 1 + rowHead.size();
        const qsizetype first = at;
        while (at < page.size() && page[at].unicode() < 128 && page[at].isLetterOrNumber())
            ++at;
        return at > first && QStringView(page).mid(at).startsWith(rowTail) && at + rowTail.size() <= scan.length();
    };
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const int length = markers.markerLength(code);
        const int f = markers.first(code);
        if (f == 0)
            return;
        // The fund's row ends where the next fund's marker stands: a cell it lacks is not taken from there.
        const PageScanner row = scan.before(markers.headFrom(f + length, startsARow));
        const auto name = row.take(f + length + 3, u'&');
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
    const QString linkTail = QStringLiteral("&country=fund");
    const MarkerIndex markers(scan, page, 10000, linkHead, linkTail, codes, n);
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = codes.value(i);
        if (code.isEmpty())
            return;
        const QString marker = linkHead + code + linkTail;
        const int length = int(marker.size());
        const int f = markers.first(code);
        if (f == 0)
            return;
        // The name is at the row's second look-up link, the very next link on the page; the row ends at
        // the next fund's link, so neither is ever taken from a neighbour.
        const int f2 = markers.headFrom(f + length + 2);
        if (f2 == 0 || !scan.startsAt(f2, marker))
            throw ScanError();
        const PageScanner row = scan.before(markers.headFrom(f2 + length));
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
