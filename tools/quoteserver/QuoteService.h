#pragma once

// Generated replies of the quote services for whatever codes are asked, for HttpServer::setHandler:
// each stock service's request is answered with a page of exactly the requested codes, in the order
// asked, and the two fund pages list the funds of the book. Prices come from the book where it has
// the code, and otherwise from a fixed rule on the code's characters, so the same code always gets
// the same quote. "/" answers with a small page (the wake address).

#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"

#include <QMap>
#include <QString>

namespace tv::quoteserver {

// Quotes by code as Detail stores it: six digits, "shzs000001" for the index, "k" and six digits for a
// fund. `change` is the percent text without its sign rules ("1.25%", "-0.50%").
struct QuoteBook
{
    QMap<QString, PageEntry> stocks; // by stored code; PageEntry::code unused
    QList<PageEntry> funds;          // PageEntry::code is the six digits
};

// A book from a text file, one security a line: code, name, price and optionally the change in percent
// ("600000 浦发银行 10.50 1.25"), separated by blanks or tabs; "#" starts a comment. False with the
// line and its fault in `error` when a line does not read.
bool ReadQuoteBook(const QString &path, QuoteBook &book, QString *error);

// The quote of a stored code that the book does not have.
PageEntry GeneratedStock(const QString &storedCode);
// A fund of six digits with a generated net value.
PageEntry GeneratedFund(const QString &code);

HttpServer::Handler QuoteHandler(const QuoteBook &book);

// The stored code whose quote shows QuoteTexts()[i] (600100 + i), and a book of all of them.
QString QuoteTextCode(int i);
QuoteBook QuoteTextBook();

} // namespace tv::quoteserver
