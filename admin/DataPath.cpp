#include "admin/DataPath.h"

#include "app/VbCompat.h"

namespace tv {

QString DatabaseFileOfPath(const QString &typed)
{
    const QString fileName = QStringLiteral("File.zqd");
    const QString t = Trim(typed);
    if (t.toUpper().contains(fileName.toUpper()))
        return t;
    if (t.endsWith(u'/'))
        return t + fileName;
    return t + u'/' + fileName;
}

} // namespace tv
