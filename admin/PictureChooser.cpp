#include "admin/PictureChooser.h"

#include "app/VbCompat.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <climits>
#include <cmath>

namespace tv {

const QList<PictureType> &PictureTypes()
{
    static const QList<PictureType> types = {
        {QStringLiteral("所有图片文件(*.*)"), QStringLiteral("*.bmp;*.jpg;*.gif;*.ico;*.wmf;*.emf;*.rle")},
        {QStringLiteral("位图文件|*.BMP"), QStringLiteral("*.bmp")},
        {QStringLiteral("压缩文件|*.JPG"), QStringLiteral("*.jpg")},
        {QStringLiteral("GIF文件|*.GIF"), QStringLiteral("*.gif")},
        {QStringLiteral("图标文件|*.ICO"), QStringLiteral("*.ico")},
        {QStringLiteral("WMF|*.WMF"), QStringLiteral("*.wmf")},
        {QStringLiteral("EMF|*.EMF"), QStringLiteral("*.emf")},
        {QStringLiteral("RLE|*.RLE"), QStringLiteral("*.rle")},
    };
    return types;
}

QString PictureTypePattern(int item)
{
    const auto &types = PictureTypes();
    return types.value(item, types.first()).pattern;
}

bool MatchesFilePattern(const QString &fileName, const QString &pattern)
{
    const QStringList parts = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        // The patterns are written in lower case, the files come in any case.
        if (QRegularExpression::fromWildcard(part.trimmed(), Qt::CaseInsensitive).match(fileName).hasMatch())
            return true;
    }
    return false;
}

QStringList ListMatchingFiles(const QString &folder, const QString &pattern)
{
    if (folder.isEmpty())
        return {};
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    QStringList out;
    for (const QString &name : names) {
        if (MatchesFilePattern(name, pattern))
            out << name;
    }
    return out;
}

QString ChosenFilePath(const QString &folder, const QString &fileName)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

QList<FolderEntry> FolderTree(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    QList<FolderEntry> out;
    out.append({QStringLiteral("/"), QStringLiteral("/"), 0, true});
    QString path;
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        path += QLatin1Char('/') + part;
        out.append({path, part, int(out.size()), true});
    }
    const int depth = int(out.size());
    const QStringList subs =
        QDir(clean).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &sub : subs)
        out.append({ChosenFilePath(clean, sub), sub, depth, false});
    return out;
}

QStringList MountedDrives()
{
    QStringList roots;
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &v : volumes) {
        if (v.isValid() && !roots.contains(v.rootPath()))
            roots << v.rootPath();
    }
    roots.sort();
    return roots;
}

QString DriveOf(const QString &path)
{
    // A folder that is gone still belongs to the drive of its nearest existing ancestor.
    QString p = QDir::cleanPath(QDir(path).absolutePath());
    for (;;) {
        const QStorageInfo info(p);
        if (info.isValid())
            return info.rootPath();
        const QString up = QFileInfo(p).path();
        if (up == p)
            return QStringLiteral("/");
        p = up;
    }
}

bool DriveIsReady(const QString &root)
{
    const QStorageInfo info(root);
    const QFileInfo dir(root);
    return info.isValid() && info.isReady() && dir.isDir() && dir.isReadable();
}

std::optional<int> ScrollMaximum(double pictureTwips, double frameTwips)
{
    // Anything this far out of range can never fit; checking first keeps the narrowing well defined.
    constexpr double kFar = 1e9;
    if (!(std::fabs(pictureTwips) < kFar) || !(std::fabs(frameTwips) < kFar))
        return std::nullopt;
    const float raw = float(pictureTwips) - float(frameTwips) + float(chooser::kScrollOverlap);
    const float rounded = std::nearbyint(raw); // the default rounding mode: halves to even
    if (!(rounded >= -32768.0f && rounded <= 32767.0f))
        return std::nullopt;
    return int(rounded);
}

ScrollSetup ScrollSetupFor(double pictureWidthTwips, double pictureHeightTwips)
{
    ScrollSetup s;
    s.hMaximum = ScrollMaximum(pictureWidthTwips, chooser::kFrameWidth);
    s.vMaximum = ScrollMaximum(pictureHeightTwips, chooser::kFrameHeight);
    s.hVisible = pictureWidthTwips > chooser::kFrameWidth;
    s.vVisible = pictureHeightTwips > chooser::kFrameHeight;
    s.cornerVisible = s.hVisible || s.vVisible;
    return s;
}

int CornerStepValue(int value, int maximum)
{
    if (qint64(value) < qint64(maximum) - chooser::kCornerStep)
        return value + chooser::kCornerStep;
    return value;
}

std::optional<int> DragValue(int pointerTwips, int downTwips, int value, int maximum)
{
    const double x = (double(pointerTwips) - double(downTwips)) / chooser::kDragDivisor + double(value);
    if (x <= maximum && x > 0)
        return int(std::nearbyint(x));
    return std::nullopt;
}

int WholeTwips(double twips)
{
    if (std::isnan(twips))
        return 0;
    const double r = std::nearbyint(twips);
    if (r >= double(INT_MAX))
        return INT_MAX;
    if (r <= double(INT_MIN))
        return INT_MIN;
    return int(r);
}

QString SizeToolTip(bool pathEmpty, bool naturalSize, double widthTwips, double heightTwips)
{
    if (pathEmpty)
        return QStringLiteral("没有图片装载");
    if (!naturalSize)
        return QStringLiteral("要想显示图片大小，选取自动大小！");
    const float px = float(widthTwips) / float(15);
    const float py = float(heightTwips) / float(15);
    return QStringLiteral("图片：宽 ") + SingleText(px) + QStringLiteral(" 点、高 ") + SingleText(py) +
           QStringLiteral(" 点");
}

QString DriveNotReadyText(const QString &drive)
{
    return drive + QStringLiteral(" 驱动器没有准备好！");
}

QString DeleteQuestion(const QString &path)
{
    return QStringLiteral("真的要删除文件：(Y/N) ") + QChar(10) + QChar(13) + path;
}

} // namespace tv
