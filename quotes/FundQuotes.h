#pragma once

// The two fund net-value sources: one list page for all funds, every fund searched for from a fixed
// position, so the page may list them in any order. Codes are the six digits, without the "k";
// lists are 1-based: codes[1] to codes[n].

#include "quotes/QuoteScan.h"

#include <QStringList>

namespace tv {

// The list pages' addresses on their sites.
QString FundPriceAddress(const QString &base);
QString FundSinaAddress(const QString &base);

// The fund list page; pageBase is the fund-page base inside each fund's marker, profileBase gives the
// detail links (none when it is empty).
QuoteReading ReadFundPrices(const QString &page, const QStringList &codes, int n, const QString &pageBase,
                            const QString &profileBase);

// The net-value ranking page; lookupBase is the look-up address inside each fund's marker.
QuoteReading ReadFundSina(const QString &page, const QStringList &codes, int n, const QString &lookupBase);

} // namespace tv
