#include "quotes/AlertPoints.h"

#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

std::optional<AlertPoints> LoadAlertPoints(Database &db, const QString &name)
{
    const RowSet rs = db.openQuery(QStringLiteral("SELECT 证券代码, 目标价, 止损位, 买入点, 分析评论 FROM "
                                                  "Detail WHERE 证券名称 = ? ORDER BY rowid LIMIT 1"),
                                   {name});
    if (rs.isEmpty())
        return std::nullopt;
    return AlertPoints{rs.text(0, 0), rs.text(0, 1), rs.text(0, 2), rs.text(0, 3), rs.text(0, 4)};
}

bool SaveAlertPoints(Database &db, const QString &code, const AlertPoints &typed)
{
    Transaction tx(db);
    const int changed = db.execute(
        QStringLiteral(
            "UPDATE Detail SET 目标价 = ?, 止损位 = ?, 买入点 = ?, 分析评论 = ? WHERE 证券代码 = ?"),
        {DoubleText(Val(typed.target)), DoubleText(Val(typed.stop)), DoubleText(Val(typed.buy)),
         typed.comment, code});
    if (changed == 0)
        return false;
    tx.commit();
    return true;
}

QString MissingSecurityText(const QString &name)
{
    return QStringLiteral("没有找到证券“") + name + QStringLiteral("”的记录，它可能已被其他工作站删除。");
}

} // namespace tv
