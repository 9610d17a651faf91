#pragma once

// The three stock quote sources: the request each sends for a list of codes, and how each one's reply is
// read into prices, changes, names and detail links. Lists are 1-based: codes[1] to codes[n].

#include "quotes/QuoteScan.h"

#include <QStringList>

namespace tv {

enum class QuoteSource { Star, Sina, Sohu };

// "sina" and "sohu" name their sources; anything else is star.
QuoteSource QuoteSourceOf(const QString &setting);

// The address of the one request for entries 1 to n: base, the source's path, then for every entry its
// market prefix, the code and the separator. A character that would change the address's meaning is
// percent-encoded; a plain code goes in as it is.
QString StockRequestAddress(QuoteSource source, const QString &base, const QStringList &codes, int n);

// Reads a reply for entries 1 to n. Star's detail base is part of what it searches for; linkBase gives
// the detail links of sina and sohu (none when it is empty).
QuoteReading ReadStarReply(const QString &reply, const QStringList &codes, int n, const QString &detailBase);
QuoteReading ReadSinaReply(const QString &reply, const QStringList &codes, int n, const QString &linkBase);
QuoteReading ReadSohuReply(const QString &reply, const QStringList &codes, int n, const QString &linkBase);

// The change of price text b against reference text a, "0.00%"; a reference of 0 gives "100.00%".
QString ChangeText(const QString &a, const QString &b);

} // namespace tv
