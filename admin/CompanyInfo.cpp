#include "admin/CompanyInfo.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

void SaveCompanyInfo(const CompanyInfo &info)
{
    Database db(g_DbPath, g_DbConnect);
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM Config"));
    db.execute(QStringLiteral("INSERT INTO Config (公司名称, 公司地址, 公司电话, 公司传真, 负责人, 桌面图片路径) "
                              "VALUES (?, ?, ?, ?, ?, ?)"),
               {info[0], info[1], info[2], info[3], info[4], info[5]});
    tx.commit();
}

QString DesktopPictureFile(const QString &path)
{
    return Trim(path);
}

} // namespace tv
