#pragma once

// The trade list of the query window: the rep rows of a condition in settlement order with each
// security's name and latest price and a " 合计" row; and the price-alert list of Detail.

#include "reports/QueryCondition.h"
#include "reports/QueryGrid.h"

#include <QHash>
#include <QPair>

namespace tv {

class Database;

constexpr int kTradeListColumns = 16;

// Detail's name and latest price of every code, read once for a whole display. Codes compare as the
// database compares them: without case and without trailing blanks.
struct DetailLookup
{
    explicit DetailLookup(Database &db);
    static QString key(const QString &code);
    // Name and price text of the code's first Detail row; null when it has none.
    const QPair<QString, QString> *find(const QString &code) const;

    QHash<QString, QPair<QString, QString>> byCode;
};

TextGrid TradeListLayout();  // the 16 columns of the trade list, header only
TextGrid PriceAlertLayout(); // the 6 columns of the price-alert list, header only

// The rep rows of the condition: header, the rows, " 合计" and one empty row. Sets g_LastWhere and
// g_ListRows to the condition and the number of rows listed.
QueryDisplay TradeList(Database &db, const QueryCondition &condition);

// The securities whose market price stands against the threshold as the term says; no totals row.
// Sets neither g_LastWhere nor g_ListRows.
QueryDisplay PriceAlertList(Database &db, const QueryTerm &threshold);

// 证券代码 of the first security of this name; nothing when there is none.
std::optional<QString> CodeOfName(Database &db, const QString &name);

// The values of one column of Detail in table order (证券代码 or 证券名称), for the condition's value list.
QStringList DetailColumn(Database &db, const QString &column);

} // namespace tv
