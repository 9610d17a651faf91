#include "quotes/QuoteScan.h"

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

int PageScanner::findWord(int start, QStringView word) const
{
    const auto standsAlone = [this](qsizetype i) {
        return i < 0 || i >= m_text.size() || !m_text[i].isLetterOrNumber();
    };
    for (int at = find(start, word); at > 0; at = find(at + 1, word)) {
        if (standsAlone(at - 2) && standsAlone(at - 1 + word.size()))
            return at;
    }
    return 0;
}

bool PageScanner::insideQuotes(int q) const
{
    return QStringView(m_text).left(qBound(0, q - 1, int(m_text.size()))).count(u'"') % 2 == 1;
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
