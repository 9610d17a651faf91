#include "reports/HoldingsAnalysis.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "journal/TradeGrid.h"
#include "reports/QueryCondition.h"
#include "reports/RowStream.h"

#include <array>

namespace tv {

namespace {

// Each security's last rep row on or before the date (by date, then key), with its Detail fields, in
// the order Detail yields its rows.
const QString kLastRows = QStringLiteral(
    "SELECT d.证券名称, d.市场价格, d.涨跌幅, d.目标价, d.止损位, r.证券代码, r.交易类别, r.交收日期, r.成交价格, "
    "r.成交数量, r.证券余额, r.成交金额, r.资金余额, r.手续费, r.印花税, r.过户费, r.其它费用, r.收支金额 "
    "FROM Detail d JOIN rep r ON r.repid = (SELECT x.repid FROM rep x WHERE x.证券代码 = d.证券代码 "
    "AND x.交收日期 <= ? ORDER BY x.交收日期 DESC, x.repid DESC LIMIT 1) "
    "ORDER BY d.rowid");
constexpr int kName = 0, kPrice = 1, kChange = 2, kTarget = 3, kStop = 4, kFirstRep = 5;
constexpr int kHoldingField = kFirstRep + 5; // 证券余额

// Grid columns summed in the totals row: 证券余额, 成交金额, 手续费, 印花税, 过户费, 其它费用, 收支金额; a
// grid column c shows field kFirstRep + c - 1.
constexpr int kSummedColumns[] = {6, 7, 9, 10, 11, 12, 13};

} // namespace

TextGrid AnalysisLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral("^ 证券名称|^  证券代码|^  交易类别 |^  交收日期 |^ 成交价格 |^ 成交数量|^证券余额|^ 成交金额|"
                       "^ 资金余额|^手续费|^ 印花税|^ 过户费|^其它费用|^ 收支金额|^最新行情|^证券市值"),
        {900, 800, 1000, 1300, 800, 800, 800, 1000, 1000, 800, 800, 800, 900, 1000, 1000, 1400});
}

HoldingsAnalysis AnalyseHoldings(Database &db, const QDate &date)
{
    HoldingsAnalysis a;
    a.date = date;
    const RowSet index = db.openQuery(
        QStringLiteral("SELECT 市场价格, 涨跌幅, 目标价, 止损位 FROM Detail WHERE 证券代码 = ? ORDER BY rowid LIMIT 1"),
        {kIndexCode});
    if (index.isEmpty())
        throw DbError(DbError::Statement, QStringLiteral("没有上证指数的记录"));
    a.index = {QString(), index.text(0, 0), index.text(0, 1), index.number(0, 2), index.number(0, 3)};

    RowStream rs(db, kLastRows, {date});
    QueryDisplay &d = a.display;
    d.grid = AnalysisLayout();
    std::array<Sum, 7> sums;
    Sum marketValue;
    while (rs.next()) {
        const double holding = rs.number(kHoldingField);
        if (!(holding > 0))
            continue;
        QStringList row = d.grid.emptyRow();
        row[0] = rs.text(kName);
        for (int c = 0; c <= 12; ++c)
            row[c + 1] = rs.text(kFirstRep + c);
        row[14] = rs.text(kPrice);
        row[15] = TwoDecimalText(Val(row[14]) * holding);
        for (int i = 0; i < 7; ++i)
            sums[i].add(rs.number(kFirstRep + kSummedColumns[i] - 1));
        marketValue.add(Val(row[15]));
        d.grid.rows << row;
        if (a.watch.size() < kMaxWatchHoldings)
            a.watch << WatchEntry{row[1], QString(), rs.text(kChange), rs.number(kTarget), rs.number(kStop)};
    }
    a.holdings = d.grid.rowCount() - 1;

    a.cash = BalanceAsOf(db, date, QString()).cash;
    a.marketValue = marketValue.value();
    a.totalText = DoubleText(a.cash + a.marketValue);
    a.totalAssets = Val(a.totalText);

    const int totals = d.grid.addRow();
    QStringList &t = d.grid.rows[totals];
    t[0] = QStringLiteral(" 合计");
    t[1] = QString::number(a.holdings);
    t[8] = NumText(a.cash);
    for (int i = 0; i < 7; ++i)
        t[kSummedColumns[i]] = NumText(sums[i].value());
    t[15] = NumText(a.marketValue);
    d.grid.addRow();

    d.gridRow = totals;
    d.count = QString::number(a.holdings);
    d.repWhere = CashCondition(date).text();
    d.listRows = a.holdings;
    return a;
}

void PublishAnalysis(const HoldingsAnalysis &a)
{
    PublishQueryState(a.display);
    g_Cash = a.cash;
    g_MarketValue = a.marketValue;
    g_TotalAssets = a.totalAssets;
    g_WatchPrice[1] = a.index.price;
    g_WatchChange[1] = a.index.change;
    g_WatchTarget[1] = a.index.target;
    g_WatchStop[1] = a.index.stop;
    for (int i = 0; i < a.watch.size(); ++i) {
        const WatchEntry &w = a.watch[i];
        g_WatchCode[i + 2] = w.code;
        g_WatchChange[i + 2] = w.change;
        g_WatchTarget[i + 2] = w.target;
        g_WatchStop[i + 2] = w.stop;
    }
}

} // namespace tv
