#pragma once

// Rows for the query tests: securities of Detail and records of rep, with every value bound; and the
// short ways the tests write dates, rows of cells and a grid's column.

#include "data/Database.h"
#include "reports/QueryGrid.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace tv::test {

struct Rep
{
    QString code;
    QString type;
    QString date;
    double price = 0, quantity = 0, holding = 0, amount = 0, cash = 0;
    double fee = 0, stamp = 0, transfer = 0, other = 0, flow = 0;
    QString contract = QStringLiteral("H1");
};

inline qint64 AddRep(Database &db, const Rep &r)
{
    db.execute(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, "
                              "资金余额, 手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'admin')"),
               {r.code.isNull() ? QVariant() : QVariant(r.code), r.type, r.date, r.price, r.quantity, r.holding,
                r.amount, r.cash, r.fee, r.stamp, r.transfer, r.other, r.flow, r.contract});
    return db.lastInsertId();
}

inline void AddDetail(Database &db, const QString &name, const QString &code, double price, double target = 12,
                      double stop = 9, double buy = 9.5, const QString &change = QStringLiteral("0.5%"))
{
    db.execute(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                              "更新日期, 止损位, 买入点) VALUES ('A000000001', ?, ?, '', '', ?, ?, ?, '2026-12-09', ?, ?)"),
               {name, code, target, price, change, stop, buy});
}

// The index row as the main window inserts it, with a price and a change of its own.
inline void AddIndexRow(Database &db)
{
    db.execute(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                              "更新日期, 止损位, 买入点) VALUES ('上证指数', '上证指数', 'shzs000001', '0', '0', 10000, "
                              "3100.5, '-0.5%', '0', 5000, 3000)"));
}

// The index row and `n` holdings 证券1 ... (codes 600001 up, the first of 1500 shares, the others of 100,
// all bought on 2026-12-01 at 11; target 12, stop 9), with cash of 50000.
inline void AddIndexAndHoldings(Database &db, int n)
{
    AddIndexRow(db);
    for (int i = 1; i <= n; ++i) {
        const QString code = QString::number(600000 + i);
        const double quantity = i == 1 ? 1500 : 100;
        AddDetail(db, QStringLiteral("证券%1").arg(i), code, 11, 12, 9);
        AddRep(db, {code, QStringLiteral("证券买入"), QStringLiteral("2026-12-01"), 11, quantity, quantity,
                    11 * quantity, 50000});
    }
}

inline QDate d(const char *iso)
{
    return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

inline QStringList cells(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// Grid rows 1 to the last, of one column.
inline QStringList column(const TextGrid &g, int c)
{
    QStringList out;
    for (int r = 1; r < g.rowCount(); ++r)
        out << g.text(r, c);
    return out;
}

} // namespace tv::test
