#include "quotes/Services.h"

#include "data/Settings.h"
#include "quotes/Inet.h"

namespace tv::services {

QStringList Keys()
{
    return {star, starDetail, sina, sohu, stockPage, fund, fundPage, fundProfile, fundSina, fundLookup, wake};
}

QString Address(const QString &key)
{
    QString address = GetSetting(kAppNameShared, QStringLiteral("Services"), key).trimmed();
    while (address.endsWith(u'/'))
        address.chop(1);
    return address;
}

QString Required(const QString &key)
{
    const QString address = Address(key);
    if (address.isEmpty())
        throw InetError(QStringLiteral("没有设置服务器地址 ") + key);
    return address;
}

} // namespace tv::services
