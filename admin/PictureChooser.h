#pragma once

// What the picture chooser computes: the type filter and its matching, the chosen path, the folder
// tree and the mounted drives, the preview's scroll arithmetic, drag panning and the size tooltip.
// Lengths are twips throughout; only the window turns them into pixels.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tv {

namespace chooser {
constexpr int kNarrowWidth = 5355; // the window without the preview
constexpr int kWideWidth = 8475;   // and with it
constexpr int kFrameLeft = 5430;
constexpr int kFrameTop = 180;
constexpr int kFrameWidth = 2925;
constexpr int kFrameHeight = 3645;
constexpr int kScrollThickness = 270;
constexpr int kCornerSize = 285;
constexpr int kScrollOverlap = 280; // added to every maximum, so a bar's own width never hides the edge
constexpr int kCornerStep = 100;
constexpr int kDragDivisor = 50;
} // namespace chooser

struct PictureType
{
    QString text;    // as the drop-down list shows it
    QString pattern; // patterns separated by ';'
};

// The eight items of the type filter, item 0 being every picture type.
const QList<PictureType> &PictureTypes();
QString PictureTypePattern(int item); // the all-types pattern for an item out of range

// A file name against a pattern list such as "*.bmp;*.jpg"; letter case does not count.
bool MatchesFilePattern(const QString &fileName, const QString &pattern);

// The files of a folder that match, sorted by name without regard to case; hidden files are left out.
QStringList ListMatchingFiles(const QString &folder, const QString &pattern);

// The folder followed by the file name, with one separator between them.
QString ChosenFilePath(const QString &folder, const QString &fileName);

// The folder list: the folder's ancestors from the root down to the folder itself, then its
// subfolders (hidden ones left out).
struct FolderEntry
{
    QString path;
    QString name;
    int depth = 0;
    bool open = false; // an ancestor or the folder itself
};
QList<FolderEntry> FolderTree(const QString &folder);

// The mounted file systems by their root paths, and the one holding a path.
QStringList MountedDrives();
QString DriveOf(const QString &path);
bool DriveIsReady(const QString &root);

// A scroll bar's maximum at natural size: picture − frame + 280, in single precision, rounded half to
// even. Nothing when it does not fit a 16-bit signed integer (or is no number at all).
std::optional<int> ScrollMaximum(double pictureTwips, double frameTwips);

struct ScrollSetup
{
    std::optional<int> hMaximum, vMaximum;
    bool hVisible = false, vVisible = false, cornerVisible = false;
};
ScrollSetup ScrollSetupFor(double pictureWidthTwips, double pictureHeightTwips);

// The corner button: a bar at least 100 below its maximum moves 100 on; otherwise it stays.
int CornerStepValue(int value, int maximum);

// A pointer move while dragging: one fiftieth of the distance from the press point added to the bar's
// value. Nothing when the result is not above 0 or lies above the maximum.
std::optional<int> DragValue(int pointerTwips, int downTwips, int value, int maximum);

// A pointer position rounded to whole twips, ties to even, held within 32 bits.
int WholeTwips(double twips);

// The preview's tooltip.
QString SizeToolTip(bool pathEmpty, bool naturalSize, double widthTwips, double heightTwips);

QString DriveNotReadyText(const QString &drive);
QString DeleteQuestion(const QString &path);

} // namespace tv
