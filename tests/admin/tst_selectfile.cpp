#include "admin/ConfigForm.h"
#include "admin/PictureChooser.h"
#include "admin/SelectFile.h"
#include "app/FormHelpers.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace tv;
using tv::test::TestEnv;

namespace {

// A folder of pictures that is the process's current folder while the chooser opens.
class PictureFolder
{
public:
    explicit PictureFolder(TestEnv &env) : m_folder(env.path(QStringLiteral("pics")))
    {
        QDir().mkpath(m_folder);
        m_old = QDir::currentPath();
        QDir::setCurrent(m_folder);
    }
    ~PictureFolder() { QDir::setCurrent(m_old); }
    QString path(const QString &name = QString()) const
    {
        return name.isEmpty() ? m_folder : m_folder + QLatin1Char('/') + name;
    }
    QString picture(const QString &name, int width, int height) const
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString p = path(name);
        image.save(p, "BMP");
        return p;
    }
    QString text(const QString &name, const QByteArray &bytes = "not a picture") const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path(name);
    }

private:
    QString m_folder;
    QString m_old;
};

SelectFile *openChooser()
{
    SelectFile *w = SelectFile::instance();
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qWarning("chooser not exposed");
    return w;
}

QStringList listed(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QListWidgetItem *fileItem(SelectFile *w, const QString &name)
{
    const auto found = w->File1->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

bool clickFile(SelectFile *w, const QString &name, Qt::MouseButton button = Qt::LeftButton)
{
    QListWidgetItem *item = fileItem(w, name);
    if (!item)
        return false;
    QTest::mouseClick(w->File1->viewport(), button, {}, w->File1->visualItemRect(item).center());
    return true;
}

// A pointer move over the preview, in pixels relative to the image.
void moveOver(SelectFile *w, QPoint pos, Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent ev(QEvent::MouseMove, pos, w->DisplayPicture->mapToGlobal(pos), Qt::NoButton, held, {});
    QCoreApplication::sendEvent(w->DisplayPicture, &ev);
}

// Press, release, then the double click, as the window system delivers them.
void doubleClick(QWidget *target, QPoint pos)
{
    QPointer<QWidget> guard(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(target, Qt::LeftButton, {}, pos);
    if (guard)
        QTest::mouseRelease(target, Qt::LeftButton, {}, pos);
}

bool shown(const QWidget *control)
{
    return !control->isHidden();
}

constexpr int kNone = INT_MIN; // no value: a maximum that does not fit, a drag that moves nothing
int orNone(std::optional<int> v)
{
    return v.value_or(kNone);
}

} // namespace

class TestSelectFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typeFilter_data();
    void typeFilter();
    void scrollArithmetic();
    void dragAndCornerArithmetic();
    void tooltipPathsAndFolders();
    void opensNarrowAtCurrentFolder();
    void typeAndFolderChangesEmptyThePath();
    void previewStretchedThenNatural();
    void cornerButtonAndDragPanning();
    void smallPictureHasNoBars();
    void pictureTooLargeOrNoPicture();
    void deleteRemovesOnlyTheChosenFile();
    void deleteFailures();
    void driveNotReadyRetryThenCancel();
    void okWritesCompanyBoxCancelLeavesIt();
};

void TestSelectFile::typeFilter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("matches");
    QTest::newRow("all bmp") << "a.bmp" << 0 << true;
    QTest::newRow("all upper JPG") << "B.JPG" << 0 << true;
    QTest::newRow("all mixed Gif") << "c.Gif" << 0 << true;
    QTest::newRow("all rle") << "d.RLE" << 0 << true;
    QTest::newRow("all png") << "e.png" << 0 << false;
    QTest::newRow("all jpeg") << "f.jpeg" << 0 << false;
    QTest::newRow("all bmp.txt") << "g.bmp.txt" << 0 << false;
    QTest::newRow("all no dot") << "bmp" << 0 << false;
    QTest::newRow("bmp item upper") << "X.BMP" << 1 << true;
    QTest::newRow("bmp item jpg") << "x.jpg" << 1 << false;
    QTest::newRow("wmf item wmf") << "m.WMF" << 5 << true;
    QTest::newRow("wmf item emf") << "m.emf" << 5 << false;
    QTest::newRow("ico item") << "i.ico" << 4 << true;
    QTest::newRow("star in name") << "*.bmp" << 1 << true;
}

void TestSelectFile::typeFilter()
{
    QFETCH(QString, name);
    QFETCH(int, item);
    QFETCH(bool, matches);
    QCOMPARE(MatchesFilePattern(name, PictureTypePattern(item)), matches);

    const auto &types = PictureTypes();
    QCOMPARE(types.size(), 8);
    QCOMPARE(types[0].text, QStringLiteral("所有图片文件(*.*)"));
    QCOMPARE(types[0].pattern, QStringLiteral("*.bmp;*.jpg;*.gif;*.ico;*.wmf;*.emf;*.rle"));
    QCOMPARE(types[5].text, QStringLiteral("WMF|*.WMF"));
    QCOMPARE(types[7].pattern, QStringLiteral("*.rle"));
}

void TestSelectFile::scrollArithmetic()
{
    // The examples: 200 by 300 pixels, then 100 by 100.
    ScrollSetup s = ScrollSetupFor(3000, 4500);
    QCOMPARE(orNone(s.hMaximum), 355);
    QCOMPARE(orNone(s.vMaximum), 1135);
    QVERIFY(s.hVisible && s.vVisible && s.cornerVisible);
    s = ScrollSetupFor(1500, 1500);
    QCOMPARE(orNone(s.hMaximum), -1145);
    QCOMPARE(orNone(s.vMaximum), -1865);
    QVERIFY(!s.hVisible && !s.vVisible && !s.cornerVisible);
    // As wide as the frame: no bar; one twip more shows it.
    s = ScrollSetupFor(2925, 3646);
    QVERIFY(!s.hVisible && s.vVisible && s.cornerVisible);

    // The 16-bit limit: a width of 35,412 twips still fits, one more does not.
    QCOMPARE(orNone(ScrollMaximum(35412, 2925)), 32767);
    QCOMPARE(orNone(ScrollMaximum(35413, 2925)), kNone);
    QCOMPARE(orNone(ScrollMaximum(36132, 3645)), 32767);
    QCOMPARE(orNone(ScrollMaximum(36133, 3645)), kNone);
    QCOMPARE(orNone(ScrollMaximum(-30123, 2925)), -32768);
    QCOMPARE(orNone(ScrollMaximum(-30124, 2925)), kNone);
    // Far out of range, or no number: refused, not wrapped.
    QCOMPARE(orNone(ScrollMaximum(1e300, 2925)), kNone);
    QCOMPARE(orNone(ScrollMaximum(std::numeric_limits<double>::infinity(), 2925)), kNone);
    QCOMPARE(orNone(ScrollMaximum(std::numeric_limits<double>::quiet_NaN(), 2925)), kNone);
    QCOMPARE(orNone(ScrollMaximum(0, 2925)), -2645);
    // Halves go to the even neighbour.
    QCOMPARE(orNone(ScrollMaximum(2645.5, 2925)), 0);
    QCOMPARE(orNone(ScrollMaximum(2646.5, 2925)), 2);
}

void TestSelectFile::dragAndCornerArithmetic()
{
    // Value 100, maximum 355, press point 0.
    QCOMPARE(orNone(DragValue(500, 0, 100, 355)), 110);
    QCOMPARE(orNone(DragValue(10000, 0, 100, 355)), 300);
    QCOMPARE(orNone(DragValue(12750, 0, 100, 355)), 355);   // exactly the maximum
    QCOMPARE(orNone(DragValue(15000, 0, 100, 355)), kNone); // would give 400
    QCOMPARE(orNone(DragValue(-5000, 0, 100, 355)), kNone); // would give 0
    QCOMPARE(orNone(DragValue(-6000, 0, 100, 355)), kNone);
    QCOMPARE(orNone(DragValue(-4975, 0, 100, 355)), 0);             // 0.5 is above 0, rounds to even 0
    QCOMPARE(orNone(DragValue(1325, 1300, 100, 355)), 100);         // 100.5 to even
    QCOMPARE(orNone(DragValue(1375, 1300, 100, 355)), 102);         // 101.5 to even
    QCOMPARE(orNone(DragValue(500, 0, 0, -1145)), kNone);           // a small picture never pans
    QCOMPARE(orNone(DragValue(INT_MAX, INT_MIN, 0, 32767)), kNone); // no overflow on the way
    QCOMPARE(WholeTwips(150.5), 150);
    QCOMPARE(WholeTwips(151.5), 152);
    QCOMPARE(WholeTwips(1e20), INT_MAX);
    QCOMPARE(WholeTwips(std::numeric_limits<double>::quiet_NaN()), 0);

    QCOMPARE(CornerStepValue(200, 355), 300);
    QCOMPARE(CornerStepValue(300, 355), 300);
    QCOMPARE(CornerStepValue(254, 355), 354);
    QCOMPARE(CornerStepValue(255, 355), 255);
    QCOMPARE(CornerStepValue(0, -1145), 0);
    QCOMPARE(CornerStepValue(0, INT_MIN), 0);
}

void TestSelectFile::tooltipPathsAndFolders()
{
    QCOMPARE(SizeToolTip(true, true, 3000, 4500), QStringLiteral("没有图片装载"));
    QCOMPARE(SizeToolTip(false, false, 3000, 4500), QStringLiteral("要想显示图片大小，选取自动大小！"));
    QCOMPARE(SizeToolTip(false, true, 3000, 4500), QStringLiteral("图片：宽 200 点、高 300 点"));
    QCOMPARE(SizeToolTip(false, true, 9600, 7200), QStringLiteral("图片：宽 640 点、高 480 点"));
    QCOMPARE(SizeToolTip(false, true, 100, 0), QStringLiteral("图片：宽 6.666667 点、高 0 点"));

    QCOMPARE(ChosenFilePath(QStringLiteral("/pics"), QStringLiteral("a.bmp")), QStringLiteral("/pics/a.bmp"));
    QCOMPARE(ChosenFilePath(QStringLiteral("/"), QStringLiteral("a.bmp")), QStringLiteral("/a.bmp"));
    QCOMPARE(DeleteQuestion(QStringLiteral("/p/a.bmp")),
             QStringLiteral("真的要删除文件：(Y/N) \n\r/p/a.bmp"));
    QCOMPARE(DriveNotReadyText(QStringLiteral("/media/cd")), QStringLiteral("/media/cd 驱动器没有准备好！"));

    TestEnv env;
    QDir().mkpath(env.path(QStringLiteral("a/b/Sub1")));
    QDir().mkpath(env.path(QStringLiteral("a/b/sub0")));
    QDir().mkpath(env.path(QStringLiteral("a/b/.hidden")));
    const QList<FolderEntry> tree = FolderTree(env.path(QStringLiteral("a/b")));
    QVERIFY(tree.size() >= 5);
    QCOMPARE(tree.first().path, QStringLiteral("/"));
    const FolderEntry &self = tree[tree.size() - 3];
    QCOMPARE(self.path, env.path(QStringLiteral("a/b")));
    QVERIFY(self.open);
    QCOMPARE(tree[tree.size() - 2].name, QStringLiteral("sub0"));
    QCOMPARE(tree.last().name, QStringLiteral("Sub1"));
    QCOMPARE(tree.last().depth, self.depth + 1);
    QVERIFY(!tree.last().open);

    QVERIFY(MountedDrives().contains(QStringLiteral("/")));
    QVERIFY(DriveIsReady(QStringLiteral("/")));
    QVERIFY(!DriveIsReady(QStringLiteral("/no/such/drive")));
    QCOMPARE(DriveOf(env.path(QStringLiteral("gone/deeper"))), DriveOf(env.dir()));
}

void TestSelectFile::opensNarrowAtCurrentFolder()
{
    TestEnv env;
    PictureFolder pics(env);
    for (const char *name :
         {"a.bmp", "B.JPG", "c.Gif", "d.ico", "e.wmf", "f.EMF", "g.rle", "h.png", "i.bmp.txt", ".hidden.bmp"})
        pics.text(QString::fromLatin1(name));
    QDir().mkpath(pics.path(QStringLiteral("folder.bmp")));
    SaveSetting(ExeAppName(), QStringLiteral("SelectPhoto"), QStringLiteral("Left"), QStringLiteral("1500"));
    SaveSetting(ExeAppName(), QStringLiteral("SelectPhoto"), QStringLiteral("Top"), QStringLiteral("3000"));

    SelectFile *w = openChooser();
    QCOMPARE(w->windowTitle(), QStringLiteral("配置图片"));
    QVERIFY(w->isModal());
    QCOMPARE(w->pos(), QPoint(100, 200));
    QCOMPARE(w->width(), TwipsToPx(5355));
    QVERIFY(!w->Check1->isChecked());
    QVERIFY(!w->Check2->isChecked() && !w->Check2->isEnabled());
    QVERIFY(!w->Command1->isEnabled());
    QVERIFY(w->Command1->isDefault());
    QVERIFY(w->Text1->text().isEmpty() && w->Text1->isReadOnly());
    QVERIFY(!shown(w->HScroll1) && !shown(w->VScroll1) && !shown(w->Command3));
    QCOMPARE(w->Picture1->geometry(), QRect(362, 12, 195, 243));
    QVERIFY(w->Picture1->x() >= w->width()); // outside the narrow window

    QCOMPARE(w->SelectType->count(), 8);
    QCOMPARE(w->SelectType->currentIndex(), 0);
    QCOMPARE(w->SelectType->itemText(1), QStringLiteral("位图文件|*.BMP"));
    QCOMPARE(w->filePattern(), QStringLiteral("*.bmp;*.jpg;*.gif;*.ico;*.wmf;*.emf;*.rle"));
    QCOMPARE(listed(w->File1), (QStringList{"a.bmp", "B.JPG", "c.Gif", "d.ico", "e.wmf", "f.EMF", "g.rle"}));

    QCOMPARE(w->dirPath(), pics.path());
    QCOMPARE(w->Dir1->currentItem()->data(Qt::UserRole).toString(), pics.path());
    QCOMPARE(w->Drive1->currentData().toString(), DriveOf(pics.path()));
    for (const QString &drive : MountedDrives())
        QVERIFY(w->Drive1->findData(drive) >= 0);

    QCOMPARE(w->MenuEdit->title(), QStringLiteral("编辑"));
    QVERIFY(!w->MenuEdit->isVisible());
    QCOMPARE(w->DelFile->text(), QStringLiteral("删除(&D)"));
    QCOMPARE(w->Command1->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(w->Command2->text(), QStringLiteral("取消(&C)"));
    QCOMPARE(w->Label1->text(), QStringLiteral("选定的文件名称及路径"));
}

void TestSelectFile::typeAndFolderChangesEmptyThePath()
{
    TestEnv env;
    PictureFolder pics(env);
    for (const char *name : {"a.bmp", "e.wmf", "E2.WMF", "x.jpg", "sub/y.jpg", "sub/z.bmp"}) {
        QDir().mkpath(QFileInfo(pics.path(QString::fromLatin1(name))).path());
        pics.text(QString::fromLatin1(name));
    }
    SelectFile *w = openChooser();

    QVERIFY(clickFile(w, QStringLiteral("a.bmp")));
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("a.bmp")));
    QVERIFY(w->Command1->isEnabled() && w->Check2->isEnabled());

    w->SelectType->setCurrentIndex(5); // "WMF|*.WMF"
    QCOMPARE(listed(w->File1), (QStringList{"e.wmf", "E2.WMF"}));
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled() && !w->Check2->isEnabled());

    // A folder change keeps the chosen type.
    w->SelectType->setCurrentIndex(2); // "压缩文件|*.JPG"
    QVERIFY(clickFile(w, QStringLiteral("x.jpg")));
    QListWidgetItem *sub = nullptr;
    for (int i = 0; i < w->Dir1->count(); ++i) {
        if (w->Dir1->item(i)->data(Qt::UserRole).toString() == pics.path(QStringLiteral("sub")))
            sub = w->Dir1->item(i);
    }
    QVERIFY(sub);
    doubleClick(w->Dir1->viewport(), w->Dir1->visualItemRect(sub).center());
    QCOMPARE(w->dirPath(), pics.path(QStringLiteral("sub")));
    QCOMPARE(listed(w->File1), QStringList{"y.jpg"});
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
    QVERIFY(clickFile(w, QStringLiteral("y.jpg")));
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("sub/y.jpg")));

    // Back up to the root: the path there has no doubled separator.
    w->setDirPath(QStringLiteral("/"));
    QCOMPARE(w->Dir1->currentItem()->data(Qt::UserRole).toString(), QStringLiteral("/"));
    QVERIFY(w->Text1->text().isEmpty());
}

void TestSelectFile::previewStretchedThenNatural()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("p.bmp"), 200, 300);
    SelectFile *w = openChooser();

    w->Check1->setChecked(true); // nothing chosen yet: widened, nothing to show
    QCOMPARE(w->width(), TwipsToPx(8475));
    QVERIFY(!w->hasPreview());
    moveOver(w, QPoint(5, 5));
    QCOMPARE(w->DisplayPicture->toolTip(), QStringLiteral("没有图片装载"));
    w->Check1->setChecked(false);

    // With the preview off a click only fills the path; ticking the preview loads it.
    QVERIFY(clickFile(w, QStringLiteral("p.bmp")));
    QVERIFY(!w->hasPreview());
    QCOMPARE(w->width(), TwipsToPx(5355));
    w->Check1->setChecked(true);
    QVERIFY(w->hasPreview());
    QCOMPARE(w->DisplayPicture->geometry(), QRect(0, 0, 195, 243));
    QVERIFY(w->DisplayPicture->hasScaledContents());
    QVERIFY(!shown(w->HScroll1) && !shown(w->VScroll1) && !shown(w->Command3));
    moveOver(w, QPoint(5, 5));
    QCOMPARE(w->DisplayPicture->toolTip(), QStringLiteral("要想显示图片大小，选取自动大小！"));

    w->Check2->setChecked(true);
    QCOMPARE(w->DisplayPicture->size(), QSize(200, 300));
    QVERIFY(!w->DisplayPicture->hasScaledContents());
    QCOMPARE(w->HScroll1->maximum(), 355);
    QCOMPARE(w->VScroll1->maximum(), 1135);
    QVERIFY(shown(w->HScroll1) && shown(w->VScroll1) && shown(w->Command3));
    moveOver(w, QPoint(5, 5));
    QCOMPARE(w->DisplayPicture->toolTip(), QStringLiteral("图片：宽 200 点、高 300 点"));
    QVERIFY(env.boxes.isEmpty());

    // Unticking the preview narrows the window and clears the image; the path stays.
    w->Check1->setChecked(false);
    QCOMPARE(w->width(), TwipsToPx(5355));
    QVERIFY(!w->hasPreview());
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("p.bmp")));
}

void TestSelectFile::cornerButtonAndDragPanning()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("p.bmp"), 200, 300);
    SelectFile *w = openChooser();
    QVERIFY(clickFile(w, QStringLiteral("p.bmp")));
    w->Check1->setChecked(true);
    w->Check2->setChecked(true);

    w->HScroll1->setValue(200);
    QCOMPARE(w->DisplayPicture->x(), TwipsToPx(-200));
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->HScroll1->value(), 300);
    QCOMPARE(w->VScroll1->value(), 100);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->HScroll1->value(), 300); // not below 255
    QCOMPARE(w->VScroll1->value(), 200);
    QCOMPARE(w->DisplayPicture->pos(), QPoint(TwipsToPx(-300), TwipsToPx(-200)));

    // Press at 20 px (300 twips), move 34 px on (510 twips): one fiftieth added to 100 gives 110.
    w->HScroll1->setValue(100);
    w->VScroll1->setValue(0);
    moveOver(w, QPoint(60, 20)); // no button held: nothing moves
    QCOMPARE(w->HScroll1->value(), 100);
    QTest::mousePress(w->DisplayPicture, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(w->dragging());
    QCOMPARE(w->DisplayPicture->cursor().pixmap().toImage(), w->picDown->pixmap().toImage());
    moveOver(w, QPoint(54, 20), Qt::LeftButton);
    QCOMPARE(w->HScroll1->value(), 110);
    QCOMPARE(w->VScroll1->value(), 0);
    QCOMPARE(w->DisplayPicture->x(), TwipsToPx(-110));
    moveOver(w, QPoint(1020, 20), Qt::LeftButton); // would give 410, above the maximum
    QCOMPARE(w->HScroll1->value(), 110);
    moveOver(w, QPoint(20, 53), Qt::LeftButton); // down: (795 - 300) / 50 = 9.9
    QCOMPARE(w->VScroll1->value(), 10);
    moveOver(w, QPoint(-400, 20), Qt::LeftButton); // left far enough to go below 0
    QCOMPARE(w->HScroll1->value(), 110);
    QTest::mouseRelease(w->DisplayPicture, Qt::LeftButton, {}, QPoint(54, 20));
    QVERIFY(!w->dragging());
    QCOMPARE(w->DisplayPicture->cursor().pixmap().toImage(), w->picUP->pixmap().toImage());

    // Back to stretched while panned: the frame's top-left corner, no bars.
    w->Check2->setChecked(false);
    QCOMPARE(w->DisplayPicture->geometry(), QRect(0, 0, 195, 243));
    QVERIFY(!shown(w->HScroll1) && !shown(w->VScroll1) && !shown(w->Command3));
    // And natural again: the bars start over at 0.
    w->Check2->setChecked(true);
    QCOMPARE(w->HScroll1->value(), 0);
    QCOMPARE(w->DisplayPicture->pos(), QPoint(0, 0));
}

void TestSelectFile::smallPictureHasNoBars()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("s.bmp"), 100, 100);
    pics.picture(QStringLiteral("tall.bmp"), 100, 400);
    SelectFile *w = openChooser();
    w->Check1->setChecked(true);
    QVERIFY(clickFile(w, QStringLiteral("s.bmp")));
    w->Check2->setChecked(true);
    QCOMPARE(w->DisplayPicture->size(), QSize(100, 100));
    QVERIFY(!shown(w->HScroll1) && !shown(w->VScroll1) && !shown(w->Command3));
    QCOMPARE(w->HScroll1->value(), 0);
    QTest::mousePress(w->DisplayPicture, Qt::LeftButton, {}, QPoint(10, 10));
    moveOver(w, QPoint(90, 90), Qt::LeftButton);
    QTest::mouseRelease(w->DisplayPicture, Qt::LeftButton, {}, QPoint(90, 90));
    QCOMPARE(w->HScroll1->value(), 0);
    QCOMPARE(w->VScroll1->value(), 0);
    QCOMPARE(w->DisplayPicture->pos(), QPoint(0, 0));

    // Taller only: the vertical bar and the corner; a horizontal drag leaves the narrow picture alone.
    QVERIFY(clickFile(w, QStringLiteral("tall.bmp")));
    QVERIFY(!shown(w->HScroll1) && shown(w->VScroll1) && shown(w->Command3));
    QCOMPARE(w->VScroll1->maximum(), 6000 - 3645 + 280);
    QTest::mousePress(w->DisplayPicture, Qt::LeftButton, {}, QPoint(10, 10));
    moveOver(w, QPoint(90, 90), Qt::LeftButton);
    QCOMPARE(w->HScroll1->value(), 0);
    QCOMPARE(w->VScroll1->value(), 24); // (1350 - 150) / 50
    QVERIFY(env.boxes.isEmpty());
}

void TestSelectFile::pictureTooLargeOrNoPicture()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("wide.bmp"), 2361, 2); // 35,415 twips: no 16-bit maximum
    pics.picture(QStringLiteral("fits.bmp"), 2360, 2); // 35,400 twips: maximum 32,755
    pics.text(QStringLiteral("fake.bmp"));
    pics.text(QStringLiteral("meta.wmf"), QByteArray::fromHex("d7cdc69a0000000000000000000000000000"));
    // A bitmap header claiming 40,000 by 40,000 pixels with no pixels behind it.
    QByteArray huge = QByteArray::fromHex("424d") + QByteArray(12, '\0') + QByteArray::fromHex("28000000");
    huge += QByteArray::fromHex("409c0000409c000001001800") + QByteArray(24, '\0');
    huge[10] = 54;
    pics.text(QStringLiteral("huge.bmp"), huge);
    QImage small(8, 6, QImage::Format_RGB32);
    small.fill(Qt::yellow);
    small.save(pics.path(QStringLiteral("j.JPG")), "JPG");
    small.save(pics.path(QStringLiteral("i.ico")), "ICO");
    small.save(pics.path(QStringLiteral("r.rle")), "BMP");
    SelectFile *w = openChooser();
    w->Check1->setChecked(true);

    // Stretched, the wide picture loads; switching to natural size keeps the old maximum silently.
    QVERIFY(clickFile(w, QStringLiteral("wide.bmp")));
    QVERIFY(w->hasPreview());
    w->Check2->setChecked(true);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->HScroll1->maximum(), 0);
    QCOMPARE(w->VScroll1->maximum(), 0); // a negative maximum leaves the bar at its minimum
    QVERIFY(shown(w->HScroll1) && !shown(w->VScroll1));

    QVERIFY(clickFile(w, QStringLiteral("fits.bmp")));
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->HScroll1->maximum(), 32755);

    // Loaded at natural size, it fails with the message; the path stays and OK stays enabled.
    QVERIFY(clickFile(w, QStringLiteral("wide.bmp")));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("图片出错，不能浏览！"), 16, QStringLiteral("图片不能安装"));
    QVERIFY(!w->hasPreview());
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("wide.bmp")));
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->cursor().shape() != Qt::WaitCursor);

    // A file that is no picture, and a metafile no reader loads, fail the same way, stretched too.
    w->Check2->setChecked(false);
    env.clearBoxes();
    for (const QString &name :
         {QStringLiteral("fake.bmp"), QStringLiteral("meta.wmf"), QStringLiteral("huge.bmp")}) {
        QVERIFY(clickFile(w, name));
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], QStringLiteral("图片出错，不能浏览！"), 16,
                     QStringLiteral("图片不能安装"));
        QVERIFY(!w->hasPreview());
        QCOMPARE(w->Text1->text(), pics.path(name));
        QVERIFY(w->Command1->isEnabled());
        env.clearBoxes();
    }
    // The other types Qt reads show as they are; a run-length bitmap is recognised by its content.
    for (const QString &name : {QStringLiteral("j.JPG"), QStringLiteral("i.ico"), QStringLiteral("r.rle")}) {
        QVERIFY(clickFile(w, name));
        QVERIFY2(w->hasPreview(), qPrintable(name));
    }
    QVERIFY(env.boxes.isEmpty());
}

void TestSelectFile::deleteRemovesOnlyTheChosenFile()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("a.bmp"), 4, 4);
    pics.picture(QStringLiteral("b.bmp"), 4, 4);
    pics.picture(QStringLiteral("*.bmp"), 4, 4); // a name that a wildcard delete would spread from
    SelectFile *w = openChooser();
    w->Check1->setChecked(true);

    // Nothing selected: the menu comes up with its item disabled.
    const QPoint below(10, w->File1->viewport()->height() - 5);
    QTest::mouseClick(w->File1->viewport(), Qt::RightButton, {}, below);
    QVERIFY(w->MenuEdit->isVisible());
    QVERIFY(!w->DelFile->isEnabled());
    w->MenuEdit->hide();

    QVERIFY(clickFile(w, QStringLiteral("*.bmp")));
    QVERIFY(w->hasPreview());
    // A right click on another file neither selects it nor changes the path.
    QVERIFY(clickFile(w, QStringLiteral("b.bmp"), Qt::RightButton));
    QVERIFY(w->MenuEdit->isVisible());
    QVERIFY(w->DelFile->isEnabled());
    QCOMPARE(w->File1->currentItem()->text(), QStringLiteral("*.bmp"));
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("*.bmp")));
    w->MenuEdit->hide();

    env.answers = {vbNo};
    w->DelFile->trigger();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DeleteQuestion(pics.path(QStringLiteral("*.bmp"))), 20,
                 QStringLiteral("删除文件"));
    QVERIFY(QFile::exists(pics.path(QStringLiteral("*.bmp"))));
    QVERIFY(w->hasPreview());

    env.answers = {vbYes};
    w->DelFile->trigger();
    QCOMPARE(env.boxes.size(), 2);
    QVERIFY(!QFile::exists(pics.path(QStringLiteral("*.bmp"))));
    QVERIFY(QFile::exists(pics.path(QStringLiteral("a.bmp"))));
    QVERIFY(QFile::exists(pics.path(QStringLiteral("b.bmp"))));
    QCOMPARE(listed(w->File1), (QStringList{"a.bmp", "b.bmp"}));
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
    QVERIFY(!w->hasPreview());
    QVERIFY(w->File1->selectedItems().isEmpty());
}

void TestSelectFile::deleteFailures()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("a.bmp"), 4, 4);
    QDir().mkpath(pics.path(QStringLiteral("d.bmp")));
    SelectFile *w = openChooser();
    QVERIFY(clickFile(w, QStringLiteral("a.bmp")));
    QFile::remove(pics.path(QStringLiteral("a.bmp"))); // gone behind the chooser's back
    w->DelFile->trigger();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], QStringLiteral("删除文件错误，文件被打开或共享"), 16, QStringLiteral("警告"));
    QCOMPARE(w->Text1->text(), pics.path(QStringLiteral("a.bmp")));
    QVERIFY(w->Command1->isEnabled());

    // An empty path deletes nothing at all, the current folder included.
    w->SelectType->setCurrentIndex(1);
    QVERIFY(w->Text1->text().isEmpty());
    env.clearBoxes();
    w->DelFile_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].text, QStringLiteral("删除文件错误，文件被打开或共享"));
    QVERIFY(QDir(pics.path()).exists());
    QVERIFY(QDir(pics.path(QStringLiteral("d.bmp"))).exists());
}

void TestSelectFile::driveNotReadyRetryThenCancel()
{
    TestEnv env;
    PictureFolder pics(env);
    pics.picture(QStringLiteral("a.bmp"), 4, 4);
    SelectFile *w = openChooser();
    const QString home = w->Drive1->currentData().toString();

    QVERIFY(clickFile(w, QStringLiteral("a.bmp")));
    w->Drive1->addItem(QStringLiteral("/no/such/drive"), QStringLiteral("/no/such/drive"));
    env.answers = {vbRetry, vbCancel};
    w->Drive1->setCurrentIndex(w->Drive1->count() - 1);
    QCOMPARE(env.boxes.size(), 2);
    for (const auto &box : env.boxes)
        QCOMPARE_BOX(box, QStringLiteral("/no/such/drive 驱动器没有准备好！"), 21,
                     QStringLiteral("驱动器没有准备好！"));
    QCOMPARE(w->Drive1->currentData().toString(), home);
    QCOMPARE(w->dirPath(), pics.path());
    QCOMPARE(listed(w->File1), QStringList{"a.bmp"});
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());

    // A drive that is ready: the folder list moves to its root and the path is emptied.
    const QString other = env.path(QStringLiteral("otherdrive"));
    QDir().mkpath(other);
    pics.picture(QStringLiteral("../otherdrive/o.bmp"), 4, 4);
    QVERIFY(clickFile(w, QStringLiteral("a.bmp")));
    env.clearBoxes();
    w->Drive1->addItem(other, other);
    w->Drive1->setCurrentIndex(w->Drive1->count() - 1);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->dirPath(), other);
    QCOMPARE(listed(w->File1), QStringList{"o.bmp"});
    QVERIFY(w->Text1->text().isEmpty());
}

void TestSelectFile::okWritesCompanyBoxCancelLeavesIt()
{
    TestEnv env;
    env.makeDatabase();
    PictureFolder pics(env);
    pics.picture(QStringLiteral("a.bmp"), 4, 4);
    pics.picture(QStringLiteral("b.bmp"), 4, 4);
    ConfigForm *config = ConfigForm::instance();
    config->CC[5]->setText(QStringLiteral("/old/picture.bmp"));

    // Cancel: the idle text, box 5 untouched, the position stored.
    SelectFile *w = openChooser();
    w->move(60, 80);
    QVERIFY(clickFile(w, QStringLiteral("a.bmp")));
    SetStatusText(QStringLiteral("busy"));
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(config->CC[5]->text(), QStringLiteral("/old/picture.bmp"));
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("SelectPhoto"), QStringLiteral("Left")),
             QStringLiteral("900"));
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("SelectPhoto"), QStringLiteral("Top")),
             QStringLiteral("1200"));

    // Loaded afresh, and Esc leaves the box alone too.
    w = openChooser();
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(clickFile(w, QStringLiteral("b.bmp")));
    SetStatusText(QStringLiteral("busy"));
    QTest::keyClick(w, Qt::Key_Escape);
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(config->CC[5]->text(), QStringLiteral("/old/picture.bmp"));

    // A double click on the preview chooses only once OK is enabled.
    w = openChooser();
    w->Check1->setChecked(true);
    doubleClick(w->DisplayPicture, QPoint(5, 5));
    QVERIFY(SelectFile::isLoaded());
    QVERIFY(clickFile(w, QStringLiteral("b.bmp")));
    doubleClick(w->DisplayPicture, QPoint(5, 5));
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(config->CC[5]->text(), pics.path(QStringLiteral("b.bmp")));

    // A double click on a file, and OK itself.
    w = openChooser();
    doubleClick(w->File1->viewport(),
                w->File1->visualItemRect(fileItem(w, QStringLiteral("a.bmp"))).center());
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(config->CC[5]->text(), pics.path(QStringLiteral("a.bmp")));
    w = openChooser();
    QVERIFY(clickFile(w, QStringLiteral("b.bmp")));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(config->CC[5]->text(), pics.path(QStringLiteral("b.bmp")));
    QVERIFY(env.boxes.isEmpty());
}

QTEST_MAIN(TestSelectFile)
#include "tst_selectfile.moc"
