#pragma once

// Reading quote pages: the scanning primitives over a page's text, with positions counted in characters
// from 1, and the outcome of reading one page for the entries of a quote list.

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <functional>
#include <stdexcept>

namespace tv {

// The page is not as its source writes it: a stop character or a later marker is missing.
class ScanError : public std::runtime_error
{
public:
    ScanError() : std::runtime_error("page not readable") {}
};

// A page, or the part of it up to a record's end: what does not lie wholly before that end is not there,
// so a record's reading never runs on into the next record's values. Positions stay the page's.
class PageScanner
{
public:
    explicit PageScanner(const QString &text) : m_text(text), m_end(int(text.size()) + 1) {}
    int length() const { return m_end - 1; }

    // The same page ending just before position end; 0 (no next record) keeps this end.
    PageScanner before(int end) const;

    // The first position of needle at or after start; 0 when there is none or start is past the end.
    int find(int start, QStringView needle) const;
    // The first position at or after start where pattern matches wholly before the end; 0 when none.
    int find(int start, const QRegularExpression &pattern) const;
    // As find, for a key that stands on its own: the characters beside it are no letters or digits, so
    // "600001" is not found inside "26000017"; with `accept`, also a position that accept takes. However
    // many hits are passed over, the search goes once over the page.
    int findWord(int start, QStringView word, const std::function<bool(int)> &accept = {}) const;
    // Whether q lies inside double-quoted text: an odd number of quotes stand before it. The count goes
    // on from the position asked before, so positions asked in increasing order cost one pass in all.
    bool insideQuotes(int q) const;
    // Whether text stands at q.
    bool startsAt(int q, QStringView text) const;
    // As find, for a marker that must follow what was read: its absence is a ScanError.
    int findNext(int start, QStringView needle) const;
    // The first position holding c, examining q + 1 onwards (never q itself); ScanError when none.
    int seek(int q, QChar c) const;

    struct Field
    {
        QString text;
        int stop; // the position of the stop character
    };
    // The field starting at q: the character at q always, then everything up to the next c.
    Field take(int q, QChar c) const;
    // The characters from q up to the first of the stops, empty when q holds one.
    Field run(int q, QStringView stops) const;

private:
    QStringView visible() const { return QStringView(m_text).left(m_end - 1); }

    QString m_text;
    int m_end; // the first position that is not there
    // The quotes among the first m_counted characters of the text, as insideQuotes last counted them.
    mutable qsizetype m_counted = 0;
    mutable qsizetype m_quotes = 0;
};

// One list entry's result as the quote buffers take it; price "0" means no quote.
struct QuoteEntry
{
    QString price = QStringLiteral("0");
    QString change;
    QString name;
    QString link;
};

// What one page gave for entries 1 to n. A failure leaves every price "0" and every name empty; the
// change and link of entries read before it stay.
struct QuoteReading
{
    explicit QuoteReading(int n = 0) : entries(qMax(n, 0)) {}

    QList<QuoteEntry> entries; // entry i at index i - 1
    QString error;             // why the page failed; empty when it was read to the end
    int failedEntry = 0;       // the entry being read when it failed; 0 when no page came

    bool failed() const { return !error.isEmpty(); }
    QuoteEntry &operator[](int i) { return entries[i - 1]; }
    const QuoteEntry &operator[](int i) const { return entries[i - 1]; }
    void fail(int entry, const QString &why);
};

// The description a reading gives for a page it could not read.
QString PageNotReadableText();

// Reads entries 1 to n in list order, each through readEntry; a ScanError fails the page at the entry
// being read.
QuoteReading ReadEntries(int n, const std::function<void(int i, QuoteEntry &entry)> &readEntry);

} // namespace tv
