#include "quotes/QuoteScan.h"

#include <QStringMatcher>

namespace tv {

PageScanner PageScanner::before(int end) const
{
    PageScanner part = *this;
    if (end > 0)
        part.m_end = qMin(end, m_end);
    return part;
}

int PageScanner::find(int start, QStringView needle) const
{
    if (start < 1)
        throw ScanError();
    if (start > length())
        return 0;
    return int(visible().indexOf(needle, start - 1)) + 1;
}

int PageScanner::find(int start, const QRegularExpression &pattern) const
{
    if (start < 1)
        throw ScanError();
    if (start > length())
        return 0;
    const QRegularExpressionMatch m = pattern.match(visible(), start - 1);
    return m.hasMatch() ? int(m.capturedStart()) + 1 : 0;
}

int PageScanner::findWord(int start, QStringView word, const std::function<bool(int)> &accept) const
{
    if (start < 1)
        throw ScanError();
    const auto standsAlone = [this](qsizetype i) {
        return i < 0 || i >= m_text.size() || !m_text[i].isLetterOrNumber();
    };
    // One matcher for every hit: a search of its own per rejected hit would set up its tables anew.
    const QStringMatcher matcher(word);
    const QStringView text = visible();
    for (qsizetype at = start - 1; at < text.size(); ++at) {
        at = matcher.indexIn(text, at);
        if (at < 0)
            return 0;
        if (standsAlone(at - 1) && standsAlone(at + word.size()) && (!accept || accept(int(at) + 1)))
            return int(at) + 1;
    }
    return 0;
}

bool PageScanner::insideQuotes(int q) const
{
    const qsizetype before = qBound(0, q - 1, int(m_text.size()));
    const QStringView text(m_text);
    if (before >= m_counted)
        m_quotes += text.mid(m_counted, before - m_counted).count(u'"');
    else
        m_quotes -= text.mid(before, m_counted - before).count(u'"');
    m_counted = before;
    return m_quotes % 2 == 1;
}

bool PageScanner::startsAt(int q, QStringView text) const
{
    return q >= 1 && visible().mid(q - 1).startsWith(text);
}

int PageScanner::findNext(int start, QStringView needle) const
{
    const int at = find(start, needle);
    if (at == 0)
        throw ScanError();
    return at;
}

int PageScanner::seek(int q, QChar c) const
{
    const qsizetype from = qMax(q, 0); // index of position q + 1
    const qsizetype at = from < length() ? visible().indexOf(c, from) : -1;
    if (at < 0)
        throw ScanError();
    return int(at) + 1;
}

PageScanner::Field PageScanner::take(int q, QChar c) const
{
    if (q < 1 || q > length())
        throw ScanError();
    const int stop = seek(q, c);
    return {m_text.mid(q - 1, stop - q), stop};
}

PageScanner::Field PageScanner::run(int q, QStringView stops) const
{
    if (q < 1)
        throw ScanError();
    for (qsizetype i = q - 1; i < length(); ++i) {
        if (stops.contains(m_text[i]))
            return {m_text.mid(q - 1, i - (q - 1)), int(i) + 1};
    }
    throw ScanError();
}

void QuoteReading::fail(int entry, const QString &why)
{
    error = why;
    failedEntry = entry;
    for (QuoteEntry &e : entries) {
        e.price = QStringLiteral("0");
        e.name.clear();
    }
}

QString PageNotReadableText() { return QStringLiteral("网页内容无法识别"); }

QuoteReading ReadEntries(int n, const std::function<void(int i, QuoteEntry &entry)> &readEntry)
{
    QuoteReading out(n);
    int i = 1;
    try {
        for (; i <= n; ++i)
            readEntry(i, out[i]);
    } catch (const ScanError &) {
        out.fail(i, PageNotReadableText());
    }
    return out;
}

} // namespace tv
