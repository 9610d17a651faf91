#include "reports/SnapshotSave.h"

#include "data/Database.h"
#include "reports/HoldingsAnalysis.h"

namespace tv {

qint64 SaveSnapshot(Database &db, const Snapshot &s)
{
    Transaction tx(db);
    const RowSet index = db.openQuery(
        QStringLiteral("SELECT 市场价格, 涨跌幅 FROM Detail WHERE 证券代码 = ? ORDER BY rowid LIMIT 1"),
        {kIndexCode});
    if (index.isEmpty())
        throw DbError(DbError::Statement, QStringLiteral("没有上证指数的记录"));
    db.execute(
        QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 日期, 备注) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {s.cash, s.marketValue, s.totalAssets, index.value(0, 0), index.value(0, 1), s.date, s.user});
    const qint64 id = db.lastInsertId();
    tx.commit();
    return id;
}

} // namespace tv
