#pragma once

// The live watch without its window: the trend a change text shows and its colours, the alert test of a
// row, what a refresh shows for a fetched quote, the totals, and which rows go back into Detail.

#include "app/Globals.h"
#include "quotes/PriceUpdate.h"

#include <QList>
#include <QString>

namespace tv {

// Colours as 0x00BBGGRR numbers (VbColor).
constexpr unsigned int kWatchGridBack = 0xE0E0E0;

enum class Trend { Rising, Falling }; // Rising includes flat

// "-" first means falling; anything else, "0" and "" included, rising or flat.
Trend TrendOf(const QString &change);
unsigned int TrendTextColour(Trend trend);
unsigned int AlertBackColour(Trend trend);

// A rising row alerts above its target, a falling row below its stop; a price equal to the threshold
// never alerts, and neither does a rising row below its stop or a falling one above its target.
bool IsAlert(Trend trend, double price, double target, double stop);

// The limit of a watch list and the message that refuses a longer one.
bool WatchListFits(int holdings);
QString WatchLimitText(int holdings);

// One watch element as a refresh reads it.
struct WatchRow
{
    QString code;
    QString name;
    QString price;  // as the fetch left it
    QString change; // as the fetch left it
    double qty = 0;
    double target = 0;
    double stop = 0;
    double openPrice = 0; // the price when the window opened
};

// Elements 1 to holdings + 1 of the watch arrays (row k is element k + 1), with the opening prices kept
// by element.
QList<WatchRow> CurrentWatchRows(int holdings, const NumberArray &openPrices);

// What a refresh shows for a row. A row without a quote shows its opening price and change "0"; a row
// whose price came from the fetch is `fetched` (a fund row never is: the stock fetch leaves it alone).
struct ShownRow
{
    QString price; // the number's text, cents kept
    QString change;
    Trend trend = Trend::Rising;
    bool alert = false;
    bool fetched = false;
};

struct WatchRefresh
{
    QList<ShownRow> rows; // in the order of the watch rows
    double marketValue = 0;
    double totalAssets = 0;
};
WatchRefresh RefreshWatch(const QList<WatchRow> &rows, double cash);

// Detail updates for the rows whose shown price came from a fetch and is still a quote; the others keep
// what they store.
// `fetched` is kept by element, as the rows are numbered.
QList<PriceWrite> FetchedPriceWrites(const QList<WatchRow> &rows, const FlagArray &fetched);

} // namespace tv
