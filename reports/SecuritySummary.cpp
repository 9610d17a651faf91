#include "reports/SecuritySummary.h"

#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/TradeGrid.h"
#include "reports/QueryCondition.h"
#include "reports/RowStream.h"
#include "reports/TradeList.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <vector>

namespace tv {

namespace {

// The range's rows in journal order, each code's rows gathered into its group.
enum Field { kCode, kHolding, kQuantity, kAmount, kFlow, kFee, kStamp, kTransfer, kOther };
constexpr int kFirstSum = kQuantity;
constexpr int kSumCount = kOther - kFirstSum + 1;

// Codes group and sort as the column compares them (NOCASE): ASCII letters without case, every other
// byte as it is.
void foldCase(QByteArrayView code, QByteArray &key)
{
    key.resize(code.size());
    char *out = key.data();
    for (const char c : code)
        *out++ = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

struct Group
{
    QByteArray key;
    QString code; // as its first row has it
    qint64 count = 0;
    double endHolding = 0; // 证券余额 of the last row
    QByteArray endText;
    std::array<Sum, kSumCount> sums;

    double sum(Field f) const { return sums[f - kFirstSum].value(); }
};

} // namespace

TextGrid SummaryLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral(
            "^ 证券名称|^证券代码|^交易次数 |^前证券余额|^证券余额|^ 成交数量|^成交金额|^收支金额|^手续费|"
            "^ 印花税|^ 过户费|^其它费用|^最新行情|^浮动盈亏"),
        {1000, 900, 800, 1000, 1000, 1000, 1200, 1200, 1000, 1001, 1000, 1000, 1000, 1300});
}

QueryDisplay SecuritySummary(Database &db, const QDate &from, const QDate &to)
{
    const QueryCondition range = DateRangeCondition(from, to);
    const DetailLookup detail(db);
    // The holding before the range is the code's balance as of the day before: the sign of the first
    // row's cash flow cannot tell it for a dividend carrying a quantity or a sale costing more than it
    // brought.
    RowStream before(db, QStringLiteral("SELECT 证券余额 FROM rep WHERE 证券代码 = ? AND 交收日期 < ? "
                                        "ORDER BY 交收日期 DESC, repid DESC LIMIT 1"));
    // In journal order, as the date index gives the rows without sorting them: each code's sums add in
    // the order of its rows.
    RowStream rs(
        db,
        QStringLiteral(
            "SELECT 证券代码, 证券余额, 成交数量, 成交金额, 收支金额, 手续费, 印花税, 过户费, 其它费用 "
            "FROM rep WHERE ") +
            range.sql() + QStringLiteral(" ORDER BY 交收日期 ASC, repid ASC"),
        range.args());

    QueryDisplay d;
    d.grid = SummaryLayout();
    qint64 trades = 0;
    std::array<Sum, 6> columnTotals; // grid columns 5 to 10, as shown
    Sum profitTotal;

    auto addRow = [&](const Group &g) {
        before.rebind({g.code, from});
        const double held = before.next() ? before.number(0) : 0;
        const auto *found = detail.find(g.code);
        QStringList row = d.grid.emptyRow();
        row[0] = found ? found->first : QString();
        row[1] = g.code;
        row[2] = QString::number(g.count);
        row[3] = NumText(held);
        row[4] = QString::fromUtf8(g.endText);
        row[5] = NumText(g.sum(kQuantity));
        row[6] = TwoDecimalText(g.sum(kAmount));
        row[7] = TwoDecimalText(g.sum(kFlow));
        row[8] = TwoDecimalText(g.sum(kFee));
        row[9] = TwoDecimalText(g.sum(kStamp));
        row[10] = NumText(g.sum(kTransfer));
        row[11] = NumText(g.sum(kOther));
        // A code without a Detail row has no price: its holding is valued at 0.
        row[12] = found ? found->second : QString();
        row[13] = TwoDecimalText(g.sum(kFlow) + Val(row[12]) * (g.endHolding - held));
        trades += g.count;
        for (int c = 5; c <= 10; ++c)
            columnTotals[c - 5].add(Val(row[c]));
        profitTotal.add(Val(row[13]));
        d.grid.rows << row;
    };

    std::vector<Group> groups;
    QHash<QByteArray, qsizetype> groupOf;
    QByteArray key;
    while (rs.next()) {
        const QByteArrayView code = rs.utf8(kCode);
        foldCase(code, key);
        auto found = groupOf.constFind(key);
        if (found == groupOf.constEnd()) {
            found = groupOf.insert(key, qsizetype(groups.size()));
            groups.emplace_back();
            groups.back().key = key;
            groups.back().code = QString::fromUtf8(code);
        }
        Group &g = groups[size_t(*found)];
        ++g.count;
        const QByteArrayView holding = rs.utf8(kHolding, &g.endHolding);
        g.endText.truncate(0);
        g.endText.append(holding);
        for (int i = 0; i < kSumCount; ++i)
            g.sums[i].add(rs.number(kFirstSum + i));
    }
    std::sort(groups.begin(), groups.end(), [](const Group &a, const Group &b) { return a.key < b.key; });
    for (const Group &g : groups)
        addRow(g);

    const int listed = d.grid.rowCount() - 1;
    const int totals = d.grid.addRow();
    QStringList &t = d.grid.rows[totals];
    t[0] = QStringLiteral(" 合计");
    t[1] = QString::number(listed);
    t[2] = QString::number(trades);
    for (int c = 5; c <= 10; ++c)
        t[c] = NumText(columnTotals[c - 5].value());
    t[13] = NumText(profitTotal.value());
    d.grid.addRow();

    d.gridRow = totals;
    d.count = QString::number(listed);
    d.repWhere = range.text();
    return d;
}

} // namespace tv
