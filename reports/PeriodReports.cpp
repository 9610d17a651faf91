#include "reports/PeriodReports.h"

#include "app/VbCompat.h"
#include "data/Database.h"
#include "reports/QueryCondition.h"
#include "reports/RowStream.h"
#include "reports/TradeList.h"

#include <array>

namespace tv {

namespace {

// One group's figures in the grid's column order after its key: 交易次数, then the sums of 成交数量,
// 成交金额, 手续费, 印花税, 过户费, 其它费用, 收支金额.
struct Figures
{
    qint64 count = 0;
    std::array<Sum, 7> sums;

    void add(const RowStream &rs)
    {
        ++count;
        for (int i = 0; i < 7; ++i)
            sums[i].add(rs.number(i + 1));
    }
    void write(QStringList &row) const
    {
        row[1] = QString::number(count);
        for (int i = 0; i < 7; ++i)
            row[i + 2] = NumText(sums[i].value());
    }
};

// Groups adjacent rows by their key (the day, or its month): the rows come in settlement order.
QueryDisplay periodReport(Database &db, const QueryCondition &condition, int keyLength)
{
    RowStream rs(db,
                 QStringLiteral("SELECT 交收日期, 成交数量, 成交金额, 手续费, 印花税, 过户费, 其它费用, 收支金额 FROM rep "
                                "WHERE ") +
                     condition.sql() + QStringLiteral(" ORDER BY 交收日期 ASC, repid ASC"),
                 condition.args());
    QueryDisplay d;
    d.grid = PeriodLayout();
    Figures total;
    Figures group;
    QString key;
    auto closeGroup = [&] {
        QStringList row = d.grid.emptyRow();
        row[0] = key;
        group.write(row);
        d.grid.rows << row;
    };
    bool any = false;
    while (rs.next()) {
        const QString rowKey = rs.text(0).left(keyLength);
        if (any && rowKey != key) {
            closeGroup();
            group = Figures();
        }
        any = true;
        key = rowKey;
        group.add(rs);
        total.add(rs);
    }
    if (any)
        closeGroup();
    const int groups = d.grid.rowCount() - 1;
    const int totals = d.grid.addRow();
    d.grid.rows[totals][0] = QStringLiteral(" 合计");
    total.write(d.grid.rows[totals]);
    d.grid.addRow();

    d.gridRow = totals;
    d.count = QString::number(groups);
    d.repWhere = condition.text();
    d.lastWhere = d.repWhere;
    d.listRows = groups;
    return d;
}

} // namespace

TextGrid PeriodLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral("^  交收日期|^交易次数|^ 成交数量|^ 成交金额|^手续费|^ 印花税|^ 过户费|^其它费用|^ 收支金额"),
        {1500, 1000, 1200, 1200, 1000, 1000, 1000, 1000, 1300});
}

QueryDisplay DailyReport(Database &db, const QDate &day) { return TradeList(db, DailyCondition(day)); }

QueryDisplay MonthlyReport(Database &db, const QDate &date)
{
    return periodReport(db, MonthlyCondition(date), 10); // "yyyy-MM-dd"
}

QueryDisplay YearlyReport(Database &db, const QDate &date)
{
    return periodReport(db, YearlyCondition(date), 7); // "yyyy-MM"
}

} // namespace tv
