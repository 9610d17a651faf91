#pragma once

// Valid quote pages for given securities, built from the markers and field positions the program reads:
// the three stock services' replies and the two fund sites' list pages. Chinese text stands before the
// entries, so character and byte positions differ once the text is GBK-encoded (Gbk()). The pages are
// text, so a test can break one (drop a marker) before encoding it; the *Entry functions give one
// entry's text for pages put together by hand.

#include <QByteArray>
#include <QList>
#include <QString>

namespace tv::quoteserver {

// One security or fund as a page shows it. Which fields a page uses is said at the page.
struct PageEntry
{
    QString code; // the code as the page carries it: see each page
    QString name;
    QString price;     // the price, or a fund's net value ("---" on the fund list, "--" on the ranking: none)
    QString reference; // sina, sohu: the previous close, which the change is computed against
    QString change;    // star and the fund pages: the change text as shown
};

// Price and change texts a hostile or damaged page may show, and what taking each as a quote gives: the
// price as a number (its plain text; empty when it is no quote, and then nothing of its row is written)
// and the change text (empty when it is no number).
struct QuoteText
{
    const char *tag;
    QString price;
    QString change;
    QString quote;
    QString quotedChange;
};
const QList<QuoteText> &QuoteTexts();

QByteArray Gbk(const QString &text);

// Chinese prose of exactly `length` characters, without any ASCII.
QString ChineseText(int length);

// Star: `code` is the six digits of the detail link ("000001" for the index), `detailBase` the
// detail-page address the program is set to. The first entry begins after position 455.
QString StarPage(const QString &detailBase, const QList<PageEntry> &entries);
QString StarEntry(const QString &detailBase, const PageEntry &entry);

// Sina: `code` is the requested key ("sh600000", "sz000001", "sh000001" for the index). An entry with
// an empty name is the record the service gives for an unknown code. Uses name, reference, price.
QString SinaPage(const QList<PageEntry> &entries);
QString SinaEntry(const PageEntry &entry);

// Sohu: `code` is the requested key ("0600000", "1000001", "0000001" for the index), at most 7
// characters. Uses name, reference, price.
QString SohuPage(const QList<PageEntry> &entries);
QString SohuEntry(const PageEntry &entry);

// The fund list page (kjprice): `code` is the six digits; pageBase is the fund-page base the program is
// set to, profileBase the profile links' base. The funds stand after position 20000; `early` entries
// stand before it (they must be shorter than 10,000 characters in all), where no search looks.
QString FundPricePage(const QString &pageBase, const QString &profileBase, const QList<PageEntry> &funds,
                      const QList<PageEntry> &early = {});
QString FundPriceEntry(const QString &pageBase, const QString &profileBase, const PageEntry &fund);

// The net-value ranking page (kjsina): `code` is the six digits; lookupBase is the look-up base the
// program is set to. The funds stand after position 10000, `early` entries before it (under 5,000
// characters in all).
QString FundSinaPage(const QString &lookupBase, const QList<PageEntry> &funds,
                     const QList<PageEntry> &early = {});
QString FundSinaEntry(const QString &lookupBase, const PageEntry &fund);

// Hostile replies of exactly `length` characters, all ASCII so that they are as many bytes: an open
// double quote, then `text` and a blank over and over (the last one cut short), which no quote ever
// closes; and a reply of nothing but double quotes.
QString RepeatedInQuotePage(const QString &text, int length);
QString QuotesOnlyPage(int length);

} // namespace tv::quoteserver
