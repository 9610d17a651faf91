#include "reports/TradeList.h"

#include "app/VbCompat.h"
#include "data/Database.h"
#include "reports/RowStream.h"

#include <array>

namespace tv {

namespace {

// rep columns 成交数量, 成交金额, 手续费, 印花税, 过户费, 其它费用, 收支金额 and the grid columns of their totals.
constexpr int kSummed[][2] = {{4, 5}, {6, 7}, {8, 9}, {9, 10}, {10, 11}, {11, 12}, {12, 13}};

// Which total a rep column adds to, -1 for none.
constexpr auto kSumOfColumn = [] {
    std::array<int, 14> sumOf{};
    sumOf.fill(-1);
    for (int i = 0; i < int(std::size(kSummed)); ++i)
        sumOf[kSummed[i][0]] = i;
    return sumOf;
}();

} // namespace

QString DetailLookup::key(const QString &code)
{
    return RTrim(code).toCaseFolded();
}

DetailLookup::DetailLookup(Database &db)
{
    RowStream rs(db, QStringLiteral("SELECT 证券代码, 证券名称, 市场价格 FROM Detail ORDER BY rowid"));
    while (rs.next()) {
        const QString k = key(rs.text(0));
        if (!byCode.contains(k))
            byCode.insert(k, {rs.text(1), rs.text(2)});
    }
}

const QPair<QString, QString> *DetailLookup::find(const QString &code) const
{
    const auto found = byCode.constFind(key(code));
    return found == byCode.constEnd() ? nullptr : &*found;
}

TextGrid TradeListLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral("^ 证券名称|^  证券代码|^  交易类别 |^  交收日期 |^ 成交价格 |^ 成交数量|^证券余额|^成交金额|"
                       "^ 资金余额|^手续费|^ 印花税|^ 过户费|^其它费用|^ 收支金额|^合同号|^最新行情"),
        {900, 800, 1000, 1300, 800, 800, 800, 1000, 1000, 800, 800, 800, 900, 1000, 1000, 1400});
}

TextGrid PriceAlertLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral("^ 证券名称|^  证券代码|^  市场价格|^  目标价 |^ 止损位 |^ 买入点"),
        {1500, 1500, 1500, 1500, 1500, 1500});
}

QueryDisplay TradeList(Database &db, const QueryCondition &condition)
{
    const DetailLookup detail(db);
    RowStream rs(db,
                 QStringLiteral("SELECT 证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, 资金余额, 手续费, "
                                "印花税, 过户费, 其它费用, 收支金额, 合同号 FROM rep WHERE ") +
                     condition.sql() + QStringLiteral(" ORDER BY 交收日期 ASC, repid ASC"),
                 condition.args());
    QueryDisplay d;
    d.grid = TradeListLayout();
    PackedRows rows(kTradeListColumns);
    // Name and price by the code as it is stored: a journal has many rows and few codes.
    QHash<QByteArray, QPair<QByteArray, QByteArray>> detailOfCode;
    std::array<Sum, 7> sums;
    int totalled = 0;
    while (rs.next()) {
        // A row without a code stays empty; it is counted but not totalled.
        if (rs.isNull(0)) {
            for (int c = 0; c < kTradeListColumns; ++c)
                rows.add(QByteArrayView());
            continue;
        }
        const QByteArrayView code = rs.utf8(0);
        auto found = detailOfCode.constFind(QByteArray::fromRawData(code.data(), code.size()));
        if (found == detailOfCode.constEnd()) {
            const auto *named = detail.find(QString::fromUtf8(code));
            found = detailOfCode.insert(code.toByteArray(),
                                        named ? qMakePair(named->first.toUtf8(), named->second.toUtf8())
                                              : QPair<QByteArray, QByteArray>());
        }
        rows.add(found->first);
        rows.add(code);
        for (int c = 1; c <= 13; ++c) {
            if (const int sum = kSumOfColumn[c]; sum >= 0) {
                double value = 0;
                rows.add(rs.utf8(c, &value));
                sums[sum].add(value);
            } else {
                rows.add(rs.utf8(c));
            }
        }
        rows.add(found->second);
        ++totalled;
    }
    const int n = rows.rowCount();
    const QString lastCash = n == 0 ? QStringLiteral("0") : rows.text(n - 1, 8);
    d.grid.rows.append(std::move(rows));
    const int totals = d.grid.addRow();
    QStringList &t = d.grid.rows[totals];
    t[0] = QStringLiteral(" 合计");
    t[1] = QString::number(totalled);
    t[8] = lastCash;
    for (int i = 0; i < 7; ++i)
        t[kSummed[i][1]] = NumText(sums[i].value());
    d.grid.addRow();

    d.gridRow = totals;
    d.count = QString::number(n);
    d.repWhere = condition.text();
    d.lastWhere = d.repWhere;
    d.listRows = n;
    return d;
}

QueryDisplay PriceAlertList(Database &db, const QueryTerm &threshold)
{
    const QueryCondition condition{threshold};
    const RowSet rs = db.openQuery(QStringLiteral("SELECT 证券名称, 证券代码, 市场价格, 目标价, 止损位, 买入点 FROM Detail "
                                                  "WHERE ") +
                                       condition.sql() + QStringLiteral(" ORDER BY rowid"),
                                   condition.args());
    QueryDisplay d;
    d.grid = PriceAlertLayout();
    const int n = rs.recordCount();
    for (int r = 0; r < n; ++r) {
        QStringList row;
        for (int c = 0; c < 6; ++c)
            row << rs.text(r, c);
        d.grid.rows << row;
    }
    d.gridRow = n + 1;
    d.count = QString::number(n);
    d.repWhere = condition.text();
    return d;
}

std::optional<QString> CodeOfName(Database &db, const QString &name)
{
    const RowSet rs = db.openQuery(
        QStringLiteral("SELECT 证券代码 FROM Detail WHERE 证券名称 = ? ORDER BY rowid LIMIT 1"), {RTrim(name)});
    if (rs.isEmpty())
        return std::nullopt;
    return rs.text(0, 0);
}

QStringList DetailColumn(Database &db, const QString &column)
{
    const RowSet rs = db.openTable(QStringLiteral("Detail"));
    const int field = rs.fieldIndex(column);
    QStringList values;
    values.reserve(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r)
        values << rs.text(r, field);
    return values;
}

} // namespace tv
