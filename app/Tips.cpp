#include "app/Tips.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace tv {

bool ReadTipsFile(const QString &path, QStringList &tips)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&f);
    while (!in.atEnd())
        tips << in.readLine();
    return true;
}

int NextTipNumber(int current, int count)
{
    const int next = current + 1;
    return next > count ? 1 : next;
}

QString MissingTipsText()
{
    return QStringLiteral("File.Vkr") + QStringLiteral(" 文件未找到？") + QStringLiteral("\n\n") +
           QStringLiteral("使用记事本，创建一个名为 ") + QStringLiteral("File.Vkr") +
           QStringLiteral(" 的文本文件，其中每行一个技巧。 ") + QStringLiteral("然后，放在应用程序所在目录下。");
}

} // namespace tv
