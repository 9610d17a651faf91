#include "journal/Securities.h"

#include "data/Database.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace tv {

QList<CategoryEntry> LoadSecurityTree(Database &db)
{
    QList<CategoryEntry> out;
    const RowSet catalog = db.openQuery(QStringLiteral("SELECT 证券类别, 股东账号 FROM Catalog ORDER BY rowid"));
    for (int i = 0; i < catalog.recordCount(); ++i) {
        CategoryEntry c{catalog.text(i, 0), catalog.text(i, 1), {}};
        const RowSet names =
            db.openQuery(QStringLiteral("SELECT 证券名称 FROM Detail WHERE 股东账号 = ? ORDER BY rowid"), {c.account});
        for (int j = 0; j < names.recordCount(); ++j)
            c.securities << names.text(j, 0);
        out << c;
    }
    QCollator chinese(QLocale(QLocale::Chinese, QLocale::China));
    std::stable_sort(out.begin(), out.end(),
                     [&](const CategoryEntry &a, const CategoryEntry &b) { return chinese.compare(a.name, b.name) < 0; });
    return out;
}

bool LoadSecurityDetail(Database &db, const QString &name, SecurityDetail &d)
{
    const RowSet rs = db.openQuery(
        QStringLiteral("SELECT d.*, (SELECT c.证券类别 FROM Catalog c WHERE c.股东账号 = d.股东账号 ORDER BY c.rowid "
                       "LIMIT 1) AS 所属类别 FROM Detail d WHERE d.证券名称 = ? ORDER BY d.rowid LIMIT 1"),
        {name});
    if (rs.isEmpty())
        return false;
    d.account = rs.text(0, QStringLiteral("股东账号"));
    d.name = rs.text(0, QStringLiteral("证券名称"));
    d.code = rs.text(0, QStringLiteral("证券代码"));
    d.document = rs.text(0, QStringLiteral("基本面"));
    d.comment = rs.text(0, QStringLiteral("分析评论"));
    d.target = rs.text(0, QStringLiteral("目标价"));
    d.price = rs.text(0, QStringLiteral("市场价格"));
    d.change = rs.text(0, QStringLiteral("涨跌幅"));
    d.updated = rs.text(0, QStringLiteral("更新日期"));
    d.stopLoss = rs.text(0, QStringLiteral("止损位"));
    d.buyPoint = rs.text(0, QStringLiteral("买入点"));
    d.category = rs.text(0, QStringLiteral("所属类别"));
    return true;
}

QString SecurityNameOfCode(Database &db, const QString &code)
{
    return db.scalar(QStringLiteral("SELECT 证券名称 FROM Detail WHERE 证券代码 = ? ORDER BY rowid LIMIT 1"), {code})
        .toString();
}

void DeleteSecurity(Database &db, const QString &code)
{
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = ?"), {code});
    db.execute(QStringLiteral("DELETE FROM rep WHERE 证券代码 = ?"), {code});
    tx.commit();
}

void DeleteRecord(Database &db, qint64 repid)
{
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM rep WHERE repid = ?"), {repid});
    tx.commit();
}

void EnsureIndexRow(Database &db)
{
    Transaction tx(db);
    if (!db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券代码 = ?"), {kIndexCode})) {
        db.execute(QStringLiteral("INSERT INTO Detail (证券代码, 基本面, 分析评论, 市场价格, 更新日期, 涨跌幅, 目标价, "
                                  "止损位, 买入点, 股东账号, 证券名称) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {kIndexCode, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                    QStringLiteral("0"), QStringLiteral("10000"), QStringLiteral("5000"), QStringLiteral("3000"), kIndexName,
                    kIndexName});
    }
    tx.commit();
}

} // namespace tv
